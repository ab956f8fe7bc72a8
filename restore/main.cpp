// batchdel-restore: puts orders of a backup pair back into the database.
#include <iostream>

#include "cli/StopSignals.h"
#include "restore/RestoreCommand.h"

using namespace batchdel;

int main(int argc, char **argv) {
    // First of all, before the database library starts threads of its own.
    InstallStopSignals();
    return RunRestore(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
