// The keyboard: each key becomes one of the grid's named operations. A
// failure of an operation is reported here, where the key's handling starts.
#include <QKeyEvent>

#include "ClientDataSet.h"
#include "GridDataLink.h"
#include "HandlerFailure.h"
#include "wwDBGrid.h"
#include "wwDBGrid_p.h"

// With Tab handling on, Tab and Shift+Tab stay in the grid.
bool TwwCustomDBGrid::focusNextPrevChild(bool next) {
    if (d->options.testFlag(dgTabs)) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TwwCustomDBGrid::keyPressEvent(QKeyEvent *event) {
    RunHandler([&] { HandleKey(event); });
}

void TwwCustomDBGrid::HandleKey(QKeyEvent *event) {
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (OnKeyDown) {
        OnKeyDown(key, modifiers);
        if (key == 0) return;
    }
    if (!DataActive()) {
        event->ignore();
        return;
    }
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    const int current = d->col - 1;
    const int last = DisplayedFieldCount() - 1;
    const bool singleField = DataSet()->FieldCount() == 1;

    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            if (!EnsureFocus()) return;
            const int window = d->dataLink->RecordCount();
            const int position = d->dataLink->ActiveRecord();
            if (ctrl) {
                if (key == Qt::Key_Up || key == Qt::Key_PageUp)
                    MoveRows(-position);
                else
                    MoveRows(window - position - 1);
            } else if (key == Qt::Key_Up) {
                PriorRow();
            } else if (key == Qt::Key_Down) {
                NextRow();
            } else {
                MoveRows(key == Qt::Key_PageUp ? -VisibleRowCount() : VisibleRowCount());
            }
            break;
        }
        case Qt::Key_Left:
            SelectColumn(ctrl ? 0 : current - 1);
            break;
        case Qt::Key_Right:
            SelectColumn(ctrl ? last : current + 1);
            break;
        case Qt::Key_Home:
            if (ctrl || singleField)
                FirstRow();
            else
                SelectColumn(0);
            break;
        case Qt::Key_End:
            if (ctrl || singleField)
                LastRow();
            else
                SelectColumn(last);
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!ctrl && !alt) TabToColumn(key == Qt::Key_Tab && !shift);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl) break;
            if (d->keyOptions.testFlag(dgEnterToTab))
                TabToColumn(!shift);
            else if (EditorMode())
                SetEditorMode(false);
            else if (!CellRefusesEditor(d->col, d->row))
                SetEditorMode(true);
            break;
        case Qt::Key_Escape:
            if (!ctrl) ResetCurrentRow();
            break;
        case Qt::Key_Insert:
            if (!ctrl) InsertRow();
            break;
        case Qt::Key_Delete:
            if (ctrl)
                DeleteCurrentRow();
            else if (!IsCheckBoxCell(d->col, d->row))
                PassKeyToEditor(event);
            break;
        case Qt::Key_F2:
            if (!ctrl && !CellRefusesEditor(d->col, d->row)) SetEditorMode(true);
            break;
        case Qt::Key_Space:
            if (IsCheckBoxCell(d->col, d->row)) {
                if (GridEditingAllowed()) ToggleCheckBoxCell(d->col, d->row);
            } else if (!ctrl) {
                PassKeyToEditor(event);
            }
            break;
        default:
            // Typing: a character or Backspace opens the editor with it, except
            // on a check-box cell, where it is dropped.
            const bool typed = !event->text().isEmpty() && event->text()[0] >= QChar(' ');
            if (!ctrl && !alt && (key == Qt::Key_Backspace || typed)) {
                if (!IsCheckBoxCell(d->col, d->row)) PassKeyToEditor(event);
                break;
            }
            event->ignore();
            return;
    }
    event->accept();
}

bool TwwCustomDBGrid::EnsureFocus() {
    if (GridHasFocus()) return true;  // the grid's own editor counts as the grid
    setFocus(Qt::OtherFocusReason);
    return GridHasFocus();
}
