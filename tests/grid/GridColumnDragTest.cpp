// Sizing and moving columns with real mouse events at real pixel positions,
// over orders listed from a real database: a dragged edge snaps to whole
// characters and never below the title, a dragged title lands on the column
// under the pointer, and dragging near an edge scrolls the columns.
#include <QFontMetrics>
#include <QLabel>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "grid/ColumnDragRules.h"
#include "tests/grid/GridFixture.h"
#include "tests/grid/OrderListDatabase.h"

using namespace gridtest;

namespace {

enum GridCol { kSelect = 1, kBillId, kBillDate, kFrDate, kCustId, kCustName, kDepId };

class ColumnDragTest : public ::testing::Test {
protected:
    void Open(QSize size) {
        orders.List();
        grid = MakeGrid(size);
        grid->SetDataSource(&orders.source);
        grid->OnColumnMoved = [this](TwwCustomDBGrid *, int from, int to) { moves.emplace_back(from, to); };
        ShowAndWait(grid.get());
        viewport = grid->viewport();
    }
    void SetUp() override { Open({1000, 300}); }

    QPoint TitleCentre(int col) const { return grid->CellRect(col, 0).center(); }
    // Where the column's right line starts, in the title row.
    QPoint RightLine(int col) const {
        const QRect title = grid->CellRect(col, 0);
        return {title.left() + title.width(), title.center().y()};
    }

    void Press(QPoint at) { QTest::mousePress(viewport, Qt::LeftButton, {}, at); }
    void MoveTo(QPoint at) { QTest::mouseMove(viewport, at); }
    void Release(QPoint at) { QTest::mouseRelease(viewport, Qt::LeftButton, {}, at); }
    void Drag(QPoint from, QPoint to) {
        Press(from);
        MoveTo(to);
        Release(to);
    }

    std::vector<std::string> FieldOrder() const {
        std::vector<std::string> names;
        for (int i = 0; i < grid->DisplayedFieldCount(); ++i) names.push_back(grid->DisplayedField(i)->FieldName());
        return names;
    }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int col = 0; col < grid->ColCount(); ++col) widths.push_back(grid->ColWidth(col));
        return widths;
    }
    int ZeroWidth() const { return QFontMetrics(grid->font()).horizontalAdvance(QLatin1Char('0')); }
    int TitleWidth(int col) const {
        const QString title = QString::fromStdString(grid->ColumnField(col)->DisplayLabel());
        return QFontMetrics(grid->TitleFont()).horizontalAdvance(title);
    }

    DatabaseOrderList orders;
    std::unique_ptr<TwwDBGrid> grid;
    QWidget *viewport = nullptr;
    std::vector<std::pair<int, int>> moves;
};

const std::vector<std::string> kListOrder = {"SELECT_YN", "MASTERBILLID", "BILL_DATE", "FR_DATE",
                                             "CUST_ID",   "CUST_NAME",    "PD_DEPID"};

// ---------------------------------------------------------------- sizing

TEST_F(ColumnDragTest, AColumnEdgeFollowsThePointerAndSnapsToWholeCharacters) {
    const int zero = ZeroWidth();
    const int start = grid->ColWidth(kCustId);
    ASSERT_EQ(start, 10 * zero + 4);
    std::vector<int> expected = Widths();
    // Taken 2 pixels left of the line, dropped 3 characters and 2 pixels on.
    const QPoint edge = RightLine(kCustId) - QPoint(2, 0);
    Press(edge);
    MoveTo(edge + QPoint(3 * zero + 2, 0));
    EXPECT_EQ(grid->ColWidth(kCustId), start + 3 * zero + 2);  // follows the pointer
    Release(edge + QPoint(3 * zero + 2, 0));
    const int characters = wwgrid::DisplayWidthForPixels(start + 3 * zero + 2, zero);
    EXPECT_EQ(orders.set.FieldNamed("CUST_ID")->DisplayWidth(), characters);
    expected[kCustId] = characters * zero + 4;
    EXPECT_EQ(Widths(), expected);  // the other columns keep theirs
    EXPECT_TRUE(moves.empty());
    EXPECT_EQ(FieldOrder(), kListOrder);
}

TEST_F(ColumnDragTest, AColumnNeverGetsNarrowerThanItsTitle) {
    const QPoint edge = RightLine(kCustId) + QPoint(4, 0);  // the zone's right end
    Drag(edge, edge - QPoint(200, 0));
    EXPECT_EQ(grid->ColWidth(kCustId), TitleWidth(kCustId) + 4);
}

TEST_F(ColumnDragTest, OnlyTheEightPixelsAroundTheLineSizeAColumn) {
    const std::vector<int> widths = Widths();
    // One pixel right of the zone the press watches for a move instead, and
    // a press on the indicator's edge does nothing.
    for (QPoint at : {RightLine(kCustId) + QPoint(5, 0), RightLine(kCustId) - QPoint(4, 0)}) {
        Press(at);
        MoveTo(at + QPoint(30, 0));
        EXPECT_EQ(grid->ColWidth(kCustId), widths[kCustId]);
        MoveTo(at);
        Release(at);
    }
    EXPECT_TRUE(moves.empty());
    const QPoint indicatorEdge(grid->ColWidth(0), 5);
    EXPECT_FALSE(grid->TitleMousePress(std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, indicatorEdge,
                                                                     viewport->mapToGlobal(indicatorEdge),
                                                                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier)
                                           .get()));
    Drag(indicatorEdge, indicatorEdge + QPoint(30, 0));
    EXPECT_EQ(Widths(), widths);
}

TEST_F(ColumnDragTest, ThePointerShowsWhereAnEdgeCanBeTaken) {
    MoveTo(RightLine(kBillId));
    EXPECT_TRUE(viewport->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(viewport->cursor().shape(), Qt::SplitHCursor);
    MoveTo(TitleCentre(kBillId));
    EXPECT_FALSE(viewport->testAttribute(Qt::WA_SetCursor));
}

// ---------------------------------------------------------------- moving

TEST_F(ColumnDragTest, ATitleDraggedTwoPixelsMovesNothing) {
    const QPoint from = TitleCentre(kBillId);
    Press(from);
    MoveTo(from + QPoint(2, 2));
    EXPECT_EQ(viewport->findChild<QLabel *>(), nullptr);  // no picture yet
    Release(from + QPoint(2, 2));
    EXPECT_EQ(FieldOrder(), kListOrder);
    EXPECT_TRUE(moves.empty());
}

struct DropCase {
    const char *name;
    int from;
    enum Where { OnColumn, BeyondTheLast, OverTheIndicator } where;
    int onto;
    std::vector<std::string> order;
};
void PrintTo(const DropCase &c, std::ostream *os) { *os << c.name; }

class ColumnDropTest : public ColumnDragTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(ColumnDropTest, LandsOnTheColumnUnderThePointer) {
    const DropCase &c = GetParam();
    const int rowY = grid->CellRect(1, 3).center().y();  // the height does not matter
    QPoint to;
    switch (c.where) {
        case DropCase::OnColumn:
            to = {TitleCentre(c.onto).x(), rowY};
            break;
        case DropCase::BeyondTheLast:
            to = {grid->Geometry().clientWidth - 2, rowY};
            break;
        case DropCase::OverTheIndicator:
            to = {4, rowY};
            break;
    }
    const QPoint from = TitleCentre(c.from);
    Press(from);
    MoveTo(from + QPoint(0, 5));
    EXPECT_NE(viewport->findChild<QLabel *>(), nullptr);  // the title's picture follows
    MoveTo(to);
    Release(to);
    EXPECT_EQ(FieldOrder(), c.order);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(c.from, c.onto));
    EXPECT_FALSE(viewport->findChild<QLabel *>()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Drops, ColumnDropTest,
    ::testing::Values(
        DropCase{"Rightwards",
                 kBillId,
                 DropCase::OnColumn,
                 kCustId,
                 {"SELECT_YN", "BILL_DATE", "FR_DATE", "CUST_ID", "MASTERBILLID", "CUST_NAME", "PD_DEPID"}},
        DropCase{"Leftwards",
                 kDepId,
                 DropCase::OnColumn,
                 kBillDate,
                 {"SELECT_YN", "MASTERBILLID", "PD_DEPID", "BILL_DATE", "FR_DATE", "CUST_ID", "CUST_NAME"}},
        DropCase{"BeyondTheLastIsTheLast",
                 kBillDate,
                 DropCase::BeyondTheLast,
                 kDepId,
                 {"SELECT_YN", "MASTERBILLID", "FR_DATE", "CUST_ID", "CUST_NAME", "PD_DEPID", "BILL_DATE"}},
        DropCase{"OverTheIndicatorIsTheFirst",
                 kCustId,
                 DropCase::OverTheIndicator,
                 kSelect,
                 {"CUST_ID", "SELECT_YN", "MASTERBILLID", "BILL_DATE", "FR_DATE", "CUST_NAME", "PD_DEPID"}}),
    [](const ::testing::TestParamInfo<DropCase> &param) { return std::string(param.param.name); });

TEST_F(ColumnDragTest, DroppedBackOnItselfNothingMoves) {
    const QPoint from = TitleCentre(kBillId);
    Press(from);
    MoveTo(TitleCentre(kCustName));
    MoveTo(from + QPoint(6, 0));
    Release(from + QPoint(6, 0));
    EXPECT_EQ(FieldOrder(), kListOrder);
    EXPECT_TRUE(moves.empty());
}

TEST_F(ColumnDragTest, TheCurrentCellStaysWithItsFieldAndANewQueryRestoresTheList) {
    grid->SetCol(kBillId);
    const std::vector<int> widths = Widths();
    Drag(TitleCentre(kBillId), TitleCentre(kCustName));
    EXPECT_EQ(grid->Col(), kCustName);
    EXPECT_EQ(grid->ColumnField(grid->Col())->FieldName(), "MASTERBILLID");
    // A column that moved past the current one shifts it.
    Drag(TitleCentre(kSelect), TitleCentre(kDepId));
    EXPECT_EQ(grid->ColumnField(grid->Col())->FieldName(), "MASTERBILLID");
    EXPECT_EQ(grid->Col(), kCustId);
    const QPoint edge = RightLine(kBillDate);
    Drag(edge, edge + QPoint(40, 0));
    ASSERT_NE(Widths(), widths);

    orders.List();
    EXPECT_EQ(FieldOrder(), kListOrder);
    EXPECT_EQ(Widths(), widths);
}

// ---------------------------------------------------------------- scrolling while dragging

TEST_F(ColumnDragTest, DraggingNearAnEdgeScrollsOneColumnAtATimeUntilThePointerLeaves) {
    grid.reset();
    Open({420, 300});
    const int last = grid->Geometry().MaxLeftCol();
    ASSERT_GT(last, 2);
    ASSERT_EQ(grid->LeftCol(), 1);
    const int right = grid->Geometry().clientWidth;

    std::vector<int> leftCols;
    QObject::connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged,
                     [&] { leftCols.push_back(grid->LeftCol()); });

    // Moving right into the last 10 pixels: one column per tick, not at once.
    const QPoint from = TitleCentre(kBillId);
    Press(from);
    MoveTo(from + QPoint(20, 0));
    MoveTo({right - 4, from.y()});
    EXPECT_EQ(grid->LeftCol(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->LeftCol() == last; }, 3000));
    std::vector<int> oneByOne;
    for (int col = 2; col <= last; ++col) oneByOne.push_back(col);
    EXPECT_EQ(leftCols, oneByOne);

    // Out of the margin the scrolling stops.
    MoveTo({right / 2, from.y()});
    QTest::qWait(250);
    EXPECT_EQ(grid->LeftCol(), last);

    // Moving left near the first scrolling column scrolls back.
    MoveTo({grid->ColWidth(0) + 5, from.y()});
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->LeftCol() == 1; }, 3000));
    Release({grid->ColWidth(0) + 5, from.y()});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(int(kBillId), int(kSelect)));
    EXPECT_EQ(FieldOrder()[0], "MASTERBILLID");
}

}  // namespace
