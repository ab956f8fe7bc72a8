// batchdel-purge run as the real program in a child process, on the
// embedded engine and on the loopback server: its refusals, the dry run,
// the purge with a backup that batchdel-restore undoes, --limit, the
// question on a terminal and a stop by SIGTERM half-way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <csignal>
#include <ctime>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <regex>
#include <thread>
#include <unistd.h>

#include "data/sql/ConfigLocation.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "orders/OrderConnection.h"
#include "purge/PurgeOptions.h"
#include "tests/support/JournalNumbers.h"
#include "tests/support/TestSupport.h"
#include "tools/DemoDatabase.h"
#include "workflow/QueryText.h"

using namespace batchdel;

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

using CommandRun = ProgramRun;

// A copy of the commands in a folder of their own, so that their cds/
// folder (backups and journal) is the test's.
class ProgramFolderCopy {
public:
    explicit ProgramFolderCopy(const std::string &folder) : folder_(folder + "/") {
        fs::create_directories(folder_);
        for (const char *file : {"batchdel-purge", "batchdel-restore", "libibdriver.so", "drivers.ini"})
            fs::copy_file(ProgramFolder() + file, folder_ + file);
    }
    const std::string &Folder() const { return folder_; }
    std::string Cds(const std::string &name = {}) const { return folder_ + "cds/" + name; }

    // The command with these arguments; standard input is no terminal.
    CommandRun Run(const char *command, const std::vector<std::string> &args,
                   const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) const {
        return RunProgram(folder_ + command, args, environment);
    }

private:
    std::string folder_;
};

// Standard error without the scheduler's log lines ("batchdel-purge: TIME
// start: ...", "progress:", "end:").
std::string WithoutLogLines(const std::string &text) {
    static const std::regex logLine("batchdel-purge: [0-9]{4}-[0-9]{2}-[0-9]{2}T[^ ]+ (start|progress|end): .*");
    std::string kept;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!std::regex_match(line, logLine)) kept += line + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return kept;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// --- Refusals: nothing is connected to, nothing written. ---

struct RefusalCase {
    const char *name;
    std::vector<std::string> args;
    const char *message;  // part of the one line on standard error
};

class PurgeRefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(PurgeRefusalTest, ExitsWithStatus2AndOneLineNamingTheArgument) {
    TempDir dir;
    const ProgramFolderCopy program(dir.path() + "/program");
    std::vector<std::string> args = GetParam().args;
    args.insert(args.begin(), {"--database", dir.file("connections.ini")});
    const CommandRun run = program.Run("batchdel-purge", args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_THAT(run.err, HasSubstr(GetParam().message));
    EXPECT_FALSE(fs::exists(program.Cds()));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PurgeRefusalTest,
    testing::Values(RefusalCase{"NoBackupChoice", {"--to", "3y"}, "--backup or --no-backup"},
                    RefusalCase{"BothBackupChoices", {"--to", "3y", "--backup", "--no-backup"}, "--no-backup"},
                    RefusalCase{"DayThatDoesNotExist", {"--to", "2023/02/29", "--no-backup"}, "\"2023/02/29\""},
                    RefusalCase{"MonthThirteen", {"--from", "2023/13/01", "--to", "1y", "--no-backup"}, "--from"},
                    RefusalCase{"AgeThatDoesNotParse", {"--to", "3 years", "--no-backup"}, "\"3 years\""},
                    RefusalCase{"FromAfterTo",
                                {"--from", "2024/05/01", "--to", "2024/04/30", "--dry-run"},
                                "--from: 2024/05/01 is after --to 2024/04/30"},
                    RefusalCase{"FromWithoutTo", {"--from", "2024/05/01", "--dry-run"}, "--from needs --to"},
                    RefusalCase{"CustomerRangeWithOneEnd",
                                {"--customer-from", "C0001", "--dry-run"},
                                "--customer-from needs --customer-to"},
                    RefusalCase{"DepartmentRangeWithOneEnd",
                                {"--department-to", "D02", "--dry-run"},
                                "--department-to needs --department-from"},
                    RefusalCase{"EmptyCode",
                                {"--customer-from", "", "--customer-to", "C1", "--dry-run"},
                                "--customer-from needs a value"},
                    RefusalCase{"MissingValue", {"--dry-run", "--to"}, "--to needs a value"},
                    RefusalCase{"LimitZero", {"--dry-run", "--limit", "0"}, "--limit: \"0\""},
                    RefusalCase{"RateNotANumber", {"--no-backup", "--max-rate", "fast"}, "--max-rate: \"fast\""},
                    // A pause for one order at this rate fits no clock.
                    RefusalCase{"RateTooSlowToHonour",
                                {"--no-backup", "--max-rate", "1e-300"},
                                "--max-rate: \"1e-300\" is slower than the slowest rate honoured"},
                    RefusalCase{"UnknownOption", {"--dry-run", "--older-than", "3y"}, "Unknown option --older-than"},
                    RefusalCase{"StrayArgument", {"--dry-run", "3y"}, "\"3y\""},
                    // Every order only when written out.
                    RefusalCase{"NoFilter", {"--no-backup"}, "or --all to take every order"},
                    RefusalCase{"NoFilterInADryRun", {"--dry-run", "--list"}, "or --all to take every order"},
                    RefusalCase{"OnlyLimitAndRate", {"--backup", "--limit", "5", "--max-rate", "9"}, "--all"},
                    RefusalCase{"AllBesideAFilter", {"--no-backup", "--all", "--to", "1y"}, "Option --all"},
                    RefusalCase{"AllTakesNoValue", {"--no-backup", "--all=yes"}, "--all takes no value"},
                    RefusalCase{"WaitNotSeconds", {"--no-backup", "--all", "--wait=soon"}, "--wait: \"soon\""},
                    RefusalCase{"NoConnection", {"--dry-run", "--all"}, "connections.ini"}),
    [](const testing::TestParamInfo<RefusalCase> &param) { return std::string(param.param.name); });

TEST(PurgeHelpTest, HelpAndVersionNeedNoDatabase) {
    TempDir dir;
    const ProgramFolderCopy program(dir.path() + "/program");
    const CommandRun help = program.Run("batchdel-purge", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: batchdel-purge"));
    EXPECT_THAT(help.out, HasSubstr("--max-rate N"));
    const CommandRun version = program.Run("batchdel-purge", {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_THAT(version.out, testing::MatchesRegex("batchdel-purge [0-9.]+\n"));
}

// --- Runs on a database, embedded (false) and on the server (true). ---

// An order of a late number billed early, so that oldest-first differs from
// number order; and one billed late with no lines.
const std::vector<std::string> kReorderedOrders = {
    "UPDATE ORDER_MASTER SET BILL_DATE = '2023-12-01', REMARK = '急件''特\t\"別\"' WHERE MASTERBILLID = 'SO00000050'",
    "DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000003'",
};

class PurgeRunTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) {
            BATCHDEL_REQUIRE_TEST_SERVER();
            server_ = std::make_unique<ServerDatabase>("purge");
            database = server_->connectString();
            CreateDemoDatabase(database, kOrders, 1, TestServerLogin());
        } else {
            database = MakeTestDatabase(dir, kOrders);
        }
        ExecuteSql(database, kReorderedOrders, LoginFor(database));
        WriteConfigFiles(dir.path(), database);
        program = std::make_unique<ProgramFolderCopy>(dir.path() + "/program");
    }

    CommandRun Purge(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--database", dir.file("connections.ini")});
        return program->Run("batchdel-purge", args);
    }

    // Every row of both tables, in a fixed order, each value as text.
    std::vector<std::vector<std::string>> Tables() const {
        auto rows = QueryRows(database, "SELECT * FROM ORDER_MASTER ORDER BY MASTERBILLID");
        rows.push_back({"--"});
        for (auto &row : QueryRows(database, "SELECT * FROM ORDER_SUB ORDER BY MASTERBILLID, LINE_NO"))
            rows.push_back(std::move(row));
        return rows;
    }
    std::set<std::string> OrderNumbers(const std::string &sql) const {
        std::set<std::string> numbers;
        for (const auto &row : QueryRows(database, sql)) numbers.insert(row.at(0));
        return numbers;
    }
    std::set<std::string> Orders() const { return OrderNumbers("SELECT MASTERBILLID FROM ORDER_MASTER"); }
    // Lines per order, for checking that orders are whole.
    std::map<std::string, int64_t> LinesPerOrder() const {
        std::map<std::string, int64_t> lines;
        for (const auto &row : QueryRows(database, "SELECT MASTERBILLID, COUNT(*) FROM ORDER_SUB GROUP BY 1"))
            lines[row.at(0)] = std::stoll(row.at(1));
        return lines;
    }
    // The orders of the journal's lines (the header line left out).
    std::vector<std::string> JournalOrders() const {
        std::string header;
        std::vector<std::string> orders = JournalOrderNumbers(program->Cds("deletions.log"), &header);
        EXPECT_EQ(header + "\n", kJournalHead);
        return orders;
    }
    size_t JournalLinesSoFar() const {
        std::ifstream in(program->Cds("deletions.log"));
        size_t lines = 0;
        for (std::string line; std::getline(in, line);) ++lines;
        return lines;
    }
    std::vector<std::string> CdsFiles(const char *prefix) const {
        std::vector<std::string> files;
        if (!fs::exists(program->Cds())) return files;
        for (const auto &entry : fs::directory_iterator(program->Cds()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0) files.push_back(entry.path().string());
        return files;
    }

    static constexpr int kOrders = 120;
    static constexpr const char *kJournalHead = "time\tMASTERBILLID\tORDER_SUB lines\tbackup\tdatabase\tuser\n";
    TempDir dir;
    std::string database;
    std::unique_ptr<ProgramFolderCopy> program;

private:
    std::unique_ptr<ServerDatabase> server_;
};

TEST_P(PurgeRunTest, ADryRunCountsAndListsOldestFirstAndWritesNothing) {
    const auto before = Tables();
    const CommandRun run = Purge({"--dry-run", "--list", "--to", "2024/01/31"});
    EXPECT_EQ(run.status, 0) << run.err;
    auto lines = Lines(run.out);
    ASSERT_GE(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], "Selection: bill dates 0001/01/01 to 2024/01/31, every customer, every department");
    lines.erase(lines.begin());
    EXPECT_EQ(lines[0], "MASTERBILLID\tBILL_DATE\tlines");
    EXPECT_EQ(lines[1], "SO00000050\t2023/12/01\t" +
                            std::to_string(CountRows(
                                database, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000050'")));
    EXPECT_EQ(lines[2].substr(0, 11), "SO00000001\t");
    const int64_t orders = CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER WHERE BILL_DATE <= '2024-01-31'");
    const int64_t detail = CountRows(database,
                                     "SELECT COUNT(*) FROM ORDER_SUB S JOIN ORDER_MASTER M ON M.MASTERBILLID ="
                                     " S.MASTERBILLID WHERE M.BILL_DATE <= '2024-01-31'");
    EXPECT_EQ(lines.size(), static_cast<size_t>(orders) + 2) << run.out;
    EXPECT_THAT(lines.back(),
                HasSubstr(std::to_string(orders) + " orders (" + std::to_string(detail) + " lines) would be deleted"));
    EXPECT_THAT(lines.back(), HasSubstr("nothing was written"));
    // An order number holding a tab or a quote stays one field, quoted as
    // the journal quotes it.
    ExecuteSql(database, {"INSERT INTO ORDER_MASTER (MASTERBILLID, BILL_DATE) VALUES ('SO\t\"X\"', '2001-01-01')"},
               LoginFor(database));
    const CommandRun odd = Purge({"--dry-run", "--list", "--to", "2001/01/01"});
    EXPECT_EQ(odd.status, 0) << odd.err;
    EXPECT_THAT(odd.out, HasSubstr("\n\"SO\t\"\"X\"\"\"\t2001/01/01\t0\n"));
    ExecuteSql(database, {"DELETE FROM ORDER_MASTER WHERE BILL_DATE = '2001-01-01'"}, LoginFor(database));
    // A quote in a code is compared as typed, and selects nothing here.
    const CommandRun quoted = Purge({"--dry-run", "--customer-from", "O'B", "--customer-to", "O'B"});
    EXPECT_EQ(quoted.status, 0) << quoted.err;
    EXPECT_THAT(quoted.out, HasSubstr("select no orders"));
    EXPECT_EQ(Tables(), before);
    EXPECT_FALSE(fs::exists(program->Cds()));
}

TEST_P(PurgeRunTest, APurgeWithABackupDeletesWhatTheWindowSelectsAndRestoreBringsItBack) {
    const auto before = Tables();
    const std::set<std::string> all = Orders();
    // The window's list query for the same boxes.
    const FilterCriteria boxes{"2024/01/01", "2024/09/30", "C0001", "C0150", "D01", "D05"};
    const std::set<std::string> windowSelects = OrderNumbers(BuildFilteredQuery(kListQueryHead, boxes));
    ASSERT_GT(windowSelects.size(), 5u);
    ASSERT_LT(windowSelects.size(), all.size() - 5);

    const CommandRun run = Purge({"--backup", "--from", "2024/01/01", "--to", "2024/09/30", "--customer-from", "C0001",
                                  "--customer-to", "C0150", "--department-from", "D01", "--department-to", "D05"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::set<std::string> deleted;
    std::set_difference(all.begin(), all.end(), Orders().begin(), Orders().end(),
                        std::inserter(deleted, deleted.end()));
    EXPECT_EQ(deleted, windowSelects);
    EXPECT_EQ(CountRows(database,
                        "SELECT COUNT(*) FROM ORDER_SUB S WHERE NOT EXISTS (SELECT 1 FROM ORDER_MASTER M"
                        " WHERE M.MASTERBILLID = S.MASTERBILLID)"),
              0);
    EXPECT_THAT(run.out, HasSubstr(std::to_string(windowSelects.size()) + " orders ("));
    EXPECT_THAT(run.out, HasSubstr("0 kept because they changed after the backup"));

    const auto headers = CdsFiles("ORDER_MASTER_");
    const auto details = CdsFiles("ORDER_SUB");
    ASSERT_EQ(headers.size(), 1u);
    ASSERT_EQ(details.size(), 1u);
    EXPECT_THAT(run.out, HasSubstr("backup: " + headers[0] + " " + details[0]));
    EXPECT_THAT(run.out, HasSubstr("journal: " + program->Cds("deletions.log")));
    const auto journal = JournalOrders();
    EXPECT_EQ(std::set<std::string>(journal.begin(), journal.end()), windowSelects);
    EXPECT_EQ(journal.size(), windowSelects.size());

    const CommandRun restore =
        program->Run("batchdel-restore", {"--database", dir.file("connections.ini"), headers[0], details[0]});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_EQ(Tables(), before);
}

TEST_P(PurgeRunTest, LimitTakesTheOldestOrdersAndALaterRunTheNext) {
    const CommandRun first = Purge({"--no-backup", "--limit", "4", "--to", "2024/12/31"});
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_THAT(first.out, HasSubstr("4 orders ("));
    EXPECT_THAT(first.out, HasSubstr("backup: none"));
    EXPECT_EQ(JournalOrders(), (std::vector<std::string>{"SO00000050", "SO00000001", "SO00000002", "SO00000003"}));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders - 4));

    const CommandRun second = Purge({"--backup", "--limit", "2", "--to", "2024/12/31"});
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_EQ(JournalOrders(), (std::vector<std::string>{"SO00000050", "SO00000001", "SO00000002", "SO00000003",
                                                         "SO00000004", "SO00000005"}));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders - 6));
    // The backup reaches only as far as the newest order taken.
    const auto headers = CdsFiles("ORDER_MASTER_");
    const auto details = CdsFiles("ORDER_SUB");
    ASSERT_EQ(headers.size(), 1u);
    ASSERT_EQ(details.size(), 1u);
    const CommandRun list = program->Run("batchdel-restore", {"--list", headers[0], details[0]});
    EXPECT_THAT(list.out, HasSubstr("SO00000005\t"));
    EXPECT_THAT(list.out, testing::Not(HasSubstr("SO00000010")));
}

// On a terminal the purge asks first; "y" goes on, anything else deletes
// nothing. (script gives the command a terminal.)
TEST_P(PurgeRunTest, OnATerminalOnlyYesDeletes) {
    const auto onTerminal = [&](const std::string &answer) {
        QProcess process;
        const std::string command = "'" + program->Folder() + "batchdel-purge' --database '" +
                                    dir.file("connections.ini") + "' --no-backup --to 2024/12/31 --limit 3";
        process.start(QStringLiteral("script"),
                      {QStringLiteral("-qec"), QString::fromStdString(command), QStringLiteral("/dev/null")});
        process.write(QByteArray::fromStdString(answer + "\n"));
        process.closeWriteChannel();
        return FinishProgram(process, "script");
    };
    const CommandRun no = onTerminal("n");
    EXPECT_EQ(no.status, 1) << no.out;
    EXPECT_THAT(no.out, HasSubstr("Delete 3 orders"));
    EXPECT_THAT(no.out, HasSubstr("Nothing was deleted"));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders));

    const CommandRun yes = onTerminal("y");
    EXPECT_EQ(yes.status, 0) << yes.out;
    EXPECT_THAT(yes.out, HasSubstr("3 orders ("));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders - 3));
}

TEST_P(PurgeRunTest, FiltersSelectingNothingEndWithStatus0AndSaySo) {
    const auto before = Tables();
    const CommandRun run = Purge({"--backup", "--from", "2020/01/01", "--to", "2020/12/31"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("The filters select no orders; nothing was deleted"));
    EXPECT_EQ(Tables(), before);
}

TEST_P(PurgeRunTest, SigtermHalfWayLeavesWholeOrdersAndAJournalThatMatchesTheDatabase) {
    const std::set<std::string> all = Orders();
    const std::map<std::string, int64_t> linesBefore = LinesPerOrder();
    // At 30 orders a second the 120 orders take four seconds.
    QProcess process;
    process.start(QString::fromStdString(program->Folder() + "batchdel-purge"),
                  Arguments({"--database", dir.file("connections.ini"), "--no-backup", "--all", "--max-rate", "30"}));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForStarted());
    // Stopped once some orders are journalled.
    for (int wait = 0; wait < 200 && JournalLinesSoFar() < 10; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    const CommandRun run = FinishProgram(process, "batchdel-purge");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr("stopped"));
    EXPECT_THAT(run.out, HasSubstr("orders ("));

    const std::set<std::string> left = Orders();
    EXPECT_GT(left.size(), 0u);
    EXPECT_LT(left.size(), all.size());
    std::set<std::string> gone;
    std::set_difference(all.begin(), all.end(), left.begin(), left.end(), std::inserter(gone, gone.end()));
    const auto journal = JournalOrders();
    EXPECT_EQ(std::set<std::string>(journal.begin(), journal.end()), gone);
    // Every order is whole or gone: what is left has all its lines, and no
    // line is left of an order that went.
    const std::map<std::string, int64_t> linesAfter = LinesPerOrder();
    for (const std::string &order : left) {
        const auto before = linesBefore.find(order);
        const auto after = linesAfter.find(order);
        EXPECT_EQ(before == linesBefore.end() ? 0 : before->second, after == linesAfter.end() ? 0 : after->second)
            << order;
    }
    for (const auto &[order, lines] : linesAfter) EXPECT_TRUE(left.count(order)) << order;
}

TEST_P(PurgeRunTest, AJournalThatCannotBeWrittenStopsThePurgeBeforeTheBackup) {
    const auto before = Tables();
    std::ofstream(program->Cds().substr(0, program->Cds().size() - 1)) << "a file where the folder belongs";
    const CommandRun run = Purge({"--backup", "--to", "2024/12/31"});
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr("the folder " + program->Cds().substr(0, program->Cds().size() - 1)));
    EXPECT_EQ(Tables(), before);
    // A journal that is a folder: refused after the start line, so the log
    // still ends with its end line and the summary names the refusal.
    fs::remove(program->Cds().substr(0, program->Cds().size() - 1));
    fs::create_directories(program->Cds("deletions.log"));
    const CommandRun journal = Purge({"--backup", "--to", "2024/12/31", "--json"});
    EXPECT_EQ(journal.status, 2) << journal.out << journal.err;
    EXPECT_THAT(journal.err, HasSubstr("deletions.log"));
    EXPECT_THAT(journal.err, HasSubstr("nothing was deleted"));
    EXPECT_EQ(Tables(), before);
    EXPECT_TRUE(std::regex_search(journal.err, std::regex(" end: started [^\n]*; 0 of [0-9]+ orders taken deleted "
                                                          "[^\n]*; status 2\n")))
        << journal.err;
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(journal.out));
    ASSERT_TRUE(json.isObject()) << journal.out;
    EXPECT_EQ(json.object()["status"].toInt(), 2);
    EXPECT_EQ(json.object()["deleted"].toInt(), 0);
    EXPECT_THAT(json.object()["failure"].toString().toStdString(), HasSubstr("deletions.log"));
}

// Another user's lock needs a second connection to the same database: the
// server's only.
TEST_P(PurgeRunTest, AnOrderLockedByAnotherUserStopsThePurgeWithTheServersMessage) {
    if (GetParam() == Backend::Embedded) GTEST_SKIP() << "an embedded database has one user";
    WriteConfigFiles(dir.path(), database, {"WaitOnLocks=False"});
    TSQLConnection other("OtherUser");
    SetUpOrderConnection(other, dir.file("connections.ini"), program->Folder() + "drivers.ini");
    other.StartTransaction();
    TSQLQuery change("Change");
    change.SetSQLConnection(&other);
    change.AddSQL("UPDATE ORDER_MASTER SET REMARK = 'mine' WHERE MASTERBILLID = 'SO00000003'");
    ASSERT_EQ(change.Execute(), 1);

    const CommandRun run = Purge({"--no-backup", "--to", "2024/12/31", "--limit", "6"});
    other.Rollback();
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr("update conflicts with concurrent update"));
    EXPECT_THAT(run.out, HasSubstr("3 orders ("));
    EXPECT_EQ(JournalOrders(), (std::vector<std::string>{"SO00000050", "SO00000001", "SO00000002"}));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders - 3));
}

// With standard input a terminal and standard error a file, the question
// goes to the terminal itself, where the person sees it.
TEST_P(PurgeRunTest, TheQuestionGoesToTheTerminalWhenStandardErrorIsAFile) {
    const std::string errFile = dir.file("err.txt");
    QProcess process;
    const std::string command = "'" + program->Folder() + "batchdel-purge' --database '" + dir.file("connections.ini") +
                                "' --no-backup --to 2024/12/31 --limit 3 2>'" + errFile + "'";
    process.start(QStringLiteral("script"),
                  {QStringLiteral("-qec"), QString::fromStdString(command), QStringLiteral("/dev/null")});
    process.write("n\n");
    process.closeWriteChannel();
    const CommandRun run = FinishProgram(process, "script");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("Delete 3 orders"));
    EXPECT_THAT(run.out, HasSubstr("Nothing was deleted"));
    std::ifstream in(errFile);
    const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_THAT(err, testing::Not(HasSubstr("Delete 3 orders")));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders));
}

// A purge's query reads the same whatever the locale: a right-to-left one
// whose date separator the database refuses, and the Taiwanese one.
TEST_P(PurgeRunTest, ThePurgeSelectsTheSameOrdersInEveryLocale) {
    const int64_t january =
        CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER WHERE BILL_DATE BETWEEN '2024-01-01' AND '2024-01-31'");
    ASSERT_GT(january, 0);
    int64_t deleted = 0;
    for (const char *locale : {"ar_EG.UTF-8", "zh_TW.UTF-8"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        const CommandRun dry =
            program->Run("batchdel-purge",
                         {"--database", dir.file("connections.ini"), "--dry-run", "--to", "2024/01/31"}, environment);
        EXPECT_EQ(dry.status, 0) << locale << dry.err;
        EXPECT_THAT(dry.out, HasSubstr("bill dates 0001/01/01 to 2024/01/31")) << locale;
        const CommandRun run = program->Run("batchdel-purge",
                                            {"--database", dir.file("connections.ini"), "--backup", "--from",
                                             "2024/01/01", "--to", "2024/01/31", "--limit", "2"},
                                            environment);
        EXPECT_EQ(run.status, 0) << locale << run.out << run.err;
        EXPECT_THAT(run.out, HasSubstr("2 orders (")) << locale;
        deleted += 2;
    }
    EXPECT_EQ(
        CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER WHERE BILL_DATE BETWEEN '2024-01-01' AND '2024-01-31'"),
        january - deleted);
}

// The journal's folder moved away half-way: the stop message's counts and
// order numbers are checked against the journal left behind and the database.
TEST_P(PurgeRunTest, AJournalLostHalfWaySaysExactlyWhatIsDeletedAndJournalled) {
    const std::set<std::string> all = Orders();
    QProcess process;
    process.start(QString::fromStdString(program->Folder() + "batchdel-purge"),
                  Arguments({"--database", dir.file("connections.ini"), "--no-backup", "--all", "--max-rate", "30"}));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForStarted());
    for (int wait = 0; wait < 200 && JournalLinesSoFar() < 10; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string moved = dir.path() + "/cds-moved";
    fs::rename(program->Cds(), moved);
    const CommandRun run = FinishProgram(process, "batchdel-purge");
    EXPECT_EQ(run.status, 1) << run.out << run.err;

    std::set<std::string> gone;
    const std::set<std::string> left = Orders();
    std::set_difference(all.begin(), all.end(), left.begin(), left.end(), std::inserter(gone, gone.end()));
    std::vector<std::string> journalled;
    {
        std::ifstream in(moved + "/deletions.log");
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            const size_t number = line.find('\t') + 1;
            journalled.push_back(line.substr(number, line.find('\t', number) - number));
        }
    }
    std::string unjournalled;
    for (const std::string &order : gone)
        if (std::find(journalled.begin(), journalled.end(), order) == journalled.end()) unjournalled += " " + order;
    ASSERT_FALSE(unjournalled.empty());
    const std::string journal = program->Cds("deletions.log");
    EXPECT_EQ(WithoutLogLines(run.err),
              "batchdel-purge: stopped: the journal " + journal +
                  " cannot be written (No such file or directory)\n"
                  "batchdel-purge: " +
                  std::to_string(gone.size()) + " orders are deleted; " + std::to_string(journalled.size()) +
                  " of them are in the journal, " + std::to_string(gone.size() - journalled.size()) +
                  " are not:" + unjournalled + "\nbatchdel-purge: " + std::to_string(left.size()) +
                  " orders taken are not deleted\n");
}

// Without a terminal the log lines a scheduler keeps, and the summary as
// JSON, read back by a program.
TEST_P(PurgeRunTest, LogLinesAndTheJsonSummaryReadBack) {
    const int64_t selected = CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER WHERE BILL_DATE <= '2024-12-31'");
    const CommandRun run = Purge({"--backup", "--to", "2024/12/31", "--limit", "5", "--json"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const auto lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    const std::string time = "([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{4})";
    std::smatch start, end;
    ASSERT_TRUE(std::regex_match(lines[0], start,
                                 std::regex("batchdel-purge: " + time +
                                            " start: database (.+); bill dates 0001/01/01 "
                                            "to 2024/12/31, every customer, every department; cut-off day "
                                            "2024/12/31; backup; limit 5; 5 orders taken of ([0-9]+) selected")))
        << lines[0];
    EXPECT_EQ(start[3].str(), std::to_string(selected));
    ASSERT_TRUE(std::regex_match(lines[1], end,
                                 std::regex("batchdel-purge: " + time + " end: started " + time +
                                            "; 5 of 5 orders taken deleted \\(([0-9]+) lines\\) in .* s, .* orders/s; "
                                            "0 kept; ([0-9]+) left for a later run; backup (.+) (.+); journal (.+); "
                                            "status 0")))
        << lines[1];
    EXPECT_EQ(end[2].str(), start[1].str());
    EXPECT_EQ(end[4].str(), std::to_string(selected - 5));
    EXPECT_EQ(end[7].str(), program->Cds("deletions.log"));

    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out));
    ASSERT_TRUE(json.isObject()) << run.out;
    const QJsonObject summary = json.object();
    EXPECT_EQ(summary["status"].toInt(), 0);
    EXPECT_EQ(summary["deleted"].toInt(), 5);
    EXPECT_EQ(summary["taken"].toInt(), 5);
    EXPECT_EQ(summary["selected"].toInt(), selected);
    EXPECT_EQ(summary["left_for_later"].toInt(), selected - 5);
    EXPECT_EQ(summary["not_deleted"].toInt(), 0);
    EXPECT_FALSE(summary["stopped"].toBool());
    EXPECT_TRUE(summary["failure"].isNull());
    EXPECT_EQ(summary["lines_deleted"].toInt(), std::stoll(end[3].str()));
    EXPECT_EQ(summary["database"].toString().toStdString(), start[2].str());
    EXPECT_EQ(summary["journal"].toString().toStdString(), program->Cds("deletions.log"));
    EXPECT_EQ(summary["backup"].toArray().at(0).toString().toStdString(), end[5].str());
    EXPECT_EQ(summary["started"].toString().toStdString(), start[1].str());
    EXPECT_EQ(JournalOrders().size(), 5u);
}

// --keep-backups removes the pairs older than the age after a whole run,
// never this run's nor a younger one; the journal keeps its lines.
TEST_P(PurgeRunTest, KeepBackupsRemovesOnlyPairsOlderThanTheAge) {
    fs::create_directories(program->Cds());
    const std::vector<std::string> old = {program->Cds("ORDER_MASTER_20200101030000.CDS"),
                                          program->Cds("ORDER_SUB20200101030000.CDS")};
    char younger[16];
    const std::time_t now = std::time(nullptr) - 86400;
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(younger, sizeof younger, "%Y%m%d%H%M%S", &local);
    const std::vector<std::string> kept = {program->Cds(std::string("ORDER_MASTER_") + younger + ".CDS"),
                                           program->Cds(std::string("ORDER_SUB") + younger + ".CDS")};
    for (const auto &file : {old[0], old[1], kept[0], kept[1]}) std::ofstream(file) << "x";
    const CommandRun first = Purge({"--no-backup", "--to", "2024/12/31", "--limit", "2"});
    ASSERT_EQ(first.status, 0) << first.err;

    const CommandRun run = Purge({"--backup", "--to", "2024/12/31", "--limit", "3", "--keep-backups", "30d"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("removed old backup: " + old[0] + "\nremoved old backup: " + old[1] + "\n"));
    EXPECT_FALSE(fs::exists(old[0]));
    EXPECT_FALSE(fs::exists(old[1]));
    EXPECT_TRUE(fs::exists(kept[0]));
    EXPECT_TRUE(fs::exists(kept[1]));
    // This run's pair, beside the younger one.
    EXPECT_EQ(CdsFiles("ORDER_MASTER_").size(), 2u);
    EXPECT_EQ(CdsFiles("ORDER_SUB").size(), 2u);
    EXPECT_EQ(JournalOrders().size(), 5u);
}

// One run at a time: a second run on the same database, from the same
// folder or another, ends with status 3 naming the first run's
// process; with --wait it runs once the first is done.
TEST_P(PurgeRunTest, ASecondRunIsRefusedWhileTheFirstHoldsTheLockOrWaitsForIt) {
    QProcess first;
    first.start(QString::fromStdString(program->Folder() + "batchdel-purge"),
                Arguments({"--database", dir.file("connections.ini"), "--no-backup", "--all", "--max-rate", "30"}));
    first.closeWriteChannel();
    ASSERT_TRUE(first.waitForStarted());
    for (int wait = 0; wait < 200 && JournalLinesSoFar() < 3; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string holder = "process " + std::to_string(first.processId()) + ", started ";

    const CommandRun second = Purge({"--no-backup", "--to", "2024/12/31"});
    EXPECT_EQ(second.status, 3) << second.out << second.err;
    EXPECT_THAT(second.err, HasSubstr("another run is using the database "));
    EXPECT_THAT(second.err, HasSubstr(holder));
    EXPECT_THAT(second.err, HasSubstr("nothing was done"));

    const ProgramFolderCopy other(dir.path() + "/other");
    const CommandRun elsewhere =
        other.Run("batchdel-purge", {"--database", dir.file("connections.ini"), "--dry-run", "--to", "2024/12/31"});
    EXPECT_EQ(elsewhere.status, 3) << elsewhere.out << elsewhere.err;
    EXPECT_THAT(elsewhere.err, HasSubstr("the database "));
    EXPECT_THAT(elsewhere.err, HasSubstr(holder));

    const CommandRun waited = Purge({"--no-backup", "--all", "--wait=60"});
    const CommandRun firstRun = FinishProgram(first, "batchdel-purge");
    EXPECT_EQ(firstRun.status, 0) << firstRun.out << firstRun.err;
    EXPECT_EQ(waited.status, 0) << waited.out << waited.err;
    EXPECT_THAT(waited.out, HasSubstr("The filters select no orders"));
    EXPECT_EQ(Orders().size(), 0u);
    EXPECT_EQ(JournalOrders().size(), static_cast<size_t>(kOrders));
}

// A lock file left by a run that died (the kernel's lock gone with it) is
// taken over, and the run says whose it was.
TEST_P(PurgeRunTest, ALockLeftByADeadRunIsTakenOver) {
    fs::create_directories(program->Cds());
    std::ofstream(program->Cds("purge.lock")) << "process 999999999, started 2020-01-01T00:00:00+0000\n";
    const CommandRun run = Purge({"--no-backup", "--to", "2024/12/31", "--limit", "2"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr("took over a lock left by a run that has ended (process 999999999"));
    EXPECT_EQ(Orders().size(), static_cast<size_t>(kOrders - 2));
    // A run that ended leaves the file empty.
    EXPECT_EQ(fs::file_size(program->Cds("purge.lock")), 0u);
}

// --- Every backup the journal names exists and holds its orders. ---

// The journal's lines as (order, backup pair) with the header line left out.
std::vector<std::pair<std::string, std::string>> JournalPairs(const std::string &journal) {
    std::ifstream in(journal);
    std::vector<std::pair<std::string, std::string>> lines;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> columns;
        for (size_t start = 0;;) {
            const size_t tab = line.find('\t', start);
            columns.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (columns.size() >= 4) lines.emplace_back(columns[1], columns[3]);
    }
    return lines;
}

// The pair a purge's summary names ("backup: <header> <detail>").
std::pair<std::string, std::string> SummaryPair(const std::string &out) {
    const size_t at = out.find("backup: ");
    if (at == std::string::npos) return {};
    const std::string line = out.substr(at + 8, out.find('\n', at) - at - 8);
    const size_t space = line.find(' ');
    return {line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)};
}

// Every journalled order is in the pair its line names, and every order of a
// pair is journalled with it: the pairs hold exactly what was deleted.
void ExpectJournalMatchesThePairs(const ProgramFolderCopy &program) {
    std::map<std::string, std::set<std::string>> journalled;
    for (const auto &[order, pair] : JournalPairs(program.Cds("deletions.log"))) journalled[pair].insert(order);
    ASSERT_FALSE(journalled.empty());
    for (const auto &[pair, orders] : journalled) {
        const size_t space = pair.find(' ');
        ASSERT_NE(space, std::string::npos) << pair;
        const CommandRun list = program.Run(
            "batchdel-restore", {"--list", program.Cds(pair.substr(0, space)), program.Cds(pair.substr(space + 1))});
        EXPECT_EQ(list.status, 0) << pair << ": " << list.err;
        std::set<std::string> held;
        const auto lines = Lines(list.out);
        for (size_t i = 1; i + 1 < lines.size(); ++i) held.insert(lines[i].substr(0, lines[i].find('\t')));
        EXPECT_EQ(held, orders) << pair;
    }
}

// Pairs of the coming seconds already in cds/, as shell loops of earlier
// runs leave them: each run of the loop takes a second of its own after
// them, whatever the clock does meanwhile.
TEST_P(PurgeRunTest, PurgesInALoopWithinASecondKeepEachItsOwnPairThatRestoresItsOrders) {
    fs::create_directories(program->Cds());
    std::map<std::string, std::string> earlier;
    const std::time_t now = std::time(nullptr);
    for (int second = 0; second < 4; ++second) {
        const std::time_t then = now + second;
        std::tm local{};
        localtime_r(&then, &local);
        char time[16];
        std::strftime(time, sizeof time, "%Y%m%d%H%M%S", &local);
        for (const std::string &name :
             {std::string("ORDER_MASTER_") + time + ".CDS", "ORDER_SUB" + std::string(time) + ".CDS"}) {
            earlier[name] = "an earlier run's " + name;
            std::ofstream(program->Cds(name)) << earlier[name];
        }
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<std::vector<std::string>> runOrders;
    for (int run = 0; run < 3; ++run) {
        const size_t journalled = fs::exists(program->Cds("deletions.log")) ? JournalOrders().size() : 0;
        const CommandRun purge = Purge({"--backup", "--yes", "--limit", "2", "--to", "2024/02/29"});
        ASSERT_EQ(purge.status, 0) << purge.out << purge.err;
        pairs.push_back(SummaryPair(purge.out));
        const auto journal = JournalOrders();
        runOrders.emplace_back(journal.begin() + static_cast<std::ptrdiff_t>(journalled), journal.end());
        EXPECT_EQ(runOrders.back().size(), 2u);
    }
    EXPECT_EQ(std::set(pairs.begin(), pairs.end()).size(), 3u);
    for (const auto &[name, content] : earlier) {
        std::ifstream in(program->Cds(name));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content) << name;
    }
    ExpectJournalMatchesThePairs(*program);

    // Each run's orders come back from its own pair.
    for (size_t run = 0; run < pairs.size(); ++run) {
        std::vector<std::string> args = {"--database", dir.file("connections.ini")};
        for (const std::string &order : runOrders[run]) args.insert(args.end(), {"--order", order});
        args.insert(args.end(), {pairs[run].first, pairs[run].second});
        const CommandRun restore = program->Run("batchdel-restore", args);
        EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
        for (const std::string &order : runOrders[run]) EXPECT_TRUE(Orders().count(order)) << order;
    }
}

// Two purges started at once on the same cds/ (two users of one server):
// the second waits for the first's lock, and each keeps its own pair.
TEST_P(PurgeRunTest, TwoPurgesStartedAtOnceEachKeepTheirOwnPair) {
    if (GetParam() == Backend::Embedded) GTEST_SKIP() << "an embedded database is held by one process";
    const auto start = [&](const char *from, const char *to) {
        auto process = std::make_unique<QProcess>();
        process->start(QString::fromStdString(program->Folder() + "batchdel-purge"),
                       Arguments({"--database", dir.file("connections.ini"), "--backup", "--yes", "--wait=120",
                                  "--from", from, "--to", to}));
        process->closeWriteChannel();
        return process;
    };
    auto first = start("2024/01/01", "2024/03/31");
    auto second = start("2024/04/01", "2024/06/30");
    const CommandRun one = FinishProgram(*first, "batchdel-purge");
    const CommandRun two = FinishProgram(*second, "batchdel-purge");
    ASSERT_EQ(one.status, 0) << one.out << one.err;
    ASSERT_EQ(two.status, 0) << two.out << two.err;
    EXPECT_NE(SummaryPair(one.out), SummaryPair(two.out));
    EXPECT_EQ(CdsFiles("ORDER_MASTER_").size(), 2u);
    EXPECT_EQ(CdsFiles("ORDER_SUB").size(), 2u);
    ExpectJournalMatchesThePairs(*program);
}

INSTANTIATE_TEST_SUITE_P(Backends, PurgeRunTest, BothBackends(), BackendCaseName);

// --- The right to delete, checked before anything is written. ---

// A user of the test server with SELECT on both tables and the grants of the
// case; dropped again when the object goes.
class ServerUser {
public:
    ServerUser(const std::string &database, const std::vector<std::string> &grants) : database_(database) {
        static int made = 0;
        name_ = "BATCHDEL_U" + std::to_string(::getpid()) + "_" + std::to_string(++made);
        std::vector<std::string> sql = {"CREATE USER " + name_ + " PASSWORD '" + kPassword + "'",
                                        "GRANT SELECT ON ORDER_MASTER TO " + name_,
                                        "GRANT SELECT ON ORDER_SUB TO " + name_};
        for (const std::string &grant : grants) sql.push_back(grant + " TO " + name_);
        ExecuteSql(database_, sql, TestServerLogin());
    }
    ~ServerUser() {
        try {
            ExecuteSql(database_, {"DROP USER " + name_}, TestServerLogin());
        } catch (...) {}
    }
    ServerUser(const ServerUser &) = delete;
    ServerUser &operator=(const ServerUser &) = delete;

    std::vector<std::string> ConnectionLines() const {
        return {"User_Name=" + name_, std::string("Password=") + kPassword};
    }

private:
    static constexpr const char *kPassword = "limited1";
    std::string database_, name_;
};

struct RightsCase {
    const char *name;
    std::vector<std::string> grants;  // beside SELECT on both tables
    std::vector<std::string> args;
    int status;
    const char *says;  // on standard error when refused, on standard output when not
};

void PrintTo(const RightsCase &c, std::ostream *os) { *os << c.name; }

class PurgeRightsTest : public testing::TestWithParam<RightsCase> {};

TEST_P(PurgeRightsTest, AUserWithoutTheRightIsToldInTheServersWordsAndNothingIsWritten) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    const RightsCase &c = GetParam();
    TempDir dir;
    const ServerDatabase server("purgerights");
    CreateDemoDatabase(server.connectString(), 30, 1, TestServerLogin());
    const ServerUser user(server.connectString(), c.grants);
    WriteConfigFiles(dir.path(), server.connectString(), user.ConnectionLines());
    const ProgramFolderCopy program(dir.path() + "/program");
    const auto before = QueryRows(server.connectString(), "SELECT COUNT(*) FROM ORDER_SUB");
    const int64_t orders = CountRows(server.connectString(), "SELECT COUNT(*) FROM ORDER_MASTER");

    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--database", dir.file("connections.ini")});
    const CommandRun run = program.Run("batchdel-purge", args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    if (c.status == 2) {
        EXPECT_THAT(run.err, HasSubstr(c.says));
        EXPECT_EQ(CountRows(server.connectString(), "SELECT COUNT(*) FROM ORDER_MASTER"), orders);
        EXPECT_EQ(QueryRows(server.connectString(), "SELECT COUNT(*) FROM ORDER_SUB"), before);
        // No pair, no journal line: not even the folder.
        EXPECT_FALSE(fs::exists(program.Cds())) << run.out << run.err;
    } else {
        EXPECT_THAT(run.out, HasSubstr(c.says));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PurgeRightsTest,
                         testing::Values(
                             // Which of the two tables the server names first is the server's choice.
                             RightsCase{"SelectOnlyDryRun",
                                        {},
                                        {"--dry-run", "--to", "2024/12/31"},
                                        2,
                                        "no permission for DELETE access to TABLE ORDER_"},
                             RightsCase{"SelectOnlyWithABackup",
                                        {},
                                        {"--backup", "--yes", "--to", "2024/12/31"},
                                        2,
                                        "no permission for DELETE access to TABLE ORDER_"},
                             RightsCase{"DeleteOnTheHeadersOnly",
                                        {"GRANT DELETE ON ORDER_MASTER"},
                                        {"--no-backup", "--to", "2024/12/31"},
                                        2,
                                        "no permission for DELETE access to TABLE ORDER_SUB"},
                             RightsCase{"DeleteOnTheLinesOnly",
                                        {"GRANT DELETE ON ORDER_SUB"},
                                        {"--backup", "--to", "2024/12/31"},
                                        2,
                                        "no permission for DELETE access to TABLE ORDER_MASTER"},
                             RightsCase{"BothRightsDryRun",
                                        {"GRANT DELETE ON ORDER_MASTER", "GRANT DELETE ON ORDER_SUB"},
                                        {"--dry-run", "--to", "2024/12/31"},
                                        0,
                                        "would be deleted"},
                             RightsCase{"BothRightsWithABackup",
                                        {"GRANT DELETE ON ORDER_MASTER", "GRANT DELETE ON ORDER_SUB"},
                                        {"--backup", "--to", "2024/12/31"},
                                        0,
                                        "0 kept because they changed after the backup"}),
                         [](const testing::TestParamInfo<RightsCase> &p) { return std::string(p.param.name); });

}  // namespace
