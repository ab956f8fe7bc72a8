#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "tests/data/TableEngineRows.h"

namespace {

void LoadRecord(TableEngine &engine, const std::vector<FieldValue> &r) {
    engine.BeginRow();
    engine.SetBytes(0, r[0].s.data(), r[0].s.size());
    engine.SetInt(1, r[1].i);
    engine.SetInt(2, r[2].i);
    engine.SetInt(3, r[3].i);
    engine.SetDouble(4, r[4].f);
    engine.SetInt(5, r[5].i);
    engine.SetDate(6, r[6].date);
    engine.SetTime(7, r[7].time);
    engine.SetTimeStamp(8, r[8].date, r[8].time);
    engine.SetInt(9, r[9].i);
    engine.SetBytes(10, r[10].s.data(), r[10].s.size());
    engine.SetBytes(11, r[11].s.data(), r[11].s.size());
    engine.EndRow();
}

// Three loaded rows of every type, the middle one all null.
void LoadThreeRows(TableEngine &engine) {
    LoadRecord(engine, EveryTypeRecord(0));
    engine.BeginRow();
    engine.EndRow();
    LoadRecord(engine, EveryTypeRecord(2));
}

class TableEngineTest : public ::testing::Test {
protected:
    TableEngineTest() : engine(EveryTypeColumns()) { LoadThreeRows(engine); }
    void Load(const std::vector<FieldValue> &r) { LoadRecord(engine, r); }
    TableEngine engine;
};

TEST_F(TableEngineTest, LoadedRowsReadBackEveryTypeAndNull) {
    ASSERT_EQ(engine.RecordCount(), 3);
    EXPECT_EQ(engine.Record(0), EveryTypeRecord(0));
    EXPECT_EQ(engine.Record(2), EveryTypeRecord(2));
    for (int c = 0; c < 12; ++c) {
        EXPECT_TRUE(engine.IsNull(1, c)) << c;
        EXPECT_EQ(engine.Value(1, c), Null()) << c;
        EXPECT_FALSE(engine.IsNull(0, c)) << c;
    }
    EXPECT_EQ(engine.Text(0, 0), "字0");
    EXPECT_EQ(engine.Text(2, 11), std::string("\0\xff\x01"
                                              "bin2",
                                              7));
    EXPECT_EQ(engine.RowId(0), 1u);
    EXPECT_EQ(engine.RowId(2), 3u);
    EXPECT_TRUE(engine.ChangeLog().empty());
}

TEST_F(TableEngineTest, SetNullAfterAValueAndUnsetColumnsGiveNull) {
    engine.BeginRow();
    engine.SetBytes(0, "abc", 3);
    engine.SetNull(0);
    engine.SetBytes(10, "memo", 4);
    engine.SetInt(2, 5);
    engine.EndRow();
    EXPECT_TRUE(engine.IsNull(3, 0));
    EXPECT_EQ(engine.Text(3, 0), "");
    EXPECT_EQ(engine.Text(3, 10), "memo");
    EXPECT_EQ(engine.Value(3, 2), Int(5));
    EXPECT_TRUE(engine.IsNull(3, 11));
}

TEST_F(TableEngineTest, TextsKeepTheirPlaceWhileManyRowsAreAdded) {
    const std::string_view memo = engine.Text(0, 10);
    for (int i = 0; i < 2000; ++i) Load(EveryTypeRecord(i));  // several memory chunks
    EXPECT_EQ(memo, std::string(3000, 'm'));
    EXPECT_EQ(engine.Record(2001), EveryTypeRecord(1998));
}

TEST_F(TableEngineTest, WritesInsertsAndDeletesAreLoggedWithValuesBefore) {
    const auto before1 = engine.Record(1);
    engine.WriteRecord(1, EveryTypeRecord(7));
    engine.InsertRecord(0, EveryTypeRecord(8));
    AppendRecord(engine, EveryTypeRecord(9));
    const auto before0 = engine.Record(1);  // loaded row 0, now at 1
    engine.DeleteRecord(1);
    engine.WriteRecord(1, EveryTypeRecord(10));  // written twice: logged twice

    ASSERT_EQ(engine.RecordCount(), 4);
    EXPECT_EQ(engine.Record(0), EveryTypeRecord(8));
    EXPECT_EQ(engine.Record(1), EveryTypeRecord(10));
    EXPECT_EQ(engine.Record(2), EveryTypeRecord(2));
    EXPECT_EQ(engine.Record(3), EveryTypeRecord(9));
    const std::vector<uint32_t> ids = {engine.RowId(0), engine.RowId(1), engine.RowId(2), engine.RowId(3)};
    EXPECT_EQ(ids, (std::vector<uint32_t>{4, 2, 3, 5}));

    using K = ChangeLogEntry::Kind;
    const std::vector<ChangeLogEntry> expected = {
        {K::Modified, 2, before1},
        {K::Inserted, 4, {}},
        {K::Inserted, 5, {}},
        {K::Deleted, 1, before0},
        {K::Modified, 2, EveryTypeRecord(7)},
    };
    EXPECT_EQ(engine.ChangeLog(), expected);
}

TEST_F(TableEngineTest, AFailedWriteChangesNothing) {
    auto bad = EveryTypeRecord(5);
    bad[0] = Str("12345678901");
    EXPECT_THROW(engine.WriteRecord(0, bad), EDBClient);
    EXPECT_THROW(engine.InsertRecord(0, bad), EDBClient);
    EXPECT_EQ(engine.RecordCount(), 3);
    EXPECT_EQ(engine.Record(0), EveryTypeRecord(0));
    EXPECT_TRUE(engine.ChangeLog().empty());
}

TEST_F(TableEngineTest, TextSizeCountsCharactersNotBytes) {
    engine.VerifyField(0, Str("一二三四五六七八九十"));  // 10 characters, 30 bytes
    engine.VerifyField(0, Str("0123456789"));
    auto rec = EveryTypeRecord(0);
    rec[0] = Str("一二三四五六七八九十");
    engine.WriteRecord(0, rec);
    EXPECT_EQ(engine.Text(0, 0), "一二三四五六七八九十");
}

// Writing only the changed fields: the row, its encoding and the change
// logged must be exactly what a write of the whole record gives.
struct FieldsCase {
    const char *name;
    int row;
    std::vector<std::pair<int, FieldValue>> changes;
};
void PrintTo(const FieldsCase &c, std::ostream *os) { *os << c.name; }

const FieldsCase kFieldsCases[] = {
    {"OneNumber", 0, {{2, Int(42)}}},
    {"TextOfTheSameLength", 0, {{0, Str("字9")}}},
    {"LongerText", 0, {{0, Str("一二三四五六七八九十")}}},
    {"ShorterMemo", 2, {{10, Str("short")}}},
    {"TextToNull", 2, {{0, Null()}, {11, Null()}}},
    {"TextToEmpty", 0, {{10, Str("")}}},
    {"NullRowGetsValues", 1, {{0, Str("x")}, {6, Day(5)}, {8, Stamp(1, 2)}, {11, Str(std::string("\0b", 2))}}},
    {"NumbersToNull", 0, {{1, Null()}, {4, Null()}, {8, Null()}, {9, Null()}}},
    {"FixedAndTextTogether", 2, {{4, Dbl(-0.0)}, {10, Str(std::string(5000, 'n'))}, {9, Int(0)}, {3, Int(7)}}},
    {"SameColumnTwice", 0, {{10, Str("abc")}, {10, Str("abc")}}},
    {"Nothing", 0, {}},
};

class TableEngineWriteFields : public TableEngineTest, public ::testing::WithParamInterface<FieldsCase> {};

TEST_P(TableEngineWriteFields, MatchesAWholeRecordWrite) {
    const FieldsCase &c = GetParam();
    const auto before = engine.Record(c.row);
    auto values = before;
    std::vector<int> cols;
    for (const auto &[col, value] : c.changes) {
        values[col] = value;
        cols.push_back(col);
    }
    TableEngine whole(EveryTypeColumns());
    LoadThreeRows(whole);
    whole.WriteRecord(c.row, values);

    // Columns outside cols are taken from the row, not from values.
    auto given = values;
    for (int col = 0; col < 12; ++col)
        if (std::find(cols.begin(), cols.end(), col) == cols.end()) given[col] = Str("ignored");
    engine.WriteFields(c.row, cols, given);

    EXPECT_EQ(engine.Record(c.row), values);
    EXPECT_EQ(engine.RecordBytes(c.row), whole.RecordBytes(c.row));
    EXPECT_EQ(engine.ChangeLog(), whole.ChangeLog());
    ASSERT_EQ(engine.ChangeCount(), 1u);
    TableEngine untouched(EveryTypeColumns());
    LoadThreeRows(untouched);
    EXPECT_EQ(engine.ChangeBefore(0), untouched.RecordBytes(c.row));
    for (int r = 0; r < 3; ++r) {
        if (r != c.row) {
            EXPECT_EQ(engine.RecordBytes(r), whole.RecordBytes(r)) << r;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TableEngineWriteFields, ::testing::ValuesIn(kFieldsCases),
                         [](const auto &c) { return std::string(c.param.name); });

TEST_F(TableEngineTest, EachWriteLogsTheRecordItReplaced) {
    const auto loaded = engine.Record(0);
    auto first = loaded;
    first[0] = Str("a");
    engine.WriteFields(0, {0}, first);
    auto second = first;
    second[0] = Str("bb");
    second[2] = Int(1);
    engine.WriteFields(0, {0, 2}, second);
    engine.DeleteRecord(0);

    using K = ChangeLogEntry::Kind;
    ASSERT_EQ(engine.ChangeCount(), 3u);
    EXPECT_EQ(engine.Change(0), (ChangeLogEntry{K::Modified, 1, loaded}));
    EXPECT_EQ(engine.Change(1), (ChangeLogEntry{K::Modified, 1, first}));
    EXPECT_EQ(engine.Change(2), (ChangeLogEntry{K::Deleted, 1, second}));
    EXPECT_EQ(engine.ChangeKind(2), K::Deleted);
    EXPECT_EQ(engine.ChangeRowId(1), 1u);
}

struct ChangedCase {
    const char *name;
    int row;
    std::vector<std::pair<int, FieldValue>> changes;
    std::vector<int> expected;
};

TEST_F(TableEngineTest, ChangedFieldsComparesWithTheStoredValues) {
    const int32_t d0 = EveryTypeRecord(0)[6].date;
    const ChangedCase cases[] = {
        {"nothing", 0, {}, {}},
        {"the same values again", 0, {{0, Str("字0")}, {6, Day(d0)}}, {}},
        {"a number and a text", 0, {{2, Int(1)}, {10, Str("m")}}, {2, 10}},
        {"a null row stays null", 1, {{0, Null()}}, {}},
        {"empty text in a null field", 1, {{0, Str("")}}, {0}},
        {"zero in a null number", 1, {{2, Int(0)}}, {2}},
        {"a value made null", 0, {{9, Null()}, {11, Null()}}, {9, 11}},
        {"minus zero for zero", 0, {{4, Dbl(-0.0)}}, {4}},
        {"time of a time stamp", 2, {{8, Stamp(EveryTypeRecord(2)[8].date, 3)}}, {8}},
        // the slot would hold the same bits; the value is not the stored one
        {"a SmallInt past its width", 0, {{1, Int(-32768 + 65536)}}, {1}},
        {"text in a number",
         0,
         {{3,
           [] {
               auto v = EveryTypeRecord(0)[3];
               v.s = "x";
               return v;
           }()}},
         {3}},
    };
    for (const ChangedCase &c : cases) {
        auto values = engine.Record(c.row);
        for (const auto &[col, value] : c.changes) values[col] = value;
        EXPECT_EQ(engine.ChangedFields(c.row, values), c.expected) << c.name;
    }
    auto wide = engine.Record(0);
    wide[1] = Int(-32768 + 65536);
    EXPECT_THROW(engine.WriteFields(0, engine.ChangedFields(0, wide), wide), EDBClient);
    EXPECT_EQ(engine.ChangeCount(), 0u);
}

struct Failure {
    const char *name;
    std::function<void(TableEngine &)> act;
    const char *message;
};
void PrintTo(const Failure &c, std::ostream *os) { *os << c.name; }

class TableEngineFailure : public TableEngineTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(TableEngineFailure, RaisesTheEngineText) {
    try {
        GetParam().act(engine);
        FAIL() << "no failure";
    } catch (const EDBClient &e) {
        EXPECT_EQ(e.Message(), GetParam().message);
        EXPECT_EQ(e.ClassName(), "EDBClient");
    }
    EXPECT_EQ(engine.RecordCount(), 3);
    EXPECT_TRUE(engine.ChangeLog().empty());
}

FieldValue TooMany() { return Str("一二三四五六七八九十一"); }

const Failure kFailures[] = {
    {"ReadPastTheEnd", [](TableEngine &e) { e.Value(3, 0); }, "Record number 4 is out of range (1 to 3)"},
    {"ReadBeforeTheStart", [](TableEngine &e) { e.IsNull(-1, 0); }, "Record number 0 is out of range (1 to 3)"},
    {"WritePastTheEnd", [](TableEngine &e) { e.WriteRecord(3, EveryTypeRecord(0)); },
     "Record number 4 is out of range (1 to 3)"},
    {"InsertPastTheEnd", [](TableEngine &e) { e.InsertRecord(4, EveryTypeRecord(0)); },
     "Record number 5 is out of range (1 to 3)"},
    {"DeletePastTheEnd", [](TableEngine &e) { e.DeleteRecord(3); }, "Record number 4 is out of range (1 to 3)"},
    {"ColumnPastTheEnd", [](TableEngine &e) { e.Value(0, 12); }, "Field number 13 is out of range (1 to 12)"},
    {"TextTooLong", [](TableEngine &e) { e.VerifyField(0, TooMany()); },
     "Field 'S' is too long: it holds at most 10 characters, the value has 11"},
    {"LoadedTextTooLong",
     [](TableEngine &e) {
         e.BeginRow();
         e.SetBytes(0, "12345678901", 11);
     },
     "Field 'S' is too long: it holds at most 10 characters, the value has 11"},
    {"BrokenUtf8", [](TableEngine &e) { e.VerifyField(10, Str("a\xe5\xad")); },
     "Field 'M' cannot take text that is not valid UTF-8"},
    {"TextInANumber", [](TableEngine &e) { e.VerifyField(2, Str("12")); },
     "Field 'I' of type Integer cannot take a text value"},
    {"SmallIntOverflow", [](TableEngine &e) { e.VerifyField(1, Int(32768)); },
     "Field 'SI' of type SmallInt cannot take the value 32768"},
    {"IntegerOverflow", [](TableEngine &e) { e.VerifyField(2, Int(-2147483649LL)); },
     "Field 'I' of type Integer cannot take the value -2147483649"},
    {"TruthValueTwo", [](TableEngine &e) { e.VerifyField(9, Int(2)); },
     "Field 'B' of type Boolean cannot take the value 2"},
    {"DateAfter9999", [](TableEngine &e) { e.VerifyField(6, Day(DbDateFromCivil(10000, 1, 1))); },
     "Field 'D' cannot take a date outside 0001-01-01 to 9999-12-31"},
    {"TimePastMidnight", [](TableEngine &e) { e.VerifyField(8, Stamp(0, 864000000)); },
     "Field 'TS' cannot take a time past the end of the day"},
    {"TooFewValues", [](TableEngine &e) { e.WriteRecord(0, {Str("a")}); },
     "A record of 12 fields cannot take 1 values"},
    {"FieldsTooFewValues", [](TableEngine &e) { e.WriteFields(0, {0}, {Str("a")}); },
     "A record of 12 fields cannot take 1 values"},
    {"FieldsColumnPastTheEnd", [](TableEngine &e) { e.WriteFields(0, {12}, EveryTypeRecord(0)); },
     "Field number 13 is out of range (1 to 12)"},
    {"FieldsRowPastTheEnd", [](TableEngine &e) { e.WriteFields(3, {}, EveryTypeRecord(0)); },
     "Record number 4 is out of range (1 to 3)"},
    {"FieldsTextTooLong",
     [](TableEngine &e) {
         auto rec = EveryTypeRecord(0);
         rec[0] = TooMany();
         e.WriteFields(0, {2, 0}, rec);
     },
     "Field 'S' is too long: it holds at most 10 characters, the value has 11"},
    {"FieldsBrokenUtf8",
     [](TableEngine &e) {
         auto rec = EveryTypeRecord(0);
         rec[10] = Str("a\xe5\xad");
         e.WriteFields(0, {10}, rec);
     },
     "Field 'M' cannot take text that is not valid UTF-8"},
    {"ChangePastTheEnd", [](TableEngine &e) { e.ChangeBefore(0); }, "Change number 1 is out of range: the log holds 0"},
    {"IntegerIntoText",
     [](TableEngine &e) {
         e.BeginRow();
         e.SetInt(0, 1);
     },
     "Field 'S' of type String cannot take an integer"},
    {"DateIntoTimeStamp",
     [](TableEngine &e) {
         e.BeginRow();
         e.SetDate(8, 1);
     },
     "Field 'TS' of type TimeStamp cannot take a date"},
    {"SetWithoutBeginRow", [](TableEngine &e) { e.SetInt(1, 1); },
     "No record is being loaded: BeginRow must come first"},
    {"EndRowTwice", [](TableEngine &e) { e.EndRow(); }, "No record is being loaded: BeginRow must come first"},
    {"TextOfANumber", [](TableEngine &e) { e.Text(0, 2); }, "Field 'I' of type Integer holds no text"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TableEngineFailure, ::testing::ValuesIn(kFailures),
                         [](const auto &c) { return std::string(c.param.name); });

TEST(TableEngineEmpty, ReportsNoRecordsForAnyRow) {
    TableEngine e(OrderListColumns());
    EXPECT_EQ(e.RecordCount(), 0);
    try {
        e.Record(0);
        FAIL();
    } catch (const EDBClient &x) {
        EXPECT_EQ(x.Message(), "Record number 1 is out of range: the table holds no records");
    }
    e.InsertRecord(0, {Str("A"), Day(1), Null(), Null(), Null(), Null(), Str("N")});
    EXPECT_EQ(e.Text(0, 6), "N");
}

TEST(TableEngineProperties, SettingANameAgainReplacesItsValue) {
    TableEngine e(OrderListColumns());
    EXPECT_EQ(e.Property("LCID"), "");
    e.SetProperty("LCID", "1028");
    e.SetProperty("PRIMARY_KEY", "MASTERBILLID");
    e.SetProperty("LCID", "0");
    EXPECT_EQ(e.Property("LCID"), "0");
    const std::vector<std::pair<std::string, std::string>> expected = {{"LCID", "0"}, {"PRIMARY_KEY", "MASTERBILLID"}};
    EXPECT_EQ(e.Properties(), expected);
}

struct CivilCase {
    int y, m, d;
    int32_t days;
};

TEST(DbDate, ConvertsKnownDatesBothWays) {
    const CivilCase cases[] = {
        {1858, 11, 17, 0},    {1858, 11, 16, -1},  {1970, 1, 1, 40587}, {2000, 1, 1, 51544},
        {2000, 2, 29, 51603}, {1900, 3, 1, 15079}, {1, 1, 1, -678575},  {9999, 12, 31, 2973483},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DbDateFromCivil(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        const CivilDate back = CivilFromDbDate(c.days);
        EXPECT_EQ((std::vector<int>{back.year, back.month, back.day}), (std::vector<int>{c.y, c.m, c.d}));
    }
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

TEST(DbDate, EveryDayFromYear1To9999FollowsTheDayBefore) {
    CivilDate prev = CivilFromDbDate(DbDateFromCivil(1, 1, 1));
    for (int32_t d = DbDateFromCivil(1, 1, 1) + 1; d <= DbDateFromCivil(9999, 12, 31); ++d) {
        const CivilDate c = CivilFromDbDate(d);
        const bool monthEnd = prev.day == DaysInMonth(prev.year, prev.month);
        const bool nextDay = c.year == prev.year && c.month == prev.month && c.day == prev.day + 1 && !monthEnd;
        const bool nextMonth = c.year == prev.year && c.month == prev.month + 1 && c.day == 1 && monthEnd;
        const bool nextYear = c.year == prev.year + 1 && c.month == 1 && c.day == 1 && prev.month == 12 && monthEnd;
        ASSERT_TRUE(nextDay || nextMonth || nextYear) << c.year << "-" << c.month << "-" << c.day;
        ASSERT_EQ(DbDateFromCivil(c.year, c.month, c.day), d);
        prev = c;
    }
}

}  // namespace
