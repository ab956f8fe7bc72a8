#pragma once
// Where the grid's cells are, in pixels, apart from any drawing: column
// widths, row heights, the first visible data column, cell rectangles,
// hit-testing and the numbers behind the scroll bars. Column 0 is the
// indicator column, row 0 the title row; every cell is followed by a
// one-pixel gap that holds the grid line.
#include <QPoint>
#include <QRect>
#include <vector>

namespace wwgrid {

// Width of the indicator column.
constexpr int kIndicatorWidth = 11;
// Width of the empty column a closed grid shows until a query widened it.
constexpr int kDefaultColWidth = 64;

// Data row: text height of "W" + 2, + 1 with row lines, scaled by percent.
int DataRowHeight(int textHeightW, bool rowLines, int rowHeightPercent);
// Title row: text height of "W" in the title font times the line count, + 4.
int TitleRowHeight(int textHeightW, int titleLines);
// A column is as wide as its characters of "0" plus 4, and never narrower
// than its widest title line plus 4.
int ColumnPixelWidth(int zeroWidth, int displayWidth, int widestTitleLine);
// The display width in characters a column dragged to `pixels` ends up with;
// the small allowance lets a border dropped a little short of a character
// boundary still count that character.
int DisplayWidthForPixels(int pixels, int zeroWidth);
// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
int RoundHalfEven(double value);
// Vertical offset of title text in its cell.
int TitleTextOffset(int cellHeight, int textHeight, int lines);
// a * b / c rounded half away from zero, as the platform's multiply-divide.
int MulDiv(int a, int b, int c);

class GridGeometry {
public:
    std::vector<int> colWidths{kIndicatorWidth, kDefaultColWidth};
    int rowCount = 2;
    int leftCol = 1;  // first visible data column
    int titleHeight = 17;
    int rowHeight = 17;
    int clientWidth = 0;
    int clientHeight = 0;

    int ColCount() const { return int(colWidths.size()); }
    int RowTop(int row) const;
    int RowHeightOf(int row) const { return row == 0 ? titleHeight : rowHeight; }
    // Left edge of a column, or -1 when it is scrolled out to the left.
    int ColLeft(int col) const;
    bool ColVisible(int col) const;
    // The cell's rectangle (without its trailing line); empty when the
    // column is scrolled out.
    QRect CellRect(int col, int row) const;
    // Last column whose left edge lies inside the client area.
    int LastVisibleCol() const;
    // Data rows that fit wholly below the title row (at least 1).
    int FullyVisibleDataRows() const;
    // Last data row drawn with lines: the last row the grid has that fits.
    int LastFullyVisibleRow() const;
    // Cell under a point (a gap belongs to the cell before it); (-1, -1)
    // outside every cell.
    QPoint CellAt(QPoint point) const;

    // Horizontal scrolling moves whole columns; the indicator stays put.
    int MaxLeftCol() const;
    bool ColumnsFit() const { return MaxLeftCol() <= 1; }
    int HorzScrollPos() const;  // 0..127
    int LeftColForHorzPos(int pos) const;
};

// The vertical bar's values in the platform's terms (maximum includes the
// page) and whether it can scroll.
struct VertScrollInfo {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    bool operator==(const VertScrollInfo &) const = default;
    bool Enabled() const { return page <= max - min; }
    // The highest position the thumb can reach (Qt's range maximum).
    int QtMaximum() const { return Enabled() ? max - (page > 0 ? page - 1 : 0) : min; }
};
// With record numbers: min 1, page = visible rows, max = count + page - 1,
// position = record number. Without: five positions (first, between, last).
// A range of at most 1 becomes page 1000 over 1..1001.
VertScrollInfo ComputeVertScroll(bool numbered, int recordCount, int visibleRows, int recNo, bool atFirst, bool atLast);

}  // namespace wwgrid
