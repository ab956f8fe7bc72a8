// Applying the column list when the order list opens, and the layout that
// follows: column order, titles, widths, tab stops, control kinds.
#include <QFontMetrics>
#include <gtest/gtest.h>

#include "data/dataset/Errors.h"
#include "tests/grid/GridFixture.h"

using namespace gridtest;

namespace {

QStringList Titles(const TwwCustomDBGrid &grid) {
    QStringList titles;
    for (int i = 0; i < grid.DisplayedFieldCount(); ++i) titles << grid.Column(i).DisplayLabel();
    return titles;
}

QStringList FieldNames(const TwwCustomDBGrid &grid) {
    QStringList names;
    for (int i = 0; i < grid.DisplayedFieldCount(); ++i) names << grid.Column(i).FieldName();
    return names;
}

TEST(ColumnList, OrderWindowListShowsSevenColumnsInEntryOrder) {
    OrderList orders;
    orders.Fill(3);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    EXPECT_EQ(grid->ColCount(), 8);
    EXPECT_EQ(Titles(*grid), (QStringList{QStringLiteral("選"), QStringLiteral("單號"), QStringLiteral("單據日期"),
                                          QStringLiteral("到貨日期"), QStringLiteral("客戶代號"),
                                          QStringLiteral("客戶名稱"), QStringLiteral("部門")}));
    // The field order of the result set follows the list too.
    EXPECT_EQ(orders.set.Field(0)->FieldName(), "SELECT_YN");
    EXPECT_EQ(orders.set.FieldNamed("CUST_NAME")->DisplayWidth(), 50);

    const QFontMetrics data(grid->font());
    const QFontMetrics title(grid->TitleFont());
    const int zero = data.horizontalAdvance(QLatin1Char('0'));
    EXPECT_EQ(grid->ColWidth(0), 11);
    EXPECT_EQ(grid->ColWidth(1), title.horizontalAdvance(QStringLiteral("選")) + 4);
    EXPECT_EQ(grid->ColWidth(2), std::max(20 * zero, title.horizontalAdvance(QStringLiteral("單號"))) + 4);
    EXPECT_EQ(grid->ColWidth(6), std::max(50 * zero, title.horizontalAdvance(QStringLiteral("客戶名稱"))) + 4);
    EXPECT_EQ(grid->DataRowHeight(), data.height() + 3);
    EXPECT_EQ(grid->TitleRowHeight(), title.height() + 4);

    // Only the selection column can be tabbed to; only it has a check box.
    EXPECT_TRUE(grid->TabStop(1));
    for (int col = 2; col < 8; ++col) {
        EXPECT_FALSE(grid->TabStop(col)) << col;
        EXPECT_TRUE(grid->Column(col - 1).ReadOnly()) << col;
        EXPECT_TRUE(grid->CacheColInfo(col).controlType.isEmpty()) << col;
    }
    EXPECT_FALSE(grid->Column(0).ReadOnly());
    EXPECT_EQ(grid->CacheColInfo(1).controlType, "CheckBox");
    EXPECT_EQ(grid->CacheColInfo(1).parameters, "Y;N");
    EXPECT_TRUE(grid->CacheColInfo(0).controlType.isEmpty());
    EXPECT_EQ(grid->ColumnByName("cust_name").FieldName(), "CUST_NAME");
    EXPECT_TRUE(grid->ColumnByName("NOPE").FieldName().isEmpty());
    EXPECT_FALSE(grid->Column(99).ReadOnly());
}

struct ApplyCase {
    const char *name;
    QStringList list;
    QStringList shownFields;  // expected order
    QStringList titles;
};
void PrintTo(const ApplyCase &c, std::ostream *os) { *os << c.name; }

class ApplyColumnListTest : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyColumnListTest, ShowsListedFieldsOnly) {
    const ApplyCase &c = GetParam();
    OrderList orders;
    orders.Fill(2);
    auto grid = MakeGrid();
    grid->SetSelected(c.list);
    grid->SetDataSource(&orders.source);
    EXPECT_EQ(FieldNames(*grid), c.shownFields);
    EXPECT_EQ(Titles(*grid), c.titles);
    EXPECT_EQ(grid->ColCount(), std::max<int>(1, int(c.shownFields.size())) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ApplyColumnListTest,
    ::testing::Values(ApplyCase{"MissingFieldIsSkippedButCountsForPosition",
                                {"NO_SUCH\t5\tx", "CUST_ID\t10\tCustomer", "SELECT_YN\t1\tS"},
                                {"CUST_ID", "SELECT_YN"},
                                {"Customer", "S"}},
                      ApplyCase{"UnlistedFieldsAreHidden", {"PD_DEPID\t10\tDept"}, {"PD_DEPID"}, {"Dept"}},
                      ApplyCase{"EmptyTitleShowsFieldName",
                                {"CUST_ID\t10\t", "PD_DEPID\t10\tDept\tT"},
                                {"CUST_ID", "PD_DEPID"},
                                {"CUST_ID", "Dept"}},
                      ApplyCase{"NamesMatchIgnoringCase", {"cust_id\t10\tc"}, {"CUST_ID"}, {"c"}},
                      ApplyCase{
                          "EmptyListShowsEveryFieldInQueryOrder",
                          {},
                          {"MASTERBILLID", "BILL_DATE", "FR_DATE", "CUST_ID", "CUST_NAME", "PD_DEPID", "SELECT_YN"},
                          {"MASTERBILLID", "BILL_DATE", "FR_DATE", "CUST_ID", "CUST_NAME", "PD_DEPID", "SELECT_YN"}},
                      ApplyCase{"NoFieldListedLeavesOneEmptyColumn", {"NO_SUCH\t5\tx"}, {}, {}}),
    [](const auto &tp) { return std::string(tp.param.name); });

struct BadEntryCase {
    const char *name;
    QString entry;
    const char *className;
    const char *message;
};
void PrintTo(const BadEntryCase &c, std::ostream *os) { *os << c.name; }

class BadEntryTest : public ::testing::TestWithParam<BadEntryCase> {};

TEST_P(BadEntryTest, OpeningFailsAndAnnouncementsAreReleased) {
    const BadEntryCase &c = GetParam();
    OrderList orders;
    orders.Fill(2);
    auto grid = MakeGrid();
    grid->SetSelected({QStringLiteral("CUST_ID\t10\tCustomer"), c.entry});
    try {
        grid->SetDataSource(&orders.source);
        FAIL() << "the bad entry was accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.ClassName(), c.className);
        EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_FALSE(orders.set.ControlsDisabled());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, BadEntryTest,
    ::testing::Values(BadEntryCase{"WidthNotANumber", "CUST_NAME\twide\tName", "EConvertError",
                                   "'wide' is not a valid integer value"},
                      BadEntryCase{"WidthMissing", "CUST_NAME", "EListError", "List index out of bounds (1)"},
                      BadEntryCase{"TitleMissing", "CUST_NAME\t50", "EListError", "List index out of bounds (2)"}),
    [](const auto &tp) { return std::string(tp.param.name); });

TEST(ColumnList, BadEntryForAFieldTheQueryLacksIsNeverRead) {
    OrderList orders;
    orders.Fill(1);
    auto grid = MakeGrid();
    grid->SetSelected({QStringLiteral("NO_SUCH"), QStringLiteral("CUST_ID\t10\tC")});
    grid->SetDataSource(&orders.source);
    EXPECT_EQ(FieldNames(*grid), QStringList{"CUST_ID"});
}

TEST(ColumnLayout, ClosedGridHasOneEmptyColumnThatKeepsItsLastWidth) {
    auto grid = MakeGrid();
    EXPECT_EQ(grid->ColCount(), 2);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->ColWidth(1), 64);

    OrderList orders;
    grid->SetDataSource(&orders.source);
    orders.Fill(5);
    const int selectWidth = grid->ColWidth(1);
    EXPECT_NE(selectWidth, 64);
    EXPECT_EQ(grid->RowCount(), 6);

    orders.set.Close();
    EXPECT_EQ(grid->ColCount(), 2);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->ColWidth(1), selectWidth);
}

TEST(ColumnLayout, ReopeningRestoresWidthsAndOrderAfterOperatorChanges) {
    OrderList orders;
    orders.Fill(3);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    const int zero = QFontMetrics(grid->font()).horizontalAdvance(QLatin1Char('0'));
    const int original = grid->ColWidth(6);

    // Dragging CUST_NAME to 10 characters plus 3 pixels keeps 10 characters.
    grid->ResizeColumnByOperator(6, 10 * zero + 4 + 3);
    EXPECT_EQ(orders.set.FieldNamed("CUST_NAME")->DisplayWidth(), 10);
    EXPECT_EQ(grid->ColWidth(6), 10 * zero + 4);
    // Too narrow for the title: springs back to the title width plus 4.
    grid->ResizeColumnByOperator(1, 2);
    EXPECT_EQ(grid->ColWidth(1), QFontMetrics(grid->TitleFont()).horizontalAdvance(QStringLiteral("選")) + 4);
    orders.set.FieldNamed("PD_DEPID")->SetIndex(0);
    EXPECT_EQ(grid->Column(0).FieldName(), "PD_DEPID");

    orders.Fill(3);  // a new query: the list is applied again
    EXPECT_EQ(grid->Column(0).FieldName(), "SELECT_YN");
    EXPECT_EQ(grid->ColWidth(6), original);
}

TEST(ColumnLayout, RowWindowHoldsTheRowsThatFit) {
    OrderList orders;
    orders.Fill(1000);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    const int fit = (grid->viewport()->height() - grid->TitleRowHeight()) / (grid->DataRowHeight() + 1);
    EXPECT_EQ(grid->VisibleRowCount(), fit);
    EXPECT_EQ(grid->RowCount(), fit + 1);

    grid->resize(grid->width(), grid->height() + 5 * (grid->DataRowHeight() + 1));
    QApplication::processEvents();
    EXPECT_EQ(grid->RowCount(), fit + 6);

    OrderList few;
    few.Fill(3);
    grid->SetDataSource(&few.source);
    EXPECT_EQ(grid->RowCount(), 4);
}

}  // namespace
