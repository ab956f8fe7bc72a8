// The demo database the other tests and the demo build on.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using namespace batchdel;

TEST(DemoDatabase, HoldsTheOrdersWithTheirLinesDepartmentsAndCustomers) {
    TempDir dir;
    const std::string db = MakeTestDatabase(dir, 200);

    EXPECT_EQ(CountRows(db, "SELECT COUNT(*) FROM ORDER_MASTER"), 200);
    const int64_t lines = CountRows(db, "SELECT COUNT(*) FROM ORDER_SUB");
    EXPECT_GE(lines, 200 * 5);
    EXPECT_LE(lines, 200 * 15);
    EXPECT_EQ(CountRows(db,
                        "SELECT COUNT(*) FROM ORDER_MASTER M WHERE NOT EXISTS"
                        " (SELECT 1 FROM ORDER_SUB S WHERE S.MASTERBILLID = M.MASTERBILLID)"),
              0);
    EXPECT_EQ(CountRows(db, "SELECT COUNT(DISTINCT PD_DEPID) FROM ORDER_MASTER"), 10);

    const auto first = QueryRows(db,
                                 "SELECT MASTERBILLID, BILL_DATE, CUST_ID, PD_DEPID"
                                 " FROM ORDER_MASTER ORDER BY MASTERBILLID ROWS 1");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0][0], "SO00000001");
    EXPECT_EQ(first[0][1], "2024-01-01");
    EXPECT_EQ(first[0][2].substr(0, 1), "C");
    EXPECT_EQ(first[0][3].substr(0, 1), "D");

    const auto last = QueryRows(db, "SELECT MAX(BILL_DATE) FROM ORDER_MASTER");
    EXPECT_EQ(last[0][0].substr(0, 4), "2025");

    // Totals are the sum of their lines, rounded to cents.
    EXPECT_EQ(CountRows(db,
                        "SELECT COUNT(*) FROM ORDER_MASTER M WHERE ABS(M.TOTAL_AMT -"
                        " (SELECT SUM(S.QTY * S.PRICE) FROM ORDER_SUB S"
                        "  WHERE S.MASTERBILLID = M.MASTERBILLID)) > 0.01 * 15"),
              0);
}

TEST(DemoDatabase, KeepsTraditionalChineseNamesAsUtf8) {
    TempDir dir;
    const std::string db = MakeTestDatabase(dir, 50);
    const auto names = QueryRows(db,
                                 "SELECT CHAR_LENGTH(CUST_NAME), OCTET_LENGTH(CUST_NAME),"
                                 " CUST_NAME FROM ORDER_MASTER ROWS 1");
    ASSERT_EQ(names.size(), 1u);
    // Three bytes per character in UTF-8.
    EXPECT_EQ(std::stoi(names[0][1]), 3 * std::stoi(names[0][0]));
    EXPECT_EQ(names[0][2].size(), static_cast<size_t>(std::stoi(names[0][1])));
}

TEST(DemoDatabase, GivesOrderSubAnIndexOnTheOrderNumber) {
    TempDir dir;
    const std::string db = MakeTestDatabase(dir, 1);
    EXPECT_EQ(CountRows(db,
                        "SELECT COUNT(*) FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S"
                        " ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
                        " WHERE I.RDB$RELATION_NAME = 'ORDER_SUB'"
                        " AND I.RDB$SEGMENT_COUNT = 1 AND S.RDB$FIELD_NAME = 'MASTERBILLID'"),
              1);
}

TEST(DemoDatabase, ExecuteSqlRunsStatementsAndReportsTheServerText) {
    TempDir dir;
    const std::string db = MakeTestDatabase(dir, 3);
    ExecuteSql(db, {"DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000002'",
                    "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000002'"});
    EXPECT_EQ(CountRows(db, "SELECT COUNT(*) FROM ORDER_MASTER"), 2);
    try {
        ExecuteSql(db, {"DELETE FROM NO_SUCH_TABLE"});
        FAIL() << "no failure reported";
    } catch (const DirectDbError &e) {
        EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
    }
}
