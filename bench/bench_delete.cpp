// Deleting orders: the program's path (the deletion's two statement texts
// through TSQLQuery, one transaction per order) against two loops straight
// over the Firebird client, each on its own fresh copy of one database with
// forced writes on:
//   floor: both deletes prepared once with a parameter, one commit per order;
//   naive: both statements as literal text prepared anew, each committed alone.
// The disk is shared and its speed drifts, so the variants take turns in
// chunks of orders (the one going first rotating) and each adds up only its
// own time.
// Usage: bench_delete [orders [variants]]
//   orders: default 10000; e.g. 500 for a quick run
//   variants: a comma list of program, floor, naive (default all three)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <firebird/Interface.h>

#include "DemoDatabase.h"
#include "Errors.h"
#include "FirebirdDirectImpl.h"
#include "OrderDataModule.h"
#include "SQLConnection.h"
#include "SQLQuery.h"

using namespace Firebird;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChunk = 50;

// One way of deleting an order, on its own database copy.
class Variant {
public:
    virtual ~Variant() = default;
    virtual void Delete(const std::string &order) = 0;
};

// The program's path: the statement texts as the deletion builds them.
class ProgramVariant : public Variant {
public:
    ProgramVariant(const std::string &path, const fs::path &folder) {
        std::ofstream(folder / "connections.ini")
            << "[Trelvo]\nDriverName=Interbase\nDatabase=" << path
            << "\nUser_Name=SYSDBA\nPassword=masterkey\nServerCharSet=UTF8\nSQLDialect=3\n";
        std::ofstream(folder / "drivers.ini")
            << "[Interbase]\nLibraryName=libibdriver.so\nVendorLib=libfbclient.so.2\n"
               "GetDriverFunc=getIBDriver\n";
        data_ = std::make_unique<OrderDataModule>(
            OrderDataSetup{(folder / "connections.ini").string(), (folder / "drivers.ini").string()});
    }
    void Delete(const std::string &order) override {
        const std::string where = " WHERE MASTERBILLID = '" + order + "'";
        TSQLQuery &query = data_->SQLQuery1;
        data_->SQLConnection1.StartTransaction();
        for (const char *first : {"DELETE FROM ORDER_SUB  ", "DELETE FROM ORDER_MASTER  "}) {
            query.Close();
            query.ClearSQL();
            query.AddSQL(first);
            query.AddSQL(where);
            query.Execute();
        }
        data_->SQLConnection1.Commit();
    }

private:
    std::unique_ptr<OrderDataModule> data_;
};

// The client library's exceptions leave as DirectDbError with their text.
class ClientVariant : public Variant {
public:
    explicit ClientVariant(const std::string &path)
        : db_(DirectDatabase::Open(path)), d_(db_.impl()), status_(d_.master->getStatus()) {
        Guard([&] {
            // Read committed, waiting on locks: what the program's connection asks for.
            tpb_ = d_.util->getXpbBuilder(&status_, IXpbBuilder::TPB, nullptr, 0);
            tpb_->insertTag(&status_, isc_tpb_write);
            tpb_->insertTag(&status_, isc_tpb_read_committed);
            tpb_->insertTag(&status_, isc_tpb_rec_version);
            tpb_->insertTag(&status_, isc_tpb_wait);
        });
    }
    ~ClientVariant() override {
        if (tpb_) tpb_->dispose();
        status_.dispose();
    }

protected:
    template <typename F>
    void Guard(F &&work) {
        try {
            work();
        } catch (const FbException &e) {
            d_.Rethrow(e);
        }
    }
    ITransaction *Start() {
        return d_.attachment->startTransaction(&status_, tpb_->getBufferLength(&status_),
                                               tpb_->getBuffer(&status_));
    }

    DirectDatabase db_;
    DirectDatabase::Impl &d_;
    ThrowStatusWrapper status_;
    IXpbBuilder *tpb_ = nullptr;
};

// A prepared statement with one text parameter.
class OneParamStatement {
public:
    OneParamStatement(IAttachment *attachment, ThrowStatusWrapper &status, ITransaction *tra,
                      const char *sql)
        : status_(status) {
        stmt_ = attachment->prepare(&status, tra, 0, sql, 3, 0);
        meta_ = stmt_->getInputMetadata(&status);
        buffer_.resize(meta_->getMessageLength(&status));
        offset_ = meta_->getOffset(&status, 0);
        nullOffset_ = meta_->getNullOffset(&status, 0);
        capacity_ = meta_->getLength(&status, 0);
    }
    ~OneParamStatement() {
        meta_->release();
        stmt_->release();
    }
    void Execute(ITransaction *tra, const std::string &value) {
        if (value.size() > capacity_) throw std::runtime_error("order number too long: " + value);
        std::memset(buffer_.data() + nullOffset_, 0, sizeof(int16_t));
        const uint16_t len = uint16_t(value.size());
        std::memcpy(buffer_.data() + offset_, &len, sizeof len);  // VARCHAR: length, then bytes
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

class FloorVariant : public ClientVariant {
public:
    explicit FloorVariant(const std::string &path) : ClientVariant(path) {
        Guard([&] {
            ITransaction *tra = Start();
            sub_ = std::make_unique<OneParamStatement>(
                d_.attachment, status_, tra, "DELETE FROM ORDER_SUB WHERE MASTERBILLID = ?");
            master_ = std::make_unique<OneParamStatement>(
                d_.attachment, status_, tra, "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = ?");
            tra->commit(&status_);
        });
    }
    ~FloorVariant() override {
        sub_.reset();
        master_.reset();
    }
    void Delete(const std::string &order) override {
        Guard([&] {
            ITransaction *tra = Start();
            sub_->Execute(tra, order);
            master_->Execute(tra, order);
            tra->commit(&status_);
        });
    }

private:
    std::unique_ptr<OneParamStatement> sub_, master_;
};

class NaiveVariant : public ClientVariant {
public:
    using ClientVariant::ClientVariant;
    void Delete(const std::string &order) override {
        Guard([&] {
            for (const char *table : {"ORDER_SUB", "ORDER_MASTER"}) {
                const std::string sql =
                    std::string("DELETE FROM ") + table + " WHERE MASTERBILLID = '" + order + "'";
                ITransaction *tra = Start();
                d_.attachment->execute(&status_, tra, 0, sql.c_str(), 3, nullptr, nullptr,
                                       nullptr, nullptr);
                tra->commit(&status_);
            }
        });
    }
};

int64_t Remaining(const std::string &path) {
    auto rows = DirectDatabase::Open(path).Query(
        "SELECT (SELECT COUNT(*) FROM ORDER_MASTER) + (SELECT COUNT(*) FROM ORDER_SUB) "
        "FROM RDB$DATABASE");
    return std::stoll(rows.at(0).at(0));
}

struct Entry {
    const char *key;
    const char *title;
    std::string path;
    std::unique_ptr<Variant> variant;
    double seconds = 0;
    bool ran = false;
};

void PrintResults(const std::vector<Entry> &entries, int n) {
    // Ratios are of orders per second: the program's rate over the other's.
    const Entry &program = entries[0];
    const double programRate = program.ran ? n / program.seconds : 0;
    std::printf("\n%-28s %8s %10s %12s %14s\n", "variant", "orders", "seconds", "orders/s",
                "program ratio");
    for (const Entry &e : entries) {
        if (!e.ran) continue;
        const double rate = n / e.seconds;
        std::printf("%-28s %8d %10.2f %12.1f", e.title, n, e.seconds, rate);
        if (programRate > 0) std::printf(" %13.2fx", programRate / rate);
        std::printf("\n");
    }
    if (programRate <= 0) return;
    const double goals[] = {0, 0.75, 2.0};
    for (size_t i = 1; i < entries.size(); ++i) {
        if (!entries[i].ran) continue;
        const double ratio = programRate / (n / entries[i].seconds);
        std::printf("program / %s = %.2f (goal >= %.2f): %s\n", entries[i].key, ratio, goals[i],
                    ratio >= goals[i] ? "met" : "NOT met");
    }
}

}  // namespace

int main(int argc, char **argv) {
    int n = 10000;
    if (argc > 1) n = std::atoi(argv[1]);
    const std::string only = argc > 2 ? argv[2] : "program,floor,naive";
    if (n <= 0) {
        std::fprintf(stderr, "usage: %s [orders [program,floor,naive]]\n", argv[0]);
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
        std::printf("Making a database of %d orders (about ten lines each), forced writes on...\n", n);
        std::fflush(stdout);
        CreateDemoDatabase(source, n);
        SetForcedWrites(source, true);

        std::vector<std::string> orders;
        for (int i = 1; i <= n; ++i) orders.push_back(DemoOrderNumber(i));

        std::vector<Entry> entries;
        for (auto [key, title] : {std::pair{"program", "program (TSQLQuery)"},
                                  std::pair{"floor", "floor (prepared once)"},
                                  std::pair{"naive", "naive (literal, 2 commits)"}}) {
            entries.emplace_back();
            entries.back().key = key;
            entries.back().title = title;
        }
        for (Entry &e : entries) {
            if (only.find(e.key) == std::string::npos) continue;
            e.path = (folder / (std::string(e.key) + ".fdb")).string();
            fs::copy_file(source, e.path);
            if (std::string(e.key) == "program")
                e.variant = std::make_unique<ProgramVariant>(e.path, folder);
            else if (std::string(e.key) == "floor")
                e.variant = std::make_unique<FloorVariant>(e.path);
            else
                e.variant = std::make_unique<NaiveVariant>(e.path);
        }

        for (int from = 0, round = 0; from < n; from += kChunk, ++round) {
            const int to = std::min(n, from + kChunk);
            for (size_t k = 0; k < entries.size(); ++k) {
                Entry &e = entries[(k + size_t(round)) % entries.size()];
                if (!e.variant) continue;
                const auto start = Clock::now();
                for (int i = from; i < to; ++i) e.variant->Delete(orders[size_t(i)]);
                e.seconds += std::chrono::duration<double>(Clock::now() - start).count();
            }
        }
        for (Entry &e : entries) {
            if (!e.variant) continue;
            e.variant.reset();
            e.ran = true;
            if (int64_t left = Remaining(e.path); left != 0) {
                std::fprintf(stderr, "%s left %lld rows behind\n", e.key, (long long)left);
                rc = 1;
            }
        }
        PrintResults(entries, n);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_delete: %s\n", e.what());
        rc = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return rc;
}
