// The server going down while a statement runs: the statement fails with the
// client's words, statements executed before it stay in effect, and nothing
// crashes. The test runs a server of its own, so the shared one stays up.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "tests/driver/DriverFixture.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

TEST(ServerStop, StatementRunningWhenTheServerStopsFailsAndEarlierOnesStay) {
    // Only where the shared test server runs: then a server can be started.
    BATCHDEL_REQUIRE_TEST_SERVER();
    TempDir dir;
    PrivateServer server(dir.file("server"), 3071);
    ASSERT_TRUE(server.Started()) << server.StartOutput();

    const std::string folder = server.Dir();
    const std::string file = folder + "/orders.fdb";
    const std::string database = server.Address() + ":" + file;
    const DbLogin login{"SYSDBA", server.Password()};
    CreateDemoDatabase(database, 5, 1, login);

    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    ISQLConnection *raw = nullptr;
    ASSERT_EQ(driver->getSQLConnection(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLConnection> connection(raw);
    ASSERT_EQ(connection->connect(database, "SYSDBA", login.password), SQLStatus::Success) << ErrorText(*connection);
    EXPECT_GT(RunStatement(*connection, "DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000001'"), 0);

    ISQLCommand *command = nullptr;
    ASSERT_EQ(connection->getSQLCommand(&command), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> longCommand(command);
    // Long enough to be running when the server goes.
    ASSERT_EQ(longCommand->prepare("SELECT COUNT(*) FROM RDB$FIELDS A, RDB$FIELDS B,"
                                   " RDB$FIELDS C, RDB$FIELDS D",
                                   0),
              SQLStatus::Success)
        << ErrorText(*longCommand);
    auto running = std::async(std::launch::async, [&] {
        ISQLCursor *cursor = nullptr;
        SQLStatus status = longCommand->execute(&cursor);
        std::unique_ptr<ISQLCursor> rows(cursor);
        if (status == SQLStatus::Success) status = rows->next();
        std::string text = status == SQLStatus::Success ? std::string()
                           : rows                       ? ErrorText(*rows)
                                                        : ErrorText(*longCommand);
        return std::make_pair(status, text);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    server.Stop();
    ASSERT_EQ(running.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const auto [status, text] = running.get();
    EXPECT_GE(status, SQLStatus::ServerError);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.find("connection"), std::string::npos) << text;

    // Further work fails the same way; closing is clean.
    ISQLCommand *after = nullptr;
    if (connection->getSQLCommand(&after) == SQLStatus::Success) {
        std::unique_ptr<ISQLCommand> afterCommand(after);
        EXPECT_GE(afterCommand->prepare("SELECT 1 FROM RDB$DATABASE", 0), SQLStatus::ServerError);
    }
    longCommand.reset();
    EXPECT_EQ(connection->disconnect(), SQLStatus::Success);

    // The file, opened in this process now that no server holds it, still
    // has the deletion made before the server went.
    EXPECT_EQ(CountRows(file, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000001'"), 0);
    EXPECT_EQ(CountRows(file, "SELECT COUNT(*) FROM ORDER_MASTER"), 5);
}

}  // namespace
