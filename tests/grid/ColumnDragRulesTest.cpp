// Where the mouse sizes and moves columns, without a widget: the sizing zone,
// the drag threshold, the drop column and the scrolling near the edges.
#include <gtest/gtest.h>

#include <string>

#include "grid/ColumnDragRules.h"

using namespace wwgrid;

namespace {

template <class Case>
std::string NameOf(const ::testing::TestParamInfo<Case> &param) {
    return param.param.name;
}

// Indicator 11 wide; three data columns 30, 50 and 40 wide. Column 1 starts
// at 12 and its right line at 42, column 2 at 43 / 93, column 3 at 94 / 134.
GridGeometry ThreeColumns(int clientWidth = 200, int leftCol = 1) {
    GridGeometry g;
    g.colWidths = {11, 30, 50, 40};
    g.titleHeight = 17;
    g.rowHeight = 17;
    g.rowCount = 5;
    g.clientWidth = clientWidth;
    g.clientHeight = 100;
    g.leftCol = leftCol;
    return g;
}

struct SizingCase {
    const char *name;
    int leftCol;
    QPoint point;
    int expected;
};
void PrintTo(const SizingCase &c, std::ostream *os) { *os << c.name; }
class SizingZoneTest : public ::testing::TestWithParam<SizingCase> {};
TEST_P(SizingZoneTest, EightPixelsAroundTheRightLineOfADataTitle) {
    const SizingCase &c = GetParam();
    EXPECT_EQ(SizingColumnAt(ThreeColumns(200, c.leftCol), c.point), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Zone, SizingZoneTest,
    ::testing::Values(SizingCase{"LeftOfTheZone", 1, {38, 5}, -1}, SizingCase{"ThreeLeftOfTheLine", 1, {39, 5}, 1},
                      SizingCase{"OnTheLine", 1, {42, 5}, 1}, SizingCase{"FourRightOfTheLine", 1, {46, 5}, 1},
                      SizingCase{"RightOfTheZone", 1, {47, 5}, -1}, SizingCase{"LineBelowTheTitle", 1, {42, 17}, 1},
                      SizingCase{"DataRow", 1, {42, 18}, -1}, SizingCase{"IndicatorEdge", 1, {11, 5}, -1},
                      SizingCase{"IndicatorZone", 1, {8, 5}, -1}, SizingCase{"LastColumn", 1, {137, 5}, 3},
                      SizingCase{"ScrolledColumnStartsAtTheIndicator", 2, {62, 5}, 2},
                      SizingCase{"ScrolledOutColumnHasNoZone", 2, {42, 5}, -1},
                      SizingCase{"OutsideTheClientArea", 1, {42, -1}, -1}),
    NameOf<SizingCase>);

TEST(ColumnDrag, StartsAfterThreePixelsEitherWay) {
    const QPoint press(50, 8);
    EXPECT_FALSE(ColumnDragStarted(press, {50, 8}));
    EXPECT_FALSE(ColumnDragStarted(press, {52, 10}));
    EXPECT_FALSE(ColumnDragStarted(press, {48, 6}));
    EXPECT_TRUE(ColumnDragStarted(press, {53, 8}));
    EXPECT_TRUE(ColumnDragStarted(press, {47, 8}));
    EXPECT_TRUE(ColumnDragStarted(press, {50, 11}));
    EXPECT_TRUE(ColumnDragStarted(press, {50, 5}));
}

struct DropCase {
    const char *name;
    int leftCol;
    int x;
    int expected;
};
void PrintTo(const DropCase &c, std::ostream *os) { *os << c.name; }
class DropColumnTest : public ::testing::TestWithParam<DropCase> {};
TEST_P(DropColumnTest, TheColumnUnderThePointer) {
    const DropCase &c = GetParam();
    EXPECT_EQ(DropColumnAt(ThreeColumns(200, c.leftCol), c.x), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Drop, DropColumnTest,
                         ::testing::Values(DropCase{"OverTheIndicator", 1, 5, 1}, DropCase{"LeftOfTheGrid", 1, -40, 1},
                                           DropCase{"FirstPixel", 1, 12, 1},
                                           DropCase{"LineBelongsToTheColumn", 1, 42, 1},
                                           DropCase{"NextColumn", 1, 43, 2}, DropCase{"LastColumn", 1, 134, 3},
                                           DropCase{"BeyondTheLast", 1, 180, 3}, DropCase{"OutsideRight", 1, 900, 3},
                                           DropCase{"ScrolledIndicator", 2, 5, 2}, DropCase{"Scrolled", 2, 70, 3}),
                         NameOf<DropCase>);

struct ScrollCase {
    const char *name;
    int leftCol;
    int x;
    int moving;
    int expected;
};
void PrintTo(const ScrollCase &c, std::ostream *os) { *os << c.name; }
class AutoScrollTest : public ::testing::TestWithParam<ScrollCase> {};
TEST_P(AutoScrollTest, NearAnEdgeMovingTowardsIt) {
    // 100 pixels wide: the columns do not fit; the last left column is 3.
    const ScrollCase &c = GetParam();
    const GridGeometry g = ThreeColumns(100, c.leftCol);
    ASSERT_EQ(g.MaxLeftCol(), 3);
    EXPECT_EQ(AutoScrollDirection(g, c.x, c.moving), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Edges, AutoScrollTest,
    ::testing::Values(ScrollCase{"RightEdgeMovingRight", 1, 90, 1, 1}, ScrollCase{"PastTheRightEdge", 1, 130, 1, 1},
                      ScrollCase{"ElevenFromTheRight", 1, 89, 1, 0}, ScrollCase{"RightEdgeMovingLeft", 1, 95, -1, 0},
                      ScrollCase{"RightEdgeStill", 1, 95, 0, 0},
                      ScrollCase{"RightEdgeNothingLeftToScroll", 3, 95, 1, 0},
                      ScrollCase{"FirstColumnEdgeMovingLeft", 2, 21, -1, -1},
                      ScrollCase{"OverTheIndicatorMovingLeft", 2, 3, -1, -1},
                      ScrollCase{"TenFromTheFirstColumn", 2, 22, -1, 0}, ScrollCase{"LeftEdgeMovingRight", 2, 15, 1, 0},
                      ScrollCase{"LeftEdgeNothingLeftToScroll", 1, 15, -1, 0}),
    NameOf<ScrollCase>);

}  // namespace
