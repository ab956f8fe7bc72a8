#pragma once
// Where the mouse may resize or move a column, apart from any widget: the
// sizing zone around a column's right line in the title row, the distance a
// pressed title must travel before it is dragged, the column a dragged title
// lands on, and when dragging near an edge scrolls the columns.
#include <QPoint>

#include "grid/GridGeometry.h"

namespace wwgrid {

// The sizing zone runs from 3 pixels left of where a column's right line
// starts to 4 pixels right of it: 8 pixels in all.
constexpr int kSizingZoneLeft = 3;
constexpr int kSizingZoneRight = 4;
// A pressed title is dragged once the pointer moved this far either way.
constexpr int kColumnDragThreshold = 3;
// Dragging within this distance of an edge scrolls the columns.
constexpr int kAutoScrollMargin = 10;
constexpr int kAutoScrollIntervalMs = 100;

// The data column whose right edge a press at `point` would resize, or -1:
// only in the title row, never the indicator column, never a column
// scrolled out of sight.
int SizingColumnAt(const GridGeometry &g, QPoint point);

// Whether the pointer has gone far enough from the press to drag the title.
bool ColumnDragStarted(QPoint press, QPoint now);

// The column a title dropped at `x` moves to: the data column under the
// pointer whatever its height; left of the scrolling columns the first one
// in sight, right of the last column the last one.
int DropColumnAt(const GridGeometry &g, int x);

// Which way the columns scroll while a title is dragged at `x`, moving the
// way `movingDirection` gives (+1 right, -1 left, 0 still): +1 near the right
// edge moving right, -1 near the left edge of the first scrolling column
// moving left, 0 otherwise or when there is nothing more to scroll.
int AutoScrollDirection(const GridGeometry &g, int x, int movingDirection);

}  // namespace wwgrid
