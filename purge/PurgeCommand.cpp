#include "purge/PurgeCommand.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

#include "purge/BackupAging.h"
#include "orders/LocalTime.h"
#include "orders/BackupFileNames.h"
#include "workflow/BackupOrders.h"
#include "cli/CommandHelp.h"
#include "orders/OrderDataFolder.h"
#include "data/dataset/DataType.h"
#include "workflow/DeleteOrders.h"
#include "orders/DeleteRight.h"
#include "workflow/DeletionJournal.h"
#include "data/dataset/Errors.h"
#include "data/sql/IniFile.h"
#include "orders/OrderConnection.h"
#include "workflow/OrderDataModule.h"
#include "purge/PurgeDates.h"
#include "purge/PurgeErrors.h"
#include "purge/PurgeLog.h"
#include "purge/PurgeOptions.h"
#include "purge/PurgeProgress.h"
#include "purge/PurgeSelection.h"
#include "workflow/QueryText.h"
#include "purge/RatePause.h"
#include "purge/RunLock.h"
#include "cli/StopSignals.h"

namespace batchdel {

namespace {

constexpr const char *kProgram = kPurgeProgram;
const std::string kName = MessagePrefix(kProgram);

std::string DayOf(const SelectedOrder &order) { return order.billDay ? CommandDayText(*order.billDay) : "-"; }

std::string FileName(const std::string &path) { return std::filesystem::path(path).filename().string(); }

// The backup covers what the filter selects; when --limit leaves the newer
// orders for a later run, it need only reach the newest order taken.
FilterCriteria BackupFilter(const FilterCriteria &filter, const std::vector<SelectedOrder> &taken, size_t selected) {
    FilterCriteria narrowed = filter;
    if (taken.size() < selected && !taken.empty() && taken.back().billDay) {
        if (!DateTextComplete(filter.dateFrom)) narrowed.dateFrom = CommandDayText(DbDateFromCivil(kFirstYear, 1, 1));
        narrowed.dateTo = CommandDayText(*taken.back().billDay);
    }
    return narrowed;
}

bool Confirmed(std::istream &in, std::ostream &err, const std::vector<SelectedOrder> &taken,
               const std::string &database, bool backup) {
    err << "Delete " << taken.size() << " orders (bill dates " << DayOf(taken.front()) << " to " << DayOf(taken.back())
        << ") from " << database << (backup ? ", after a backup" : ", without a backup") << "? [y/N] " << std::flush;
    // The question waits on the terminal; a Ctrl-C meanwhile is a no.
    pollfd input{STDIN_FILENO, POLLIN, 0};
    while (!StopRequested() && poll(&input, 1, 100) == 0) {}
    if (StopRequested()) {
        err << "\n";
        return false;
    }
    std::string answer;
    if (!std::getline(in, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

int DryRun(const PurgeOptions &options, const std::vector<SelectedOrder> &taken, size_t selected, std::ostream &out) {
    int64_t lines = 0;
    out << "Selection: " << SelectionText(options)
        << (options.limit ? ", the oldest " + std::to_string(*options.limit) : "") << "\n";
    if (options.list) out << "MASTERBILLID\tBILL_DATE\tlines\n";
    for (const SelectedOrder &order : taken) {
        lines += order.lines;
        if (options.list) out << JournalField(order.number) << "\t" << DayOf(order) << "\t" << order.lines << "\n";
    }
    if (selected == 0) {
        out << "The filters select no orders; nothing was written\n";
        return 0;
    }
    out << taken.size() << " orders (" << lines << " lines) would be deleted";
    if (taken.size() < selected) out << " of the " << selected << " the filters select (--limit)";
    if (!taken.empty()) out << ", bill dates " << DayOf(taken.front()) << " to " << DayOf(taken.back());
    out << "; nothing was written\n";
    return 0;
}

// A user without the right to delete is told so in the server's words before
// anything is written; a dry run says the same.
void CheckRight(TSQLConnection &connection, bool dryRun) {
    try {
        CheckDeleteRight(connection);
    } catch (const EDatabaseError &failure) {
        if (failure.Kind() != FailureKind::NoPermission) throw;
        throw EPurgeRefused(failure.Message() + (dryRun ? "; nothing would be deleted" : "; nothing was written"));
    }
}

struct Purged {
    DeletionOutcome outcome;
    double seconds = 0;  // the deletion's, pauses included
    std::optional<BackupResult> backup;
    std::string journal;
    std::string failure;  // the server's or the system's message
    bool stoppedBeforeDeleting = false;
};

void JsonSummary(const Purged &purged, size_t taken, size_t selected, int status, const std::string &started,
                 const std::string &database, const std::string &selection, std::ostream &out) {
    const DeletionOutcome &outcome = purged.outcome;
    const int64_t notDeleted = static_cast<int64_t>(taken) - outcome.deleted;
    char rate[40];
    std::snprintf(rate, sizeof rate, "%.1f", purged.seconds > 0 ? outcome.deleted / purged.seconds : 0.0);
    char seconds[40];
    std::snprintf(seconds, sizeof seconds, "%.3f", purged.seconds);
    out << "{\"status\":" << status << ",\"started\":" << JsonString(started) << ",\"ended\":" << JsonString(LogTime())
        << ",\"database\":" << JsonString(database) << ",\"selection\":" << JsonString(selection)
        << ",\"selected\":" << selected << ",\"taken\":" << taken << ",\"deleted\":" << outcome.deleted
        << ",\"lines_deleted\":" << outcome.linesDeleted << ",\"kept_changed\":" << outcome.changed
        << ",\"kept_not_in_backup\":" << outcome.notInBackup << ",\"not_deleted\":" << notDeleted
        << ",\"in_doubt\":" << outcome.inDoubt.size() << ",\"left_for_later\":" << selected - taken
        << ",\"stopped\":" << (outcome.cancelled || !purged.failure.empty() ? "true" : "false")
        << ",\"failure\":" << (purged.failure.empty() ? "null" : JsonString(purged.failure))
        << ",\"seconds\":" << seconds << ",\"orders_per_second\":" << rate << ",\"backup\":"
        << (purged.backup
                ? "[" + JsonString(purged.backup->headerFile) + "," + JsonString(purged.backup->detailFile) + "]"
                : std::string("null"))
        << ",\"journal\":" << (purged.journal.empty() ? "null" : JsonString(purged.journal)) << "}\n";
}

// The end line of the log: what the summary says, on one line.
std::string EndText(const Purged &purged, size_t taken, size_t selected, int status) {
    const DeletionOutcome &outcome = purged.outcome;
    char rate[80];
    std::snprintf(rate, sizeof rate, " in %.1f s, %.1f orders/s", purged.seconds,
                  purged.seconds > 0 ? outcome.deleted / purged.seconds : 0.0);
    std::string text = std::to_string(outcome.deleted) + " of " + std::to_string(taken) + " orders taken deleted (" +
                       std::to_string(outcome.linesDeleted) + " lines)" + rate + "; " +
                       std::to_string(outcome.changed + outcome.notInBackup) + " kept; " +
                       std::to_string(selected - taken) + " left for a later run; backup " +
                       (purged.backup ? purged.backup->headerFile + " " + purged.backup->detailFile : "none") +
                       "; journal " + (purged.journal.empty() ? "none" : purged.journal) + "; status " +
                       std::to_string(status);
    return text;
}

void Summary(const Purged &purged, size_t taken, size_t selected, std::ostream &out) {
    const DeletionOutcome &outcome = purged.outcome;
    out << outcome.deleted << " orders (" << outcome.linesDeleted << " lines) deleted of " << taken << " taken";
    if (taken < selected) out << " (" << selected << " selected, --limit " << taken << ")";
    char time[80];
    std::snprintf(time, sizeof time, " in %.1f s (%.0f orders/s)", purged.seconds,
                  purged.seconds > 0 ? outcome.deleted / purged.seconds : 0.0);
    out << time;
    if (purged.backup) out << "; " << outcome.changed << " kept because they changed after the backup";
    if (outcome.notInBackup > 0)
        out << ", " << outcome.notInBackup << " kept because the backup does not hold them (changed or gone before it)";
    const int64_t notDeleted = static_cast<int64_t>(taken) - outcome.deleted - outcome.changed - outcome.notInBackup;
    if (!outcome.inDoubt.empty())
        out << ", " << outcome.inDoubt.size() << " whose commit was lost with the connection (deleted or not)";
    if (notDeleted > static_cast<int64_t>(outcome.inDoubt.size()))
        out << ", " << notDeleted - static_cast<int64_t>(outcome.inDoubt.size()) << " not deleted";
    out << "\n";
    if (purged.backup)
        out << "backup: " << purged.backup->headerFile << " " << purged.backup->detailFile << "\n";
    else
        out << "backup: none\n";
    if (!purged.journal.empty()) out << "journal: " << purged.journal << "\n";
}

// The database the connection file names, read before connecting so that
// its lock is taken first; empty when the file names none (the connection
// then fails with its own message).
std::string ConfiguredDatabase(const std::string &connectionFile) {
    TSQLConnection connection("PurgeLockName");
    SetUpOrderConnection(connection, connectionFile);
    return IniFile::Load(connection.ConnectionFile()).Value(connection.ConnectionName, "Database");
}

struct RunLocks {
    std::optional<RunLock> folder;
    std::optional<RunLock> database;
};

// One run at a time on a database (an embedded one admits one process) and
// on a cds folder (its backups and journal). Every run takes the database's
// lock first, before it connects, and the folder's after it, so two runs
// never wait for each other crosswise.
std::optional<std::chrono::steady_clock::duration> LockWait(const PurgeOptions &options) {
    if (!options.waitSeconds) return std::nullopt;
    return std::chrono::seconds(*options.waitSeconds);
}

void SayTakenOver(const std::optional<RunLock> &lock, std::ostream &err) {
    if (lock && !lock->TookOverFrom().empty())
        err << kName << "took over a lock left by a run that has ended (" << lock->TookOverFrom() << ")\n";
}

void TakeDatabaseLock(const PurgeOptions &options, std::ostream &err, RunLocks &locks) {
    const std::string database = ConfiguredDatabase(options.connectionFile);
    if (database.empty()) return;
    locks.database.emplace(DatabaseLockPath(database), 0666, "the database " + database, LockWait(options),
                           options.wait && !options.waitSeconds);
    SayTakenOver(locks.database, err);
}

// A dry run writes nothing in cds/ and takes no lock there.
void TakeFolderLock(const PurgeOptions &options, const std::string &folder, std::ostream &err, RunLocks &locks) {
    if (options.dryRun) return;
    const std::string cds = folder + "cds";
    if (const CdsFolderMade made = MakeCdsFolder(folder); made.error != 0)
        throw EPurgeRefused("the folder " + cds + " cannot be made: " + std::strerror(made.error));
    locks.folder.emplace(cds + "/purge.lock", 0600, "the folder " + cds, LockWait(options),
                         options.wait && !options.waitSeconds);
    SayTakenOver(locks.folder, err);
}

int Purge(const PurgeOptions &options, std::istream &in, std::ostream &out, std::ostream &err,
          const PurgeTerminal &terminal) {
    const std::string folder = OrderDataFolder();
    RunLocks locks;
    TakeDatabaseLock(options, err, locks);
    OrderDataModule data(OrderDataSetup{options.connectionFile, {}});
    if (data.ConnectionWarning)
        err << kName << "warning: " << ConnectionFileWarningText(data.ConnectionWarning) << "\n";
    TSQLConnection &connection = data.SQLConnection1;
    const FilterCriteria filter = PurgeFilter(options);
    CheckRight(connection, options.dryRun);
    TakeFolderLock(options, folder, err, locks);

    std::vector<SelectedOrder> taken = SelectOrders(connection, filter, options.dryRun);
    const size_t selected = taken.size();
    if (options.limit && static_cast<int64_t>(taken.size()) > *options.limit)
        taken.resize(static_cast<size_t>(*options.limit));
    if (options.dryRun) return DryRun(options, taken, selected, out);

    const bool withBackup = options.backup == BackupChoice::Backup;
    const std::string database = connection.ParamValue("Database");
    const std::string selection = SelectionText(options);
    PurgeLog log(err, !terminal.error, std::chrono::seconds(options.progressSeconds));
    {
        std::string start = "database " + database + "; " + selection + "; cut-off day " +
                            (options.toDay ? CommandDayText(*options.toDay) : std::string("none")) + "; " +
                            (withBackup ? "backup" : "no backup");
        if (options.limit) start += "; limit " + std::to_string(*options.limit);
        log.Start(start + "; " + std::to_string(taken.size()) + " orders taken of " + std::to_string(selected) +
                  " selected");
    }
    Purged purged;
    // Every way out after the start line ends with the end line and, asked
    // for, the summary as JSON.
    const auto finish = [&](int status) {
        log.End(EndText(purged, taken.size(), selected, status));
        if (options.json)
            JsonSummary(purged, taken.size(), selected, status, log.Started(), database, selection, out);
        else
            Summary(purged, taken.size(), selected, out);
        return status;
    };
    // So does a refusal: its end line and summary name it, and then it is
    // said as every refusal is.
    const auto refuse = [&](const std::string &message) {
        purged.failure = message;
        finish(kCommandNothingDone);
        throw EPurgeRefused(message);
    };
    if (taken.empty()) {
        if (!options.json) out << "The filters select no orders; nothing was deleted\n";
        log.End(EndText(purged, 0, 0, kCommandDone));
        if (options.json) JsonSummary(purged, 0, 0, kCommandDone, log.Started(), database, selection, out);
        return kCommandDone;
    }
    if (terminal.question && !options.yes && !Confirmed(in, *terminal.question, taken, database, withBackup)) {
        out << "Nothing was deleted\n";
        return kCommandPartly;
    }

    PurgeProgress progress(err, terminal.error, &log);
    // A journal that cannot be written stops the purge before the backup,
    // not after it.
    try {
        DeletionJournal(OrderJournalPath(folder), {}, database, {}).Open();
    } catch (const EJournalFailed &failure) {
        refuse("the journal " + failure.Path() + " cannot be written (" + failure.Reason() + "); nothing was deleted");
    }
    if (withBackup) {
        if (terminal.error) err << kName << "backing up the orders the filters select...\n";
        try {
            purged.backup = BackupOrders(connection, data.ClientDataSet2, BackupFilter(filter, taken, selected), folder,
                                         LocalNow(), &progress);
        } catch (const EAbort &) {
            purged.stoppedBeforeDeleting = true;
        } catch (const Exception &failure) {
            refuse("the backup failed, nothing was deleted: " + failure.Message());
        }
        data.ClientDataSet2.Close();
    }
    if (purged.stoppedBeforeDeleting || StopRequested()) {
        err << kName << "stopped before anything was deleted\n";
        purged.outcome.cancelled = true;
        return finish(kCommandPartly);
    }

    const DeletionJournal journal(
        OrderJournalPath(folder),
        purged.backup ? FileName(purged.backup->headerFile) + " " + FileName(purged.backup->detailFile) : "", database,
        connection.ParamValue("User_Name"));
    purged.journal = journal.Path();
    std::vector<std::string> numbers;
    numbers.reserve(taken.size());
    for (const SelectedOrder &order : taken) numbers.push_back(order.number);

    DeletionSettings settings;
    std::optional<RatePause> pause;
    if (options.maxRate) {
        settings = RatePause::Settings(*options.maxRate);
        pause.emplace(*options.maxRate);
        settings.afterBatch = [&] { pause->After(purged.outcome.deleted); };
    }
    progress.StartDeletion(static_cast<int64_t>(taken.size()));
    const auto started = std::chrono::steady_clock::now();
    if (pause) pause->Restart();
    std::optional<EJournalFailed> journalFailure;
    try {
        DeleteOrders(connection, numbers, purged.backup ? &*purged.backup : nullptr, journal, &progress, settings,
                     purged.outcome);
    } catch (const EJournalFailed &failure) {
        journalFailure = failure;
        purged.failure = "the journal " + failure.Path() + " cannot be written (" + failure.Reason() + ")";
    } catch (const Exception &failure) {
        purged.failure = failure.Message();
    } catch (const std::exception &failure) {
        purged.failure = failure.what();
    }
    purged.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    progress.EndLine();
    const int notDeleted = static_cast<int>(taken.size()) - purged.outcome.deleted;
    if (journalFailure && journalFailure->Stopped()) {
        // Every count from the deletion itself: the last committed batch is
        // deleted but not journalled, and its orders are named here instead.
        const auto &unjournalled = journalFailure->Stopped()->unjournalled;
        err << kName << "stopped: " << purged.failure << "\n"
            << kName << purged.outcome.deleted << " orders are deleted; "
            << purged.outcome.deleted - static_cast<int>(unjournalled.size()) << " of them are in the journal, "
            << unjournalled.size() << " are not:";
        for (const std::string &number : unjournalled) err << " " << JournalField(number);
        err << "\n" << kName << notDeleted << " orders taken are not deleted\n";
    } else if (!purged.failure.empty()) {
        err << kName << "stopped: " << purged.failure << "\n"
            << kName << purged.outcome.deleted << " orders are deleted and in the journal; ";
        const auto &inDoubt = purged.outcome.inDoubt;
        if (inDoubt.empty()) {
            err << notDeleted << " orders taken are not deleted\n";
        } else {
            // The last batch's commit was lost with the connection, and
            // whether it was made is not known: its orders are counted apart.
            err << "the connection was lost while " << inDoubt.size()
                << " more were being committed, and whether they are deleted is not known (the journal does not"
                << " name them):";
            for (const std::string &number : inDoubt) err << " " << JournalField(number);
            err << "\n"
                << kName << notDeleted - static_cast<int>(inDoubt.size()) << " other orders taken are not deleted\n";
        }
    } else if (purged.outcome.cancelled) {
        err << kName << "stopped on request after a committed batch\n";
    }
    const bool whole =
        purged.failure.empty() && !purged.outcome.cancelled && purged.outcome.deleted == static_cast<int>(taken.size());
    if (whole && options.keepBackupsFrom) {
        const AgedBackups aged = RemoveBackupsBefore(folder, *options.keepBackupsFrom,
                                                     purged.backup ? HeaderFileTime(purged.backup->headerFile) : "");
        // Beside a JSON summary these lines go to standard error.
        for (const std::string &path : aged.removed)
            (options.json ? err : out) << "removed old backup: " << path << "\n";
        for (const std::string &failure : aged.failed) err << kName << "an old backup stays: " << failure << "\n";
    }
    return finish(whole ? kCommandDone : kCommandPartly);
}

}  // namespace

int RunPurge(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
             const PurgeTerminal &terminal) {
    return RunCommand(kProgram, err, [&]() -> int {
        const PurgeOptions options = ParsePurgeOptions(args, LocalToday());
        if (options.help) {
            out << UsageText(PurgeHelp());
            return kCommandDone;
        }
        if (options.version) {
            out << VersionText(kProgram);
            return kCommandDone;
        }
        try {
            return Purge(options, in, out, err, terminal);
        } catch (const ELockBusy &busy) {
            err << kName << busy.what() << "; nothing was done (--wait waits for it)\n";
            return kCommandBusy;
        }
    });
}

}  // namespace batchdel
