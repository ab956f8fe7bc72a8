// DELETE texts with their literals run as prepared statements with values:
// the rows they delete are exactly the rows the literal text selects, for
// every kind of column, and the lifted statement is prepared once yet still
// sees metadata changed after it was prepared.
#include <chrono>
#include <thread>

#include "BackendFixture.h"

namespace {

class LiftedDeleteTest : public BackendTest {
protected:
    int64_t CountHere(const std::string &sql)
    {
        OpenQuery query = Query(*connection_, sql);
        if (!query.cursor)
            return -1;
        const auto rows = FetchAll(*query.cursor);
        return rows.size() == 1 ? std::stoll(rows[0][0]) : -1;
    }
};

// Each predicate is tried in a transaction of its own that is rolled back.
const char *const kPredicates[] = {
    "V = 'abc'",
    "V = 'abc  '",          // trailing blanks compare equal
    "V = 'O''Neil'",        // a doubled quote
    "V = ''",
    "V = '台北'",           // not ASCII: prepared as it stands
    "V = 'abcdefghijklmn'", // longer than the column: matches nothing, no error
    "C = 'ab'",             // CHAR pads with blanks
    "N = 'x1'",             // no character set
    "O = 'ab'",             // octets pad with zero bytes: as it stands
    "D = '2024-01-05'",     // a date: as it stands
    "I = '5'",              // a number: as it stands
    "V = 'abc' AND C = 'ab'",
};

TEST_P(LiftedDeleteTest, DeletesExactlyTheRowsTheLiteralSelects)
{
    ExecuteSql(database_,
               {"CREATE TABLE LIFT_T (K INTEGER, V VARCHAR(10), C CHAR(6),"
                " N VARCHAR(10) CHARACTER SET NONE, O CHAR(4) CHARACTER SET OCTETS, D DATE,"
                " I INTEGER)"},
               LoginFor(database_));
    ExecuteSql(database_,
               {"INSERT INTO LIFT_T VALUES (1, 'abc', 'ab', 'x1', 'ab', '2024-01-05', 5)",
                "INSERT INTO LIFT_T VALUES (2, 'abc', 'ab    ', 'x2', 'ab', '2024-01-06', 5)",
                "INSERT INTO LIFT_T VALUES (3, 'O''Neil', 'cd', 'x1', 'cd', '2024-01-05', 6)",
                "INSERT INTO LIFT_T VALUES (4, '', 'ab', 'x1', 'ab', '2024-01-07', 7)",
                "INSERT INTO LIFT_T VALUES (5, '台北', 'ef', 'x3', 'ef', '2024-01-05', 5)",
                "INSERT INTO LIFT_T VALUES (6, 'abcdefghij', 'ab', 'x1', 'ab', '2024-01-05', 8)",
                "INSERT INTO LIFT_T VALUES (7, NULL, NULL, NULL, NULL, NULL, NULL)"},
               LoginFor(database_));
    const int64_t total = Count("SELECT COUNT(*) FROM LIFT_T");
    for (const char *predicate : kPredicates) {
        SCOPED_TRACE(predicate);
        const std::string where = std::string(" WHERE ") + predicate;
        const int64_t expected = Count("SELECT COUNT(*) FROM LIFT_T" + where);
        ASSERT_EQ(connection_->beginTransaction(), kSqlSuccess) << ErrorText(*connection_);
        EXPECT_EQ(RunStatement(*connection_, "DELETE FROM LIFT_T" + where + "\r\n"), expected);
        EXPECT_EQ(CountHere("SELECT COUNT(*) FROM LIFT_T" + where), 0);
        EXPECT_EQ(CountHere("SELECT COUNT(*) FROM LIFT_T"), total - expected);
        ASSERT_EQ(connection_->rollback(), kSqlSuccess) << ErrorText(*connection_);
    }
}

std::string DeleteText(const char *table, int order)
{
    return std::string("DELETE FROM ") + table + "  \r\n WHERE MASTERBILLID = '" +
           DemoOrderNumber(order) + "'\r\n";
}

TEST_P(LiftedDeleteTest, PreparesOnceAndSeesTriggersAddedLater)
{
    for (int order = 1; order <= 3; ++order) {
        EXPECT_GT(RunStatement(*connection_, DeleteText("ORDER_SUB", order)), 0);
        EXPECT_EQ(RunStatement(*connection_, DeleteText("ORDER_MASTER", order)), 1);
    }
    // The connection's prepared statements: one per table, none with an
    // order number in it.
    const std::string ours = "SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$ATTACHMENT_ID ="
                             " CURRENT_CONNECTION AND MON$SQL_TEXT STARTING WITH 'DELETE' AND ";
    EXPECT_EQ(CountHere(ours + "MON$SQL_TEXT CONTAINING 'MASTERBILLID = ?'"), 2);
    EXPECT_EQ(CountHere(ours + "MON$SQL_TEXT CONTAINING '" + DemoOrderNumber(3) + "'"), 0);

    // A rule of the shop added by someone else after the statement was prepared.
    ExecuteSql(database_,
               {"CREATE EXCEPTION KEEP_ORDER 'order is kept'",
                "CREATE TRIGGER ORDER_MASTER_KEEP FOR ORDER_MASTER BEFORE DELETE AS BEGIN"
                " IF (OLD.MASTERBILLID = '" + DemoOrderNumber(4) + "') THEN EXCEPTION KEEP_ORDER; END"},
               LoginFor(database_));
    EXPECT_GT(RunStatement(*connection_, DeleteText("ORDER_SUB", 4)), 0);
    // The server binds triggers when it prepares; the lifted statement is
    // prepared anew once it is a moment old.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ISQLCommand *raw = nullptr;
    ASSERT_EQ(connection_->getSQLCommand(&raw), kSqlSuccess);
    std::unique_ptr<ISQLCommand> command(raw);
    ASSERT_EQ(command->prepare(DeleteText("ORDER_MASTER", 4), 0), kSqlSuccess) << ErrorText(*command);
    ISQLCursor *cursor = nullptr;
    EXPECT_GE(command->execute(&cursor), kSqlServerError);
    EXPECT_NE(ErrorText(*command).find("order is kept"), std::string::npos) << ErrorText(*command);
    command.reset();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = '" +
                    DemoOrderNumber(4) + "'"),
              1);

    // After leaving and coming back the statements are prepared anew.
    ASSERT_EQ(connection_->disconnect(), kSqlSuccess);
    connection_ = Connect(*driver_, database_);
    ASSERT_NE(connection_, nullptr);
    EXPECT_GT(RunStatement(*connection_, DeleteText("ORDER_SUB", 5)), 0);
    EXPECT_EQ(RunStatement(*connection_, DeleteText("ORDER_MASTER", 5)), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), kOrders - 4);
}

BATCHDEL_ON_EACH_BACKEND(LiftedDeleteTest);

} // namespace
