// A connection the server has ended is dropped, and the next statement
// connects again by itself; a row another user holds is reported with the
// server's words instead of being waited for without end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

void Configure(TSQLConnection &connection, const std::string &folder) {
    connection.ConnectionName = "Trelvo";
    connection.LoadParamsOnConnect = true;
    connection.LoginPrompt = false;
    connection.SetConnectionFile(folder + "/connections.ini");
    connection.SetDriverFile(folder + "/drivers.ini");
}

int64_t RunText(TSQLQuery &query, const std::string &text) {
    query.ClearSQL();
    query.AddSQL(text);
    return query.Execute();
}

std::string DeleteLines(int order) {
    return "DELETE FROM ORDER_SUB WHERE MASTERBILLID = '" + DemoOrderNumber(order) + "'";
}

class ConnectionLostTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) {
            BATCHDEL_REQUIRE_TEST_SERVER();
            server_ = std::make_unique<ServerDatabase>("lost");
            CreateDemoDatabase(server_->connectString(), 5, 1, TestServerLogin());
            database_ = server_->connectString();
        } else {
            database_ = MakeTestDatabase(dir_, 5);
        }
        WriteConfigFiles(dir_.path(), database_);
        Configure(connection_, dir_.path());
        query_.SetSQLConnection(&connection_);
    }

    int64_t Lines(int order) {
        return CountRows(database_,
                         "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = '" + DemoOrderNumber(order) + "'");
    }

    TempDir dir_;
    std::unique_ptr<ServerDatabase> server_;
    std::string database_;
    TSQLConnection connection_{"SQLConnection1"};
    TSQLQuery query_{"SQLQuery1"};
};

TEST_P(ConnectionLostTest, ConnectionEndedByTheServerIsDroppedAndTheNextStatementConnectsAgain) {
    EXPECT_GT(RunText(query_, DeleteLines(1)), 0);
    // An administrator (or a server shutting down) ends every other attachment.
    ExecuteSql(database_, {"DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"},
               LoginFor(database_));
    try {
        RunText(query_, DeleteLines(2));
        FAIL() << "a statement ran on an ended connection";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Kind(), FailureKind::ConnectionLost) << e.ServerCode() << " " << e.Message();
        EXPECT_NE(e.Message().find("shutdown"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(connection_.Connected());
    EXPECT_EQ(connection_.CommandsInUse(), 0);
    EXPECT_GT(Lines(2), 0);

    EXPECT_GT(RunText(query_, DeleteLines(2)), 0);
    EXPECT_TRUE(connection_.Connected());
    EXPECT_EQ(Lines(2), 0);
}

TEST_P(ConnectionLostTest, RowHeldByAnotherUserIsReportedNotWaitedFor) {
    // Unset, waiting a moment, and not waiting at all.
    for (const char *setting : {"", "WaitOnLocks=True", "WaitOnLocks=False"}) {
        SCOPED_TRACE(setting);
        TempDir folder;
        WriteConfigFiles(folder.path(), database_, {setting});
        TSQLConnection waiting("SQLConnection2");
        Configure(waiting, folder.path());
        TSQLQuery deletion("SQLQuery2");
        deletion.SetSQLConnection(&waiting);

        // Another user has changed order 3 and not yet committed.
        connection_.StartTransaction();
        RunText(query_, "UPDATE ORDER_SUB SET ITEM_NAME = 'busy' WHERE MASTERBILLID = '" + DemoOrderNumber(3) + "'");
        try {
            RunText(deletion, DeleteLines(3));
            ADD_FAILURE() << "deleted rows another user holds";
        } catch (const EDatabaseError &e) {
            EXPECT_EQ(e.Kind(), FailureKind::LockConflict) << e.ServerCode() << " " << e.Message();
            EXPECT_NE(e.Message().find("conflict"), std::string::npos) << e.Message();
        }
        connection_.Rollback();
        EXPECT_TRUE(waiting.Connected());
        EXPECT_GT(RunText(deletion, DeleteLines(3)), 0);
        // A line back for the next round.
        ExecuteSql(database_,
                   {"INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('" + DemoOrderNumber(3) + "', 1)"},
                   LoginFor(database_));
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, ConnectionLostTest, BothBackends(), BackendCaseName);

}  // namespace
