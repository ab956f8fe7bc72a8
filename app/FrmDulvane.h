#pragma once
// The main window: the filter boxes and command buttons across the top, the
// order grid in the middle, the status line along the bottom.
#include <QWidget>
#include <ctime>
#include <memory>
#include <string>

#include "workflow/OrderWindow.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TDateBox;
class TwwDBGrid;
namespace batchdel {
class OrderDataModule;
}  // namespace batchdel

// How a window is set up beyond its design, for running it elsewhere than on
// the operator's display (tests): both empty or zero mean "as installed".
struct TFormDulvaneSetup {
    double dpi = 0;              // 0: the screen's dots per inch
    std::string connectionFile;  // empty: the usual connection file
    std::string driverFile;      // empty: the usual driver file
    std::string dataFolder;      // empty: OrderDataFolder(), where cds/ goes (ends in "/")
};

class TFormDulvane : public QWidget, public batchdel::OrderWindow {
    Q_OBJECT
public:
    // Builds the controls, then the data components, and opens the database
    // connection; a failure to connect leaves the constructor.
    explicit TFormDulvane(QWidget *parent = nullptr, const TFormDulvaneSetup &setup = {});
    ~TFormDulvane() override;

    // Handlers of the window's events.
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();

    // What the order commands read and write.
    std::string BoxText(batchdel::FilterBox box) const override;
    void SetStatusText(const std::string &text) override;
    TClientDataSet &OrderList() override;
    TClientDataSet &BackupSet() override;
    TSQLQuery &Statement() override;
    TSQLConnection &Connection() override;
    std::string DataFolder() const override;
    std::tm LocalNow() const override;
    int AppMessageBox(const std::string &text, const std::string &caption, unsigned style) override;
    int RunMessageDialog(const std::string &text, batchdel::DialogKind kind, unsigned buttons) override;
    void ShowNotice(const std::string &text) override;
    std::unique_ptr<batchdel::WorkProgress> StartProgress(const std::string &caption) override;

    // The layout scale in force: positions are multiplied by ScaleNumerator
    // and divided by ScaleDenominator (1/1 at 96 dots per inch).
    int ScaleNumerator() const { return scaleNum_; }
    int ScaleDenominator() const { return scaleDen_; }
    // The font pixel size for a display: 13 at 96 dots per inch.
    static int FontPixelSizeFor(double dpi);

    // Controls, by their names.
    QFrame *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    TDateBox *MaskEdit1 = nullptr;
    QLabel *Label2 = nullptr;
    TDateBox *MaskEdit2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Edit3 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QPushButton *SpeedButton1 = nullptr;
    QPushButton *SpeedButton2 = nullptr;
    QPushButton *SpeedButton3 = nullptr;
    QPushButton *SpeedButton4 = nullptr;
    QFrame *Panel2 = nullptr;
    TwwDBGrid *wwDBGrid1 = nullptr;
    QFrame *Panel3 = nullptr;
    QLabel *LabelRecord = nullptr;

    // The data components (the grid shows its DataSource1).
    batchdel::OrderDataModule &DataModule() { return *data_; }

    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void SetUpGrid();
    std::string dataFolder_;  // the folder that holds cds/ (the backups, the journal)
    std::unique_ptr<batchdel::OrderDataModule> data_;
    void ApplyDisplayScaling(double dpi);
    void PlaceControls();
    void DockPanels();
    int Scaled(int designed) const;

    int scaleNum_ = 1;
    int scaleDen_ = 1;
    bool shownOnce_ = false;
};
