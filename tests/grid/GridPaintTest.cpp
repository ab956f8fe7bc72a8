// The grid's picture, read pixel by pixel from its rendered client area.
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "grid/CheckBoxPainter.h"
#include "tests/grid/GridFixture.h"

using namespace gridtest;

namespace {

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kSilver = 0xC0C0C0;

// Top of the indicator glyph in a data row.
int GlyphTop(const TwwCustomDBGrid &g, int row) { return (2 * g.CellRect(0, row).top() + g.DataRowHeight() - 11) / 2; }

// The 13 x 13 square a check box is drawn in.
QRect CheckSquare(const QRect &cell) {
    const int left = (cell.left() + cell.left() + cell.width() - 10) / 2;
    const int top = (cell.top() + cell.top() + cell.height() - 10) / 2;
    return QRect(left - 1, top - 1, 13, 13);
}

// The middle of a box, where only a check mark can be black.
bool Ticked(const QImage &image, const QRect &cell) {
    return Contains(image, CheckSquare(cell).adjusted(3, 3, -3, -3), kBlack);
}

// Text is smoothed, so look for any clearly dark pixel.
bool HasDarkPixel(const QImage &image, const QRect &rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
}

void Focus(QWidget *w) {
    w->activateWindow();
    (void)QTest::qWaitForWindowActive(w->window());
    w->setFocus();
    QApplication::processEvents();
}

TEST(GridPicture, ClosedAtStartUpShowsGreyWithOneEmptyWhiteColumn) {
    auto grid = MakeGrid();
    ShowAndWait(grid.get());
    const QImage img = Picture(grid.get());
    const QRgb face = Rgb(grid->TitleColor());
    const QRgb base = Rgb(grid->Color());
    const QRect title = grid->CellRect(1, 0);
    EXPECT_EQ(title.width(), 64);
    EXPECT_EQ(Rgb(img, title.center().x(), title.center().y()), face);
    EXPECT_EQ(Rgb(img, title.left() + 10, 100), base);                          // the white column
    EXPECT_EQ(Rgb(img, title.right() + 20, 100), face);                         // the pad to its right
    EXPECT_EQ(Rgb(img, 5, 100), face);                                          // indicator column
    EXPECT_FALSE(Contains(img, QRect(1, title.bottom() + 2, 9, 200), kBlack));  // no glyph, no lines
    EXPECT_EQ(Rgb(img, title.right() + 1, 5), kBlack);                          // raised title edge
    EXPECT_FALSE(grid->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
}

TEST(GridPicture, OpenButEmptyShowsOneRowWithArrowAndUntickedBox) {
    OrderList orders;
    orders.Fill(0);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    const QImage img = Picture(grid.get());
    EXPECT_EQ(grid->RowCount(), 2);
    const int gy = GlyphTop(*grid, 1);
    EXPECT_EQ(Rgb(img, 3, gy + 5), kBlack);
    EXPECT_EQ(Rgb(img, 6, gy + 5), kBlack);
    EXPECT_FALSE(Ticked(img, grid->CellRect(1, 1)));
    const QRect text = grid->CellRect(2, 1);
    EXPECT_EQ(Rgb(img, text.center().x(), text.bottom() + 1), kSilver);  // the row has its line
    const QRect below = grid->CellRect(2, 2);
    EXPECT_EQ(Rgb(img, below.center().x(), below.bottom() + 1), Rgb(grid->Color()));  // nothing below
    EXPECT_TRUE(grid->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid->verticalScrollBar()->isEnabled());
}

struct TickCase {
    const char *name;
    std::string mark;
    bool ticked;
};
void PrintTo(const TickCase &c, std::ostream *os) { *os << c.name; }
class TickTest : public ::testing::TestWithParam<TickCase> {};

TEST_P(TickTest, EveryRowShowsItsMark) {
    OrderList orders;
    orders.Fill(6);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    orders.SelectAll(GetParam().mark);
    orders.set.First();
    QApplication::processEvents();
    const QImage img = Picture(grid.get());
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(Ticked(img, grid->CellRect(1, row)), GetParam().ticked) << row;
    // Only the current row has a glyph.
    EXPECT_EQ(Rgb(img, 3, GlyphTop(*grid, 1) + 5), kBlack);
    for (int row = 2; row <= 6; ++row)
        EXPECT_FALSE(Contains(img, QRect(3, GlyphTop(*grid, row), 6, 11), kBlack)) << row;
}

INSTANTIATE_TEST_SUITE_P(Marks, TickTest,
                         ::testing::Values(TickCase{"CheckedValue", "Y", true}, TickCase{"LowerCase", "y", true},
                                           TickCase{"UncheckedValue", "N", false}, TickCase{"Empty", "", false},
                                           TickCase{"Other", "X", false}),
                         [](const auto &tp) { return std::string(tp.param.name); });

struct GlyphCase {
    const char *name;
    void (*act)(TClientDataSet &);
    std::vector<QPoint> black;  // relative to the glyph's top-left corner
    std::vector<QPoint> clear;
};
void PrintTo(const GlyphCase &c, std::ostream *os) { *os << c.name; }
class GlyphTest : public ::testing::TestWithParam<GlyphCase> {};

TEST_P(GlyphTest, IndicatorShowsTheState) {
    OrderList orders;
    orders.Fill(3);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    GetParam().act(orders.set);
    QApplication::processEvents();
    const QImage img = Picture(grid.get());
    const int row = grid->Row();
    const QPoint origin((grid->CellRect(0, row).right() + 1 - 6) / 2 + 1, GlyphTop(*grid, row));
    EXPECT_EQ(origin.x(), 3);
    for (QPoint p : GetParam().black)
        EXPECT_EQ(Rgb(img, origin.x() + p.x(), origin.y() + p.y()), kBlack) << p.x() << "," << p.y();
    for (QPoint p : GetParam().clear)
        EXPECT_NE(Rgb(img, origin.x() + p.x(), origin.y() + p.y()), kBlack) << p.x() << "," << p.y();
}

INSTANTIATE_TEST_SUITE_P(
    States, GlyphTest,
    ::testing::Values(GlyphCase{"BrowseArrow", [](TClientDataSet &) {}, {{0, 2}, {3, 5}}, {{0, 1}, {4, 5}}},
                      GlyphCase{"EditIBeam",
                                [](TClientDataSet &s) {
                                    s.Edit();
                                    s.FieldNamed("SELECT_YN")->SetString("Y");
                                },
                                {{0, 1}, {4, 1}, {2, 5}},
                                {{0, 5}, {2, 1}}},
                      GlyphCase{"PostedBackToArrow",
                                [](TClientDataSet &s) {
                                    s.Edit();
                                    s.FieldNamed("SELECT_YN")->SetString("Y");
                                    s.Post();
                                },
                                {{0, 2}, {3, 5}},
                                {{0, 1}, {2, 1}}},
                      GlyphCase{
                          "InsertStar", [](TClientDataSet &s) { s.Insert(); }, {{2, 3}, {0, 4}, {4, 4}}, {{0, 5}}}),
    [](const auto &tp) { return std::string(tp.param.name); });

TEST(GridPicture, CurrentCellIsHighlightedOnlyWhileTheGridHasFocus) {
    OrderList orders;
    orders.Fill(4);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new QLineEdit(&window);
    TwwDBGrid *grid = MakeGrid().release();
    layout->addWidget(edit);
    layout->addWidget(grid);
    window.resize(686, 380);
    grid->SetDataSource(&orders.source);
    grid->SetCol(2);
    ShowAndWait(&window);

    const QRect cell = grid->CellRect(2, 1);
    const QPoint inside(cell.right() - 3, cell.bottom() - 2);  // clear of the text
    const QRgb highlight = Rgb(grid->palette().color(QPalette::Highlight));
    Focus(grid);
    ASSERT_TRUE(grid->hasFocus());
    QImage img = Picture(grid);
    EXPECT_EQ(Rgb(img, inside.x(), inside.y()), highlight);
    EXPECT_EQ(Rgb(img, cell.left() + 1, cell.top()), highlight);  // the outline
    // The other cells of the current row are not highlighted.
    const QRect other = grid->CellRect(3, 1);
    EXPECT_EQ(Rgb(img, other.right() - 2, other.bottom() - 2), Rgb(grid->Color()));

    Focus(edit);
    ASSERT_FALSE(grid->hasFocus());
    img = Picture(grid);
    EXPECT_EQ(Rgb(img, inside.x(), inside.y()), Rgb(grid->Color()));
    EXPECT_FALSE(Contains(img, cell, highlight));
}

struct LineCase {
    const char *name;
    QColor base;
    bool threeD;
};
void PrintTo(const LineCase &c, std::ostream *os) { *os << c.name; }
class LineColourTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineColourTest, DataLinesAreSilverOnWhiteAnd3DOtherwise) {
    OrderList orders;
    orders.Fill(4);
    auto grid = MakeGrid();
    QPalette pal = grid->palette();
    pal.setColor(QPalette::Base, GetParam().base);
    grid->setPalette(pal);
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    const QImage img = Picture(grid.get());
    const QRgb dark = Rgb(pal.color(QPalette::Dark));
    const QRgb light = Rgb(pal.color(QPalette::Light));
    const QRect cell = grid->CellRect(3, 2);
    const int x = cell.right() - 1;  // clear of the text
    if (GetParam().threeD) {
        EXPECT_EQ(Rgb(img, x, cell.bottom() + 1), dark);
        EXPECT_EQ(Rgb(img, x, cell.top()), light);
        EXPECT_EQ(Rgb(img, cell.right() + 1, cell.center().y()), dark);
        EXPECT_EQ(Rgb(img, cell.right() + 2, cell.center().y()), light);
    } else {
        EXPECT_EQ(Rgb(img, x, cell.bottom() + 1), kSilver);
        EXPECT_EQ(Rgb(img, x, cell.top()), Rgb(GetParam().base));
        EXPECT_EQ(Rgb(img, cell.right() + 1, cell.center().y()), kSilver);
    }
    EXPECT_EQ(Rgb(img, x, cell.center().y()), Rgb(GetParam().base));
}

INSTANTIATE_TEST_SUITE_P(Bases, LineColourTest,
                         ::testing::Values(LineCase{"White", QColor(255, 255, 255), false},
                                           LineCase{"Cream", QColor(255, 255, 224), true},
                                           LineCase{"Dark", QColor(40, 40, 40), true}),
                         [](const auto &tp) { return std::string(tp.param.name); });

struct BoxCase {
    const char *name;
    bool classic;
    bool ticked;
    bool readOnly;
};
void PrintTo(const BoxCase &c, std::ostream *os) { *os << c.name; }
class CheckBoxLookTest : public ::testing::TestWithParam<BoxCase> {};

// The cell must hold exactly the box the style (or the classic drawing)
// makes for that state, in the 13 x 13 square centred in the cell.
TEST_P(CheckBoxLookTest, CellHoldsTheBoxForItsState) {
    const BoxCase &c = GetParam();
    OrderList orders;
    orders.Fill(2);
    if (c.ticked) orders.SelectAll();
    orders.set.First();
    auto grid = MakeGrid({686, 328}, c.classic);
    if (c.readOnly) {
        QStringList list = OrderColumnList();
        list[0] += QStringLiteral("\tT");
        grid->SetSelected(list);
    }
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    const QImage img = Picture(grid.get());
    const QRect cell = grid->CellRect(1, 2);

    QImage expected(img.size(), QImage::Format_RGB32);
    expected.fill(grid->Color());
    {
        QPainter p(&expected);
        const wwgrid::CheckBoxLook look{c.ticked, !c.readOnly};
        if (c.classic)
            wwgrid::DrawClassicCheckBox(p, CheckSquare(cell), look, grid->palette());
        else
            wwgrid::DrawThemedCheckBox(p, CheckSquare(cell), look, grid.get());
    }
    EXPECT_EQ(img.copy(cell), expected.copy(cell));
    EXPECT_EQ(grid->CheckBoxesThemed(), !c.classic);
}

INSTANTIATE_TEST_SUITE_P(Looks, CheckBoxLookTest,
                         ::testing::Values(BoxCase{"ClassicUnticked", true, false, false},
                                           BoxCase{"ClassicTicked", true, true, false},
                                           BoxCase{"ClassicReadOnlyTicked", true, true, true},
                                           BoxCase{"ThemedUnticked", false, false, false},
                                           BoxCase{"ThemedTicked", false, true, false},
                                           BoxCase{"ThemedReadOnlyTicked", false, true, true}),
                         [](const auto &tp) { return std::string(tp.param.name); });

// The classic box, pixel by pixel, in a 15 x 15 image with the square at
// (1, 1): d dark, k black, b button face, l light, w window, . untouched.
struct ClassicBoxCase {
    const char *name;
    wwgrid::CheckBoxLook look;
    std::vector<const char *> picture;
};
void PrintTo(const ClassicBoxCase &c, std::ostream *os) { *os << c.name; }
class ClassicBoxPictureTest : public ::testing::TestWithParam<ClassicBoxCase> {};

TEST_P(ClassicBoxPictureTest, SquareHoldsExactlyThisPicture) {
    QPalette pal;
    pal.setColor(QPalette::Base, QColor(0xff, 0xff, 0xff));
    pal.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
    pal.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
    pal.setColor(QPalette::Light, QColor(0xf0, 0xf0, 0xf0));
    const QRgb untouched = 0x123456;
    QImage img(15, 15, QImage::Format_RGB32);
    img.fill(untouched);
    {
        QPainter p(&img);
        wwgrid::DrawClassicCheckBox(p, QRect(1, 1, 13, 13), GetParam().look, pal);
    }
    const auto letter = [&](QRgb rgb) {
        switch (rgb & 0xFFFFFF) {
            case 0x808080:
                return 'd';
            case 0x000000:
                return 'k';
            case 0xd4d0c8:
                return 'b';
            case 0xf0f0f0:
                return 'l';
            case 0xffffff:
                return 'w';
            case untouched:
                return '.';
            default:
                return '?';
        }
    };
    for (int y = 0; y < 15; ++y) {
        std::string row;
        for (int x = 0; x < 15; ++x) row += letter(img.pixel(x, y));
        EXPECT_EQ(row, GetParam().picture[size_t(y)]) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Looks, ClassicBoxPictureTest,
    ::testing::Values(
        ClassicBoxCase{"Unticked",
                       {false, true},
                       {"...............", ".ddddddddddddl.", ".dkkkkkkkkkkbl.", ".dkwwwwwwwwwbl.", ".dkwwwwwwwwwbl.",
                        ".dkwwwwwwwwwbl.", ".dkwwwwwwwwwbl.", ".dkwwwwwwwwwbl.", ".dkwwwwwwwwwbl.", ".dkwwwwwwwwwbl.",
                        ".dkwwwwwwwwwbl.", ".dkwwwwwwwwwbl.", ".dbbbbbbbbbbbl.", ".lllllllllllll.", "..............."}},
        ClassicBoxCase{"Ticked",
                       {true, true},
                       {"...............", ".ddddddddddddl.", ".dkkkkkkkkkkbl.", ".dkwwwwwwwwwbl.", ".dkwwwwwwwkwbl.",
                        ".dkwwwwwwkkwbl.", ".dkwkwwwkkkwbl.", ".dkwkkwkkkwwbl.", ".dkwkkkkkwwwbl.", ".dkwwkkkwwwwbl.",
                        ".dkwwwkwwwwwbl.", ".dkwwwwwwwwwbl.", ".dbbbbbbbbbbbl.", ".lllllllllllll.", "..............."}},
        ClassicBoxCase{"TickedReadOnly",
                       {true, false},
                       {"...............", ".ddddddddddddl.", ".dkkkkkkkkkkbl.", ".dkbbbbbbbbbbl.", ".dkbbbbbbbdbbl.",
                        ".dkbbbbbbddbbl.", ".dkbdbbbdddbbl.", ".dkbddbdddbbbl.", ".dkbdddddbbbbl.", ".dkbbdddbbbbbl.",
                        ".dkbbbdbbbbbbl.", ".dkbbbbbbbbbbl.", ".dbbbbbbbbbbbl.", ".lllllllllllll.", "..............."}},
        ClassicBoxCase{
            "UntickedReadOnly",
            {false, false},
            {"...............", ".ddddddddddddl.", ".dkkkkkkkkkkbl.", ".dkbbbbbbbbbbl.", ".dkbbbbbbbbbbl.",
             ".dkbbbbbbbbbbl.", ".dkbbbbbbbbbbl.", ".dkbbbbbbbbbbl.", ".dkbbbbbbbbbbl.", ".dkbbbbbbbbbbl.",
             ".dkbbbbbbbbbbl.", ".dkbbbbbbbbbbl.", ".dbbbbbbbbbbbl.", ".lllllllllllll.", "..............."}}),
    [](const auto &tp) { return std::string(tp.param.name); });

TEST(GridPicture, ThemedTitlesDropTheRaisedEdges) {
    OrderList orders;
    orders.Fill(3);
    auto classic = MakeGrid({686, 328}, true);
    auto themed = MakeGrid({686, 328}, false);
    classic->SetDataSource(&orders.source);
    themed->SetDataSource(&orders.source);
    ShowAndWait(classic.get());
    ShowAndWait(themed.get());
    const QImage a = Picture(classic.get());
    const QImage b = Picture(themed.get());
    const QRect title = classic->CellRect(2, 0);
    EXPECT_EQ(Rgb(a, title.right() + 1, 3), kBlack);
    EXPECT_EQ(Rgb(a, title.center().x(), 0), Rgb(classic->palette().color(QPalette::Light)));
    // The indicator column's row lines: black gap below each row when classic.
    const QRect ind = classic->CellRect(0, 1);
    EXPECT_EQ(Rgb(a, 5, ind.bottom() + 1), kBlack);
    EXPECT_NE(Rgb(b, 5, ind.bottom() + 1), kBlack);
    // Its vertical black line stays in both.
    EXPECT_EQ(Rgb(a, 11, ind.center().y()), kBlack);
    EXPECT_EQ(Rgb(b, 11, ind.center().y()), kBlack);
    // Both draw the title text; the corner cell has none.
    EXPECT_TRUE(HasDarkPixel(a, title.adjusted(2, 2, -2, -2)));
    EXPECT_TRUE(HasDarkPixel(b, title.adjusted(2, 2, -2, -2)));
    EXPECT_FALSE(HasDarkPixel(a, classic->CellRect(0, 0).adjusted(1, 1, -1, -1)));
}

TEST(GridPicture, ColumnsWiderThanTheClientGetAHorizontalBarAndNoPad) {
    OrderList orders;
    orders.Fill(3);
    auto grid = MakeGrid({420, 200});
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    QScrollBar *bar = grid->horizontalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 127);
    const QRgb face = Rgb(grid->TitleColor());
    const int right = grid->viewport()->width() - 1;
    const int y = grid->CellRect(0, 1).center().y();
    EXPECT_NE(Rgb(Picture(grid.get()), right, y), face);

    // Scrolling moves whole columns: the last column comes into view with the
    // pad beside it, and the indicator column stays.
    bar->setValue(127);
    QApplication::processEvents();
    EXPECT_EQ(grid->LeftCol(), grid->Geometry().MaxLeftCol());
    EXPECT_EQ(grid->CellRect(grid->LeftCol(), 1).left(), 12);
    const QImage img = Picture(grid.get());
    EXPECT_EQ(Rgb(img, right, y), face);
    EXPECT_EQ(Rgb(img, 3, GlyphTop(*grid, 1) + 5), kBlack);

    grid->resize(1400, 200);
    QApplication::processEvents();
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(grid->LeftCol(), 1);
}

struct VertBarCase {
    const char *name;
    int rows;
    int moveBy;
    bool enabled;
    int value;
};
void PrintTo(const VertBarCase &c, std::ostream *os) { *os << c.name; }
class VertBarTest : public ::testing::TestWithParam<VertBarCase> {};

TEST_P(VertBarTest, BarFollowsTheRecordNumber) {
    const VertBarCase &c = GetParam();
    OrderList orders;
    orders.Fill(c.rows);
    auto grid = MakeGrid();
    grid->SetDataSource(&orders.source);
    ShowAndWait(grid.get());
    if (c.moveBy) orders.set.MoveBy(c.moveBy);
    QApplication::processEvents();
    QScrollBar *bar = grid->verticalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->isEnabled(), c.enabled);
    if (c.enabled) {
        EXPECT_EQ(bar->value(), c.value);
        EXPECT_EQ(bar->pageStep(), grid->VisibleRowCount());
        EXPECT_EQ(bar->maximum(), c.rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, VertBarTest,
                         ::testing::Values(VertBarCase{"NoRows", 0, 0, false, 0}, VertBarCase{"OneRow", 1, 0, false, 0},
                                           VertBarCase{"TwoRowsThatFit", 2, 1, true, 2},
                                           VertBarCase{"ManyRows", 500, 40, true, 41}),
                         [](const auto &tp) { return std::string(tp.param.name); });

}  // namespace
