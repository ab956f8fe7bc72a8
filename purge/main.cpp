// batchdel-purge: deletes the orders the filters select, with or without a
// backup, from the command line or a scheduler.
#include <unistd.h>

#include <iostream>

#include "PurgeCommand.h"
#include "StopSignals.h"

int main(int argc, char **argv) {
    // First of all, before the database library starts threads of its own.
    InstallStopSignals();
    const PurgeTerminal terminal{isatty(STDIN_FILENO) == 1, isatty(STDERR_FILENO) == 1};
    return RunPurge(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr, terminal);
}
