// The operator's whole job through the real window: filter, list, tick all,
// delete with or without a backup first, against a database of its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/BatchdelApplication.h"
#include "app/DateBox.h"
#include "app/FrmDulvane.h"
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Field.h"
#include "data/packet/DataSetFile.h"
#include "tests/app/DialogAnswers.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace {
constexpr int kOrders = 300;

using Rows = std::vector<std::vector<std::string>>;

// The backup files a test's window writes into its program folder, found
// as the files that were not there at the start, and removed at the end.
class NewBackupFiles {
public:
    explicit NewBackupFiles(const QString &programFolder)
        : folder_(programFolder + QStringLiteral("cds")), before_(Entries()) {}
    ~NewBackupFiles() {
        for (const QString &name : Entries())
            if (!before_.contains(name)) QFile::remove(folder_ + QLatin1Char('/') + name);
    }
    // The new files whose names start with prefix.
    std::vector<std::string> Named(const QString &prefix) const {
        std::vector<std::string> paths;
        for (const QString &name : Entries())
            if (!before_.contains(name) && name.startsWith(prefix))
                paths.push_back((folder_ + QLatin1Char('/') + name).toStdString());
        return paths;
    }

private:
    QStringList Entries() const { return QDir(folder_).entryList(QDir::Files); }
    QString folder_;
    QStringList before_;
};

// The values of one column of every row of a result set.
std::set<std::string> ColumnValues(const TClientDataSet &set, const std::string &column) {
    std::set<std::string> values;
    const TField *field = set.FieldNamed(column);
    for (int row = 0; row < set.RecordCount(); ++row) values.insert(field->GetStringAt(row));
    return values;
}

std::set<std::string> FirstColumn(const Rows &rows) {
    std::set<std::string> values;
    for (const auto &row : rows) values.insert(row.at(0));
    return values;
}

// A shown window on a database of its own, with a few hundred orders, and a
// program folder of its own for its backups (they are named by the second,
// so windows of tests running side by side must not share one).
class OrderJob : public ::testing::Test {
protected:
    void SetUp() override {
        database = MakeTestDatabase(dir, kOrders);
        WriteConfigFiles(dir.path(), database);
        TFormDulvaneSetup setup;
        setup.dpi = 96;
        setup.connectionFile = dir.file("connections.ini");
        setup.driverFile = dir.file("drivers.ini");
        setup.dataFolder = dir.path() + "/";
        QDir().mkpath(ProgramFolder() + QStringLiteral("cds"));  // no folder notice
        form = std::make_unique<TFormDulvane>(nullptr, setup);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override {
        if (form) form->close();
    }

    // Types the filter as the operator does: dates as digits, the rest as
    // text; boxes already filled are typed over.
    void TypeFilter(const QString &dateFrom, const QString &dateTo, const QString &customerFrom,
                    const QString &customerTo, const QString &departmentFrom, const QString &departmentTo) {
        for (auto [box, digits] : {std::pair{form->MaskEdit1, dateFrom}, std::pair{form->MaskEdit2, dateTo}}) {
            QTest::keyClick(box, Qt::Key_Home);
            QTest::keyClicks(box, digits);
        }
        for (auto [box, text] : {std::pair{form->Edit1, customerFrom}, std::pair{form->Edit2, customerTo},
                                 std::pair{form->Edit3, departmentFrom}, std::pair{form->Edit4, departmentTo}}) {
            box->selectAll();
            QTest::keyClicks(box, text);
        }
    }

    void Click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    Rows Select(const std::string &sql) const { return QueryRows(database, sql); }
    int64_t Count(const std::string &sql) const { return CountRows(database, sql); }

    QString ProgramFolder() const { return QString::fromStdString(dir.path() + "/"); }

    TempDir dir;
    std::string database;
    std::unique_ptr<TFormDulvane> form;
};

// The filter typed in the main job, as a condition on ORDER_MASTER.
const char *const kJobFilter =
    "BILL_DATE BETWEEN '2024-03-01' AND '2024-12-31' AND CUST_ID BETWEEN 'C0001' AND 'C0200'"
    " AND PD_DEPID BETWEEN 'D02' AND 'D07'";

const QString kAskDelete = QStringLiteral("確定刪除所選資料?");
const QString kAskBackup = QStringLiteral("刪除前是否將資料備份到單機?");
const QString kBackupDone = QStringLiteral("資料備份完成..!");
}  // namespace

TEST_F(OrderJob, ListTickAllThenDeleteWithBackupAfterOneRefusal) {
    const std::string filter = kJobFilter;
    const Rows listedBefore = Select("SELECT MASTERBILLID FROM ORDER_MASTER WHERE " + filter);
    const int64_t listed = static_cast<int64_t>(listedBefore.size());
    ASSERT_GT(listed, 10);
    ASSERT_LT(listed, kOrders / 2);  // the filter leaves plenty of orders out
    const std::string listedLines =
        "SELECT * FROM ORDER_SUB WHERE MASTERBILLID IN "
        "(SELECT MASTERBILLID FROM ORDER_MASTER WHERE " +
        filter + ")";
    const int64_t listedLineCount = static_cast<int64_t>(Select(listedLines).size());
    const Rows othersBefore = Select("SELECT * FROM ORDER_MASTER WHERE NOT (" + filter + ") ORDER BY 1");
    const Rows otherLinesBefore = Select(
        "SELECT * FROM ORDER_SUB WHERE MASTERBILLID NOT IN "
        "(SELECT MASTERBILLID FROM ORDER_MASTER WHERE " +
        filter + ") ORDER BY 1, 2");

    // List.
    TypeFilter("20240301", "20241231", "C0001", "C0200", "D02", "D07");
    const QChar sep = SystemDateSeparator();
    EXPECT_EQ(form->BoxText(FilterBox::DateFrom), (QStringLiteral("2024") + sep + "03" + sep + "01").toStdString());
    Click(form->SpeedButton1);
    EXPECT_EQ(form->LabelRecord->text(), QStringLiteral("RecordCount: %1").arg(listed));
    TClientDataSet &list = form->OrderList();
    ASSERT_EQ(list.RecordCount(), listed);
    EXPECT_EQ(ColumnValues(list, "MASTERBILLID"), FirstColumn(listedBefore));

    // Tick all.
    Click(form->SpeedButton2);
    EXPECT_EQ(ColumnValues(list, "SELECT_YN"), std::set<std::string>{"Y"});

    // Enter on the first question is No: nothing goes, nothing more is asked.
    {
        DialogAnswers answers({QString()});
        Click(form->SpeedButton3);
        EXPECT_EQ(answers.Seen(), QStringList{kAskDelete});
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), kOrders);
    EXPECT_EQ(static_cast<int64_t>(Select(listedLines).size()), listedLineCount);

    // Yes, and Yes to the backup first.
    NewBackupFiles files(ProgramFolder());
    {
        DialogAnswers answers({QStringLiteral("Yes"), QStringLiteral("Yes"), QString()});
        Click(form->SpeedButton3);
        EXPECT_EQ(answers.Seen(), QStringList({kAskDelete, kAskBackup, kBackupDone}));
    }

    // The backup holds the listed orders and their lines as they were.
    const std::vector<std::string> headerFiles = files.Named(QStringLiteral("ORDER_MASTER_"));
    const std::vector<std::string> detailFiles = files.Named(QStringLiteral("ORDER_SUB"));
    ASSERT_EQ(headerFiles.size(), 1u);
    ASSERT_EQ(detailFiles.size(), 1u);
    EXPECT_EQ(headerFiles[0].substr(headerFiles[0].size() - 4), ".CDS");
    EXPECT_EQ(detailFiles[0].substr(detailFiles[0].size() - 18),
              headerFiles[0].substr(headerFiles[0].size() - 18));  // one timestamp for both
    TClientDataSet headers, details;
    LoadFromFile(headers, headerFiles[0]);
    LoadFromFile(details, detailFiles[0]);
    EXPECT_EQ(headers.RecordCount(), listed);
    EXPECT_EQ(ColumnValues(headers, "MASTERBILLID"), FirstColumn(listedBefore));
    EXPECT_NE(headers.FindField("TOTAL_AMT"), nullptr);  // whole rows, not just the listed columns
    EXPECT_EQ(details.RecordCount(), listedLineCount);
    EXPECT_EQ(ColumnValues(details, "MASTERBILLID"), FirstColumn(listedBefore));

    // The listed orders and their lines are gone; every other row is as it was.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + filter), 0);
    EXPECT_EQ(Select("SELECT * FROM ORDER_MASTER ORDER BY 1"), othersBefore);
    EXPECT_EQ(Select("SELECT * FROM ORDER_SUB ORDER BY 1, 2"), otherLinesBefore);
}

TEST_F(OrderJob, TickedOrdersTheChangedBoxesNoLongerCoverStayWhenBackedUp) {
    // Listed and ticked under one filter...
    const std::string listedFilter = "BILL_DATE BETWEEN '2024-03-01' AND '2024-06-30'";
    TypeFilter("20240301", "20240630", "", "", "", "");
    Click(form->SpeedButton1);
    const int64_t listed = Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + listedFilter);
    ASSERT_EQ(form->LabelRecord->text(), QStringLiteral("RecordCount: %1").arg(listed));
    Click(form->SpeedButton2);

    // ...then the boxes changed: a wider date range, fewer customers. The
    // backup follows the boxes, so it holds unlisted orders and misses some
    // ticked ones.
    const std::string backupFilter =
        "BILL_DATE BETWEEN '2024-01-01' AND '2024-06-30'"
        " AND CUST_ID BETWEEN 'C0001' AND 'C0150'";
    TypeFilter("20240101", "20240630", "C0001", "C0150", "", "");
    const int64_t tickedAndBackedUp =
        Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + listedFilter + " AND " + backupFilter);
    const int64_t tickedNotBackedUp = listed - tickedAndBackedUp;
    const int64_t backedUpNotTicked =
        Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + backupFilter + " AND NOT (" + listedFilter + ")");
    ASSERT_GT(tickedAndBackedUp, 0);
    ASSERT_GT(tickedNotBackedUp, 0);
    ASSERT_GT(backedUpNotTicked, 0);

    const int64_t linesBefore = Count("SELECT COUNT(*) FROM ORDER_SUB");
    const int64_t linesToGo = Count(
        "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID IN (SELECT MASTERBILLID"
        " FROM ORDER_MASTER WHERE " +
        listedFilter + " AND " + backupFilter + ")");
    NewBackupFiles files(ProgramFolder());
    {
        DialogAnswers answers({QStringLiteral("Yes"), QStringLiteral("Yes"), QString(), QString()});
        Click(form->SpeedButton3);
        EXPECT_EQ(answers.Seen(),
                  QStringList({kAskDelete, kAskBackup, kBackupDone,
                               QStringLiteral("%1 筆勾選的訂單不在本次備份中，未刪除。").arg(tickedNotBackedUp)}));
    }
    // Only orders both ticked and backed up went.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), kOrders - tickedAndBackedUp);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + listedFilter + " AND " + backupFilter), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + listedFilter + " AND NOT (" + backupFilter + ")"),
              tickedNotBackedUp);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER WHERE " + backupFilter + " AND NOT (" + listedFilter + ")"),
              backedUpNotTicked);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB"), linesBefore - linesToGo);
}

TEST_F(OrderJob, ALongDeletionShowsItsProgressAndCancelKeepsWhatIsDone) {
    // Every header takes a while to go, so the run lasts some seconds.
    ExecuteSql(database, {"CREATE TRIGGER SLOW_DELETE FOR ORDER_MASTER BEFORE DELETE AS"
                          " DECLARE I INTEGER = 0; BEGIN WHILE (I < 100000) DO I = I + 1; END"});
    const int64_t linesBefore = Count("SELECT COUNT(*) FROM ORDER_SUB");
    Click(form->SpeedButton1);  // every order: the boxes are empty
    Click(form->SpeedButton2);
    QStringList seen;
    {
        DialogAnswers answers({QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel"), QString()});
        Click(form->SpeedButton3);
        seen = answers.Seen();
    }
    const int64_t left = Count("SELECT COUNT(*) FROM ORDER_MASTER");
    const int64_t deleted = kOrders - left;
    EXPECT_GT(deleted, 0);
    EXPECT_GT(left, 0);
    EXPECT_EQ(seen, QStringList(
                        {kAskDelete, kAskBackup, QStringLiteral("刪除訂單"),
                         QStringLiteral("已取消：已刪除 %1 筆訂單，%2 筆勾選的訂單未刪除。").arg(deleted).arg(left)}));
    // Whole orders went: the lines left are exactly those of the orders left.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID NOT IN (SELECT MASTERBILLID FROM ORDER_MASTER)"),
              0);
    EXPECT_LT(Count("SELECT COUNT(*) FROM ORDER_SUB"), linesBefore);
    // One journal line per deleted order, after the header line.
    QFile journal(ProgramFolder() + QStringLiteral("cds/deletions.log"));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    EXPECT_EQ(journal.readAll().count('\n'), deleted + 1);
    // The window takes input again.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(form->isEnabled());
}
