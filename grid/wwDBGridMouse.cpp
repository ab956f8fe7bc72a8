// The mouse, the wheel and the vertical scroll bar: each press, turn or bar
// action becomes one of the grid's named operations. A failure of an
// operation is reported here, where the handling starts.
#include <QApplication>
#include <QStyleHints>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/HandlerFailure.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

namespace {
// The wheel turned over the vertical bar moves the cursor like the wheel over
// the rows; the bar would otherwise only move its thumb.
class BarWheelFilter : public QObject {
public:
    BarWheelFilter(QObject *parent, std::function<void(QWheelEvent *)> turn)
        : QObject(parent), turn_(std::move(turn)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::Wheel) return false;
        turn_(static_cast<QWheelEvent *>(event));
        return true;
    }

private:
    std::function<void(QWheelEvent *)> turn_;
};
}  // namespace

void TwwCustomDBGrid::ConnectInput() {
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this](int action) { RunHandler([&] { HandleVertScrollAction(action); }); });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this] {
        RunHandler([&] {
            if (DataActive() && EnsureFocus()) ThumbReleasedAt(verticalScrollBar()->sliderPosition());
            ResyncVertScrollBar();
        });
    });
    bar->installEventFilter(new BarWheelFilter(this, [this](QWheelEvent *event) { wheelEvent(event); }));
    // The focus leaves the grid when another control of its window takes it
    // from the grid or from the grid's own editor. Another window coming up
    // (a question of the grid's, the error report) is not leaving.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        const auto inside = [this](QWidget *w) { return w && (w == this || isAncestorOf(w)); };
        if (inside(old) && now && !inside(now) && now->window() == window()) RunHandler([this] { FocusLeft(); });
    });
}

// The focus within the grid's window: an X11 window without a window manager
// may never become the active one, yet its focus widget is the one that the
// keys would go to.
bool TwwCustomDBGrid::GridHasFocus() const {
    QWidget *focus = window()->focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void TwwCustomDBGrid::mousePressEvent(QMouseEvent *event) {
    RunHandler([&] { HandleMousePress(event); });
}

void TwwCustomDBGrid::mouseDoubleClickEvent(QMouseEvent *event) {
    RunHandler([&] { HandleSecondPress(event); });
}

void TwwCustomDBGrid::HandleMousePress(QMouseEvent *event) {
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    d->lastPressTime = event->timestamp();
    d->lastPressPos = event->globalPosition().toPoint();
    auto raiseMouseDown = [&] {
        if (OnMouseDown) OnMouseDown(button, event->modifiers(), pos);
    };
    const QPoint cell = CellAt(pos);
    const bool titleRow = d->options.testFlag(dgTitles) && pos.y() >= 0 && pos.y() < TitleRowHeight() + 1;
    // Column borders and titles belong to resizing and moving.
    if (titleRow && TitleMousePress(event)) {
        raiseMouseDown();
        return;
    }
    if (cell.x() < 0 || cell.y() < 0) {
        EnsureFocus();
        raiseMouseDown();
        return;
    }
    if (cell.y() >= 1 && DataActive()) {
        const bool sameCell = cell.x() == d->col && cell.y() == d->row;
        if (sameCell && button != Qt::RightButton && !CellRefusesEditor(cell.x(), cell.y())) SetEditorMode(true);
        if (!EnsureFocus()) return;
        if (cell.x() >= 1) SelectColumn(cell.x() - 1);
        if (GoToShownRow(cell.y()) && OnCellChanged) OnCellChanged();
        InvalidateCell(d->col, d->row);
        // With single-click check boxes the press itself toggles.
        if (button == Qt::LeftButton && d->editControlOptions.testFlag(ecoCheckboxSingleClick) &&
            GridEditingAllowed() && IsDataCell(cell.x(), cell.y())) {
            ToggleCheckBoxCell(cell.x(), cell.y());
        }
    }
    raiseMouseDown();
}

// A double click comes as press, release, double-click, release: the press
// already made the row under the pointer current, so the double-click event
// only raises OnDblClick and ticks the current row's check box. When that
// press never reached the grid (it only closed a pop-up, such as the date
// picker's calendar), the current row is not the one under the pointer: the
// double-click event then first does what the press would have done.
void TwwCustomDBGrid::HandleSecondPress(QMouseEvent *event) {
    const QPoint pos = event->position().toPoint();
    const QStyleHints *hints = QApplication::styleHints();
    const quint64 since = event->timestamp() >= d->lastPressTime ? event->timestamp() - d->lastPressTime : 0;
    const bool pressSeen = since <= quint64(hints->mouseDoubleClickInterval()) &&
                           (event->globalPosition().toPoint() - d->lastPressPos).manhattanLength() <=
                               2 * hints->mouseDoubleClickDistance();
    if (!pressSeen) HandleMousePress(event);
    if (!EnsureFocus()) return;
    if (OnDblClick) OnDblClick();
    const QPoint cell = CellAt(pos);
    if (event->button() == Qt::LeftButton && GridEditingAllowed() && IsDataCell(cell.x(), cell.y()) &&
        !d->editControlOptions.testFlag(ecoCheckboxSingleClick)) {
        ToggleCheckBoxCell(cell.x(), cell.y());
    }
    if (OnMouseDown) OnMouseDown(event->button(), event->modifiers(), pos);
}

void TwwCustomDBGrid::wheelEvent(QWheelEvent *event) {
    if (!GridHasFocus()) {
        event->ignore();
        return;
    }
    event->accept();
    RunHandler([&] { TurnWheel(event->angleDelta().y()); });
}

// One row per wheel step of 120; finer wheels add up to whole steps.
void TwwCustomDBGrid::TurnWheel(int angleDelta) {
    if (!DataActive()) return;
    d->wheelDelta += angleDelta;
    const int steps = d->wheelDelta / 120;
    d->wheelDelta -= steps * 120;
    // Turning towards the operator (a negative delta) goes down the list.
    if (steps != 0) MoveRows(-steps);
}
