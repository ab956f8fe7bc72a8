// The server stopped in the middle of a deletion: the failure is reported as
// any other, the program goes on, and the orders committed before it stay
// deleted and are in the journal. The test runs a server of its own, so the
// shared one stays up.
#include "tests/workflow/OrderDatabaseTest.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "tests/support/PrivateServer.h"
#include "workflow/DeleteTickedOrders.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;

class DeletionServerStop : public OrderDatabaseTest {};

TEST_F(DeletionServerStop, IsReportedAndTheCommittedOrdersStayDeletedAndJournalled) {
    // Only where the shared test server runs: then a server can be started.
    BATCHDEL_REQUIRE_TEST_SERVER();
    PrivateServer server(dir.file("server"), 3091);
    ASSERT_TRUE(server.Started()) << server.StartOutput();

    const std::string file = server.Dir() + "/orders.fdb";
    database = server.Address() + ":" + file;
    const std::string password = server.Password();
    CreateDemoDatabase(database, 20, 1, DbLogin{"SYSDBA", password});
    WriteConfigFiles(dir.path(), database, {"Password=" + password});
    std::filesystem::create_directory(dir.path() + "/cds");
    window = std::make_unique<HeadlessOrderWindow>(dir.path());
    List();
    std::vector<int> all;
    for (int row = 0; row < 20; ++row) all.push_back(row);
    Tick(all);

    // The server goes once the second round trip of four orders is done,
    // before that batch is committed.
    window->afterAdvance = [&](int64_t done) {
        if (done == 8) {
            server.Stop();
        }
    };
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    try {
        DeleteTickedOrders(*window, {0s, 4});  // a commit after every four orders
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
    for (int n = 1; n <= 4; ++n) expected.push_back(DemoOrderNumber(n));
    EXPECT_EQ(journalled, expected);
    for (int n = 1; n <= 20; ++n) {
        const std::string order = "'" + DemoOrderNumber(n) + "'";
        const int64_t headers = CountRows(file, "SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = " + order);
        EXPECT_EQ(headers, n <= 4 ? 0 : 1) << order;
        if (headers == 1) {
            EXPECT_GT(CountRows(file, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = " + order), 0) << order;
        }
    }
}

}  // namespace
