#pragma once
// The main window: the filter boxes and command buttons across the top, the
// order grid in the middle, the status line along the bottom.
#include <QWidget>
#include <ctime>
#include <string>

#include "OrderWindow.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TDateBox;
class TwwDBGrid;

class TFormDulvane : public QWidget {
    Q_OBJECT
public:
    // dpi: the display's dots per inch; 0 takes the screen's.
    explicit TFormDulvane(QWidget *parent = nullptr, double dpi = 0);
    ~TFormDulvane() override;

    // Handlers of the window's events.
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();

    // What the order commands read and write.
    std::string BoxText(FilterBox box) const;
    void SetStatusText(const std::string &text);
    std::string ExecutableFolder() const;
    std::tm LocalNow() const;
    void ClickBackupButton();

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

    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void ApplyDisplayScaling(double dpi);
    void PlaceControls();
    void DockPanels();
    int Scaled(int designed) const;

    int scaleNum_ = 1;
    int scaleDen_ = 1;
    bool shownOnce_ = false;
};
