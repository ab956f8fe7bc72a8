// Every column type the driver maps: its reported type and size, its value,
// and NULL in the same column.
#include <gtest/gtest.h>

#include <functional>

#include "tests/driver/DriverFixture.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

struct TypeCase {
    const char *name;
    const char *declaration;
    const char *literal;
    DataType type;
    uint32_t length;
    int16_t scale;
    // Reads the value of the column in the first row and checks it.
    std::function<void(ISQLCursor &, uint16_t col)> check;
};

void PrintTo(const TypeCase &c, std::ostream *os) { *os << c.name; }

std::string Text(ISQLCursor &cursor, uint16_t col) {
    const char *data = nullptr;
    uint32_t len = 0;
    bool isNull = true;
    EXPECT_EQ(cursor.getString(col, &data, &len, &isNull), SQLStatus::Success) << ErrorText(cursor);
    EXPECT_FALSE(isNull);
    return std::string(data, len);
}

std::string BlobBytes(ISQLCursor &cursor, uint16_t col) {
    const char *data = nullptr;
    uint32_t len = 0;
    bool isNull = true;
    EXPECT_EQ(cursor.getBlob(col, &data, &len, &isNull), SQLStatus::Success) << ErrorText(cursor);
    EXPECT_FALSE(isNull);
    return std::string(data, len);
}

int64_t Integer(ISQLCursor &cursor, uint16_t col) {
    int64_t value = 0;
    bool isNull = true;
    EXPECT_EQ(cursor.getInt64(col, &value, &isNull), SQLStatus::Success) << ErrorText(cursor);
    EXPECT_FALSE(isNull);
    return value;
}

double Real(ISQLCursor &cursor, uint16_t col) {
    double value = 0;
    bool isNull = true;
    EXPECT_EQ(cursor.getDouble(col, &value, &isNull), SQLStatus::Success) << ErrorText(cursor);
    EXPECT_FALSE(isNull);
    return value;
}

constexpr uint32_t Fractions(int h, int m, int s, int f) {
    return static_cast<uint32_t>((h * 3600 + m * 60 + s) * 10000 + f);
}

const TypeCase kCases[] = {
    {"CharKeepsPadding", "CHAR(5)", "'ab'", DataType::String, 5, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Text(c, col), "ab   "); }},
    {"CharOfChineseKeepsPaddingInCharacters", "CHAR(4)", "'訂單'", DataType::String, 4, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Text(c, col), "訂單  "); }},
    {"VarCharChinese", "VARCHAR(20)", "'訂單批次刪除'", DataType::String, 20, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Text(c, col), "訂單批次刪除"); }},
    {"VarCharFullWidth", "VARCHAR(12)", "'ＡＢＣ１２３（全形）'", DataType::String, 12, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Text(c, col), "ＡＢＣ１２３（全形）"); }},
    {"VarCharInBig5ComesAsUtf8", "VARCHAR(10) CHARACTER SET BIG5", "'客戶名稱'", DataType::String, 10, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Text(c, col), "客戶名稱"); }},
    {"VarCharLatin1ComesAsUtf8", "VARCHAR(10) CHARACTER SET ISO8859_1", "'café'", DataType::String, 10, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Text(c, col), "café"); }},
    {"SmallInt", "SMALLINT", "-123", DataType::SmallInt, 2, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Integer(c, col), -123); }},
    {"Integer", "INTEGER", "2147483647", DataType::Integer, 4, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Integer(c, col), 2147483647); }},
    {"BigInt", "BIGINT", "-9223372036854775807", DataType::BigInt, 8, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Integer(c, col), -9223372036854775807LL); }},
    {"NumericInBigInt", "NUMERIC(12,2)", "-12345.67", DataType::Bcd, 8, -2,
     [](ISQLCursor &c, uint16_t col) {
         EXPECT_EQ(Integer(c, col), -1234567);
         EXPECT_DOUBLE_EQ(Real(c, col), -12345.67);
     }},
    {"NumericInSmallInt", "NUMERIC(4,1)", "123.4", DataType::Bcd, 8, -1,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Integer(c, col), 1234); }},
    {"NumericInInteger", "NUMERIC(9,3)", "-1.005", DataType::Bcd, 8, -3,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Integer(c, col), -1005); }},
    {"DecimalOfEighteenDigits", "DECIMAL(18,4)", "12345678901234.5678", DataType::Bcd, 8, -4,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(Integer(c, col), 123456789012345678LL); }},
    {"Float", "FLOAT", "1.5", DataType::Float, 8, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_DOUBLE_EQ(Real(c, col), 1.5); }},
    {"Double", "DOUBLE PRECISION", "-3.25e100", DataType::Float, 8, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_DOUBLE_EQ(Real(c, col), -3.25e100); }},
    {"Date", "DATE", "'2025-03-04'", DataType::Date, 4, 0,
     [](ISQLCursor &c, uint16_t col) {
         int32_t days = 0;
         bool isNull = true;
         EXPECT_EQ(c.getDate(col, &days, &isNull), SQLStatus::Success);
         EXPECT_EQ(days, DbDays(2025, 3, 4));
     }},
    {"Time", "TIME", "'13:14:15.1234'", DataType::Time, 4, 0,
     [](ISQLCursor &c, uint16_t col) {
         uint32_t fractions = 0;
         bool isNull = true;
         EXPECT_EQ(c.getTime(col, &fractions, &isNull), SQLStatus::Success);
         EXPECT_EQ(fractions, Fractions(13, 14, 15, 1234));
     }},
    {"TimeStamp", "TIMESTAMP", "'1999-12-31 23:59:58.5'", DataType::TimeStamp, 8, 0,
     [](ISQLCursor &c, uint16_t col) {
         int32_t days = 0;
         uint32_t fractions = 0;
         bool isNull = true;
         EXPECT_EQ(c.getTimeStamp(col, &days, &fractions, &isNull), SQLStatus::Success);
         EXPECT_EQ(days, DbDays(1999, 12, 31));
         EXPECT_EQ(fractions, Fractions(23, 59, 58, 5000));
     }},
    {"Boolean", "BOOLEAN", "TRUE", DataType::Boolean, 1, 0,
     [](ISQLCursor &c, uint16_t col) {
         bool value = false;
         bool isNull = true;
         EXPECT_EQ(c.getBoolean(col, &value, &isNull), SQLStatus::Success);
         EXPECT_TRUE(value);
     }},
    {"TextBlob", "BLOB SUB_TYPE TEXT", "'備註：長文字 memo'", DataType::Memo, 8, 0,
     [](ISQLCursor &c, uint16_t col) {
         EXPECT_EQ(BlobBytes(c, col), "備註：長文字 memo");
         EXPECT_EQ(Text(c, col), "備註：長文字 memo");
     }},
    {"BinaryBlob", "BLOB SUB_TYPE BINARY", "x'00FF10'", DataType::Blob, 8, 0,
     [](ISQLCursor &c, uint16_t col) { EXPECT_EQ(BlobBytes(c, col), std::string("\0\xFF\x10", 3)); }},
};

// One table with a column per case: row 1 holds the values, row 2 NULLs.
class CursorTypes : public testing::TestWithParam<TypeCase> {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        database_ = MakeTestDatabase(*dir_, 1);
        std::string create = "CREATE TABLE TYPES_T (ID INTEGER NOT NULL";
        std::string columns = "ID", values = "1";
        for (size_t i = 0; i < std::size(kCases); ++i) {
            create += ", C" + std::to_string(i) + " " + kCases[i].declaration;
            columns += ", C" + std::to_string(i);
            values += std::string(", ") + kCases[i].literal;
        }
        ExecuteSql(database_, {create + ")"});
        ExecuteSql(database_, {"INSERT INTO TYPES_T (" + columns + ") VALUES (" + values + ")",
                               "INSERT INTO TYPES_T (ID) VALUES (2)"});
        driver_ = LoadDriver().release();
        connection_ = Connect(*driver_, database_).release();
    }
    static void TearDownTestSuite() {
        delete connection_;
        delete driver_;
        delete dir_;
    }

    static TempDir *dir_;
    static std::string database_;
    static ISQLDriver *driver_;
    static ISQLConnection *connection_;
};

TempDir *CursorTypes::dir_;
std::string CursorTypes::database_;
ISQLDriver *CursorTypes::driver_;
ISQLConnection *CursorTypes::connection_;

TEST_P(CursorTypes, ReportsTypeAndSizeAndReadsValueAndNull) {
    ASSERT_NE(connection_, nullptr);
    const TypeCase &c = GetParam();
    const uint16_t col =
        static_cast<uint16_t>(std::find_if(std::begin(kCases), std::end(kCases),
                                           [&](const TypeCase &k) { return std::string(k.name) == c.name; }) -
                              std::begin(kCases) + 2);
    OpenQuery query = Query(*connection_, "SELECT * FROM TYPES_T ORDER BY ID");
    ASSERT_NE(query.cursor, nullptr);
    ISQLCursor &cursor = *query.cursor;

    DataType type;
    uint16_t subType;
    uint32_t length;
    int16_t scale;
    std::string name;
    ASSERT_EQ(cursor.getColumnType(col, &type, &subType), SQLStatus::Success);
    cursor.getColumnLength(col, &length);
    cursor.getColumnScale(col, &scale);
    cursor.getColumnName(col, &name);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(scale, c.scale);
    EXPECT_EQ(name, "C" + std::to_string(col - 2));

    ASSERT_EQ(cursor.next(), SQLStatus::Success) << ErrorText(cursor);
    c.check(cursor, col);

    ASSERT_EQ(cursor.next(), SQLStatus::Success) << ErrorText(cursor);
    bool isNull = false;
    const char *data;
    uint32_t len;
    int64_t i64;
    double d;
    int32_t days;
    uint32_t fractions;
    bool b;
    switch (type) {
        case DataType::String:
            cursor.getString(col, &data, &len, &isNull);
            break;
        case DataType::Memo:
        case DataType::Blob:
            cursor.getBlob(col, &data, &len, &isNull);
            break;
        case DataType::Float:
            cursor.getDouble(col, &d, &isNull);
            break;
        case DataType::Date:
            cursor.getDate(col, &days, &isNull);
            break;
        case DataType::Time:
            cursor.getTime(col, &fractions, &isNull);
            break;
        case DataType::TimeStamp:
            cursor.getTimeStamp(col, &days, &fractions, &isNull);
            break;
        case DataType::Boolean:
            cursor.getBoolean(col, &b, &isNull);
            break;
        default:
            cursor.getInt64(col, &i64, &isNull);
            break;
    }
    EXPECT_TRUE(isNull);
    EXPECT_TRUE(IsEndOfRows(cursor.next()));
}

INSTANTIATE_TEST_SUITE_P(EveryType, CursorTypes, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TypeCase> &param) { return std::string(param.param.name); });

}  // namespace
