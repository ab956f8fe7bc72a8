#include "purge/PurgeDates.h"

#include <algorithm>
#include <charconv>
#include <ctime>

#include "data/dataset/DataType.h"

namespace batchdel {

namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<int32_t> DayBeforeAge(const std::string &text, int32_t today) {
    if (text.size() < 2) return std::nullopt;
    const char unit = text.back();
    const std::string digits = text.substr(0, text.size() - 1);
    if (digits.size() > 7) return std::nullopt;
    int count = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (error != std::errc() || end != digits.data() + digits.size() || digits[0] == '+' || count < 0)
        return std::nullopt;
    const CivilDate now = CivilFromDbDate(today);
    int year = now.year;
    int month = now.month;
    if (unit == 'd') {
        const int32_t day = today - count;
        if (CivilFromDbDate(day).year < kFirstYear) return std::nullopt;
        return day;
    }
    if (unit == 'm') {
        const int months = year * 12 + (month - 1) - count;
        if (months < 12 * kFirstYear) return std::nullopt;
        year = months / 12;
        month = months % 12 + 1;
    } else if (unit == 'y') {
        year -= count;
    } else {
        return std::nullopt;
    }
    if (year < kFirstYear) return std::nullopt;
    const int day = std::min(now.day, DaysInMonth(year, month));
    return DbDateFromCivil(year, month, day);
}

int32_t LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DbDateFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace batchdel
