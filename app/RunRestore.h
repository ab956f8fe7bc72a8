#pragma once
// Puts ticked orders of one journal run back from the run's backup pair,
// for the restore window: the restore library batchdel-restore uses, with
// its rules (an order whose number the database has is never overwritten;
// one already there exactly as backed up counts as done), its journal lines,
// and what the window needs besides: the progress, Cancel after the round
// trips in flight (whole orders only), and every outcome in the window's words (the server's own
// words kept as they are).
#include <chrono>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/JournalRuns.h"
#include "orders/OrderBatch.h"
#include "restore/OrderRestorer.h"

class TSQLConnection;
namespace batchdel {
class ERestoreRefused;
class WorkProgress;
}  // namespace batchdel

struct RunRestoreReport {
    std::string refused;  // nothing was tried, and why
    std::vector<std::string> restored;
    long long linesRestored = 0;
    std::vector<std::string> alreadyBack;  // in the database as backed up: done
    std::vector<std::string> otherThere;   // the number holds another order: left alone
    std::vector<std::string> notInBackup;
    std::vector<std::pair<std::string, std::string>> failed;  // with the server's words
    std::string stopped;                                      // the failure that ended the run early
    bool cancelled = false;
    size_t notReached = 0;  // orders a Cancel or a failure left untried
    // Orders whose commit was lost with the connection, whether they are
    // back not known (and not journalled).
    std::vector<std::string> inDoubt;

    // The report the window shows, one text.
    std::string Text() const;
};

// Why the run cannot be restored ("" when its pair is in <dataFolder>cds/).
std::string WhyNotRestorable(const JournalRun &run, const std::string &dataFolder);

// A refusal of the restore library in the window's words.
std::string RefusalText(const batchdel::ERestoreRefused &refusal);

// How the restore library goes about it (see OrderRestorer).
struct RunRestoreSettings {
    int ordersPerRoundTrip = 0;
    int connections = batchdel::OrderRestorer::kConnections;
    std::chrono::milliseconds batchTime{batchdel::OrderBatch::kBatchTime};
};

RunRestoreReport RestoreRunOrders(TSQLConnection &connection, const std::string &dataFolder, const JournalRun &run,
                                  const std::vector<std::string> &numbers, batchdel::WorkProgress *progress,
                                  const RunRestoreSettings &settings = {});
