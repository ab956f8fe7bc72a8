#include "app/FrmDulvane.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <cmath>

#include "app/AppMessageBox.h"
#include "app/BatchdelApplication.h"
#include "app/DateBox.h"
#include "app/MessageForm.h"
#include "app/ProgressDialog.h"
#include "app/TerminationSignals.h"
#include "data/dataset/Errors.h"
#include "data/dataset/HandlerFailure.h"
#include "grid/wwDBGrid.h"
#include "orders/LocalTime.h"
#include "orders/OrderDataFolder.h"
#include "workflow/WindowTexts.h"
#include "workflow/OrderCommands.h"
#include "workflow/OrderDataModule.h"

using namespace batchdel;

namespace {
// The layout as designed for 96 dots per inch and the 13-pixel font.
constexpr int kDesignedDpi = 96;
constexpr int kDesignedFontPixels = 13;
// The outer window is 696 x 480 at (192, 114). A standard frame takes 4
// pixels on either side and 30 above (border and title bar) and 4 below, so
// the client area is 688 x 446: the three panels' 86 + 330 + 30.
constexpr int kWindowLeft = 192, kWindowTop = 114;
constexpr int kClientWidth = 688, kClientHeight = 446;
constexpr int kTopPanelHeight = 86, kBottomPanelHeight = 30;

struct Place {
    int left, top, width, height;  // width/height 0: sized to the text
};

int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(product >= 0 ? (product + c / 2) / c : (product - c / 2) / c);
}

QFrame *MakePanel(QWidget *parent, const char *name) {
    auto *panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit *MakeEdit(QWidget *parent, const char *name) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QPushButton *MakeSpeedButton(QWidget *parent, const char *name, const QString &caption) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Operated with the mouse only: pressing one leaves the focus (and so
    // any half-typed date box) where it was.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}
}  // namespace

int TFormDulvane::FontPixelSizeFor(double dpi) {
    return MulDiv(kDesignedFontPixels, static_cast<int>(std::lround(dpi)), kDesignedDpi);
}

TFormDulvane::TFormDulvane(QWidget *parent, const TFormDulvaneSetup &setup)
    : QWidget(parent, Qt::Window), dataFolder_(setup.dataFolder) {
    setObjectName(QStringLiteral("FormDulvane"));
    setWindowTitle(QStringLiteral("訂單批次刪除"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    // The controls first, laid out and scaled for this display.
    CreateControls();
    ApplyDisplayScaling(setup.dpi > 0 ? setup.dpi : (screen() ? screen()->logicalDotsPerInch() : kDesignedDpi));
    PlaceControls();
    SetUpGrid();
    resize(Scaled(kClientWidth), Scaled(kClientHeight));
    move(Scaled(kWindowLeft), Scaled(kWindowTop));
    DockPanels();
    MaskEdit1->setFocus();

    // Then the data components; the connection opens as they are made, and
    // a failure there leaves the constructor for the start-up report.
    data_ = std::make_unique<OrderDataModule>(OrderDataSetup{setup.connectionFile, setup.driverFile});
    wwDBGrid1->SetDataSource(&data_->DataSource1);
}

// The grid (a child widget) goes after the members, so it lets go of the data
// source before the data components go.
TFormDulvane::~TFormDulvane() { wwDBGrid1->SetDataSource(nullptr); }

TClientDataSet &TFormDulvane::OrderList() { return data_->ClientDataSet1; }
TClientDataSet &TFormDulvane::BackupSet() { return data_->ClientDataSet2; }
TSQLQuery &TFormDulvane::Statement() { return data_->SQLQuery1; }
TSQLConnection &TFormDulvane::Connection() { return data_->SQLConnection1; }

void TFormDulvane::CreateControls() {
    QFont font(QStringLiteral("細明體"));
    font.setPixelSize(kDesignedFontPixels);
    setFont(font);

    Panel1 = MakePanel(this, "Panel1");
    Label1 = MakeLabel(Panel1, "Label1", QStringLiteral("日期區間"));
    MaskEdit1 = new TDateBox(Panel1);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    Label2 = MakeLabel(Panel1, "Label2", QStringLiteral("~"));
    MaskEdit2 = new TDateBox(Panel1);
    MaskEdit2->setObjectName(QStringLiteral("MaskEdit2"));
    Label3 = MakeLabel(Panel1, "Label3", QStringLiteral("客戶區間"));
    Edit1 = MakeEdit(Panel1, "Edit1");
    Label4 = MakeLabel(Panel1, "Label4", QStringLiteral("~"));
    Edit2 = MakeEdit(Panel1, "Edit2");
    Label5 = MakeLabel(Panel1, "Label5", QStringLiteral("部門區間"));
    Edit3 = MakeEdit(Panel1, "Edit3");
    Label6 = MakeLabel(Panel1, "Label6", QStringLiteral("~"));
    Edit4 = MakeEdit(Panel1, "Edit4");
    SpeedButton1 = MakeSpeedButton(Panel1, "SpeedButton1", QStringLiteral("查詢"));
    SpeedButton2 = MakeSpeedButton(Panel1, "SpeedButton2", QStringLiteral("全選"));
    SpeedButton3 = MakeSpeedButton(Panel1, "SpeedButton3", QStringLiteral("刪除確認"));
    SpeedButton4 = MakeSpeedButton(Panel1, "SpeedButton4", QStringLiteral("資料備份"));

    Panel2 = MakePanel(this, "Panel2");
    wwDBGrid1 = new TwwDBGrid(Panel2);
    wwDBGrid1->setObjectName(QStringLiteral("wwDBGrid1"));

    Panel3 = MakePanel(this, "Panel3");
    LabelRecord = MakeLabel(Panel3, "LabelRecord", QStringLiteral("Record:"));

    // Each command reports its own failure where it starts: nothing may leave
    // a slot into the signal's dispatch.
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { RunHandler([this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { RunHandler([this] { SpeedButton2Click(); }); });
    connect(SpeedButton3, &QPushButton::clicked, this, [this] { RunHandler([this] { SpeedButton3Click(); }); });
    connect(SpeedButton4, &QPushButton::clicked, this, [this] { RunHandler([this] { SpeedButton4Click(); }); });

    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, wwDBGrid1);
}

void TFormDulvane::SetUpGrid() {
    TwwDBGrid &grid = *wwDBGrid1;
    grid.SetSelected({QStringLiteral("SELECT_YN\t1\t選"), QStringLiteral("MASTERBILLID\t20\t單號\tT"),
                      QStringLiteral("BILL_DATE\t10\t單據日期\tT"), QStringLiteral("FR_DATE\t10\t到貨日期\tT"),
                      QStringLiteral("CUST_ID\t10\t客戶代號\tT"), QStringLiteral("CUST_NAME\t50\t客戶名稱\tT"),
                      QStringLiteral("PD_DEPID\t10\t部門\tT")});
    grid.SetControlType({QStringLiteral("SELECT_YN;CheckBox;Y;N")});
    grid.SetFixedCols(0);
    grid.SetTitleLines(1);
    grid.SetTitleAlignment(TwwTitleAlignment::taLeftJustify);
    grid.SetTitleFont(font());  // the window's font, scaled with it
    grid.SetTitleButtons(false);
    grid.SetShowHorzScrollBar(true);
    grid.SetDisableThemesInTitle(false);
    TwwIniAttributes ini;
    ini.delimiter = QStringLiteral(";;");
    grid.SetIniAttributes(ini);
    grid.SetDittoAttributes(TwwDittoAttributes{});
    // The grid's questions come up as the program's own message dialog.
    grid.SetQuestion([this](const QString &text, GridQuestionButtons buttons) {
        return ::RunMessageDialog(text.toStdString(), DialogKind::Confirmation,
                                  buttons == GridQuestionButtons::YesNo ? mbYes | mbNo : mbOK | mbCancel);
    });
}

void TFormDulvane::ApplyDisplayScaling(double dpi) {
    const int pixels = FontPixelSizeFor(dpi);
    if (pixels == kDesignedFontPixels) return;
    QFont designed = font();
    QFont scaled = font();
    scaled.setPixelSize(pixels);
    setFont(scaled);
    // The stored layout belongs to a line of the 13-pixel font; whatever
    // height that font has on this system stands for the designed 13.
    const int designedHeight = QFontMetrics(designed).height();
    const int newHeight = QFontMetrics(scaled).height();
    if (newHeight != designedHeight && designedHeight > 0) {
        scaleNum_ = newHeight;
        scaleDen_ = designedHeight;
    }
}

int TFormDulvane::Scaled(int designed) const { return MulDiv(designed, scaleNum_, scaleDen_); }

void TFormDulvane::PlaceControls() {
    struct Entry {
        QWidget *control;
        Place place;
    };
    const Entry entries[] = {
        {Label1, {24, 16, 0, 0}},          {MaskEdit1, {88, 13, 97, 21}},     {Label2, {192, 16, 0, 0}},
        {MaskEdit2, {208, 13, 97, 21}},    {Label3, {24, 42, 0, 0}},          {Edit1, {87, 38, 99, 21}},
        {Label4, {192, 40, 0, 0}},         {Edit2, {207, 38, 99, 21}},        {Label5, {24, 66, 0, 0}},
        {Edit3, {87, 62, 99, 21}},         {Label6, {192, 64, 0, 0}},         {Edit4, {207, 62, 99, 21}},
        {SpeedButton1, {312, 42, 89, 41}}, {SpeedButton2, {402, 42, 89, 41}}, {SpeedButton3, {493, 42, 93, 41}},
        {SpeedButton4, {588, 42, 86, 41}}, {LabelRecord, {8, 8, 0, 0}},
    };
    for (const Entry &e : entries) {
        if (e.place.width == 0) {
            // Labels take the size of their text in the window's font.
            e.control->adjustSize();
            e.control->move(Scaled(e.place.left), Scaled(e.place.top));
        } else {
            e.control->setGeometry(Scaled(e.place.left), Scaled(e.place.top), Scaled(e.place.width),
                                   Scaled(e.place.height));
        }
    }
}

void TFormDulvane::DockPanels() {
    const int w = width();
    const int top = Scaled(kTopPanelHeight);
    const int bottom = Scaled(kBottomPanelHeight);
    Panel1->setGeometry(0, 0, w, top);
    Panel3->setGeometry(0, std::max(top, height() - bottom), w, bottom);
    Panel2->setGeometry(0, top, w, std::max(0, height() - top - bottom));
    // The grid fills Panel2 inside its one-pixel bevel.
    wwDBGrid1->setGeometry(1, 1, std::max(0, Panel2->width() - 2), std::max(0, Panel2->height() - 2));
}

void TFormDulvane::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    DockPanels();
}

void TFormDulvane::setVisible(bool visible) {
    if (visible && !shownOnce_) {
        // The show handler runs once, before the window first appears; the
        // window appears even when the handler failed.
        shownOnce_ = true;
        RunHandler([this] { FormShow(); });
    }
    QWidget::setVisible(visible);
}

void TFormDulvane::FormShow() {
    // A connection file that lets others read the password or change the
    // database is said once, before the operator starts work.
    if (data_->ConnectionWarning)
        RunMessageDialog(WindowConnectionWarningText(data_->ConnectionWarning), DialogKind::Warning, mbOK);
    // The backups are written to cds/ in the order data folder, so that is
    // where the folder is made (not in whatever folder the program was started
    // from), for its owner alone: it holds customer data. That folder may be
    // the user's data folder, made here on a first start too, so the notice
    // says where the backups will be. A folder that exists already, or cannot
    // be made, is no news.
    const std::string folder = DataFolder();
    if (MakeCdsFolder(folder).created) ShowNotice("Directory created OK\n" + folder + "cds");
}

void TFormDulvane::SpeedButton1Click() { QueryOrders(*this); }
void TFormDulvane::SpeedButton2Click() { SelectAllOrders(*this); }
void TFormDulvane::SpeedButton3Click() { DeleteTickedOrders(*this); }
void TFormDulvane::SpeedButton4Click() {
    // A long backup shows its progress and can be cancelled; cancelled, it
    // leaves no file behind and says nothing.
    const std::unique_ptr<WorkProgress> progress = StartProgress("資料備份");
    BackupOrders(*this, progress.get());
}

// A question the termination signal closed was never answered: the command
// that asked stops there, without a word, rather than take the closed box
// for an answer (a "no" to the backup question would go on to delete).
namespace {
int Answered(int answer) {
    if (TerminationRequested()) throw EAbort();
    return answer;
}
}  // namespace

int TFormDulvane::AppMessageBox(const std::string &text, const std::string &caption, unsigned style) {
    return Answered(::AppMessageBox(text, caption, style));
}

int TFormDulvane::RunMessageDialog(const std::string &text, DialogKind kind, unsigned buttons) {
    return Answered(::RunMessageDialog(text, kind, buttons));
}

void TFormDulvane::ShowNotice(const std::string &text) {
    ::ShowNotice(text);
    Answered(mrOk);
}

std::unique_ptr<WorkProgress> TFormDulvane::StartProgress(const std::string &caption) {
    return std::make_unique<DialogProgress>(this, QString::fromStdString(caption));
}

std::string TFormDulvane::BoxText(FilterBox box) const {
    switch (box) {
        case FilterBox::DateFrom:
            return MaskEdit1->ReadText().toStdString();
        case FilterBox::DateTo:
            return MaskEdit2->ReadText().toStdString();
        case FilterBox::CustomerFrom:
            return Edit1->text().toStdString();
        case FilterBox::CustomerTo:
            return Edit2->text().toStdString();
        case FilterBox::DepartmentFrom:
            return Edit3->text().toStdString();
        case FilterBox::DepartmentTo:
            return Edit4->text().toStdString();
    }
    return {};
}

void TFormDulvane::SetStatusText(const std::string &text) {
    LabelRecord->setText(QString::fromStdString(text));
    LabelRecord->adjustSize();  // the status line grows with its text
}

std::string TFormDulvane::DataFolder() const { return dataFolder_.empty() ? OrderDataFolder() : dataFolder_; }

std::tm TFormDulvane::LocalNow() const { return ::LocalNow(); }
