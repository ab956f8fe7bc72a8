// The window's start keeps customer data and the password private: a
// connection file every user may read is warned about once, before the
// first-start notice; one every user may change stops the start (both said
// in the window's own words); the cds folder the window makes is its owner's
// alone under the usual umask.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include "app/ErrorReport.h"
#include "app/FrmDulvane.h"
#include "orders/ConnectionFileCheck.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/ModalAnswer.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

mode_t ModeOf(const std::string &path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return 07777;
    return st.st_mode & 07777;
}

// A connection file to the window's database in a folder every user may
// enter, with the given mode; the folder stands for the program's.
TFormDulvaneSetup OpenFolderSetup(const TempDir &dir, mode_t fileMode) {
    WriteConfigFiles(dir.path(), WindowDatabasePath());
    chmod(dir.path().c_str(), 0755);
    chmod(dir.file("connections.ini").c_str(), fileMode);
    TFormDulvaneSetup setup = WindowSetup();
    setup.connectionFile = dir.file("connections.ini");
    setup.dataFolder = dir.path() + "/";
    return setup;
}

TEST(PrivateStart, ReadableConnectionFileIsWarnedAboutOnceAndTheBackupFolderIsPrivate) {
    TempDir dir;
    const TFormDulvaneSetup setup = OpenFolderSetup(dir, 0644);
    const mode_t oldMask = umask(022);
    TFormDulvane form(nullptr, setup);
    SeenDialog warning, notice;
    AnswerNextModal([&](QWidget *dialog) {
        warning.seen = true;
        warning.title = dialog->windowTitle();
        warning.text = DialogAnswers::TextOf(dialog);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        AnswerNextModal([&](QWidget *next) {  // the first-start notice comes next
            notice.text = DialogAnswers::TextOf(next);
            QTest::keyClick(next->focusWidget(), Qt::Key_Return);
        });
    });
    form.show();
    umask(oldMask);
    EXPECT_TRUE(warning.seen);
    EXPECT_EQ(warning.title, QStringLiteral("Warning"));
    // In the window's own words, the command that puts it right as it is.
    const std::string as = geteuid() == 0 ? "root" : std::string(getpwuid(geteuid())->pw_name) + " 或 root";
    EXPECT_EQ(warning.text.toStdString(), "連線設定檔 " + setup.connectionFile +
                                              "（權限 0644）每個使用者都能讀取，而檔案中有資料庫密碼。修正方法（以 " +
                                              as + " 執行）：chmod 640 " + setup.connectionFile);
    EXPECT_TRUE(notice.text.startsWith(QStringLiteral("Directory created OK"))) << notice.text.toStdString();
    EXPECT_EQ(ModeOf(dir.path() + "/cds"), 0700u);

    // Once: showing the window again says nothing more.
    bool again = false;
    AnswerNextModal([&](QWidget *dialog) {
        again = true;
        dialog->close();
    });
    form.hide();
    form.show();
    EXPECT_FALSE(again);
    form.close();
}

TEST(PrivateStart, ConnectionFileEveryUserMayChangeStopsTheStart) {
    TempDir dir;
    const TFormDulvaneSetup setup = OpenFolderSetup(dir, 0666);
    try {
        TFormDulvane form(nullptr, setup);
        FAIL() << "the window was made";
    } catch (const EUnsafeConnectionFile &refusal) {
        EXPECT_NE(refusal.Message().find("can be changed by every user (mode 0666)"), std::string::npos)
            << refusal.Message();
        // The start-up report the program then shows is in the window's words.
        SeenDialog report;
        AnswerNextModal([&](QWidget *dialog) {
            report = {true, dialog->windowTitle(), DialogAnswers::TextOf(dialog)};
            if (auto *box = qobject_cast<QMessageBox *>(dialog)) box->button(QMessageBox::Ok)->click();
        });
        ShowFatalError(refusal, 0);
        ASSERT_TRUE(report.seen);
        const std::string as = geteuid() == 0 ? "root" : std::string(getpwuid(geteuid())->pw_name) + " 或 root";
        EXPECT_EQ(report.text.toStdString(),
                  "Exception EUnsafeConnectionFile in module app_tests at 00000000.\r\n連線設定檔 " +
                      setup.connectionFile +
                      " 每個使用者都能修改（權限 0666），任何人都能決定從哪個資料庫刪除訂單，因此不使用這個檔案，"
                      "未做任何事。修正方法（以 " +
                      as + " 執行）：chmod 640 " + setup.connectionFile + ".\r\n");
    }
}

}  // namespace
