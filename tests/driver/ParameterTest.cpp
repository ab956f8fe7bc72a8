// Values bound to the "?" markers of a prepared statement: every type the
// order tables use goes in and comes back unchanged, NULL included; the same
// statement runs again with new values; a marker without a value or a value
// the column cannot hold is refused.
#include "tests/driver/BackendFixture.h"

using namespace batchdel;

namespace {

class ParameterTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ExecuteSql(database_,
                   {"CREATE TABLE PARAM_T (K INTEGER, C CHAR(6), V VARCHAR(12), S SMALLINT,"
                    " BI BIGINT, N NUMERIC(12,2), F DOUBLE PRECISION, D DATE, T TIME,"
                    " TS TIMESTAMP, B BOOLEAN, M BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY)"},
                   LoginFor(database_));
    }

    std::unique_ptr<ISQLCommand> Prepared(const std::string &sql) {
        ISQLCommand *raw = nullptr;
        EXPECT_EQ(connection_->getSQLCommand(&raw), SQLStatus::Success);
        std::unique_ptr<ISQLCommand> command(raw);
        if (command) {
            EXPECT_EQ(command->prepare(sql, 0), SQLStatus::Success) << sql << ": " << ErrorText(*command);
        }
        return command;
    }

    SQLStatus Execute(ISQLCommand &command) {
        ISQLCursor *cursor = nullptr;
        const SQLStatus status = command.execute(&cursor);
        delete cursor;
        return status;
    }

    std::vector<std::string> Row(int key) {
        const auto rows = QueryRows(database_,
                                    "SELECT C, V, S, BI, N, CAST(F AS VARCHAR(30)), D, CAST(T AS VARCHAR(30)),"
                                    " CAST(TS AS VARCHAR(30)), B, CAST(M AS VARCHAR(100)),"
                                    " OCTET_LENGTH(BB), CAST(BB AS VARCHAR(10) CHARACTER SET OCTETS) = x'0001FF'"
                                    " FROM PARAM_T WHERE K = " +
                                        std::to_string(key));
        return rows.size() == 1 ? rows[0] : std::vector<std::string>{"<no row>"};
    }
};

SQLParamValue Text(DataType type, std::string_view bytes) {
    SQLParamValue value;
    value.type = type;
    value.bytes = bytes;
    return value;
}

SQLParamValue Number(DataType type, int64_t integer, int16_t scale = 0) {
    SQLParamValue value;
    value.type = type;
    value.integer = integer;
    value.scale = scale;
    return value;
}

const char *const kInsert = "INSERT INTO PARAM_T VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

TEST_P(ParameterTest, EveryTypeGoesInAndNullToo) {
    auto command = Prepared(kInsert);
    ASSERT_NE(command, nullptr);
    SQLParamValue real;
    real.type = DataType::Float;
    real.real = 2.5;
    SQLParamValue date;
    date.type = DataType::Date;
    date.days = DbDays(2024, 1, 5);
    SQLParamValue time;
    time.type = DataType::Time;
    time.fractions = (13 * 3600 + 4 * 60 + 5) * 10000u;
    SQLParamValue stamp;
    stamp.type = DataType::TimeStamp;
    stamp.days = DbDays(2023, 12, 31);
    stamp.fractions = (23 * 3600 + 59 * 60 + 58) * 10000u;
    const std::string binary("\x00\x01\xFF", 3);
    const SQLParamValue values[] = {
        Number(DataType::Integer, 1),
        Text(DataType::String, "ab"),
        Text(DataType::String, "O'Neil 台北"),
        Number(DataType::SmallInt, -7),
        Number(DataType::BigInt, 9000000000LL),
        Number(DataType::Bcd, 12345, 2),
        real,
        date,
        time,
        stamp,
        Number(DataType::Boolean, 1),
        Text(DataType::Memo, "備註 memo"),
        Text(DataType::Blob, binary),
    };
    for (uint16_t i = 0; i < std::size(values); ++i)
        ASSERT_EQ(command->setParameter(i + 1, values[i]), SQLStatus::Success) << i << ErrorText(*command);
    ASSERT_EQ(Execute(*command), SQLStatus::Success) << ErrorText(*command);

    // Run again with a new key and every other value NULL: with and without a type.
    ASSERT_EQ(command->setParameter(1, Number(DataType::Integer, 2)), SQLStatus::Success);
    for (uint16_t i = 2; i <= std::size(values); ++i) {
        SQLParamValue null = i % 2 ? values[i - 1] : SQLParamValue{};
        null.isNull = true;
        ASSERT_EQ(command->setParameter(i, null), SQLStatus::Success) << i;
    }
    ASSERT_EQ(Execute(*command), SQLStatus::Success) << ErrorText(*command);

    const std::vector<std::string> first = {"ab    ",     "O'Neil 台北",   "-7",
                                            "9000000000", "123.45",        "2.500000000000000",
                                            "2024-01-05", "13:04:05.0000", "2023-12-31 23:59:58.0000",
                                            "TRUE",       "備註 memo",     "3",
                                            "TRUE"};
    EXPECT_EQ(Row(1), first);
    EXPECT_EQ(Row(2), std::vector<std::string>(first.size(), kDirectNullText));
}

TEST_P(ParameterTest, SameStatementRunsAgainWithNewValuesAndSelectsByValue) {
    auto insert = Prepared("INSERT INTO PARAM_T (K, V) VALUES (?, ?)");
    ASSERT_NE(insert, nullptr);
    const char *names[] = {"甲", "O'Neil", "  "};
    for (int k = 0; k < 3; ++k) {
        insert->setParameter(1, Number(DataType::Integer, k));
        insert->setParameter(2, Text(DataType::String, names[k]));
        ASSERT_EQ(Execute(*insert), SQLStatus::Success) << ErrorText(*insert);
    }
    auto select = Prepared("SELECT K FROM PARAM_T WHERE V = ? ORDER BY K");
    ASSERT_NE(select, nullptr);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(names[k]);
        select->setParameter(1, Text(DataType::String, names[k]));
        ISQLCursor *raw = nullptr;
        ASSERT_EQ(select->execute(&raw), SQLStatus::Success) << ErrorText(*select);
        std::unique_ptr<ISQLCursor> cursor(raw);
        ASSERT_NE(cursor, nullptr);
        const auto rows = FetchAll(*cursor);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], std::to_string(k));
    }
}

TEST_P(ParameterTest, MissingOrUnfitValuesAreRefused) {
    auto command = Prepared("INSERT INTO PARAM_T (K, V, S) VALUES (?, ?, ?)");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->setParameter(0, Number(DataType::Integer, 1)), SQLStatus::OutOfRange);
    EXPECT_EQ(command->setParameter(4, Number(DataType::Integer, 1)), SQLStatus::OutOfRange);
    EXPECT_EQ(command->setParameter(1, SQLParamValue{}), SQLStatus::InvalidFieldType);  // a value without a type
    command->setParameter(1, Number(DataType::Integer, 1));
    command->setParameter(2, Text(DataType::String, "x"));
    EXPECT_EQ(Execute(*command), SQLStatus::ParameterNotSet) << ErrorText(*command);

    struct Unfit {
        uint16_t index;
        SQLParamValue value;
        const char *words;
    };
    const Unfit unfit[] = {
        {2, Text(DataType::String, "longer than twelve"), "truncation"},
        {3, Number(DataType::Integer, 70000), "overflow"},
        {3, Text(DataType::String, "abc"), "conversion"},
    };
    for (const Unfit &u : unfit) {
        SCOPED_TRACE(u.words);
        command->setParameter(2, Text(DataType::String, "x"));
        command->setParameter(3, Number(DataType::Integer, 1));
        ASSERT_EQ(command->setParameter(u.index, u.value), SQLStatus::Success);
        EXPECT_GE(Execute(*command), SQLStatus::ServerError);
        EXPECT_NE(ErrorText(*command).find(u.words), std::string::npos) << ErrorText(*command);
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM PARAM_T"), 0);
    // The command goes on working.
    command->setParameter(3, Number(DataType::Integer, 1));
    EXPECT_EQ(Execute(*command), SQLStatus::Success) << ErrorText(*command);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM PARAM_T"), 1);
}

BATCHDEL_ON_EACH_BACKEND(ParameterTest);

}  // namespace
