// A progress window is gone before whatever follows its work comes up: the
// backup's completion notice, the deletion's own progress, the closing
// notices, an error report; after a success, a failure or a Cancel. Each
// window that comes up is checked for the other windows on screen while it
// is up.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <ostream>
#include <vector>

#include "app/FrmDulvane.h"
#include "app/ProgressForm.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

constexpr int kOrders = 300;

// A window that came up while a command ran, and the titles of the other
// windows (besides the main window) seen on screen while it was up.
struct SeenWindow {
    QString text;  // a message's text; a progress window as "[caption]"
    QStringList others;
};

// Watches the windows while a command runs. Each message dialog is answered
// in turn (a button's text, or Enter once the answers run out) after it has
// been up for a few turns of its event loop, so a window coming back beside
// it is seen too. A progress window is left to its work, unless it is the
// one to cancel: that one's Cancel is clicked as soon as it is up.
class WindowWatch {
public:
    WindowWatch(QWidget *main, QStringList answers, QString cancelCaption)
        : main_(main), answers_(std::move(answers)), cancelCaption_(std::move(cancelCaption)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(2);
    }
    const std::vector<SeenWindow> &Seen() const { return seen_; }

private:
    static constexpr int kTurnsBeforeAnswer = 3;

    static QString TextOf(QWidget *dialog) {
        if (auto *progress = qobject_cast<TProgressForm *>(dialog))
            return QLatin1Char('[') + progress->windowTitle() + QLatin1Char(']');
        return DialogAnswers::TextOf(dialog);
    }
    // Notes the windows on screen besides the main window and this one.
    void NoteOthers(QWidget *window) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != window && w != main_ && !seen_.back().others.contains(TextOf(w)))
                seen_.back().others << TextOf(w);
    }
    void Tick() {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<TProgressForm *>(w);
            if (!progress || !progress->isVisible() || progressesSeen_.contains(progress)) continue;
            progressesSeen_ << progress;
            seen_.push_back({TextOf(progress), {}});
            NoteOthers(progress);
            if (progress->windowTitle() == cancelCaption_) progress->CancelButton->click();
        }
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || qobject_cast<TProgressForm *>(dialog)) return;
        if (dialog != current_) {
            current_ = dialog;
            turns_ = 0;
            seen_.push_back({TextOf(dialog), {}});
        }
        NoteOthers(dialog);
        if (++turns_ < kTurnsBeforeAnswer) return;
        const QString answer = answered_ < answers_.size() ? answers_[answered_] : QString();
        ++answered_;
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (!answer.isEmpty() && QString(button->text()).remove(QLatin1Char('&')) == answer) {
                button->click();
                return;
            }
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    }

    QWidget *main_;
    QStringList answers_;
    QString cancelCaption_;
    std::vector<SeenWindow> seen_;
    QList<QPointer<QWidget>> progressesSeen_;
    QPointer<QWidget> current_;
    int turns_ = 0;
    qsizetype answered_ = 0;
    QTimer timer_;
};

enum class Command { Backup, DeleteWithBackup };
enum class Fault { None, BackupFails, DeletionFails };

struct ProgressCase {
    const char *name;
    Command command;
    Fault fault;
    QString cancel;        // the caption of the progress window to cancel, or empty
    QStringList expected;  // what each window that came up says (a part of it)
};

// Failures name the case, not its bytes.
void PrintTo(const ProgressCase &c, std::ostream *os) { *os << c.name; }

const QString kAskDelete = QStringLiteral("確定刪除所選資料?");
const QString kAskBackup = QStringLiteral("刪除前是否將資料備份到單機?");
const QString kBackupProgress = QStringLiteral("[資料備份]");
const QString kBackupDone = QStringLiteral("資料備份完成..!");
const QString kDeletionProgress = QStringLiteral("[刪除訂單]");
const QString kNotInBackup = QStringLiteral("筆勾選的訂單不在本次備份中，未刪除。");
const QString kCancelled = QStringLiteral("已取消：");
const QString kHeld = QStringLiteral("order held");

// A shown window on 300 orders, all listed and ticked; then the customer
// boxes are narrowed, so the backup holds about half of the ticked orders
// (more than one round trip of the deletion takes) and the deletion ends
// with a notice. Reading a header and deleting one
// take a while, so the backup and the deletion each run long enough for
// their progress windows to come up.
class ProgressWindow : public ::testing::TestWithParam<ProgressCase> {
protected:
    void SetUp() override {
        database = MakeTestDatabase(dir, kOrders);
        ExecuteSql(database, {"CREATE FUNCTION SLOW_READ RETURNS INTEGER AS DECLARE I INTEGER = 0;"
                              " BEGIN WHILE (I < 150000) DO I = I + 1; RETURN 0; END"});
        ExecuteSql(database, {"ALTER TABLE ORDER_MASTER ADD SLOW_COL COMPUTED BY (SLOW_READ())"});
        ExecuteSql(database, {"CREATE TRIGGER SLOW_DELETE FOR ORDER_MASTER BEFORE DELETE AS"
                              " DECLARE I INTEGER = 0; BEGIN WHILE (I < 200000) DO I = I + 1; END"});
        ExecuteSql(database, {"CREATE EXCEPTION ORDER_HELD 'order held'"});
        WriteConfigFiles(dir.path(), database);
        form = std::make_unique<TFormDulvane>(nullptr, FolderWindowSetup(dir.path()));
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
        form->Edit1->setText(QStringLiteral("C0001"));
        form->Edit2->setText(QStringLiteral("C0150"));
    }
    void TearDown() override {
        if (form) form->close();
    }
    // The last order the backup holds: the faults strike it, once the
    // progress window is up.
    void Arrange(Fault fault) {
        const std::string last =
            QueryRows(database, "SELECT MAX(MASTERBILLID) FROM ORDER_MASTER WHERE CUST_ID <= 'C0150'").at(0).at(0);
        if (fault == Fault::BackupFails) {
            // Its detail lines cannot be read.
            ExecuteSql(database, {"CREATE FUNCTION HOLD RETURNS INTEGER AS BEGIN EXCEPTION ORDER_HELD; RETURN 0; END"});
            ExecuteSql(database,
                       {"ALTER TABLE ORDER_SUB ADD HELD COMPUTED BY (IIF(MASTERBILLID = '" + last + "', HOLD(), 0))"});
        } else if (fault == Fault::DeletionFails) {
            ExecuteSql(database, {"CREATE TRIGGER HOLD_LAST FOR ORDER_MASTER BEFORE DELETE AS BEGIN IF"
                                  " (OLD.MASTERBILLID = '" +
                                  last + "') THEN EXCEPTION ORDER_HELD; END"});
        }
    }

    TempDir dir;
    std::string database;
    std::unique_ptr<TFormDulvane> form;
};

QString Listed(const std::vector<SeenWindow> &seen) {
    QStringList lines;
    for (const SeenWindow &window : seen) lines << window.text + QStringLiteral(" | ") + window.others.join(',');
    return lines.join(QLatin1Char('\n'));
}

TEST_P(ProgressWindow, IsAloneOnScreenWithTheMainWindowAtEachStep) {
    const ProgressCase &c = GetParam();
    Arrange(c.fault);
    std::vector<SeenWindow> seen;
    {
        WindowWatch watch(form.get(), {QStringLiteral("Yes"), QStringLiteral("Yes")}, c.cancel);
        QTest::mouseClick(c.command == Command::Backup ? form->SpeedButton4 : form->SpeedButton3, Qt::LeftButton);
        seen = watch.Seen();
    }
    ASSERT_EQ(seen.size(), static_cast<size_t>(c.expected.size())) << Listed(seen).toStdString();
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_TRUE(seen[i].text.contains(c.expected[static_cast<qsizetype>(i)])) << Listed(seen).toStdString();
        EXPECT_TRUE(seen[i].others.isEmpty()) << Listed(seen).toStdString();
    }
    // Nothing is left on screen after the command.
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_TRUE(w == form.get() || !w->isVisible()) << w->windowTitle().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ProgressWindow,
    ::testing::Values(
        ProgressCase{"BackupDone", Command::Backup, Fault::None, {}, {kBackupProgress, kBackupDone}},
        ProgressCase{"BackupFails", Command::Backup, Fault::BackupFails, {}, {kBackupProgress, kHeld}},
        ProgressCase{"BackupCancelled", Command::Backup, Fault::None, QStringLiteral("資料備份"), {kBackupProgress}},
        ProgressCase{"DeletionDone",
                     Command::DeleteWithBackup,
                     Fault::None,
                     {},
                     {kAskDelete, kAskBackup, kBackupProgress, kBackupDone, kDeletionProgress, kNotInBackup}},
        ProgressCase{"DeletionFails",
                     Command::DeleteWithBackup,
                     Fault::DeletionFails,
                     {},
                     {kAskDelete, kAskBackup, kBackupProgress, kBackupDone, kDeletionProgress, kHeld}},
        ProgressCase{
            "DeletionCancelled",
            Command::DeleteWithBackup,
            Fault::None,
            QStringLiteral("刪除訂單"),
            {kAskDelete, kAskBackup, kBackupProgress, kBackupDone, kDeletionProgress, kNotInBackup, kCancelled}},
        ProgressCase{"BackupBeforeDeletionFails",
                     Command::DeleteWithBackup,
                     Fault::BackupFails,
                     {},
                     {kAskDelete, kAskBackup, kBackupProgress, kHeld}},
        ProgressCase{"BackupBeforeDeletionCancelled",
                     Command::DeleteWithBackup,
                     Fault::None,
                     QStringLiteral("資料備份"),
                     {kAskDelete, kAskBackup, kBackupProgress}}),
    [](const ::testing::TestParamInfo<ProgressCase> &param) { return std::string(param.param.name); });

}  // namespace
