// Listing the orders and ticking them all, against a real database.
#include "tests/workflow/OrderDatabaseTest.h"

#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "workflow/QueryOrders.h"
#include "workflow/SelectAllOrders.h"

using namespace batchdel;

namespace {

using testing::ElementsAre;

class QueryOrdersTest : public OrderDatabaseTest {};

TEST_F(QueryOrdersTest, ListsTheMatchingOrdersUntickedAndShowsTheirCount) {
    OpenDatabase(5);
    List();
    EXPECT_EQ(window->StatusText(), "RecordCount: 5");
    EXPECT_THAT(Marks(), ElementsAre("N", "N", "N", "N", "N"));

    // The demo orders of 2024 are the first three of five.
    window->SetBox(FilterBox::DateFrom, "2024/01/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");
    List();
    EXPECT_EQ(window->StatusText(), "RecordCount: 3");
    EXPECT_THAT(ListedOrders(), ElementsAre(DemoOrderNumber(1), DemoOrderNumber(2), DemoOrderNumber(3)));
    EXPECT_EQ(window->OrderList().RecNo(), 1);
}

TEST_F(QueryOrdersTest, AQueryWithoutMatchesListsNothingAndSelectAllChangesNothing) {
    OpenDatabase(3);
    window->SetBox(FilterBox::CustomerFrom, "ZZ");
    window->SetBox(FilterBox::CustomerTo, "ZZZ");
    List();
    EXPECT_EQ(window->StatusText(), "RecordCount: 0");
    EXPECT_TRUE(window->OrderList().Active());
    EXPECT_NO_THROW(SelectAllOrders(*window));
    EXPECT_EQ(window->OrderList().RecordCount(), 0);
}

TEST_F(QueryOrdersTest, AFailingQueryClosesTheListAndKeepsTheStatusLine) {
    OpenDatabase(3);
    List();
    window->SetBox(FilterBox::DateFrom, "2024/13/01");
    window->SetBox(FilterBox::DateTo, "2024/12/31");
    EXPECT_THROW(List(), EDatabaseError);
    EXPECT_FALSE(window->OrderList().Active());
    EXPECT_EQ(window->StatusText(), "RecordCount: 3");
}

TEST_F(QueryOrdersTest, AQuoteInABoxIsComparedAsTypedAndCannotWidenTheQuery) {
    OpenDatabase(3, {"INSERT INTO ORDER_MASTER (MASTERBILLID, CUST_ID) VALUES ('Q1', 'O''B')"});
    window->SetBox(FilterBox::CustomerFrom, "O'B");
    window->SetBox(FilterBox::CustomerTo, "O'B");
    List();
    EXPECT_THAT(ListedOrders(), ElementsAre("Q1"));

    window->SetBox(FilterBox::CustomerFrom, "x' OR '1'='1");
    window->SetBox(FilterBox::CustomerTo, "x' OR '1'='1");
    List();
    EXPECT_EQ(window->StatusText(), "RecordCount: 0");
}

class SelectAllOrdersTest : public OrderDatabaseTest {};

TEST_F(SelectAllOrdersTest, TicksEveryRowEndsOnTheFirstAndTheNextQueryClearsTheTicks) {
    OpenDatabase(4);
    List();
    Tick({2});
    // A tick still being edited in the grid is posted by the first move.
    window->OrderList().SetRecNo(2);
    window->OrderList().Edit();
    window->OrderList().FieldNamed("SELECT_YN")->SetString("Y");

    SelectAllOrders(*window);
    EXPECT_THAT(Marks(), ElementsAre("Y", "Y", "Y", "Y"));
    EXPECT_EQ(window->OrderList().RecNo(), 1);
    EXPECT_EQ(window->OrderList().State(), DataSetState::Browse);

    List();
    EXPECT_THAT(Marks(), ElementsAre("N", "N", "N", "N"));
}

TEST_F(SelectAllOrdersTest, OnAClosedListFailsWithTheClosedDataSetMessage) {
    OpenDatabase(1);
    try {
        SelectAllOrders(*window);
        FAIL() << "select-all on a closed list did not fail";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "ClientDataSet1: Cannot perform this operation on a closed dataset");
    }
    EXPECT_EQ(window->StatusText(), "Record:");
}

// A grid link that fails when the third row goes into edit mode.
class FailingLink : public TDataLink {
public:
    void EditingChanged() override {
        if (DataSet()->State() == DataSetState::Edit && DataSet()->RecNo() == 3) throw EDatabaseError("link failed");
    }
};

TEST_F(SelectAllOrdersTest, AFailureInTheMiddleKeepsTheTicksMadeBeforeIt) {
    OpenDatabase(5);
    List();
    TDataSource source("DataSource1");
    source.SetDataSet(&window->OrderList());
    FailingLink link;
    link.SetDataSource(&source);

    EXPECT_THROW(SelectAllOrders(*window), EDatabaseError);
    link.SetDataSource(nullptr);
    window->OrderList().Cancel();
    EXPECT_THAT(Marks(), ElementsAre("Y", "Y", "N", "N", "N"));
}

}  // namespace
