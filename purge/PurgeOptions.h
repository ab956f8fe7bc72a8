#pragma once
// The command line of batchdel-purge.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandHelp.h"
#include "workflow/FilterCriteria.h"

namespace batchdel {

// The command's name, in its help, its version line and before its messages.
inline constexpr const char *kPurgeProgram = "batchdel-purge";

enum class BackupChoice { Unset, Backup, NoBackup };

struct PurgeOptions {
    bool help = false;
    bool version = false;
    bool dryRun = false;
    bool list = false;
    bool yes = false;
    bool all = false;  // --all: every order, written out instead of a filter
    BackupChoice backup = BackupChoice::Unset;
    std::optional<int32_t> fromDay;  // database day counts
    std::optional<int32_t> toDay;
    std::string customerFrom, customerTo;
    std::string departmentFrom, departmentTo;
    std::optional<int64_t> limit;   // --limit: at most this many orders
    std::optional<double> maxRate;  // --max-rate: orders a second
    std::string connectionFile;     // --database; empty: as the program finds it
    // --wait[=SECONDS]: wait for another run's lock instead of ending; no
    // seconds: for as long as it takes.
    bool wait = false;
    std::optional<int32_t> keepBackupsFrom;  // --keep-backups AGE: the first day kept
    bool json = false;                       // --json: the summary as one JSON object
    int64_t progressSeconds = 10;            // --progress-interval: between log lines
    std::optional<int64_t> waitSeconds;
};

// Raises ECommandRefused, with a one-line message naming the argument, for an
// unknown option, a missing or empty value, a day that does not exist, an
// age that does not parse, --from after --to, a range given by one end only,
// a deletion without exactly one of --backup and --no-backup, and a run
// with no filter and no --all (or --all beside a filter). An age in --to is
// counted back from today (a database day count).
PurgeOptions ParsePurgeOptions(const std::vector<std::string> &args, int32_t today);

// The filter of the window's queries for these options: the bill dates
// from --from (left out: the first day the database holds) to --to, as days
// written the same way whatever the locale; the other ranges as typed.
FilterCriteria PurgeFilter(const PurgeOptions &options);

// What the options select, in words, for the dry run and the log: "bill
// dates 0001/01/01 to 2024/01/31, customers C001 to C999, every department".
std::string SelectionText(const PurgeOptions &options);

// The --help text's parts.
CommandHelp PurgeHelp();

}  // namespace batchdel
