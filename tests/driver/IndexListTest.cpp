// The index list of a table, as the result sets read it for key information.
#include "tests/driver/BackendFixture.h"

using namespace batchdel;

namespace {

struct IndexCase {
    const char *name;
    const char *table;
    std::vector<std::vector<std::string>> rows;  // INDEX_NAME, COLUMN_NAME, INDEX_TYPE, SORT_ORDER
};

void PrintTo(const IndexCase &c, std::ostream *os) { *os << c.name; }

class IndexList : public testing::TestWithParam<IndexCase> {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        database_ = MakeTestDatabase(*dir_, 1);
        ExecuteSql(database_, {"CREATE DESCENDING INDEX ORDER_MASTER_DATE ON ORDER_MASTER"
                               " (BILL_DATE, CUST_ID)",
                               "CREATE UNIQUE INDEX ORDER_SUB_ITEM ON ORDER_SUB"
                               " (ITEM_ID, MASTERBILLID, LINE_NO)",
                               "CREATE TABLE \"Mixed\" (ID INTEGER NOT NULL PRIMARY KEY)"});
    }
    static void TearDownTestSuite() { delete dir_; }
    static TempDir *dir_;
    static std::string database_;
};

TempDir *IndexList::dir_;
std::string IndexList::database_;

const IndexCase kIndexCases[] = {
    {"OrderMaster",
     "ORDER_MASTER",
     {{"ORDER_MASTER_DATE", "BILL_DATE", "1", "D"},
      {"ORDER_MASTER_DATE", "CUST_ID", "1", "D"},
      {"RDB$PRIMARY1", "MASTERBILLID", "6", "A"}}},
    {"OrderSubInLowerCase",
     "order_sub",
     {{"ORDER_SUB_ITEM", "ITEM_ID", "2", "A"},
      {"ORDER_SUB_ITEM", "MASTERBILLID", "2", "A"},
      {"ORDER_SUB_ITEM", "LINE_NO", "2", "A"},
      {"RDB$FOREIGN3", "MASTERBILLID", "1", "A"},
      {"RDB$PRIMARY2", "MASTERBILLID", "6", "A"},
      {"RDB$PRIMARY2", "LINE_NO", "6", "A"}}},
    {"QuotedName", "\"Mixed\"", {{"RDB$PRIMARY4", "ID", "6", "A"}}},
    {"NoSuchTable", "NO_SUCH_TABLE", {}},
};

TEST_P(IndexList, ListsIndexColumnsInIndexAndSegmentOrder) {
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    auto connection = Connect(*driver, database_);
    ASSERT_NE(connection, nullptr);
    ISQLMetaData *raw = nullptr;
    ASSERT_EQ(connection->getSQLMetaData(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLMetaData> metaData(raw);
    EXPECT_EQ(metaData->setOption(ConnOption::SchemaName, std::string("SYSDBA")), SQLStatus::Success);

    ISQLCursor *cursor = nullptr;
    ASSERT_EQ(metaData->getIndices(GetParam().table, &cursor), SQLStatus::Success) << ErrorText(*metaData);
    std::unique_ptr<ISQLCursor> rows(cursor);
    const char *names[] = {"INDEX_NAME", "COLUMN_NAME", "INDEX_TYPE", "SORT_ORDER"};
    for (uint16_t col = 1; col <= 4; ++col) {
        std::string name;
        rows->getColumnName(col, &name);
        EXPECT_EQ(name, names[col - 1]);
    }
    // The name of the foreign key index depends on creation order; the
    // expected rows name it as the demo schema makes it.
    EXPECT_EQ(FetchAll(*rows), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Tables, IndexList, testing::ValuesIn(kIndexCases),
                         [](const testing::TestParamInfo<IndexCase> &param) { return std::string(param.param.name); });

}  // namespace
