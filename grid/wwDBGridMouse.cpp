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

void TwwCustomDBGridPrivate::ConnectInput() {
    QScrollBar *bar = q->verticalScrollBar();
    QObject::connect(bar, &QAbstractSlider::actionTriggered, q,
                     [this](int action) { RunHandler([&] { HandleVertScrollAction(action); }); });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, q, [this] {
        RunHandler([&] {
            if (q->DataActive() && EnsureFocus()) ThumbReleasedAt(q->verticalScrollBar()->sliderPosition());
            ResyncVertScrollBar();
        });
    });
    bar->installEventFilter(new BarWheelFilter(q, [this](QWheelEvent *event) { q->wheelEvent(event); }));
    // The focus leaves the grid when another control of its window takes it
    // from the grid or from the grid's own editor. Another window coming up
    // (a question of the grid's, the error report) is not leaving.
    QObject::connect(qApp, &QApplication::focusChanged, q, [this](QWidget *old, QWidget *now) {
        const auto inside = [this](QWidget *w) { return w && (w == q || q->isAncestorOf(w)); };
        if (inside(old) && now && !inside(now) && now->window() == q->window()) RunHandler([this] { FocusLeft(); });
    });
}

// The focus within the grid's window: an X11 window without a window manager
// may never become the active one, yet its focus widget is the one that the
// keys would go to.
bool TwwCustomDBGridPrivate::GridHasFocus() const {
    QWidget *focus = q->window()->focusWidget();
    return focus && (focus == q || q->isAncestorOf(focus));
}

void TwwCustomDBGrid::mousePressEvent(QMouseEvent *event) {
    RunHandler([&] { d->HandleMousePress(event); });
}

void TwwCustomDBGrid::mouseDoubleClickEvent(QMouseEvent *event) {
    RunHandler([&] { d->HandleSecondPress(event); });
}

void TwwCustomDBGridPrivate::HandleMousePress(QMouseEvent *event) {
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    lastPressTime = event->timestamp();
    lastPressPos = event->globalPosition().toPoint();
    auto raiseMouseDown = [&] {
        if (q->OnMouseDown) q->OnMouseDown(button, event->modifiers(), pos);
    };
    const QPoint cell = q->CellAt(pos);
    const bool titleRow = options.testFlag(dgTitles) && pos.y() >= 0 && pos.y() < q->TitleRowHeight() + 1;
    // Column borders and titles belong to resizing and moving.
    if (titleRow && q->TitleMousePress(event)) {
        raiseMouseDown();
        return;
    }
    if (cell.x() < 0 || cell.y() < 0) {
        EnsureFocus();
        raiseMouseDown();
        return;
    }
    if (cell.y() >= 1 && q->DataActive()) {
        const bool sameCell = cell.x() == col && cell.y() == row;
        if (sameCell && button != Qt::RightButton && !q->CellRefusesEditor(cell.x(), cell.y())) q->SetEditorMode(true);
        if (!EnsureFocus()) return;
        if (cell.x() >= 1) q->SelectColumn(cell.x() - 1);
        if (GoToShownRow(cell.y()) && q->OnCellChanged) q->OnCellChanged();
        InvalidateCell(col, row);
        // With single-click check boxes the press itself toggles.
        if (button == Qt::LeftButton && editControlOptions.testFlag(ecoCheckboxSingleClick) && GridEditingAllowed() &&
            IsDataCell(cell.x(), cell.y())) {
            q->ToggleCheckBoxCell(cell.x(), cell.y());
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
void TwwCustomDBGridPrivate::HandleSecondPress(QMouseEvent *event) {
    const QPoint pos = event->position().toPoint();
    const QStyleHints *hints = QApplication::styleHints();
    const quint64 since = event->timestamp() >= lastPressTime ? event->timestamp() - lastPressTime : 0;
    const bool pressSeen =
        since <= quint64(hints->mouseDoubleClickInterval()) &&
        (event->globalPosition().toPoint() - lastPressPos).manhattanLength() <= 2 * hints->mouseDoubleClickDistance();
    if (!pressSeen) HandleMousePress(event);
    if (!EnsureFocus()) return;
    if (q->OnDblClick) q->OnDblClick();
    const QPoint cell = q->CellAt(pos);
    if (event->button() == Qt::LeftButton && GridEditingAllowed() && IsDataCell(cell.x(), cell.y()) &&
        !editControlOptions.testFlag(ecoCheckboxSingleClick)) {
        q->ToggleCheckBoxCell(cell.x(), cell.y());
    }
    if (q->OnMouseDown) q->OnMouseDown(event->button(), event->modifiers(), pos);
}

void TwwCustomDBGrid::wheelEvent(QWheelEvent *event) {
    if (!d->GridHasFocus()) {
        event->ignore();
        return;
    }
    event->accept();
    RunHandler([&] { d->TurnWheel(event->angleDelta().y()); });
}

// One row per wheel step of 120; finer wheels add up to whole steps.
void TwwCustomDBGridPrivate::TurnWheel(int angleDelta) {
    if (!q->DataActive()) return;
    wheelDelta += angleDelta;
    const int steps = wheelDelta / 120;
    wheelDelta -= steps * 120;
    // Turning towards the operator (a negative delta) goes down the list.
    if (steps != 0) MoveRows(-steps);
}
