#pragma once
// Days as the command-line tools take them and write them: YYYY/MM/DD (or
// YYYY-MM-DD).
#include <cstdint>
#include <optional>
#include <string>

namespace batchdel {

// The day as the database's day count; none for a text of another form or a
// day that does not exist (2023/02/30, year 0).
std::optional<int32_t> ParseCommandDay(const std::string &text);

// The day as YYYY<separator>MM<separator>DD, year 1 as 0001.
std::string CommandDayText(int32_t day, const std::string &separator = "/");

}  // namespace batchdel
