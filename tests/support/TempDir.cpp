#include "tests/support/TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/batchdel-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary folder under /tmp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
