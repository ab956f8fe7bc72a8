#include "tests/support/TestDatabase.h"

#include <atomic>
#include <stdexcept>

#include "tests/support/TestServer.h"

using namespace batchdel;

std::string MakeTestDatabase(const TempDir &dir, int orders) {
    static std::atomic<int> counter{0};
    const std::string path = dir.file("orders" + std::to_string(++counter) + ".fdb");
    CreateDemoDatabase(path, orders);
    return path;
}

std::vector<std::vector<std::string>> QueryRows(const std::string &database, const std::string &sql) {
    return DirectDatabase::Open(database, LoginFor(database)).Query(sql);
}

int64_t CountRows(const std::string &database, const std::string &sql) {
    const auto rows = QueryRows(database, sql);
    if (rows.empty() || rows[0].empty()) throw std::runtime_error("no value from: " + sql);
    return std::stoll(rows[0][0]);
}
