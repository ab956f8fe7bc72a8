#include "restore/RestoreCommand.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <unordered_set>

#include "restore/BackupPair.h"
#include "cli/CommandHelp.h"
#include "cli/StopSignals.h"
#include "orders/LocalTime.h"
#include "orders/CommandDays.h"
#include "orders/OrderConnection.h"
#include "orders/OrderDataFolder.h"
#include "orders/OrderJournal.h"
#include "restore/OrderRestorer.h"
#include "restore/RestoreErrors.h"
#include "restore/RestoreJournal.h"
#include "restore/RestoreOptions.h"
#include "data/sql/SQLConnection.h"
#include "orders/TerminalText.h"

namespace batchdel {

namespace {

constexpr const char *kProgram = kRestoreProgram;
const std::string kName = MessagePrefix(kProgram);

// An order number or a customer as the terminal shows it: the backup's
// texts are not trusted to hold no control characters.
std::string Shown(const std::string &text) { return EscapedControls(text); }

std::string OrderLine(const BackupOrder &order) {
    return Shown(order.number) + "\t" + (order.billDay ? CommandDayText(*order.billDay) : std::string()) + "\t" +
           Shown(order.customer) + "\t" + std::to_string(order.lineRows.size());
}

// The orders the options ask for, in the backup's order; numbers asked for
// that the backup lacks go to missing.
std::vector<const BackupOrder *> ChosenOrders(const BackupPair &pair, const RestoreOptions &options,
                                              std::vector<std::string> &missing) {
    std::unordered_set<std::string> numbers;
    for (const std::string &number : options.orders) {
        numbers.insert(number);
        if (!pair.Find(number)) missing.push_back(number);
    }
    std::vector<const BackupOrder *> chosen;
    for (const BackupOrder &order : pair.Orders()) {
        if (!numbers.empty() && !numbers.count(order.number)) continue;
        if (options.fromDay && (!order.billDay || *order.billDay < *options.fromDay)) continue;
        if (options.toDay && (!order.billDay || *order.billDay > *options.toDay)) continue;
        chosen.push_back(&order);
    }
    return chosen;
}

void Connect(TSQLConnection &connection, const RestoreOptions &options, std::ostream &err) {
    const ConnectionFileWarning warning = SetUpOrderConnection(connection, options.connectionFile);
    if (warning) err << kName << "warning: " << ConnectionFileWarningText(warning) << "\n";
    connection.Open();
}

int Run(const RestoreOptions &options, std::ostream &out, std::ostream &err) {
    const BackupPair pair = BackupPair::Load(options.headerFile, options.detailFile, options.forcePair);
    if (pair.OrphanLines() > 0)
        err << kName << pair.OrphanLines() << " lines of orders the header file does not hold are left out\n";
    std::vector<std::string> missing;
    const std::vector<const BackupOrder *> chosen = ChosenOrders(pair, options, missing);
    for (const std::string &number : missing) err << kName << "order " << Shown(number) << " is not in the backup\n";

    if (options.list) {
        out << "MASTERBILLID\tBILL_DATE\tcustomer\tlines\n";
        for (const BackupOrder *order : chosen) out << OrderLine(*order) << "\n";
        out << chosen.size() << " orders\n";
        return missing.empty() ? 0 : 1;
    }

    TSQLConnection connection("SQLConnection1");
    Connect(connection, options, err);
    OrderRestorer restorer(connection, pair);
    restorer.defaultMissingColumns = options.defaultMissingColumns;
    restorer.CheckColumns();

    if (options.dryRun) {
        const auto existing = restorer.ExistingOrders(chosen);
        const auto same = restorer.SameAsBackup(existing);
        const std::unordered_set<const BackupOrder *> skip(existing.begin(), existing.end());
        const std::unordered_set<const BackupOrder *> done(same.begin(), same.end());
        int64_t lines = 0;
        for (const BackupOrder *order : chosen)
            if (!skip.count(order)) {
                out << "would restore\t" << OrderLine(*order) << "\n";
                lines += static_cast<int64_t>(order->lineRows.size());
            }
        for (const BackupOrder *order : existing)
            out << (done.count(order) ? "already restored\t" : "would skip (already in the database)\t")
                << Shown(order->number) << "\n";
        const size_t skipped = existing.size() - same.size();
        out << (chosen.size() - existing.size()) << " orders (" << lines << " lines) would be restored, " << same.size()
            << " already restored, " << skipped << " skipped; nothing was written\n";
        return skipped == 0 && missing.empty() ? 0 : 1;
    }

    const std::string pairNames = std::filesystem::path(pair.HeaderFile()).filename().string() + " " +
                                  std::filesystem::path(pair.DetailFile()).filename().string();
    const RestoreJournal journal(OrderJournalPath(OrderDataFolder()), pairNames, connection.ParamValue("Database"),
                                 connection.ParamValue("User_Name"));
    RestoreOutcome outcome;
    const auto started = std::chrono::steady_clock::now();
    auto lastReport = started;
    size_t journalled = 0;                          // restored orders the journal names
    std::vector<const BackupOrder *> unjournalled;  // the committed batch the journal lacks
    int status = 0;
    // SIGINT or SIGTERM stops the restore after the round trips in flight:
    // what is committed stays, and the journal names it.
    restorer.stopWanted = [] { return StopRequested(); };
    try {
        restorer.Restore(
            chosen,
            [&](const std::vector<const BackupOrder *> &batch) {
                try {
                    journal.Append(batch, LocalNow());
                } catch (const ERestoreJournalFailed &) {
                    unjournalled = batch;
                    throw;
                }
                if (journal.Active()) journalled += batch.size();
                const size_t done = outcome.restored.size();
                const auto now = std::chrono::steady_clock::now();
                if (now - lastReport >= std::chrono::seconds(1)) {
                    err << kName << done << " of " << chosen.size() << " orders restored\n";
                    lastReport = now;
                }
            },
            outcome);
    } catch (const Exception &failure) {
        if (const auto *lost = dynamic_cast<const ERestoreJournalFailed *>(&failure))
            err << kName << "stopped: the journal " << lost->Path() << " cannot be written (" << lost->Reason()
                << ")\n";
        else
            err << kName << "stopped: " << failure.Message() << "\n";
        status = 1;
    }
    const bool signalled = status == 0 && StopRequested();
    if (signalled) err << kName << "stopped by a signal after the round trips in flight\n";
    if (status != 0 || signalled) {
        // Every count from the run itself: what is committed, what of it the
        // journal names, and what is left (a batch rolled back, the orders
        // after it); the failed and skipped ones are listed below.
        const size_t reached =
            outcome.restored.size() + outcome.sameAsBackup.size() + outcome.alreadyThere.size() + outcome.failed.size();
        err << kName << outcome.restored.size() << " orders are restored; ";
        if (!journal.Active())
            err << "there is no journal to name them (" << journal.Path() << " does not exist)\n";
        else if (unjournalled.empty())
            err << "all of them are in the journal\n";
        else {
            err << journalled << " of them are in the journal, " << unjournalled.size() << " are not:";
            for (const BackupOrder *order : unjournalled) err << " " << JournalField(order->number);
            err << "\n";
        }
        if (!outcome.inDoubt.empty()) {
            err << kName << "the connection was lost while " << outcome.inDoubt.size()
                << " more were being committed, and whether they are restored is not known (the journal does not"
                << " name them; the next run counts those that are back as already restored):";
            for (const BackupOrder *order : outcome.inDoubt) err << " " << JournalField(order->number);
            err << "\n";
        }
        err << kName << chosen.size() - reached - outcome.inDoubt.size()
            << " orders asked for are left for the next run; run the same command again to restore them\n";
    }
    for (const BackupOrder *order : outcome.restored) out << "restored\t" << OrderLine(*order) << "\n";
    for (const BackupOrder *order : outcome.sameAsBackup) out << "already restored\t" << Shown(order->number) << "\n";
    for (const BackupOrder *order : outcome.alreadyThere)
        out << "skipped (already in the database)\t" << Shown(order->number) << "\n";
    for (const auto &[order, reason] : outcome.failed)
        out << "failed\t" << Shown(order->number) << "\t" << Shown(reason) << "\n";
    out << outcome.restored.size() << " orders (" << outcome.linesRestored << " lines) restored, "
        << outcome.sameAsBackup.size() << " already restored, " << outcome.alreadyThere.size() << " skipped, "
        << outcome.failed.size() << " failed\n";
    if (outcome.restored.size() + outcome.sameAsBackup.size() != chosen.size() || !missing.empty()) status = 1;
    return status;
}

}  // namespace

int RunRestore(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    return RunCommand(kProgram, err, [&]() -> int {
        const RestoreOptions options = ParseRestoreOptions(args);
        if (options.help) {
            out << UsageText(RestoreHelp());
            return kCommandDone;
        }
        if (options.version) {
            out << VersionText(kProgram);
            return kCommandDone;
        }
        return Run(options, out, err);
    });
}

}  // namespace batchdel
