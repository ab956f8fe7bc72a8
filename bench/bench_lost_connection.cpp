// What a lost connection costs 查詢 over a slow link, and what its detection
// costs while the connection is alive: the list read through the program's
// command on a live connection, and after the link went down and came back
// while the window sat idle (the failed first statement, the new connection,
// the list again). Round trips are counted as the pieces of data the link
// carries to the server.
// Usage: bench_lost_connection [orders [rounds [delay_ms ...]]]
//        (defaults 1000 orders, 5 rounds, delays of 1 and 20 ms)
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

#include "bench/common/BenchSupport.h"
#include "data/dataset/ClientDataSet.h"
#include "data/sql/SQLConnection.h"
#include "tools/DemoDatabase.h"
#include "tools/SlowLink.h"
#include "workflow/QueryOrders.h"

using namespace batchdel;

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

struct Measure {
    double seconds = 0;
    long pieces = 0;
};

Measure Median(std::vector<Measure> rounds) {
    std::sort(rounds.begin(), rounds.end(), [](const Measure &a, const Measure &b) { return a.seconds < b.seconds; });
    return rounds[rounds.size() / 2];
}

int Run(int orders, int rounds, const std::vector<int> &delays) {
    const std::optional<BenchServer> testServer = TestServerFromEnvironment("bench_lost_connection");
    if (!testServer) return 1;
    const std::string &server = testServer->address;
    const std::string &password = testServer->password;
    const std::string &serverDir = testServer->folder;
    const std::string &host = testServer->host;
    const int port = testServer->port;
    const std::string path = serverDir + "/lost-connection-" + std::to_string(getpid()) + ".fdb";
    struct Removed {
        std::string path;
        ~Removed() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } removed{path};
    CreateDemoDatabase(server + ":" + path, orders, 1, DbLogin{"SYSDBA", password});

    std::printf("查詢 of %d orders, the median of %d rounds\n", orders, rounds);
    std::printf("  %-40s %12s %12s\n", "", "seconds", "round trips");
    for (const int delay : delays) {
        SlowLink link(host, port, milliseconds(delay));
        const std::string folder =
            "/tmp/batchdel-bench/lost-connection-" + std::to_string(getpid()) + "-" + std::to_string(delay) + "/";
        fs::create_directories(folder + "cds");
        WriteBenchConfig(folder, host + "/" + std::to_string(link.Port()) + ":" + path, "SYSDBA", password);
        BenchWindow window(folder);
        QueryOrders(window);  // connected, the statement prepared once
        std::vector<Measure> alive, lost;
        const auto measure = [&](std::vector<Measure> &into) {
            const long before = link.SentPieces();
            Measure m;
            m.seconds = Seconds([&] { QueryOrders(window); });
            m.pieces = link.SentPieces() - before;
            if (window.OrderList().RecordCount() != orders) throw std::runtime_error("the list is not whole");
            into.push_back(m);
        };
        for (int round = 0; round < rounds; ++round) {
            measure(alive);
            link.Cut();
            link.Restore();
            measure(lost);
        }
        const Measure a = Median(alive), l = Median(lost);
        std::printf("Delay %d ms each way (a round trip %d ms):\n", delay, 2 * delay);
        std::printf("  %-40s %12.3f %12ld\n", "the connection alive", a.seconds, a.pieces);
        std::printf("  %-40s %12.3f %12ld\n", "after the link was cut while idle", l.seconds, l.pieces);
        std::printf("  %-40s %12.3f %12ld\n", "cost of connecting again", l.seconds - a.seconds, l.pieces - a.pieces);
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);  // the list's data set needs the application object
    const int orders = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<int> delays;
    for (int i = 3; i < argc; ++i) delays.push_back(std::atoi(argv[i]));
    if (delays.empty()) delays = {1, 20};
    try {
        return Run(orders, rounds, delays);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_lost_connection: %s\n", e.what());
        return 1;
    }
}
