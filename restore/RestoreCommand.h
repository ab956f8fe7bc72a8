#pragma once
// batchdel-restore as a function: the arguments after the program name,
// what it prints and what it writes to standard error; returns the exit
// status (0 everything asked for restored, 1 some orders not, 2 nothing
// done).
#include <ostream>
#include <string>
#include <vector>

namespace batchdel {

int RunRestore(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

}  // namespace batchdel
