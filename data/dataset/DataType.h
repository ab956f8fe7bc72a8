#pragma once
// Column and field types shared by the driver, the table engine and the fields.
#include <cstdint>

enum class DataType : uint16_t {
    Unknown = 0,
    String = 1,     // CHAR / VARCHAR, UTF-8 text
    SmallInt = 2,   // 16-bit integer
    Integer = 3,    // 32-bit integer
    BigInt = 4,     // 64-bit integer
    Float = 5,      // FLOAT and DOUBLE PRECISION, held as double
    Bcd = 6,        // NUMERIC / DECIMAL: a 64-bit integer scaled by 10^-scale
    Date = 7,       // days since 1858-11-17 (the database's own date count)
    Time = 8,       // fractions of 1/10000 s since midnight
    TimeStamp = 9,  // date and time as above
    Boolean = 10,
    Memo = 11,  // text BLOB, UTF-8
    Blob = 12,  // binary BLOB
};

// Database date count of 1858-11-17 is 0; these convert to a civil date.
struct CivilDate {
    int year;
    int month;
    int day;
};
CivilDate CivilFromDbDate(int32_t days);
int32_t DbDateFromCivil(int year, int month, int day);

constexpr uint32_t kTimeFractionsPerSecond = 10000;
