// A deletion killed in the middle (SIGKILL, as when the machine stops): every
// order is still whole or gone, and every order the journal names is gone.
// The deletion runs in a child process (this test program again, running only
// the child test below), so that the kill is real.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "tests/support/TestSupport.h"
#include "tests/workflow/HeadlessOrderWindow.h"
#include "workflow/DeleteTickedOrders.h"
#include "workflow/QueryOrders.h"
#include "workflow/SelectAllOrders.h"

using namespace batchdel;

extern char **environ;

namespace {

using namespace std::chrono_literals;

constexpr const char *kChildFolder = "BATCHDEL_DELETION_CHILD_FOLDER";
constexpr int kOrders = 1500;

// The journal's whole lines (a line the kill cut short is left out), less
// the header line.
std::vector<std::string> JournalLines(const std::string &path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<std::string> lines;
    std::string all = text.str();
    for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(all.substr(start, end - start));
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
}

std::map<std::string, int64_t> LinesPerOrder(const std::string &database) {
    std::map<std::string, int64_t> lines;
    for (const auto &row : QueryRows(database, "SELECT MASTERBILLID, COUNT(*) FROM ORDER_SUB GROUP BY 1"))
        lines[row.at(0)] = std::stoll(row.at(1));
    return lines;
}

// The child: lists every order, ticks them all and deletes them, with short
// batches so that many commits happen before the kill.
TEST(DeletionChild, DeletesEveryOrder) {
    const char *folder = std::getenv(kChildFolder);
    if (!folder) GTEST_SKIP() << "runs only as the child of DeletionKilled";
    HeadlessOrderWindow window(folder);
    QueryOrders(window);
    SelectAllOrders(window);
    window.messageBoxAnswers = {mrYes};
    window.dialogAnswers = {mrNo};
    // A commit after every round trip of few orders, so that the run lasts
    // long enough to be killed in the middle even on a busy machine: a
    // batch of 10 ms held hundreds of orders on the embedded engine, and the
    // whole run could end between two looks at the journal.
    DeleteTickedOrders(window, {0ms, 5});
}

class DeletionKilled : public testing::TestWithParam<Backend> {};

TEST_P(DeletionKilled, LeavesOnlyWholeOrdersAndEveryJournalledOrderIsGone) {
    const bool onServer = GetParam() == Backend::Server;
    if (onServer) BATCHDEL_REQUIRE_TEST_SERVER();
    TempDir dir;
    std::unique_ptr<ServerDatabase> serverDatabase;
    std::string database;
    if (onServer) {
        serverDatabase = std::make_unique<ServerDatabase>("killed");
        database = serverDatabase->connectString();
        CreateDemoDatabase(database, kOrders, 1, TestServerLogin());
    } else {
        database = MakeTestDatabase(dir, kOrders);
    }
    WriteConfigFiles(dir.path(), database);
    std::filesystem::create_directory(dir.path() + "/cds");
    const std::map<std::string, int64_t> before = LinesPerOrder(database);
    const int64_t headersBefore = CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER");

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter = "--gtest_filter=DeletionChild.DeletesEveryOrder";
    const std::string folderVariable = std::string(kChildFolder) + "=" + dir.path();
    std::vector<char *> env;
    for (char **e = environ; *e; ++e) env.push_back(*e);
    env.push_back(const_cast<char *>(folderVariable.c_str()));
    env.push_back(nullptr);
    char *argv[] = {const_cast<char *>(self.c_str()), const_cast<char *>(filter.c_str()), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, env.data()), 0);

    // Killed once a few batches are committed and journalled.
    const std::string journal = dir.path() + "/cds/deletions.log";
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    int status = 0;
    bool exited = false;
    while (JournalLines(journal).size() < 20 && std::chrono::steady_clock::now() < deadline) {
        if (waitpid(child, &status, WNOHANG) == child) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(2ms);
    }
    if (!exited) {
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, &status, 0), child);
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended before it was killed, status " << status;

    const std::map<std::string, int64_t> after = LinesPerOrder(database);
    const std::vector<std::vector<std::string>> headers = QueryRows(database, "SELECT MASTERBILLID FROM ORDER_MASTER");
    // Every order left has all its lines: they would be what went first.
    std::set<std::string> left;
    for (const auto &row : headers) {
        left.insert(row.at(0));
        const std::string &order = row.at(0);
        const auto had = before.find(order);
        const auto has = after.find(order);
        EXPECT_EQ(has == after.end() ? 0 : has->second, had == before.end() ? 0 : had->second) << order;
    }
    // Lines without their header do not exist.
    EXPECT_EQ(CountRows(database,
                        "SELECT COUNT(*) FROM ORDER_SUB s WHERE NOT EXISTS"
                        " (SELECT 1 FROM ORDER_MASTER m WHERE m.MASTERBILLID = s.MASTERBILLID)"),
              0);
    // The run was cut in the middle: some orders went, some stayed.
    const int64_t headersAfter = static_cast<int64_t>(headers.size());
    EXPECT_LT(headersAfter, headersBefore);
    EXPECT_GT(headersAfter, 0);

    const std::vector<std::string> journalled = JournalLines(journal);
    EXPECT_GE(journalled.size(), 20u);
    EXPECT_LE(static_cast<int64_t>(journalled.size()), headersBefore - headersAfter);
    for (const std::string &line : journalled) {
        const std::string order =
            line.substr(line.find('\t') + 1, line.find('\t', line.find('\t') + 1) - line.find('\t') - 1);
        EXPECT_EQ(left.count(order), 0u) << order;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, DeletionKilled, BothBackends(), BackendCaseName);

}  // namespace
