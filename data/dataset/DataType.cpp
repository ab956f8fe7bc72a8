#include "data/dataset/DataType.h"

// The database counts days from 1858-11-17; the civil calendar arithmetic
// below counts from 1970-01-01 (proleptic Gregorian), 40587 days later.
namespace {
constexpr int64_t kDaysFrom1858To1970 = 40587;

int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;                                   // [0, 399]
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365]
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // [0, 146096]
    return era * 146097 + doe - 719468;
}
}  // namespace

CivilDate CivilFromDbDate(int32_t days) {
    const int64_t z = static_cast<int64_t>(days) - kDaysFrom1858To1970 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int64_t y = yoe + era * 400 + (m <= 2);
    return CivilDate{static_cast<int>(y), m, d};
}

int32_t DbDateFromCivil(int year, int month, int day) {
    return static_cast<int32_t>(DaysFromCivil(year, month, day) + kDaysFrom1858To1970);
}
