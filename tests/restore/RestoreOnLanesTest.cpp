// The restore with several connections carrying blocks at once. Whatever
// happens on any of them, the end state is the one of a transaction per
// order, and the caller (the journal) is told of exactly the committed
// orders, one batch at a time on its own thread, each batch told before the
// next one commits: a refused order on one connection, a journal that fails,
// a stop asked for, the link to the server dropped under the blocks in
// flight.
#include "tests/workflow/OrderDatabaseTest.h"

#include <QProcess>

#include <csignal>
#include <chrono>
#include <fstream>
#include <set>
#include <stdexcept>
#include <thread>

#include "data/dataset/Errors.h"
#include "data/sql/ConfigLocation.h"
#include "data/sql/SQLConnection.h"
#include "restore/BackupPair.h"
#include "restore/OrderRestorer.h"
#include "tests/support/JournalNumbers.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/ProgramRun.h"
#include "tools/DemoDatabase.h"
#include "tools/SlowLink.h"
#include "workflow/BackupOrders.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

int PortOf(const std::string &address) { return std::stoi(address.substr(address.find('/') + 1)); }

class RestoreOnLanes : public OrderDatabaseTest, public testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) BATCHDEL_REQUIRE_TEST_SERVER();
    }

    // `orders` demo orders backed up through the window's command, then
    // deleted.
    void BackUpAndEmpty(int orders, const std::vector<std::string> &extraSql = {}) {
        databaseOn = GetParam();
        OpenDatabase(orders, extraSql);
        before = Rows();
        BackUp();
    }
    // `orders` demo orders in a database of its own on the test server,
    // which the window reaches through a link of this delay; backed up,
    // then deleted.
    std::unique_ptr<SlowLink> BackUpAndEmptyBehindLink(const std::string &name, int orders,
                                                       std::chrono::microseconds delay) {
        serverDatabase = std::make_unique<ServerDatabase>(name);
        database = serverDatabase->connectString();
        CreateDemoDatabase(database, orders, 1, TestServerLogin());
        auto link = std::make_unique<SlowLink>("127.0.0.1", PortOf(TestServerAddress()), delay);
        WriteConfigFiles(dir.path(), "127.0.0.1/" + std::to_string(link->Port()) + ":" + serverDatabase->file(),
                         {"Password=" + TestServerPassword()});
        std::filesystem::create_directories(dir.path() + "/cds");
        window = std::make_unique<HeadlessOrderWindow>(dir.path());
        before = Rows();
        BackUp();
        return link;
    }
    void BackUp() {
        window->now.tm_year = 125;
        window->now.tm_mday = 1;
        backup = BackupOrders(*window);
        ExecuteSql(database, {"DELETE FROM ORDER_SUB", "DELETE FROM ORDER_MASTER"}, LoginFor(database));
        pair.emplace(BackupPair::Load(backup.headerFile, backup.detailFile, false));
    }

    std::vector<std::vector<std::string>> OrderRows(const std::string &number) const {
        auto rows = QueryRows(database, "SELECT * FROM ORDER_MASTER WHERE MASTERBILLID = " + Literal(number));
        for (auto &row : QueryRows(
                 database, "SELECT * FROM ORDER_SUB WHERE MASTERBILLID = " + Literal(number) + " ORDER BY LINE_NO"))
            rows.push_back(std::move(row));
        return rows;
    }
    // Every order's rows, read in one query a table.
    std::map<std::string, std::vector<std::vector<std::string>>> Rows() const {
        std::map<std::string, std::vector<std::vector<std::string>>> rows;
        for (const char *select : {"SELECT t.MASTERBILLID, t.* FROM ORDER_MASTER t",
                                   "SELECT t.MASTERBILLID, t.* FROM ORDER_SUB t ORDER BY t.MASTERBILLID, t.LINE_NO"})
            for (auto &row : QueryRows(database, select)) {
                const std::string number = row.front();
                row.erase(row.begin());
                rows[number].push_back(std::move(row));
            }
        return rows;
    }
    // The order numbers the database holds now, as another user sees them:
    // only what is committed.
    std::set<std::string> Committed() const {
        std::set<std::string> numbers;
        for (const auto &row : QueryRows(database, "SELECT MASTERBILLID FROM ORDER_MASTER")) numbers.insert(row.at(0));
        return numbers;
    }
    // Every order in the database is whole and as backed up.
    void ExpectOnlyWholeOrders() const {
        for (const auto &[number, rows] : Rows()) EXPECT_EQ(rows, before.at(number)) << number;
        EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB s WHERE NOT EXISTS (SELECT 1 FROM ORDER_MASTER m"
                        " WHERE m.MASTERBILLID = s.MASTERBILLID)"),
                  0);
    }

    // Restores every order of the backup: two a round trip, three
    // connections, a commit after every round trip; `tell` hears of each
    // committed batch.
    RestoreOutcome Restore(const std::function<void(const std::vector<const BackupOrder *> &)> &tell,
                           const std::function<bool()> &stop = {}) {
        std::vector<const BackupOrder *> orders;
        for (const BackupOrder &order : pair->Orders()) orders.push_back(&order);
        TSQLConnection &connection = window->Connection();
        connection.Open();
        OrderRestorer restorer(connection, *pair);
        restorer.ordersPerRoundTrip = 2;
        restorer.connections = 3;
        restorer.batchTime = 0ms;
        restorer.stopWanted = stop;
        RestoreOutcome outcome;
        try {
            restorer.Restore(orders, tell, outcome);
        } catch (...) {
            Note(outcome);
            throw;
        }
        Note(outcome);
        return outcome;
    }
    void Note(const RestoreOutcome &outcome) {
        restored.clear();
        for (const BackupOrder *order : outcome.restored) restored.insert(order->number);
    }

    std::map<std::string, std::vector<std::vector<std::string>>> before;
    BackupResult backup;
    std::optional<BackupPair> pair;
    std::set<std::string> restored;
    std::set<std::string> told;  // the orders the batches told of
    int batches = 0;
};

// Each batch reaches the caller on the caller's thread, committed, and
// before any other batch commits: the orders in the database are exactly the
// ones told of, at every call.
TEST_P(RestoreOnLanes, EachBatchIsToldOnTheCallersThreadOnceCommittedAndBeforeTheNextCommit) {
    BackUpAndEmpty(24);
    const std::thread::id caller = std::this_thread::get_id();
    const RestoreOutcome outcome = Restore([&](const std::vector<const BackupOrder *> &batch) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        for (const BackupOrder *order : batch) EXPECT_TRUE(told.insert(order->number).second) << order->number;
        EXPECT_EQ(Committed(), told);
        ++batches;
    });
    EXPECT_GT(batches, 3);
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(outcome.ordersAlone, 0);
    EXPECT_EQ(told, restored);
    EXPECT_EQ(Rows(), before);
}

// Orders refused in blocks that different connections carry: each left out
// whole with the server's words, its block's other order restored.
TEST_P(RestoreOnLanes, OrdersRefusedOnDifferentConnectionsAreLeftOutAloneAndTheRestComeBack) {
    BackUpAndEmpty(12, {"CREATE EXCEPTION NO_LINE 'line refused'",
                        "CREATE TRIGGER REFUSE_LINE FOR ORDER_SUB BEFORE INSERT AS BEGIN"
                        " IF (NEW.MASTERBILLID IN ('" +
                            DemoOrderNumber(1) + "', '" + DemoOrderNumber(6) + "', '" + DemoOrderNumber(12) +
                            "') AND NEW.LINE_NO = 2) THEN EXCEPTION NO_LINE; END"});
    const RestoreOutcome outcome = Restore([&](const std::vector<const BackupOrder *> &batch) {
        for (const BackupOrder *order : batch) told.insert(order->number);
    });
    std::set<std::string> failed;
    for (const auto &[order, reason] : outcome.failed) {
        failed.insert(order->number);
        EXPECT_THAT(reason, HasSubstr("line refused")) << order->number;
    }
    const std::set<std::string> refused{DemoOrderNumber(1), DemoOrderNumber(6), DemoOrderNumber(12)};
    EXPECT_EQ(failed, refused);
    // Only the three refused blocks went again one order at a time.
    EXPECT_EQ(outcome.ordersAlone, 6);
    EXPECT_EQ(told, restored);
    for (const auto &[number, rows] : before)
        if (refused.count(number))
            EXPECT_TRUE(OrderRows(number).empty()) << number;
        else
            EXPECT_EQ(OrderRows(number), rows) << number;
}

// The journal fails: that batch is committed and named by the failure, the
// other connections roll back what they have not committed, and nothing
// committed goes untold. A second run finishes the job.
TEST_P(RestoreOnLanes, AJournalThatFailsLeavesOnlyTheToldBatchesCommitted) {
    BackUpAndEmpty(24);
    std::set<std::string> failing;
    EXPECT_THROW(Restore([&](const std::vector<const BackupOrder *> &batch) {
                     if (++batches < 3) {
                         for (const BackupOrder *order : batch) told.insert(order->number);
                         return;
                     }
                     for (const BackupOrder *order : batch) failing.insert(order->number);
                     throw std::runtime_error("the journal cannot be written");
                 }),
                 std::runtime_error);
    EXPECT_EQ(batches, 3);
    std::set<std::string> committed = told;
    committed.insert(failing.begin(), failing.end());
    EXPECT_EQ(Committed(), committed);
    EXPECT_EQ(restored, committed);
    ExpectOnlyWholeOrders();

    told.clear();
    Restore([&](const std::vector<const BackupOrder *> &batch) {
        for (const BackupOrder *order : batch) told.insert(order->number);
    });
    EXPECT_EQ(told.size() + committed.size(), before.size());
    EXPECT_EQ(Rows(), before);
}

// A stop (Cancel, SIGTERM) ends every connection after its round trip in
// flight: what is committed is whole and told, the rest untried.
TEST_P(RestoreOnLanes, AStopEndsEveryConnectionAfterItsRoundTripKeepingWholeToldOrders) {
    BackUpAndEmpty(40);
    const RestoreOutcome outcome = Restore(
        [&](const std::vector<const BackupOrder *> &batch) {
            ++batches;
            for (const BackupOrder *order : batch) told.insert(order->number);
        },
        [&] { return batches >= 2; });
    // Each of the three connections had at most one more round trip.
    EXPECT_LE(told.size(), 2u * 2 + 3 * 2);
    EXPECT_LT(told.size(), before.size());
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(Committed(), told);
    EXPECT_EQ(restored, told);
    ExpectOnlyWholeOrders();
}

INSTANTIATE_TEST_SUITE_P(Both, RestoreOnLanes, BothBackends(), BackendCaseName);

// ---- the link to the server dropped under the blocks in flight ----

class RestoreOnLanesLinkDropped : public RestoreOnLanes {};

TEST_P(RestoreOnLanesLinkDropped, LeavesWholeToldOrdersAndASecondRunFinishes) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const auto link = BackUpAndEmptyBehindLink("lanes", 60, 2ms);

    // The link drops every connection once a few batches are told.
    EXPECT_THROW(Restore([&](const std::vector<const BackupOrder *> &batch) {
                     for (const BackupOrder *order : batch) told.insert(order->number);
                     if (++batches == 3) link->DropConnections();
                 }),
                 Exception);
    EXPECT_GE(batches, 3);
    EXPECT_LT(told.size(), before.size());
    EXPECT_EQ(Committed(), told);
    EXPECT_EQ(restored, told);
    ExpectOnlyWholeOrders();

    window = std::make_unique<HeadlessOrderWindow>(dir.path());
    std::set<std::string> first = told;
    told.clear();
    Restore([&](const std::vector<const BackupOrder *> &batch) {
        for (const BackupOrder *order : batch) told.insert(order->number);
    });
    EXPECT_EQ(told.size() + first.size(), before.size());
    EXPECT_EQ(Rows(), before);
}

// The answer to a restore's commit lost with its connection (the commit
// was made): with the server reachable again the restore looks and tells
// the batch as committed; with the link down it names the batch in doubt.
// Either way the lost connection is the run's failure. On one connection the
// commit is the next thing sent after a round trip; on two, each with one
// block, the second connection's commit is all that is left to send once
// the first batch is told and the second block long answered.
struct LostAnswerCase {
    int connections;
    bool linkStaysDown;
};

TEST_P(RestoreOnLanesLinkDropped, ACommitWhoseAnswerIsLostIsLookedUpOrNamedInDoubt) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    for (const LostAnswerCase c :
         {LostAnswerCase{1, false}, LostAnswerCase{1, true}, LostAnswerCase{2, false}, LostAnswerCase{2, true}}) {
        SCOPED_TRACE(std::to_string(c.connections) + " connection(s), " +
                     (c.linkStaysDown ? "the link stays down" : "the server reached again"));
        const int orders = c.connections == 1 ? 8 : 4;
        const auto link = BackUpAndEmptyBehindLink(
            "lost" + std::to_string(c.connections) + (c.linkStaysDown ? "down" : "again"), orders, 0ms);
        std::vector<const BackupOrder *> all;
        for (const BackupOrder &order : pair->Orders()) all.push_back(&order);
        window->Connection().Open();
        OrderRestorer restorer(window->Connection(), *pair);
        restorer.ordersPerRoundTrip = 2;
        restorer.connections = c.connections;
        restorer.batchTime = 0ms;
        const auto loseTheNextAnswer = [&] {
            link->LoseNextAnswer();
            if (c.linkStaysDown) link->RefuseNew();
        };
        // One connection: asked after each round trip, before its commit.
        int roundTrips = 0;
        if (c.connections == 1)
            restorer.stopWanted = [&] {
                if (++roundTrips == 2) loseTheNextAnswer();
                return false;
            };
        told.clear();
        RestoreOutcome outcome;
        EXPECT_THROW(restorer.Restore(
                         all,
                         [&](const std::vector<const BackupOrder *> &batch) {
                             const bool first = told.empty();
                             for (const BackupOrder *order : batch) told.insert(order->number);
                             if (c.connections == 2 && first) {
                                 // The other connection's block is answered
                                 // by now, its commit waiting for the turn.
                                 std::this_thread::sleep_for(500ms);
                                 loseTheNextAnswer();
                             }
                         },
                         outcome),
                     Exception);
        // Two batches of two are committed, the second with its answer
        // lost; on one connection the walk ends there.
        EXPECT_EQ(Committed().size(), 4u);
        std::set<std::string> inDoubt;
        for (const BackupOrder *order : outcome.inDoubt) inDoubt.insert(order->number);
        if (c.linkStaysDown) {
            EXPECT_EQ(told.size(), 2u);
            EXPECT_EQ(inDoubt.size(), 2u);
            for (const std::string &number : inDoubt) EXPECT_TRUE(Committed().count(number)) << number;
        } else {
            EXPECT_EQ(told, Committed());
            EXPECT_TRUE(inDoubt.empty());
        }
        ExpectOnlyWholeOrders();
        window.reset();
    }
}

// Connections beside the first that cannot be opened (the server takes no
// more) leave every order to the first: all come back, each batch told.
TEST_P(RestoreOnLanesLinkDropped, ConnectionsThatCannotOpenLeaveTheOrdersToTheFirst) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const auto link = BackUpAndEmptyBehindLink("lanes", 30, 0ms);
    window->Connection().Open();
    link->RefuseNew();
    const RestoreOutcome outcome = Restore([&](const std::vector<const BackupOrder *> &batch) {
        for (const BackupOrder *order : batch) told.insert(order->number);
    });
    EXPECT_EQ(outcome.restored.size(), before.size());
    EXPECT_EQ(Committed(), told);
    EXPECT_EQ(Rows(), before);
}

// batchdel-restore over a link slow enough that a run lasts a while, with
// orders enough that each connection commits several batches, run from a
// folder of its own whose journal exists.
class RestoreCommandOnLanes : public RestoreOnLanes {
protected:
    void SetUp() override {
        BATCHDEL_REQUIRE_TEST_SERVER();
        link = BackUpAndEmptyBehindLink("lanes", 1500, 5ms);
        window.reset();
        program = dir.path() + "/program/";
        std::filesystem::create_directories(program + "cds");
        for (const char *file : {"batchdel-restore", "libibdriver.so", "drivers.ini"})
            std::filesystem::copy_file(ProgramFolder() + file, program + file);
        std::ofstream(program + "cds/deletions.log") << "time\tMASTERBILLID\tORDER_SUB lines\tbackup\tdatabase\tuser\n";
    }
    void Start(QProcess &process) const {
        process.start(QString::fromStdString(program + "batchdel-restore"), CommandArguments());
        ASSERT_TRUE(process.waitForStarted());
        // Once some orders are committed, the others still on their way.
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (Count("SELECT COUNT(*) FROM ORDER_MASTER") == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
    }
    QStringList CommandArguments() const {
        return {QStringLiteral("--database"), QString::fromStdString(dir.path() + "/connections.ini"),
                QString::fromStdString(backup.headerFile), QString::fromStdString(backup.detailFile)};
    }
    // The order numbers the journal names.
    std::set<std::string> Journalled() const {
        const std::vector<std::string> numbers = JournalOrderNumbers(program + "cds/deletions.log");
        return {numbers.begin(), numbers.end()};
    }
    // A second run restores the rest, and journals what it restored.
    void ExpectASecondRunFinishes() {
        const std::set<std::string> first = Committed();
        QProcess again;
        again.start(QString::fromStdString(program + "batchdel-restore"), CommandArguments());
        ASSERT_TRUE(again.waitForFinished(120000));
        EXPECT_EQ(Rows(), before) << again.readAllStandardError().toStdString();
        const std::set<std::string> journalled = Journalled();
        for (const auto &[number, rows] : before)
            if (!first.count(number)) EXPECT_TRUE(journalled.count(number)) << number;
    }

    std::unique_ptr<SlowLink> link;
    std::string program;
};

// Killed while its connections have blocks in flight: every order in the
// database is whole, and a second run finishes the job.
TEST_P(RestoreCommandOnLanes, KilledWithBlocksInFlightLeavesWholeOrdersAndASecondRunFinishes) {
    QProcess process;
    Start(process);
    process.kill();
    process.waitForFinished();
    const int64_t got = Count("SELECT COUNT(*) FROM ORDER_MASTER");
    EXPECT_GT(got, 0);
    EXPECT_LT(got, static_cast<int64_t>(before.size())) << "the run ended before the kill";
    ExpectOnlyWholeOrders();
    // The journal names every committed order but those of the one batch
    // between its commit and its journal lines.
    const std::set<std::string> journalled = Journalled();
    for (const std::string &number : journalled) EXPECT_TRUE(Committed().count(number)) << number;
    ExpectASecondRunFinishes();
}

// SIGTERM with blocks in flight stops every connection after its round
// trip: whole orders, each committed one in the journal, and a message that
// says how many are restored and left.
TEST_P(RestoreCommandOnLanes, SigtermWithBlocksInFlightStopsWithTheJournalNamingExactlyTheRestoredOrders) {
    QProcess process;
    Start(process);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    const ProgramRun run = FinishProgram(process, "batchdel-restore");
    EXPECT_EQ(run.status, 1) << run.err;
    const std::set<std::string> committed = Committed();
    EXPECT_GT(committed.size(), 0u);
    EXPECT_LT(committed.size(), before.size()) << "the run ended before the signal";
    EXPECT_THAT(run.err, HasSubstr("stopped by a signal"));
    EXPECT_THAT(run.err,
                HasSubstr(std::to_string(committed.size()) + " orders are restored; all of them are in the journal\n"));
    EXPECT_THAT(run.err, HasSubstr(std::to_string(before.size() - committed.size()) +
                                   " orders asked for are left for the next run"));
    EXPECT_EQ(Journalled(), committed);
    ExpectOnlyWholeOrders();
    ExpectASecondRunFinishes();
}

INSTANTIATE_TEST_SUITE_P(Server, RestoreCommandOnLanes, testing::Values(Backend::Server), BackendCaseName);

INSTANTIATE_TEST_SUITE_P(Server, RestoreOnLanesLinkDropped, testing::Values(Backend::Server), BackendCaseName);

}  // namespace
