// batchdel-restore: puts orders of a backup pair back into the database.
#include <iostream>

#include "restore/RestoreCommand.h"

using namespace batchdel;

int main(int argc, char **argv) {
    return RunRestore(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
