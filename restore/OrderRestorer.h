#pragma once
// Puts orders of a backup pair back into the database: each order whole,
// its header and all its lines, many orders a round trip (RestoreBlock),
// several round trips in flight at once over connections of their own
// (RestoreLanes),
// committed in batches of OrderBatch::kBatchTime of work, walked as the deletion is
// (OrderWalk): an order the server refuses is left out alone and the walk
// goes on. An order whose number the database already
// has is skipped, never overwritten. Columns are matched by name; a column of
// the backup that the table lacks refuses the restore before anything is
// written, and so does a column of the table that the backup lacks unless
// the caller lets it take its default. An order with a value its column
// cannot hold fails alone, with the server's message.
//
// Interrupted (killed, connection lost), the batch not yet committed goes as
// a whole: every order is in the database whole or not at all, and running
// the restore again finishes the job.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "orders/OrderBatch.h"
#include "restore/BackupPair.h"

class TSQLConnection;

namespace batchdel {

struct RestoreOutcome {
    std::vector<const BackupOrder *> restored;      // committed
    std::vector<const BackupOrder *> sameAsBackup;  // already in the database exactly as backed up
    std::vector<const BackupOrder *> alreadyThere;  // skipped: the number is in the database, otherwise
    std::vector<std::pair<const BackupOrder *, std::string>> failed;  // with the database's reason
    // A batch whose commit was lost with the connection, when whether it was
    // made could not be known: these may be restored, and were not told.
    std::vector<const BackupOrder *> inDoubt;
    int64_t linesRestored = 0;
    // Orders that went one at a time, a statement a row, instead of in a
    // block of many: those of a block the database refused, and any order
    // too large for a block.
    int ordersAlone = 0;
    // Statements of many orders sent: a round trip each.
    int blocks = 0;
};

class OrderRestorer {
public:
    OrderRestorer(TSQLConnection &connection, const BackupPair &pair);
    ~OrderRestorer();

    // Raises ERestoreRefused naming every column of either file that its
    // table lacks, and, unless defaultMissingColumns, every column of either
    // table (but those the server computes) that its file lacks.
    void CheckColumns();
    // The orders among these whose numbers the database holds now.
    std::vector<const BackupOrder *> ExistingOrders(const std::vector<const BackupOrder *> &orders);
    // Of those, the ones the database holds exactly as the backup does: the
    // header's values and the same lines with the same values (an earlier
    // restore of them, which a second run counts as done).
    std::vector<const BackupOrder *> SameAsBackup(const std::vector<const BackupOrder *> &existing);

    // Restores the orders. committed is told of each batch once it is
    // committed (for the journal and the progress). A failure of the
    // connection or of a commit ends the run with the failure; what was
    // committed before stays.
    using BatchCommitted = std::function<void(const std::vector<const BackupOrder *> &batch)>;
    // outcome is filled as the run goes, so it holds what was done when a
    // failure ends the run.
    void Restore(const std::vector<const BackupOrder *> &orders, const BatchCommitted &committed,
                 RestoreOutcome &outcome);

    // Work per transaction: a batch is committed once it has taken this long.
    std::chrono::milliseconds batchTime{OrderBatch::kBatchTime};
    // At most this many orders a round trip; 0 for as many as the server's
    // limits on one statement allow.
    int ordersPerRoundTrip = 0;
    // Connections that carry blocks at the same time, each with a batch of
    // its own, so that their round trips overlap: those beyond one are
    // opened beside the caller's with its parameters and kept for the
    // restorer's life; 1 sends everything over the caller's connection. The
    // batches commit one at a time, each told to `committed` (the journal)
    // before the next commit; a refused order is left out alone whichever
    // connection carried it.
    int connections = kConnections;
    static constexpr int kConnections = 4;
    // Asked on the calling thread between round trips: true stops the
    // restore after the round trips in flight, keeping the committed orders
    // (every one whole) and leaving the others untried.
    std::function<bool()> stopWanted;
    // Columns of a table that the backup lacks take their defaults instead
    // of refusing the restore.
    bool defaultMissingColumns = false;

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

}  // namespace batchdel
