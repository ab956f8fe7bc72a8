// The grid's key table without a widget: which operation a key asks for,
// with its modifiers, on which kind of cell.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "grid/GridKeyRules.h"

using namespace wwgrid;

namespace {

// The current cell the key comes to.
GridKeyState TextCell() {
    GridKeyState s;
    s.editingAllowed = true;
    return s;
}
GridKeyState CheckBoxCell() {
    GridKeyState s = TextCell();
    s.checkBoxCell = true;
    s.refusesEditor = true;
    return s;
}
GridKeyState CheckBoxOfReadOnlyGrid() {
    GridKeyState s = CheckBoxCell();
    s.editingAllowed = false;
    return s;
}
GridKeyState DateCell() {
    GridKeyState s = TextCell();
    s.refusesEditor = true;
    return s;
}
GridKeyState EditorOn() {
    GridKeyState s = TextCell();
    s.editorMode = true;
    return s;
}
GridKeyState EnterToTab() {
    GridKeyState s = TextCell();
    s.enterToTab = true;
    return s;
}
GridKeyState SingleField() {
    GridKeyState s = TextCell();
    s.singleField = true;
    return s;
}
GridKeyState Typed(GridKeyState s) {
    s.typesCharacter = true;
    return s;
}

struct GridKeyCase {
    const char *name;
    int key;
    Qt::KeyboardModifiers modifiers;
    GridKeyState state;
    GridKeyAction expected;
};

void PrintTo(const GridKeyCase &c, std::ostream *os) { *os << c.name; }

std::string NameOf(const ::testing::TestParamInfo<GridKeyCase> &param) { return param.param.name; }

class GridKeyTableTest : public ::testing::TestWithParam<GridKeyCase> {};
TEST_P(GridKeyTableTest, AsksForTheOperation) {
    const GridKeyCase &c = GetParam();
    EXPECT_EQ(GridKeyFor(c.key, c.modifiers, c.state), c.expected);
}

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kAlt = Qt::AltModifier;
const Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;
using A = GridKeyAction;

INSTANTIATE_TEST_SUITE_P(
    Rows, GridKeyTableTest,
    ::testing::Values(GridKeyCase{"Up", Qt::Key_Up, kNone, TextCell(), A::PriorRow},
                      GridKeyCase{"Down", Qt::Key_Down, kNone, TextCell(), A::NextRow},
                      GridKeyCase{"CtrlUpToTheWindowsFirstRow", Qt::Key_Up, kCtrl, TextCell(), A::FirstRowOfWindow},
                      GridKeyCase{"CtrlDownToTheWindowsLastRow", Qt::Key_Down, kCtrl, TextCell(), A::LastRowOfWindow},
                      GridKeyCase{"PageUp", Qt::Key_PageUp, kNone, TextCell(), A::PageBack},
                      GridKeyCase{"PageDown", Qt::Key_PageDown, kNone, TextCell(), A::PageOn},
                      GridKeyCase{"CtrlPageUpAsCtrlUp", Qt::Key_PageUp, kCtrl, TextCell(), A::FirstRowOfWindow},
                      GridKeyCase{"CtrlPageDownAsCtrlDown", Qt::Key_PageDown, kCtrl, TextCell(), A::LastRowOfWindow},
                      GridKeyCase{"CtrlHomeToTheFirstRow", Qt::Key_Home, kCtrl, TextCell(), A::FirstRow},
                      GridKeyCase{"CtrlEndToTheLastRow", Qt::Key_End, kCtrl, TextCell(), A::LastRow},
                      GridKeyCase{"HomeWithOneFieldToTheFirstRow", Qt::Key_Home, kNone, SingleField(), A::FirstRow},
                      GridKeyCase{"EndWithOneFieldToTheLastRow", Qt::Key_End, kNone, SingleField(), A::LastRow}),
    NameOf);

INSTANTIATE_TEST_SUITE_P(
    Columns, GridKeyTableTest,
    ::testing::Values(GridKeyCase{"Left", Qt::Key_Left, kNone, TextCell(), A::PriorColumn},
                      GridKeyCase{"Right", Qt::Key_Right, kNone, TextCell(), A::NextColumn},
                      GridKeyCase{"CtrlLeftToTheFirstColumn", Qt::Key_Left, kCtrl, TextCell(), A::FirstColumn},
                      GridKeyCase{"CtrlRightToTheLastColumn", Qt::Key_Right, kCtrl, TextCell(), A::LastColumn},
                      GridKeyCase{"HomeOnlyChangesTheColumn", Qt::Key_Home, kNone, TextCell(), A::FirstColumn},
                      GridKeyCase{"EndOnlyChangesTheColumn", Qt::Key_End, kNone, TextCell(), A::LastColumn},
                      GridKeyCase{"Tab", Qt::Key_Tab, kNone, TextCell(), A::TabForward},
                      GridKeyCase{"ShiftTab", Qt::Key_Backtab, kShift, TextCell(), A::TabBackward},
                      GridKeyCase{"CtrlTabDoesNothing", Qt::Key_Tab, kCtrl, TextCell(), A::Nothing},
                      GridKeyCase{"AltTabDoesNothing", Qt::Key_Tab, kAlt, TextCell(), A::Nothing}),
    NameOf);

INSTANTIATE_TEST_SUITE_P(
    Editor, GridKeyTableTest,
    ::testing::Values(
        GridKeyCase{"EnterTurnsTheEditorOn", Qt::Key_Return, kNone, TextCell(), A::EditorModeOn},
        GridKeyCase{"KeypadEnterTurnsTheEditorOn", Qt::Key_Enter, kKeypad, TextCell(), A::EditorModeOn},
        GridKeyCase{"EnterTurnsTheEditorOff", Qt::Key_Return, kNone, EditorOn(), A::EditorModeOff},
        GridKeyCase{"EnterOnACheckBoxOpensNothing", Qt::Key_Return, kNone, CheckBoxCell(), A::Nothing},
        GridKeyCase{"EnterOnADateOpensNothing", Qt::Key_Return, kNone, DateCell(), A::Nothing},
        GridKeyCase{"CtrlEnterDoesNothing", Qt::Key_Return, kCtrl, TextCell(), A::Nothing},
        GridKeyCase{"EnterAsTab", Qt::Key_Return, kNone, EnterToTab(), A::TabForward},
        GridKeyCase{"ShiftEnterAsShiftTab", Qt::Key_Return, kShift, EnterToTab(), A::TabBackward},
        GridKeyCase{"F2TurnsTheEditorOn", Qt::Key_F2, kNone, TextCell(), A::EditorModeOn},
        GridKeyCase{"F2OnACheckBoxOpensNothing", Qt::Key_F2, kNone, CheckBoxCell(), A::Nothing},
        GridKeyCase{"F2OnADateOpensNothing", Qt::Key_F2, kNone, DateCell(), A::Nothing},
        GridKeyCase{"CtrlF2DoesNothing", Qt::Key_F2, kCtrl, TextCell(), A::Nothing},
        GridKeyCase{"DeleteGoesToTheEditor", Qt::Key_Delete, kNone, TextCell(), A::PassToEditor},
        GridKeyCase{"DeleteOnACheckBoxIsDropped", Qt::Key_Delete, kNone, CheckBoxCell(), A::Nothing},
        GridKeyCase{"LetterGoesToTheEditor", Qt::Key_A, kNone, Typed(TextCell()), A::PassToEditor},
        GridKeyCase{"ShiftLetterGoesToTheEditor", Qt::Key_A, kShift, Typed(TextCell()), A::PassToEditor},
        GridKeyCase{"LetterOnACheckBoxIsDropped", Qt::Key_A, kNone, Typed(CheckBoxCell()), A::Nothing},
        GridKeyCase{"BackspaceGoesToTheEditor", Qt::Key_Backspace, kNone, TextCell(), A::PassToEditor},
        GridKeyCase{"BackspaceOnACheckBoxIsDropped", Qt::Key_Backspace, kNone, CheckBoxCell(), A::Nothing},
        GridKeyCase{"SpaceOnTextGoesToTheEditor", Qt::Key_Space, kNone, Typed(TextCell()), A::PassToEditor},
        GridKeyCase{"CtrlSpaceOnTextDoesNothing", Qt::Key_Space, kCtrl, TextCell(), A::Nothing},
        GridKeyCase{"CtrlLetterIsNotTheGrids", Qt::Key_C, kCtrl, Typed(TextCell()), A::Ignore},
        GridKeyCase{"AltLetterIsNotTheGrids", Qt::Key_A, kAlt, Typed(TextCell()), A::Ignore},
        GridKeyCase{"AKeyWithoutTextIsNotTheGrids", Qt::Key_F5, kNone, TextCell(), A::Ignore},
        GridKeyCase{"AModifierAloneIsNotTheGrids", Qt::Key_Shift, kShift, TextCell(), A::Ignore}),
    NameOf);

INSTANTIATE_TEST_SUITE_P(
    RowsAndCheckBoxes, GridKeyTableTest,
    ::testing::Values(GridKeyCase{"EscapeResetsTheRow", Qt::Key_Escape, kNone, TextCell(), A::ResetCurrentRow},
                      GridKeyCase{"CtrlEscapeDoesNothing", Qt::Key_Escape, kCtrl, TextCell(), A::Nothing},
                      GridKeyCase{"InsertAddsARow", Qt::Key_Insert, kNone, TextCell(), A::InsertRow},
                      GridKeyCase{"ShiftInsertAddsARow", Qt::Key_Insert, kShift, TextCell(), A::InsertRow},
                      GridKeyCase{"CtrlInsertDoesNothing", Qt::Key_Insert, kCtrl, TextCell(), A::Nothing},
                      GridKeyCase{"CtrlDeleteDeletesTheRow", Qt::Key_Delete, kCtrl, TextCell(), A::DeleteCurrentRow},
                      GridKeyCase{"CtrlDeleteOnACheckBoxDeletesTheRow", Qt::Key_Delete, kCtrl, CheckBoxCell(),
                                  A::DeleteCurrentRow},
                      GridKeyCase{"SpaceTicks", Qt::Key_Space, kNone, Typed(CheckBoxCell()), A::ToggleCheckBox},
                      GridKeyCase{"ShiftSpaceTicks", Qt::Key_Space, kShift, Typed(CheckBoxCell()), A::ToggleCheckBox},
                      GridKeyCase{"CtrlSpaceTicks", Qt::Key_Space, kCtrl, CheckBoxCell(), A::ToggleCheckBox},
                      GridKeyCase{"SpaceOnAReadOnlyGridTicksNothing", Qt::Key_Space, kNone,
                                  Typed(CheckBoxOfReadOnlyGrid()), A::Nothing}),
    NameOf);

// Only the keys that move by rows make sure of the focus first; a grid that
// cannot take it lets them do nothing.
TEST(GridKeyFocusTest, OnlyTheRowKeysTakeTheFocusFirst) {
    for (A action : {A::PriorRow, A::NextRow, A::FirstRowOfWindow, A::LastRowOfWindow, A::PageBack, A::PageOn})
        EXPECT_TRUE(NeedsFocus(action)) << int(action);
    for (A action : {A::FirstRow, A::LastRow, A::TabForward, A::TabBackward, A::NextColumn, A::InsertRow,
                     A::DeleteCurrentRow, A::ToggleCheckBox, A::PassToEditor})
        EXPECT_FALSE(NeedsFocus(action)) << int(action);
}

}  // namespace
