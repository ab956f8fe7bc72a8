// The restore over a slow link (a relay on 127.0.0.1 holding every packet a
// set time each way) with 1, 2, 4 ... connections carrying blocks at once,
// each beside INSERT ... SELECT of the same orders from a copy on the
// server, through the same relay in the same run. The same backed-up orders
// are deleted on the server and restored again for every case, so every case
// puts back exactly the same rows; the cases take turns within each round.
// Besides the time it counts what each part of a restore sends: the pieces
// the relay carries to the server, about one a round trip.
// With BATCHDEL_BENCH_SERVER_PID naming the server's process (on this
// machine) it also tells the server's processor time of each case, and
// always the program's own.
// Usage: bench_restore_link [orders [rounds [delay_ms ...]]]
//        (defaults 3000 orders, 2 rounds, delays of 0, 1, 5 and 25 ms)
//        BATCHDEL_BENCH_CONNECTIONS="1 2 4" names the cases;
//        BATCHDEL_BENCH_BATCH_MS sets the batch time.
// It needs the test server, as bench_slow_link does.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "data/dataset/DataType.h"
#include "data/sql/SQLConnection.h"
#include "orders/CommandDays.h"
#include "orders/OrderConnection.h"
#include "restore/BackupPair.h"
#include "orders/SnapshotReading.h"
#include "restore/OrderRestorer.h"
#include "tools/DemoDatabase.h"
#include "tools/FirebirdDirect.h"
#include "tools/SlowLink.h"
#include "workflow/BackupOrders.h"

using namespace batchdel;

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Processor seconds this program has used so far.
double OwnCpu() {
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    return static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
           static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
}

// Processor seconds the server's process has used so far; 0 when unknown.
double ServerCpu() {
    const QByteArray pid = qgetenv("BATCHDEL_BENCH_SERVER_PID");
    if (pid.isEmpty()) return 0;
    std::ifstream stat("/proc/" + pid.toStdString() + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int at = 3; at <= 15 && fields >> field; ++at) {
        if (at == 14) utime = std::stod(field);
        if (at == 15) stime = std::stod(field);
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// What one restore took and sent.
struct Restored {
    double seconds = 0, ownCpu = 0, serverCpu = 0;
    long checkPieces = 0, lookupPieces = 0, restorePieces = 0;
    int alone = 0, blocks = 0, batches = 0;
};

int Run(int orders, int rounds, const std::vector<int> &delays, const std::vector<int> &connections) {
    const std::optional<BenchServer> testServer = TestServerFromEnvironment("bench_restore_link");
    if (!testServer) return 1;
    const DbLogin login{"SYSDBA", testServer->password};
    const std::string path = testServer->folder + "/restore-link-" + std::to_string(getpid()) + ".fdb";
    const std::string direct = testServer->address + ":" + path;
    struct Removed {
        std::string path;
        ~Removed() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } removed{path};
    // The demo dates its orders evenly over 731 days from 2024-01-01: the
    // first half of them hold about `orders` orders, and the backup is theirs.
    std::printf("Making %d orders on the server...\n", 2 * orders);
    CreateDemoDatabase(direct, 2 * orders, 1, login);
    const int firstDay = DbDateFromCivil(2024, 1, 1);
    const std::string folder = "/tmp/batchdel-bench/restore-link-" + std::to_string(getpid()) + "/";
    fs::create_directories(folder + "cds");
    WriteBenchConfig(folder, direct, "SYSDBA", testServer->password);
    BackupResult backup;
    {
        BenchWindow window(folder);
        window.SetDates(CommandDayText(firstDay), CommandDayText(firstDay + 364));
        backup = BackupOrders(window);
    }
    const BackupPair pair = BackupPair::Load(backup.headerFile, backup.detailFile, false);
    std::vector<const BackupOrder *> chosen;
    size_t lines = 0;
    for (const BackupOrder &order : pair.Orders()) {
        chosen.push_back(&order);
        lines += order.lineRows.size();
    }
    std::string lowest = chosen.front()->number, highest = lowest;
    for (const BackupOrder *order : chosen) {
        lowest = std::min(lowest, order->number);
        highest = std::max(highest, order->number);
    }
    std::printf("%zu orders of %zu lines backed up\n", chosen.size(), lines);
    DirectDatabase setup = DirectDatabase::Open(direct, login);
    // The copy the baseline inserts from, and the orders taken out for the
    // first case.
    setup.Execute(
        {"CREATE TABLE ORDER_MASTER_COPY (MASTERBILLID VARCHAR(20) NOT NULL, BILL_DATE DATE, FR_DATE DATE,"
         " CUST_ID VARCHAR(10), CUST_NAME VARCHAR(50), PD_DEPID VARCHAR(10), TOTAL_AMT NUMERIC(12,2),"
         " REMARK VARCHAR(100))",
         "CREATE TABLE ORDER_SUB_COPY (MASTERBILLID VARCHAR(20) NOT NULL, LINE_NO INTEGER NOT NULL,"
         " ITEM_ID VARCHAR(20), ITEM_NAME VARCHAR(50), QTY NUMERIC(12,3), PRICE NUMERIC(12,2))"});
    const std::string range = "MASTERBILLID BETWEEN '" + lowest + "' AND '" + highest + "'";
    setup.Execute({"INSERT INTO ORDER_MASTER_COPY SELECT * FROM ORDER_MASTER WHERE " + range,
                   "INSERT INTO ORDER_SUB_COPY SELECT * FROM ORDER_SUB WHERE " + range});
    const std::string &taken = range;
    if (std::stoll(setup.Query("SELECT COUNT(*) FROM ORDER_MASTER_COPY").at(0).at(0)) !=
        static_cast<long long>(chosen.size()))
        throw std::runtime_error("the backup is not the orders of its range of numbers");
    const auto takeOut = [&] {
        setup.Execute({"DELETE FROM ORDER_SUB WHERE " + taken, "DELETE FROM ORDER_MASTER WHERE " + taken});
        // Read the deleted versions once, so that no case pays for their
        // garbage.
        setup.Query("SELECT COUNT(*) FROM ORDER_SUB");
        setup.Query("SELECT COUNT(*) FROM ORDER_MASTER");
    };
    const auto count = [&] {
        return std::stoll(setup.Query("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + taken).at(0).at(0));
    };

    // Per delay: the baseline's seconds, and per connections the restores.
    std::map<int, std::vector<double>> baseline;
    std::map<std::pair<int, int>, std::vector<Restored>> restored;
    for (int round = 0; round < rounds; ++round)
        for (int delay : delays) {
            SlowLink link(testServer->host, testServer->port, milliseconds(delay));
            const std::string viaLink = testServer->host + "/" + std::to_string(link.Port()) + ":" + path;
            WriteBenchConfig(folder, viaLink, "SYSDBA", testServer->password);
            {
                DirectDatabase bare = DirectDatabase::Open(viaLink, login);
                takeOut();
                const double serverBefore = ServerCpu();
                baseline[delay].push_back(Seconds([&] {
                    bare.Execute({"INSERT INTO ORDER_MASTER SELECT * FROM ORDER_MASTER_COPY",
                                  "INSERT INTO ORDER_SUB SELECT * FROM ORDER_SUB_COPY"});
                }));
                std::printf("  round %d, %d ms, INSERT..SELECT: %.2f s (processor: server %.2f s)\n", round + 1, delay,
                            baseline[delay].back(), ServerCpu() - serverBefore);
            }
            for (int lanes : connections) {
                takeOut();
                TSQLConnection connection("SQLConnection1");
                SetUpOrderConnection(connection, folder + "connections.ini", folder + "drivers.ini");
                connection.Open();
                RestoreOutcome outcome;
                Restored r;
                // What the checks and the look-ups send, counted apart on a
                // restorer of their own, untimed: the timed restore below
                // does both itself.
                const long start = link.SentPieces();
                long checked = 0;
                {
                    OrderRestorer counting(connection, pair);
                    SnapshotReading snapshot(connection);
                    counting.CheckColumns();
                    checked = link.SentPieces();
                    counting.ExistingOrders(chosen);
                }
                const long looked = link.SentPieces();
                OrderRestorer restorer(connection, pair);
                restorer.connections = lanes;
                if (!qEnvironmentVariableIsEmpty("BATCHDEL_BENCH_BATCH_MS"))
                    restorer.batchTime = milliseconds(qEnvironmentVariableIntValue("BATCHDEL_BENCH_BATCH_MS"));
                const double ownBefore = OwnCpu(), serverBefore = ServerCpu();
                const auto began = steady_clock::now();
                int batches = 0;
                restorer.Restore(
                    chosen, [&](const std::vector<const BackupOrder *> &) { ++batches; }, outcome);
                r.seconds = duration<double>(steady_clock::now() - began).count();
                r.ownCpu = OwnCpu() - ownBefore;
                r.serverCpu = ServerCpu() - serverBefore;
                r.checkPieces = checked - start;
                r.lookupPieces = looked - checked;
                // The restore checks and looks the orders up itself.
                r.restorePieces = link.SentPieces() - looked - r.checkPieces - r.lookupPieces;
                r.alone = outcome.ordersAlone;
                r.blocks = outcome.blocks;
                r.batches = batches;
                if (outcome.restored.size() != chosen.size() || count() != static_cast<long long>(chosen.size()))
                    throw std::runtime_error("the restore put back " + std::to_string(outcome.restored.size()) +
                                             " of " + std::to_string(chosen.size()) + " orders");
                restored[{delay, lanes}].push_back(r);
                std::printf(
                    "  round %d, %d ms, %d connection(s): %.2f s (processor: program %.2f s, server %.2f s),"
                    " pieces: %ld check, %ld lookup, %ld the rest; %d blocks, %d batches\n",
                    round + 1, delay, lanes, r.seconds, r.ownCpu, r.serverCpu, r.checkPieces, r.lookupPieces,
                    r.restorePieces, r.blocks, r.batches);
            }
        }

    std::printf("\n%zu orders (%zu lines), median of %d rounds; ratio = restore orders/s over INSERT..SELECT's\n",
                chosen.size(), lines, rounds);
    std::printf("%-6s %-12s %9s %9s %7s %s\n", "delay", "connections", "restore", "baseline", "ratio",
                "pieces sent (check + lookup + the rest)");
    for (int delay : delays) {
        const double base = Median(baseline[delay]);
        for (int lanes : connections) {
            const std::vector<Restored> &runs = restored[{delay, lanes}];
            std::vector<double> seconds;
            for (const Restored &r : runs) seconds.push_back(r.seconds);
            const double s = Median(seconds);
            const Restored &first = runs.front();
            std::printf("%3d ms %-12d %8.2fs %8.2fs %6.3fx %ld + %ld + %ld\n", delay, lanes, s, base, base / s,
                        first.checkPieces, first.lookupPieces, first.restorePieces);
        }
    }
    fs::remove_all(folder);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int orders = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    std::vector<int> delays;
    for (int i = 3; i < argc; ++i) delays.push_back(std::atoi(argv[i]));
    if (delays.empty()) delays = {0, 1, 5, 25};
    std::vector<int> connections;
    std::istringstream named(qEnvironmentVariableIsEmpty("BATCHDEL_BENCH_CONNECTIONS")
                                 ? std::string("1 2 4")
                                 : qEnvironmentVariable("BATCHDEL_BENCH_CONNECTIONS").toStdString());
    for (int n; named >> n;) connections.push_back(n);
    if (orders <= 0 || rounds <= 0 || connections.empty()) {
        std::fprintf(stderr, "usage: %s [orders [rounds [delay_ms ...]]]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return Run(orders, rounds, delays, connections);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_restore_link: %s\n", e.what());
        return 1;
    }
}
