// Fields: display properties, text shown for each type, text read back into
// each type.
#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <QTime>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/dataset/FieldText.h"
#include "data/dataset/TableEngine.h"

namespace {

ColumnDesc Column(const char *name, DataType type, int size = 0, int precision = 0, int scale = 0) {
    ColumnDesc c;
    c.name = name;
    c.type = type;
    c.size = size;
    c.precision = precision;
    c.scale = scale;
    return c;
}

std::vector<ColumnDesc> EveryType() {
    return {Column("S", DataType::String, 5), Column("SI", DataType::SmallInt), Column("I", DataType::Integer),
            Column("BI", DataType::BigInt),   Column("F", DataType::Float),     Column("N", DataType::Bcd, 0, 9, 2),
            Column("D", DataType::Date),      Column("T", DataType::Time),      Column("TS", DataType::TimeStamp),
            Column("B", DataType::Boolean),   Column("M", DataType::Memo),      Column("BL", DataType::Blob)};
}

class FieldTest : public ::testing::Test {
protected:
    FieldTest() : ds("ClientDataSet1") {
        ds.CreateDataSet(EveryType());
        ds.Append();
    }
    TField *F(const char *name) { return ds.FieldNamed(name); }
    TClientDataSet ds;
};

std::string Failure(const std::function<void()> &action) {
    try {
        action();
    } catch (const Exception &e) {
        return e.ClassName() + ": " + e.Message();
    }
    return "";
}

// ---- display properties ----

TEST_F(FieldTest, LabelFallsBackToTheNameAndWidthToTheSize) {
    TField *s = F("S");
    EXPECT_EQ(s->DisplayLabel(), "S");
    s->SetDisplayLabel("單號");
    EXPECT_EQ(s->DisplayLabel(), "單號");
    s->SetDisplayLabel("");
    EXPECT_EQ(s->DisplayLabel(), "S");
    EXPECT_EQ(s->DisplayWidth(), 5);
    s->SetDisplayWidth(20);
    EXPECT_EQ(s->DisplayWidth(), 20);
    EXPECT_GT(F("I")->DisplayWidth(), 0);
    EXPECT_GT(F("D")->DisplayWidth(), 0);
}

TEST_F(FieldTest, NumbersAlignRightTextAndDatesLeft) {
    for (const char *name : {"SI", "I", "BI", "F", "N"}) EXPECT_EQ(F(name)->Alignment(), FieldAlignment::Right) << name;
    for (const char *name : {"S", "D", "T", "TS", "B", "M"})
        EXPECT_EQ(F(name)->Alignment(), FieldAlignment::Left) << name;
}

TEST_F(FieldTest, SetIndexMovesTheFieldAndAnnouncesALayoutChange) {
    ds.Cancel();
    struct Layouts : TDataLink {
        int count = 0;
        void LayoutChanged() override { ++count; }
    } link;
    TDataSource source("DataSource1");
    source.SetDataSet(&ds);
    link.SetDataSource(&source);

    F("BL")->SetIndex(0);
    EXPECT_EQ(ds.Field(0)->FieldName(), "BL");
    EXPECT_EQ(ds.Field(1)->FieldName(), "S");
    EXPECT_EQ(F("BL")->Index(), 0);
    EXPECT_EQ(F("BL")->Column(), 11);  // still the engine's column 11
    F("S")->SetIndex(99);              // past the end: the last place
    EXPECT_EQ(F("S")->Index(), 11);
    F("S")->SetIndex(11);  // no move, no announcement
    F("I")->SetVisible(false);
    EXPECT_FALSE(F("I")->Visible());
    EXPECT_EQ(link.count, 3);
}

// ---- text shown ----

TEST_F(FieldTest, NullGivesEmptyTextForEveryType) {
    for (int i = 0; i < ds.FieldCount(); ++i) {
        EXPECT_TRUE(ds.Field(i)->IsNull());
        EXPECT_EQ(ds.Field(i)->DisplayText(), "") << ds.Field(i)->FieldName();
    }
}

TEST_F(FieldTest, DatesAndTimesFollowTheRegionalFormats) {
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(QDate(2024, 3, 5), locale.dateFormat(QLocale::ShortFormat));
    const QString time = locale.toString(QTime(13, 45, 30), QString::fromStdString(LongTimeFormat()));
    EXPECT_EQ(LongTimeFormat().find('t'), std::string::npos) << "a time of day shows no zone";

    F("D")->SetString(date.toStdString());
    EXPECT_EQ(F("D")->DisplayText(), date.toStdString());
    F("T")->SetString(time.toStdString());
    EXPECT_EQ(F("T")->DisplayText(), time.toStdString());
    F("TS")->SetString((date + " " + time).toStdString());
    EXPECT_EQ(F("TS")->DisplayText(), (date + " " + time).toStdString());
    F("TS")->SetString(date.toStdString());  // midnight: the date alone
    EXPECT_EQ(F("TS")->DisplayText(), date.toStdString());
    F("D")->SetString("2024-03-05");  // the ISO form is read as well
    EXPECT_EQ(F("D")->DisplayText(), date.toStdString());
    ds.Post();
    // Stored as the database's day count.
    EXPECT_EQ(ds.Engine()->Value(0, 6).date, DbDateFromCivil(2024, 3, 5));
    EXPECT_EQ(ds.Engine()->Value(0, 8).time, 0u);
}

struct TextCase {
    const char *field;
    const char *text;
    const char *shown;    // GetString afterwards ("" with null)
    const char *failure;  // "" when the text is taken
};
void PrintTo(const TextCase &c, std::ostream *os) {
    *os << c.field << " given " << (c.text ? "\"" + std::string(c.text) + "\"" : std::string("null"));
}

class FieldText : public FieldTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(FieldText, IsReadIntoTheTypeOrRefusedClearly) {
    const TextCase &c = GetParam();
    TField *f = F(c.field);
    EXPECT_EQ(Failure([&] { f->SetString(c.text); }), c.failure);
    EXPECT_EQ(f->GetString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Types, FieldText,
    ::testing::Values(
        TextCase{"S", "abc", "abc", ""}, TextCase{"S", "", "", ""}, TextCase{"S", "五個中文字", "五個中文字", ""},
        TextCase{"I", " 42 ", "42", ""}, TextCase{"I", "", "", ""}, TextCase{"I", "-2147483648", "-2147483648", ""},
        TextCase{"I", "2147483648", "", "EConvertError: '2147483648' is not a valid integer value"},
        TextCase{"I", "4x", "", "EConvertError: '4x' is not a valid integer value"},
        TextCase{"SI", "40000", "", "EConvertError: '40000' is not a valid integer value"},
        TextCase{"BI", "9223372036854775807", "9223372036854775807", ""}, TextCase{"F", "1.5", "1.5", ""},
        TextCase{"F", "0.1", "0.1", ""},
        TextCase{"F", "x", "", "EConvertError: 'x' is not a valid floating point value"},
        TextCase{"N", "12.34", "12.34", ""}, TextCase{"N", "-0.5", "-0.5", ""}, TextCase{"N", "7", "7", ""},
        TextCase{"N", "1.005", "1.01", ""}, TextCase{"N", "-1.004", "-1", ""},
        TextCase{"N", "1e3", "", "EConvertError: '1e3' is not a valid BCD value"},
        TextCase{"N", "99999999999999999999", "", "EConvertError: '99999999999999999999' is not a valid BCD value"},
        TextCase{"B", "true", "True", ""}, TextCase{"B", "N", "False", ""},
        TextCase{"B", "maybe", "", "EConvertError: 'maybe' is not a valid boolean value"},
        TextCase{"D", "not a date", "", "EConvertError: 'not a date' is not a valid date"},
        TextCase{"T", "25:00:00", "", "EConvertError: '25:00:00' is not a valid time"},
        TextCase{"TS", "soon", "", "EConvertError: 'soon' is not a valid date and time"},
        TextCase{"M", "long\r\ntext", "long\r\ntext", ""}),
    [](const auto &p) { return std::string(p.param.field) + "_" + std::to_string(p.index); });

TEST_F(FieldTest, ATextLongerThanItsColumnIsRefusedNotCut) {
    TField *s = F("S");
    s->SetString("12345");
    std::string failure = Failure([&] { s->SetString("123456"); });
    EXPECT_EQ(failure.rfind("EDBClient: ", 0), 0u) << failure;
    EXPECT_EQ(s->GetString(), "12345");
    s->SetString("中文五個字");  // five characters fit five places
    EXPECT_EQ(s->GetString(), "中文五個字");
}

TEST_F(FieldTest, ScaledDecimalsAndBlobsShowAsExpected) {
    F("N")->SetString("-123.40");
    F("BL")->SetString(std::string("\0\x01", 2));
    ds.Post();
    EXPECT_EQ(ds.Engine()->Value(0, 5).i, -12340);
    EXPECT_EQ(F("N")->DisplayText(), "-123.4");
    EXPECT_EQ(F("BL")->DisplayText(), "(BLOB)");
    EXPECT_EQ(F("BL")->GetString(), std::string("\0\x01", 2));
}

TEST(FieldValueText, SmallestScaledValueAndTinyFractions) {
    FieldValue v;
    v.isNull = false;
    v.i = INT64_MIN;
    EXPECT_EQ(FieldValueText(DataType::Bcd, 4, v, true), "-922337203685477.5808");
    v.i = 5;
    EXPECT_EQ(FieldValueText(DataType::Bcd, 4, v, true), "0.0005");
    v.i = -5;
    EXPECT_EQ(FieldValueText(DataType::Bcd, 4, v, true), "-0.0005");
}

TEST_F(FieldTest, ShownTextReadsBackAsTheSameValue) {
    F("D")->SetString("2031-12-31");
    F("T")->SetString("23:59:59");
    F("TS")->SetString("1999-01-02T03:04:05");
    F("F")->SetString("-2.5e-7");
    ds.Post();
    const std::vector<FieldValue> before = ds.Engine()->Record(0);
    ds.Edit();
    for (const char *name : {"D", "T", "TS", "F"}) F(name)->SetString(F(name)->DisplayText());
    ds.Post();
    EXPECT_EQ(ds.Engine()->Record(0), before);
}

}  // namespace
