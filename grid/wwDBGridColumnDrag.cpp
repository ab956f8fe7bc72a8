// Column resizing and moving with the mouse in the title row. A press at a
// column's right edge sizes the column, which follows the pointer and snaps
// to whole characters when the button is let go; a press on a title starts
// watching, and once the pointer has moved far enough a picture of the title
// follows it until it is dropped on another column.
#include <QLabel>
#include <algorithm>
#include <QMouseEvent>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/HandlerFailure.h"
#include "grid/ColumnDragRules.h"
#include "grid/GridColumnDrag.h"
#include "grid/TwwDBDateTimePicker.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

namespace wwgrid {

ColumnDrag::ColumnDrag(TwwCustomDBGrid *owner) : grid(owner) {
    timer.setInterval(kAutoScrollIntervalMs);
    connect(&timer, &QTimer::timeout, this, [this] { AutoScroll(); });
    // The pointer turns into the sizing arrows over a column edge.
    grid->viewport()->setMouseTracking(true);
}

ColumnDrag::~ColumnDrag() { delete picture; }

void ColumnDrag::AutoScroll() {
    scrollDirection = AutoScrollDirection(grid->Geometry(), lastX, movingDirection);
    if (scrollDirection == 0) {
        StopAutoScroll();
        return;
    }
    grid->SetLeftCol(grid->LeftCol() + scrollDirection);
}

void ColumnDrag::StopAutoScroll() {
    timer.stop();
    scrollDirection = 0;
}

}  // namespace wwgrid

using wwgrid::ColumnDrag;

bool TwwCustomDBGrid::TitleMousePress(QMouseEvent *event) {
    ColumnDrag &drag = *d->columnDrag;
    if (event->button() != Qt::LeftButton || !d->options.testFlag(dgColumnResize) || !DataActive()) return false;
    const QPoint pos = event->position().toPoint();
    const int sizing = wwgrid::SizingColumnAt(d->geom, pos);
    if (sizing > 0) {
        d->WriteBackEditorText();
        drag.mode = ColumnDrag::Mode::Sizing;
        drag.col = sizing;
        drag.press = pos;
        drag.startWidth = ColWidth(sizing);
        return true;
    }
    const QPoint cell = CellAt(pos);
    if (cell.y() != 0 || cell.x() < 1 || !ColumnField(cell.x())) return false;
    drag.mode = ColumnDrag::Mode::Pressed;
    drag.col = cell.x();
    drag.press = pos;
    drag.lastX = pos.x();
    drag.movingDirection = 0;
    return true;
}

void TwwCustomDBGrid::mouseMoveEvent(QMouseEvent *event) {
    ColumnDrag &drag = *d->columnDrag;
    const QPoint pos = event->position().toPoint();
    event->accept();
    switch (drag.mode) {
        case ColumnDrag::Mode::None: {
            const bool edge = event->buttons() == Qt::NoButton && d->options.testFlag(dgColumnResize) && DataActive() &&
                              wwgrid::SizingColumnAt(d->geom, pos) > 0;
            const bool shown = viewport()->testAttribute(Qt::WA_SetCursor);
            if (edge && !shown) viewport()->setCursor(Qt::SplitHCursor);
            if (!edge && shown) viewport()->unsetCursor();
            return;
        }
        case ColumnDrag::Mode::Sizing: {
            if (drag.col >= ColCount()) return;
            const int width = std::max(1, drag.startWidth + pos.x() - drag.press.x());
            if (width == d->geom.colWidths[size_t(drag.col)]) return;
            d->geom.colWidths[size_t(drag.col)] = width;
            d->InvalidateGrid();
            if (EditorVisible() || (DateTimePicker() && DateTimePicker()->isVisible())) d->PlaceCellControls();
            return;
        }
        case ColumnDrag::Mode::Pressed: {
            if (!wwgrid::ColumnDragStarted(drag.press, pos)) return;
            // The title as it looks now goes with the pointer.
            const QRect title = CellRect(drag.col, 0);
            if (!drag.picture) {
                drag.picture = new QLabel(viewport());
                drag.picture->setAttribute(Qt::WA_TransparentForMouseEvents);
                drag.picture->setFrameStyle(QFrame::Box | QFrame::Plain);
            }
            drag.picture->setPixmap(viewport()->grab(title));
            drag.picture->adjustSize();
            drag.pictureOffset = title.topLeft() - drag.press;
            drag.picture->show();
            drag.picture->raise();
            drag.mode = ColumnDrag::Mode::Moving;
            [[fallthrough]];
        }
        case ColumnDrag::Mode::Moving:
            if (pos.x() != drag.lastX) drag.movingDirection = pos.x() > drag.lastX ? 1 : -1;
            drag.lastX = pos.x();
            drag.picture->move(pos + drag.pictureOffset);
            if (wwgrid::AutoScrollDirection(d->geom, pos.x(), drag.movingDirection) == 0)
                drag.StopAutoScroll();
            else if (!drag.timer.isActive())
                drag.timer.start();
            return;
    }
}

void TwwCustomDBGrid::mouseReleaseEvent(QMouseEvent *event) {
    ColumnDrag &drag = *d->columnDrag;
    if (event->button() != Qt::LeftButton || drag.mode == ColumnDrag::Mode::None) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    const ColumnDrag::Mode mode = drag.mode;
    const int col = drag.col;
    const int x = event->position().toPoint().x();
    drag.mode = ColumnDrag::Mode::None;
    drag.StopAutoScroll();
    if (drag.picture) drag.picture->hide();
    RunHandler([&] {
        if (mode == ColumnDrag::Mode::Sizing && col < ColCount()) {
            ResizeColumnByOperator(col, d->geom.colWidths[size_t(col)]);
            d->PlaceCellControls();
        } else if (mode == ColumnDrag::Mode::Moving) {
            const int target = wwgrid::DropColumnAt(d->geom, x);
            if (target > 0 && target != col) d->MoveColumnByOperator(col, target);
        }
    });
}

void TwwCustomDBGridPrivate::MoveColumnByOperator(int fromCol, int toCol) {
    TField *moved = q->ColumnField(fromCol);
    TField *target = q->ColumnField(toCol);
    if (!moved || !target || fromCol == toCol) return;
    WriteBackEditorText();
    HideEditor();
    // The current cell stays on its field.
    int current = col;
    if (current == fromCol)
        current = toCol;
    else if (fromCol < toCol && current > fromCol && current <= toCol)
        --current;
    else if (toCol < fromCol && current >= toCol && current < fromCol)
        ++current;
    moved->SetIndex(target->Index());  // announced as a change of the layout
    q->RebuildLayout();
    col = std::clamp(current, 1, q->ColCount() - 1);
    InvalidateGrid();
    PlaceCellControls();
    if (q->OnColumnMoved) q->OnColumnMoved(q, fromCol, toCol);
}
