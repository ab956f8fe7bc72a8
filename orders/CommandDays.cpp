#include "orders/CommandDays.h"

#include "data/dataset/DataType.h"

#include <cstdio>

namespace batchdel {

std::optional<int32_t> ParseCommandDay(const std::string &text) {
    if (text.size() != 10 || (text[4] != '/' && text[4] != '-') || text[7] != text[4]) return std::nullopt;
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const int year = std::stoi(text.substr(0, 4));
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    const int32_t days = DbDateFromCivil(year, month, day);
    // A day the month lacks comes back as another day.
    const CivilDate back = CivilFromDbDate(days);
    if (back.year != year || back.month != month || back.day != day) return std::nullopt;
    return days;
}

std::string CommandDayText(int32_t day, const std::string &separator) {
    const CivilDate date = CivilFromDbDate(day);
    char year[8], month[4], dayOfMonth[4];
    std::snprintf(year, sizeof year, "%04d", date.year);
    std::snprintf(month, sizeof month, "%02d", date.month);
    std::snprintf(dayOfMonth, sizeof dayOfMonth, "%02d", date.day);
    return std::string(year) + separator + month + separator + dayOfMonth;
}

}  // namespace batchdel
