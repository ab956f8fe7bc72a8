#pragma once
// Days as the command-line tools take them: YYYY/MM/DD (or YYYY-MM-DD).
#include <cstdint>
#include <optional>
#include <string>

// The day as the database's day count; none for a text of another form or a
// day that does not exist (2023/02/30, year 0).
std::optional<int32_t> ParseCommandDay(const std::string &text);
