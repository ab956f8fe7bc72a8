#include "app/RestoreWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

#include "app/AppMessageBox.h"
#include "app/MessageForm.h"
#include "app/ProgressDialog.h"
#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "orders/CommandDays.h"
#include "orders/OrderConnection.h"
#include "workflow/WindowTexts.h"
#include "orders/OrderDataFolder.h"
#include "orders/OrderJournal.h"
#include "restore/BackupPair.h"
#include "restore/RestoreErrors.h"
#include "workflow/OrderWindow.h"

using namespace batchdel;

namespace {

enum RunColumn { kRunTime, kRunUser, kRunOrders, kRunLines, kRunBackup };
enum OrderColumn { kOrderNumber, kOrderBillDate, kOrderCustomer, kOrderLines, kOrderState };

QString Q(const std::string &text) { return QString::fromStdString(text); }

QTreeWidget *MakeList(QWidget *parent, const char *name, const QStringList &columns) {
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QLabel *MakeLabel(QWidget *parent, const QString &text, QWidget *buddy) {
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QString BackupText(const JournalRun &run, const std::string &why) {
    if (!run.HasBackup()) return QStringLiteral("無備份");
    if (!why.empty()) return QStringLiteral("備份檔已不存在：") + Q(run.backup);
    return Q(run.backup);
}

}  // namespace

TRestoreWindow::TRestoreWindow(QWidget *parent, const TRestoreWindowSetup &setup)
    : QWidget(parent, Qt::Window), connection_(std::make_unique<TSQLConnection>("SQLConnection1")), setup_(setup) {
    setObjectName(QStringLiteral("RestoreWindow"));
    setWindowTitle(QStringLiteral("還原訂單"));
    QFont font(QStringLiteral("細明體"));
    font.setPixelSize(13);
    setFont(font);

    RunList = MakeList(this, "RunList",
                       {QStringLiteral("時間"), QStringLiteral("使用者"), QStringLiteral("訂單"),
                        QStringLiteral("明細"), QStringLiteral("備份")});
    OrderList = MakeList(this, "OrderList",
                         {QStringLiteral("單號"), QStringLiteral("單據日期"), QStringLiteral("客戶"),
                          QStringLiteral("明細"), QStringLiteral("狀態")});
    RunsLabel = MakeLabel(this, QStringLiteral("刪除紀錄(&D)"), RunList);
    OrdersLabel = MakeLabel(this, QStringLiteral("訂單(&O)：勾選要還原的訂單，Ctrl+A 全選"), OrderList);
    RunState = new QLabel(this);
    RunState->setObjectName(QStringLiteral("RunState"));
    RunState->setTextFormat(Qt::PlainText);
    RunState->setWordWrap(true);
    RestoreButton = new QPushButton(QStringLiteral("還原(&R)"), this);
    RestoreButton->setObjectName(QStringLiteral("RestoreButton"));
    RestoreButton->setAutoDefault(false);
    CloseButton = new QPushButton(QStringLiteral("關閉(&C)"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);

    auto *top = new QWidget(this);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(RunsLabel);
    topLayout->addWidget(RunList);
    auto *bottom = new QWidget(this);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(OrdersLabel);
    bottomLayout->addWidget(OrderList);
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->addWidget(top);
    splitter_->addWidget(bottom);
    splitter_->setStretchFactor(1, 2);
    splitter_->setChildrenCollapsible(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RunState, 1);
    buttons->addWidget(RestoreButton);
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter_, 1);
    layout->addLayout(buttons);

    setTabOrder(RunList, OrderList);
    setTabOrder(OrderList, RestoreButton);
    setTabOrder(RestoreButton, CloseButton);

    connect(RunList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { ShowRun(item ? RunList->indexOfTopLevelItem(item) : -1); });
    connect(RestoreButton, &QPushButton::clicked, this, [this] { RestoreClick(); });
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    // Ctrl+A anywhere in the window ticks the orders: the lists select one
    // line at a time, so it has no other use here. A list with the focus
    // takes the key for itself (select all), so it is caught there too.
    RunList->installEventFilter(this);
    OrderList->installEventFilter(this);
    auto *tickAll = new QShortcut(QKeySequence::SelectAll, this);
    tickAll->setContext(Qt::WindowShortcut);
    connect(tickAll, &QShortcut::activated, this, [this] { TickAll(); });

    // Widths for the first use; the operator's own are kept after that.
    for (auto [column, width] : {std::pair{kRunTime, 150}, {kRunUser, 90}, {kRunOrders, 60}, {kRunLines, 60}})
        RunList->setColumnWidth(column, width);
    for (auto [column, width] :
         {std::pair{kOrderNumber, 120}, {kOrderBillDate, 90}, {kOrderCustomer, 220}, {kOrderLines, 60}})
        OrderList->setColumnWidth(column, width);
    resize(760, 520);
    RestoreSettings();

    // The connection of the main window, to the same database; a failure to
    // connect leaves the constructor for the start-up report.
    const ConnectionFileWarning warning = SetUpOrderConnection(*connection_, setup.connectionFile, setup.driverFile);
    connection_->Open();
    if (warning) RunState->setText(Q(WindowConnectionWarningText(warning)));
    LoadRuns();
    RunList->setFocus();
}

TRestoreWindow::~TRestoreWindow() = default;

std::string TRestoreWindow::DataFolder() const {
    return setup_.programFolder.empty() ? OrderDataFolder() : setup_.programFolder;
}

void TRestoreWindow::LoadRuns() {
    // The run selected before stays selected (after a restore).
    std::string kept;
    if (QTreeWidgetItem *item = RunList->currentItem()) {
        const JournalRun &run = runs_[static_cast<size_t>(RunList->indexOfTopLevelItem(item))];
        kept = run.time + "\t" + run.backup;
    }
    RunList->clear();
    OrderList->clear();
    try {
        runs_ = ReadJournalRuns(OrderJournalPath(DataFolder()), connection_->ParamValue("Database"));
    } catch (const Exception &failure) {
        runs_.clear();
        RunState->setText(Q(failure.Message()));
        return;
    }
    int select = 0;
    for (size_t i = 0; i < runs_.size(); ++i) {
        const JournalRun &run = runs_[i];
        const std::string why = WhyNotRestorable(run, DataFolder());
        auto *item = new QTreeWidgetItem(RunList);
        item->setText(kRunTime, Q(run.time));
        item->setText(kRunUser, Q(run.user));
        item->setText(kRunOrders, QString::number(run.orders.size()));
        item->setText(kRunLines, QString::number(run.Lines()));
        item->setText(kRunBackup, BackupText(run, why));
        item->setTextAlignment(kRunOrders, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kRunLines, Qt::AlignRight | Qt::AlignVCenter);
        if (!why.empty()) item->setToolTip(kRunBackup, Q(why));
        if (!kept.empty() && run.time + "\t" + run.backup == kept) select = static_cast<int>(i);
    }
    if (runs_.empty()) {
        RunState->setText(QStringLiteral("刪除紀錄中沒有這個資料庫的刪除"));
        return;
    }
    RunList->setCurrentItem(RunList->topLevelItem(select));
}

void TRestoreWindow::ShowRun(int index) {
    OrderList->clear();
    if (index < 0 || static_cast<size_t>(index) >= runs_.size()) return;
    const JournalRun &run = runs_[static_cast<size_t>(index)];
    std::string why = WhyNotRestorable(run, DataFolder());
    std::optional<BackupPair> pair;
    if (why.empty()) {
        try {
            const std::string folder = DataFolder() + "cds/";
            pair.emplace(BackupPair::Load(folder + run.HeaderFile(), folder + run.DetailFile(), false));
        } catch (const ERestoreRefused &failure) {
            why = RefusalText(failure);
        }
    }
    const bool restorable = why.empty();
    for (const JournalOrder &order : run.orders) {
        auto *item = new QTreeWidgetItem(OrderList);
        item->setText(kOrderNumber, Q(order.number));
        item->setText(kOrderLines, QString::number(order.lines));
        item->setTextAlignment(kOrderLines, Qt::AlignRight | Qt::AlignVCenter);
        if (const BackupOrder *backedUp = pair ? pair->Find(order.number) : nullptr) {
            if (backedUp->billDay) item->setText(kOrderBillDate, Q(CommandDayText(*backedUp->billDay)));
            item->setText(kOrderCustomer, Q(backedUp->customer));
        } else if (pair) {
            item->setText(kOrderState, QStringLiteral("不在備份中"));
        }
        if (run.restored.count(order.number)) item->setText(kOrderState, QStringLiteral("已還原"));
        // Only an order that can come back has a tick box.
        item->setFlags(restorable ? item->flags() | Qt::ItemIsUserCheckable : item->flags() & ~Qt::ItemIsUserCheckable);
        if (restorable) item->setCheckState(kOrderNumber, Qt::Unchecked);
    }
    if (OrderList->topLevelItemCount() > 0) OrderList->setCurrentItem(OrderList->topLevelItem(0));
    const size_t restored = run.restored.size();
    RunState->setText(restorable
                          ? Q(std::to_string(run.orders.size()) + " 筆訂單，已還原 " + std::to_string(restored) + " 筆")
                          : Q(why));
}

bool TRestoreWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::SelectAll)) {
        TickAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TRestoreWindow::TickAll() {
    for (int i = 0; i < OrderList->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = OrderList->topLevelItem(i);
        if (item->flags() & Qt::ItemIsUserCheckable) item->setCheckState(kOrderNumber, Qt::Checked);
    }
}

std::vector<std::string> TRestoreWindow::TickedOrders() const {
    std::vector<std::string> numbers;
    for (int i = 0; i < OrderList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = OrderList->topLevelItem(i);
        if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState(kOrderNumber) == Qt::Checked)
            numbers.push_back(item->text(kOrderNumber).toStdString());
    }
    return numbers;
}

void TRestoreWindow::RestoreClick() {
    QTreeWidgetItem *current = RunList->currentItem();
    if (!current) {
        RunMessageDialog("請先選擇一次刪除", DialogKind::Information, mbOK);
        return;
    }
    const JournalRun run = runs_[static_cast<size_t>(RunList->indexOfTopLevelItem(current))];
    if (const std::string why = WhyNotRestorable(run, DataFolder()); !why.empty()) {
        RunMessageDialog(why, DialogKind::Warning, mbOK);
        return;
    }
    const std::vector<std::string> numbers = TickedOrders();
    if (numbers.empty()) {
        RunMessageDialog("請先勾選要還原的訂單（Ctrl+A 全選）", DialogKind::Information, mbOK);
        return;
    }
    if (::AppMessageBox("確定還原所選的 " + std::to_string(numbers.size()) + " 筆訂單?", "還原訂單",
                        MB_YESNO | MB_ICONQUESTION) != mrYes)
        return;
    RunRestoreReport report;
    try {
        const std::unique_ptr<WorkProgress> progress =
            setup_.progress ? setup_.progress(this)
                            : std::make_unique<DialogProgress>(this, QStringLiteral("還原訂單"));
        report = RestoreRunOrders(*connection_, DataFolder(), run, numbers, progress.get(), setup_.restore);
    } catch (const Exception &failure) {
        report.stopped = failure.Message();
    }
    LoadRuns();
    const bool clean = report.refused.empty() && report.stopped.empty() && !report.cancelled && report.failed.empty() &&
                       report.notInBackup.empty() && report.otherThere.empty();
    RunMessageDialog(report.Text(), clean ? DialogKind::Information : DialogKind::Warning, mbOK);
}

void TRestoreWindow::closeEvent(QCloseEvent *event) {
    SaveSettings();
    QWidget::closeEvent(event);
}

namespace {
std::unique_ptr<QSettings> OpenSettings(const std::string &file) {
    if (!file.empty()) return std::make_unique<QSettings>(Q(file), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("batchdel"),
                                       QStringLiteral("restore-window"));
}
}  // namespace

void TRestoreWindow::RestoreSettings() {
    const auto settings = OpenSettings(setup_.settingsFile);
    if (const QByteArray geometry = settings->value("geometry").toByteArray(); !geometry.isEmpty())
        restoreGeometry(geometry);
    RunList->header()->restoreState(settings->value("runColumns").toByteArray());
    OrderList->header()->restoreState(settings->value("orderColumns").toByteArray());
    splitter_->restoreState(settings->value("split").toByteArray());
}

void TRestoreWindow::SaveSettings() const {
    const auto settings = OpenSettings(setup_.settingsFile);
    settings->setValue("geometry", saveGeometry());
    settings->setValue("runColumns", RunList->header()->saveState());
    settings->setValue("orderColumns", OrderList->header()->saveState());
    settings->setValue("split", splitter_->saveState());
}
