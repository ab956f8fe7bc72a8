#include "grid/InplaceEditRules.h"

namespace wwgrid {

EditorKey RouteEditorKey(int key, Qt::KeyboardModifiers modifiers, const EditorCaret &caret) {
    modifiers &= ~Qt::KeypadModifier;
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool allSelected = caret.textLength > 0 && caret.selectionLength >= caret.textLength;
    const bool atStart = caret.selectionLength == 0 && caret.position == 0;
    const bool atEnd = caret.selectionLength == 0 && caret.position >= caret.textLength;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
            return EditorKey::Grid;
        // Insert goes to the grid with any modifier: there it inserts a row
        // (Shift+Insert too), and Ctrl+Insert does nothing. Ctrl+C and Ctrl+V
        // copy and paste in the editor.
        case Qt::Key_Insert:
            return EditorKey::Grid;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return modifiers.testFlag(Qt::AltModifier) ? EditorKey::Editor : EditorKey::Grid;
        case Qt::Key_Left:
        case Qt::Key_Home:
            return ctrl || atStart || allSelected ? EditorKey::Grid : EditorKey::Editor;
        case Qt::Key_Right:
            return ctrl || atEnd || allSelected ? EditorKey::Grid : EditorKey::Editor;
        case Qt::Key_End:
        case Qt::Key_Delete:
            return ctrl ? EditorKey::Grid : EditorKey::Editor;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return EditorKey::EditorModeOff;
        case Qt::Key_F2:
            return EditorKey::Deselect;
        default:
            return EditorKey::Editor;
    }
}

bool FieldAcceptsChar(DataType type, QChar ch, QChar decimalPoint) {
    const bool digitOrSign = (ch >= u'0' && ch <= u'9') || ch == u'+' || ch == u'-';
    switch (type) {
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::BigInt:
            return digitOrSign;
        case DataType::Bcd:
            return digitOrSign || ch == decimalPoint || ch == u'.';
        case DataType::Float:
            return digitOrSign || ch == decimalPoint || ch == u'.' || ch == u'e' || ch == u'E';
        default:
            return true;
    }
}

}  // namespace wwgrid
