#include "PurgeOptions.h"

#include <charconv>
#include <algorithm>
#include <cmath>

#include "DataType.h"
#include "PurgeDates.h"
#include "PurgeErrors.h"
#include "RatePause.h"

namespace {

int64_t Count(const std::string &option, const std::string &text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1)
        throw EPurgeRefused("Option " + option + ": \"" + text + "\" is not a whole number of 1 or more");
    return value;
}

double Rate(const std::string &option, const std::string &text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value <= 0)
        throw EPurgeRefused("Option " + option + ": \"" + text + "\" is not a number of orders a second above 0");
    if (value < RatePause::kSlowestRate)
        throw EPurgeRefused("Option " + option + ": \"" + text + "\" is slower than the slowest rate honoured, " +
                            "0.001 orders a second");
    return value;
}

int64_t Seconds(const std::string &option, const std::string &text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > 31622400)
        throw EPurgeRefused("Option " + option + ": \"" + text + "\" is not a number of seconds from 0 to 31622400");
    return value;
}

void CheckRange(const std::string &name, const std::string &from, const std::string &to) {
    // The window leaves a range out unless both ends are given; a purge that
    // quietly widened to every order would delete far more than was asked.
    if (from.empty() != to.empty())
        throw EPurgeRefused("Option --" + name + (from.empty() ? "-to" : "-from") + " needs --" + name +
                            (from.empty() ? "-from" : "-to") + " as well");
}

}  // namespace

PurgeOptions ParsePurgeOptions(const std::vector<std::string> &args, int32_t today) {
    PurgeOptions options;
    std::string toText;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = arg.substr(equals + 1);
            arg.resize(equals);
        }
        auto value = [&]() -> std::string {
            std::string text;
            if (inlineValue)
                text = *inlineValue;
            else if (i + 1 < args.size())
                text = args[++i];
            else
                throw EPurgeRefused("Option " + arg + " needs a value");
            if (text.empty()) throw EPurgeRefused("Option " + arg + " needs a value that is not empty");
            return text;
        };
        auto flag = [&](bool &target) {
            if (inlineValue) throw EPurgeRefused("Option " + arg + " takes no value");
            target = true;
        };
        if (arg == "--help" || arg == "-h")
            flag(options.help);
        else if (arg == "--version")
            flag(options.version);
        else if (arg == "--dry-run")
            flag(options.dryRun);
        else if (arg == "--list")
            flag(options.list);
        else if (arg == "--yes" || arg == "-y")
            flag(options.yes);
        else if (arg == "--all")
            flag(options.all);
        else if (arg == "--keep-backups") {
            const std::string text = value();
            options.keepBackupsFrom = DayBeforeAge(text, today);
            if (!options.keepBackupsFrom)
                throw EPurgeRefused("Option --keep-backups: \"" + text + "\" is not an age such as 90d, 18m or 3y");
        } else if (arg == "--json")
            flag(options.json);
        else if (arg == "--progress-interval")
            options.progressSeconds = std::max<int64_t>(1, Seconds(arg, value()));
        else if (arg == "--wait") {
            // The seconds only after "=": a bare --wait never takes the next
            // argument as its value.
            options.wait = true;
            options.waitSeconds.reset();
            if (inlineValue) options.waitSeconds = Seconds(arg, *inlineValue);
        } else if (arg == "--backup" || arg == "--no-backup") {
            bool given = false;
            flag(given);
            const BackupChoice choice = arg == "--backup" ? BackupChoice::Backup : BackupChoice::NoBackup;
            if (options.backup != BackupChoice::Unset && options.backup != choice)
                throw EPurgeRefused("Options --backup and --no-backup exclude each other: give one");
            options.backup = choice;
        } else if (arg == "--from") {
            const std::string text = value();
            options.fromDay = ParseCommandDay(text);
            if (!options.fromDay) throw EPurgeRefused("Option --from: \"" + text + "\" is not a date YYYY/MM/DD");
        } else if (arg == "--to") {
            toText = value();
            options.toDay = ParseCommandDay(toText);
            if (!options.toDay) options.toDay = DayBeforeAge(toText, today);
            if (!options.toDay)
                throw EPurgeRefused("Option --to: \"" + toText +
                                    "\" is neither a date YYYY/MM/DD nor an age such as 90d, 18m or 3y");
        } else if (arg == "--customer-from")
            options.customerFrom = value();
        else if (arg == "--customer-to")
            options.customerTo = value();
        else if (arg == "--department-from")
            options.departmentFrom = value();
        else if (arg == "--department-to")
            options.departmentTo = value();
        else if (arg == "--limit")
            options.limit = Count(arg, value());
        else if (arg == "--max-rate")
            options.maxRate = Rate(arg, value());
        else if (arg == "--database")
            options.connectionFile = value();
        else if (arg.size() > 1 && arg[0] == '-')
            throw EPurgeRefused("Unknown option " + arg + " (see --help)");
        else
            throw EPurgeRefused("Unexpected argument \"" + arg + "\" (see --help)");
    }
    if (options.help || options.version) return options;

    if (options.fromDay && !options.toDay) throw EPurgeRefused("Option --from needs --to as well");
    if (options.fromDay && *options.fromDay > *options.toDay)
        throw EPurgeRefused("Option --from: " + CommandDayText(*options.fromDay) + " is after --to " +
                            CommandDayText(*options.toDay));
    CheckRange("customer", options.customerFrom, options.customerTo);
    CheckRange("department", options.departmentFrom, options.departmentTo);
    // Every order only when asked for in so many words: a command line that
    // lost its filter (a variable left empty in a script) must not purge all.
    const bool filtered = options.toDay || !options.customerFrom.empty() || !options.departmentFrom.empty();
    if (options.all && filtered)
        throw EPurgeRefused(
            "Option --all takes every order: give it without --from, --to, --customer-* and "
            "--department-*");
    if (!options.all && !filtered)
        throw EPurgeRefused(
            "Give a filter (--to, --customer-from/--customer-to, --department-from/--department-to) "
            "or --all to take every order");
    // Listing is looking: it never deletes.
    if (options.list) options.dryRun = true;
    if (!options.dryRun && options.backup == BackupChoice::Unset)
        throw EPurgeRefused("Give --backup or --no-backup: whether to back the orders up before deleting them");
    return options;
}

FilterCriteria PurgeFilter(const PurgeOptions &options) {
    FilterCriteria filter;
    if (options.toDay) {
        filter.dateFrom = CommandDayText(options.fromDay ? *options.fromDay : DbDateFromCivil(kFirstYear, 1, 1));
        filter.dateTo = CommandDayText(*options.toDay);
    }
    filter.customerFrom = options.customerFrom;
    filter.customerTo = options.customerTo;
    filter.departmentFrom = options.departmentFrom;
    filter.departmentTo = options.departmentTo;
    return filter;
}

std::string SelectionText(const PurgeOptions &options) {
    std::string text;
    if (options.toDay)
        text = "bill dates " + CommandDayText(options.fromDay ? *options.fromDay : DbDateFromCivil(kFirstYear, 1, 1)) +
               " to " + CommandDayText(*options.toDay);
    else
        text = "every bill date (and none)";
    text += options.customerFrom.empty()
                ? ", every customer"
                : ", customers \"" + options.customerFrom + "\" to \"" + options.customerTo + "\"";
    text += options.departmentFrom.empty()
                ? ", every department"
                : ", departments \"" + options.departmentFrom + "\" to \"" + options.departmentTo + "\"";
    return text;
}

std::string PurgeUsage() {
    return R"(Usage: batchdel-purge FILTER... (--backup | --no-backup | --dry-run)
       batchdel-purge --all (--backup | --no-backup | --dry-run)

Deletes the orders that the filters select, oldest bill date first, each
order whole (its lines in ORDER_SUB and its header in ORDER_MASTER) or not at
all, committed in batches. The filters are those of batchdel's window and
select the same orders; each range applies only when both ends are given.
A run needs at least one filter, or --all to take every order (orders
without a bill date included); it never takes every order by default.

Filters:
  --from YYYY/MM/DD        bill date on or after this day (needs --to)
  --to YYYY/MM/DD | AGE    bill date on or before this day; an AGE (90d, 18m,
                           3y) means that long before today. Without --from
                           every older order is taken.
  --customer-from CODE     CUST_ID from ...
  --customer-to CODE       ... to this code (both or neither)
  --department-from CODE   PD_DEPID from ...
  --department-to CODE     ... to this code (both or neither)
  --all                    every order, instead of a filter
Deleting:
  --backup                 first write the orders the filters select to
                           cds/ORDER_MASTER_<time>.CDS and cds/ORDER_SUB<time>.CDS,
                           read them back, and keep every order that changed
                           after the backup; batchdel-restore puts them back
  --no-backup              delete without a backup (one of the two is needed)
  --dry-run                say how many orders and lines would go; write nothing
  --list                   list those orders too (a dry run)
  --limit N                delete at most N orders in this run (the oldest)
  --max-rate N             delete at most N orders a second on average,
                           pausing between batches (N at least 0.001)
  --yes                    do not ask for confirmation on a terminal
                           (asked only when standard input is a terminal)
  --keep-backups AGE       after a run that deleted every order it took,
                           remove the backup pairs in cds/ made more than
                           AGE (90d, 18m, 3y) ago, never this run's; their
                           orders' journal lines stay
  --json                   the summary as one JSON object on standard output
  --progress-interval S    without a terminal, a progress line on standard
                           error every S seconds (10)
  --wait[=SECONDS]         when another run holds the cds folder or the
                           database, wait for it (at most SECONDS) instead
                           of ending with status 3
  --database FILE          connection file to use instead of the program's
                           (connections.ini beside the program, or where the
                           DataDriver settings point); its section Trelvo is used
  --help                   show this text
  --version                show the version

Each deleted order is appended to cds/deletions.log after its batch is
committed. SIGINT or SIGTERM stops the purge after the current batch. One
run at a time: a run locks cds/purge.lock and a lock file of its database
in /tmp; a lock left by a run that died is taken over.

Without a terminal on standard error, standard error carries a start
line, progress lines and an end line, each "batchdel-purge: TIME start:",
"progress:" or "end:", TIME as 2026-12-11T03:00:00+0100.

Exit status:
  0  every order taken was deleted (or would be, with --dry-run), or the
     filters select none; with --limit the orders left for a later run
     were not taken, and the summary counts them
  1  some orders taken were not deleted: stopped, kept as changed after
     the backup, a failure half-way, or the question answered no
  2  nothing was done: bad arguments, no connection, a journal or backup
     that could not be written or read back
  3  nothing was done: another run holds the cds folder or the database
)";
}
