// The query and statement texts, character for character.
#include <gtest/gtest.h>

#include "workflow/QueryText.h"

using namespace batchdel;

namespace {

const std::string kListHead =
    "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN FROM ORDER_MASTER \r\n"
    " WHERE  MASTERBILLID IS NOT NULL \r\n";

struct ListQueryCase {
    const char *name;
    FilterCriteria criteria;
    std::string filterText;  // what follows the two fixed lines
};

void PrintTo(const ListQueryCase &c, std::ostream *os) { *os << c.name; }

class ListQueryText : public testing::TestWithParam<ListQueryCase> {};

TEST_P(ListQueryText, IsTheHeadTheWhereLineAndTheFilterLinesThatApply) {
    const ListQueryCase &c = GetParam();
    EXPECT_EQ(BuildFilteredQuery(kListQueryHead, c.criteria), kListHead + c.filterText);
}

const ListQueryCase kListQueryCases[] = {
    {"WorkedExample",
     {"2024/01/01", "2024/01/31", "C001", "C999", "", ""},
     " AND BILL_DATE BETWEEN '2024/01/01' AND '2024/01/31'\r\n"
     " AND CUST_ID BETWEEN 'C001' AND 'C999'\r\n"},
    {"AllEmpty", {"    /  /  ", "    /  /  ", "", "", "", ""}, ""},
    {"AllThreeRanges",
     {"2024/01/01", "2024/12/31", "C1", "C2", "D01", "D09"},
     " AND BILL_DATE BETWEEN '2024/01/01' AND '2024/12/31'\r\n"
     " AND CUST_ID BETWEEN 'C1' AND 'C2'\r\n"
     " AND PD_DEPID BETWEEN 'D01' AND 'D09'\r\n"},
    {"OnlyDateFrom", {"2024/01/01", "    /  /  ", "", "", "", ""}, ""},
    {"OnlyDateTo", {"    /  /  ", "2024/01/01", "", "", "", ""}, ""},
    {"FirstYearDigitMissing", {" 024/01/31", "2024/02/01", "", "", "", ""}, ""},
    {"LastDayDigitMissing", {"2024/01/01", "2024/01/3 ", "", "", "", ""}, ""},
    {"TabTrimmedLikeASpace", {"\t024/01/01", "2024/01/31", "", "", "", ""}, ""},
    // A gap inside a box does not stop the line; the text goes in as read.
    {"GapInsideADate",
     {"2024/ 1/31", "2024/12/31", "", "", "", ""},
     " AND BILL_DATE BETWEEN '2024/ 1/31' AND '2024/12/31'\r\n"},
    {"HyphenSeparator",
     {"2024-01-01", "2024-01-31", "", "", "", ""},
     " AND BILL_DATE BETWEEN '2024-01-01' AND '2024-01-31'\r\n"},
    // Separators the database refuses go in as "/": the right-to-left mark
    // of Arabic locales, a full-width slash; a dot it reads stays.
    {"RightToLeftMarkSeparator",
     {"2024\u200f01\u200f01", "2024\u200f01\u200f31", "", "", "", ""},
     " AND BILL_DATE BETWEEN '2024/01/01' AND '2024/01/31'\r\n"},
    {"FullWidthSeparatorAndDot",
     {"2024\uff0f01\uff0f01", "2024.01.31", "", "", "", ""},
     " AND BILL_DATE BETWEEN '2024/01/01' AND '2024.01.31'\r\n"},
    {"ReversedRangesPassedUnchanged",
     {"2024/12/31", "2024/01/01", "C999", "C001", "", ""},
     " AND BILL_DATE BETWEEN '2024/12/31' AND '2024/01/01'\r\n"
     " AND CUST_ID BETWEEN 'C999' AND 'C001'\r\n"},
    {"CustomerToEmpty", {"", "", "C001", "", "D1", ""}, ""},
    {"DepartmentFromEmpty", {"", "", "", "C001", "", "D1"}, ""},
    {"SingleSpaceCountsAsFilled", {"", "", " ", " ", "", ""}, " AND CUST_ID BETWEEN ' ' AND ' '\r\n"},
    {"ChineseText", {"", "", "", "", "門市部", "業務部"}, " AND PD_DEPID BETWEEN '門市部' AND '業務部'\r\n"},
    // Quotes are doubled inside the literal, so the value cannot end it early.
    {"QuoteInCustomer", {"", "", "O'Brien", "Z", "", ""}, " AND CUST_ID BETWEEN 'O''Brien' AND 'Z'\r\n"},
    {"InjectionAttemptStaysOneLiteral",
     {"", "", "A' OR '1'='1", "Z", "", ""},
     " AND CUST_ID BETWEEN 'A'' OR ''1''=''1' AND 'Z'\r\n"},
    {"QuoteInDate",
     {"2024/01/0'", "2024/01/31", "", "", "", ""},
     " AND BILL_DATE BETWEEN '2024/01/0''' AND '2024/01/31'\r\n"},
    {"OtherPunctuationUntouched",
     {"", "", "a;b--c", "\"x\"%_:p", "", ""},
     " AND CUST_ID BETWEEN 'a;b--c' AND '\"x\"%_:p'\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ListQueryText, testing::ValuesIn(kListQueryCases),
                         [](const testing::TestParamInfo<ListQueryCase> &p) { return p.param.name; });

TEST(QueryText, JoinWritesCrLfAfterEveryLineTheLastIncluded) {
    EXPECT_EQ(JoinQueryLines({}), "");
    EXPECT_EQ(JoinQueryLines({"A"}), "A\r\n");
    EXPECT_EQ(JoinQueryLines({" A ", "", "B"}), " A \r\n\r\nB\r\n");
}

TEST(QueryText, DateTestCountsCharactersNotBytes) {
    EXPECT_TRUE(DateTextComplete("2024年01月01"));
    EXPECT_FALSE(DateTextComplete("2024年01月1"));
    EXPECT_TRUE(DateTextComplete("  2024/01/01\r\n"));
}

TEST(QueryText, BackupQueriesUseTheirHeadsAndTheDetailQueryWrapsTheOrderNumbers) {
    const FilterCriteria criteria{"", "", "C1", "C2", "", ""};
    EXPECT_EQ(BuildFilteredQuery(kHeaderBackupHead, criteria),
              "select * FROM ORDER_MASTER \r\n"
              " WHERE  MASTERBILLID IS NOT NULL \r\n"
              " AND CUST_ID BETWEEN 'C1' AND 'C2'\r\n");
    EXPECT_EQ(DetailBackupQuery(BuildFilteredQuery(kOrderNumberHead, criteria)),
              "SELECT * FROM ORDER_SUB WHERE MASTERBILLID IN ("
              "select MASTERBILLID FROM ORDER_MASTER \r\n"
              " WHERE  MASTERBILLID IS NOT NULL \r\n"
              " AND CUST_ID BETWEEN 'C1' AND 'C2'\r\n"
              ")");
}

TEST(QueryText, DeletionStatementsTakeTheOrderNumberAsAValue) {
    EXPECT_EQ(JoinQueryLines({std::string(kDeleteDetailHead), std::string(kOrderNumberLine)}),
              "DELETE FROM ORDER_SUB  \r\n WHERE MASTERBILLID = :MASTERBILLID\r\n");
    EXPECT_EQ(JoinQueryLines({std::string(kDeleteHeaderHead), std::string(kOrderNumberLine)}),
              "DELETE FROM ORDER_MASTER  \r\n WHERE MASTERBILLID = :MASTERBILLID\r\n");
}

}  // namespace
