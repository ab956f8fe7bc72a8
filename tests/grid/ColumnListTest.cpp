// The column list and control-type list read as plain strings.
#include <gtest/gtest.h>

#include "grid/ColumnList.h"

using namespace wwgrid;

namespace {
const QStringList kSelected = {
    QStringLiteral("SELECT_YN\t1\t選"),
    QStringLiteral("MASTERBILLID\t20\t單號\tT"),
    QStringLiteral("CUST_NAME\t50\t客戶名稱\tF\tGroup A"),
    QStringLiteral("select_yn\t9\tsecond entry for the same field\tT"),
    QStringLiteral("ÄBC\t5\tnon-ASCII name"),
};

struct PartCase {
    const char *name;
    QString field;
    int part;
    QString expected;
};
void PrintTo(const PartCase &c, std::ostream *os) { *os << c.name; }

class ColumnEntryPartTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(ColumnEntryPartTest, ReadsThePartOfTheFirstMatchingEntry) {
    const PartCase &c = GetParam();
    EXPECT_EQ(ColumnEntryPart(kSelected, c.field, c.part), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Parts, ColumnEntryPartTest,
                         ::testing::Values(PartCase{"FieldName", "SELECT_YN", 1, "SELECT_YN"},
                                           PartCase{"WidthOfFirstOfTwoEntries", "SELECT_YN", 2, "1"},
                                           PartCase{"LowerCaseLookupFindsUpperCaseEntry", "select_yn", 3,
                                                    QStringLiteral("選")},
                                           PartCase{"MissingReadOnlyFlagReadsF", "SELECT_YN", 4, "F"},
                                           PartCase{"ReadOnlyFlag", "MASTERBILLID", 4, "T"},
                                           PartCase{"MissingGroupIsEmpty", "MASTERBILLID", 5, ""},
                                           PartCase{"GroupName", "cust_name", 5, "Group A"},
                                           PartCase{"FieldWithoutEntryIsEmpty", "PD_DEPID", 2, ""},
                                           PartCase{"FieldWithoutEntryHasNoFlag", "PD_DEPID", 4, ""},
                                           PartCase{"NonAsciiLettersMustMatchExactly", QStringLiteral("äBC"), 2, ""},
                                           PartCase{"NonAsciiExactMatch", QStringLiteral("ÄBC"), 2, "5"}),
                         [](const auto &tp) { return std::string(tp.param.name); });

TEST(ColumnEntry, PartsRunToTheNextTabAndPastTheEndReadEmpty) {
    EXPECT_EQ(EntryPart("A\t\tC", 2), "");
    EXPECT_EQ(EntryPart("A\t\tC", 3), "C");
    EXPECT_EQ(EntryPart("A\t\tC", 4), "");
    EXPECT_EQ(EntryPartCount("A"), 1);
    EXPECT_EQ(EntryPartCount("A\t\tC\t"), 4);
    EXPECT_EQ(FindColumnEntry(kSelected, "Cust_Name"), 2);
    EXPECT_EQ(FindColumnEntry(kSelected, "CUST"), -1);
    EXPECT_EQ(FindColumnEntry({}, "CUST"), -1);
}

TEST(ColumnEntry, OnlyExactlyTMarksAColumnReadOnly) {
    const QStringList list = {"A\t1\ta\tT", "B\t1\tb\tt", "C\t1\tc\tTRUE", "D\t1\td", "E\t1\te\tT\tg"};
    EXPECT_TRUE(IsColumnReadOnly(list, "A"));
    EXPECT_FALSE(IsColumnReadOnly(list, "B"));
    EXPECT_FALSE(IsColumnReadOnly(list, "C"));
    EXPECT_FALSE(IsColumnReadOnly(list, "D"));
    EXPECT_TRUE(IsColumnReadOnly(list, "E"));
    EXPECT_FALSE(IsColumnReadOnly(list, "NONE"));
}

struct ControlCase {
    const char *name;
    QStringList list;
    QString field;
    ControlInfo paint;
    CheckBoxValues toggle;
};
void PrintTo(const ControlCase &c, std::ostream *os) { *os << c.name; }

class ControlTypeTest : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlTypeTest, PaintingAndTogglingReadTheirOwnEntries) {
    const ControlCase &c = GetParam();
    EXPECT_EQ(GetControlInfo(c.list, c.field), c.paint);
    EXPECT_EQ(GetCheckBoxValues(c.list, c.field), c.toggle);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ControlTypeTest,
    ::testing::Values(
        ControlCase{"OrderWindowEntry", {"SELECT_YN;CheckBox;Y;N"}, "SELECT_YN", {"CheckBox", "Y;N"}, {true, "Y", "N"}},
        ControlCase{"FieldNameIsCaseSensitive", {"SELECT_YN;CheckBox;Y;N"}, "select_yn", {}, {}},
        ControlCase{"KindIsCaseSensitiveForToggling", {"SELECT_YN;checkbox;Y;N"}, "SELECT_YN", {"checkbox", "Y;N"}, {}},
        ControlCase{"ThreePartsPaintButDoNotToggle", {"SELECT_YN;CheckBox;Y"}, "SELECT_YN", {"CheckBox", "Y"}, {}},
        ControlCase{"PaintingTakesTheLastEntryTogglingTheFirst",
                    {"SELECT_YN;CheckBox;Y;N", "SELECT_YN;CheckBox;1;0"},
                    "SELECT_YN",
                    {"CheckBox", "1;0"},
                    {true, "Y", "N"}},
        ControlCase{"TogglingSkipsShortEntries",
                    {"SELECT_YN;CheckBox;T", "SELECT_YN;CheckBox;Y;N"},
                    "SELECT_YN",
                    {"CheckBox", "Y;N"},
                    {true, "Y", "N"}},
        ControlCase{"KindWithoutParameters", {"URL;URL-Link"}, "URL", {"URL-Link", ""}, {}},
        ControlCase{"OtherFieldOnly", {"OTHER;CheckBox;Y;N"}, "SELECT_YN", {}, {}},
        ControlCase{"EmptyList", {}, "SELECT_YN", {}, {}}),
    [](const auto &tp) { return std::string(tp.param.name); });

TEST(ControlType, ParameterTextIsCutAt255Characters) {
    const QString params(300, QLatin1Char('x'));
    EXPECT_EQ(GetControlInfo({"F;Combo;" + params}, "F").params.size(), 255);
}

TEST(ControlType, TickedWhenTextEqualsCheckedValueIgnoringAsciiCase) {
    const QString checked = PaintCheckedValue({"CheckBox", "Y;N"});
    EXPECT_EQ(checked, "Y");
    EXPECT_TRUE(IsCheckedText("Y", checked));
    EXPECT_TRUE(IsCheckedText("y", checked));
    EXPECT_FALSE(IsCheckedText("N", checked));
    EXPECT_FALSE(IsCheckedText("", checked));
    EXPECT_FALSE(IsCheckedText("YY", checked));
    EXPECT_FALSE(IsCheckedText(QStringLiteral("ｙ"), checked));
}

}  // namespace
