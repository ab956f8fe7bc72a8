// Following the cursor: a move by a few rows shifts the pixels already on
// screen and paints only what changed; the result must look exactly like a
// full repaint.
#include <QScreen>
#include <QScrollBar>
#include <functional>
#include <gtest/gtest.h>

#include "tests/grid/GridFixture.h"

using namespace gridtest;

namespace {

// What is on the screen now (the window's backing store), cut to a widget.
QImage OnScreen(QWidget *widget) {
    const QPixmap shot = widget->screen()->grabWindow(widget->window()->winId());
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    return shot.toImage().copy(QRect(at, widget->size())).convertToFormat(QImage::Format_RGB32);
}

QImage OnScreen(TwwCustomDBGrid *grid) { return OnScreen(grid->viewport()); }

// The widget painted afresh, whole.
QImage Fresh(QWidget *widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Where two pictures of the same size first differ, for the failure message.
std::string FirstDifference(const QImage &a, const QImage &b) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "first difference at " + std::to_string(x) + "," + std::to_string(y);
    return "same";
}

void Focus(QWidget *w) {
    w->activateWindow();
    (void)QTest::qWaitForWindowActive(w->window());
    w->setFocus();
    QApplication::processEvents();
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class ScrollFixture : public ::testing::Test {
protected:
    void SetUp() override {
        orders.Fill(300);
        grid = MakeGrid();
        grid->SetDataSource(&orders.source);
        ShowAndWait(grid.get());
        visible = grid->VisibleRowCount();
        grid->viewport()->repaint();
        fullCells = grid->LastPaintCellCount();
        ASSERT_GT(visible, 5);
    }

    // Runs a cursor move and lets the grid repaint.
    void Move(int distance) {
        paintsBefore = grid->PaintCount();
        orders.set.MoveBy(distance);
        QApplication::processEvents();
    }

    void ExpectScreenMatchesFullRepaint() {
        const QImage screen = OnScreen(grid.get());
        const QImage full = Picture(grid.get());
        ASSERT_EQ(screen.size(), full.size());
        EXPECT_EQ(screen, full);
    }

    OrderList orders;
    std::unique_ptr<TwwDBGrid> grid;
    int visible = 0;
    int fullCells = 0;
    int paintsBefore = 0;
};

TEST_F(ScrollFixture, MoveInsideTheWindowRepaintsOnlyTheCursorCells) {
    Move(3);
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_GT(grid->PaintCount(), paintsBefore);
    // Indicator and current cell of the old and the new row, and the cells
    // above them whose bottom lines border them.
    EXPECT_LE(grid->LastPaintCellCount(), 8);
    ExpectScreenMatchesFullRepaint();
}

TEST_F(ScrollFixture, MovePastTheBottomScrollsThePixelsAndPaintsTheNewRow) {
    Move(visible - 1);  // onto the last row of the window
    ASSERT_EQ(grid->Row(), visible);
    Move(1);
    EXPECT_EQ(grid->Row(), visible);
    EXPECT_EQ(orders.set.RecNo(), visible + 1);
    const QRect painted = grid->LastPaintRegion().boundingRect();
    EXPECT_LE(painted.height(), 2 * (grid->DataRowHeight() + 1) + 2);
    EXPECT_LT(grid->LastPaintCellCount(), fullCells / 4);
    ExpectScreenMatchesFullRepaint();

    Move(-visible + 1);  // back to the top of the window
    Move(-2);            // and past it: the pixels move down
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_LT(grid->LastPaintCellCount(), fullCells / 4);
    ExpectScreenMatchesFullRepaint();
}

TEST_F(ScrollFixture, MoveFurtherThanTheVisibleRowsRepaintsEverything) {
    Move(visible * 3);
    EXPECT_EQ(grid->LastPaintCellCount(), fullCells);
    ExpectScreenMatchesFullRepaint();
}

TEST_F(ScrollFixture, TickThenScrollKeepsThePictureRight) {
    orders.set.Edit();
    orders.set.FieldNamed("SELECT_YN")->SetString("Y");
    QApplication::processEvents();
    Move(visible + 2);  // posts the tick, then a full repaint
    Move(-(visible + 1));
    ExpectScreenMatchesFullRepaint();
    orders.set.First();
    QApplication::processEvents();
    ExpectScreenMatchesFullRepaint();
}

// A walk of one-row moves down past the bottom of the window and up past its
// top: every move is painted as a scroll of the pixels plus the band that
// came into view and the cursor's cells, and after every move the screen must
// look exactly like a full repaint.
struct WalkCase {
    const char *name;
    bool classic;
    bool focused;
    QSize size;
    std::function<void(TwwDBGrid &)> setUp;
};
void PrintTo(const WalkCase &c, std::ostream *os) { *os << c.name; }
class WalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTest, EveryOneRowMoveLooksLikeAFullRepaint) {
    const WalkCase &c = GetParam();
    OrderList orders;
    orders.Fill(300);
    orders.set.MoveBy(40);  // rows above the window, so the walk up scrolls too
    auto grid = MakeGrid(c.size, c.classic);
    if (c.setUp) c.setUp(*grid);
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    if (c.focused) {
        Focus(grid.get());
        ASSERT_TRUE(grid->hasFocus());
    }
    const int visible = grid->VisibleRowCount();
    const QRect compared = grid->viewport()->rect();
    const auto check = [&](const char *phase, int step) {
        QApplication::processEvents();
        const QImage screen = OnScreen(grid.get()).copy(compared);
        const QImage full = Picture(grid.get()).copy(compared);
        ASSERT_EQ(screen.size(), full.size());
        EXPECT_TRUE(screen == full) << phase << " move " << step << ", row " << grid->Row() << ": "
                                    << FirstDifference(screen, full);
    };
    for (int i = 0; i < visible + 4; ++i) {
        orders.set.Next();
        check("down", i);
        if (HasFailure()) return;
    }
    ASSERT_EQ(grid->Row(), visible);
    for (int i = 0; i < 2 * visible + 4; ++i) {
        orders.set.Prior();
        check("up", i);
        if (HasFailure()) return;
    }
    ASSERT_EQ(grid->Row(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Looks, WalkTest,
    ::testing::Values(WalkCase{"Classic", true, false, {686, 328}, nullptr},
                      WalkCase{"ClassicFocused", true, true, {686, 328}, nullptr},
                      WalkCase{"ThemedFocused", false, true, {686, 328}, nullptr},
                      // Not white: raised (3D) row and column lines.
                      WalkCase{"CreamFocused",
                               true,
                               true,
                               {686, 328},
                               [](TwwDBGrid &g) {
                                   QPalette pal = g.palette();
                                   pal.setColor(QPalette::Base, QColor(255, 255, 224));
                                   g.setPalette(pal);
                               }},
                      WalkCase{"TwoTitleLinesCentred",
                               true,
                               true,
                               {686, 328},
                               [](TwwDBGrid &g) {
                                   g.SetTitleLines(2);
                                   g.SetTitleAlignment(TwwTitleAlignment::taCenter);
                               }},
                      WalkCase{"NoRowLines",
                               true,
                               true,
                               {686, 328},
                               [](TwwDBGrid &g) { g.SetOptions(g.Options() & ~TwwDBGridOptions(dgRowLines)); }},
                      // Scrolled right, the current cell a text cell, the pad beside the last column.
                      WalkCase{"NarrowScrolledRight",
                               true,
                               true,
                               {420, 200},
                               [](TwwDBGrid &g) {
                                   g.SetCol(6);
                                   g.horizontalScrollBar()->setValue(127);
                               }}),
    [](const auto &tp) { return std::string(tp.param.name); });

// The vertical bar's value is the record number. Over many rows one pixel of
// thumb travel spans many records: the bar must still hold the exact value
// after every move, and its picture must always be the one a fresh paint gives.
TEST(GridScrollBar, BarHoldsTheRecordNumberAndShowsTheThumbWhereAFreshPaintPutsIt) {
    OrderList orders;
    orders.Fill(100000);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    QScrollBar *bar = grid->verticalScrollBar();
    const auto expectBarRight = [&](const char *when) {
        QApplication::processEvents();
        EXPECT_EQ(bar->value(), orders.set.RecNo()) << when;
        const QImage screen = OnScreen(bar);
        EXPECT_TRUE(screen == Fresh(bar)) << when << ": " << FirstDifference(screen, Fresh(bar));
    };
    expectBarRight("at the first row");

    orders.set.MoveBy(50000);
    expectBarRight("after a long jump");
    // 100,000 records over a bar a few hundred pixels high: 20 one-row moves
    // cross at most one pixel of thumb travel, so the bar is repainted at
    // most once, not on every move.
    PaintCounter counter(bar);
    for (int i = 0; i < 20; ++i) {
        orders.set.Next();
        QApplication::processEvents();
        ASSERT_EQ(bar->value(), orders.set.RecNo());
    }
    EXPECT_LE(counter.paints, 1);
    expectBarRight("after 20 one-row moves down");
    for (int i = 0; i < 20; ++i) orders.set.Prior();
    expectBarRight("after 20 one-row moves up");

    // The ends, where a style may draw the bar differently.
    orders.set.Last();
    expectBarRight("at the last row");
    orders.set.Prior();
    expectBarRight("one before the last row");
    orders.set.First();
    orders.set.Next();
    expectBarRight("at the second row");
    orders.set.Prior();
    expectBarRight("back at the first row");
}

}  // namespace
