#pragma once
// batchdel-purge as a function: the arguments after the program name, the
// operator's answers, what it prints and what it writes to standard error;
// returns the exit status (0 everything selected deleted, 1 some orders not,
// 2 nothing done).
#include <istream>
#include <ostream>
#include <string>
#include <vector>

struct PurgeTerminal {
    bool input = false;  // standard input is a terminal: ask before deleting
    bool error = false;  // standard error is a terminal: show a progress line
};

int RunPurge(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
             const PurgeTerminal &terminal);
