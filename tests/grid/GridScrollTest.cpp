// Following the cursor: a move by a few rows shifts the pixels already on
// screen and paints only what changed; the result must look exactly like a
// full repaint.
#include <QScreen>
#include <gtest/gtest.h>

#include "GridFixture.h"

using namespace gridtest;

namespace {

// What is on the screen now (the window's backing store), cut to the viewport.
QImage OnScreen(TwwCustomDBGrid *grid) {
    const QPixmap shot = grid->screen()->grabWindow(grid->window()->winId());
    const QPoint at = grid->viewport()->mapTo(grid->window(), QPoint(0, 0));
    return shot.toImage().copy(QRect(at, grid->viewport()->size())).convertToFormat(QImage::Format_RGB32);
}

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

}  // namespace
