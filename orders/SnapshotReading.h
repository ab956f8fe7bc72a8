#pragma once
// A read-only snapshot of the database for the reads that belong together
// (a backup's two files, a restore's checks and look-ups): one transaction
// for all of them instead of a short one for each statement, which over a
// slow link would cost two round trips a statement. A connection already in
// a transaction is left to it: the reads then go in that one.
class TSQLConnection;

namespace batchdel {

class SnapshotReading {
public:
    explicit SnapshotReading(TSQLConnection &connection);
    // Nothing was written in it: ending it either way loses nothing, and a
    // connection lost meanwhile has ended it already.
    ~SnapshotReading();
    SnapshotReading(const SnapshotReading &) = delete;
    SnapshotReading &operator=(const SnapshotReading &) = delete;

    // Ends the snapshot now, if this started it.
    void End();

private:
    TSQLConnection &connection_;
    bool started_ = false;
};

}  // namespace batchdel
