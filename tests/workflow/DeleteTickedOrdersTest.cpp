// The batch deletion against a real database: questions, what goes, what
// stays, and how failures leave the data.
#include "tests/workflow/OrderDatabaseTest.h"

#include <unistd.h>

#include <filesystem>

#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/packet/DataSetFile.h"
#include "workflow/BackupOrders.h"
#include "workflow/DeleteTickedOrders.h"

using namespace batchdel;

namespace {

using testing::ElementsAre;

const std::string kQuestion =
    "question:確定刪除所選資料?|Confirm|" + std::to_string(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
const std::string kBackupQuestion = "dialog:刪除前是否將資料備份到單機?|" +
                                    std::to_string(static_cast<int>(DialogKind::Confirmation)) + "|" +
                                    std::to_string(mbYes | mbNo);
const std::string kBackupDone = "notice:資料備份完成..!";

class DeleteTickedOrdersTest : public OrderDatabaseTest {
protected:
    // Every order of the demo database still whole: its header and all its lines.
    void ExpectWhole(const std::string &order, int64_t lines) {
        EXPECT_EQ(HeaderCount(order), 1) << order;
        EXPECT_EQ(LineCount(order), lines) << order;
    }
    void ExpectGone(const std::string &order) {
        EXPECT_EQ(HeaderCount(order), 0) << order;
        EXPECT_EQ(LineCount(order), 0) << order;
    }
    // Lines per order before the run.
    std::vector<int64_t> LinesBefore(int orders) {
        std::vector<int64_t> lines;
        for (int n = 1; n <= orders; ++n) lines.push_back(LineCount(DemoOrderNumber(n)));
        return lines;
    }
};

TEST_F(DeleteTickedOrdersTest, AnsweringNoToTheFirstQuestionEndsTheCommand) {
    OpenDatabase(3);
    List();
    Tick({0, 1, 2});
    window->messageBoxAnswers = {mrNo};
    DeleteTickedOrders(*window);
    EXPECT_THAT(window->events, ElementsAre(kQuestion));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 3);
}

TEST_F(DeleteTickedOrdersTest, WithNothingTickedDeletesNothingAndSaysNothing) {
    OpenDatabase(3);
    List();
    const int64_t lines = Count("SELECT COUNT(*) FROM ORDER_SUB");
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    DeleteTickedOrders(*window);
    EXPECT_THAT(window->events, ElementsAre(kQuestion, kBackupQuestion));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 3);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB"), lines);
}

TEST_F(DeleteTickedOrdersTest, DeletesExactlyTheTickedOrdersWithTheirLinesAndLeavesTheListAsItWas) {
    OpenDatabase(5);
    const auto lines = LinesBefore(5);
    List();
    Tick({1, 3});
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    DeleteTickedOrders(*window);

    ExpectWhole(DemoOrderNumber(1), lines[0]);
    ExpectGone(DemoOrderNumber(2));
    ExpectWhole(DemoOrderNumber(3), lines[2]);
    ExpectGone(DemoOrderNumber(4));
    ExpectWhole(DemoOrderNumber(5), lines[4]);
    EXPECT_TRUE(window->Notices().empty());
    // The list is not refreshed: the deleted orders stay listed and ticked.
    EXPECT_THAT(Marks(), ElementsAre("N", "Y", "N", "Y", "N"));
    EXPECT_EQ(window->OrderList().RecNo(), 5);
    EXPECT_FALSE(window->Connection().InTransaction());

    // A second run sends the same statements, which find nothing.
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    EXPECT_NO_THROW(DeleteTickedOrders(*window));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 3);
}

TEST_F(DeleteTickedOrdersTest, WithTheBackupChosenBacksUpFirstThenDeletes) {
    OpenDatabase(4);
    List();
    Tick({0, 2});
    window->now.tm_year = 124;  // 2024-01-02 00:00:00
    window->now.tm_mday = 2;
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    DeleteTickedOrders(*window);

    EXPECT_THAT(window->events, ElementsAre(kQuestion, kBackupQuestion, kBackupDone));
    ExpectGone(DemoOrderNumber(1));
    ExpectGone(DemoOrderNumber(3));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 2);
    TClientDataSet headers("Headers");
    LoadFromFile(headers, CdsFile("ORDER_MASTER_20240102000000.CDS"));
    EXPECT_EQ(headers.RecordCount(), 4);
}

TEST_F(DeleteTickedOrdersTest, AFailedBackupEndsTheDeletionBeforeAnythingIsDeleted) {
    OpenDatabase(3, {}, /*withCdsFolder=*/false);
    List();
    Tick({0, 1, 2});
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    EXPECT_THROW(DeleteTickedOrders(*window), EFCreateError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 3);
}

TEST_F(DeleteTickedOrdersTest, OnAClosedListFailsAfterBothQuestionsAndDeletesNothing) {
    OpenDatabase(2);
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    EXPECT_THROW(DeleteTickedOrders(*window), EDatabaseError);
    EXPECT_THAT(window->events, ElementsAre(kQuestion, kBackupQuestion));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 2);
}

TEST_F(DeleteTickedOrdersTest, AFailingOrderStaysWholeEarlierOrdersStayDeletedLaterOnesUntouched) {
    // The header of the third order refuses to go, after its lines went.
    OpenDatabase(5, {"CREATE EXCEPTION KEEP_ORDER 'order is kept'",
                     "CREATE TRIGGER KEEP_THIRD FOR ORDER_MASTER BEFORE DELETE AS BEGIN"
                     " IF (OLD.MASTERBILLID = 'SO00000003') THEN EXCEPTION KEEP_ORDER; END"});
    const auto lines = LinesBefore(5);
    List();
    Tick({0, 2, 4});
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    try {
        DeleteTickedOrders(*window);
        FAIL() << "the refused deletion was not reported";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(e.Message().find("order is kept"), std::string::npos) << e.Message();
    }
    ExpectGone(DemoOrderNumber(1));
    ExpectWhole(DemoOrderNumber(2), lines[1]);
    ExpectWhole(DemoOrderNumber(3), lines[2]);
    ExpectWhole(DemoOrderNumber(4), lines[3]);
    ExpectWhole(DemoOrderNumber(5), lines[4]);
    EXPECT_FALSE(window->Connection().InTransaction());
    EXPECT_EQ(window->OrderList().RecNo(), 3);

    // The connection goes on working after the failure.
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    window->OrderList().SetRecNo(3);
    window->OrderList().Edit();
    window->OrderList().FieldNamed("SELECT_YN")->SetString("N");
    window->OrderList().Post();
    DeleteTickedOrders(*window);
    ExpectGone(DemoOrderNumber(5));
}

TEST_F(DeleteTickedOrdersTest, AnOrderNumberWithQuotesDeletesThatOrderOnly) {
    OpenDatabase(2, {"INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('Q''1')",
                     "INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO) VALUES ('Q''1', 1)",
                     "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('X'' OR ''A''=''A')",
                     "INSERT INTO ORDER_MASTER (MASTERBILLID) VALUES ('Q')"});
    const auto lines = LinesBefore(2);
    List();
    const auto listed = ListedOrders();
    std::vector<int> rows;
    for (int row = 0; row < static_cast<int>(listed.size()); ++row)
        if (listed[row].find('\'') != std::string::npos) rows.push_back(row);
    ASSERT_EQ(rows.size(), 2u);
    Tick(rows);
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    DeleteTickedOrders(*window);

    ExpectGone("Q'1");
    ExpectGone("X' OR 'A'='A");
    EXPECT_EQ(HeaderCount("Q"), 1);
    ExpectWhole(DemoOrderNumber(1), lines[0]);
    ExpectWhole(DemoOrderNumber(2), lines[1]);
}

TEST_F(DeleteTickedOrdersTest, TickedOrdersOutsideTheChosenBackupAreKeptAndCounted) {
    OpenDatabase(5);
    const auto lines = LinesBefore(5);
    List();
    Tick({0, 1, 2, 3, 4});
    // The boxes now cover only the orders of 2024 (the first three).
    window->SetBox(FilterBox::DateFrom, "2024/01/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrYes};
    DeleteTickedOrders(*window);

    ExpectGone(DemoOrderNumber(1));
    ExpectGone(DemoOrderNumber(2));
    ExpectGone(DemoOrderNumber(3));
    ExpectWhole(DemoOrderNumber(4), lines[3]);
    ExpectWhole(DemoOrderNumber(5), lines[4]);
    EXPECT_THAT(window->Notices(), ElementsAre("資料備份完成..!", "2 筆勾選的訂單不在本次備份中，未刪除。"));

    // Without a backup the boxes do not matter: what is ticked goes.
    window->messageBoxAnswers = {mrYes};
    window->dialogAnswers = {mrNo};
    DeleteTickedOrders(*window);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 0);
}

}  // namespace

namespace {

// A user of the test server who may read the orders but not delete them: the
// window tells him in the server's words before it asks about a backup, and
// writes nothing (no backup pair, no journal line); its backup command too.
TEST_F(DeleteTickedOrdersTest, AUserWithoutTheRightToDeleteIsToldBeforeAnythingIsWritten) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    databaseOn = Backend::Server;
    const std::string user = "BATCHDEL_W" + std::to_string(::getpid());
    connectionLines = {"User_Name=" + user, "Password=limited1"};
    OpenDatabase(3, {"CREATE USER " + user + " PASSWORD 'limited1'", "GRANT SELECT ON ORDER_MASTER TO " + user,
                     "GRANT SELECT ON ORDER_SUB TO " + user, "GRANT DELETE ON ORDER_MASTER TO " + user});
    const int64_t lines = Count("SELECT COUNT(*) FROM ORDER_SUB");
    List();
    Tick({0, 1, 2});
    window->messageBoxAnswers = {mrYes};
    try {
        DeleteTickedOrders(*window);
        ADD_FAILURE() << "no failure";
    } catch (const EDatabaseError &failure) {
        EXPECT_THAT(failure.Message(), testing::HasSubstr("no permission for DELETE access to TABLE ORDER_SUB"));
        EXPECT_EQ(failure.Kind(), FailureKind::NoPermission);
    }
    EXPECT_THAT(window->events, ElementsAre(kQuestion));
    // The backup command alone, a backup for deleting afterwards, says the same.
    EXPECT_THROW(BackupOrders(*window), EDatabaseError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() + "/cds"));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_MASTER"), 3);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM ORDER_SUB"), lines);
    window.reset();
    ExecuteSql(database, {"DROP USER " + user}, TestServerLogin());
}

}  // namespace
