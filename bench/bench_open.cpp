// Opening the order list on a large database, against a bare fetch loop:
//   open: the list query with every filter empty, through the connection,
//         provider and SQL data set into a client result set, vs. the same
//         rows fetched with the Firebird client and decoded into a vector of
//         structs with std::string fields (time ratio goal <= 1.3, peak
//         memory ratio goal <= 1.5; each run in a child process of its own,
//         peak memory read from VmHWM)
//   select-all: First, then Edit, SELECT_YN := "Y", Post, Next over every
//         row, with a data source link of 30 rows attached (goal < 1 s)
// Usage: bench_open [database] [--orders N] [--runs R]
// The database (default /tmp/batchdel-bench/orders-1m.fdb) is made with N
// demo orders when missing; the runs read a private copy of it, so no other
// program holds the file while it is measured.
#include <firebird/Interface.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "tools/DemoDatabase.h"
#include "workflow/OrderDataModule.h"

using namespace batchdel;

namespace fs = std::filesystem;
using namespace Firebird;

namespace {

const char kListQuery[] =
    "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN FROM ORDER_MASTER \r\n"
    " WHERE  MASTERBILLID IS NOT NULL \r\n";

struct Result {
    int ok = 0;
    long rows = 0;
    double seconds = 0;
    long peakKb = 0;
    double selectAllSeconds = 0;
    long peakAfterSelectAllKb = 0;
    char error[512] = {};
};

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long PeakKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Runs work in a child process, so each measurement has its own peak memory
// and the Firebird client is never used across a fork.
Result InChild(const std::function<void(Result &)> &work) {
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Result r;
        try {
            work(r);
            r.ok = 1;
        } catch (const std::exception &e) {
            std::snprintf(r.error, sizeof r.error, "%s", e.what());
        } catch (const FbException &e) {
            std::snprintf(r.error, sizeof r.error, "Firebird failure");
        }
        if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    Result r;
    if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r))
        std::snprintf(r.error, sizeof r.error, "child died");
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return r;
}

// ---- the baseline: a bare fetch loop ----

struct OrderRow {
    std::string masterBillId;
    int32_t billDate = 0;
    int32_t frDate = 0;
    bool billDateNull = true;
    bool frDateNull = true;
    std::string custId;
    std::string custName;
    std::string depId;
    std::string selectYn;
};

void BareFetch(const std::string &db, Result &r) {
    IMaster *master = fb_get_master_interface();
    ThrowStatusWrapper st(master->getStatus());
    IProvider *provider = master->getDispatcher();
    IUtil *util = master->getUtilInterface();
    IXpbBuilder *dpb = util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
    dpb->insertString(&st, isc_dpb_password, "masterkey");
    dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");

    const auto start = Clock::now();
    IAttachment *att = provider->attachDatabase(&st, db.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
    ITransaction *tra = att->startTransaction(&st, 0, nullptr);
    IStatement *stmt = att->prepare(&st, tra, 0, kListQuery, 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *meta = stmt->getOutputMetadata(&st);
    std::vector<unsigned char> buffer(meta->getMessageLength(&st));
    const unsigned count = meta->getCount(&st);
    std::vector<unsigned> offsets(count), nullOffsets(count), types(count), lengths(count);
    for (unsigned i = 0; i < count; ++i) {
        offsets[i] = meta->getOffset(&st, i);
        nullOffsets[i] = meta->getNullOffset(&st, i);
        types[i] = meta->getType(&st, i) & ~1u;
        lengths[i] = meta->getLength(&st, i);
    }
    auto text = [&](unsigned i) {
        const unsigned char *p = buffer.data() + offsets[i];
        if (*reinterpret_cast<const short *>(buffer.data() + nullOffsets[i])) return std::string();
        if (types[i] == SQL_VARYING)
            return std::string(reinterpret_cast<const char *>(p + 2), *reinterpret_cast<const uint16_t *>(p));
        std::string s(reinterpret_cast<const char *>(p), lengths[i]);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    auto date = [&](unsigned i, int32_t &days, bool &isNull) {
        isNull = *reinterpret_cast<const short *>(buffer.data() + nullOffsets[i]) != 0;
        std::memcpy(&days, buffer.data() + offsets[i], 4);
    };
    IResultSet *rs = stmt->openCursor(&st, tra, nullptr, nullptr, meta, 0);
    std::vector<OrderRow> rows;
    while (rs->fetchNext(&st, buffer.data()) == IStatus::RESULT_OK) {
        OrderRow o;
        o.masterBillId = text(0);
        date(1, o.billDate, o.billDateNull);
        date(2, o.frDate, o.frDateNull);
        o.custId = text(3);
        o.custName = text(4);
        o.depId = text(5);
        o.selectYn = text(6);
        rows.push_back(std::move(o));
    }
    rs->close(&st);
    r.seconds = Since(start);
    r.rows = static_cast<long>(rows.size());
    r.peakKb = PeakKb();
    meta->release();
    stmt->free(&st);
    tra->commit(&st);
    att->detach(&st);
    dpb->dispose();
    provider->release();
}

// ---- the program's path ----

class CountingLink : public TDataLink {
public:
    long events = 0;
    void DataSetChanged() override { ++events; }
    void DataSetScrolled(int) override { ++events; }
    void RecordChanged(TField *) override { ++events; }
    void EditingChanged() override { ++events; }
};

void ClientOpen(const std::string &db, const std::string &folder, Result &r) {
    std::ofstream(folder + "/drivers.ini") << "[Interbase]\nLibraryName=libibdriver.so\n"
                                              "VendorLib=libfbclient.so.2\nGetDriverFunc=getIBDriver\n";
    std::ofstream(folder + "/connections.ini") << "[Trelvo]\nDriverName=Interbase\nDatabase=" << db
                                               << "\nUser_Name=SYSDBA\nPassword=masterkey\n"
                                                  "ServerCharSet=UTF8\nSQLDialect=3\n";
    OrderDataModule data(OrderDataSetup{folder + "/connections.ini", folder + "/drivers.ini"});
    TClientDataSet &list = data.ClientDataSet1;

    const auto start = Clock::now();
    list.SetCommandText(kListQuery);
    list.Open();
    r.seconds = Since(start);
    r.rows = list.RecordCount();
    r.peakKb = PeakKb();

    CountingLink link;
    link.SetDataSource(&data.DataSource1);
    link.SetBufferCount(30);
    const auto walk = Clock::now();
    list.First();
    while (!list.AtEnd()) {
        list.Edit();
        list.FieldNamed("SELECT_YN")->SetString("Y");
        list.Post();
        list.Next();
    }
    list.First();
    r.selectAllSeconds = Since(walk);
    r.peakAfterSelectAllKb = PeakKb();
    if (link.events < r.rows * 4) throw std::runtime_error("the link missed announcements");
    list.Last();
    if (list.FieldNamed("SELECT_YN")->GetString() != "Y") throw std::runtime_error("select-all left a row unmarked");
}

}  // namespace

int main(int argc, char **argv) {
    std::string db;
    int orders = 1'000'000;
    int runs = 2;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--orders" && i + 1 < argc)
            orders = std::atoi(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            db = a;
    }
    if (db.empty())
        db = orders == 1'000'000 ? "/tmp/batchdel-bench/orders-1m.fdb"
                                 : "/tmp/batchdel-bench/orders-" + std::to_string(orders) + ".fdb";
    if (!fs::exists(db)) {
        std::printf("making %s with %d orders...\n", db.c_str(), orders);
        std::fflush(stdout);
        Result made = InChild([&](Result &) {
            fs::create_directories(fs::path(db).parent_path());
            CreateDemoDatabase(db, orders);
        });
        if (!made.ok) {
            std::fprintf(stderr, "cannot make the database: %s\n", made.error);
            return 1;
        }
    }
    char folderTemplate[] = "/tmp/batchdel-bench-open-XXXXXX";
    if (!mkdtemp(folderTemplate)) return 1;
    const std::string folder = folderTemplate;
    const std::string copy = folder + "/orders.fdb";
    fs::copy_file(db, copy);

    Result bare, client;
    bare.seconds = client.seconds = client.selectAllSeconds = 1e9;
    for (int run = 0; run < runs; ++run) {
        Result b = InChild([&](Result &r) { BareFetch(copy, r); });
        Result c = InChild([&](Result &r) { ClientOpen(copy, folder, r); });
        if (!b.ok || !c.ok) {
            std::fprintf(stderr, "run failed: %s%s\n", b.error, c.error);
            fs::remove_all(folder);
            return 1;
        }
        // The best time of the runs (the machine is shared); the peak
        // memory of the last.
        bare.seconds = std::min(bare.seconds, b.seconds);
        bare.rows = b.rows;
        bare.peakKb = b.peakKb;
        client.seconds = std::min(client.seconds, c.seconds);
        client.selectAllSeconds = std::min(client.selectAllSeconds, c.selectAllSeconds);
        client.rows = c.rows;
        client.peakKb = c.peakKb;
        client.peakAfterSelectAllKb = c.peakAfterSelectAllKb;
    }
    fs::remove_all(folder);

    std::printf("\nbench_open: %ld orders (%s), best of %d runs\n", client.rows, db.c_str(), runs);
    std::printf("%-34s %12s %12s\n", "", "seconds", "peak MB");
    std::printf("%-34s %12.3f %12.1f\n", "bare fetch into vector<struct>", bare.seconds, bare.peakKb / 1024.0);
    std::printf("%-34s %12.3f %12.1f\n", "ClientDataSet1.Open()", client.seconds, client.peakKb / 1024.0);
    std::printf("%-34s %12.2fx %11.2fx   (goals <= 1.30x, <= 1.50x)\n", "ratio", client.seconds / bare.seconds,
                static_cast<double>(client.peakKb) / bare.peakKb);
    std::printf("%-34s %12.3f %12.1f   (goal < 1 s; peak MB after it)\n", "select-all, link attached",
                client.selectAllSeconds, client.peakAfterSelectAllKb / 1024.0);
    if (bare.rows != client.rows) {
        std::fprintf(stderr, "row counts differ: %ld vs %ld\n", bare.rows, client.rows);
        return 1;
    }
    return 0;
}
