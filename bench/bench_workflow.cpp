// The order commands on a million orders, each beside a bare loop over the
// Firebird client doing the same work where there is one:
//   listing every order        vs. fetching the same query into a vector
//   ticking every listed order (no baseline)
//   backing up ~100,000 orders with their lines (time and MB/s written)
//   deleting 10,000 ticked orders vs. two prepared deletes, one commit per order
// Everything runs on a private copy of /tmp/batchdel-bench/orders-1m.fdb
// (made first when missing), so the deletions leave the shared file alone and
// no other program holds the copy.
#include <firebird/Interface.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "tools/DemoDatabase.h"
#include "tools/FirebirdDirect.h"
#include "tools/FirebirdDirectImpl.h"
#include "workflow/OrderCommands.h"
#include "workflow/OrderDataModule.h"
#include "workflow/OrderWindow.h"
#include "workflow/QueryText.h"

using namespace batchdel;

namespace fs = std::filesystem;
using namespace Firebird;

namespace {

constexpr int kOrders = 1'000'000;
constexpr int kDeletions = 10'000;
const char *const kSharedDatabase = "/tmp/batchdel-bench/orders-1m.fdb";

// The bare baseline of the list: the same query fetched through the client
// into plain structs.
struct OrderRow {
    std::string id;
    int32_t billDate = 0;
    int32_t arrivalDate = 0;
    std::string customerId;
    std::string customerName;
    std::string department;
    std::string selected;
};

// Where each column of the output message lies, read once before fetching.
struct ColumnPlace {
    unsigned offset;
    unsigned nullOffset;
    unsigned length;
    bool varying;
};

std::vector<ColumnPlace> Places(IMessageMetadata *meta, ThrowStatusWrapper &status) {
    std::vector<ColumnPlace> places;
    for (unsigned i = 0; i < meta->getCount(&status); ++i)
        places.push_back({meta->getOffset(&status, i), meta->getNullOffset(&status, i), meta->getLength(&status, i),
                          (meta->getType(&status, i) & ~1u) == SQL_VARYING});
    return places;
}

bool IsNull(const unsigned char *buffer, const ColumnPlace &place) {
    short flag;
    std::memcpy(&flag, buffer + place.nullOffset, sizeof flag);
    return flag != 0;
}

std::string TextAt(const unsigned char *buffer, const ColumnPlace &place) {
    if (IsNull(buffer, place)) return {};
    const unsigned char *p = buffer + place.offset;
    if (place.varying) {
        uint16_t length;
        std::memcpy(&length, p, sizeof length);
        return std::string(reinterpret_cast<const char *>(p + 2), length);
    }
    return std::string(reinterpret_cast<const char *>(p), place.length);
}

int32_t DateAt(const unsigned char *buffer, const ColumnPlace &place) {
    int32_t value = 0;
    if (!IsNull(buffer, place)) std::memcpy(&value, buffer + place.offset, sizeof value);
    return value;
}

size_t BareFetchAll(DirectDatabase &db, const std::string &sql) {
    DirectDatabase::Impl &impl = db.impl();
    ThrowStatusWrapper status(impl.master->getStatus());
    ITransaction *tra = impl.attachment->startTransaction(&status, 0, nullptr);
    IStatement *stmt = impl.attachment->prepare(&status, tra, 0, sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *meta = stmt->getOutputMetadata(&status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    const std::vector<ColumnPlace> at = Places(meta, status);
    IResultSet *cursor = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    std::vector<OrderRow> rows;
    const unsigned char *b = buffer.data();
    while (cursor->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
        OrderRow row;
        row.id = TextAt(b, at[0]);
        row.billDate = DateAt(b, at[1]);
        row.arrivalDate = DateAt(b, at[2]);
        row.customerId = TextAt(b, at[3]);
        row.customerName = TextAt(b, at[4]);
        row.department = TextAt(b, at[5]);
        row.selected = TextAt(b, at[6]);
        rows.push_back(std::move(row));
    }
    cursor->close(&status);
    meta->release();
    stmt->free(&status);
    tra->commit(&status);
    status.dispose();
    return rows.size();
}

// The bare baseline of the deletion: two parameterised deletes prepared once,
// one transaction per order.
void BareDelete(DirectDatabase &db, const std::vector<std::string> &orders) {
    DirectDatabase::Impl &impl = db.impl();
    ThrowStatusWrapper status(impl.master->getStatus());
    // Preparing needs a transaction; the statements outlive it.
    ITransaction *preparing = impl.attachment->startTransaction(&status, 0, nullptr);
    IStatement *lines =
        impl.attachment->prepare(&status, preparing, 0, "DELETE FROM ORDER_SUB WHERE MASTERBILLID = ?", 3, 0);
    IStatement *header =
        impl.attachment->prepare(&status, preparing, 0, "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = ?", 3, 0);
    preparing->commit(&status);
    IMessageMetadata *meta = lines->getInputMetadata(&status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    const unsigned offset = meta->getOffset(&status, 0);
    const unsigned nullOffset = meta->getNullOffset(&status, 0);
    for (const std::string &order : orders) {
        const uint16_t length = static_cast<uint16_t>(order.size());
        std::memcpy(&buffer[offset], &length, sizeof length);
        std::memcpy(&buffer[offset + 2], order.data(), order.size());
        const short notNull = 0;
        std::memcpy(&buffer[nullOffset], &notNull, sizeof notNull);
        ITransaction *tra = impl.attachment->startTransaction(&status, 0, nullptr);
        lines->execute(&status, tra, meta, buffer.data(), nullptr, nullptr);
        header->execute(&status, tra, meta, buffer.data(), nullptr, nullptr);
        tra->commit(&status);
    }
    meta->release();
    lines->free(&status);
    header->free(&status);
    status.dispose();
}

std::string Thousands(long long n) {
    std::string digits = std::to_string(n), text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

int Run() {
    if (!fs::exists(kSharedDatabase)) {
        std::printf("making %s (%s orders)...\n", kSharedDatabase, Thousands(kOrders).c_str());
        fs::create_directories(fs::path(kSharedDatabase).parent_path());
        const std::string making = std::string(kSharedDatabase) + ".workflow-" + std::to_string(getpid());
        CreateDemoDatabase(making, kOrders);
        fs::rename(making, kSharedDatabase);
    }
    const std::string folder = "/tmp/batchdel-bench/workflow-" + std::to_string(getpid()) + "/";
    fs::create_directories(folder + "cds");
    const std::string database = folder + "orders.fdb";
    fs::copy_file(kSharedDatabase, database);
    WriteBenchConfig(folder, database);
    struct Cleanup {
        std::string folder;
        ~Cleanup() { fs::remove_all(folder); }
    } cleanup{folder};

    DirectDatabase direct = DirectDatabase::Open(database);
    BenchWindow window(folder);

    Row("case", "program", "bare client", "ratio");

    // Listing every order, best of two runs each.
    const std::string listSql = BuildFilteredQuery(kListQueryHead, ReadFilterCriteria(window));
    double bare = 1e9, program = 1e9;
    size_t bareRows = 0;
    for (int round = 0; round < 2; ++round) {
        bare = std::min(bare, Seconds([&] { bareRows = BareFetchAll(direct, listSql); }));
        program = std::min(program, Seconds([&] { QueryOrders(window); }));
    }
    const int listed = window.OrderList().RecordCount();
    Row("list " + Thousands(listed) + " orders (" + window.status + ")", Fixed(program, " s"), Fixed(bare, " s"),
        Fixed(program / bare, "x"));
    if (static_cast<size_t>(listed) != bareRows) std::printf("  (the bare fetch read %zu rows)\n", bareRows);

    const double selectAll = Seconds([&] { SelectAllOrders(window); });
    Row("select all " + Thousands(listed) + " orders", Fixed(selectAll, " s"), "-", "-");
    window.OrderList().Close();

    // Backing up the orders of 73 days, about a tenth of them.
    window.SetDates("2024/01/01", "2024/03/13");
    BackupResult files;
    const double backup = Seconds([&] { files = BackupOrders(window); });
    const double megabytes = (fs::file_size(files.headerFile) + fs::file_size(files.detailFile)) / 1e6;
    const std::string backedUp =
        direct.Query("SELECT COUNT(*) FROM ORDER_MASTER WHERE BILL_DATE BETWEEN '2024-01-01' AND '2024-03-13'")
            .at(0)
            .at(0);
    Row("backup " + Thousands(std::stoll(backedUp)) + " orders, " + Thousands(window.BackupSet().RecordCount()) +
            " lines",
        Fixed(backup, " s") + ", " + Fixed(megabytes, " MB") + ", " + Fixed(megabytes / backup, " MB/s"), "-", "-");

    // Deleting 10,000 ticked orders out of a listing of about 20,000.
    window.SetDates("2025/02/04", "2025/02/18");
    QueryOrders(window);
    TClientDataSet &list = window.OrderList();
    list.First();
    TField *mark = list.FieldNamed("SELECT_YN");
    for (int n = 0; n < kDeletions && !list.AtEnd(); ++n) {
        list.Edit();
        mark->SetString("Y");
        list.Post();
        list.Next();
    }
    const double deletion = Seconds([&] { DeleteTickedOrders(window); });
    std::printf("  (program's deletion done in %.2f s; now the bare loop)\n", deletion);
    std::vector<std::string> others;
    for (int n = 1; n <= kDeletions; ++n) others.push_back(DemoOrderNumber(700'000 + n));
    const double bareDeletion = Seconds([&] { BareDelete(direct, others); });
    Row("delete " + Thousands(kDeletions) + " ticked of " + Thousands(list.RecordCount()) + " listed",
        Fixed(deletion, " s"), Fixed(bareDeletion, " s"), Fixed(deletion / bareDeletion, "x"));
    return 0;
}

}  // namespace

int main() {
    // Each line as soon as it is measured, also when the output is a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return Run();
    } catch (const Exception &e) {
        std::fprintf(stderr, "%s: %s\n", e.ClassName().c_str(), e.Message().c_str());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (const FbException &e) {
        char text[1024];
        fb_get_master_interface()->getUtilInterface()->formatStatus(text, sizeof text, e.getStatus());
        std::fprintf(stderr, "%s\n", text);
    }
    return 1;
}
