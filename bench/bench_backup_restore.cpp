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

#include "BackupOrders.h"
#include "OrderConnection.h"
#include "BackupPair.h"
#include "ClientDataSet.h"
#include "DataSetProvider.h"
#include "DemoDatabase.h"
#include "DetailLines.h"
#include "FirebirdDirect.h"
#include "FirebirdDirectImpl.h"
#include "OrderRestorer.h"
#include "OrderWindow.h"
#include "QueryText.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "SQLQuery.h"
#include "TableEngine.h"

namespace fs = std::filesystem;
using namespace Firebird;

namespace {

const char *const kSharedDatabase = "/tmp/batchdel-bench/orders-1m.fdb";
constexpr size_t kRestoredOrders = 10'000;

double Seconds(const std::function<void()> &work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteText(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

void WriteConfig(const std::string &folder, const std::string &database) {
    WriteText(folder + "connections.ini", "[Trelvo]\nDriverName=Interbase\nDatabase=" + database +
                                              "\nUser_Name=SYSDBA\nPassword=masterkey\nServerCharSet=UTF8\n"
                                              "SQLDialect=3\n");
    WriteText(folder + "drivers.ini",
              "[Interbase]\nLibraryName=libibdriver.so\nVendorLib=libfbclient.so.2\n"
              "GetDriverFunc=getIBDriver\n");
}

void Configure(TSQLConnection &connection, const std::string &folder) {
    SetUpOrderConnection(connection, folder + "connections.ini", folder + "drivers.ini");
}

// The order window without widgets, wired as the window wires its parts.
class BenchWindow : public OrderWindow {
public:
    explicit BenchWindow(const std::string &folder) : folder_(folder) {
        Configure(SQLConnection1, folder_);
        SQLDataSet2.SetSQLConnection(&SQLConnection1);
        DataSetProvider2.SetDataSet(&SQLDataSet2);
        DataSetProvider2.Options = poAllowCommandText;
        ClientDataSet2.SetProviderName("DataSetProvider2");
        ClientDataSet2.SetProviderResolver([this](const std::string &) { return &DataSetProvider2; });
        SQLConnection1.Open();
    }
    ~BenchWindow() override { ClientDataSet2.Close(); }

    std::string boxes[6];
    std::string BoxText(FilterBox box) const override { return boxes[static_cast<int>(box)]; }
    void SetStatusText(const std::string &) override {}
    TClientDataSet &OrderList() override { return ClientDataSet1; }
    TClientDataSet &BackupSet() override { return ClientDataSet2; }
    TSQLQuery &Statement() override { return SQLQuery1; }
    TSQLConnection &Connection() override { return SQLConnection1; }
    std::string ExecutableFolder() const override { return folder_; }
    std::tm LocalNow() const override {
        std::tm t{};
        t.tm_year = 125;
        t.tm_mday = 1;
        t.tm_sec = seconds++;
        return t;
    }
    int AppMessageBox(const std::string &, const std::string &, unsigned) override { return mrYes; }
    int RunMessageDialog(const std::string &, DialogKind, unsigned) override { return mrNo; }
    void ShowNotice(const std::string &) override {}

    TSQLConnection SQLConnection1{"SQLConnection1"};
    TClientDataSet ClientDataSet1{"ClientDataSet1"};
    TSQLQuery SQLQuery1{"SQLQuery1"};
    TSQLDataSet SQLDataSet2{"SQLDataSet2"};
    TDataSetProvider DataSetProvider2{"DataSetProvider2"};
    TClientDataSet ClientDataSet2{"ClientDataSet2"};

private:
    std::string folder_;
    mutable int seconds = 0;
};

// Fetches every row of an open cursor, each message copied once (a client
// that keeps the rows can do no less). Returns the rows; the first column's
// text goes to firstColumn when asked for.
size_t FetchRows(IResultSet *cursor, IMessageMetadata *meta, ThrowStatusWrapper &status,
                 std::vector<std::string> *firstColumn) {
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    const unsigned offset = meta->getOffset(&status, 0);
    size_t rows = 0;
    std::string kept;
    while (cursor->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
        kept.assign(reinterpret_cast<const char *>(buffer.data()), buffer.size());
        if (firstColumn) {
            uint16_t length;
            std::memcpy(&length, &buffer[offset], sizeof length);
            firstColumn->emplace_back(reinterpret_cast<const char *>(&buffer[offset + 2]), length);
        }
        ++rows;
    }
    return rows;
}

size_t FetchQuery(IAttachment *attachment, ITransaction *tra, ThrowStatusWrapper &status, const std::string &sql,
                  std::vector<std::string> *firstColumn) {
    IStatement *stmt = attachment->prepare(&status, tra, 0, sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *meta = stmt->getOutputMetadata(&status);
    IResultSet *cursor = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    const size_t rows = FetchRows(cursor, meta, status, firstColumn);
    cursor->close(&status);
    meta->release();
    stmt->free(&status);
    return rows;
}

// The bare reading of a backup by the index: header rows, then the lines of
// their orders in batches of bound numbers, in one snapshot.
std::pair<size_t, size_t> BareBackupByIndex(DirectDatabase &db, const std::string &headerSql) {
    DirectDatabase::Impl &impl = db.impl();
    ThrowStatusWrapper status(impl.master->getStatus());
    ITransaction *tra = impl.attachment->startTransaction(&status, 0, nullptr);
    std::vector<std::string> orders;
    const size_t headers = FetchQuery(impl.attachment, tra, status, headerSql, &orders);
    std::string sql = "SELECT * FROM ORDER_SUB WHERE MASTERBILLID IN (";
    for (int i = 0; i < kOrdersPerDetailBatch; ++i) sql += i ? ",?" : "?";
    sql += ")";
    IStatement *stmt = impl.attachment->prepare(&status, tra, 0, sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *in = stmt->getInputMetadata(&status);
    IMessageMetadata *out = stmt->getOutputMetadata(&status);
    std::vector<unsigned char> params(in->getMessageLength(&status));
    size_t lines = 0;
    for (size_t start = 0; start < orders.size(); start += kOrdersPerDetailBatch) {
        for (unsigned i = 0; i < static_cast<unsigned>(kOrdersPerDetailBatch); ++i) {
            const std::string &order = orders[std::min(orders.size() - 1, start + i)];
            const uint16_t length = static_cast<uint16_t>(order.size());
            const unsigned offset = in->getOffset(&status, i);
            std::memcpy(&params[offset], &length, sizeof length);
            std::memcpy(&params[offset + 2], order.data(), order.size());
            const short notNull = 0;
            std::memcpy(&params[in->getNullOffset(&status, i)], &notNull, sizeof notNull);
        }
        IResultSet *cursor = stmt->openCursor(&status, tra, in, params.data(), out, 0);
        lines += FetchRows(cursor, out, status, nullptr);
        cursor->close(&status);
    }
    in->release();
    out->release();
    stmt->free(&status);
    tra->commit(&status);
    status.dispose();
    return {headers, lines};
}

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

void Row(const std::string &what, const std::string &program, const std::string &baseline, const std::string &ratio) {
    std::printf("%-46s %-12s %-12s %s\n", what.c_str(), program.c_str(), baseline.c_str(), ratio.c_str());
}

std::string Fixed(double value, const char *unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f%s", value, unit);
    return text;
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
    WriteConfig(folder, kSharedDatabase);

    Row("case", "program", "bare client", "ratio");
    BackupResult result;
    {
        BenchWindow window(folder);
        // The orders of 73 days, about a tenth of them.
        window.boxes[static_cast<int>(FilterBox::DateFrom)] = "2024/01/01";
        window.boxes[static_cast<int>(FilterBox::DateTo)] = "2024/03/13";
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
    WriteConfig(folder, programTarget);
    double program = 0;
    {
        TSQLConnection connection("SQLConnection1");
        Configure(connection, folder);
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
