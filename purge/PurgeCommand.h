#pragma once
// batchdel-purge as a function: the arguments after the program name, the
// operator's answers, what it prints and what it writes to standard error;
// returns the exit status (CommandStatus).
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandStatus.h"

namespace batchdel {

struct PurgeTerminal {
    bool error = false;  // standard error is a terminal: show a progress line
    // Where the question before deleting goes, its answer read from `in`;
    // null when no person can answer (standard input is no terminal).
    std::ostream *question = nullptr;
};

int RunPurge(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
             const PurgeTerminal &terminal);

}  // namespace batchdel
