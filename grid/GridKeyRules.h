#pragma once
// The grid's keys as a table without a widget: which of the grid's
// operations a key pressed on the grid asks for, given its modifiers and
// the current cell.
#include <Qt>

namespace wwgrid {

// What the grid does with a key.
enum class GridKeyAction {
    Ignore,            // not the grid's: the key travels on (a shortcut, a plain modifier)
    Nothing,           // the grid takes the key and does nothing with it
    PriorRow,          // Up
    NextRow,           // Down, appending past the last row
    FirstRowOfWindow,  // Ctrl+Up, Ctrl+Page Up
    LastRowOfWindow,   // Ctrl+Down, Ctrl+Page Down
    PageBack,          // Page Up: back by the visible rows
    PageOn,            // Page Down: on by the visible rows
    FirstColumn,       // Ctrl+Left, Home
    PriorColumn,       // Left
    NextColumn,        // Right
    LastColumn,        // Ctrl+Right, End
    FirstRow,          // Ctrl+Home (Home with a single field)
    LastRow,           // Ctrl+End (End with a single field)
    TabForward,        // Tab
    TabBackward,       // Shift+Tab
    EditorModeOn,      // Enter, F2 on a cell that takes the editor
    EditorModeOff,     // Enter while editor mode is on
    ResetCurrentRow,   // Escape
    InsertRow,         // Insert
    DeleteCurrentRow,  // Ctrl+Delete
    PassToEditor,      // typing, Backspace, Delete: the editor opens with the key
    ToggleCheckBox,    // Space on a check-box cell
};

// What the key's action depends on besides the key and its modifiers.
struct GridKeyState {
    bool editorMode = false;      // the editor is on
    bool enterToTab = false;      // Enter moves as Tab does
    bool singleField = false;     // the result set has one field: Home and End move rows
    bool checkBoxCell = false;    // the current cell shows a check box
    bool refusesEditor = false;   // the current cell never gets the text editor
    bool editingAllowed = false;  // the grid lets the operator change data
    bool typesCharacter = false;  // the key's text starts with a character from the space up
};

// The grid's key table:
//   Up / Down                 PriorRow / NextRow;  with Ctrl the window's first / last row
//   Page Up / Page Down       back / on a page;    with Ctrl the window's first / last row
//   Left / Right              prior / next column; with Ctrl the first / last column
//   Home / End                first / last column (with one field, or Ctrl: first / last row)
//   Tab, Shift+Tab            on / back to a tab stop; nothing with Ctrl or Alt
//   Enter                     editor on or off (as Tab with enterToTab); nothing with Ctrl
//   Escape, Insert            reset the row, insert a row; nothing with Ctrl
//   Delete                    to the editor (not on a check box); with Ctrl delete the row
//   F2                        editor on where the cell takes it; nothing with Ctrl
//   Space                     toggles a check box where editing is allowed; otherwise as typing
//   characters, Backspace     to the editor (dropped on a check box); not with Ctrl or Alt
GridKeyAction GridKeyFor(int key, Qt::KeyboardModifiers modifiers, const GridKeyState &state);

// Actions that move the cursor by rows from the row keys: the grid takes
// the focus first and does nothing when it cannot.
bool NeedsFocus(GridKeyAction action);

}  // namespace wwgrid
