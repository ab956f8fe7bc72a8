#pragma once
// What the walk over orders (OrderWalk) does to delete them: the statements
// for a block of orders and for one order, and the orders deleted in the
// open batch.
//
// Every order is deleted whole or not at all: a whole block is undone as a
// whole when anything in it fails, in the order-by-order block each order
// runs in a sub-block of its own (DeletionBlock), alone it runs under the
// walk's savepoint. With a backup, an order whose lines no longer match it is kept.
// A failing order ends the deletion; the orders after it are never sent.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "orders/OrderWalk.h"
#include "workflow/DeletionBlock.h"
#include "workflow/WholeBlockSize.h"

class TSQLConnection;

namespace batchdel {

struct DeletedOrder {
    std::string orderNumber;
    int64_t detailLines = 0;  // ORDER_SUB rows its detail statement deleted
};

// An order to delete: its number and, with a backup, the lines the backup
// holds of it.
struct OrderToDelete {
    std::string number;
    std::optional<int64_t> expectedLines;
};

class OrderDeletion final : public OrderWalkSteps {
public:
    using Clock = OrderBatch::Clock;
    static constexpr std::chrono::milliseconds kBatchTime = OrderBatch::kBatchTime;
    // Orders sent in one round trip: a block of many orders goes as a
    // whole (WholeDeletionBlockText), as many as fit its bound text, and only
    // a block refused as a whole goes order by order (DeletionBlockText), at
    // most kMaxBlockOrders at a time. The whole block's work per order does
    // not grow with the block, so a block is as large as Cancel allows: over
    // a slow link every round trip saved is a latency saved.
    static constexpr int kDefaultBlockSize = kMaxWholeBlockOrders;
    // Cancel and a stop are answered between round trips, so a whole block
    // should not keep the server busier than about a batch's time: the
    // first one holds kFirstWholeBlock orders, and the next ones as many as
    // the server deletes in that time (NextWholeBlockOrders), up to the
    // block size.
    static constexpr int kFirstWholeBlock = 100;

    OrderDeletion(TSQLConnection &connection, std::vector<OrderToDelete> orders, int blockSize = kDefaultBlockSize);
    OrderDeletion(const OrderDeletion &) = delete;
    OrderDeletion &operator=(const OrderDeletion &) = delete;

    // Told of each committed batch's deleted orders (not those that were
    // gone already), before the next batch starts; what it raises ends the
    // deletion.
    std::function<void(const std::vector<DeletedOrder> &)> onCommitted;
    // Told of a batch whose commit was lost with the connection, when
    // whether it was made could not be known: its orders may be deleted, and
    // no journal names them.
    std::function<void(const std::vector<DeletedOrder> &)> onInDoubt;
    // Asked after each round trip with the first order not taken yet; true
    // stops the deletion there.
    std::function<bool(size_t next)> onRoundTrip;

    int BlockSize() const { return blockSize_; }
    // The next whole block may hold up to `orders` (at most the block size)
    // instead of starting small.
    void StartWholeBlocksAt(int orders) { wholeBlockOrders_ = std::clamp(orders, 1, blockSize_); }
    // Orders kept because they changed since their backup.
    int Changed() const { return changed_; }
    // How many statement texts were prepared: each once per run.
    int Prepares() const;

    size_t BlockFrom(size_t next) override;
    BlockSent SendBlock(size_t first, size_t count) override;
    bool SendAlone(size_t at) override;
    void LeftOut(size_t at, const std::exception_ptr &failure) override;
    void Committed() override;
    void Dropped() override;
    bool CommitMadeAfterAll(const std::exception_ptr &lost) override;
    void CommitInDoubt() override;
    bool StopRequested(size_t next) override;

private:
    int64_t DeleteRows(TSQLQuery &statement, const std::string &orderNumber);
    void Bind(TParams &params, int slots, size_t first, size_t count) const;
    // The block as a whole; false when it was refused and nothing of it happened.
    bool SendWholeBlock(size_t first, size_t count);
    // How many orders from `first` the whole block's bound text holds.
    size_t WholeBlockFrom(size_t first) const;
    BlockSent SendOrderByOrder(size_t first, size_t count);
    void Record(size_t at, int64_t lines, int64_t headers);

    TSQLConnection &connection_;

    const std::vector<OrderToDelete> orders_;
    const int blockSize_;
    const int orderBlockSize_;
    bool wholeBlocks_;                   // until the server cannot take the block as a whole
    int wholeBlockOrders_;               // how many the next whole block may hold
    SentBlock lastBlock_, blockBefore_;  // the last two whole blocks: their orders and times
    size_t refusedUntil_ = 0;            // orders before this go order by order: a whole block of them was refused
    std::vector<DeletedOrder> batch_;    // deleted in the open batch
    int changed_ = 0;

    // One component per statement, so that each stays prepared for the run.
    TSQLQuery detail_{"DeleteOrderLines"};
    TSQLQuery header_{"DeleteOrderHeader"};
    TSQLDataSet block_{"DeleteOrderBlock"};
    TSQLDataSet wholeBlock_{"DeleteWholeBlock"};
};

}  // namespace batchdel
