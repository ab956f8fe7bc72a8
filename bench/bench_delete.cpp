// Deleting orders: the program's path (the deletion's two statement texts
// through TSQLQuery, one transaction per order) against two loops straight
// over the Firebird client, each on its own fresh copy of one database with
// forced writes on:
//   floor: both deletes prepared once with a parameter, one commit per order;
//   naive: both statements as literal text prepared anew, each committed alone.
// Usage: bench_delete [orders]   (default 10000; e.g. 500 for a quick run)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <firebird/Interface.h>

#include "DemoDatabase.h"
#include "Errors.h"
#include "FirebirdDirectImpl.h"
#include "SQLConnection.h"
#include "SQLQuery.h"

using namespace Firebird;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Read committed, waiting on locks: what the program's connection asks for.
IXpbBuilder *ReadCommittedTpb(DirectDatabase::Impl &db, ThrowStatusWrapper &status) {
    IXpbBuilder *tpb = db.util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
    tpb->insertTag(&status, isc_tpb_write);
    tpb->insertTag(&status, isc_tpb_read_committed);
    tpb->insertTag(&status, isc_tpb_rec_version);
    tpb->insertTag(&status, isc_tpb_wait);
    return tpb;
}

// A prepared statement with one text parameter.
class OneParamDelete {
public:
    OneParamDelete(DirectDatabase::Impl &db, ThrowStatusWrapper &status, ITransaction *tra,
                   const char *sql)
        : status_(status) {
        stmt_ = db.attachment->prepare(&status, tra, 0, sql, 3, 0);
        meta_ = stmt_->getInputMetadata(&status);
        buffer_.resize(meta_->getMessageLength(&status));
        offset_ = meta_->getOffset(&status, 0);
        nullOffset_ = meta_->getNullOffset(&status, 0);
        capacity_ = meta_->getLength(&status, 0);
    }
    ~OneParamDelete() {
        meta_->release();
        stmt_->free(&status_);
    }
    void Execute(ITransaction *tra, const std::string &value) {
        if (value.size() > capacity_) throw std::runtime_error("order number too long: " + value);
        std::memset(buffer_.data() + nullOffset_, 0, sizeof(int16_t));
        const uint16_t len = uint16_t(value.size());
        std::memcpy(buffer_.data() + offset_, &len, sizeof len);
        std::memcpy(buffer_.data() + offset_ + sizeof len, value.data(), len);
        stmt_->execute(&status_, tra, meta_, buffer_.data(), nullptr, nullptr);
    }

private:
    ThrowStatusWrapper &status_;
    IStatement *stmt_ = nullptr;
    IMessageMetadata *meta_ = nullptr;
    std::vector<unsigned char> buffer_;
    unsigned offset_ = 0, nullOffset_ = 0, capacity_ = 0;
};

double FloorLoop(const std::string &path, const std::vector<std::string> &orders) {
    DirectDatabase db = DirectDatabase::Open(path);
    DirectDatabase::Impl &d = db.impl();
    ThrowStatusWrapper status(d.master->getStatus());
    double seconds = 0;
    try {
        IXpbBuilder *tpb = ReadCommittedTpb(d, status);
        const unsigned tpbLen = tpb->getBufferLength(&status);
        const unsigned char *tpbBuf = tpb->getBuffer(&status);
        ITransaction *tra = d.attachment->startTransaction(&status, tpbLen, tpbBuf);
        {
            OneParamDelete sub(d, status, tra, "DELETE FROM ORDER_SUB WHERE MASTERBILLID = ?");
            OneParamDelete master(d, status, tra, "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = ?");
            tra->commit(&status);
            const auto start = Clock::now();
            for (const std::string &order : orders) {
                tra = d.attachment->startTransaction(&status, tpbLen, tpbBuf);
                sub.Execute(tra, order);
                master.Execute(tra, order);
                tra->commit(&status);
            }
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
        tpb->dispose();
    } catch (const FbException &e) {
        status.dispose();
        d.Rethrow(e);
    }
    status.dispose();
    return seconds;
}

double NaiveLoop(const std::string &path, const std::vector<std::string> &orders) {
    DirectDatabase db = DirectDatabase::Open(path);
    DirectDatabase::Impl &d = db.impl();
    ThrowStatusWrapper status(d.master->getStatus());
    double seconds = 0;
    try {
        IXpbBuilder *tpb = ReadCommittedTpb(d, status);
        const unsigned tpbLen = tpb->getBufferLength(&status);
        const unsigned char *tpbBuf = tpb->getBuffer(&status);
        const auto start = Clock::now();
        for (const std::string &order : orders) {
            for (const char *table : {"ORDER_SUB", "ORDER_MASTER"}) {
                const std::string sql =
                    std::string("DELETE FROM ") + table + " WHERE MASTERBILLID = '" + order + "'";
                ITransaction *tra = d.attachment->startTransaction(&status, tpbLen, tpbBuf);
                d.attachment->execute(&status, tra, 0, sql.c_str(), 3, nullptr, nullptr, nullptr,
                                      nullptr);
                tra->commit(&status);
            }
        }
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        tpb->dispose();
    } catch (const FbException &e) {
        status.dispose();
        d.Rethrow(e);
    }
    status.dispose();
    return seconds;
}

// The program's path: the statement texts as the deletion builds them.
double ProgramLoop(const std::string &path, const fs::path &folder,
                   const std::vector<std::string> &orders) {
    std::ofstream(folder / "connections.ini")
        << "[Trelvo]\nDriverName=Interbase\nDatabase=" << path
        << "\nUser_Name=SYSDBA\nPassword=masterkey\nServerCharSet=UTF8\nSQLDialect=3\n";
    std::ofstream(folder / "drivers.ini") << "[Interbase]\nLibraryName=libibdriver.so\n"
                                             "VendorLib=libfbclient.so.2\nGetDriverFunc=getIBDriver\n";
    TSQLConnection connection("SQLConnection1");
    connection.ConnectionName = "Trelvo";
    connection.LoadParamsOnConnect = true;
    connection.LoginPrompt = false;
    connection.SetConnectionFile((folder / "connections.ini").string());
    connection.SetDriverFile((folder / "drivers.ini").string());
    connection.Open();
    TSQLQuery query("SQLQuery1");
    query.SetSQLConnection(&connection);

    const auto start = Clock::now();
    for (const std::string &order : orders) {
        const std::string where = " WHERE MASTERBILLID = '" + order + "'";
        connection.StartTransaction();
        for (const char *first : {"DELETE FROM ORDER_SUB  ", "DELETE FROM ORDER_MASTER  "}) {
            query.Close();
            query.ClearSQL();
            query.AddSQL(first);
            query.AddSQL(where);
            query.Execute();
        }
        connection.Commit();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int64_t Remaining(const std::string &path) {
    auto rows = DirectDatabase::Open(path).Query(
        "SELECT (SELECT COUNT(*) FROM ORDER_MASTER) + (SELECT COUNT(*) FROM ORDER_SUB) "
        "FROM RDB$DATABASE");
    return std::stoll(rows.at(0).at(0));
}

}  // namespace

int main(int argc, char **argv) {
    int n = 10000;
    if (argc > 1) n = std::atoi(argv[1]);
    if (n <= 0) {
        std::fprintf(stderr, "usage: %s [orders]\n", argv[0]);
        return 2;
    }
    char folderTemplate[] = "/tmp/bench-delete-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder(folderTemplate);
    int rc = 0;
    try {
        const std::string source = (folder / "source.fdb").string();
        std::printf("Making a database of %d orders (about ten lines each)...\n", n);
        std::fflush(stdout);
        CreateDemoDatabase(source, n);
        SetForcedWrites(source, true);

        std::vector<std::string> orders;
        for (int i = 1; i <= n; ++i) orders.push_back(DemoOrderNumber(i));

        struct Variant {
            const char *name;
            std::function<double(const std::string &)> run;
            double seconds = 0;
        };
        Variant variants[] = {
            {"program (TSQLQuery)", [&](const std::string &p) { return ProgramLoop(p, folder, orders); }},
            {"floor (prepared once)", [&](const std::string &p) { return FloorLoop(p, orders); }},
            {"naive (literal, 2 commits)", [&](const std::string &p) { return NaiveLoop(p, orders); }},
        };
        for (Variant &v : variants) {
            const std::string copy = (folder / "copy.fdb").string();
            fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
            v.seconds = v.run(copy);
            if (int64_t left = Remaining(copy); left != 0) {
                std::fprintf(stderr, "%s left %lld rows behind\n", v.name, (long long)left);
                rc = 1;
            }
            fs::remove(copy);
        }

        const double program = n / variants[0].seconds;
        std::printf("\n%-28s %8s %10s %12s %14s\n", "variant", "orders", "seconds", "orders/s",
                    "program ratio");
        for (const Variant &v : variants) {
            const double rate = n / v.seconds;
            std::printf("%-28s %8d %10.2f %12.1f %13.2fx\n", v.name, n, v.seconds, rate,
                        program / rate);
        }
        const double vsFloor = program / (n / variants[1].seconds);
        const double vsNaive = program / (n / variants[2].seconds);
        std::printf("\nprogram / floor = %.2f (goal >= 0.75): %s\n", vsFloor,
                    vsFloor >= 0.75 ? "met" : "NOT met");
        std::printf("program / naive = %.2f (goal >= 2.00): %s\n", vsNaive,
                    vsNaive >= 2.0 ? "met" : "NOT met");
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_delete: %s\n", e.what());
        rc = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return rc;
}
