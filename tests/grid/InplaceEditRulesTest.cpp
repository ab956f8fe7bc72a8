// The in-place editor's rules without a widget: which keys go to the grid,
// and which characters a field takes.
#include <gtest/gtest.h>

#include <string>

#include "grid/InplaceEditRules.h"

using namespace wwgrid;

namespace {

template <class Case>
std::string NameOf(const ::testing::TestParamInfo<Case> &param) {
    return param.param.name;
}

// Carets in the text "abcdef".
constexpr EditorCaret kMiddle{3, 0, 6};
constexpr EditorCaret kStart{0, 0, 6};
constexpr EditorCaret kEnd{6, 0, 6};
constexpr EditorCaret kAllSelected{6, 6, 6};
constexpr EditorCaret kFirstTwoSelected{0, 2, 6};
constexpr EditorCaret kEmpty{0, 0, 0};

struct KeyCase {
    const char *name;
    int key;
    Qt::KeyboardModifiers modifiers;
    EditorCaret caret;
    EditorKey expected;
};
void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }

class EditorKeyTest : public ::testing::TestWithParam<KeyCase> {};
TEST_P(EditorKeyTest, Route) {
    const KeyCase &c = GetParam();
    EXPECT_EQ(RouteEditorKey(c.key, c.modifiers, c.caret), c.expected);
}

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kAlt = Qt::AltModifier;
const Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;

INSTANTIATE_TEST_SUITE_P(
    Keys, EditorKeyTest,
    ::testing::Values(KeyCase{"Up", Qt::Key_Up, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"Down", Qt::Key_Down, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"PageUp", Qt::Key_PageUp, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"PageDown", Qt::Key_PageDown, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"Escape", Qt::Key_Escape, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"Insert", Qt::Key_Insert, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"ShiftInsert", Qt::Key_Insert, kShift, kMiddle, EditorKey::Grid},
                      KeyCase{"CtrlInsert", Qt::Key_Insert, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"Tab", Qt::Key_Tab, kNone, kMiddle, EditorKey::Grid},
                      KeyCase{"ShiftTab", Qt::Key_Backtab, kShift, kMiddle, EditorKey::Grid},
                      KeyCase{"AltTab", Qt::Key_Tab, kAlt, kMiddle, EditorKey::Editor},
                      KeyCase{"LeftInTheText", Qt::Key_Left, kNone, kMiddle, EditorKey::Editor},
                      KeyCase{"LeftAtTheStart", Qt::Key_Left, kNone, kStart, EditorKey::Grid},
                      KeyCase{"LeftAllSelected", Qt::Key_Left, kNone, kAllSelected, EditorKey::Grid},
                      KeyCase{"LeftPartSelectedFromTheStart", Qt::Key_Left, kNone, kFirstTwoSelected,
                              EditorKey::Editor},
                      KeyCase{"CtrlLeft", Qt::Key_Left, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"KeypadLeftInTheText", Qt::Key_Left, kKeypad, kMiddle, EditorKey::Editor},
                      KeyCase{"HomeInTheText", Qt::Key_Home, kNone, kMiddle, EditorKey::Editor},
                      KeyCase{"HomeAtTheStart", Qt::Key_Home, kNone, kStart, EditorKey::Grid},
                      KeyCase{"HomeAllSelected", Qt::Key_Home, kNone, kAllSelected, EditorKey::Grid},
                      KeyCase{"RightInTheText", Qt::Key_Right, kNone, kMiddle, EditorKey::Editor},
                      KeyCase{"RightAtTheStart", Qt::Key_Right, kNone, kStart, EditorKey::Editor},
                      KeyCase{"RightAtTheEnd", Qt::Key_Right, kNone, kEnd, EditorKey::Grid},
                      KeyCase{"RightAllSelected", Qt::Key_Right, kNone, kAllSelected, EditorKey::Grid},
                      KeyCase{"CtrlRight", Qt::Key_Right, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"EndStays", Qt::Key_End, kNone, kEnd, EditorKey::Editor},
                      KeyCase{"CtrlEnd", Qt::Key_End, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"CtrlHome", Qt::Key_Home, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"CtrlPageDown", Qt::Key_PageDown, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"Delete", Qt::Key_Delete, kNone, kMiddle, EditorKey::Editor},
                      KeyCase{"CtrlDelete", Qt::Key_Delete, kCtrl, kMiddle, EditorKey::Grid},
                      KeyCase{"Enter", Qt::Key_Return, kNone, kMiddle, EditorKey::EditorModeOff},
                      KeyCase{"KeypadEnter", Qt::Key_Enter, kKeypad, kMiddle, EditorKey::EditorModeOff},
                      KeyCase{"F2", Qt::Key_F2, kNone, kAllSelected, EditorKey::Deselect},
                      KeyCase{"Letter", Qt::Key_A, kNone, kAllSelected, EditorKey::Editor},
                      KeyCase{"CtrlC", Qt::Key_C, kCtrl, kAllSelected, EditorKey::Editor},
                      KeyCase{"LeftInEmptyText", Qt::Key_Left, kNone, kEmpty, EditorKey::Grid},
                      KeyCase{"RightInEmptyText", Qt::Key_Right, kNone, kEmpty, EditorKey::Grid}),
    NameOf<KeyCase>);

struct CharCase {
    const char *name;
    DataType type;
    char16_t ch;
    char16_t decimalPoint;
    bool expected;
};
void PrintTo(const CharCase &c, std::ostream *os) { *os << c.name; }
class FieldCharTest : public ::testing::TestWithParam<CharCase> {};
TEST_P(FieldCharTest, Accepts) {
    const CharCase &c = GetParam();
    EXPECT_EQ(FieldAcceptsChar(c.type, QChar(c.ch), QChar(c.decimalPoint)), c.expected);
}
INSTANTIATE_TEST_SUITE_P(Chars, FieldCharTest,
                         ::testing::Values(CharCase{"TextTakesLetters", DataType::String, u'x', u'.', true},
                                           CharCase{"TextTakesChinese", DataType::String, u'單', u'.', true},
                                           CharCase{"DateTakesAnything", DataType::Date, u'x', u'.', true},
                                           CharCase{"IntegerDigit", DataType::Integer, u'5', u'.', true},
                                           CharCase{"IntegerSign", DataType::SmallInt, u'-', u'.', true},
                                           CharCase{"IntegerLetter", DataType::BigInt, u'a', u'.', false},
                                           CharCase{"IntegerPoint", DataType::Integer, u'.', u'.', false},
                                           CharCase{"DecimalPoint", DataType::Bcd, u'.', u'.', true},
                                           CharCase{"DecimalComma", DataType::Bcd, u',', u',', true},
                                           CharCase{"DecimalExponent", DataType::Bcd, u'e', u'.', false},
                                           CharCase{"FloatExponent", DataType::Float, u'E', u'.', true},
                                           CharCase{"FloatLetter", DataType::Float, u'x', u'.', false}),
                         NameOf<CharCase>);

}  // namespace
