// The backup: file names, file content read back, and its failures.
#include "tests/workflow/OrderDatabaseTest.h"
#include "workflow/WindowTexts.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <unordered_map>

#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/DataSetFile.h"
#include "orders/BackupFileNames.h"
#include "workflow/BackupOrders.h"
#include "workflow/DetailLines.h"
#include "workflow/QueryText.h"
#include "workflow/WorkProgress.h"

using namespace batchdel;

namespace {

using testing::ElementsAre;
namespace fs = std::filesystem;

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(BackupFileNames, TimestampIsFourteenZeroPaddedDigitsOnTheTwentyFourHourClock) {
    EXPECT_EQ(BackupTimestamp(LocalTime(2025, 1, 1, 9, 5, 3)), "20250101090503");
    EXPECT_EQ(BackupTimestamp(LocalTime(2024, 3, 5, 21, 0, 0)), "20240305210000");
    EXPECT_EQ(BackupTimestamp(LocalTime(1999, 12, 31, 23, 59, 59)), "19991231235959");
    EXPECT_EQ(HeaderBackupPath("/opt/orders/", "20240305140709"), "/opt/orders/cds/ORDER_MASTER_20240305140709.CDS");
    EXPECT_EQ(DetailBackupPath("/opt/orders/", "20240305140709"), "/opt/orders/cds/ORDER_SUB20240305140709.CDS");
}

// Every value of a column of a loaded backup file, row by row.
std::vector<std::string> Column(const TClientDataSet &set, const std::string &name) {
    std::vector<std::string> values;
    for (int row = 0; row < set.RecordCount(); ++row) values.push_back(set.FieldNamed(name)->GetStringAt(row));
    return values;
}

std::vector<std::string> FirstColumn(const std::vector<std::vector<std::string>> &rows) {
    std::vector<std::string> values;
    for (const auto &row : rows) values.push_back(row.at(0));
    return values;
}

class BackupOrdersTest : public OrderDatabaseTest {};

TEST_F(BackupOrdersTest, WritesTheMatchingHeadersAndTheirLinesToTwoTimestampedFiles) {
    OpenDatabase(5);
    window->now = LocalTime(2025, 1, 1, 9, 5, 3);
    // Orders 1 to 3 are dated 2024; the lines of 4 and 5 must stay out.
    window->SetBox(FilterBox::DateFrom, "2024/01/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");

    const BackupResult files = BackupOrders(*window);
    EXPECT_EQ(files.headerFile, CdsFile("ORDER_MASTER_20250101090503.CDS"));
    EXPECT_EQ(files.detailFile, CdsFile("ORDER_SUB20250101090503.CDS"));
    EXPECT_THAT(window->events, ElementsAre("notice:資料備份完成..!"));

    TClientDataSet headers("Headers");
    LoadFromFile(headers, files.headerFile);
    EXPECT_EQ(headers.FieldCount(), 8);  // every column of ORDER_MASTER
    EXPECT_THAT(Column(headers, "MASTERBILLID"),
                ElementsAre(DemoOrderNumber(1), DemoOrderNumber(2), DemoOrderNumber(3)));
    EXPECT_EQ(Column(headers, "CUST_NAME"),
              FirstColumn(QueryRows(database,
                                    "SELECT CUST_NAME FROM ORDER_MASTER WHERE BILL_DATE <= '2024-12-31'"
                                    " ORDER BY MASTERBILLID")));

    TClientDataSet lines("Lines");
    LoadFromFile(lines, files.detailFile);
    EXPECT_EQ(lines.FieldCount(), 6);
    const auto expected = QueryRows(database,
                                    "SELECT MASTERBILLID || '/' || LINE_NO || '/' || ITEM_NAME FROM ORDER_SUB"
                                    " WHERE MASTERBILLID <= 'SO00000003'");
    std::multiset<std::string> written;
    for (int row = 0; row < lines.RecordCount(); ++row)
        written.insert(lines.FieldNamed("MASTERBILLID")->GetStringAt(row) + "/" +
                       lines.FieldNamed("LINE_NO")->GetStringAt(row) + "/" +
                       lines.FieldNamed("ITEM_NAME")->GetStringAt(row));
    const auto wanted = FirstColumn(expected);
    EXPECT_EQ(written, std::multiset<std::string>(wanted.begin(), wanted.end()));
    EXPECT_GT(lines.RecordCount(), 0);

    // The result names every order of the header file with its line count.
    std::unordered_map<std::string, int> counted;
    for (const auto &row : QueryRows(database,
                                     "SELECT MASTERBILLID, COUNT(*) FROM ORDER_SUB"
                                     " WHERE MASTERBILLID <= 'SO00000003' GROUP BY MASTERBILLID"))
        counted[row.at(0)] = std::stoi(row.at(1));
    for (int order = 1; order <= 3; ++order) counted.try_emplace(DemoOrderNumber(order), 0);
    EXPECT_EQ(files.detailLines, counted);
    EXPECT_FALSE(files.Holds(DemoOrderNumber(4)));
    EXPECT_EQ(files.DetailLinesOf(DemoOrderNumber(4)), -1);
}

TEST_F(BackupOrdersTest, WithoutMatchingOrdersWritesBothFilesWithColumnsAndNoRows) {
    OpenDatabase(2);
    window->now = LocalTime(2024, 3, 5, 21, 0, 0);
    window->SetBox(FilterBox::CustomerFrom, "ZZ");
    window->SetBox(FilterBox::CustomerTo, "ZZZ");
    const BackupResult files = BackupOrders(*window);

    TClientDataSet headers("Headers"), lines("Lines");
    LoadFromFile(headers, CdsFile("ORDER_MASTER_20240305210000.CDS"));
    LoadFromFile(lines, CdsFile("ORDER_SUB20240305210000.CDS"));
    EXPECT_EQ(headers.RecordCount(), 0);
    EXPECT_EQ(headers.FieldCount(), 8);
    EXPECT_EQ(lines.RecordCount(), 0);
    EXPECT_EQ(lines.FieldCount(), 6);
    EXPECT_THAT(window->Notices(), ElementsAre("資料備份完成..!"));
}

TEST_F(BackupOrdersTest, WithoutACdsFolderFailsBeforeWritingAnything) {
    OpenDatabase(2, {}, /*withCdsFolder=*/false);
    EXPECT_THROW(BackupOrders(*window), EFCreateError);
    EXPECT_FALSE(fs::exists(dir.path() + "/cds"));
    EXPECT_TRUE(window->Notices().empty());
}

TEST_F(BackupOrdersTest, ARejectedHeaderQuerySavesNothing) {
    OpenDatabase(2);
    window->SetBox(FilterBox::DateFrom, "2024/13/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");
    EXPECT_THROW(BackupOrders(*window), EDatabaseError);
    EXPECT_TRUE(fs::is_empty(dir.path() + "/cds"));
    EXPECT_TRUE(window->Notices().empty());
}

// The files in cds/ with their contents.
std::map<std::string, std::string> CdsContents(const std::string &cds) {
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::directory_iterator(cds)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            entry.is_directory() ? "<folder>" : std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

// Names already taken in cds/ when the backup starts: an earlier backup of the
// same second, half a pair, a folder. The backup keeps every one of them as it
// was and takes the first second whose two names are both free.
struct TakenNamesCase {
    const char *name;
    std::tm now;
    std::vector<std::string> taken;  // file names; a name ending in "/" is a folder
    const char *pairTime;            // the time of the pair the backup writes
};

void PrintTo(const TakenNamesCase &c, std::ostream *os) { *os << c.name; }

class TakenNamesTest : public OrderDatabaseTest, public testing::WithParamInterface<TakenNamesCase> {};

TEST_P(TakenNamesTest, MoveThePairToTheNextFreeSecondAndKeepWhatWasThere) {
    const TakenNamesCase &c = GetParam();
    OpenDatabase(3);
    window->now = c.now;
    for (const std::string &name : c.taken) {
        if (name.back() == '/')
            fs::create_directory(CdsFile(name.substr(0, name.size() - 1)));
        else
            std::ofstream(CdsFile(name)) << "an earlier backup's " << name;
    }
    const auto before = CdsContents(dir.path() + "/cds");

    const BackupResult result = BackupOrders(*window);
    EXPECT_EQ(result.headerFile, CdsFile(std::string("ORDER_MASTER_") + c.pairTime + ".CDS"));
    EXPECT_EQ(result.detailFile, CdsFile(std::string("ORDER_SUB") + c.pairTime + ".CDS"));
    auto after = CdsContents(dir.path() + "/cds");
    TClientDataSet headers("Headers");
    LoadFromFile(headers, result.headerFile);
    EXPECT_EQ(headers.RecordCount(), 3);
    after.erase(fs::path(result.headerFile).filename().string());
    after.erase(fs::path(result.detailFile).filename().string());
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TakenNamesTest,
    testing::Values(TakenNamesCase{"AnEarlierPairOfTheSameSecond",
                                   LocalTime(2025, 1, 1, 9, 5, 3),
                                   {"ORDER_MASTER_20250101090503.CDS", "ORDER_SUB20250101090503.CDS"},
                                   "20250101090504"},
                    TakenNamesCase{"OnlyTheHeaderName",
                                   LocalTime(2025, 1, 1, 9, 5, 3),
                                   {"ORDER_MASTER_20250101090503.CDS"},
                                   "20250101090504"},
                    TakenNamesCase{"OnlyTheDetailNameAsAFolder",
                                   LocalTime(2025, 1, 1, 9, 5, 3),
                                   {"ORDER_SUB20250101090503.CDS/"},
                                   "20250101090504"},
                    TakenNamesCase{"ThreeSecondsInARowOverTheYearsEnd",
                                   LocalTime(2024, 12, 31, 23, 59, 58),
                                   {"ORDER_MASTER_20241231235958.CDS", "ORDER_SUB20241231235958.CDS",
                                    "ORDER_SUB20241231235959.CDS", "ORDER_MASTER_20250101000000.CDS"},
                                   "20250101000001"}),
    [](const testing::TestParamInfo<TakenNamesCase> &p) { return std::string(p.param.name); });

// A progress that records its stages and runs a hook at the start of each.
class RecordedProgress : public WorkProgress {
public:
    std::vector<std::string> stages;
    std::function<void(const std::string &stage)> onStage;
    bool cancel = false;
    int64_t lastStep = 0;

    void Stage(WorkStage stage, int64_t) override {
        const std::string text = WindowStageText(stage);
        stages.push_back(text);
        if (onStage) onStage(text);
    }
    void Advance(int64_t done) override { lastStep = done; }
    bool CancelRequested() override { return cancel; }
};

// Every row of a table with all its values, for comparing as a multiset.
std::multiset<std::string> Rows(const TableEngine &table) {
    std::multiset<std::string> rows;
    for (int row = 0; row < table.RecordCount(); ++row) {
        std::string key;
        for (const FieldValue &v : table.Record(row))
            key += v.isNull ? std::string("<null>|")
                            : std::to_string(v.i) + "/" + std::to_string(v.f) + "/" + std::to_string(v.date) + "/" +
                                  std::to_string(v.time) + "/" + v.s + "|";
        rows.insert(key);
    }
    return rows;
}

// The detail lines read back from the backup equal, column for column and
// value for value, what the subquery text gives through the program's own
// provider; on a table with the index on MASTERBILLID and on one without.
class DetailFileTest : public OrderDatabaseTest, public testing::WithParamInterface<bool> {};

TEST_P(DetailFileTest, HoldsExactlyTheRowsAndColumnsOfTheSubqueryText) {
    const bool withIndex = GetParam();
    std::vector<std::string> sql = {
        // Odd values the lines must carry unchanged: nulls, the widest
        // numbers, Chinese text, a quote.
        "UPDATE ORDER_SUB SET ITEM_NAME = NULL, QTY = NULL WHERE MASTERBILLID = 'SO00000002' AND LINE_NO = 1",
        "UPDATE ORDER_SUB SET QTY = 999999999.999, PRICE = -9999999999.99, ITEM_NAME = '烏龍茶''禮盒'"
        " WHERE MASTERBILLID = 'SO00000003' AND LINE_NO = 1",
    };
    if (!withIndex) {
        // ORDER_SUB made again without any key or index.
        sql.insert(sql.begin(), {"CREATE TABLE SUB_COPY (MASTERBILLID VARCHAR(20) NOT NULL, LINE_NO INTEGER NOT NULL,"
                                 " ITEM_ID VARCHAR(20), ITEM_NAME VARCHAR(50), QTY NUMERIC(12,3),"
                                 " PRICE NUMERIC(12,2))"});
    }
    OpenDatabase(12, sql);
    if (!withIndex) {
        window.reset();
        ExecuteSql(database, {"INSERT INTO SUB_COPY SELECT * FROM ORDER_SUB"});
        ExecuteSql(database, {"DROP TABLE ORDER_SUB"});
        ExecuteSql(database, {"CREATE TABLE ORDER_SUB (MASTERBILLID VARCHAR(20) NOT NULL, LINE_NO INTEGER NOT NULL,"
                              " ITEM_ID VARCHAR(20), ITEM_NAME VARCHAR(50), QTY NUMERIC(12,3), PRICE NUMERIC(12,2))"});
        ExecuteSql(database, {"INSERT INTO ORDER_SUB SELECT * FROM SUB_COPY"});
        window = std::make_unique<HeadlessOrderWindow>(dir.path());
    }
    EXPECT_EQ(DetailTableHasOrderIndex(window->Connection()), withIndex);
    window->SetBox(FilterBox::CustomerFrom, "C0000");
    window->SetBox(FilterBox::CustomerTo, "C0200");

    const BackupResult result = BackupOrders(*window);

    TClientDataSet expected("Expected");
    expected.SetProviderName("DataSetProvider2");
    expected.SetProviderResolver(
        [this](const std::string &) -> RecordProvider * { return &window->data.DataSetProvider2; });
    expected.SetCommandText(DetailBackupQuery(BuildFilteredQuery(kOrderNumberHead, ReadFilterCriteria(*window))));
    expected.Open();
    TClientDataSet written("Written");
    LoadFromFile(written, result.detailFile);

    const TableEngine &want = *expected.Engine();
    const TableEngine &got = *written.Engine();
    EXPECT_EQ(got.Columns(), want.Columns());
    EXPECT_EQ(got.Properties(), want.Properties());
    EXPECT_GT(got.RecordCount(), 0);
    EXPECT_LT(got.RecordCount(), Count("SELECT COUNT(*) FROM ORDER_SUB"));
    EXPECT_EQ(Rows(got), Rows(want));
    EXPECT_EQ(result.detailRows, got.RecordCount());
    int lines = 0;
    for (const auto &[order, count] : result.detailLines) {
        EXPECT_EQ(count, LineCount(order)) << order;
        lines += count;
    }
    EXPECT_EQ(lines, result.detailRows);
}

INSTANTIATE_TEST_SUITE_P(Index, DetailFileTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool> &p) { return p.param ? "WithIndex" : "WithoutIndex"; });

TEST_F(BackupOrdersTest, BothFilesComeFromOneSnapshotWhateverOthersCommitMeanwhile) {
    OpenDatabase(6);
    RecordedProgress progress;
    const int64_t linesOfOne = LineCount(DemoOrderNumber(1));
    // Once the headers are read, another user adds a line to order 1, a new
    // order with a line, and removes order 2's lines.
    progress.onStage = [&](const std::string &stage) {
        if (stage != "讀取明細...") return;
        ExecuteSql(database, {"INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('SO00000001', 999)",
                              "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('SO99999999')",
                              "INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('SO99999999', 1)",
                              "DELETE FROM ORDER_SUB WHERE MASTERBILLID = 'SO00000002'"});
    };
    const BackupResult result = BackupOrders(*window, &progress);
    EXPECT_EQ(LineCount(DemoOrderNumber(1)), linesOfOne + 1);
    EXPECT_EQ(result.headerRows, 6);
    EXPECT_EQ(result.DetailLinesOf(DemoOrderNumber(1)), linesOfOne);
    EXPECT_GT(result.DetailLinesOf(DemoOrderNumber(2)), 0);
    EXPECT_FALSE(result.Holds("SO99999999"));
    EXPECT_FALSE(window->Connection().InTransaction());
}

TEST_F(BackupOrdersTest, AFileThatDoesNotReadBackIsAnErrorAndOnlyThisBackupsFilesGo) {
    OpenDatabase(3);
    window->now = LocalTime(2025, 1, 1, 9, 5, 3);
    std::ofstream(CdsFile("ORDER_MASTER_20250101090503.CDS")) << "an earlier backup";
    std::ofstream(CdsFile("ORDER_SUB20250101090503.CDS")) << "an earlier backup";
    const auto before = CdsContents(dir.path() + "/cds");
    RecordedProgress progress;
    // Something spoils the detail file between writing and reading back.
    const std::string detail = CdsFile("ORDER_SUB20250101090504.CDS");
    progress.onStage = [&](const std::string &stage) {
        if (stage != "核對備份檔...") return;
        std::fstream file(detail, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(fs::file_size(detail) / 2));
        file.put('\x5a');
    };
    try {
        BackupOrders(*window, &progress);
        ADD_FAILURE() << "no failure";
    } catch (const EFCreateError &failure) {
        EXPECT_THAT(failure.Message(), testing::StartsWith("Backup file \"" + detail + "\" cannot be read back."));
    }
    EXPECT_EQ(CdsContents(dir.path() + "/cds"), before);
    EXPECT_TRUE(window->Notices().empty());
}

// Cancelled late, beside the pair of an earlier backup of the same second:
// the earlier pair stays as it was, this one's files go.
TEST_F(BackupOrdersTest, ABackupCancelledLateRemovesItsOwnPairOnly) {
    OpenDatabase(3);
    window->now = LocalTime(2025, 1, 1, 9, 5, 3);
    const BackupResult earlier = BackupOrders(*window);
    const auto before = CdsContents(dir.path() + "/cds");
    RecordedProgress progress;
    progress.onStage = [&](const std::string &stage) {
        if (stage == "核對備份檔...") progress.cancel = true;
    };
    EXPECT_THROW(BackupOrders(*window, &progress), EAbort);
    EXPECT_EQ(CdsContents(dir.path() + "/cds"), before);
    EXPECT_TRUE(fs::exists(earlier.headerFile));
}

// Cancelled at any stage, the backup raises the silent abort and leaves no
// file in the cds folder.
class CancelledBackupTest : public OrderDatabaseTest, public testing::WithParamInterface<const char *> {};

TEST_P(CancelledBackupTest, LeavesNoFileAndShowsNoNotice) {
    OpenDatabase(3);
    RecordedProgress progress;
    progress.onStage = [&](const std::string &stage) {
        if (stage == GetParam()) progress.cancel = true;
    };
    EXPECT_THROW(BackupOrders(*window, &progress), EAbort);
    EXPECT_THAT(progress.stages, testing::Contains(std::string(GetParam())));
    EXPECT_TRUE(fs::is_empty(dir.path() + "/cds"));
    EXPECT_TRUE(window->Notices().empty());
    EXPECT_FALSE(window->Connection().InTransaction());
}

INSTANTIATE_TEST_SUITE_P(Stages, CancelledBackupTest,
                         testing::Values("讀取訂單...", "讀取明細...", "寫入備份檔...", "核對備份檔..."));

}  // namespace
