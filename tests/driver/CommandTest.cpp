// Preparing and executing statements: the text as given, rows affected,
// statements in effect for everyone once execute() returns, server errors
// with the server's own words.
#include "tests/driver/BackendFixture.h"

namespace {

using CommandTest = BackendTest;

const std::string kSubDelete = "DELETE FROM ORDER_SUB\r\nWHERE MASTERBILLID = 'SO00000003'\r\n";
const std::string kMasterDelete = "DELETE FROM ORDER_MASTER\r\nWHERE MASTERBILLID = 'SO00000003'\r\n";

TEST_P(CommandTest, DeletesWithLineBreaksCountRowsAndAreCommittedAtOnce) {
    const int64_t lines = Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000003'");
    ASSERT_GT(lines, 0);

    EXPECT_EQ(RunStatement(*connection_, kSubDelete), lines);
    // A second attachment sees the deletion while this connection stays open.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000003'"), 0);
    EXPECT_EQ(RunStatement(*connection_, kMasterDelete), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000003'"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), kOrders - 1);
}

TEST_P(CommandTest, DeleteMatchingNothingAffectsNoRows) {
    EXPECT_EQ(RunStatement(*connection_, "DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'NONE'\r\n"), 0);
}

TEST_P(CommandTest, PreparedStatementRunsAgainWithoutPreparingAgain) {
    ISQLCommand *raw = nullptr;
    ASSERT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> command(raw);
    ASSERT_EQ(command->setRowSetSize(20), SQLStatus::Success);
    ASSERT_EQ(command->prepare("UPDATE ORDER_MASTER SET REMARK = COALESCE(REMARK, '') || 'x'"
                               " WHERE MASTERBILLID <= 'SO00000005'",
                               0),
              SQLStatus::Success)
        << ErrorText(*command);
    for (int round = 1; round <= 2; ++round) {
        ISQLCursor *cursor = nullptr;
        ASSERT_EQ(command->execute(&cursor), SQLStatus::Success) << ErrorText(*command);
        EXPECT_EQ(cursor, nullptr);
        int64_t rows = 0;
        command->getRowsAffected(&rows);
        EXPECT_EQ(rows, 5);
        EXPECT_EQ(command->close(), SQLStatus::Success);
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE REMARK LIKE '%xx'"), 5);
}

struct RejectedText {
    const char *name;
    const char *sql;
    const char *words;  // in the server's message
};

const RejectedText kRejected[] = {
    {"SyntaxError", "SELEC * FROM ORDER_MASTER\r\n", "Token unknown"},
    {"UnknownTable", "DELETE FROM ORDER_NOPE WHERE MASTERBILLID = '1'\r\n", "ORDER_NOPE"},
    {"UnknownColumn", "SELECT NOPE_COLUMN FROM ORDER_MASTER", "NOPE_COLUMN"},
};

TEST_P(CommandTest, ServerRejectionsKeepTheServersWords) {
    for (const RejectedText &rejected : kRejected) {
        SCOPED_TRACE(rejected.name);
        ISQLCommand *raw = nullptr;
        ASSERT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
        std::unique_ptr<ISQLCommand> command(raw);
        const SQLStatus status = command->prepare(rejected.sql, 0);
        EXPECT_GE(status, SQLStatus::ServerError);
        uint16_t len = 0;
        command->getErrorMessageLen(&len);
        const std::string text = ErrorText(*command);
        EXPECT_EQ(len, text.size());
        EXPECT_NE(text.find(rejected.words), std::string::npos) << text;
        // The command stays usable.
        ISQLCursor *cursor = nullptr;
        EXPECT_NE(command->execute(&cursor), SQLStatus::Success);
        EXPECT_EQ(command->prepare("SELECT 1 FROM RDB$DATABASE", 0), SQLStatus::Success);
    }
}

TEST_P(CommandTest, ConstraintViolationAtExecuteIsReportedAndChangesNothing) {
    ISQLCommand *raw = nullptr;
    ASSERT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLCommand> command(raw);
    // The lines of the order still point at it.
    ASSERT_EQ(command->prepare(kMasterDelete, 0), SQLStatus::Success) << ErrorText(*command);
    ISQLCursor *cursor = nullptr;
    EXPECT_GE(command->execute(&cursor), SQLStatus::ServerError);
    EXPECT_NE(ErrorText(*command).find("FOREIGN KEY"), std::string::npos) << ErrorText(*command);
    EXPECT_EQ(command->getServerErrorCode(), 335544466);  // isc_foreign_key
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000003'"), 1);
    // The connection goes on working.
    EXPECT_GT(RunStatement(*connection_, kSubDelete), 0);
}

TEST_P(CommandTest, ConstantSelectColumnIsWritableAndNamedByItsAlias) {
    OpenQuery query = Query(*connection_,
                            "SELECT MASTERBILLID, CUST_NAME, 'N' AS SELECT_YN,"
                            " TOTAL_AMT * 2 AS DOUBLE_AMT FROM ORDER_MASTER\r\n"
                            "ORDER BY MASTERBILLID\r\n");
    ASSERT_NE(query.cursor, nullptr);
    ISQLCursor &cursor = *query.cursor;
    uint16_t count = 0;
    cursor.getColumnCount(&count);
    ASSERT_EQ(count, 4);
    const char *names[] = {"MASTERBILLID", "CUST_NAME", "SELECT_YN", "DOUBLE_AMT"};
    for (uint16_t col = 1; col <= count; ++col) {
        std::string name;
        bool readOnly = true;
        cursor.getColumnName(col, &name);
        cursor.isReadOnly(col, &readOnly);
        EXPECT_EQ(name, names[col - 1]);
        EXPECT_FALSE(readOnly) << name;
    }
    bool nullable = true;
    cursor.isNullable(1, &nullable);
    EXPECT_FALSE(nullable);
    cursor.isNullable(2, &nullable);
    EXPECT_TRUE(nullable);

    const auto rows = FetchAll(cursor);
    ASSERT_EQ(rows.size(), static_cast<size_t>(kOrders));
    EXPECT_EQ(rows[0][0], "SO00000001");
    EXPECT_EQ(rows[0][2], "N");
    const auto direct = QueryRows(database_,
                                  "SELECT CUST_NAME FROM ORDER_MASTER"
                                  " WHERE MASTERBILLID = 'SO00000001'");
    EXPECT_EQ(rows[0][1], direct[0][0]);
}

TEST_P(CommandTest, CursorColumnOutOfRangeAndWrongTypeAreRefused) {
    OpenQuery query = Query(*connection_, "SELECT MASTERBILLID FROM ORDER_MASTER");
    ASSERT_NE(query.cursor, nullptr);
    ISQLCursor &cursor = *query.cursor;
    ASSERT_EQ(cursor.next(), SQLStatus::Success);
    std::string name;
    EXPECT_EQ(cursor.getColumnName(0, &name), SQLStatus::OutOfRange);
    EXPECT_EQ(cursor.getColumnName(2, &name), SQLStatus::OutOfRange);
    int64_t value;
    bool isNull;
    EXPECT_EQ(cursor.getInt64(1, &value, &isNull), SQLStatus::InvalidTranslation);
}

TEST_P(CommandTest, TrimCharOptionTrimsCharValues) {
    connection_->disconnect();
    connection_ = Connect(*driver_, database_, {{ConnOption::TrimChar, "True"}});
    ASSERT_NE(connection_, nullptr);
    OpenQuery query = Query(*connection_,
                            "SELECT CAST('ab' AS CHAR(6)), CAST('ab ' AS VARCHAR(6))"
                            " FROM RDB$DATABASE");
    ASSERT_NE(query.cursor, nullptr);
    const auto rows = FetchAll(*query.cursor);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "ab");
    EXPECT_EQ(rows[0][1], "ab ");  // VARCHAR keeps what was stored
}

BATCHDEL_ON_EACH_BACKEND(CommandTest);

}  // namespace
