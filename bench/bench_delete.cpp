// Deleting a block of ticked orders from a copy of the million-order
// database, forced writes on, through the real deletion command (batches
// with a savepoint per order, journal included), measured in the same run
// against:
//   (a) the physical floor: two set-based statements (... WHERE MASTERBILLID
//       BETWEEN first AND last) deleting the block's lines and headers in one
//       transaction;
//   (b) one transaction per order, both statements prepared once.
// The command also runs with its progress dialog (offscreen) to show what
// the dialog costs. Every variant deletes a block of its own, so one copy of
// the database serves them all; the rounds alternate which goes first.
// Usage: bench_delete [orders [rounds]]   (defaults 10000 and 3)
// The source database is /tmp/batchdel-bench/orders-1m.fdb (or
// $BATCHDEL_BENCH_DB); it is copied, never written.
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <firebird/Interface.h>

#include "app/ProgressDialog.h"
#include "bench/common/BenchSupport.h"
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Errors.h"
#include "data/sql/DataSetProvider.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "tools/DemoDatabase.h"
#include "tools/FirebirdDirectImpl.h"
#include "workflow/DeleteTickedOrders.h"
#include "workflow/OrderDataModule.h"
#include "workflow/OrderWindow.h"
#include "workflow/SelectAllOrders.h"

using namespace batchdel;

using namespace Firebird;
namespace fs = std::filesystem;

namespace {

// The bench window whose progress, given a host widget, is the program's own
// dialog.
class DeleteWindow : public BenchWindow {
public:
    using BenchWindow::BenchWindow;

    QWidget *progressHost = nullptr;
    bool dialogShown = false;

    std::unique_ptr<WorkProgress> StartProgress(const std::string &caption) override {
        if (!progressHost) return nullptr;
        // Tells afterwards whether the dialog came up at all.
        struct Watched : DialogProgress {
            Watched(QWidget *host, const std::string &caption, bool &shown)
                : DialogProgress(host, QString::fromStdString(caption)), shown_(shown) {}
            ~Watched() override { shown_ = Dialog() != nullptr; }
            bool &shown_;
        };
        return std::make_unique<Watched>(progressHost, caption, dialogShown);
    }
};

// The client library's exceptions leave as DirectDbError with their text.
class ClientVariant {
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
    virtual ~ClientVariant() {
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
        return d_.attachment->startTransaction(&status_, tpb_->getBufferLength(&status_), tpb_->getBuffer(&status_));
    }

    DirectDatabase db_;
    DirectDatabase::Impl &d_;
    ThrowStatusWrapper status_;
    IXpbBuilder *tpb_ = nullptr;
};

// A prepared statement with one text parameter.
class OneParamStatement {
public:
    OneParamStatement(IAttachment *attachment, ThrowStatusWrapper &status, ITransaction *tra, const char *sql)
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

// (b) one transaction per order, both statements prepared once.
class PerOrderVariant : public ClientVariant {
public:
    explicit PerOrderVariant(const std::string &path) : ClientVariant(path) {
        Guard([&] {
            ITransaction *tra = Start();
            sub_ = std::make_unique<OneParamStatement>(d_.attachment, status_, tra,
                                                       "DELETE FROM ORDER_SUB WHERE MASTERBILLID = ?");
            master_ = std::make_unique<OneParamStatement>(d_.attachment, status_, tra,
                                                          "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = ?");
            tra->commit(&status_);
        });
    }
    ~PerOrderVariant() override {
        sub_.reset();
        master_.reset();
    }
    void Delete(const std::string &order) {
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

struct Block {
    std::string first, last;
    std::vector<std::string> orders;
};

Block MakeBlock(int firstOrder, int n) {
    Block block;
    for (int i = 0; i < n; ++i) block.orders.push_back(DemoOrderNumber(firstOrder + i));
    block.first = block.orders.front();
    block.last = block.orders.back();
    return block;
}

std::string Between(const Block &block) {
    return "MASTERBILLID BETWEEN '" + block.first + "' AND '" + block.last + "'";
}

// Lists the block and ticks it all, then times the deletion command alone.
double RunCommand(DeleteWindow &window, const Block &block) {
    TClientDataSet &list = window.OrderList();
    list.Close();
    list.SetCommandText(
        "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN"
        " FROM ORDER_MASTER WHERE " +
        Between(block));
    list.Open();
    if (list.RecordCount() != static_cast<int>(block.orders.size()))
        throw std::runtime_error("the block " + block.first + " lists " + std::to_string(list.RecordCount()) +
                                 " orders");
    SelectAllOrders(window);
    return Seconds([&] { DeleteTickedOrders(window); });
}

int64_t RowsLeft(DirectDatabase &direct, const Block &block) {
    const auto rows =
        direct.Query("SELECT (SELECT COUNT(*) FROM ORDER_MASTER WHERE " + Between(block) +
                     ") + (SELECT COUNT(*) FROM ORDER_SUB WHERE " + Between(block) + ") FROM RDB$DATABASE");
    return std::stoll(rows.at(0).at(0));
}

struct Tally {
    const char *title;
    double seconds = 0;
    int64_t orders = 0;
    double Rate() const { return seconds > 0 ? static_cast<double>(orders) / seconds : 0; }
};

}  // namespace

int main(int argc, char **argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (n <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [orders [rounds]]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char *sourceVariable = std::getenv("BATCHDEL_BENCH_DB");
    const std::string source = sourceVariable ? sourceVariable : "/tmp/batchdel-bench/orders-1m.fdb";
    if (!fs::exists(source)) {
        std::fprintf(stderr, "bench_delete: no database %s (make it with the demo database maker)\n", source.c_str());
        return 1;
    }
    const std::string folder = fs::path(source).parent_path().string() + "/delete-" + std::to_string(getpid()) + "/";
    int rc = 0;
    try {
        fs::create_directories(folder + "cds");
        const std::string database = folder + "orders.fdb";
        std::printf("Copying %s...\n", source.c_str());
        std::fflush(stdout);
        fs::copy_file(source, database);
        SetForcedWrites(database, true);
        WriteBenchConfig(folder, database);

        DirectDatabase direct = DirectDatabase::Open(database);
        DeleteWindow window(folder);
        QWidget host;
        host.resize(400, 300);
        host.show();
        PerOrderVariant perOrder(database);

        Tally command{"command (batches, journal)"};
        Tally withDialog{"command with progress dialog"};
        Tally setBased{"(a) two set-based statements"};
        Tally perOrderTally{"(b) a transaction per order"};
        int dialogs = 0;
        // Blocks of contiguous order numbers, a fresh one for every run.
        int next = 100001;
        const auto takeBlock = [&] {
            Block block = MakeBlock(next, n);
            next += n + 1000;
            return block;
        };
        for (int round = 0; round < rounds; ++round) {
            std::vector<std::function<void()>> runs = {
                [&] {
                    window.progressHost = nullptr;
                    const Block block = takeBlock();
                    command.seconds += RunCommand(window, block);
                    command.orders += n;
                    if (RowsLeft(direct, block) != 0)
                        throw std::runtime_error("the command left rows of " + block.first);
                },
                [&] {
                    window.progressHost = &host;
                    const Block block = takeBlock();
                    withDialog.seconds += RunCommand(window, block);
                    withDialog.orders += n;
                    dialogs += window.dialogShown ? 1 : 0;
                    if (RowsLeft(direct, block) != 0)
                        throw std::runtime_error("the command left rows of " + block.first);
                },
                [&] {
                    const Block block = takeBlock();
                    setBased.seconds += Seconds([&] {
                        direct.Execute({"DELETE FROM ORDER_SUB WHERE " + Between(block),
                                        "DELETE FROM ORDER_MASTER WHERE " + Between(block)});
                    });
                    setBased.orders += n;
                },
            };
            if (round == 0) {
                // Slow (a sync per order): once is enough.
                runs.push_back([&] {
                    const Block block = takeBlock();
                    perOrderTally.seconds += Seconds([&] {
                        for (const std::string &order : block.orders) perOrder.Delete(order);
                    });
                    perOrderTally.orders += n;
                });
            }
            std::rotate(runs.begin(), runs.begin() + round % 3, runs.begin() + 3);
            for (auto &run : runs) run();
            std::printf("round %d done\n", round + 1);
            std::fflush(stdout);
        }

        std::printf("\n%-32s %8s %10s %12s\n", "variant", "orders", "seconds", "orders/s");
        for (const Tally *t : {&command, &withDialog, &setBased, &perOrderTally})
            std::printf("%-32s %8lld %10.2f %12.0f\n", t->title, static_cast<long long>(t->orders), t->seconds,
                        t->Rate());
        const double toFloor = command.Rate() / setBased.Rate();
        std::printf("\ncommand / (a) = %.2f (goal >= 0.60): %s\n", toFloor, toFloor >= 0.6 ? "met" : "NOT met");
        std::printf("command / (b) = %.1f\n", command.Rate() / perOrderTally.Rate());
        const double dialogCost = 1.0 - withDialog.Rate() / command.Rate();
        std::printf("progress dialog cost = %.1f%% (goal <= 2%%; the dialog came up in %d of %d runs)\n",
                    100.0 * dialogCost, dialogs, rounds);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_delete: %s\n", e.what());
        rc = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return rc;
}
