// batchdel-purge against the window's path through the same library, on
// copies of the million-order database (forced writes on):
//   purging the oldest ~100,000 orders with a backup: the real program,
//     started as a scheduler would start it
//     vs. the window's path in this process: the list query, the backup
//         (BackupOrders) and the deletion (DeleteOrders) of the listed orders
//   --max-rate: the rate a purge keeps against the rate asked, at two rates.
// Each variant has a copy of its own; the copies go when the run ends.
// Usage: bench_purge [orders [rate [rounds]]]   (defaults 100000, 500 and 2)
// The source database is /tmp/batchdel-bench/orders-1m.fdb (or
// $BATCHDEL_BENCH_DB); it is copied, never written.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset/DataType.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/ConfigLocation.h"
#include "data/sql/DataSetProvider.h"
#include "data/sql/SQLDataSet.h"
#include "orders/CommandDays.h"
#include "workflow/BackupOrders.h"
#include "workflow/DeleteOrders.h"
#include "workflow/DeletionJournal.h"
#include "workflow/OrderDataModule.h"
#include "workflow/QueryText.h"

using namespace batchdel;

namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()> &work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A folder with a copy of the database, its connections.ini and a cds/
// folder; the commands are copied in when the program runs there.
struct Copy {
    Copy(const std::string &root, const std::string &name, const std::string &source) : folder(root + name + "/") {
        fs::create_directories(folder + "cds");
        database = folder + "orders.fdb";
        fs::copy_file(source, database);
        // The copy reaches the disk before the clock starts: otherwise its
        // writing back meets the commits of whichever path runs first.
        if (const int fd = ::open(database.c_str(), O_RDONLY); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        std::ofstream(folder + "connections.ini")
            << "[Trelvo]\nDriverName=Interbase\nDatabase=" << database
            << "\nUser_Name=SYSDBA\nPassword=masterkey\nServerCharSet=UTF8\nSQLDialect=3\n";
        for (const char *file : {"batchdel-purge", "libibdriver.so", "drivers.ini"})
            fs::copy_file(ProgramFolder() + file, folder + file);
    }
    std::string folder;
    std::string database;
};

// The first column of the first row of a query, as its table engine holds it.
FieldValue FirstValue(TSQLConnection &connection, const std::string &sql) {
    TSQLDataSet query("Value");
    query.SetSQLConnection(&connection);
    query.SetCommandText(sql);
    query.Open();
    auto rows = NewPacketTable(query);
    query.FetchAllInto(*rows);
    query.Close();
    return rows->RecordCount() > 0 ? rows->Value(0, 0) : FieldValue{};
}

int64_t OrderCount(const Copy &copy) {
    OrderDataModule data(OrderDataSetup{copy.folder + "connections.ini", {}});
    return FirstValue(data.SQLConnection1, "SELECT COUNT(*) FROM ORDER_MASTER").i;
}

std::string DayText(int32_t day) { return CommandDayText(day); }

// The window's path: the list, the backup, the deletion of the listed orders.
int64_t WindowPath(const Copy &copy, const FilterCriteria &filter) {
    OrderDataModule data(OrderDataSetup{copy.folder + "connections.ini", {}});
    data.ClientDataSet1.Close();
    data.ClientDataSet1.SetCommandText(BuildFilteredQuery(kListQueryHead, filter));
    data.ClientDataSet1.Open();
    std::vector<std::string> numbers;
    const TField *number = data.ClientDataSet1.FieldNamed("MASTERBILLID");
    for (int row = 0; row < data.ClientDataSet1.RecordCount(); ++row) numbers.push_back(number->GetStringAt(row));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const BackupResult backup =
        BackupOrders(data.SQLConnection1, data.ClientDataSet2, filter, copy.folder, local, nullptr);
    data.ClientDataSet2.Close();
    const DeletionJournal journal(OrderJournalPath(copy.folder), "backup", copy.database, "SYSDBA");
    DeletionOutcome outcome;
    DeleteOrders(data.SQLConnection1, numbers, &backup, journal, nullptr, DeletionSettings(), outcome);
    return outcome.deleted;
}

// Runs the copy's batchdel-purge without a terminal; its standard output.
std::string Purge(const Copy &copy, const std::string &args) {
    const std::string command = "'" + copy.folder + "batchdel-purge' --database '" + copy.folder + "connections.ini' " +
                                args + " < /dev/null 2>&1";
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot start batchdel-purge");
    char buffer[4096];
    while (const size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, got);
    const int status = pclose(pipe);
    if (status != 0) throw std::runtime_error("batchdel-purge failed:\n" + out);
    return out;
}

// "... in 5.0 s (499 orders/s)" of the summary.
double SummaryRate(const std::string &summary) {
    const size_t at = summary.find(" s (");
    return at == std::string::npos ? 0 : std::atof(summary.c_str() + at + 4);
}

}  // namespace

int main(int argc, char **argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int64_t orders = argc > 1 ? std::atoll(argv[1]) : 100000;
    const double rate = argc > 2 ? std::atof(argv[2]) : 500;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 2;
    const char *env = std::getenv("BATCHDEL_BENCH_DB");
    const std::string source = env ? env : "/tmp/batchdel-bench/orders-1m.fdb";
    if (!fs::exists(source)) {
        std::fprintf(stderr, "%s is missing: scripts/bench makes it\n", source.c_str());
        return 1;
    }
    const std::string root = "/tmp/bench_purge." + std::to_string(getpid()) + "/";
    int status = 0;
    try {
        // The day of the orders-th oldest order: both paths take everything up
        // to it. The rates are measured on this copy at the end.
        Copy window(root, "rate", source);
        int32_t lastDay = 0;
        {
            OrderDataModule data(OrderDataSetup{window.folder + "connections.ini", {}});
            lastDay = FirstValue(data.SQLConnection1, "SELECT BILL_DATE FROM ORDER_MASTER ORDER BY BILL_DATE ROWS " +
                                                          std::to_string(orders) + " TO " + std::to_string(orders))
                          .date;
        }
        const FilterCriteria filter{"0001/01/01", DayText(lastDay), "", "", "", ""};
        const int64_t before = OrderCount(window);
        std::printf("source %s: %lld orders; purging those billed up to %s\n", source.c_str(),
                    static_cast<long long>(before), DayText(lastDay).c_str());

        // Rounds alternate which path goes first, so that neither always
        // meets the other's leftovers in the machine's caches.
        double windowTotal = 0;
        double purgeTotal = 0;
        int64_t purgeDeleted = -1;
        int64_t windowDeleted = -1;
        for (int round = 0; round < rounds; ++round) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool purgeTurn = (turn == 1) != (round % 2 == 1);
                if (purgeTurn) {
                    Copy purge(root, "purge", source);
                    std::string summary;
                    const double seconds =
                        Seconds([&] { summary = Purge(purge, "--backup --to " + DayText(lastDay) + " --yes"); });
                    const int64_t deleted = before - OrderCount(purge);
                    std::printf("round %d  batchdel-purge --backup:                 %8lld orders  %7.2f s\n", round + 1,
                                static_cast<long long>(deleted), seconds);
                    purgeTotal += seconds;
                    purgeDeleted = deleted;
                    fs::remove_all(purge.folder);
                } else {
                    Copy copy(root, "window", source);
                    int64_t deleted = 0;
                    const double seconds = Seconds([&] { deleted = WindowPath(copy, filter); });
                    std::printf("round %d  window's path (list, backup, deletion): %8lld orders  %7.2f s\n", round + 1,
                                static_cast<long long>(deleted), seconds);
                    windowTotal += seconds;
                    windowDeleted = deleted;
                    fs::remove_all(copy.folder);
                }
            }
        }
        std::printf("batchdel-purge / window's path: %.2fx\n", purgeTotal / windowTotal);
        if (purgeDeleted != windowDeleted) {
            std::printf("  the two paths deleted different numbers of orders\n");
            status = 1;
        }

        // The rate, on what is left of the window's copy, at two rates for
        // about five seconds each.
        for (const double asked : {rate, rate / 10}) {
            const auto count = static_cast<int64_t>(asked * 5);
            const std::string out = Purge(window, "--no-backup --to 9999/12/31 --limit " + std::to_string(count) +
                                                      " --max-rate " + std::to_string(asked));
            const double kept = SummaryRate(out);
            std::printf("--max-rate %-8.0f %6lld orders: %8.1f orders/s over the run (%+.1f%%)\n", asked,
                        static_cast<long long>(count), kept, (kept - asked) / asked * 100);
        }
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "bench_purge: %s\n", failure.what());
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return status;
}
