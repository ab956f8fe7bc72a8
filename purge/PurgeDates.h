#pragma once
// The dates of batchdel-purge's command line: a day written YYYY/MM/DD, an
// age counted back from today (90d, 18m, 3y), and a day as the window's date
// box returns it, so the query text is the one the window builds.
#include <cstdint>
#include <optional>
#include <string>

#include "CommandDays.h"

// The day an age ends on: today minus N days, months or years ("90d",
// "18m", "3y"). A month or year back onto a day the month lacks (31 March
// less one month) gives the month's last day. None when the text is no age.
std::optional<int32_t> DayBeforeAge(const std::string &text, int32_t today);

// Today, local time, as the database's day count.
int32_t LocalToday();

// The day as the window's date box gives it: YYYY, separator, MM,
// separator, DD, with the separator of the system's short date format.
std::string DateBoxText(int32_t day);
// The same with a given separator.
std::string DateBoxText(int32_t day, const std::string &separator);

// The separator of the window's date boxes (SystemDateSeparator), as text.
std::string DateBoxSeparator();

// Years 1 to 9999: the dates the database holds.
inline constexpr int kFirstYear = 1;
inline constexpr int kLastYear = 9999;
