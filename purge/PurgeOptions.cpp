#include "purge/PurgeOptions.h"

#include <charconv>
#include <algorithm>
#include <cmath>

#include "data/dataset/DataType.h"
#include "purge/PurgeDates.h"
#include "cli/CommandLine.h"
#include "purge/RatePause.h"

namespace batchdel {

namespace {

int64_t Count(const std::string &option, const std::string &text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1)
        throw BadOptionValue(option, text, "not a whole number of 1 or more");
    return value;
}

double Rate(const std::string &option, const std::string &text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value <= 0)
        throw BadOptionValue(option, text, "not a number of orders a second above 0");
    if (value < RatePause::kSlowestRate)
        throw BadOptionValue(option, text, "slower than the slowest rate honoured, 0.001 orders a second");
    return value;
}

int64_t Seconds(const std::string &option, const std::string &text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > 31622400)
        throw BadOptionValue(option, text, "not a number of seconds from 0 to 31622400");
    return value;
}

void CheckRange(const std::string &name, const std::string &from, const std::string &to) {
    // The window leaves a range out unless both ends are given; a purge that
    // quietly widened to every order would delete far more than was asked.
    if (from.empty() != to.empty())
        throw ECommandRefused("Option --" + name + (from.empty() ? "-to" : "-from") + " needs --" + name +
                              (from.empty() ? "-from" : "-to") + " as well");
}

}  // namespace

PurgeOptions ParsePurgeOptions(const std::vector<std::string> &args, int32_t today) {
    const CommandLine line = ParseCommandLine(args, {{"--dry-run"},
                                                     {"--list"},
                                                     {"--yes", OptionValue::None, "-y"},
                                                     {"--all"},
                                                     {"--keep-backups", OptionValue::Required},
                                                     {"--json"},
                                                     {"--progress-interval", OptionValue::Required},
                                                     {"--wait", OptionValue::Optional},
                                                     {"--backup"},
                                                     {"--no-backup"},
                                                     {"--from", OptionValue::Required},
                                                     {"--to", OptionValue::Required},
                                                     {"--customer-from", OptionValue::Required},
                                                     {"--customer-to", OptionValue::Required},
                                                     {"--department-from", OptionValue::Required},
                                                     {"--department-to", OptionValue::Required},
                                                     {"--limit", OptionValue::Required},
                                                     {"--max-rate", OptionValue::Required},
                                                     {"--database", OptionValue::Required}});
    PurgeOptions options;
    options.help = line.help;
    options.version = line.version;
    if (!line.operands.empty())
        throw ECommandRefused("Unexpected argument \"" + line.operands.front() + "\" (see --help)");
    for (const GivenOption &given : line.options) {
        const std::string &arg = given.name;
        const std::string text = given.value.value_or("");
        if (arg == "--dry-run")
            options.dryRun = true;
        else if (arg == "--list")
            options.list = true;
        else if (arg == "--yes")
            options.yes = true;
        else if (arg == "--all")
            options.all = true;
        else if (arg == "--keep-backups") {
            options.keepBackupsFrom = DayBeforeAge(text, today);
            if (!options.keepBackupsFrom) throw BadOptionValue(arg, text, "not an age such as 90d, 18m or 3y");
        } else if (arg == "--json")
            options.json = true;
        else if (arg == "--progress-interval")
            options.progressSeconds = std::max<int64_t>(1, Seconds(arg, text));
        else if (arg == "--wait") {
            options.wait = true;
            options.waitSeconds.reset();
            if (given.value) options.waitSeconds = Seconds(arg, text);
        } else if (arg == "--backup" || arg == "--no-backup") {
            const BackupChoice choice = arg == "--backup" ? BackupChoice::Backup : BackupChoice::NoBackup;
            if (options.backup != BackupChoice::Unset && options.backup != choice)
                throw ECommandRefused("Options --backup and --no-backup exclude each other: give one");
            options.backup = choice;
        } else if (arg == "--from") {
            options.fromDay = ParseCommandDay(text);
            if (!options.fromDay) throw BadOptionValue(arg, text, "not a date YYYY/MM/DD");
        } else if (arg == "--to") {
            options.toDay = ParseCommandDay(text);
            if (!options.toDay) options.toDay = DayBeforeAge(text, today);
            if (!options.toDay)
                throw BadOptionValue(arg, text, "neither a date YYYY/MM/DD nor an age such as 90d, 18m or 3y");
        } else if (arg == "--customer-from")
            options.customerFrom = text;
        else if (arg == "--customer-to")
            options.customerTo = text;
        else if (arg == "--department-from")
            options.departmentFrom = text;
        else if (arg == "--department-to")
            options.departmentTo = text;
        else if (arg == "--limit")
            options.limit = Count(arg, text);
        else if (arg == "--max-rate")
            options.maxRate = Rate(arg, text);
        else if (arg == "--database")
            options.connectionFile = text;
    }
    if (options.help || options.version) return options;

    if (options.fromDay && !options.toDay) throw ECommandRefused("Option --from needs --to as well");
    if (options.fromDay && *options.fromDay > *options.toDay)
        throw ECommandRefused("Option --from: " + CommandDayText(*options.fromDay) + " is after --to " +
                              CommandDayText(*options.toDay));
    CheckRange("customer", options.customerFrom, options.customerTo);
    CheckRange("department", options.departmentFrom, options.departmentTo);
    // Every order only when asked for in so many words: a command line that
    // lost its filter (a variable left empty in a script) must not purge all.
    const bool filtered = options.toDay || !options.customerFrom.empty() || !options.departmentFrom.empty();
    if (options.all && filtered)
        throw ECommandRefused(
            "Option --all takes every order: give it without --from, --to, --customer-* and "
            "--department-*");
    if (!options.all && !filtered)
        throw ECommandRefused(
            "Give a filter (--to, --customer-from/--customer-to, --department-from/--department-to) "
            "or --all to take every order");
    // Listing is looking: it never deletes.
    if (options.list) options.dryRun = true;
    if (!options.dryRun && options.backup == BackupChoice::Unset)
        throw ECommandRefused("Give --backup or --no-backup: whether to back the orders up before deleting them");
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

CommandHelp PurgeHelp() {
    CommandHelp help;
    help.program = kPurgeProgram;
    help.synopses = {"FILTER... (--backup | --no-backup | --dry-run) [OPTION]...",
                     "--all (--backup | --no-backup | --dry-run) [OPTION]..."};
    help.description = R"(Deletes the orders that the filters select, oldest bill date first, each
order whole (its lines in ORDER_SUB and its header in ORDER_MASTER) or not at
all, committed in batches. The filters are those of batchdel's window and
select the same orders; each range applies only when both ends are given.
A run needs at least one filter, or --all to take every order (orders
without a bill date included); it never takes every order by default.
)";
    help.sections = {
        {"Filters",
         {{"--from YYYY/MM/DD", "bill date on or after this day (needs --to)"},
          {"--to YYYY/MM/DD | AGE",
           "bill date on or before this day; an AGE (90d, 18m,\n3y) means that long before "
           "today. Without --from\nevery older order is taken."},
          {"--customer-from CODE", "CUST_ID from ..."},
          {"--customer-to CODE", "... to this code (both or neither)"},
          {"--department-from CODE", "PD_DEPID from ..."},
          {"--department-to CODE", "... to this code (both or neither)"},
          {"--all", "every order, instead of a filter"}}},
        {"Deleting",
         {{"--backup",
           "first write the orders the filters select to\ncds/ORDER_MASTER_<time>.CDS and "
           "cds/ORDER_SUB<time>.CDS,\nread them back, and keep every order that changed\nafter the "
           "backup; batchdel-restore puts them back"},
          {"--no-backup", "delete without a backup (one of the two is needed)"},
          {"--dry-run", "say how many orders and lines would go; write nothing"},
          {"--list", "list those orders too (a dry run)"},
          {"--limit N", "delete at most N orders in this run (the oldest)"},
          {"--max-rate N", "delete at most N orders a second on average,\npausing between batches (N at least 0.001)"},
          {"--yes, -y", "do not ask for confirmation (asked only when\nstandard input is a terminal)"},
          {"--keep-backups AGE",
           "after a run that deleted every order it took,\nremove the backup pairs in cds/ "
           "made more than\nAGE (90d, 18m, 3y) ago, never this run's; their\norders' journal "
           "lines stay"}}},
        {"Running",
         {{"--json", "the summary as one JSON object on standard output"},
          {"--progress-interval S", "without a terminal, a progress line on standard\nerror every S seconds (10)"},
          {"--wait[=SECONDS]",
           "when another run holds the cds folder or the\ndatabase, wait for it (at most "
           "SECONDS) instead\nof ending with status 3"},
          {"--database FILE",
           "connection file to use instead of the program's\n(connections.ini beside the "
           "program, or where the\nDataDriver settings point); its section Trelvo is used"}}}};
    help.notes = R"(Each deleted order is appended to cds/deletions.log after its batch is
committed. SIGINT or SIGTERM stops the purge after the current batch. One
run at a time: a run locks cds/purge.lock and a lock file of its database
in /tmp; a lock left by a run that died is taken over.

Without a terminal on standard error, standard error carries a start
line, progress lines and an end line, each "batchdel-purge: TIME start:",
"progress:" or "end:", TIME as 2026-12-11T03:00:00+0100.
)";
    help.statuses = {
        {kCommandDone, "with --limit the orders left for a later run were\nnot taken, and the summary counts them"},
        {kCommandPartly, "stopped, kept as changed after the backup, a\nfailure half-way, or the question answered no"},
        {kCommandNothingDone, "also a journal or backup that could not be written\nor read back"},
        {kCommandBusy, "the cds folder or the database (see --wait)"}};
    return help;
}

}  // namespace batchdel
