#include "workflow/DeleteOrders.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "workflow/BackupOrders.h"
#include "orders/LocalTime.h"
#include "workflow/DeletionJournal.h"
#include "workflow/WorkProgress.h"

namespace batchdel {

namespace {

std::tm JournalTime(const DeletionSettings &settings) { return settings.localNow ? settings.localNow() : LocalNow(); }

}  // namespace

void DeleteOrders(TSQLConnection &connection, const std::vector<std::string> &orderNumbers, const BackupResult *backup,
                  const DeletionJournal &journal, WorkProgress *progress, const DeletionSettings &settings,
                  DeletionOutcome &outcome) {
    // A journal that cannot be written stops the deletion before anything goes.
    journal.Open();

    if (progress) progress->Stage(WorkStage::DeletingOrders, static_cast<int64_t>(orderNumbers.size()));
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
    // The first order not taken yet, among orderNumbers.
    const auto position = [&](size_t next) { return next < positions.size() ? positions[next] : orderNumbers.size(); };
    outcome.next = position(0);

    const auto left = [&] { return static_cast<int>(orderNumbers.size()) - outcome.deleted; };
    OrderDeletion deletion(connection, std::move(orders), settings.ordersPerRoundTrip);
    deletion.onCommitted = [&](const std::vector<DeletedOrder> &committed) {
        outcome.deleted += static_cast<int>(committed.size());
        for (const DeletedOrder &order : committed) outcome.linesDeleted += order.detailLines;
        try {
            journal.Append(committed, JournalTime(settings));
        } catch (const EJournalFailed &failure) {
            EJournalFailed::Stop stop;
            stop.deleted = outcome.deleted;
            stop.notDeleted = left();
            for (const DeletedOrder &order : committed) stop.unjournalled.push_back(order.orderNumber);
            throw EJournalFailed(failure, std::move(stop));
        }
        if (settings.afterBatch && !committed.empty()) settings.afterBatch();
    };
    deletion.onInDoubt = [&](const std::vector<DeletedOrder> &inDoubt) {
        for (const DeletedOrder &order : inDoubt) outcome.inDoubt.push_back(order.orderNumber);
    };
    deletion.onRoundTrip = [&](size_t next) {
        outcome.next = position(next);
        outcome.changed = deletion.Changed();
        if (!progress) return false;
        progress->Advance(static_cast<int64_t>(outcome.next));
        return progress->CancelRequested();
    };

    // A failing order ends the walk: it is run once more on its own, which
    // fails again with the server's own message, or (another user's lock
    // having gone meanwhile) it goes, and the walk goes on after it.
    OrderWalk walk(connection, settings.batchTime);
    WalkResult walked;
    try {
        walk.Run(positions.size(), deletion, RefusedOrder::EndsTheWalk, walked);
    } catch (...) {
        // Names the failing order, or the first one not taken when the
        // connection went.
        outcome.next = position(walked.next);
        outcome.changed = deletion.Changed();
        throw;
    }
    outcome.next = position(walked.next);
    outcome.cancelled = walked.stopped;
    outcome.changed = deletion.Changed();
}

}  // namespace batchdel
