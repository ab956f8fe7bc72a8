// Running the deletion statements through the statement component on a real
// database: each statement takes effect when Execute returns, a prepared text
// is reused, and a failure leaves what ran before it in effect. The suite runs
// on an embedded database and, when scripts/test started one, on the server.
#include <gtest/gtest.h>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

const std::string kSubLine1 = "DELETE FROM ORDER_SUB  ";
const std::string kMasterLine1 = "DELETE FROM ORDER_MASTER  ";
std::string WhereLine(const std::string &order) { return " WHERE MASTERBILLID = '" + order + "'"; }

class SqlQueryTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) {
            BATCHDEL_REQUIRE_TEST_SERVER();
            server_ = std::make_unique<ServerDatabase>("sqlquery");
            CreateDemoDatabase(server_->connectString(), 5, 1, TestServerLogin());
            database_ = server_->connectString();
        } else {
            database_ = MakeTestDatabase(dir_, 5);
        }
        WriteConfigFiles(dir_.path(), database_);
        connection_.ConnectionName = "Trelvo";
        connection_.LoadParamsOnConnect = true;
        connection_.LoginPrompt = false;
        connection_.SetConnectionFile(dir_.file("connections.ini"));
        connection_.SetDriverFile(dir_.file("drivers.ini"));
        query_.SetSQLConnection(&connection_);
    }

    int64_t Count(const std::string &sql) { return CountRows(database_, sql); }
    int64_t SubLines(const std::string &order) {
        return Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = '" + order + "'");
    }
    int64_t Headers(const std::string &order) {
        return Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = '" + order + "'");
    }

    // A trigger that refuses to delete the header of one order.
    void KeepOrder(const std::string &order) {
        ExecuteSql(database_, {"CREATE EXCEPTION KEEP_ORDER 'order is kept'"}, LoginFor(database_));
        ExecuteSql(database_,
                   {"CREATE TRIGGER ORDER_MASTER_KEEP FOR ORDER_MASTER BEFORE DELETE AS BEGIN"
                    " IF (OLD.MASTERBILLID = '" +
                    order + "') THEN EXCEPTION KEEP_ORDER; END"},
                   LoginFor(database_));
    }

    // The deletion's statement: close, clear, two lines, execute.
    int64_t Run(const std::string &line1, const std::string &order) {
        query_.Close();
        query_.ClearSQL();
        query_.AddSQL(line1);
        query_.AddSQL(WhereLine(order));
        return query_.Execute();
    }

    TempDir dir_;
    std::unique_ptr<ServerDatabase> server_;
    std::string database_;
    TSQLConnection connection_{"SQLConnection1"};
    TSQLQuery query_{"SQLQuery1"};
};

TEST_P(SqlQueryTest, TextIsEveryLineFollowedByCrLf) {
    query_.AddSQL(kSubLine1);
    query_.AddSQL(WhereLine("SO00000001"));
    EXPECT_EQ(query_.Text(), "DELETE FROM ORDER_SUB  \r\n WHERE MASTERBILLID = 'SO00000001'\r\n");
    EXPECT_TRUE(query_.ParamNames().empty());
    query_.ClearSQL();
    EXPECT_EQ(query_.Text(), "");
}

TEST_P(SqlQueryTest, DeletesTakeEffectWhenExecuteReturns) {
    const std::string order = DemoOrderNumber(1);
    const int64_t lines = SubLines(order);
    ASSERT_GT(lines, 0);

    EXPECT_EQ(Run(kSubLine1, order), lines);
    EXPECT_EQ(SubLines(order), 0);  // seen by another attachment: committed
    EXPECT_EQ(Run(kMasterLine1, order), 1);
    EXPECT_EQ(Headers(order), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 4);
    EXPECT_FALSE(connection_.InTransaction());
}

TEST_P(SqlQueryTest, DeleteMatchingNoRowsGivesZero) {
    EXPECT_EQ(Run(kSubLine1, "NO-SUCH-ORDER"), 0);
    EXPECT_EQ(Run(kMasterLine1, "NO-SUCH-ORDER"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 5);
}

TEST_P(SqlQueryTest, SameTextIsExecutedAgainWithoutPreparingAgain) {
    const std::string order = DemoOrderNumber(2);
    EXPECT_GT(Run(kSubLine1, order), 0);
    EXPECT_EQ(query_.PrepareCount(), 1);
    EXPECT_EQ(connection_.CommandsInUse(), 1);  // kept prepared after the execute

    EXPECT_EQ(query_.Execute(), 0);
    EXPECT_EQ(query_.Execute(), 0);
    EXPECT_EQ(query_.PrepareCount(), 1);

    // Any change of the lines frees the command, even back to the same text.
    query_.ClearSQL();
    EXPECT_EQ(connection_.CommandsInUse(), 0);
    query_.AddSQL(kSubLine1);
    query_.AddSQL(WhereLine(order));
    EXPECT_EQ(query_.Execute(), 0);
    EXPECT_EQ(query_.PrepareCount(), 2);
}

TEST_P(SqlQueryTest, BoundOrderNumbersDeleteEachOrderWithOnePrepare) {
    query_.AddSQL(kSubLine1);
    query_.AddSQL(" WHERE MASTERBILLID = :ORDER_ID");
    EXPECT_EQ(query_.ParamNames(), std::vector<std::string>{"ORDER_ID"});
    ASSERT_EQ(query_.Params().Count(), 1);
    for (int n = 1; n <= 3; ++n) {
        const std::string order = DemoOrderNumber(n);
        const int64_t lines = SubLines(order);
        ASSERT_GT(lines, 0);
        query_.ParamByName("order_id").SetString(order);
        EXPECT_EQ(query_.Execute(), lines);
        EXPECT_EQ(SubLines(order), 0);
    }
    EXPECT_EQ(query_.PrepareCount(), 1);
    EXPECT_GT(SubLines(DemoOrderNumber(4)), 0);

    // A value stays with its name while the text keeps the name, and goes
    // with the name.
    query_.AddSQL(" AND 1 = 1");
    EXPECT_EQ(query_.Params()[0].AsString(), DemoOrderNumber(3));
    query_.ClearSQL();
    query_.AddSQL("DELETE FROM ORDER_MASTER WHERE MASTERBILLID = :Order_Id");
    EXPECT_FALSE(query_.ParamByName("ORDER_ID").IsAssigned());
    EXPECT_THROW(query_.Execute(), EDatabaseError);
    query_.ParamByName("ORDER_ID").SetString(DemoOrderNumber(3));
    EXPECT_EQ(query_.Execute(), 1);
    EXPECT_EQ(Headers(DemoOrderNumber(3)), 0);

    // NULL matches nothing; a name the text lacks is refused.
    query_.ParamByName("ORDER_ID").SetNull();
    EXPECT_EQ(query_.Execute(), 0);
    try {
        query_.ParamByName("NOPE");
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "SQLQuery1: Parameter 'NOPE' not found");
    }
}

TEST_P(SqlQueryTest, MarkersInQuotesAreTextAndANameUsedTwiceTakesOneValue) {
    query_.AddSQL("UPDATE ORDER_MASTER SET REMARK = ':NOT_A_MARKER' || :TAG");
    query_.AddSQL(" WHERE MASTERBILLID = :ID OR (MASTERBILLID > :ID AND :TAG = 'never')");
    ASSERT_EQ(query_.Params().Count(), 2);
    query_.ParamByName("ID").SetString(DemoOrderNumber(2));
    query_.ParamByName("TAG").SetString("它");
    EXPECT_EQ(query_.Execute(), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE REMARK = ':NOT_A_MARKER它'"), 1);
}

TEST_P(SqlQueryTest, FailingStatementLeavesEarlierOnesInEffect) {
    const std::string first = DemoOrderNumber(1), second = DemoOrderNumber(2);
    Run(kSubLine1, first);
    Run(kMasterLine1, first);

    // The header of an order with detail lines is held by the foreign key.
    try {
        Run(kMasterLine1, second);
        FAIL() << "the database accepted an orphaning delete";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(e.Message().find("FOREIGN KEY"), std::string::npos) << e.Message();
        EXPECT_EQ(connection_.LastErrorText(), e.Message());
        EXPECT_EQ(e.ServerCode(), 335544466);  // isc_foreign_key
        EXPECT_EQ(e.Kind(), FailureKind::Constraint);
    }
    EXPECT_EQ(Headers(first), 0);
    EXPECT_EQ(SubLines(first), 0);
    EXPECT_EQ(Headers(second), 1);
    EXPECT_TRUE(connection_.Connected());
    EXPECT_EQ(connection_.CommandsInUse(), 0);

    // A text the server rejects at prepare: its message, once.
    query_.ClearSQL();
    query_.AddSQL("DELETE FROM NO_SUCH_TABLE");
    try {
        query_.Execute();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_NE(e.Message().find("NO_SUCH_TABLE"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(connection_.CommandsInUse(), 0);

    // The component goes on working after failures.
    EXPECT_GT(Run(kSubLine1, second), 0);
    EXPECT_EQ(Run(kMasterLine1, second), 1);
}

TEST_P(SqlQueryTest, MasterFailureOutsideATransactionKeepsItsDetailLinesDeleted) {
    const std::string order = DemoOrderNumber(3);
    KeepOrder(order);
    EXPECT_GT(Run(kSubLine1, order), 0);
    try {
        Run(kMasterLine1, order);
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_NE(e.Message().find("order is kept"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(SubLines(order), 0);
    EXPECT_EQ(Headers(order), 1);
}

TEST_P(SqlQueryTest, TransactionRollbackKeepsTheFailedOrderWhole) {
    const std::string kept = DemoOrderNumber(2);
    KeepOrder(kept);
    const int64_t keptLines = SubLines(kept);
    int failures = 0;
    for (int n = 1; n <= 3; ++n) {
        const std::string order = DemoOrderNumber(n);
        connection_.StartTransaction();
        EXPECT_TRUE(connection_.InTransaction());
        try {
            Run(kSubLine1, order);
            Run(kMasterLine1, order);
            connection_.Commit();
        } catch (const EDatabaseError &) {
            ++failures;
            connection_.Rollback();
        }
        EXPECT_FALSE(connection_.InTransaction());
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(Headers(DemoOrderNumber(1)), 0);
    EXPECT_EQ(Headers(DemoOrderNumber(3)), 0);
    EXPECT_EQ(Headers(kept), 1);
    EXPECT_EQ(SubLines(kept), keptLines);
}

TEST_P(SqlQueryTest, NothingIsVisibleToOthersBeforeCommit) {
    const std::string order = DemoOrderNumber(4);
    const int64_t lines = SubLines(order);
    connection_.StartTransaction();
    EXPECT_EQ(Run(kSubLine1, order), lines);
    EXPECT_EQ(SubLines(order), lines);  // another attachment still sees them
    connection_.Rollback();
    EXPECT_EQ(SubLines(order), lines);

    connection_.StartTransaction();
    Run(kSubLine1, order);
    connection_.Commit();
    EXPECT_EQ(SubLines(order), 0);

    // Commit or rollback without a transaction is refused, not ignored.
    EXPECT_THROW(connection_.Commit(), EDatabaseError);
    EXPECT_THROW(connection_.Rollback(), EDatabaseError);
}

TEST_P(SqlQueryTest, ClosingWithAnOpenTransactionCommitsNothing) {
    const std::string order = DemoOrderNumber(1);
    const int64_t lines = SubLines(order);
    connection_.StartTransaction();
    Run(kSubLine1, order);
    connection_.Close();
    EXPECT_FALSE(connection_.InTransaction());
    EXPECT_EQ(SubLines(order), lines);
}

TEST_P(SqlQueryTest, StatementOutlivingItsConnectionIsRefusedNotCrashed) {
    auto connection = std::make_unique<TSQLConnection>("SQLConnection2");
    connection->ConnectionName = "Trelvo";
    connection->LoadParamsOnConnect = true;
    connection->SetConnectionFile(dir_.file("connections.ini"));
    connection->SetDriverFile(dir_.file("drivers.ini"));
    TSQLQuery query("SQLQuery2");
    query.SetSQLConnection(connection.get());
    query.AddSQL(kSubLine1);
    query.AddSQL(WhereLine(DemoOrderNumber(2)));
    EXPECT_GT(query.Execute(), 0);
    connection.reset();
    EXPECT_EQ(query.SQLConnection(), nullptr);
    try {
        query.Execute();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "SQLQuery2: Missing SQLConnection property");
    }
}

TEST_P(SqlQueryTest, ClosingTheConnectionFreesThePreparedCommand) {
    const std::string order = DemoOrderNumber(5);
    Run(kSubLine1, order);
    EXPECT_EQ(connection_.CommandsInUse(), 1);
    connection_.Close();
    EXPECT_EQ(connection_.CommandsInUse(), 0);
    EXPECT_FALSE(connection_.Connected());
    EXPECT_EQ(query_.Execute(), 0);  // reopens the connection and prepares anew
    EXPECT_TRUE(connection_.Connected());
    EXPECT_EQ(query_.PrepareCount(), 2);
}

TEST_P(SqlQueryTest, StatementsThatCannotRunAreRefusedWithTheComponentName) {
    struct Refusal {
        std::vector<std::string> lines;
        const char *message;
    };
    const Refusal refusals[] = {
        {{}, "SQLQuery1: No SQL statement available"},
        {{"DELETE FROM ORDER_SUB WHERE MASTERBILLID = :ID"}, "SQLQuery1: No value for parameter 'ID'"},
    };
    for (const Refusal &r : refusals) {
        query_.ClearSQL();
        for (const auto &line : r.lines) query_.AddSQL(line);
        try {
            query_.Execute();
            ADD_FAILURE() << r.message;
        } catch (const EDatabaseError &e) {
            EXPECT_EQ(e.Message(), r.message);
        }
    }
    EXPECT_GT(SubLines(DemoOrderNumber(1)), 0);

    TSQLQuery orphan("SQLQuery2");
    orphan.AddSQL("DELETE FROM ORDER_SUB");
    EXPECT_THROW(orphan.Execute(), EDatabaseError);
    EXPECT_GT(Count("SELECT COUNT(*) FROM ORDER_SUB"), 0);
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlQueryTest, BothBackends(), BackendCaseName);

}  // namespace
