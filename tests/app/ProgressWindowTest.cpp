// The progress window of a long backup is gone before whatever follows its
// work comes up: the completion notice, the deletion's own progress, the
// closing notices, an error report. Each dialog that comes up is checked for
// the other windows on screen at that moment.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "DialogAnswers.h"
#include "FrmDulvane.h"
#include "TestSupport.h"

namespace {

constexpr int kOrders = 100;

// Answers the message dialogs in turn, as DialogAnswers does, and notes for
// each the titles of the other windows visible besides the main window. A
// progress window is left to the work: it is what is being watched.
class WindowsAtEachDialog {
public:
    WindowsAtEachDialog(QWidget *main, QStringList answers) : main_(main), answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(2);
    }
    // "text | other windows" for each dialog, in order.
    const QStringList &Seen() const { return seen_; }
    // Whether a progress window was up at all: without one there is nothing to check.
    bool ProgressSeen() const { return progressSeen_; }

private:
    void Tick() {
        QWidget *dialog = QApplication::activeModalWidget();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QProgressDialog *>(w) && w->isVisible()) progressSeen_ = true;
        if (!dialog || qobject_cast<QProgressDialog *>(dialog) || dialog == last_) return;
        last_ = dialog;
        QStringList others;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != dialog && w != main_) others << w->windowTitle();
        seen_ << DialogAnswers::TextOf(dialog) + QStringLiteral(" | ") + others.join(QLatin1Char(','));
        const QString answer = seen_.size() <= answers_.size() ? answers_[seen_.size() - 1] : QString();
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (!answer.isEmpty() && QString(button->text()).remove(QLatin1Char('&')) == answer) {
                button->click();
                return;
            }
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    }

    QWidget *main_;
    QStringList answers_;
    QStringList seen_;
    QPointer<QWidget> last_;
    bool progressSeen_ = false;
    QTimer timer_;
};

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override {
        database = MakeTestDatabase(dir, kOrders);
        // Every header takes a while to read, so the backup runs long enough
        // for its progress window to come up.
        ExecuteSql(database, {"CREATE FUNCTION SLOW_READ RETURNS INTEGER AS DECLARE I INTEGER = 0;"
                              " BEGIN WHILE (I < 150000) DO I = I + 1; RETURN 0; END"});
        ExecuteSql(database, {"ALTER TABLE ORDER_MASTER ADD SLOW_COL COMPUTED BY (SLOW_READ())"});
        WriteConfigFiles(dir.path(), database);
        TFormDulvaneSetup setup;
        setup.dpi = 96;
        setup.connectionFile = dir.file("connections.ini");
        setup.driverFile = dir.file("drivers.ini");
        setup.programFolder = dir.path() + "/";
        QDir().mkpath(QString::fromStdString(dir.path() + "/cds"));
        form = std::make_unique<TFormDulvane>(nullptr, setup);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    }
    void TearDown() override {
        if (form) form->close();
    }

    TempDir dir;
    std::string database;
    std::unique_ptr<TFormDulvane> form;
};

TEST_F(ProgressWindow, IsGoneWhenTheBackupsNoticeComesUp) {
    WindowsAtEachDialog watch(form.get(), {});
    QTest::mouseClick(form->SpeedButton4, Qt::LeftButton);
    EXPECT_TRUE(watch.ProgressSeen());
    EXPECT_EQ(watch.Seen(), QStringList{QStringLiteral("資料備份完成..! | ")});
}

TEST_F(ProgressWindow, IsGoneAtEachStepOfADeletionWithABackup) {
    WindowsAtEachDialog watch(form.get(), {QStringLiteral("Yes"), QStringLiteral("Yes")});
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(watch.Seen(),
              QStringList({QStringLiteral("確定刪除所選資料? | "), QStringLiteral("刪除前是否將資料備份到單機? | "),
                           QStringLiteral("資料備份完成..! | ")}));
    EXPECT_TRUE(watch.ProgressSeen());
    EXPECT_EQ(CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER"), 0);
}

TEST_F(ProgressWindow, IsGoneWhenAFailingBackupsErrorComesUp) {
    // The lines of the last order cannot be read: the backup fails once its
    // progress window is up.
    const std::string last = QueryRows(database, "SELECT MAX(MASTERBILLID) FROM ORDER_MASTER").at(0).at(0);
    ExecuteSql(database,
               {"ALTER TABLE ORDER_SUB ADD BROKEN COMPUTED BY (1 / IIF(MASTERBILLID = '" + last + "', 0, 1))"});
    WindowsAtEachDialog watch(form.get(), {});
    QTest::mouseClick(form->SpeedButton4, Qt::LeftButton);
    EXPECT_TRUE(watch.ProgressSeen());
    ASSERT_EQ(watch.Seen().size(), 1);
    EXPECT_TRUE(watch.Seen()[0].contains(QStringLiteral("divide by zero")) ||
                watch.Seen()[0].contains(QStringLiteral("Arithmetic")))
        << watch.Seen()[0].toStdString();
    EXPECT_TRUE(watch.Seen()[0].endsWith(QStringLiteral(" | "))) << watch.Seen()[0].toStdString();
}

}  // namespace
