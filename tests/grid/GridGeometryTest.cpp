// Grid geometry without pixels: sizes, rounding, cell rectangles, hit-testing
// and the scroll-bar numbers.
#include <gtest/gtest.h>

#include "data/dataset/Errors.h"
#include "grid/DisplayedFieldList.h"
#include "grid/GridGeometry.h"

using namespace wwgrid;

namespace {

TEST(GridSizes, RowHeightsFollowTheTextHeight) {
    EXPECT_EQ(DataRowHeight(13, true, 100), 16);
    EXPECT_EQ(DataRowHeight(13, false, 100), 15);
    EXPECT_EQ(DataRowHeight(13, true, 150), 24);
    EXPECT_EQ(DataRowHeight(13, true, 133), 21);  // 16 * 133 / 100 = 21.28, cut
    EXPECT_EQ(TitleRowHeight(13, 1), 17);
    EXPECT_EQ(TitleRowHeight(13, 2), 30);
}

struct WidthCase {
    int zero, displayWidth, title, expected;
};
void PrintTo(const WidthCase &c, std::ostream *os) {
    *os << c.displayWidth << " characters of " << c.zero << " px, title " << c.title << " px";
}
class ColumnWidthTest : public ::testing::TestWithParam<WidthCase> {};
TEST_P(ColumnWidthTest, CharactersPlusFourButNeverNarrowerThanTheTitle) {
    const WidthCase &c = GetParam();
    EXPECT_EQ(ColumnPixelWidth(c.zero, c.displayWidth, c.title), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Widths, ColumnWidthTest,
                         ::testing::Values(WidthCase{7, 20, 26, 144},  // characters win
                                           WidthCase{7, 1, 13, 17},    // one wide title character wins
                                           WidthCase{7, 0, 0, 4},      // nothing at all
                                           WidthCase{7, 2, 14, 18}));  // a tie

struct ResizeCase {
    int pixels, zero, expected;
};
void PrintTo(const ResizeCase &c, std::ostream *os) { *os << c.pixels << " px with characters of " << c.zero << " px"; }
class ResizeRuleTest : public ::testing::TestWithParam<ResizeCase> {};
TEST_P(ResizeRuleTest, DraggedWidthSnapsToWholeCharacters) {
    const ResizeCase &c = GetParam();
    EXPECT_EQ(DisplayWidthForPixels(c.pixels, c.zero), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Widths, ResizeRuleTest,
                         ::testing::Values(ResizeCase{74, 7, 10},  // exactly 10 characters + 4
                                           ResizeCase{73, 7, 9},   // one pixel short: c/2-3 = 0 slack
                                           ResizeCase{80, 7, 10}, ResizeCase{81, 7, 11},
                                           ResizeCase{100, 10, 9},                        // slack 2: (100+2-4)/10
                                           ResizeCase{102, 10, 10}, ResizeCase{3, 7, 0},  // narrower than the margin
                                           ResizeCase{50, 0, 0}));                        // no font width: no division

TEST(GridSizes, HalvesRoundToEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4), 2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
    // 17 / 2 - 13 / 2 = 2 exactly; 18 / 2 - 13 / 2 = 2.5 goes to 2; 20/2-13/2 = 3.5 to 4
    EXPECT_EQ(TitleTextOffset(17, 13, 1), 2);
    EXPECT_EQ(TitleTextOffset(18, 13, 1), 2);
    EXPECT_EQ(TitleTextOffset(20, 13, 1), 4);
    EXPECT_EQ(MulDiv(1, 127, 2), 64);  // 63.5 rounds away from zero
    EXPECT_EQ(MulDiv(2, 127, 3), 85);  // 84.67
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

// A grid of 16-pixel rows under a 17-pixel title: three columns 40, 50, 60
// wide after the indicator column.
GridGeometry SmallGrid(int width = 300, int height = 100) {
    GridGeometry g;
    g.colWidths = {kIndicatorWidth, 40, 50, 60};
    g.titleHeight = 17;
    g.rowHeight = 16;
    g.clientWidth = width;
    g.clientHeight = height;
    g.rowCount = 5;
    return g;
}

TEST(GridCells, EachCellStartsOnePixelAfterThePrevious) {
    const GridGeometry g = SmallGrid();
    EXPECT_EQ(g.CellRect(0, 0), QRect(0, 0, 11, 17));
    EXPECT_EQ(g.CellRect(1, 0), QRect(12, 0, 40, 17));
    EXPECT_EQ(g.CellRect(2, 1), QRect(53, 18, 50, 16));
    EXPECT_EQ(g.CellRect(3, 3), QRect(104, 52, 60, 16));
    EXPECT_EQ(g.FullyVisibleDataRows(), 4);  // (100 - 17) / 17
    EXPECT_EQ(g.LastFullyVisibleRow(), 4);
}

TEST(GridCells, ScrolledOutColumnsHaveNoRectangle) {
    GridGeometry g = SmallGrid(100);
    g.leftCol = 2;
    EXPECT_TRUE(g.CellRect(1, 1).isEmpty());
    EXPECT_EQ(g.CellRect(2, 1).left(), 12);
    EXPECT_EQ(g.CellRect(0, 1).left(), 0);  // the indicator column stays
    EXPECT_EQ(g.LastVisibleCol(), 3);
}

struct HitCase {
    const char *name;
    QPoint point;
    QPoint cell;
};
void PrintTo(const HitCase &c, std::ostream *os) { *os << c.name; }
class HitTest : public ::testing::TestWithParam<HitCase> {};
TEST_P(HitTest, PointFindsItsCell) {
    const GridGeometry g = SmallGrid();
    EXPECT_EQ(g.CellAt(GetParam().point), GetParam().cell);
}
INSTANTIATE_TEST_SUITE_P(
    Points, HitTest,
    ::testing::Values(HitCase{"Corner", {0, 0}, {0, 0}}, HitCase{"IndicatorGapBelongsToIndicator", {11, 20}, {0, 1}},
                      HitCase{"FirstDataCell", {12, 18}, {1, 1}}, HitCase{"TitleGapBelongsToTitle", {30, 17}, {1, 0}},
                      HitCase{"ColumnGapBelongsToLeftColumn", {52, 40}, {1, 2}},
                      HitCase{"RightColumnStartsAfterGap", {53, 40}, {2, 2}}, HitCase{"LastRowGap", {120, 85}, {3, 4}},
                      HitCase{"BelowTheLastRow", {120, 86}, {-1, -1}}, HitCase{"PadArea", {200, 20}, {-1, -1}},
                      HitCase{"OutsideClient", {-1, 5}, {-1, -1}}),
    [](const auto &tp) { return std::string(tp.param.name); });

TEST(GridScrolling, HorizontalBarOnlyWhenColumnsDoNotFit) {
    GridGeometry g = SmallGrid(300);
    EXPECT_TRUE(g.ColumnsFit());
    EXPECT_EQ(g.HorzScrollPos(), 0);

    g.clientWidth = 100;  // 11+1 + 41 + 51 + 61 > 100
    EXPECT_FALSE(g.ColumnsFit());
    EXPECT_EQ(g.MaxLeftCol(), 3);  // 60 + 1 fits alone in 88, 50+60+2 does not
    EXPECT_EQ(g.HorzScrollPos(), 0);
    g.leftCol = 2;
    EXPECT_EQ(g.HorzScrollPos(), 64);  // 1 * 127 / 2, rounded
    g.leftCol = 3;
    EXPECT_EQ(g.HorzScrollPos(), 127);
    EXPECT_EQ(g.LeftColForHorzPos(0), 1);
    EXPECT_EQ(g.LeftColForHorzPos(64), 2);
    EXPECT_EQ(g.LeftColForHorzPos(127), 3);
}

struct VertCase {
    const char *name;
    int records, visible, recNo;
    VertScrollInfo expected;
    bool enabled;
    int qtMax;
};
void PrintTo(const VertCase &c, std::ostream *os) { *os << c.name; }
class VertScrollTest : public ::testing::TestWithParam<VertCase> {};
TEST_P(VertScrollTest, FollowsTheRecordNumber) {
    const VertCase &c = GetParam();
    const VertScrollInfo info = ComputeVertScroll(true, c.records, c.visible, c.recNo, false, false);
    EXPECT_EQ(info, c.expected);
    EXPECT_EQ(info.Enabled(), c.enabled);
    EXPECT_EQ(info.QtMaximum(), c.qtMax);
}
INSTANTIATE_TEST_SUITE_P(Bars, VertScrollTest,
                         ::testing::Values(VertCase{"NoRowsIsDisabled", 0, 19, 0, {1, 18, 19, 0}, false, 1},
                                           VertCase{"OneRowIsDisabled", 1, 19, 1, {1, 19, 19, 1}, false, 1},
                                           VertCase{"TwoRowsThatFitAreEnabled", 2, 19, 2, {1, 20, 19, 2}, true, 2},
                                           VertCase{
                                               "MillionRows", 1000000, 19, 500, {1, 1000018, 19, 500}, true, 1000000},
                                           VertCase{"TinyRangeGetsPageOf1000", 1, 1, 1, {1, 1001, 1000, 1}, true, 2}),
                         [](const auto &tp) { return std::string(tp.param.name); });

TEST(GridScrolling, UnnumberedSetHasFivePositions) {
    EXPECT_EQ(ComputeVertScroll(false, 0, 10, 0, true, false), (VertScrollInfo{0, 4, 0, 0}));
    EXPECT_EQ(ComputeVertScroll(false, 0, 10, 0, false, false).pos, 2);
    EXPECT_EQ(ComputeVertScroll(false, 0, 10, 0, false, true).pos, 4);
}

TEST(DisplayedFields, RoomDoublesFromEightUpToTheLimit) {
    DisplayedFieldList list;
    list.Add(0);
    EXPECT_EQ(list.Capacity(), 8);
    for (int i = 1; i < 9; ++i) list.Add(i);
    EXPECT_EQ(list.Capacity(), 16);
    for (int i = 9; i < kMaxDisplayedFields; ++i) list.Add(i);
    EXPECT_EQ(list.Count(), kMaxDisplayedFields);
    EXPECT_EQ(list.Capacity(), kMaxDisplayedFields);
    try {
        list.Add(kMaxDisplayedFields);
        FAIL() << "the 16381st field was accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Grid requested to display more than 256 columns");
    }
    EXPECT_EQ(list.Count(), kMaxDisplayedFields);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
