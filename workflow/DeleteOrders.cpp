#include "DeleteOrders.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "BackupOrders.h"
#include "DeletionJournal.h"
#include "Errors.h"
#include "SQLConnection.h"
#include "WorkProgress.h"

namespace {

std::tm LocalNow(const DeletionSettings &settings) {
    if (settings.localNow) return settings.localNow();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

void DeleteOrders(TSQLConnection &connection, const std::vector<std::string> &orderNumbers, const BackupResult *backup,
                  const DeletionJournal &journal, WorkProgress *progress, const DeletionSettings &settings,
                  DeletionOutcome &outcome) {
    // A journal that cannot be written stops the deletion before anything goes.
    journal.Open();

    const auto left = [&] { return static_cast<int>(orderNumbers.size()) - outcome.deleted; };
    const auto commitBatch = [&](OrderDeletion &deletion) {
        const std::vector<DeletedOrder> orders = deletion.Commit();
        outcome.deleted += static_cast<int>(orders.size());
        for (const DeletedOrder &order : orders) outcome.linesDeleted += order.detailLines;
        try {
            journal.Append(orders, LocalNow(settings));
        } catch (const EJournalFailed &failure) {
            EJournalFailed::Stop stop;
            stop.deleted = outcome.deleted;
            stop.notDeleted = left();
            for (const DeletedOrder &order : orders) stop.unjournalled.push_back(order.orderNumber);
            throw EJournalFailed(failure, std::move(stop));
        }
        if (settings.afterBatch && !orders.empty()) settings.afterBatch();
    };

    if (progress) progress->Stage(WorkStage::DeletingOrders, static_cast<int64_t>(orderNumbers.size()));
    OrderDeletion deletion(connection, settings.batchTime, settings.ordersPerRoundTrip);
    std::exception_ptr failure;
    // The orders go a block at a time, many in one round trip. An
    // order the block could not delete is run once more on its own: it fails
    // again with the server's own message, which ends the walk, or (another
    // user's lock having gone meanwhile) it goes, and the walk goes on after it.
    // What the backup does not hold is never sent.
    std::vector<OrderToDelete> orders;
    std::vector<size_t> positions;  // of those orders among orderNumbers
    for (size_t at = 0; at < orderNumbers.size(); ++at) {
        std::optional<int64_t> expectedLines;
        if (backup) {
            if (!backup->Holds(orderNumbers[at])) {
                ++outcome.notInBackup;
                continue;
            }
            expectedLines = backup->DetailLinesOf(orderNumbers[at]);
        }
        orders.push_back({orderNumbers[at], expectedLines});
        positions.push_back(at);
    }
    size_t taken = 0;  // orders sent so far
    outcome.next = orders.empty() ? orderNumbers.size() : positions[0];
    while (taken < orders.size()) {
        const size_t size = std::min(orders.size() - taken, static_cast<size_t>(deletion.BlockSize()));
        const std::vector<OrderToDelete> block(orders.begin() + static_cast<std::ptrdiff_t>(taken),
                                               orders.begin() + static_cast<std::ptrdiff_t>(taken + size));
        BlockOutcome sent;
        bool wholeBlockFailed = false;
        try {
            sent = deletion.DeleteBlock(block);
        } catch (...) {
            // Nothing of the block happened. With the batch still open its
            // orders go one by one, and the one at fault reports; a batch
            // lost with the connection ends the walk here.
            if (!deletion.BatchOpen()) {
                failure = std::current_exception();
                break;
            }
            wholeBlockFailed = true;
            sent.stoppedAt = 0;
        }
        outcome.changed += sent.changed;
        size_t done = sent.stoppedAt;
        for (; done < block.size(); ++done) {
            try {
                if (!deletion.Delete(block[done].number, block[done].expectedLines)) ++outcome.changed;
            } catch (...) {
                failure = std::current_exception();
                break;
            }
            // After a failed order went on its own, the rest of the block
            // goes in the next round; after a block that failed whole, one by one.
            if (!wholeBlockFailed) {
                ++done;
                break;
            }
        }
        taken += done;
        // The first order not taken yet.
        outcome.next = taken < orders.size() ? positions[taken] : orderNumbers.size();
        if (failure) break;
        if (progress) {
            progress->Advance(static_cast<int64_t>(outcome.next));
            if (progress->CancelRequested()) {
                outcome.cancelled = true;
                break;
            }
        }
        if (deletion.BatchDue()) commitBatch(deletion);
    }

    if (failure) {
        // The orders before the failing one stay deleted, as they would had
        // each been committed alone; the failure is what the operator is
        // told, unless the journal then fails too.
        try {
            commitBatch(deletion);
        } catch (const EJournalFailed &) {
            throw;
        } catch (...) {}
        std::rethrow_exception(failure);
    }
    commitBatch(deletion);
}
