#include "RestoreOptions.h"

#include "CommandDays.h"
#include "RestoreErrors.h"

RestoreOptions ParseRestoreOptions(const std::vector<std::string> &args) {
    RestoreOptions options;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&]() -> const std::string & {
            if (i + 1 >= args.size()) throw ERestoreRefused("Option " + arg + " needs a value");
            return args[++i];
        };
        auto day = [&]() {
            const std::string &text = value();
            const auto parsed = ParseCommandDay(text);
            if (!parsed) throw ERestoreRefused("Option " + arg + ": \"" + text + "\" is not a date YYYY/MM/DD");
            return *parsed;
        };
        if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--version")
            options.version = true;
        else if (arg == "--list")
            options.list = true;
        else if (arg == "--dry-run")
            options.dryRun = true;
        else if (arg == "--force-pair")
            options.forcePair = true;
        else if (arg == "--default-missing-columns")
            options.defaultMissingColumns = true;
        else if (arg == "--order")
            options.orders.push_back(value());
        else if (arg == "--from")
            options.fromDay = day();
        else if (arg == "--to")
            options.toDay = day();
        else if (arg == "--database")
            options.connectionFile = value();
        else if (arg.size() > 1 && arg[0] == '-' && arg != "--")
            throw ERestoreRefused("Unknown option " + arg);
        else if (arg == "--")
            for (++i; i < args.size(); ++i) files.push_back(args[i]);
        else
            files.push_back(arg);
    }
    if (options.help || options.version) return options;
    if (files.size() != 2) throw ERestoreRefused("Give the header file and the detail file of one backup (see --help)");
    options.headerFile = files[0];
    options.detailFile = files[1];
    return options;
}

std::string RestoreUsage() {
    return R"(Usage: batchdel-restore [OPTION]... HEADER-FILE DETAIL-FILE

Puts orders from a backup pair of batchdel (cds/ORDER_MASTER_<time>.CDS and
cds/ORDER_SUB<time>.CDS) back into the database: each order whole, header
and lines, or not at all. An order whose number is already in the database
is skipped and listed, never overwritten.

  --list             list the orders of the backup (number, date, customer,
                     lines) and write nothing
  --dry-run          say what would be restored and skipped; write nothing
  --order NUMBER     restore this order (may be given many times)
  --from YYYY/MM/DD  restore the orders with BILL_DATE on or after this day
  --to YYYY/MM/DD    ... on or before this day
  --database FILE    connection file to use instead of the program's
                     (connections.ini beside the program, or where the
                     DataDriver settings point); its section Trelvo is used
  --force-pair       accept a header and a detail file that do not carry
                     the same time in their names, or lines whose order is
                     not in the header file (those lines are left out)
  --default-missing-columns
                     let columns of the tables that the backup lacks take
                     their defaults (without it such a backup is refused)
  --help             show this text
  --version          show the version of batchdel-restore

Without --order, --from and --to every order of the backup is restored.
Exit status: 0 when everything asked for was restored (or would be, with
--dry-run), 1 when some orders were not, 2 when nothing was done (bad
arguments, a backup file that cannot be read or does not belong to the
other, a column the table or the backup lacks, no connection).
)";
}
