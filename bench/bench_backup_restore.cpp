// The backup and the restore on the million-order database, each beside a
// bare loop over the Firebird client doing the same reading or writing:
//   backing up ~100,000 orders (about a million lines)
//     vs. fetching the same header rows, then their lines by the index on
//         ORDER_SUB.MASTERBILLID in bound batches, writing nothing
//     and vs. fetching the same rows with the subquery text for the lines
//   restoring 10,000 orders of that backup into an empty database
//     vs. two prepared INSERTs over the same rows in one transaction
// The backup reads /tmp/batchdel-bench/orders-1m.fdb and never writes to it;
// the restores go into empty databases of their own.
#include <firebird/Interface.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "workflow/BackupOrders.h"
#include "bench/common/BareFetch.h"
#include "bench/common/BenchSupport.h"
#include "orders/OrderConnection.h"
#include "restore/BackupPair.h"
#include "data/dataset/ClientDataSet.h"
#include "data/sql/DataSetProvider.h"
#include "tools/DemoDatabase.h"
#include "workflow/DetailLines.h"
#include "tools/FirebirdDirect.h"
#include "tools/FirebirdDirectImpl.h"
#include "restore/OrderRestorer.h"
#include "workflow/OrderWindow.h"
#include "workflow/QueryText.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "data/dataset/TableEngine.h"

using namespace batchdel;

namespace fs = std::filesystem;
using namespace Firebird;

namespace {

const char *const kSharedDatabase = "/tmp/batchdel-bench/orders-1m.fdb";
constexpr size_t kRestoredOrders = 10'000;

std::pair<size_t, size_t> BareBackupBySubquery(DirectDatabase &db, const std::string &headerSql,
                                               const std::string &detailSql) {
    DirectDatabase::Impl &impl = db.impl();
    ThrowStatusWrapper status(impl.master->getStatus());
    ITransaction *tra = impl.attachment->startTransaction(&status, 0, nullptr);
    const size_t headers = FetchQuery(impl.attachment, tra, status, headerSql, nullptr);
    const size_t lines = FetchQuery(impl.attachment, tra, status, detailSql, nullptr);
    tra->commit(&status);
    status.dispose();
    return {headers, lines};
}

// Puts one row's values into an insert's message, by the marker's type.
void FillMessage(IMessageMetadata *meta, ThrowStatusWrapper &status, const std::vector<FieldValue> &values,
                 std::vector<unsigned char> &buffer) {
    for (unsigned i = 0; i < values.size(); ++i) {
        const FieldValue &v = values[i];
        unsigned char *at = &buffer[meta->getOffset(&status, i)];
        const short nullFlag = v.isNull ? -1 : 0;
        std::memcpy(&buffer[meta->getNullOffset(&status, i)], &nullFlag, sizeof nullFlag);
        if (v.isNull) continue;
        switch (meta->getType(&status, i) & ~1u) {
            case SQL_VARYING: {
                const uint16_t length = static_cast<uint16_t>(v.s.size());
                std::memcpy(at, &length, sizeof length);
                std::memcpy(at + 2, v.s.data(), v.s.size());
                break;
            }
            case SQL_SHORT: {
                const int16_t n = static_cast<int16_t>(v.i);
                std::memcpy(at, &n, sizeof n);
                break;
            }
            case SQL_LONG: {
                const int32_t n = static_cast<int32_t>(v.i);
                std::memcpy(at, &n, sizeof n);
                break;
            }
            case SQL_INT64:
                std::memcpy(at, &v.i, sizeof v.i);
                break;
            case SQL_TYPE_DATE:
                std::memcpy(at, &v.date, sizeof v.date);
                break;
            case SQL_DOUBLE:
                std::memcpy(at, &v.f, sizeof v.f);
                break;
            default:
                throw std::runtime_error("a column type the bare insert does not fill");
        }
    }
}

void BareRestore(DirectDatabase &db, const BackupPair &pair, const std::vector<const BackupOrder *> &orders) {
    DirectDatabase::Impl &impl = db.impl();
    ThrowStatusWrapper status(impl.master->getStatus());
    ITransaction *tra = impl.attachment->startTransaction(&status, 0, nullptr);
    auto insertText = [](const char *table, const TableEngine &file) {
        std::string names, marks;
        for (const ColumnDesc &c : file.Columns()) {
            names += (names.empty() ? "" : ",") + c.name;
            marks += marks.empty() ? "?" : ",?";
        }
        return std::string("INSERT INTO ") + table + " (" + names + ") VALUES (" + marks + ")";
    };
    const std::string headerText = insertText("ORDER_MASTER", pair.Header());
    const std::string lineText = insertText("ORDER_SUB", pair.Detail());
    IStatement *header = impl.attachment->prepare(&status, tra, 0, headerText.c_str(), 3, 0);
    IStatement *line = impl.attachment->prepare(&status, tra, 0, lineText.c_str(), 3, 0);
    IMessageMetadata *headerMeta = header->getInputMetadata(&status);
    IMessageMetadata *lineMeta = line->getInputMetadata(&status);
    std::vector<unsigned char> headerBuffer(headerMeta->getMessageLength(&status));
    std::vector<unsigned char> lineBuffer(lineMeta->getMessageLength(&status));
    for (const BackupOrder *order : orders) {
        FillMessage(headerMeta, status, pair.Header().Record(order->headerRow), headerBuffer);
        header->execute(&status, tra, headerMeta, headerBuffer.data(), nullptr, nullptr);
        for (int row : order->lineRows) {
            FillMessage(lineMeta, status, pair.Detail().Record(row), lineBuffer);
            line->execute(&status, tra, lineMeta, lineBuffer.data(), nullptr, nullptr);
        }
    }
    tra->commit(&status);
    headerMeta->release();
    lineMeta->release();
    header->free(&status);
    line->free(&status);
    status.dispose();
}

// An empty database with the demo tables.
std::string EmptyDatabase(const std::string &folder, const std::string &name) {
    const std::string path = folder + name;
    CreateDemoDatabase(path, 1);
    ExecuteSql(path, {"DELETE FROM ORDER_SUB", "DELETE FROM ORDER_MASTER"});
    return path;
}

int Run() {
    if (!fs::exists(kSharedDatabase)) {
        std::printf("%s is missing: make it with bench_workflow first\n", kSharedDatabase);
        return 1;
    }
    const std::string folder = "/tmp/batchdel-bench/backup-" + std::to_string(getpid()) + "/";
    fs::create_directories(folder + "cds");
    struct Cleanup {
        std::string folder;
        ~Cleanup() { fs::remove_all(folder); }
    } cleanup{folder};
    WriteBenchConfig(folder, kSharedDatabase);

    Row("case", "program", "bare client", "ratio");
    BackupResult result;
    {
        BenchWindow window(folder);
        // The orders of 73 days, about a tenth of them.
        window.SetDates("2024/01/01", "2024/03/13");
        const std::string headerSql = BuildFilteredQuery(kHeaderBackupHead, ReadFilterCriteria(window));
        const std::string detailSql =
            DetailBackupQuery(BuildFilteredQuery(kOrderNumberHead, ReadFilterCriteria(window)));
        // The program and the bare loop share the engine: one attachment each
        // in this process.
        DirectDatabase direct = DirectDatabase::Open(kSharedDatabase);
        double program = 1e9, bare = 1e9;
        std::pair<size_t, size_t> bareRows;
        for (int round = 0; round < 2; ++round) {
            bare = std::min(bare, Seconds([&] { bareRows = BareBackupByIndex(direct, headerSql); }));
            program = std::min(program, Seconds([&] { result = BackupOrders(window); }));
        }
        Row("backup " + std::to_string(result.headerRows) + " orders, " + std::to_string(result.detailRows) + " lines",
            Fixed(program, " s"), Fixed(bare, " s"), Fixed(program / bare, "x"));
        if (bareRows.first != static_cast<size_t>(result.headerRows) ||
            bareRows.second != static_cast<size_t>(result.detailRows))
            std::printf("  (the bare loop read %zu headers and %zu lines)\n", bareRows.first, bareRows.second);
        std::pair<size_t, size_t> subqueryRows;
        const double subquery = Seconds([&] { subqueryRows = BareBackupBySubquery(direct, headerSql, detailSql); });
        Row("  the same rows by the subquery text (bare)", Fixed(program, " s"), Fixed(subquery, " s"),
            Fixed(program / subquery, "x"));
    }

    // Restoring 10,000 orders of the backup.
    const BackupPair pair = BackupPair::Load(result.headerFile, result.detailFile, false);
    std::vector<const BackupOrder *> orders;
    size_t lines = 0;
    for (const BackupOrder &order : pair.Orders()) {
        if (orders.size() == kRestoredOrders) break;
        orders.push_back(&order);
        lines += order.lineRows.size();
    }
    const std::string programTarget = EmptyDatabase(folder, "restore-program.fdb");
    const std::string bareTarget = EmptyDatabase(folder, "restore-bare.fdb");
    WriteBenchConfig(folder, programTarget);
    double program = 0;
    {
        TSQLConnection connection("SQLConnection1");
        SetUpOrderConnection(connection, folder + "connections.ini", folder + "drivers.ini");
        connection.Open();
        OrderRestorer restorer(connection, pair);
        RestoreOutcome outcome;
        program = Seconds([&] { restorer.Restore(orders, nullptr, outcome); });
        if (outcome.restored.size() != orders.size())
            std::printf("  (the program restored %zu orders of %zu)\n", outcome.restored.size(), orders.size());
    }
    DirectDatabase bareDb = DirectDatabase::Open(bareTarget);
    const double bare = Seconds([&] { BareRestore(bareDb, pair, orders); });
    Row("restore " + std::to_string(orders.size()) + " orders, " + std::to_string(lines) + " lines",
        Fixed(program, " s"), Fixed(bare, " s"), Fixed(bare / program, "x throughput (orders/s program / bare)"));
    return 0;
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return Run();
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "bench_backup_restore: %s\n", failure.what());
        return 1;
    }
}
