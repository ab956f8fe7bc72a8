// batchdel-restore: back up, delete and restore on the embedded engine and
// on the loopback server, and the command's refusals, run as the real
// program in a child process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

#include <filesystem>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "data/packet/DataSetFile.h"
#include "workflow/BackupOrders.h"
#include "data/sql/ConfigLocation.h"
#include "workflow/DeleteTickedOrders.h"
#include "data/dataset/Field.h"
#include "tests/workflow/HeadlessOrderWindow.h"
#include "data/packet/PacketChecksum.h"
#include "workflow/QueryOrders.h"
#include "workflow/SelectAllOrders.h"
#include "tools/FirebirdDirectImpl.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

// Values the tables must get back unchanged: nulls, Chinese text with
// quotes and a tab, the widest numbers of the columns, dates far apart.
const std::vector<std::string> kOddValues = {
    "UPDATE ORDER_MASTER SET CUST_NAME = NULL, FR_DATE = NULL, TOTAL_AMT = 9999999999.99,"
    " REMARK = '急件''特\t\"別\"' WHERE MASTERBILLID = 'SO00000002'",
    "UPDATE ORDER_MASTER SET BILL_DATE = '0001-01-01', TOTAL_AMT = -9999999999.99, REMARK = NULL"
    " WHERE MASTERBILLID = 'SO00000003'",
    "UPDATE ORDER_MASTER SET FR_DATE = '9999-12-31' WHERE MASTERBILLID = 'SO00000004'",
    "UPDATE ORDER_SUB SET QTY = 999999999.999, PRICE = -9999999999.99, ITEM_NAME = '烏龍茶（大）'''"
    " WHERE MASTERBILLID = 'SO00000002' AND LINE_NO = 1",
    "UPDATE ORDER_SUB SET QTY = NULL, PRICE = NULL, ITEM_ID = NULL, ITEM_NAME = NULL"
    " WHERE MASTERBILLID = 'SO00000003' AND LINE_NO = 1",
    "INSERT INTO ORDER_MASTER (MASTERBILLID, CUST_ID) VALUES ('SO-NO-LINES', 'C0001')",
};

using CommandRun = ProgramRun;

// Runs the real batchdel-restore (built beside the tests) on a connection file.
CommandRun RunRestoreCommand(const std::string &connectionFile, const std::vector<std::string> &args) {
    std::vector<std::string> arguments{"--database", connectionFile};
    arguments.insert(arguments.end(), args.begin(), args.end());
    return RunProgram(ProgramFolder() + "batchdel-restore", arguments);
}

class RestoreTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) {
            BATCHDEL_REQUIRE_TEST_SERVER();
            server_ = std::make_unique<ServerDatabase>("restore");
            database = server_->connectString();
            CreateDemoDatabase(database, 12, 1, TestServerLogin());
        } else {
            database = MakeTestDatabase(dir, 12);
        }
        ExecuteSql(database, kOddValues, LoginFor(database));
        WriteConfigFiles(dir.path(), database);
        fs::create_directory(dir.path() + "/cds");
    }

    // Every row of both tables, in a fixed order, each value as text.
    std::vector<std::vector<std::string>> Tables() const {
        auto rows = QueryRows(database, "SELECT * FROM ORDER_MASTER ORDER BY MASTERBILLID");
        rows.push_back({"--"});
        for (auto &row : QueryRows(database, "SELECT * FROM ORDER_SUB ORDER BY MASTERBILLID, LINE_NO"))
            rows.push_back(std::move(row));
        return rows;
    }
    int64_t Count(const std::string &sql) const { return CountRows(database, sql); }

    // Backs up every order and deletes them all, through the order commands.
    BackupResult BackUpAndDeleteAll() {
        HeadlessOrderWindow window(dir.path());
        window.now.tm_year = 125;
        window.now.tm_mday = 1;
        window.now.tm_sec = ++second_;
        BackupResult result = BackupOrders(window);
        QueryOrders(window);
        SelectAllOrders(window);
        window.messageBoxAnswers = {mrYes};
        window.dialogAnswers = {mrNo};
        DeleteTickedOrders(window);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 0);
        return result;
    }

    CommandRun Restore(const std::vector<std::string> &args) const {
        return RunRestoreCommand(dir.file("connections.ini"), args);
    }

    TempDir dir;
    std::string database;

private:
    std::unique_ptr<ServerDatabase> server_;
    int second_ = 0;
};

TEST_P(RestoreTest, AChosenFewThenEveryOrderComeBackValueForValue) {
    const auto before = Tables();
    const BackupResult backup = BackUpAndDeleteAll();

    CommandRun few = Restore({"--order", "SO00000002", "--order", "SO00000003", backup.headerFile, backup.detailFile});
    EXPECT_EQ(few.status, 0) << few.out << few.err;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID NOT IN ('SO00000002', 'SO00000003')"), 0);

    // The second run counts the two restored before as done.
    CommandRun all = Restore({backup.headerFile, backup.detailFile});
    EXPECT_EQ(all.status, 0) << all.out << all.err;
    EXPECT_THAT(all.out, HasSubstr("11 orders"));
    EXPECT_THAT(all.out, HasSubstr("2 already restored, 0 skipped, 0 failed"));
    EXPECT_EQ(Tables(), before);
}

TEST_P(RestoreTest, AnOrderFailingHalfWayIsLeftOutWholeAndASecondRunFinishesTheJob) {
    const auto before = Tables();
    const BackupResult backup = BackUpAndDeleteAll();
    // The third line of order 5 is refused: its header and first lines must
    // go back out with it.
    ExecuteSql(database,
               {"CREATE EXCEPTION NO_LINE 'line refused'",
                "CREATE TRIGGER REFUSE_LINE FOR ORDER_SUB BEFORE INSERT AS BEGIN"
                " IF (NEW.MASTERBILLID = 'SO00000005' AND NEW.LINE_NO = 3) THEN EXCEPTION NO_LINE; END"},
               LoginFor(database));
    CommandRun first = Restore({backup.headerFile, backup.detailFile});
    EXPECT_EQ(first.status, 1) << first.out << first.err;
    EXPECT_THAT(first.out, HasSubstr("failed\tSO00000005"));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000005'"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000005'"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 12);

    ExecuteSql(database, {"DROP TRIGGER REFUSE_LINE"}, LoginFor(database));
    CommandRun second = Restore({backup.headerFile, backup.detailFile});
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_EQ(Tables(), before);
}

// With a deletion journal beside the program, each restored order is added
// to it in the journal's columns, its line count written "+N".
TEST(RestoreJournalTest, RestoredOrdersAreAppendedToTheJournalBesideTheProgram) {
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 3);
    WriteConfigFiles(dir.path(), database);
    fs::create_directory(dir.path() + "/cds");
    BackupResult backup;
    {
        HeadlessOrderWindow window(dir.path());
        backup = BackupOrders(window);
    }
    ExecuteSql(database, {"DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000002'",
                          "DELETE FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000002'"});
    // A copy of the program in a folder of its own, with its journal.
    const std::string program = dir.path() + "/program/";
    fs::create_directories(program + "cds");
    for (const char *file : {"batchdel-restore", "libibdriver.so", "drivers.ini"})
        fs::copy_file(ProgramFolder() + file, program + file);
    const std::string journalHead = "time\tMASTERBILLID\tORDER_SUB lines\tbackup\tdatabase\tuser\n";
    std::ofstream(program + "cds/deletions.log") << journalHead;

    QProcess process;
    process.start(QString::fromStdString(program + "batchdel-restore"),
                  {QStringLiteral("--database"), QString::fromStdString(dir.file("connections.ini")),
                   QString::fromStdString(backup.headerFile), QString::fromStdString(backup.detailFile)});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    std::ifstream in(program + "cds/deletions.log");
    const std::string journal((std::istreambuf_iterator<char>(in)), {});
    const std::string line = "\tSO00000002\t+" + std::to_string(backup.DetailLinesOf("SO00000002")) +
                             "\trestored from " + fs::path(backup.headerFile).filename().string() + " " +
                             fs::path(backup.detailFile).filename().string() + "\t" + database + "\tSYSDBA\n";
    EXPECT_EQ(journal.substr(0, journalHead.size()), journalHead);
    EXPECT_THAT(journal, HasSubstr(line));
    EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 2) << journal;
}

// A journal that cannot grow (the file-size limit reached) when the first
// batch is committed stops the restore; the stop message says word for word
// what is restored and what of it the journal lacks, as the database and the
// journal show it.
TEST_P(RestoreTest, AJournalThatCannotBeWrittenSaysExactlyWhatIsRestoredAndJournalled) {
    if (GetParam() == Backend::Embedded)
        GTEST_SKIP() << "the file-size limit would stop the embedded engine's own writes as well";
    const BackupResult backup = BackUpAndDeleteAll();
    // A copy of the program in a folder of its own, with a journal of just
    // the size the limit allows.
    const std::string program = dir.path() + "/program/";
    fs::create_directories(program + "cds");
    for (const char *file : {"batchdel-restore", "libibdriver.so", "drivers.ini"})
        fs::copy_file(ProgramFolder() + file, program + file);
    const std::string journalPath = program + "cds/deletions.log";
    std::string journal = "time\tMASTERBILLID\tORDER_SUB lines\tbackup\tdatabase\tuser\n";
    const std::string line = "2024-01-01 00:00:00\tOLD\t1\tnone\tdb\tuser\n";
    while (journal.size() + line.size() <= 1024) journal += line;
    journal.insert(journal.size() - line.size() + 20, std::string(1024 - journal.size(), 'X'));
    ASSERT_EQ(journal.size(), 1024u);
    std::ofstream(journalPath, std::ios::binary) << journal;

    const CommandRun listed =
        RunRestoreCommand(dir.file("connections.ini"), {"--list", backup.headerFile, backup.detailFile});
    std::vector<std::string> backupOrder;  // the order numbers, as the backup holds them
    {
        std::istringstream lines(listed.out);
        std::string row;
        std::getline(lines, row);  // the column names
        while (std::getline(lines, row))
            if (row.find('\t') != std::string::npos) backupOrder.push_back(row.substr(0, row.find('\t')));
    }
    ASSERT_EQ(backupOrder.size(), 13u) << listed.out;

    // 1024 bytes: "ulimit -f" counts blocks of 512.
    const CommandRun run = RunProgram(
        "/bin/sh",
        std::vector<std::string>{"-c", "ulimit -f 2; trap '' XFSZ; exec \"$0\" \"$@\"", program + "batchdel-restore",
                                 "--database", dir.file("connections.ini"), backup.headerFile, backup.detailFile});
    EXPECT_EQ(run.status, 1) << run.out << run.err;

    std::ifstream in(journalPath, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), journal);
    std::string restored;
    int64_t count = 0;
    for (const std::string &number : backupOrder)
        if (Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = '" + number + "'") == 1) {
            restored += " " + number;
            ++count;
        }
    ASSERT_GT(count, 0);
    EXPECT_EQ(run.err, "batchdel-restore: stopped: the journal " + journalPath + " cannot be written (" +
                           std::strerror(EFBIG) + ")\nbatchdel-restore: " + std::to_string(count) +
                           " orders are restored; 0 of them are in the journal, " + std::to_string(count) +
                           " are not:" + restored + "\nbatchdel-restore: " + std::to_string(13 - count) +
                           " orders asked for are left for the next run; run the same command again to restore "
                           "them\n");
}

// Killed while it waits on an order another user holds, the restore leaves
// every order whole or absent, and a second run finishes the job. (The
// server lets the test and the command use the database at once.)
TEST_P(RestoreTest, KilledHalfWayLeavesWholeOrdersAndASecondRunFinishes) {
    if (GetParam() == Backend::Embedded)
        GTEST_SKIP() << "the embedded engine lets one process at a time open the database";
    const auto before = Tables();
    const BackupResult backup = BackUpAndDeleteAll();

    // Another user's uncommitted order 8 makes the restore wait at it.
    DirectDatabase other = DirectDatabase::Open(database, LoginFor(database));
    DirectDatabase::Impl &impl = other.impl();
    Firebird::ThrowStatusWrapper status(impl.master->getStatus());
    Firebird::ITransaction *holding = impl.attachment->startTransaction(&status, 0, nullptr);
    impl.attachment->execute(&status, holding, 0, "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('SO00000008')", 3,
                             nullptr, nullptr, nullptr, nullptr);

    QProcess process;
    process.start(QString::fromStdString(ProgramFolder() + "batchdel-restore"),
                  {QStringLiteral("--database"), QString::fromStdString(dir.file("connections.ini")),
                   QString::fromStdString(backup.headerFile), QString::fromStdString(backup.detailFile)});
    ASSERT_TRUE(process.waitForStarted());
    // A lock is waited on for at most 3 s, so the kill comes while it waits.
    EXPECT_FALSE(process.waitForFinished(1500)) << "the restore did not wait for order 8";
    process.kill();
    process.waitForFinished();
    holding->rollback(&status);
    status.dispose();

    // Whatever got in is whole.
    const auto lines = QueryRows(database, "SELECT MASTERBILLID, COUNT(*) FROM ORDER_SUB GROUP BY MASTERBILLID");
    for (const auto &row : lines)
        EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = '" + row.at(0) + "'"), 1) << row.at(0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000008'"), 0);
    for (const auto &row : QueryRows(database, "SELECT MASTERBILLID FROM ORDER_MASTER")) {
        const auto found =
            std::find_if(before.begin(), before.end(), [&](const auto &b) { return b.at(0) == row.at(0); });
        ASSERT_NE(found, before.end());
        const std::string header = "SELECT * FROM ORDER_MASTER WHERE MASTERBILLID = '" + row.at(0) + "'";
        EXPECT_EQ(*found, QueryRows(database, header).at(0));
    }

    CommandRun again = Restore({backup.headerFile, backup.detailFile});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(Tables(), before);
}

// Tables as installations have them: columns the server fills itself (a
// computed one, one a trigger fills when it is left empty), blobs of text and
// bytes (large and null), and the less common types.
TEST_P(RestoreTest, TablesWithComputedColumnsBlobsAndTriggersComeBackValueForValue) {
    const DbLogin login = LoginFor(database);
    ExecuteSql(database,
               {"ALTER TABLE ORDER_MASTER ADD NOTE BLOB SUB_TYPE TEXT, ADD PICTURE BLOB SUB_TYPE BINARY,"
                " ADD PAID BOOLEAN, ADD BIG BIGINT, ADD AT_TIME TIME, ADD CODE CHAR(4),"
                " ADD LATIN VARCHAR(20) CHARACTER SET WIN1252, ADD SERIAL INTEGER,"
                " ADD ID_LENGTH COMPUTED BY (CHAR_LENGTH(MASTERBILLID))",
                "ALTER TABLE ORDER_SUB ADD NEXT_LINE COMPUTED BY (LINE_NO + 1), ADD MEMO BLOB SUB_TYPE TEXT",
                "CREATE SEQUENCE ORDER_SERIAL",
                "CREATE TRIGGER ORDER_SERIAL_FILL FOR ORDER_MASTER BEFORE INSERT AS BEGIN"
                " IF (NEW.SERIAL IS NULL) THEN NEW.SERIAL = NEXT VALUE FOR ORDER_SERIAL; END"},
               login);
    ExecuteSql(database,
               {"EXECUTE BLOCK AS DECLARE I INTEGER = 0; DECLARE T BLOB SUB_TYPE TEXT = '';"
                " DECLARE B BLOB SUB_TYPE BINARY; BEGIN B = GEN_UUID();"
                " WHILE (I < 100) DO BEGIN T = T || 'note line ' || I || ' '; B = B || GEN_UUID();"
                " I = I + 1; END"
                " UPDATE ORDER_MASTER SET NOTE = :T, PICTURE = :B, PAID = TRUE, BIG = -90000000000001,"
                " AT_TIME = '23:59:59.9999', CODE = 'AB', LATIN = 'café'"
                " WHERE MASTERBILLID = 'SO00000005'; END",
                "UPDATE ORDER_MASTER SET PAID = FALSE, BIG = 90000000000001, AT_TIME = '00:00:00',"
                " NOTE = '', SERIAL = 77 WHERE MASTERBILLID = 'SO00000006'",
                "UPDATE ORDER_SUB SET MEMO = '第一行' || ASCII_CHAR(10) || '第二行' WHERE LINE_NO = 1",
                // Every order has its serial, so the trigger leaves the restored values as they are.
                "UPDATE ORDER_MASTER SET SERIAL = 100 + CHAR_LENGTH(CUST_ID) WHERE SERIAL IS NULL"},
               login);
    const auto before = Tables();
    // Blobs compared by their length and hash; the rest as text.
    const std::string blobs =
        "SELECT MASTERBILLID, OCTET_LENGTH(NOTE), MOD(HASH(NOTE), 1000000007), OCTET_LENGTH(PICTURE), "
        "MOD(HASH(PICTURE), 1000000007)"
        " FROM ORDER_MASTER ORDER BY MASTERBILLID";
    const auto blobsBefore = QueryRows(database, blobs);
    ASSERT_EQ(QueryRows(database, "SELECT OCTET_LENGTH(PICTURE) FROM ORDER_MASTER WHERE MASTERBILLID = 'SO00000005'")
                  .at(0)
                  .at(0),
              "1616");

    const BackupResult backup = BackUpAndDeleteAll();
    CommandRun run = Restore({backup.headerFile, backup.detailFile});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Tables(), before);
    EXPECT_EQ(QueryRows(database, blobs), blobsBefore);
    // A second run finds every order there as backed up.
    CommandRun again = Restore({backup.headerFile, backup.detailFile});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_THAT(again.out, HasSubstr("0 skipped, 0 failed"));
}

INSTANTIATE_TEST_SUITE_P(Backends, RestoreTest, BothBackends(), BackendCaseName);

// The command's answers on the embedded engine: what it says, its exit
// status, and that a refused or dry run writes nothing.
struct CliCase {
    const char *name;
    // Prepares the files and the database; returns the arguments.
    std::function<std::vector<std::string>(const BackupResult &backup, const std::string &folder,
                                           const std::string &database)>
        arrange;
    int status;
    const char *says;     // in standard output or standard error
    int64_t ordersAfter;  // ORDER_MASTER rows afterwards (-1: not checked)
};

// The options, then the backup pair's two files.
std::vector<std::string> WithPair(const BackupResult &backup, std::vector<std::string> args) {
    args.push_back(backup.headerFile);
    args.push_back(backup.detailFile);
    return args;
}

std::string Copy(const std::string &from, const std::string &folder, const std::string &name) {
    fs::copy_file(from, folder + "/" + name, fs::copy_options::overwrite_existing);
    return folder + "/" + name;
}

void Rewrite(const std::string &path, const std::function<void(std::string &bytes)> &change) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    change(bytes);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

const CliCase kCliCases[] = {
    {"Help", [](auto &, auto &, auto &) { return std::vector<std::string>{"--help"}; }, 0, "Usage: batchdel-restore",
     0},
    {"UnknownOption", [](auto &b, auto &, auto &) { return WithPair(b, {"--overwrite"}); }, 2,
     "Unknown option --overwrite", 0},
    {"ListWritesNothing", [](auto &b, auto &, auto &) { return WithPair(b, {"--list"}); }, 0, "SO00000002\t", 0},
    // The option forms batchdel-purge takes too: a value after "=", and
    // "--" before file names.
    {"AValueAfterAnEqualsSignAndFilesAfterTheEndOfOptions",
     [](auto &b, auto &, auto &) {
         return std::vector<std::string>{"--order=SO00000002", "--", b.headerFile, b.detailFile};
     },
     0, "1 orders", 1},
    {"AnEmptyValueIsRefused", [](auto &b, auto &, auto &) { return WithPair(b, {"--order="}); }, 2,
     "Option --order needs a value that is not empty", 0},
    {"DryRunWritesNothing", [](auto &b, auto &, auto &) { return WithPair(b, {"--dry-run"}); }, 0, "13 orders", 0},
    {"DateRangeChoosesByBillDate",
     [](auto &b, auto &, auto &) {
         return WithPair(b, {"--from", "0001/01/01", "--to", "0001/01/01"});
     },
     0, "1 orders", 1},
    {"AnOrderNotInTheBackupFails",
     [](auto &b, auto &, auto &) {
         return WithPair(b, {"--order", "SO99999999"});
     },
     1, "order SO99999999 is not in the backup", 0},
    {"AnOrderThatExistsOtherwiseIsSkippedNeverOverwritten",
     [](auto &b, auto &, auto &db) {
         ExecuteSql(db, {"INSERT INTO ORDER_MASTER (MASTERBILLID, CUST_ID) VALUES ('SO00000004', 'OTHER')"},
                    LoginFor(db));
         return std::vector<std::string>{b.headerFile, b.detailFile};
     },
     1, "skipped (already in the database)\tSO00000004", 13},
    {"ACutFileIsRefused",
     [](auto &b, auto &folder, auto &) {
         const std::string cut = Copy(b.detailFile, folder, fs::path(b.detailFile).filename().string());
         fs::resize_file(cut, fs::file_size(cut) - 9);
         return std::vector<std::string>{b.headerFile, cut};
     },
     2, "is truncated", 0},
    {"ADamagedFileIsRefused",
     [](auto &b, auto &folder, auto &) {
         const std::string bad = Copy(b.headerFile, folder, fs::path(b.headerFile).filename().string());
         Rewrite(bad, [](std::string &bytes) { bytes[bytes.size() / 2] ^= 0x40; });
         return std::vector<std::string>{bad, b.detailFile};
     },
     2, "checksum does not match", 0},
    {"ANewerFormatVersionIsRefused",
     [](auto &b, auto &folder, auto &) {
         const std::string newer = Copy(b.headerFile, folder, fs::path(b.headerFile).filename().string());
         Rewrite(newer, [](std::string &bytes) {
             bytes[8] = 2;
             const uint32_t crc = packet::Crc32c(0, bytes.data(), bytes.size() - 4);
             std::memcpy(&bytes[bytes.size() - 4], &crc, 4);
         });
         return std::vector<std::string>{newer, b.detailFile};
     },
     2, "is of version 2", 0},
    {"FilesOfTwoBackupsAreRefused",
     [](auto &b, auto &folder, auto &) {
         return std::vector<std::string>{b.headerFile, Copy(b.detailFile, folder, "ORDER_SUB20990101000000.CDS")};
     },
     2, "--force-pair", 0},
    {"FilesOfTwoBackupsGoTogetherWhenForced",
     [](auto &b, auto &folder, auto &) {
         return std::vector<std::string>{"--force-pair", b.headerFile,
                                         Copy(b.detailFile, folder, "ORDER_SUB20990101000000.CDS")};
     },
     0, "13 orders", 13},
    {"LinesWhoseOrderTheHeaderFileLacksAreRefused",
     [](auto &b, auto &folder, auto &) {
         // The header file of the same time holding no order at all.
         const std::string empty = Copy(b.headerFile, folder, fs::path(b.headerFile).filename().string());
         TClientDataSet set("Headers");
         LoadFromFile(set, empty);
         while (set.RecordCount() > 0) set.Delete();
         fs::remove(empty);
         WriteToFile(set, empty);
         return std::vector<std::string>{empty, Copy(b.detailFile, folder, fs::path(b.detailFile).filename().string())};
     },
     2, "the header file does not hold", 0},
    {"AFileOfAnotherTableIsRefusedBeforeWriting",
     [](auto &b, auto &folder, auto &) {
         const std::string lines = Copy(b.detailFile, folder, fs::path(b.headerFile).filename().string());
         return std::vector<std::string>{"--force-pair", lines, b.detailFile};
     },
     2, "twice", 0},
    {"AColumnTheTableLacksIsRefusedBeforeWriting",
     [](auto &b, auto &, auto &db) {
         ExecuteSql(db, {"ALTER TABLE ORDER_MASTER DROP REMARK"}, LoginFor(db));
         return std::vector<std::string>{b.headerFile, b.detailFile};
     },
     2, "ORDER_MASTER.REMARK", 0},
    // The table gained a column since the backup: restored as it is, the
    // orders would lose what the column holds for them.
    {"AColumnTheBackupLacksIsRefusedNamingIt",
     [](auto &b, auto &, auto &db) {
         ExecuteSql(db,
                    {"ALTER TABLE ORDER_MASTER ADD LATE_NOTE VARCHAR(10) DEFAULT 'later'",
                     "ALTER TABLE ORDER_SUB ADD LATE_QTY INTEGER"},
                    LoginFor(db));
         return std::vector<std::string>{b.headerFile, b.detailFile};
     },
     2, "lacks columns the database has: ORDER_MASTER.LATE_NOTE, ORDER_SUB.LATE_QTY; nothing was restored", 0},
    {"AColumnTheBackupLacksTakesItsDefaultWhenAllowed",
     [](auto &b, auto &, auto &db) {
         ExecuteSql(db, {"ALTER TABLE ORDER_MASTER ADD LATE_NOTE VARCHAR(10) DEFAULT 'later'"}, LoginFor(db));
         return std::vector<std::string>{"--default-missing-columns", b.headerFile, b.detailFile};
     },
     0, "13 orders", 13},
    // A backup of an installation with wider order numbers: the one number
    // the column cannot hold fails alone, named, with the server's words.
    {"AnOrderNumberTooLongForTheColumnFailsThatOrderAlone",
     [](auto &b, auto &, auto &db) {
         ExecuteSql(db, {"DROP TABLE ORDER_SUB", "DROP TABLE ORDER_MASTER"}, LoginFor(db));
         ExecuteSql(db,
                    {"CREATE TABLE ORDER_MASTER (MASTERBILLID VARCHAR(10) NOT NULL PRIMARY KEY, BILL_DATE DATE,"
                     " FR_DATE DATE, CUST_ID VARCHAR(10), CUST_NAME VARCHAR(50), PD_DEPID VARCHAR(10),"
                     " TOTAL_AMT NUMERIC(12,2), REMARK VARCHAR(100))",
                     "CREATE TABLE ORDER_SUB (MASTERBILLID VARCHAR(10) NOT NULL, LINE_NO INTEGER NOT NULL,"
                     " ITEM_ID VARCHAR(20), ITEM_NAME VARCHAR(50), QTY NUMERIC(12,3), PRICE NUMERIC(12,2),"
                     " PRIMARY KEY (MASTERBILLID, LINE_NO), FOREIGN KEY (MASTERBILLID) REFERENCES ORDER_MASTER)"},
                    LoginFor(db));
         return std::vector<std::string>{b.headerFile, b.detailFile};
     },
     1, "failed\tSO-NO-LINES\t", 12},
    {"ADeviceIsNoBackupFile",
     [](auto &, auto &, auto &) {
         return std::vector<std::string>{"--list", "--force-pair", "/dev/zero", "/dev/zero"};
     },
     2, "Not a regular file", -1},
    {"APipeIsNoBackupFileAndIsNotWaitedOn",
     [](auto &b, auto &folder, auto &) {
         const std::string pipe = folder + "/" + fs::path(b.headerFile).filename().string();
         EXPECT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
         return std::vector<std::string>{"--list", pipe, b.detailFile};
     },
     2, "Not a regular file", -1},
    {"ControlCharactersAreListedEscaped",
     [](auto &b, auto &folder, auto &) {
         const std::string header = Copy(b.headerFile, folder, fs::path(b.headerFile).filename().string());
         TClientDataSet set("Headers");
         LoadFromFile(set, header);
         set.First();
         set.Edit();
         set.FieldNamed("CUST_NAME")->SetString("\x1b[2J\a\rX\\");
         set.Post();
         WriteToFile(set, header);
         return std::vector<std::string>{"--list", header, b.detailFile};
     },
     0, "\\x1B[2J\\x07\\rX\\\\\t", -1},
};

void PrintTo(const CliCase &c, std::ostream *os) { *os << c.name; }

class RestoreCommandTest : public testing::TestWithParam<CliCase> {};

TEST_P(RestoreCommandTest, AnswersAsTheCaseSays) {
    const CliCase &c = GetParam();
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 12);
    ExecuteSql(database, kOddValues);
    WriteConfigFiles(dir.path(), database);
    fs::create_directory(dir.path() + "/cds");
    BackupResult backup;
    {
        HeadlessOrderWindow window(dir.path());
        window.now.tm_year = 125;
        window.now.tm_mday = 1;
        backup = BackupOrders(window);
        QueryOrders(window);
        SelectAllOrders(window);
        window.messageBoxAnswers = {mrYes};
        window.dialogAnswers = {mrNo};
        DeleteTickedOrders(window);
    }
    fs::create_directory(dir.path() + "/other");
    const std::vector<std::string> args = c.arrange(backup, dir.path() + "/other", database);

    const CommandRun run = RunRestoreCommand(dir.file("connections.ini"), args);
    const std::string said = run.out + run.err;
    EXPECT_EQ(run.status, c.status) << said;
    EXPECT_THAT(said, HasSubstr(c.says));
    // Texts of the backup never reach the terminal as control characters.
    EXPECT_EQ(run.out.find_first_of("\x1b\a\r"), std::string::npos) << run.out;
    if (c.ordersAfter >= 0) {
        EXPECT_EQ(CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER"), c.ordersAfter) << said;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RestoreCommandTest, testing::ValuesIn(kCliCases),
                         [](const testing::TestParamInfo<CliCase> &p) { return std::string(p.param.name); });

}  // namespace
