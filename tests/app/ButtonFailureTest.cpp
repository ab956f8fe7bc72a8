// A command started by a button that fails reports its failure from where it
// started, in the error box with the server's message, and the window goes
// on: clicked on the real window against a database that refuses the query.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BatchdelApplication.h"
#include "app/ErrorReport.h"
#include "app/FrmDulvane.h"
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/HandlerFailure.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/ModalAnswer.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

constexpr int kOrders = 12;

class ButtonFailure : public ::testing::Test {
protected:
    void SetUp() override {
        database = MakeTestDatabase(dir, kOrders);
        WriteConfigFiles(dir.path(), database);
        // The handlers' reports, seen on their way to the error box; a
        // failure that slipped through to the event loop's last resort
        // would reach the box without passing here.
        previous = SetFailureReporter([this](const std::exception &failure) {
            reported.push_back(FailureMessage(failure));
            ReportError(failure);
        });
    }
    void TearDown() override {
        if (form) form->close();
        form.reset();
        SetFailureReporter(previous);
    }

    void OpenWindow() {
        form = std::make_unique<TFormDulvane>(nullptr, FolderWindowSetup(dir.path()));
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Clicks the button and answers the box that comes up; returns its text.
    QString ClickAndAnswer(QPushButton *button) {
        SeenDialog seen;
        ClickInNextModal(&seen);
        QTest::mouseClick(button, Qt::LeftButton);
        return seen.seen ? seen.text : QString();
    }

    TempDir dir;
    std::string database;
    std::unique_ptr<TFormDulvane> form;
    FailureReporter previous;
    std::vector<std::string> reported;
};

}  // namespace

TEST_F(ButtonFailure, QueryOnAMissingColumnShowsTheServersMessageAndTheWindowGoesOn) {
    // The list's column is gone; the connection itself still opens.
    ExecuteSql(database, {"ALTER TABLE ORDER_MASTER DROP PD_DEPID"});
    OpenWindow();

    const QString shown = ClickAndAnswer(form->SpeedButton1);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("PD_DEPID"), std::string::npos) << reported[0];
    EXPECT_EQ(shown, QString::fromStdString(ErrorReportText(reported[0])));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->OrderList().Active());

    // The column is back: the same button lists the orders.
    ExecuteSql(database, {"ALTER TABLE ORDER_MASTER ADD PD_DEPID VARCHAR(10)"});
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_EQ(form->LabelRecord->text(), QStringLiteral("RecordCount: %1").arg(kOrders));
}

TEST_F(ButtonFailure, BackupOfAMissingDetailTableShowsTheServersMessage) {
    OpenWindow();
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    ASSERT_TRUE(form->OrderList().Active());
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);  // tick every order
    ExecuteSql(database, {"DROP TABLE ORDER_SUB"});

    const QString shown = ClickAndAnswer(form->SpeedButton4);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("ORDER_SUB"), std::string::npos) << reported[0];
    EXPECT_EQ(shown, QString::fromStdString(ErrorReportText(reported[0])));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->OrderList().Active());  // the list stays as it was
}

// A user who may read the orders but not delete them: 刪除確認 shows the
// server's words before it asks about a backup, and writes nothing.
TEST_F(ButtonFailure, DeletingWithoutTheRightToDeleteShowsTheServersWordsAndWritesNothing) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const ServerDatabase server("buttonrights");
    CreateDemoDatabase(server.connectString(), kOrders, 1, TestServerLogin());
    const std::string user = "BATCHDEL_G" + std::to_string(::getpid());
    ExecuteSql(server.connectString(),
               {"CREATE USER " + user + " PASSWORD 'limited1'", "GRANT SELECT ON ORDER_MASTER TO " + user,
                "GRANT SELECT ON ORDER_SUB TO " + user},
               TestServerLogin());
    struct UserDropped {
        std::function<void()> drop;
        ~UserDropped() { drop(); }
    } dropped{[&] {
        if (form) form->close();
        form.reset();
        ExecuteSql(server.connectString(), {"DROP USER " + user}, TestServerLogin());
    }};
    WriteConfigFiles(dir.path(), server.connectString(), {"User_Name=" + user, "Password=limited1"});
    OpenWindow();
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    ASSERT_TRUE(form->OrderList().Active());
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);  // tick every order

    QStringList seen;
    {
        DialogAnswers answers({QStringLiteral("Yes"), QString()});
        QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
        seen = answers.Seen();
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("no permission for DELETE access to TABLE ORDER_"), std::string::npos) << reported[0];
    ASSERT_EQ(seen.size(), 2) << seen.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(seen[1], QString::fromStdString(ErrorReportText(reported[0])));
    const std::filesystem::path cds = std::filesystem::path(dir.path()) / "cds";
    if (std::filesystem::exists(cds)) EXPECT_TRUE(std::filesystem::is_empty(cds));
    EXPECT_EQ(CountRows(server.connectString(), "SELECT COUNT(*) FROM ORDER_MASTER"), kOrders);
    EXPECT_TRUE(form->isVisible());
}
