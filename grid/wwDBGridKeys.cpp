// The keyboard: the key table (GridKeyRules.h) turns each key into one of
// the grid's named operations, run here. A failure of an operation is
// reported here, where the key's handling starts.
#include <QKeyEvent>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/HandlerFailure.h"
#include "grid/GridDataLink.h"
#include "grid/GridKeyRules.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

using wwgrid::GridKeyAction;

namespace {
// Runs the operation a key asked for on the current cell.
void RunKeyAction(TwwCustomDBGridPrivate &d, GridKeyAction action, QKeyEvent *event) {
    TwwCustomDBGrid &grid = *d.q;
    const TwwGridDataLink &link = *d.dataLink;
    const int current = grid.Col() - 1;
    switch (action) {
        case GridKeyAction::Ignore:
        case GridKeyAction::Nothing:
            break;
        case GridKeyAction::PriorRow:
            grid.PriorRow();
            break;
        case GridKeyAction::NextRow:
            grid.NextRow();
            break;
        case GridKeyAction::FirstRowOfWindow:
            d.MoveRows(-link.ActiveRecord());
            break;
        case GridKeyAction::LastRowOfWindow:
            d.MoveRows(link.RecordCount() - link.ActiveRecord() - 1);
            break;
        case GridKeyAction::PageBack:
            d.MoveRows(-grid.VisibleRowCount());
            break;
        case GridKeyAction::PageOn:
            d.MoveRows(grid.VisibleRowCount());
            break;
        case GridKeyAction::FirstColumn:
            grid.SelectColumn(0);
            break;
        case GridKeyAction::PriorColumn:
            grid.SelectColumn(current - 1);
            break;
        case GridKeyAction::NextColumn:
            grid.SelectColumn(current + 1);
            break;
        case GridKeyAction::LastColumn:
            grid.SelectColumn(grid.DisplayedFieldCount() - 1);
            break;
        case GridKeyAction::FirstRow:
            grid.FirstRow();
            break;
        case GridKeyAction::LastRow:
            grid.LastRow();
            break;
        case GridKeyAction::TabForward:
            grid.TabToColumn(true);
            break;
        case GridKeyAction::TabBackward:
            grid.TabToColumn(false);
            break;
        case GridKeyAction::EditorModeOn:
            grid.SetEditorMode(true);
            break;
        case GridKeyAction::EditorModeOff:
            grid.SetEditorMode(false);
            break;
        case GridKeyAction::ResetCurrentRow:
            grid.ResetCurrentRow();
            break;
        case GridKeyAction::InsertRow:
            grid.InsertRow();
            break;
        case GridKeyAction::DeleteCurrentRow:
            grid.DeleteCurrentRow();
            break;
        case GridKeyAction::PassToEditor:
            grid.PassKeyToEditor(event);
            break;
        case GridKeyAction::ToggleCheckBox:
            grid.ToggleCheckBoxCell(grid.Col(), grid.Row());
            break;
    }
}
}  // namespace

// With Tab handling on, Tab and Shift+Tab stay in the grid.
bool TwwCustomDBGrid::focusNextPrevChild(bool next) {
    if (d->options.testFlag(dgTabs)) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TwwCustomDBGrid::keyPressEvent(QKeyEvent *event) {
    RunHandler([&] { d->HandleKey(event); });
}

void TwwCustomDBGridPrivate::HandleKey(QKeyEvent *event) {
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (q->OnKeyDown) {
        q->OnKeyDown(key, modifiers);
        if (key == 0) return;
    }
    if (!q->DataActive()) {
        event->ignore();
        return;
    }
    wwgrid::GridKeyState state;
    state.editorMode = editorMode;
    state.enterToTab = keyOptions.testFlag(dgEnterToTab);
    state.singleField = q->DataSet()->FieldCount() == 1;
    state.checkBoxCell = q->IsCheckBoxCell(col, row);
    state.refusesEditor = q->CellRefusesEditor(col, row);
    state.editingAllowed = GridEditingAllowed();
    state.typesCharacter = !event->text().isEmpty() && event->text()[0] >= QChar(' ');
    const GridKeyAction action = wwgrid::GridKeyFor(key, modifiers, state);
    if (action == GridKeyAction::Ignore) {
        event->ignore();
        return;
    }
    // A row key on a grid that cannot take the focus does nothing.
    if (wwgrid::NeedsFocus(action) && !EnsureFocus()) return;
    RunKeyAction(*this, action, event);
    event->accept();
}

bool TwwCustomDBGridPrivate::EnsureFocus() {
    if (GridHasFocus()) return true;  // the grid's own editor counts as the grid
    q->setFocus(Qt::OtherFocusReason);
    return GridHasFocus();
}
