// The backup, the deletion and the restore against a Firebird server reached
// through a slow link (a relay on 127.0.0.1 holding every packet a set time
// each way), each beside what the server itself does fastest over the same
// link in the same run:
//   backing up the orders of a date range through the program's command
//     vs. the bare client fetching the same header rows and their lines by
//         the index on ORDER_SUB.MASTERBILLID
//   deleting the orders of a date range through the real command (listed,
//   all ticked, 刪除確認 without a backup)
//     vs. two set-based statements deleting as many orders of the same shape
//   restoring the backed-up orders through the restore
//     vs. INSERT ... SELECT of as many orders from a copy on the server
// Usage: bench_slow_link [orders [rounds [delay_ms ...]]]
//        (defaults 3000 orders a case, 3 rounds, delays of 0 and 1 ms)
// It needs the test server: BATCHDEL_TEST_SERVER (host/port),
// BATCHDEL_TEST_SERVER_PASSWORD and BATCHDEL_TEST_SERVER_DIR, as
// scripts/firebird-server prints them; scripts/bench starts that server.
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/BareFetch.h"
#include "bench/common/BenchSupport.h"
#include "data/dataset/DataType.h"
#include "data/sql/SQLConnection.h"
#include "orders/CommandDays.h"
#include "orders/OrderConnection.h"
#include "restore/BackupPair.h"
#include "restore/OrderRestorer.h"
#include "tools/DemoDatabase.h"
#include "tools/FirebirdDirect.h"
#include "tools/SlowLink.h"
#include "workflow/BackupOrders.h"
#include "workflow/DeleteTickedOrders.h"
#include "workflow/QueryOrders.h"
#include "workflow/QueryText.h"
#include "workflow/SelectAllOrders.h"

using namespace batchdel;

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

// The demo database dates its orders evenly over 731 days from 2024-01-01,
// in the order of their numbers: a range of days is a range of numbers.
constexpr int kDemoDays = 731;

// The day that many days after the demo's first, as the window's date box
// holds it.
std::string DayText(int day) { return CommandDayText(DbDateFromCivil(2024, 1, 1) + day); }

// The orders of a range of days.
struct Range {
    int firstDay = 0, lastDay = 0;
    int firstOrder = 0, lastOrder = 0;  // demo order numbers, from 1
    int Orders() const { return lastOrder - firstOrder + 1; }
    std::string Numbers() const {
        return "MASTERBILLID BETWEEN '" + DemoOrderNumber(firstOrder) + "' AND '" + DemoOrderNumber(lastOrder) + "'";
    }
};

int64_t CountRows(DirectDatabase &db, const std::string &sql) { return std::stoll(db.Query(sql).at(0).at(0)); }

struct Figures {
    double backupProgram = 0, backupBare = 0;
    double deleteProgram = 0, deleteSetBased = 0;  // orders a second
    double restoreProgram = 0, restoreSetBased = 0;
};

void Report(const char *what, double program, double baseline, const char *unit, double ratio, const char *goal) {
    std::printf("  %-34s %12.2f %12.2f %-11s %7.3fx   %s\n", what, program, baseline, unit, ratio, goal);
}

// Each figure's median over the rounds: the machine may be busy with other
// work during one of them.
Figures Median(std::vector<Figures> rounds) {
    Figures median;
    for (double Figures::*figure : {&Figures::backupProgram, &Figures::backupBare, &Figures::deleteProgram,
                                    &Figures::deleteSetBased, &Figures::restoreProgram, &Figures::restoreSetBased}) {
        std::vector<double> values;
        for (const Figures &f : rounds) values.push_back(f.*figure);
        std::sort(values.begin(), values.end());
        median.*figure = values[values.size() / 2];
    }
    return median;
}

int Run(int orders, int rounds, const std::vector<int> &delays) {
    const std::optional<BenchServer> testServer = TestServerFromEnvironment("bench_slow_link");
    if (!testServer) return 1;
    const std::string &server = testServer->address;
    const std::string &password = testServer->password;
    const std::string &serverDir = testServer->folder;
    const std::string &host = testServer->host;
    const int port = testServer->port;
    const DbLogin login{"SYSDBA", password};

    // Two ranges of days per delay and round: one for the program, one for
    // the baseline.
    const int ranges = 2 * static_cast<int>(delays.size()) * rounds;
    const int perDay = (orders * ranges + kDemoDays - 1) / kDemoDays + 1;
    const int daysPerRange = (orders + perDay - 1) / perDay;
    const int total = perDay * kDemoDays;
    const std::string path = serverDir + "/slow-link-" + std::to_string(getpid()) + ".fdb";
    const std::string direct = server + ":" + path;
    std::printf("Making %d orders on the server (%d a day)...\n", total, perDay);
    struct Removed {
        std::string path;
        ~Removed() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } removed{path};
    CreateDemoDatabase(direct, total, 1, login);
    std::vector<Range> range(static_cast<size_t>(ranges));
    for (int i = 0; i < ranges; ++i) {
        Range &r = range[static_cast<size_t>(i)];
        r.firstDay = i * daysPerRange;
        r.lastDay = r.firstDay + daysPerRange - 1;
        r.firstOrder = r.firstDay * perDay + 1;
        r.lastOrder = (r.lastDay + 1) * perDay;
    }
    DirectDatabase setup = DirectDatabase::Open(direct, login);
    setup.Execute(
        {"CREATE TABLE ORDER_MASTER_COPY (MASTERBILLID VARCHAR(20) NOT NULL, BILL_DATE DATE, FR_DATE DATE,"
         " CUST_ID VARCHAR(10), CUST_NAME VARCHAR(50), PD_DEPID VARCHAR(10), TOTAL_AMT NUMERIC(12,2),"
         " REMARK VARCHAR(100))",
         "CREATE TABLE ORDER_SUB_COPY (MASTERBILLID VARCHAR(20) NOT NULL, LINE_NO INTEGER NOT NULL,"
         " ITEM_ID VARCHAR(20), ITEM_NAME VARCHAR(50), QTY NUMERIC(12,3), PRICE NUMERIC(12,2))"});

    // Per delay, the figures of each round.
    std::vector<std::vector<Figures>> figures(delays.size());
    for (int round = 0; round < rounds; ++round)
        for (size_t d = 0; d < delays.size(); ++d) {
            const size_t at = 2 * (static_cast<size_t>(round) * delays.size() + d);
            const Range &mine = range[at];
            const Range &theirs = range[at + 1];
            std::printf("Delay %d ms each way: orders %d-%d for the program, %d-%d for the baseline\n", delays[d],
                        mine.firstOrder, mine.lastOrder, theirs.firstOrder, theirs.lastOrder);
            SlowLink link(host, port, milliseconds(delays[d]));
            const std::string viaLink = host + "/" + std::to_string(link.Port()) + ":" + path;
            const std::string folder =
                "/tmp/batchdel-bench/slow-link-" + std::to_string(getpid()) + "-" + std::to_string(d) + "/";
            fs::create_directories(folder + "cds");
            WriteBenchConfig(folder, viaLink, "SYSDBA", password);
            DirectDatabase bare = DirectDatabase::Open(viaLink, login);
            Figures f;

            // The backup: program and bare client read the same orders.
            BenchWindow window(folder);
            window.SetDates(DayText(mine.firstDay), DayText(mine.lastDay));
            BackupResult backup;
            f.backupProgram = Seconds([&] { backup = BackupOrders(window); });
            if (backup.headerRows != mine.Orders())
                throw std::runtime_error("the backup holds " + std::to_string(backup.headerRows) + " orders");
            const std::string headerSql = BuildFilteredQuery(kHeaderBackupHead, ReadFilterCriteria(window));
            f.backupBare = Seconds([&] { BareBackupByIndex(bare, headerSql); });

            // The deletion: the real command on the listed, ticked orders.
            QueryOrders(window);
            SelectAllOrders(window);
            const long sentBefore = link.SentPieces();
            const double deleteSeconds = Seconds([&] { DeleteTickedOrders(window); });
            std::printf("  deletion: %ld pieces sent to the server\n", link.SentPieces() - sentBefore);
            if (CountRows(setup, "SELECT COUNT(*) FROM ORDER_MASTER WHERE " + mine.Numbers()) != 0)
                throw std::runtime_error("the command left orders behind");
            f.deleteProgram = mine.Orders() / deleteSeconds;
            setup.Execute({"INSERT INTO ORDER_MASTER_COPY SELECT * FROM ORDER_MASTER WHERE " + theirs.Numbers(),
                           "INSERT INTO ORDER_SUB_COPY SELECT * FROM ORDER_SUB WHERE " + theirs.Numbers()});
            f.deleteSetBased = theirs.Orders() / Seconds([&] {
                                   bare.Execute({"DELETE FROM ORDER_SUB WHERE " + theirs.Numbers(),
                                                 "DELETE FROM ORDER_MASTER WHERE " + theirs.Numbers()});
                               });

            // The restore of the program's backup, against copying the rows back
            // on the server.
            {
                const BackupPair pair = BackupPair::Load(backup.headerFile, backup.detailFile, false);
                std::vector<const BackupOrder *> chosen;
                for (const BackupOrder &order : pair.Orders()) chosen.push_back(&order);
                TSQLConnection connection("SQLConnection1");
                SetUpOrderConnection(connection, folder + "connections.ini", folder + "drivers.ini");
                connection.Open();
                OrderRestorer restorer(connection, pair);
                RestoreOutcome outcome;
                const long restoreSentBefore = link.SentPieces();
                const double restoreSeconds = Seconds([&] { restorer.Restore(chosen, nullptr, outcome); });
                std::printf("  restore: %ld pieces sent to the server\n", link.SentPieces() - restoreSentBefore);
                if (outcome.restored.size() != chosen.size())
                    throw std::runtime_error("the restore put back " + std::to_string(outcome.restored.size()) +
                                             " of " + std::to_string(chosen.size()) + " orders");
                f.restoreProgram = chosen.size() / restoreSeconds;
                std::printf("  restore: %zu orders in %.2f s, %d of them one at a time\n", chosen.size(),
                            restoreSeconds, outcome.ordersAlone);
            }
            f.restoreSetBased = theirs.Orders() / Seconds([&] {
                                    bare.Execute({"INSERT INTO ORDER_MASTER SELECT * FROM ORDER_MASTER_COPY",
                                                  "INSERT INTO ORDER_SUB SELECT * FROM ORDER_SUB_COPY"});
                                });
            setup.Execute({"DELETE FROM ORDER_SUB_COPY", "DELETE FROM ORDER_MASTER_COPY"});
            figures[d].push_back(f);
            fs::remove_all(folder);
        }

    std::printf("\n  %-34s %12s %12s %-11s %8s\n", "", "program", "baseline", "", "ratio");
    for (size_t d = 0; d < delays.size(); ++d) {
        const Figures f = Median(figures[d]);
        // The goals: a LAN, a branch office on a WAN (up to 5 ms each way), a VPN.
        const int delay = delays[d];
        const char *deleteGoal = delay == 0 ? "goal >= 0.8x" : delay <= 5 ? "goal >= 0.5x" : "goal >= 0.3x";
        const char *restoreGoal = delay == 0 ? "goal >= 0.5x" : delay <= 5 ? "goal >= 0.25x" : "goal >= 0.1x";
        std::printf("%d ms each way (%d ms a round trip), %d orders a case, median of %d rounds:\n", delay, 2 * delay,
                    orders, rounds);
        Report("backup (s; bare indexed fetch)", f.backupProgram, f.backupBare, "s", f.backupProgram / f.backupBare,
               "goal <= 1.5x");
        Report("deletion (orders/s; set-based)", f.deleteProgram, f.deleteSetBased, "orders/s",
               f.deleteProgram / f.deleteSetBased, deleteGoal);
        Report("restore (orders/s; INSERT..SELECT)", f.restoreProgram, f.restoreSetBased, "orders/s",
               f.restoreProgram / f.restoreSetBased, restoreGoal);
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int orders = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::vector<int> delays;
    for (int i = 3; i < argc; ++i) delays.push_back(std::atoi(argv[i]));
    if (delays.empty()) delays = {0, 1};
    if (orders <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [orders [rounds [delay_ms ...]]]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return Run(orders, rounds, delays);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_slow_link: %s\n", e.what());
        return 1;
    }
}
