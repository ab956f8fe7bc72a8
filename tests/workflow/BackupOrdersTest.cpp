// The backup: file names, file content read back, and its failures.
#include "OrderDatabaseTest.h"

#include <filesystem>
#include <set>

#include "BackupFileNames.h"
#include "BackupOrders.h"
#include "DataSetFile.h"
#include "Errors.h"
#include "Field.h"

namespace {

using testing::ElementsAre;
namespace fs = std::filesystem;

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(BackupFileNames, TimestampIsFourteenZeroPaddedDigitsOnTheTwentyFourHourClock)
{
    EXPECT_EQ(BackupTimestamp(LocalTime(2025, 1, 1, 9, 5, 3)), "20250101090503");
    EXPECT_EQ(BackupTimestamp(LocalTime(2024, 3, 5, 21, 0, 0)), "20240305210000");
    EXPECT_EQ(BackupTimestamp(LocalTime(1999, 12, 31, 23, 59, 59)), "19991231235959");
    EXPECT_EQ(HeaderBackupPath("/opt/orders/", "20240305140709"), "/opt/orders/cds/ORDER_MASTER_20240305140709.CDS");
    EXPECT_EQ(DetailBackupPath("/opt/orders/", "20240305140709"), "/opt/orders/cds/ORDER_SUB20240305140709.CDS");
}

// Every value of a column of a loaded backup file, row by row.
std::vector<std::string> Column(const TClientDataSet &set, const std::string &name)
{
    std::vector<std::string> values;
    for (int row = 0; row < set.RecordCount(); ++row)
        values.push_back(set.FieldNamed(name)->GetStringAt(row));
    return values;
}

std::vector<std::string> FirstColumn(const std::vector<std::vector<std::string>> &rows)
{
    std::vector<std::string> values;
    for (const auto &row : rows)
        values.push_back(row.at(0));
    return values;
}

class BackupOrdersTest : public OrderDatabaseTest {};

TEST_F(BackupOrdersTest, WritesTheMatchingHeadersAndTheirLinesToTwoTimestampedFiles)
{
    OpenDatabase(5);
    window->now = LocalTime(2025, 1, 1, 9, 5, 3);
    // Orders 1 to 3 are dated 2024; the lines of 4 and 5 must stay out.
    window->SetBox(FilterBox::DateFrom, "2024/01/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");

    const BackupFiles files = BackupOrders(*window);
    EXPECT_EQ(files.headerFile, CdsFile("ORDER_MASTER_20250101090503.CDS"));
    EXPECT_EQ(files.detailFile, CdsFile("ORDER_SUB20250101090503.CDS"));
    EXPECT_THAT(window->events, ElementsAre("notice:資料備份完成..!"));

    TClientDataSet headers("Headers");
    LoadFromFile(headers, files.headerFile);
    EXPECT_EQ(headers.FieldCount(), 8);  // every column of ORDER_MASTER
    EXPECT_THAT(Column(headers, "MASTERBILLID"),
                ElementsAre(DemoOrderNumber(1), DemoOrderNumber(2), DemoOrderNumber(3)));
    EXPECT_EQ(Column(headers, "CUST_NAME"),
              FirstColumn(QueryRows(database, "SELECT CUST_NAME FROM ORDER_MASTER WHERE BILL_DATE <= '2024-12-31'"
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
}

TEST_F(BackupOrdersTest, WithoutMatchingOrdersWritesBothFilesWithColumnsAndNoRows)
{
    OpenDatabase(2);
    window->now = LocalTime(2024, 3, 5, 21, 0, 0);
    window->SetBox(FilterBox::CustomerFrom, "ZZ");
    window->SetBox(FilterBox::CustomerTo, "ZZZ");
    const BackupFiles files = BackupOrders(*window);

    TClientDataSet headers("Headers"), lines("Lines");
    LoadFromFile(headers, CdsFile("ORDER_MASTER_20240305210000.CDS"));
    LoadFromFile(lines, CdsFile("ORDER_SUB20240305210000.CDS"));
    EXPECT_EQ(headers.RecordCount(), 0);
    EXPECT_EQ(headers.FieldCount(), 8);
    EXPECT_EQ(lines.RecordCount(), 0);
    EXPECT_EQ(lines.FieldCount(), 6);
    EXPECT_THAT(window->Notices(), ElementsAre("資料備份完成..!"));
}

TEST_F(BackupOrdersTest, WithoutACdsFolderFailsBeforeWritingAnything)
{
    OpenDatabase(2, {}, /*withCdsFolder=*/false);
    EXPECT_THROW(BackupOrders(*window), EFCreateError);
    EXPECT_FALSE(fs::exists(dir.path() + "/cds"));
    EXPECT_TRUE(window->Notices().empty());
}

TEST_F(BackupOrdersTest, ARejectedHeaderQuerySavesNothing)
{
    OpenDatabase(2);
    window->SetBox(FilterBox::DateFrom, "2024/13/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");
    EXPECT_THROW(BackupOrders(*window), EDatabaseError);
    EXPECT_TRUE(fs::is_empty(dir.path() + "/cds"));
    EXPECT_TRUE(window->Notices().empty());
}

TEST_F(BackupOrdersTest, AFailingDetailFileLeavesTheHeaderFileAndShowsNoNotice)
{
    OpenDatabase(2);
    window->now = LocalTime(2025, 1, 1, 9, 5, 3);
    // A folder where the detail file should go cannot be replaced by a file.
    fs::create_directory(CdsFile("ORDER_SUB20250101090503.CDS"));
    EXPECT_THROW(BackupOrders(*window), EFCreateError);
    EXPECT_TRUE(fs::is_regular_file(CdsFile("ORDER_MASTER_20250101090503.CDS")));
    EXPECT_TRUE(window->Notices().empty());
}

} // namespace
