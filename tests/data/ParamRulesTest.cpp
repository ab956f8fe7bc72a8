// Parameter lists, parameter markers and driver status texts.
#include <gtest/gtest.h>

#include "data/dataset/Errors.h"
#include "data/dataset/ParamScan.h"
#include "data/sql/ParamList.h"
#include "data/sql/StatusText.h"

namespace {

const std::vector<std::string> kStoredParams = {
    "DriverName=Interbase",
    "Database=127.0.0.1:/data/posdata.fdb",
    "User_Name=SYSDBA",
    "Password=a=b",
    "ServerCharSet=",
    "SQLDialect=3",
    "sqldialect=1",
    "Interbase TransIsolation=ReadCommited",
    "NoEquals",
};

TEST(ParamListTest, KeysMatchInAnyCaseAndTheFirstLineWins) {
    EXPECT_EQ(ParamValueOf(kStoredParams, "USER_NAME"), "SYSDBA");
    EXPECT_EQ(ParamValueOf(kStoredParams, "SqlDialect"), "3");
    EXPECT_EQ(ParamValueOf(kStoredParams, "password"), "a=b");
    EXPECT_EQ(ParamValueOf(kStoredParams, "interbase transisolation"), "ReadCommited");
    EXPECT_EQ(ParamValueOf(kStoredParams, "HostName"), "");
    EXPECT_EQ(ParamValueOf(kStoredParams, "NoEquals"), "");
    EXPECT_TRUE(HasParam(kStoredParams, "ServerCharSet"));
    EXPECT_FALSE(HasParam(kStoredParams, "RoleName"));
    EXPECT_FALSE(HasParam(kStoredParams, "Database=127.0.0.1"));
}

TEST(ParamListTest, KeysOutsideAsciiMatchWithoutRegardToCase) {
    EXPECT_TRUE(SameText("\xC3\x84nderung", "\xC3\xA4NDERUNG"));  // Änderung / äNDERUNG
    EXPECT_FALSE(SameText("abc", "abd"));
}

TEST(ParamListTest, YesNoValues) {
    for (const char *yes : {"True", "true", " TRUE ", "tRuE"}) EXPECT_TRUE(ParamIsYes(yes)) << yes;
    for (const char *no : {"False", "", "1", "yes", "TRUE1"}) EXPECT_FALSE(ParamIsYes(no)) << no;
}

TEST(ParamListTest, TransactionIsolationNames) {
    EXPECT_EQ(TransIsolationLevel("ReadCommited"), 0);
    EXPECT_EQ(TransIsolationLevel("RepeatableRead"), 1);
    EXPECT_EQ(TransIsolationLevel("REPEATABLEREAD"), 1);
    EXPECT_EQ(TransIsolationLevel("DirtyRead"), 2);
    EXPECT_EQ(TransIsolationLevel("Serializable"), 0);
}

TEST(ParamListTest, RowsetSizeFallsBackToTwentyUnlessAnInteger) {
    EXPECT_EQ(RowsetSizeOf({}), 20);
    EXPECT_EQ(RowsetSizeOf({"RowsetSize="}), 20);
    EXPECT_EQ(RowsetSizeOf({"RowsetSize=many"}), 20);
    EXPECT_EQ(RowsetSizeOf({"ROWSETSIZE= 50 "}), 50);
}

TEST(ParamListTest, TrimDropsBlanksAndControlCharsOnly) {
    EXPECT_EQ(TrimBlanks(" \t\r\n\x01 a b \x7f"), "a b \x7f");
    EXPECT_EQ(TrimBlanks("\xE3\x80\x80x"), "\xE3\x80\x80x");  // a full-width space is text
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(StrToIntTest, NonIntegersRaiseTheConversionMessage) {
    EXPECT_EQ(StrToInt(" 3 "), 3);
    EXPECT_EQ(StrToInt("-1"), -1);
    for (const char *bad : {"three", "", "3.0", "99999999999", "3x"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "no failure for '" << bad << "'";
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

struct ScanCase {
    const char *name;
    const char *text;
    std::vector<std::string> params;
};
void PrintTo(const ScanCase &c, std::ostream *os) { *os << c.name; }

class ParamScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ParamScanTest, FindsMarkersOutsideQuotes) {
    std::vector<std::string> names;
    for (const ParamMarker &m : ScanParamMarkers(GetParam().text)) names.push_back(m.name);
    EXPECT_EQ(names, GetParam().params);
}

const ScanCase kScanCases[] = {
    {"DeletionStatementHasNone", "DELETE FROM ORDER_SUB  \r\n WHERE MASTERBILLID = 'SO:00000001'\r\n", {}},
    {"PlainMarkers", "SELECT * FROM T WHERE A = :ID AND B=:name_2\r\n", {"ID", "name_2"}},
    {"RepeatedMarkerListedTwice", "WHERE A = :X OR B = :X", {"X", "X"}},
    {"InsideSingleQuotes", "WHERE A = ':no' AND B = :yes", {"yes"}},
    {"DoubledQuoteInsideLiteral", "WHERE A = 'it''s :no' AND B = :yes", {"yes"}},
    {"InsideDoubleQuotes", "SELECT \":no\" FROM T WHERE B = :yes", {"yes"}},
    {"InsideBackQuotes", "SELECT `:no` FROM T WHERE B = :yes", {"yes"}},
    {"DoubleColonIsNoMarker", "SELECT A::INTEGER, :p FROM T", {"p"}},
    {"ColonAloneOrBeforeDigit", "SELECT ': ', 1 : 2, :9 FROM T", {}},
    {"UnclosedQuoteHidesTheRest", "WHERE A = 'open :no", {}},
    {"NameWithChineseCharacters", "WHERE A = :\xE8\xA8\x82\xE5\x96\xAE AND B = 1", {"\xE8\xA8\x82\xE5\x96\xAE"}},
    {"ChineseTextInLiteral", "WHERE A = '\xE8\xA8\x82:x' AND B = :y", {"y"}},
    {"MarkerAtTheEnd", "WHERE A = :last", {"last"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParamScanTest, ::testing::ValuesIn(kScanCases),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(ParamMarkerTest, MarkerPositionsCoverColonAndName) {
    auto markers = ScanParamMarkers("A = :id,");
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(markers[0].offset, 4u);
    EXPECT_EQ(markers[0].length, 3u);
}

TEST(StatusTextTest, EveryDriverStatusHasAText) {
    EXPECT_EQ(DriverStatusText(SQLStatus(1)), "Driver Error: Insufficient Memory for Operation");
    EXPECT_EQ(DriverStatusText(SQLStatus(11)), "Driver Error: Invalid Username/Password");
    EXPECT_EQ(DriverStatusText(SQLStatus(19)), "Driver Error: Multiple Transactions not Enabled");
    EXPECT_EQ(DriverStatusText(SQLStatus(21)), "Driver Error: No Mapping for Error Code Found");
    EXPECT_EQ(DriverStatusText(SQLStatus(254)), "Driver Error: No Mapping for Error Code Found");
    for (int s : {17, 20}) {
        EXPECT_NE(DriverStatusText(SQLStatus(s)), DriverStatusText(SQLStatus(21))) << s;
        EXPECT_EQ(DriverStatusText(SQLStatus(s)).rfind("Driver Error: ", 0), 0u) << s;
    }
}

}  // namespace
