#include "PurgeCommand.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

#include "BackupOrders.h"
#include "OrderDataFolder.h"
#include "DataType.h"
#include "DeleteOrders.h"
#include "DeletionJournal.h"
#include "Errors.h"
#include "IniFile.h"
#include "OrderConnection.h"
#include "OrderDataModule.h"
#include "PurgeDates.h"
#include "PurgeErrors.h"
#include "PurgeOptions.h"
#include "PurgeProgress.h"
#include "PurgeSelection.h"
#include "QueryText.h"
#include "RatePause.h"
#include "RunLock.h"
#include "StopSignals.h"
#include "Version.h"

namespace {

constexpr const char *kName = "batchdel-purge: ";

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string DayOf(const SelectedOrder &order) { return order.billDay ? CommandDayText(*order.billDay) : "-"; }

std::string FileName(const std::string &path) { return std::filesystem::path(path).filename().string(); }

// The folder that holds cds/, with a trailing "/": the window's and
// batchdel-restore's.
std::string DataFolder() { return OrderDataFolder(); }

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
        if (options.list) out << order.number << "\t" << DayOf(order) << "\t" << order.lines << "\n";
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

struct Purged {
    DeletionOutcome outcome;
    double seconds = 0;  // the deletion's, pauses included
    std::optional<BackupResult> backup;
    std::string journal;
    std::string failure;  // the server's or the system's message
    bool stoppedBeforeDeleting = false;
};

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
    if (notDeleted > 0) out << ", " << notDeleted << " not deleted";
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

// One run at a time on a cds folder (its backups and journal) and on a
// database (an embedded one admits one process). The folder's lock is taken
// first, always, so two runs never wait for each other crosswise.
void TakeLocks(const PurgeOptions &options, const std::string &folder, std::ostream &err, RunLocks &locks) {
    const std::optional<std::chrono::steady_clock::duration> wait =
        options.waitSeconds
            ? std::optional<std::chrono::steady_clock::duration>(std::chrono::seconds(*options.waitSeconds))
            : std::nullopt;
    const bool forever = options.wait && !options.waitSeconds;
    // A dry run writes nothing in cds/.
    if (!options.dryRun) {
        const std::string cds = folder + "cds";
        std::error_code error;
        std::filesystem::create_directories(cds, error);
        if (error) throw EPurgeRefused("the folder " + cds + " cannot be made: " + error.message());
        locks.folder.emplace(cds + "/purge.lock", "the folder " + cds, wait, forever);
    }
    const std::string database = ConfiguredDatabase(options.connectionFile);
    if (!database.empty())
        locks.database.emplace(DatabaseLockPath(database), "the database " + database, wait, forever);
    for (const std::optional<RunLock> *lock : {&locks.folder, &locks.database})
        if (*lock && !(*lock)->TookOverFrom().empty())
            err << kName << "took over a lock left by a run that has ended (" << (*lock)->TookOverFrom() << ")\n";
}

int Purge(const PurgeOptions &options, std::istream &in, std::ostream &out, std::ostream &err,
          const PurgeTerminal &terminal) {
    const std::string folder = DataFolder();
    RunLocks locks;
    TakeLocks(options, folder, err, locks);
    OrderDataModule data(OrderDataSetup{options.connectionFile, {}});
    TSQLConnection &connection = data.SQLConnection1;
    const FilterCriteria filter = PurgeFilter(options);

    std::vector<SelectedOrder> taken = SelectOrders(connection, filter, options.dryRun);
    const size_t selected = taken.size();
    if (options.limit && static_cast<int64_t>(taken.size()) > *options.limit)
        taken.resize(static_cast<size_t>(*options.limit));
    if (options.dryRun) return DryRun(options, taken, selected, out);
    if (taken.empty()) {
        out << "The filters select no orders; nothing was deleted\n";
        return 0;
    }

    const bool withBackup = options.backup == BackupChoice::Backup;
    const std::string database = connection.ParamValue("Database");
    if (terminal.question && !options.yes && !Confirmed(in, *terminal.question, taken, database, withBackup)) {
        out << "Nothing was deleted\n";
        return 1;
    }

    Purged purged;
    PurgeProgress progress(err, terminal.error);
    // A journal that cannot be written stops the purge before the backup,
    // not after it.
    try {
        DeletionJournal(DeletionJournalPath(folder), {}, database, {}).Open();
    } catch (const EJournalFailed &failure) {
        throw EPurgeRefused("the journal " + failure.Path() + " cannot be written (" + failure.Reason() +
                            "); nothing was deleted");
    }
    if (withBackup) {
        if (terminal.error) err << kName << "backing up the orders the filters select...\n";
        try {
            purged.backup = BackupOrders(connection, data.ClientDataSet2, BackupFilter(filter, taken, selected), folder,
                                         LocalNow(), &progress);
        } catch (const EAbort &) {
            purged.stoppedBeforeDeleting = true;
        } catch (const Exception &failure) {
            throw EPurgeRefused("the backup failed, nothing was deleted: " + failure.Message());
        }
        data.ClientDataSet2.Close();
    }
    if (purged.stoppedBeforeDeleting || StopRequested()) {
        err << kName << "stopped before anything was deleted\n";
        out << "0 orders deleted of " << taken.size() << " taken; stopped\n";
        if (purged.backup) out << "backup: " << purged.backup->headerFile << " " << purged.backup->detailFile << "\n";
        return 1;
    }

    const DeletionJournal journal(
        DeletionJournalPath(folder),
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
            << kName << purged.outcome.deleted << " orders are deleted and in the journal; " << notDeleted
            << " orders taken are not deleted\n";
    } else if (purged.outcome.cancelled) {
        err << kName << "stopped on request after a committed batch\n";
    }
    Summary(purged, taken.size(), selected, out);
    const bool whole =
        purged.failure.empty() && !purged.outcome.cancelled && purged.outcome.deleted == static_cast<int>(taken.size());
    return whole ? 0 : 1;
}

}  // namespace

int RunPurge(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
             const PurgeTerminal &terminal) {
    try {
        const PurgeOptions options = ParsePurgeOptions(args, LocalToday());
        if (options.help) {
            out << PurgeUsage();
            return 0;
        }
        if (options.version) {
            out << "batchdel-purge " << BATCHDEL_VERSION << "\n";
            return 0;
        }
        return Purge(options, in, out, err, terminal);
    } catch (const ELockBusy &busy) {
        err << kName << busy.what() << "; nothing was done (--wait waits for it)\n";
        return kPurgeBusy;
    } catch (const Exception &failure) {
        err << kName << failure.Message() << "\n";
        return 2;
    } catch (const std::exception &failure) {
        err << kName << failure.what() << "\n";
        return 2;
    }
}
