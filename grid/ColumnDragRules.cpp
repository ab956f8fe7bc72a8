#include "grid/ColumnDragRules.h"

#include <cstdlib>

namespace wwgrid {

int SizingColumnAt(const GridGeometry &g, QPoint point) {
    if (point.y() < 0 || point.y() > g.titleHeight || point.x() < 0 || point.x() >= g.clientWidth) return -1;
    for (int col = g.leftCol; col < g.ColCount(); ++col) {
        const int left = g.ColLeft(col);
        if (left < 0 || left >= g.clientWidth) break;
        const int line = left + g.colWidths[size_t(col)];
        if (point.x() >= line - kSizingZoneLeft && point.x() <= line + kSizingZoneRight) return col;
    }
    return -1;
}

bool ColumnDragStarted(QPoint press, QPoint now) {
    return std::abs(now.x() - press.x()) >= kColumnDragThreshold ||
           std::abs(now.y() - press.y()) >= kColumnDragThreshold;
}

int DropColumnAt(const GridGeometry &g, int x) {
    const int last = g.ColCount() - 1;
    if (last < 1) return -1;
    int left = g.ColLeft(g.leftCol);
    if (x < left) return g.leftCol;
    for (int col = g.leftCol; col <= last; ++col) {
        left += g.colWidths[size_t(col)] + 1;
        if (x < left) return col;
    }
    return last;
}

int AutoScrollDirection(const GridGeometry &g, int x, int movingDirection) {
    if (movingDirection > 0 && x >= g.clientWidth - kAutoScrollMargin && g.leftCol < g.MaxLeftCol()) return 1;
    if (movingDirection < 0 && x < g.ColLeft(g.leftCol) + kAutoScrollMargin && g.leftCol > 1) return -1;
    return 0;
}

}  // namespace wwgrid
