// batchdel-purge: deletes the orders the filters select, with or without a
// backup, from the command line or a scheduler.
#include <unistd.h>

#include <fstream>
#include <iostream>

#include "purge/PurgeCommand.h"
#include "cli/StopSignals.h"

using namespace batchdel;

int main(int argc, char **argv) {
    // First of all, before the database library starts threads of its own.
    InstallStopSignals();
    PurgeTerminal terminal;
    terminal.error = isatty(STDERR_FILENO) == 1;
    // A question is asked only of a person at a terminal: on standard error
    // when that is the terminal too, else on the terminal itself, so that
    // it is seen with standard error sent to a file.
    std::ofstream tty;
    if (isatty(STDIN_FILENO) == 1) {
        if (terminal.error) {
            terminal.question = &std::cerr;
        } else {
            tty.open("/dev/tty");
            if (tty) terminal.question = &tty;
        }
    }
    return RunPurge(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr, terminal);
}
