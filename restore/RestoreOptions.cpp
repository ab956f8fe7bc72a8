#include "restore/RestoreOptions.h"

#include "cli/CommandLine.h"
#include "orders/CommandDays.h"

namespace batchdel {

RestoreOptions ParseRestoreOptions(const std::vector<std::string> &args) {
    const CommandLine line = ParseCommandLine(args, {{"--list"},
                                                     {"--dry-run"},
                                                     {"--force-pair"},
                                                     {"--default-missing-columns"},
                                                     {"--order", OptionValue::Required},
                                                     {"--from", OptionValue::Required},
                                                     {"--to", OptionValue::Required},
                                                     {"--database", OptionValue::Required}});
    RestoreOptions options;
    options.help = line.help;
    options.version = line.version;
    for (const GivenOption &given : line.options) {
        const std::string &arg = given.name;
        const std::string text = given.value.value_or("");
        auto day = [&]() {
            const auto parsed = ParseCommandDay(text);
            if (!parsed) throw BadOptionValue(arg, text, "not a date YYYY/MM/DD");
            return *parsed;
        };
        if (arg == "--list")
            options.list = true;
        else if (arg == "--dry-run")
            options.dryRun = true;
        else if (arg == "--force-pair")
            options.forcePair = true;
        else if (arg == "--default-missing-columns")
            options.defaultMissingColumns = true;
        else if (arg == "--order")
            options.orders.push_back(text);
        else if (arg == "--from")
            options.fromDay = day();
        else if (arg == "--to")
            options.toDay = day();
        else if (arg == "--database")
            options.connectionFile = text;
    }
    if (options.help || options.version) return options;
    if (line.operands.size() != 2)
        throw ECommandRefused("Give the header file and the detail file of one backup (see --help)");
    options.headerFile = line.operands[0];
    options.detailFile = line.operands[1];
    return options;
}

CommandHelp RestoreHelp() {
    CommandHelp help;
    help.program = kRestoreProgram;
    help.synopses = {"[OPTION]... HEADER-FILE DETAIL-FILE"};
    help.description = R"(Puts orders from a backup pair of batchdel (cds/ORDER_MASTER_<time>.CDS and
cds/ORDER_SUB<time>.CDS) back into the database: each order whole, header
and lines, or not at all. An order whose number is already in the database
is skipped and listed, never overwritten. Without --order, --from and --to
every order of the backup is restored.
)";
    help.sections = {{"Choosing",
                      {{"--order NUMBER", "restore this order (may be given many times)"},
                       {"--from YYYY/MM/DD", "restore the orders with BILL_DATE on or after this day"},
                       {"--to YYYY/MM/DD", "... on or before this day"}}},
                     {"Restoring",
                      {{"--list", "list the orders of the backup (number, date,\ncustomer, lines) and write nothing"},
                       {"--dry-run", "say what would be restored and skipped; write nothing"},
                       {"--force-pair",
                        "accept a header and a detail file that do not carry\nthe same time in their names, or "
                        "lines whose order\nis not in the header file (those lines are left out)"},
                       {"--default-missing-columns",
                        "let columns of the tables that the backup lacks take\ntheir defaults "
                        "(without it such a backup is refused)"},
                       {"--database FILE",
                        "connection file to use instead of the program's\n(connections.ini beside the "
                        "program, or where the\nDataDriver settings point); its section Trelvo is used"}}}};
    help.notes = R"(Each restored order is appended to cds/deletions.log, when that journal
exists, after its batch is committed. SIGINT or SIGTERM stops the restore
after the round trips in flight, keeping what is committed; a second one
ends it at once.
)";
    help.statuses = {{kCommandDone, ""},
                     {kCommandPartly,
                      "orders failed, were skipped as already in the\ndatabase otherwise, or are not "
                      "in the backup"},
                     {kCommandNothingDone,
                      "also a backup file that does not belong to the\nother, a column the table "
                      "or the backup lacks"}};
    return help;
}

}  // namespace batchdel
