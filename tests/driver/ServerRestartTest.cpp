// The server stopped and started again while the program runs: the statement
// that meets the stopped server fails with the client's words and the
// connection is dropped; once the server is back the next statement connects
// again by itself. The test runs a server of its own, so the shared one stays up.
#include <gtest/gtest.h>

#include <cstdio>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

int64_t DeleteLines(TSQLQuery &query, int order) {
    query.ClearSQL();
    query.AddSQL("DELETE FROM ORDER_SUB WHERE MASTERBILLID = :ORDER_ID");
    query.ParamByName("ORDER_ID").SetString(DemoOrderNumber(order));
    return query.Execute();
}

TEST(ServerRestart, NextStatementAfterTheServerIsBackConnectsAgain) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    TempDir dir;
    const std::string root = dir.file("server");
    PrivateServer server(root, 3081);
    ASSERT_TRUE(server.Started()) << server.StartOutput();

    // The database lives outside the server's folder, which a start makes anew.
    const std::string address = server.Address();
    const std::string password = server.Password();
    const std::string database = address + ":" + dir.file("orders.fdb");
    CreateDemoDatabase(database, 5, 1, DbLogin{"SYSDBA", password});
    WriteConfigFiles(dir.path(), database, {"Password=" + password});

    TSQLConnection connection("SQLConnection1");
    connection.ConnectionName = "Trelvo";
    connection.LoadParamsOnConnect = true;
    connection.LoginPrompt = false;
    connection.SetConnectionFile(dir.file("connections.ini"));
    connection.SetDriverFile(dir.file("drivers.ini"));
    TSQLQuery query("SQLQuery1");
    query.SetSQLConnection(&connection);
    EXPECT_GT(DeleteLines(query, 1), 0);

    server.Stop();
    try {
        DeleteLines(query, 2);
        FAIL() << "a statement ran without a server";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Kind(), FailureKind::ConnectionLost) << e.ServerCode() << " " << e.Message();
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(connection.Connected());
    // While the server is away every try says so, and nothing crashes.
    EXPECT_THROW(DeleteLines(query, 2), EDatabaseError);

    // The same server comes back: same folder, port and password.
    ASSERT_TRUE(server.StartAgain()) << "the server did not come back";

    EXPECT_GT(DeleteLines(query, 2), 0);
    EXPECT_TRUE(connection.Connected());
    const auto lines = DirectDatabase::Open(database, DbLogin{"SYSDBA", password})
                           .Query("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = '" + DemoOrderNumber(2) + "'");
    EXPECT_EQ(lines[0][0], "0");
    connection.Close();
}

}  // namespace
