#pragma once
// The wall clock in the machine's local time, as the backup file names and
// the journal's lines carry it.
#include <ctime>

namespace batchdel {

std::tm LocalNow();

}  // namespace batchdel
