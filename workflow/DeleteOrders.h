#pragma once
// The deletion without a window: deletes the given orders, in the given
// order, batch by batch (OrderDeletion): each order whole or not at all, a
// commit once a batch has worked OrderBatch::kBatchTime, many orders a round trip. Each committed batch is
// written to the journal before the next one starts; a journal that cannot
// be written stops the deletion. With a backup, an order the backup does not
// hold is never sent, and one whose lines differ from the backup's is kept.
//
// The progress (may be null) advances per round trip and is asked between
// them whether to stop; a caller that answers true there stops the deletion
// after the current round trip and keeps what is done.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "workflow/OrderDeletion.h"

class TSQLConnection;

namespace batchdel {

class DeletionJournal;
class WorkProgress;
struct BackupResult;

struct DeletionSettings {
    DeletionSettings(OrderDeletion::Clock::duration batchTime_ = OrderDeletion::kBatchTime,
                     int ordersPerRoundTrip_ = OrderDeletion::kDefaultBlockSize)
        : batchTime(batchTime_), ordersPerRoundTrip(ordersPerRoundTrip_) {}
    // How long a batch works before it is committed.
    OrderDeletion::Clock::duration batchTime;
    // Orders sent to the server in one round trip.
    int ordersPerRoundTrip;
    // Called after each committed, journalled batch.
    std::function<void()> afterBatch;
    // The local time a batch's journal lines carry; the system's when empty.
    std::function<std::tm()> localNow;
};

struct DeletionOutcome {
    int deleted = 0;  // committed
    int64_t linesDeleted = 0;
    int notInBackup = 0;
    int changed = 0;  // kept: changed since their backup
    bool cancelled = false;
    size_t next = 0;  // index of the first order not taken
    // The batch whose commit was lost with the connection, when whether it
    // was made could not be known: these may be deleted, and the journal
    // does not name them.
    std::vector<std::string> inDoubt;
};

// Fills outcome as it goes. A failure is raised after the orders before it
// are committed and journalled; outcome.next then names the failing order.
void DeleteOrders(TSQLConnection &connection, const std::vector<std::string> &orderNumbers, const BackupResult *backup,
                  const DeletionJournal &journal, WorkProgress *progress, const DeletionSettings &settings,
                  DeletionOutcome &outcome);

}  // namespace batchdel
