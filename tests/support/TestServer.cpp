#include "tests/support/TestServer.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace {

std::string Env(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

bool TestServerAvailable() {
    return !TestServerAddress().empty() && !TestServerDir().empty() &&
           std::getenv("BATCHDEL_TEST_SERVER_PASSWORD") != nullptr;
}

std::string TestServerAddress() { return Env("BATCHDEL_TEST_SERVER"); }
std::string TestServerPassword() { return Env("BATCHDEL_TEST_SERVER_PASSWORD"); }
std::string TestServerDir() { return Env("BATCHDEL_TEST_SERVER_DIR"); }

batchdel::DbLogin TestServerLogin() { return batchdel::DbLogin{"SYSDBA", TestServerPassword()}; }

std::string TestServerDatabase(const std::string &name) {
    return TestServerAddress() + ":" + TestServerDir() + "/" + name;
}

bool IsRemoteDatabase(const std::string &database) {
    // "C:..." style drive letters do not occur here; a colon before the first
    // slash separates a host (or host/port) from the path on the server.
    const auto colon = database.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    return database[0] != '/';
}

batchdel::DbLogin LoginFor(const std::string &database) {
    if (IsRemoteDatabase(database) && TestServerAvailable()) return TestServerLogin();
    return batchdel::DbLogin{};
}

ServerDatabase::ServerDatabase(const std::string &stem) {
    static std::atomic<int> counter{0};
    const std::string name = stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".fdb";
    file_ = TestServerDir() + "/" + name;
    connect_ = TestServerDatabase(name);
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
}

ServerDatabase::~ServerDatabase() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
}
