#pragma once
// batchdel-purge as a function: the arguments after the program name, the
// operator's answers, what it prints and what it writes to standard error;
// returns the exit status (PurgeStatus).
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// The exit statuses, one table for the usage text and the man page.
enum PurgeStatus {
    kPurgeDone = 0,     // every order taken deleted (or would be; or none selected)
    kPurgePartly = 1,   // some orders taken were not deleted
    kPurgeNothing = 2,  // nothing done: bad arguments, no connection, backup failed
    kPurgeBusy = 3,     // another run holds the cds folder or the database
};

struct PurgeTerminal {
    bool error = false;  // standard error is a terminal: show a progress line
    // Where the question before deleting goes, its answer read from `in`;
    // null when no person can answer (standard input is no terminal).
    std::ostream *question = nullptr;
};

int RunPurge(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
             const PurgeTerminal &terminal);
