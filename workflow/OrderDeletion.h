#pragma once
// What the walk over orders (OrderWalk) does to delete them: the statements
// for a block of orders and for one order, and the orders deleted in the
// open batch.
//
// Every order is deleted whole or not at all: in a block each order runs in a
// sub-block of its own (DeletionBlock), alone it runs under the walk's
// savepoint. With a backup, an order whose lines no longer match it is kept.
// A failing order ends the deletion; the orders after it are never sent.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "orders/OrderWalk.h"

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
    // whole (SetDeletionBlockText), and only a block refused as a whole goes
    // order by order (DeletionBlockText), at most kMaxBlockOrders at a time.
    // The server compares every row the whole block reads with each number
    // of its lists, so its work per order grows with the block: 200 orders
    // keep that below the round trips it saves (500 took twice as long as
    // 200 on a local server).
    static constexpr int kDefaultBlockSize = 200;

    OrderDeletion(TSQLConnection &connection, std::vector<OrderToDelete> orders, int blockSize = kDefaultBlockSize);
    OrderDeletion(const OrderDeletion &) = delete;
    OrderDeletion &operator=(const OrderDeletion &) = delete;

    // Told of each committed batch's deleted orders (not those that were
    // gone already), before the next batch starts; what it raises ends the
    // deletion.
    std::function<void(const std::vector<DeletedOrder> &)> onCommitted;
    // Asked after each round trip with the first order not taken yet; true
    // stops the deletion there.
    std::function<bool(size_t next)> onRoundTrip;

    int BlockSize() const { return blockSize_; }
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
    bool StopRequested(size_t next) override;

private:
    int64_t DeleteRows(TSQLQuery &statement, const std::string &orderNumber);
    void Bind(TParams &params, int slots, size_t first, size_t count) const;
    // The block as a whole; false when it was refused and nothing of it happened.
    bool SendWholeBlock(size_t first, size_t count);
    BlockSent SendOrderByOrder(size_t first, size_t count);
    void Record(size_t at, int64_t lines, int64_t headers);

    TSQLConnection &connection_;

    const std::vector<OrderToDelete> orders_;
    const int blockSize_;
    const int orderBlockSize_;
    bool wholeBlocks_;                 // until the server cannot take the block as a whole
    std::vector<DeletedOrder> batch_;  // deleted in the open batch
    int changed_ = 0;

    // One component per statement, so that each stays prepared for the run.
    TSQLQuery detail_{"DeleteOrderLines"};
    TSQLQuery header_{"DeleteOrderHeader"};
    TSQLDataSet block_{"DeleteOrderBlock"};
    TSQLDataSet wholeBlock_{"DeleteWholeBlock"};
};

}  // namespace batchdel
