#include "grid/GridGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wwgrid {

int DataRowHeight(int textHeightW, bool rowLines, int rowHeightPercent) {
    return (textHeightW + 2 + (rowLines ? 1 : 0)) * rowHeightPercent / 100;
}

int TitleRowHeight(int textHeightW, int titleLines) { return textHeightW * titleLines + 4; }

int ColumnPixelWidth(int zeroWidth, int displayWidth, int widestTitleLine) {
    return std::max(zeroWidth * displayWidth + 4, widestTitleLine + 4);
}

int DisplayWidthForPixels(int pixels, int zeroWidth) {
    if (zeroWidth <= 0) return 0;
    return (pixels + std::max(0, zeroWidth / 2 - 3) - 4) / zeroWidth;
}

int RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) return int(floor);
    if (diff > 0.5) return int(floor) + 1;
    const long f = long(floor);
    return int(f % 2 == 0 ? f : f + 1);
}

int TitleTextOffset(int cellHeight, int textHeight, int lines) {
    return RoundHalfEven(cellHeight / 2.0 - textHeight * lines / 2.0);
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long p = static_cast<long long>(a) * b;
    long long q = std::llabs(p) / std::llabs(c);
    if (2 * (std::llabs(p) % std::llabs(c)) >= std::llabs(c)) ++q;
    return int(((p < 0) != (c < 0)) ? -q : q);
}

int GridGeometry::RowTop(int row) const { return row == 0 ? 0 : titleHeight + 1 + (row - 1) * (rowHeight + 1); }

int GridGeometry::ColLeft(int col) const {
    if (col == 0) return 0;
    if (col < leftCol || col >= ColCount()) return -1;
    int x = colWidths[0] + 1;
    for (int c = leftCol; c < col; ++c) x += colWidths[c] + 1;
    return x;
}

bool GridGeometry::ColVisible(int col) const {
    const int left = ColLeft(col);
    return left >= 0 && left < clientWidth;
}

QRect GridGeometry::CellRect(int col, int row) const {
    const int left = ColLeft(col);
    if (left < 0) return {};
    return QRect(left, RowTop(row), colWidths[col], RowHeightOf(row));
}

int GridGeometry::LastVisibleCol() const {
    int last = 0;
    int x = colWidths[0] + 1;
    for (int c = leftCol; c < ColCount() && x < clientWidth; ++c) {
        last = c;
        x += colWidths[c] + 1;
    }
    return last;
}

int GridGeometry::FullyVisibleDataRows() const { return std::max(1, (clientHeight - titleHeight) / (rowHeight + 1)); }

int GridGeometry::LastFullyVisibleRow() const {
    const int fit = (clientHeight - titleHeight) / (rowHeight + 1);
    return std::max(0, std::min(rowCount - 1, fit));
}

QPoint GridGeometry::CellAt(QPoint point) const {
    if (point.x() < 0 || point.y() < 0 || point.x() >= clientWidth || point.y() >= clientHeight) return {-1, -1};
    int col = -1;
    if (point.x() <= colWidths[0]) {
        col = 0;
    } else {
        int x = colWidths[0] + 1;
        for (int c = leftCol; c < ColCount(); ++c) {
            if (point.x() < x + colWidths[c] + 1) {
                col = c;
                break;
            }
            x += colWidths[c] + 1;
        }
    }
    int row = -1;
    if (point.y() <= titleHeight) {
        row = 0;
    } else {
        const int r = 1 + (point.y() - titleHeight - 1) / (rowHeight + 1);
        if (r < rowCount) row = r;
    }
    if (col < 0 || row < 0) return {-1, -1};
    return {col, row};
}

int GridGeometry::MaxLeftCol() const {
    const int avail = clientWidth - (colWidths[0] + 1);
    int used = 0;
    int left = ColCount() - 1;
    for (int c = ColCount() - 1; c >= 1; --c) {
        used += colWidths[c] + 1;
        if (used > avail) break;
        left = c;
    }
    return std::max(1, left);
}

int GridGeometry::HorzScrollPos() const {
    const int maxLeft = MaxLeftCol();
    if (maxLeft <= 1) return 0;
    return MulDiv(leftCol - 1, 127, maxLeft - 1);
}

int GridGeometry::LeftColForHorzPos(int pos) const {
    const int maxLeft = MaxLeftCol();
    if (maxLeft <= 1) return 1;
    return std::clamp(1 + MulDiv(pos, maxLeft - 1, 127), 1, maxLeft);
}

VertScrollInfo ComputeVertScroll(bool numbered, int recordCount, int visibleRows, int recNo, bool atFirst,
                                 bool atLast) {
    VertScrollInfo info;
    if (numbered) {
        info.min = 1;
        info.page = visibleRows;
        info.max = recordCount + visibleRows - 1;
        info.pos = recNo;
    } else {
        info.min = 0;
        info.max = 4;
        info.page = 0;
        info.pos = atFirst ? 0 : atLast ? 4 : 2;
    }
    if (info.max - info.min <= 1) {
        info.page = 1000;
        info.max = 1001;
        info.min = 1;
    }
    return info;
}

}  // namespace wwgrid
