#pragma once
// The dates of batchdel-purge's command line: a day written YYYY/MM/DD
// (CommandDays) and an age counted back from today (90d, 18m, 3y). They stay
// days until the query text writes them, the same way in every locale.
#include <cstdint>
#include <optional>
#include <string>

#include "orders/CommandDays.h"

namespace batchdel {

// The day an age ends on: today minus N days, months or years ("90d",
// "18m", "3y"). A month or year back onto a day the month lacks (31 March
// less one month) gives the month's last day. None when the text is no age.
std::optional<int32_t> DayBeforeAge(const std::string &text, int32_t today);

// Today, local time, as the database's day count.
int32_t LocalToday();

// Years 1 to 9999: the dates the database holds.
inline constexpr int kFirstYear = 1;
inline constexpr int kLastYear = 9999;

}  // namespace batchdel
