// The server stopped in the middle of a deletion: the failure is reported as
// any other, the program goes on, and the orders committed before it stay
// deleted and are in the journal. The test runs a server of its own, so the
// shared one stays up.
#include "OrderDatabaseTest.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "DeleteTickedOrders.h"
#include "Errors.h"
#include "Field.h"

namespace {

using namespace std::chrono_literals;

std::string Shell(const std::string &command, int *exitCode) {
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *exitCode = -1;
        return output;
    }
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    *exitCode = pclose(pipe);
    return output;
}

std::string EnvValue(const std::string &exports, const std::string &name) {
    const std::string key = "export " + name + "=";
    const auto at = exports.find(key);
    if (at == std::string::npos) return {};
    const auto start = at + key.size();
    return exports.substr(start, exports.find('\n', start) - start);
}

class DeletionServerStop : public OrderDatabaseTest {};

TEST_F(DeletionServerStop, IsReportedAndTheCommittedOrdersStayDeletedAndJournalled) {
    // Only where the shared test server runs: then a server can be started.
    BATCHDEL_REQUIRE_TEST_SERVER();
    const std::string script = std::string(BATCHDEL_SOURCE_DIR) + "/scripts/firebird-server";
    const std::string env = "BATCHDEL_FB_ROOT=" + dir.file("server") + " BATCHDEL_FB_PORT=3091 ";
    int code = 0;
    const std::string exports = Shell(env + script + " start", &code);
    ASSERT_EQ(code, 0) << exports;
    struct Stopper {
        std::string command;
        ~Stopper() {
            int ignored;
            Shell(command, &ignored);
        }
    } stopper{env + script + " stop"};

    const std::string file = EnvValue(exports, "BATCHDEL_TEST_SERVER_DIR") + "/orders.fdb";
    database = EnvValue(exports, "BATCHDEL_TEST_SERVER") + ":" + file;
    const std::string password = EnvValue(exports, "BATCHDEL_TEST_SERVER_PASSWORD");
    CreateDemoDatabase(database, 20, 1, DbLogin{"SYSDBA", password});
    WriteConfigFiles(dir.path(), database, {"Password=" + password});
    std::filesystem::create_directory(dir.path() + "/cds");
    window = std::make_unique<HeadlessOrderWindow>(dir.path());
    List();
    std::vector<int> all;
    for (int row = 0; row < 20; ++row) all.push_back(row);
    Tick(all);

    // The server goes while the eighth order is being deleted.
    window->afterAdvance = [&](int64_t done) {
        if (done == 8) {
            int stopped = 0;
            Shell(env + script + " stop", &stopped);
        }
    };
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    try {
        DeleteTickedOrders(*window, {0s});  // a commit after every order
        FAIL() << "the stopped server was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_FALSE(e.Message().empty());
    }
    // The program goes on: the next command fails the same way, not worse.
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    EXPECT_THROW(DeleteTickedOrders(*window), EDatabaseError);
    window.reset();

    // The file, opened in this process now that no server holds it.
    std::vector<std::string> journalled;
    std::ifstream journal(CdsFile("deletions.log"));
    std::string line;
    std::getline(journal, line);  // the header
    while (std::getline(journal, line)) journalled.push_back(line.substr(line.find('\t') + 1, 10));
    std::vector<std::string> expected;
    for (int n = 1; n <= 7; ++n) expected.push_back(DemoOrderNumber(n));
    EXPECT_EQ(journalled, expected);
    for (int n = 1; n <= 20; ++n) {
        const std::string order = "'" + DemoOrderNumber(n) + "'";
        const int64_t headers = CountRows(file, "SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = " + order);
        EXPECT_EQ(headers, n <= 7 ? 0 : 1) << order;
        if (headers == 1) {
            EXPECT_GT(CountRows(file, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = " + order), 0) << order;
        }
    }
}

}  // namespace
