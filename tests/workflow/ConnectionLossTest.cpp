// The window's commands on a server reached through a link that the test
// cuts and restores: a connection that died while nothing ran is made again
// without a word; reads start over once when the link dies under them;
// a deletion that loses its connection after it has sent a deletion stops,
// whole orders and an exact journal; a link that stays down is one failure.
#include "tests/workflow/OrderDatabaseTest.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "tests/support/JournalNumbers.h"
#include "tests/support/PrivateServer.h"
#include "tools/SlowLink.h"
#include "workflow/BackupOrders.h"
#include "workflow/DeleteTickedOrders.h"
#include "workflow/QueryOrders.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

int PortOf(const std::string &address) { return std::stoi(address.substr(address.find('/') + 1)); }

class ConnectionLoss : public OrderDatabaseTest {
protected:
    // `orders` demo orders on the test server; the window reaches them
    // through the link, the checks go straight to the server.
    void OpenThroughLink(int orders, std::chrono::microseconds delay = 0us) {
        serverDatabase = std::make_unique<ServerDatabase>("loss");
        database = serverDatabase->connectString();
        CreateDemoDatabase(database, orders, 1, TestServerLogin());
        link = std::make_unique<SlowLink>("127.0.0.1", PortOf(TestServerAddress()), delay);
        WriteConfigFiles(dir.path(), "127.0.0.1/" + std::to_string(link->Port()) + ":" + serverDatabase->file(),
                         {"Password=" + TestServerPassword()});
        fs::create_directory(dir.path() + "/cds");
        window = std::make_unique<HeadlessOrderWindow>(dir.path());
    }

    // `orders` orders through the link, listed and every one ticked; their
    // numbers as listed.
    std::vector<std::string> ListAndTickAll(int orders) {
        OpenThroughLink(orders);
        List();
        std::vector<int> all;
        for (int row = 0; row < orders; ++row) all.push_back(row);
        Tick(all);
        return ListedOrders();
    }

    // The link goes down and comes back while nothing runs.
    void CutWhileIdle() {
        link->Cut();
        link->Restore();
    }

    // Drops the link's connections once the command has sent `pieces` more
    // pieces of data: the command is then half-way through its reads, and
    // the link is up again for its next connect.
    void CutAfter(long pieces) {
        const long from = link->SentPieces();
        cutter = std::thread([this, from, pieces] {
            while (link->SentPieces() < from + pieces && !stopCutter) std::this_thread::sleep_for(100us);
            if (stopCutter) return;
            link->DropConnections();
            cut = true;
        });
    }
    void TearDown() override {
        stopCutter = true;
        if (cutter.joinable()) cutter.join();
        window.reset();
    }

    uint64_t Connects() const { return window->Connection().ConnectCount(); }

    std::vector<std::string> CdsFiles() const {
        std::vector<std::string> files;
        for (const auto &entry : fs::directory_iterator(dir.path() + "/cds"))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    // The order numbers the journal holds, in its order.
    std::vector<std::string> Journalled() const { return JournalOrderNumbers(CdsFile("deletions.log")); }

    std::unique_ptr<SlowLink> link;
    std::thread cutter;
    std::atomic<bool> stopCutter{false};
    std::atomic<bool> cut{false};
};

// Each command, run after the link went down and came back while the window
// sat idle, does its work and says nothing of it.
struct IdleCase {
    const char *name;
    bool backupFirst;  // answer yes to the backup question of 刪除確認
    int deleteOrders;  // ticked and deleted; 0: 資料備份 alone (-1: 查詢 alone)
};
void PrintTo(const IdleCase &c, std::ostream *os) { *os << c.name; }

class IdleLoss : public ConnectionLoss, public testing::WithParamInterface<IdleCase> {};

TEST_P(IdleLoss, TheNextCommandConnectsAgainWithoutAWord) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const IdleCase c = GetParam();
    OpenThroughLink(12);
    List();
    const std::vector<std::string> listed = ListedOrders();
    ASSERT_EQ(listed.size(), 12u);
    std::vector<int> rows;
    for (int row = 0; row < c.deleteOrders; ++row) rows.push_back(row);
    Tick(rows);
    const uint64_t connects = Connects();

    CutWhileIdle();
    if (c.deleteOrders < 0) {
        List();
        EXPECT_EQ(ListedOrders(), listed);
        EXPECT_EQ(window->StatusText(), "RecordCount: 12");
    } else if (c.deleteOrders == 0) {
        BackupOrders(*window, nullptr);
        EXPECT_EQ(CdsFiles().size(), 2u);
    } else {
        window->messageBoxAnswers = {mrYes};
        window->dialogAnswers = {c.backupFirst ? mrYes : mrNo};
        DeleteTickedOrders(*window);
        const std::vector<std::string> gone(listed.begin(), listed.begin() + c.deleteOrders);
        EXPECT_EQ(Journalled(), gone);
        for (const std::string &order : listed) {
            const bool deleted = std::find(gone.begin(), gone.end(), order) != gone.end();
            EXPECT_EQ(HeaderCount(order), deleted ? 0 : 1) << order;
            if (deleted) {
                EXPECT_EQ(LineCount(order), 0) << order;
            }
        }
        EXPECT_EQ(CdsFiles().size(), c.backupFirst ? 3u : 1u);  // the pair and the journal
    }
    // Connected again once, and nothing was reported: the headless window
    // records every notice, and a failure would have left the command.
    EXPECT_EQ(Connects(), connects + 1);
    for (const std::string &notice : window->Notices()) EXPECT_EQ(notice, "資料備份完成..!");
}

INSTANTIATE_TEST_SUITE_P(Commands, IdleLoss,
                         testing::Values(IdleCase{"Query", false, -1}, IdleCase{"Backup", false, 0},
                                         IdleCase{"DeleteWithoutBackup", false, 5},
                                         IdleCase{"DeleteAfterBackup", true, 5}),
                         [](const auto &tested) { return std::string(tested.param.name); });

TEST_F(ConnectionLoss, AListThatLosesItsLinkHalfWayIsReadAgainWhole) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    OpenThroughLink(3000, 1ms);
    const uint64_t connects = Connects();
    CutAfter(3);
    List();
    EXPECT_TRUE(cut);
    EXPECT_EQ(ListedOrders().size(), 3000u);
    EXPECT_EQ(Connects(), connects + 1);
}

TEST_F(ConnectionLoss, ABackupThatLosesItsLinkHalfWayStartsOverAndLeavesOnePair) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    OpenThroughLink(3000, 1ms);
    const uint64_t connects = Connects();
    CutAfter(4);
    const BackupResult backup = BackupOrders(*window, nullptr);
    EXPECT_TRUE(cut);
    EXPECT_EQ(Connects(), connects + 1);
    EXPECT_EQ(backup.headerRows, 3000);
    EXPECT_EQ(backup.detailRows, Count("SELECT COUNT(*) FROM ORDER_SUB"));
    EXPECT_EQ(CdsFiles(), (std::vector<std::string>{fs::path(backup.headerFile).filename().string(),
                                                    fs::path(backup.detailFile).filename().string()}));
}

TEST_F(ConnectionLoss, ADeletionThatLosesItsLinkAfterDeletingStopsWithWholeOrdersAndAnExactJournal) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const std::vector<std::string> listed = ListAndTickAll(20);

    // The link goes once the second round trip of four orders is done,
    // before that batch is committed.
    window->afterAdvance = [&](int64_t done) {
        if (done == 8) CutWhileIdle();
    };
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    const uint64_t connects = Connects();
    try {
        DeleteTickedOrders(*window, {0s, 4});  // a commit after every four orders
        FAIL() << "the lost link was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Kind(), FailureKind::ConnectionLost) << e.Message();
        EXPECT_FALSE(e.Message().empty());
    }
    // Only the look-up of the lost commit's orders connects again: nothing
    // of the deletion is sent twice.
    EXPECT_LE(Connects(), connects + 1);
    const std::vector<std::string> gone(listed.begin(), listed.begin() + 4);
    EXPECT_EQ(Journalled(), gone);
    for (const std::string &order : listed) {
        const bool deleted = std::find(gone.begin(), gone.end(), order) != gone.end();
        EXPECT_EQ(HeaderCount(order), deleted ? 0 : 1) << order;
        EXPECT_EQ(LineCount(order) > 0, !deleted) << order;
    }
    // The next command connects again.
    window->afterAdvance = nullptr;
    List();
    EXPECT_EQ(ListedOrders().size(), 16u);
}

// The answer to a commit lost with its connection: the commit was made.
// With the server reachable again, the deletion looks and journals the
// batch; with the link down, it tells the operator which orders are in
// doubt (deleted, and named by no journal).
struct LostCommitCase {
    const char *name;
    bool linkStaysDown;
};
void PrintTo(const LostCommitCase &c, std::ostream *os) { *os << c.name; }

class LostCommitAnswer : public ConnectionLoss, public testing::WithParamInterface<LostCommitCase> {};

TEST_P(LostCommitAnswer, TheDeletionLooksWhetherTheCommitWasMadeOrNamesTheOrdersInDoubt) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const std::vector<std::string> listed = ListAndTickAll(20);
    // The second batch of four is sent; its commit's answer is lost.
    window->afterAdvance = [&](int64_t done) {
        if (done != 8) return;
        link->LoseNextAnswer();
        if (GetParam().linkStaysDown) link->RefuseNew();
    };
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    std::string message;
    try {
        DeleteTickedOrders(*window, {0s, 4});  // a commit after every four orders
        FAIL() << "the lost link was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Kind(), FailureKind::ConnectionLost) << e.Message();
        message = e.Message();
    }
    const std::vector<std::string> first(listed.begin(), listed.begin() + 4);
    const std::vector<std::string> second(listed.begin() + 4, listed.begin() + 8);
    for (size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(HeaderCount(listed[i]), i < 8 ? 0 : 1) << listed[i];
    if (GetParam().linkStaysDown) {
        EXPECT_EQ(Journalled(), first);
        std::string named = "另有 4 筆訂單在提交時連線中斷，無法確定是否已刪除，刪除紀錄未記入：";
        for (const std::string &order : second) named += " " + order;
        EXPECT_THAT(message, testing::HasSubstr("已刪除並記入紀錄 4 筆訂單；" + named));
    } else {
        std::vector<std::string> both = first;
        both.insert(both.end(), second.begin(), second.end());
        EXPECT_EQ(Journalled(), both);
        EXPECT_THAT(message, testing::Not(testing::HasSubstr("無法確定")));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LostCommitAnswer,
                         testing::Values(LostCommitCase{"ServerReachedAgain", false},
                                         LostCommitCase{"LinkStaysDown", true}),
                         [](const testing::TestParamInfo<LostCommitCase> &info) { return info.param.name; });

TEST_F(ConnectionLoss, ALinkThatStaysDownIsOneFailureInTheClientsWords) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    OpenThroughLink(5);
    List();
    link->Cut();
    try {
        List();
        FAIL() << "a list was read with the link down";
    } catch (const EDatabaseError &e) {
        // The words of the connect that was tried again (through this relay,
        // which closes what it accepts: "connection rejected by remote
        // interface").
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(window->Connection().Connected());
    EXPECT_TRUE(window->Notices().empty());
    // Back up: the next command connects.
    link->Restore();
    List();
    EXPECT_EQ(ListedOrders().size(), 5u);
}

TEST_F(ConnectionLoss, TheServerRestartedWhileIdleIsConnectedToAgain) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    PrivateServer server(dir.file("server"), 3093);
    ASSERT_TRUE(server.Started()) << server.StartOutput();
    // The database lives outside the server's folder, which a start makes anew.
    database = server.Address() + ":" + dir.file("orders.fdb");
    CreateDemoDatabase(database, 6, 1, DbLogin{"SYSDBA", server.Password()});
    WriteConfigFiles(dir.path(), database, {"Password=" + server.Password()});
    fs::create_directory(dir.path() + "/cds");
    window = std::make_unique<HeadlessOrderWindow>(dir.path());
    List();
    Tick({0});
    const std::string first = ListedOrders()[0];

    server.Stop();
    ASSERT_TRUE(server.StartAgain());
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    DeleteTickedOrders(*window);
    EXPECT_TRUE(window->Notices().empty());
    window.reset();
    const auto rows =
        DirectDatabase::Open(database, DbLogin{"SYSDBA", server.Password()})
            .Query("SELECT COUNT(*), SUM(IIF(MASTERBILLID = " + Literal(first) + ", 1, 0)) FROM ORDER_MASTER");
    EXPECT_EQ(rows[0][0], "5");
    EXPECT_EQ(rows[0][1], "0");
}

}  // namespace
