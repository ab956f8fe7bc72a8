#pragma once
// The command line of batchdel-purge.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FilterCriteria.h"

enum class BackupChoice { Unset, Backup, NoBackup };

struct PurgeOptions {
    bool help = false;
    bool version = false;
    bool dryRun = false;
    bool list = false;
    bool yes = false;
    BackupChoice backup = BackupChoice::Unset;
    std::optional<int32_t> fromDay;  // database day counts
    std::optional<int32_t> toDay;
    std::string customerFrom, customerTo;
    std::string departmentFrom, departmentTo;
    std::optional<int64_t> limit;   // --limit: at most this many orders
    std::optional<double> maxRate;  // --max-rate: orders a second
    std::string connectionFile;     // --database; empty: as the program finds it
};

// Raises EPurgeRefused, with a one-line message naming the argument, for an
// unknown option, a missing or empty value, a day that does not exist, an
// age that does not parse, --from after --to, a range given by one end only,
// and a deletion without exactly one of --backup and --no-backup. An age in
// --to is counted back from today (a database day count).
PurgeOptions ParsePurgeOptions(const std::vector<std::string> &args, int32_t today);

// The window's six filter texts for these options: both date boxes filled
// in when --to is given (--from left out is the first day the database
// holds), the other ranges as typed.
FilterCriteria PurgeFilter(const PurgeOptions &options);
FilterCriteria PurgeFilter(const PurgeOptions &options, const std::string &dateSeparator);

// The --help text.
std::string PurgeUsage();
