#include "grid/GridKeyRules.h"

namespace wwgrid {

GridKeyAction GridKeyFor(int key, Qt::KeyboardModifiers modifiers, const GridKeyState &state) {
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    using A = GridKeyAction;
    switch (key) {
        case Qt::Key_Up:
            return ctrl ? A::FirstRowOfWindow : A::PriorRow;
        case Qt::Key_Down:
            return ctrl ? A::LastRowOfWindow : A::NextRow;
        case Qt::Key_PageUp:
            return ctrl ? A::FirstRowOfWindow : A::PageBack;
        case Qt::Key_PageDown:
            return ctrl ? A::LastRowOfWindow : A::PageOn;
        case Qt::Key_Left:
            return ctrl ? A::FirstColumn : A::PriorColumn;
        case Qt::Key_Right:
            return ctrl ? A::LastColumn : A::NextColumn;
        case Qt::Key_Home:
            return ctrl || state.singleField ? A::FirstRow : A::FirstColumn;
        case Qt::Key_End:
            return ctrl || state.singleField ? A::LastRow : A::LastColumn;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (ctrl || alt) return A::Nothing;
            return key == Qt::Key_Tab && !shift ? A::TabForward : A::TabBackward;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl) return A::Nothing;
            if (state.enterToTab) return shift ? A::TabBackward : A::TabForward;
            if (state.editorMode) return A::EditorModeOff;
            return state.refusesEditor ? A::Nothing : A::EditorModeOn;
        case Qt::Key_Escape:
            return ctrl ? A::Nothing : A::ResetCurrentRow;
        case Qt::Key_Insert:
            return ctrl ? A::Nothing : A::InsertRow;
        case Qt::Key_Delete:
            if (ctrl) return A::DeleteCurrentRow;
            return state.checkBoxCell ? A::Nothing : A::PassToEditor;
        case Qt::Key_F2:
            return ctrl || state.refusesEditor ? A::Nothing : A::EditorModeOn;
        case Qt::Key_Space:
            // Space toggles with Shift or Ctrl held too.
            if (state.checkBoxCell) return state.editingAllowed ? A::ToggleCheckBox : A::Nothing;
            return ctrl ? A::Nothing : A::PassToEditor;
        default:
            // A character or Backspace opens the editor with it, except on a
            // check-box cell, where it is dropped.
            if (ctrl || alt || !(key == Qt::Key_Backspace || state.typesCharacter)) return A::Ignore;
            return state.checkBoxCell ? A::Nothing : A::PassToEditor;
    }
}

bool NeedsFocus(GridKeyAction action) {
    switch (action) {
        case GridKeyAction::PriorRow:
        case GridKeyAction::NextRow:
        case GridKeyAction::FirstRowOfWindow:
        case GridKeyAction::LastRowOfWindow:
        case GridKeyAction::PageBack:
        case GridKeyAction::PageOn:
            return true;
        default:
            return false;
    }
}

}  // namespace wwgrid
