#pragma once
// The rules of the in-place editor that need no widget: which keys typed
// into it belong to the grid, and which characters a field takes at all.
#include <QChar>
#include <Qt>

#include "data/dataset/DataType.h"

namespace wwgrid {

// Where a key pressed in the editor goes.
enum class EditorKey {
    Editor,         // the editor handles it (caret, selection, text)
    Grid,           // the grid handles it as if it had been pressed there
    EditorModeOff,  // Enter: the editor's text is kept and the editor closes
    Deselect,       // F2: the selection goes, the caret stays
};

// The editor's caret and selection when the key comes.
struct EditorCaret {
    int position = 0;         // caret, 0 .. textLength
    int selectionLength = 0;  // characters selected (0: none)
    int textLength = 0;
};

// Up, Down, Page Up, Page Down, Insert, Escape and Tab (not with Alt) go to
// the grid; Left and Home when the caret is at the start or all the text is
// selected, Right when it is at the end or all is selected; with Ctrl the
// arrows, Home, End, Page Up, Page Down and Delete go to the grid as well.
// Insert goes to the grid with Shift or Ctrl too.
EditorKey RouteEditorKey(int key, Qt::KeyboardModifiers modifiers, const EditorCaret &caret);

// Whether a field of the type takes the character at all: whole numbers
// only digits and signs, decimal numbers also the decimal point (and an
// exponent for floating point); every other type takes everything.
bool FieldAcceptsChar(DataType type, QChar ch, QChar decimalPoint);

}  // namespace wwgrid
