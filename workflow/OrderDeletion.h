#pragma once
// Deletes orders, each whole or not at all, in batches that commit together.
//
// A batch is one transaction. Every order in it runs under a savepoint of its
// own: an order whose statement fails, or which turns out to have changed
// since its backup, is rolled back to its savepoint alone, while the orders
// before it stay in the batch. So a run that stops at a failing order ends
// with exactly the database it would have with one transaction per order.
//
// Batches are OrderBatch transactions: committed about every 0.2 s of work,
// rolled back whole when the run is interrupted.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OrderBatch.h"
#include "SQLDataSet.h"
#include "SQLQuery.h"

class TSQLConnection;

struct DeletedOrder {
    std::string orderNumber;
    int64_t detailLines = 0;  // ORDER_SUB rows its detail statement deleted
};

// An order for a block: its number and, with a backup, the lines the backup
// holds of it.
struct OrderToDelete {
    std::string number;
    std::optional<int64_t> expectedLines;
};

// How a block went: the orders before `stoppedAt` were taken (deleted,
// found gone already, or kept as changed); the order at stoppedAt failed and
// nothing after it ran. stoppedAt is the block's size when none failed.
struct BlockOutcome {
    size_t stoppedAt = 0;
    int changed = 0;  // orders kept because they changed since their backup
};

class OrderDeletion {
public:
    using Clock = OrderBatch::Clock;
    static constexpr std::chrono::milliseconds kBatchTime = OrderBatch::kBatchTime;

    explicit OrderDeletion(TSQLConnection &connection, Clock::duration batchTime = kBatchTime,
                           int blockSize = kDefaultBlockSize);
    // Orders sent in one round trip.
    static constexpr int kDefaultBlockSize = 100;
    // A batch not committed by then is rolled back: its orders stay whole.
    ~OrderDeletion();
    OrderDeletion(const OrderDeletion &) = delete;
    OrderDeletion &operator=(const OrderDeletion &) = delete;

    // Deletes the order's detail lines, then its header, in the open batch
    // (one is started if none is open). With expectedLines (the lines its
    // backup holds) the order goes only when exactly those lines and one
    // header row go; otherwise it is rolled back and false is returned.
    // Without it, an order that is already gone is no error. A failing
    // statement rolls the order back and goes on to the caller; the orders
    // before it stay in the batch, ready to be committed.
    bool Delete(const std::string &orderNumber, std::optional<int64_t> expectedLines);

    // The same for many orders in one round trip (at most BlockSize()), in
    // the open batch. Raises only when the statement as a whole could not
    // run (a lost connection, a value the column cannot hold): then none of
    // the block happened, and the caller takes its orders one by one.
    BlockOutcome DeleteBlock(const std::vector<OrderToDelete> &orders);
    int BlockSize() const { return blockSize_; }
    // Whether a batch is open: after a failure that lost it, it is not.
    bool BatchOpen() const { return transaction_.IsOpen(); }

    // Whether the open batch has worked long enough to be committed.
    bool BatchDue() const;
    // Commits the open batch, if any, and gives the orders it deleted (not
    // those that were gone already).
    std::vector<DeletedOrder> Commit();
    // How many statement texts were prepared: each once per run.
    int Prepares() const;
    // Orders deleted in the open batch and not yet committed.
    const std::vector<DeletedOrder> &Uncommitted() const { return batch_; }

private:
    void StartBatch();
    void RollBackBatch() noexcept;
    int64_t DeleteRows(TSQLQuery &statement, const std::string &orderNumber);

    TSQLConnection &connection_;
    OrderBatch transaction_;
    std::vector<DeletedOrder> batch_;

    // One component per statement, so that each stays prepared for the run.
    TSQLQuery detail_{"DeleteOrderLines"};
    TSQLQuery header_{"DeleteOrderHeader"};
    TSQLQuery savepoint_{"OrderSavepoint"};
    TSQLQuery release_{"ReleaseOrderSavepoint"};
    TSQLQuery undo_{"UndoOrder"};
    const int blockSize_;
    TSQLDataSet block_{"DeleteOrderBlock"};
};
