// A connection lost in the middle of the work: the failure is reported with
// the server's words, what was done before stays done, nothing crashes.
#include "tests/driver/BackendFixture.h"

using namespace batchdel;

namespace {

using LostConnection = BackendTest;

TEST_P(LostConnection, ReportsTheFailureAndKeepsEarlierStatements) {
    const std::string lines = "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000002'";
    ASSERT_GT(Count(lines), 0);
    EXPECT_GT(RunStatement(*connection_, "DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000002'"), 0);

    OpenQuery id = Query(*connection_, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
    ASSERT_NE(id.cursor, nullptr);
    const std::string attachment = FetchAll(*id.cursor)[0][0];
    id = {};

    ISQLCommand *raw = nullptr;
    ASSERT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> command(raw);
    ASSERT_EQ(command->prepare("DELETE FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000002'", 0), SQLStatus::Success);
    OpenQuery open = Query(*connection_, "SELECT * FROM ORDER_MASTER");
    ASSERT_NE(open.cursor, nullptr);

    // Another user (an administrator, or the server going down) ends the
    // attachment.
    ExecuteSql(database_, {"DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + attachment}, LoginFor(database_));

    ISQLCursor *cursor = nullptr;
    EXPECT_GE(command->execute(&cursor), SQLStatus::ServerError);
    const std::string text = ErrorText(*command);
    EXPECT_NE(text.find("shutdown"), std::string::npos) << text;

    // The open cursor ends in an error or, with rows already sent over, at
    // its end; either way without a crash.
    SQLStatus status;
    while ((status = open.cursor->next()) == SQLStatus::Success) {}
    EXPECT_TRUE(status >= SQLStatus::ServerError || IsEndOfRows(status)) << status;
    open = {};
    command.reset();
    EXPECT_EQ(connection_->disconnect(), SQLStatus::Success);

    EXPECT_EQ(Count(lines), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000002'"), 1);
}

BATCHDEL_ON_EACH_BACKEND(LostConnection);

}  // namespace
