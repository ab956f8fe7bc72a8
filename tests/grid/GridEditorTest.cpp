// The in-place editor and the date-time picker over orders listed from a real
// database: the editor shows a cell for reading and copying and refuses every
// change on the read-only order columns, hands the navigation keys to the
// grid, and date columns get a read-only picker instead.
#include <QClipboard>
#include <QCalendarWidget>
#include <QGuiApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <vector>

#include "grid/TwwDBDateTimePicker.h"
#include "grid/TwwInplaceEdit.h"
#include "tests/grid/GridFixture.h"
#include "tests/grid/OrderListDatabase.h"

using namespace gridtest;

namespace {

enum GridCol { kSelect = 1, kBillId, kBillDate, kFrDate, kCustId, kCustName, kDepId };

// Keys that reach the grid itself, kept from its own handling.
class GridKeys : public QObject {
public:
    explicit GridKeys(QWidget *grid) { grid->installEventFilter(this); }
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        keys.emplace_back(key->key(), key->modifiers() & ~Qt::KeypadModifier);
        return true;
    }
};

// Lets the grid repaint and its controls follow the cells painted.
void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Typed text as an input method delivers it: each character a key event with
// text (QTest's own typing takes only ASCII).
void TypeText(QWidget *widget, const QString &text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

// Counts the focus losses that reach the grid's own handling.
class CountingGrid : public TwwDBGrid {
public:
    using TwwDBGrid::TwwDBGrid;
    int focusOuts = 0;

protected:
    void focusOutEvent(QFocusEvent *event) override {
        ++focusOuts;
        TwwDBGrid::focusOutEvent(event);
    }
};

class EditorFixture : public ::testing::Test {
protected:
    void Open(const QStringList &columns = OrderColumnList(), const std::string &query = OrderListQuery()) {
        orders.List(query);
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        grid = new CountingGrid(window.get());
        grid->setStyle(QStyleFactory::create(QStringLiteral("Windows")));
        grid->SetSelected(columns);
        grid->SetControlType(OrderControlType());
        grid->SetDataSource(&orders.source);
        grid->Beep = [this] { ++beeps; };
        grid->OnCreateDateTimePicker = [this](TwwCustomDBGrid *, TwwDBDateTimePicker *) { ++pickersMade; };
        other = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        window->resize(1000, 360);
        ShowAndWait(window.get());
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(grid->hasFocus());
    }

    QString FieldText(const char *name) const {
        return QString::fromStdString(orders.set.FieldNamed(name)->GetString());
    }

    // Opens the editor on a cell of the current row.
    TwwInplaceEdit *OpenEditor(int col) {
        grid->SetCol(col);
        grid->SetEditorMode(true);
        TwwInplaceEdit *editor = grid->InplaceEditor();
        return editor && editor->isVisible() ? editor : nullptr;
    }

    DatabaseOrderList orders;
    std::unique_ptr<QWidget> window;
    CountingGrid *grid = nullptr;
    QLineEdit *other = nullptr;
    int beeps = 0;
    int pickersMade = 0;
};

class EditorTest : public EditorFixture {
protected:
    void SetUp() override { Open(); }
};

TEST_F(EditorTest, OpensOverTheCurrentCellWithTheWholeTextSelected) {
    orders.set.MoveBy(3);
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    const QString text = FieldText("CUST_NAME");
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(editor->text(), text);
    EXPECT_EQ(editor->selectedText(), text);
    EXPECT_EQ(editor->geometry(), grid->CellRect(kCustName, grid->Row()));
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_TRUE(grid->hasFocus());  // the editor holds the grid's focus
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_FALSE(grid->EditorTextPending());
}

TEST_F(EditorTest, NeverOpensOnCheckBoxOrDateCellsNorWithoutTheFocus) {
    for (int col : {int(kSelect), int(kBillDate), int(kFrDate)}) {
        EXPECT_TRUE(grid->CellRefusesEditor(col, grid->Row())) << col;
        EXPECT_EQ(OpenEditor(col), nullptr) << col;
        grid->SetEditorMode(false);
    }
    EXPECT_FALSE(grid->CellRefusesEditor(kCustName, grid->Row()));
    other->setFocus();
    Settle();
    EXPECT_EQ(OpenEditor(kCustName), nullptr);
}

TEST_F(EditorTest, TypingOnACellWithoutAnEditorIsDroppedAndLeavesEditorModeOff) {
    for (int col : {int(kSelect), int(kBillDate)}) {
        grid->SetCol(col);
        grid->UpdateDateTimePicker();
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        grid->PassKeyToEditor(&typed);
        EXPECT_FALSE(grid->EditorVisible()) << col;
        EXPECT_FALSE(grid->EditorMode()) << col;
    }
    grid->SetCol(kCustName);
    grid->UpdateDateTimePicker();
    EXPECT_FALSE(grid->EditorVisible());
    EXPECT_EQ(orders.set.State(), DataSetState::Browse);
}

TEST_F(EditorTest, CtrlCCopiesTheSelection) {
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), FieldText("CUST_NAME"));
    // Part of the text, chosen with the keyboard, copies alone.
    editor->setCursorPosition(1);
    QTest::keyClick(editor, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), FieldText("CUST_NAME").mid(1));
    EXPECT_EQ(beeps, 0);
}

struct Keystroke {
    const char *name;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char16_t *text;  // typed text instead of a key
};
void PrintTo(const Keystroke &c, std::ostream *os) { *os << c.name; }

class ReadOnlyColumnTest : public EditorFixture, public ::testing::WithParamInterface<Keystroke> {
protected:
    void SetUp() override { Open(); }
};

TEST_P(ReadOnlyColumnTest, RefusesTheChangeSilently) {
    const Keystroke &k = GetParam();
    orders.set.MoveBy(2);
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    const QString before = FieldText("CUST_NAME");
    QGuiApplication::clipboard()->setText(QStringLiteral("PASTED"));
    if (k.text)
        TypeText(editor, QString::fromUtf16(k.text));
    else
        QTest::keyClick(editor, Qt::Key(k.key), k.modifiers);
    EXPECT_EQ(editor->text(), before);
    EXPECT_FALSE(grid->EditorTextPending());
    EXPECT_EQ(beeps, 0);
    EXPECT_EQ(orders.set.State(), DataSetState::Browse);
    EXPECT_EQ(FieldText("CUST_NAME"), before);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("PASTED"));  // nothing was cut
    EXPECT_TRUE(editor->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Keys, ReadOnlyColumnTest,
                         ::testing::Values(Keystroke{"Letter", 0, {}, u"x"}, Keystroke{"Chinese", 0, {}, u"陳"},
                                           Keystroke{"Space", Qt::Key_Space, {}, nullptr},
                                           Keystroke{"Backspace", Qt::Key_Backspace, {}, nullptr},
                                           Keystroke{"Delete", Qt::Key_Delete, {}, nullptr},
                                           Keystroke{"CtrlV", Qt::Key_V, Qt::ControlModifier, nullptr},
                                           Keystroke{"CtrlX", Qt::Key_X, Qt::ControlModifier, nullptr},
                                           Keystroke{"ShiftDelete", Qt::Key_Delete, Qt::ShiftModifier, nullptr},
                                           Keystroke{"CtrlZ", Qt::Key_Z, Qt::ControlModifier, nullptr}),
                         [](const ::testing::TestParamInfo<Keystroke> &param) {
                             return std::string(param.param.name);
                         });

TEST_F(EditorTest, ACharacterANumberCannotHoldBeepsOnlyThat) {
    QStringList columns = OrderColumnList();
    columns << QStringLiteral("TOTAL_AMT\t12\t金額\tT");
    orders.set.Close();
    Open(columns,
         "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN,TOTAL_AMT "
         "FROM ORDER_MASTER ORDER BY MASTERBILLID\r\n");
    TwwInplaceEdit *editor = OpenEditor(8);
    ASSERT_NE(editor, nullptr);
    const QString before = editor->text();
    QTest::keyClick(editor, Qt::Key_A);
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(editor, Qt::Key_7);  // a digit fits, but the column is read-only
    QTest::keyClick(editor, Qt::Key_Minus);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(editor->text(), before);
}

struct RoutedKey {
    const char *name;
    enum Caret { All, Start, Middle, End } caret;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool toGrid;
};
void PrintTo(const RoutedKey &c, std::ostream *os) { *os << c.name; }

class EditorKeysTest : public EditorFixture, public ::testing::WithParamInterface<RoutedKey> {
protected:
    void SetUp() override { Open(); }
};

TEST_P(EditorKeysTest, ReachTheGridOrStayInTheEditor) {
    const RoutedKey &k = GetParam();
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    ASSERT_GE(editor->text().size(), 3);
    switch (k.caret) {
        case RoutedKey::All:
            break;
        case RoutedKey::Start:
            editor->setCursorPosition(0);
            break;
        case RoutedKey::Middle:
            editor->setCursorPosition(1);
            break;
        case RoutedKey::End:
            editor->setCursorPosition(int(editor->text().size()));
            break;
    }
    GridKeys received(grid);
    QTest::keyClick(editor, Qt::Key(k.key), k.modifiers);
    if (k.toGrid) {
        ASSERT_EQ(received.keys.size(), 1u);
        EXPECT_EQ(received.keys[0].first, k.key);
        EXPECT_EQ(received.keys[0].second, k.modifiers);
    } else {
        EXPECT_TRUE(received.keys.empty());
        EXPECT_TRUE(editor->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EditorKeysTest,
    ::testing::Values(RoutedKey{"Up", RoutedKey::Middle, Qt::Key_Up, {}, true},
                      RoutedKey{"Down", RoutedKey::Middle, Qt::Key_Down, {}, true},
                      RoutedKey{"PageUp", RoutedKey::Middle, Qt::Key_PageUp, {}, true},
                      RoutedKey{"PageDown", RoutedKey::Middle, Qt::Key_PageDown, {}, true},
                      RoutedKey{"Insert", RoutedKey::Middle, Qt::Key_Insert, {}, true},
                      RoutedKey{"ShiftInsert", RoutedKey::Middle, Qt::Key_Insert, Qt::ShiftModifier, true},
                      RoutedKey{"CtrlInsert", RoutedKey::Middle, Qt::Key_Insert, Qt::ControlModifier, true},
                      RoutedKey{"Escape", RoutedKey::Middle, Qt::Key_Escape, {}, true},
                      RoutedKey{"Tab", RoutedKey::Middle, Qt::Key_Tab, {}, true},
                      RoutedKey{"ShiftTab", RoutedKey::Middle, Qt::Key_Backtab, Qt::ShiftModifier, true},
                      RoutedKey{"LeftAllSelected", RoutedKey::All, Qt::Key_Left, {}, true},
                      RoutedKey{"LeftAtTheStart", RoutedKey::Start, Qt::Key_Left, {}, true},
                      RoutedKey{"LeftInTheText", RoutedKey::Middle, Qt::Key_Left, {}, false},
                      RoutedKey{"HomeInTheText", RoutedKey::Middle, Qt::Key_Home, {}, false},
                      RoutedKey{"HomeAtTheStart", RoutedKey::Start, Qt::Key_Home, {}, true},
                      RoutedKey{"RightAllSelected", RoutedKey::All, Qt::Key_Right, {}, true},
                      RoutedKey{"RightAtTheEnd", RoutedKey::End, Qt::Key_Right, {}, true},
                      RoutedKey{"RightInTheText", RoutedKey::Middle, Qt::Key_Right, {}, false},
                      RoutedKey{"EndStays", RoutedKey::Middle, Qt::Key_End, {}, false},
                      RoutedKey{"CtrlLeft", RoutedKey::Middle, Qt::Key_Left, Qt::ControlModifier, true},
                      RoutedKey{"CtrlEnd", RoutedKey::Middle, Qt::Key_End, Qt::ControlModifier, true},
                      RoutedKey{"CtrlHome", RoutedKey::Middle, Qt::Key_Home, Qt::ControlModifier, true},
                      RoutedKey{"CtrlDelete", RoutedKey::Middle, Qt::Key_Delete, Qt::ControlModifier, true},
                      RoutedKey{"AltTab", RoutedKey::Middle, Qt::Key_Tab, Qt::AltModifier, false}),
    [](const ::testing::TestParamInfo<RoutedKey> &param) { return std::string(param.param.name); });

TEST_F(EditorTest, EnterClosesTheEditorAndF2KeepsTheCaret) {
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    const int end = int(editor->text().size());
    QTest::keyClick(editor, Qt::Key_F2);
    EXPECT_FALSE(editor->hasSelectedText());
    EXPECT_EQ(editor->cursorPosition(), end);
    EXPECT_TRUE(editor->isVisible());
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_EQ(orders.set.State(), DataSetState::Browse);
}

TEST_F(EditorTest, FollowsTheCursorWhileEditorModeIsOn) {
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    orders.set.MoveBy(4);
    Settle();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), FieldText("CUST_NAME"));
    EXPECT_EQ(editor->selectedText(), editor->text());
    EXPECT_EQ(editor->geometry(), grid->CellRect(kCustName, grid->Row()));
    grid->SetEditorMode(false);
    orders.set.MoveBy(1);
    Settle();
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(EditorTest, FocusLeavingFromTheEditorReachesTheGridOnceAndHidesIt) {
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    Settle();
    EXPECT_EQ(grid->focusOuts, 0);  // the editor took the grid's focus: nothing left
    other->setFocus();
    Settle();
    EXPECT_EQ(grid->focusOuts, 1);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(grid->hasFocus());
    EXPECT_TRUE(other->hasFocus());
}

// A column the list does not mark read-only takes typed text; it goes to the
// field when Enter closes the editor.
TEST_F(EditorTest, AWritableColumnTakesTypingAndWritesBackOnEnter) {
    QStringList columns = OrderColumnList();
    columns[5] = QStringLiteral("CUST_NAME\t50\t客戶名稱");
    orders.set.Close();
    Open(columns);
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    TypeText(editor, QStringLiteral("林記"));
    EXPECT_EQ(editor->text(), QStringLiteral("林記"));
    EXPECT_TRUE(grid->EditorTextPending());
    EXPECT_EQ(orders.set.State(), DataSetState::Edit);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(FieldText("CUST_NAME"), QStringLiteral("林記"));
    EXPECT_FALSE(editor->isVisible());

    // Typing on a closed editor opens it, the key replacing the text.
    orders.set.Post();
    orders.set.MoveBy(1);
    Settle();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_W, Qt::ShiftModifier, QStringLiteral("W"));
    grid->PassKeyToEditor(&typed);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("W"));
}

TEST_F(EditorTest, EscapeDropsTheTypingAndLeavesTheFieldAsItWas) {
    QStringList columns = OrderColumnList();
    columns[5] = QStringLiteral("CUST_NAME\t50\t客戶名稱");
    orders.set.Close();
    Open(columns);
    const QString before = FieldText("CUST_NAME");
    TwwInplaceEdit *editor = OpenEditor(kCustName);
    ASSERT_NE(editor, nullptr);
    TypeText(editor, QStringLiteral("林記"));
    ASSERT_TRUE(grid->EditorTextPending());
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(grid->EditorTextPending());
    EXPECT_EQ(editor->text(), before);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(FieldText("CUST_NAME"), before);
}

TEST_F(EditorTest, DateColumnsShowAReadOnlyPickerWithTheFieldsDate) {
    EXPECT_EQ(grid->DateTimePicker(), nullptr);
    orders.set.MoveBy(5);
    grid->SetCol(kBillDate);
    grid->UpdateDateTimePicker();
    TwwDBDateTimePicker *picker = grid->DateTimePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(pickersMade, 1);
    ASSERT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->geometry(), grid->CellRect(kBillDate, grid->Row()));
    EXPECT_EQ(picker->text(), FieldText("BILL_DATE"));
    EXPECT_TRUE(picker->isReadOnly());
    EXPECT_FALSE(grid->EditorVisible());

    // The picker follows the cursor to the next row's date.
    orders.set.MoveBy(1);
    Settle();
    EXPECT_EQ(picker->text(), FieldText("BILL_DATE"));
    EXPECT_EQ(picker->geometry(), grid->CellRect(kBillDate, grid->Row()));

    // Another column hides it; the other date column has the same picker.
    grid->SetCol(kCustId);
    grid->UpdateDateTimePicker();
    EXPECT_FALSE(picker->isVisible());
    grid->SetCol(kFrDate);
    grid->UpdateDateTimePicker();
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->text(), FieldText("FR_DATE"));
    EXPECT_EQ(grid->DateTimePicker(), picker);
    EXPECT_EQ(pickersMade, 1);

    // Focus leaving the grid hides it.
    other->setFocus();
    Settle();
    EXPECT_FALSE(picker->isVisible());
}

// The calendar's day table holds the focus while it is dropped down.
void PickNextDay(TwwDBDateTimePicker *picker) {
    QWidget *days = QApplication::focusWidget();
    ASSERT_TRUE(days && picker->Calendar()->isAncestorOf(days));
    QTest::keyClick(days, Qt::Key_Right);
    QTest::keyClick(days, Qt::Key_Return);
}

TEST_F(EditorTest, AltDownDropsTheCalendarButAReadOnlyPickerKeepsItsDate) {
    grid->SetCol(kBillDate);
    grid->UpdateDateTimePicker();
    TwwDBDateTimePicker *picker = grid->DateTimePicker();
    ASSERT_TRUE(picker && picker->isVisible());
    const QString before = FieldText("BILL_DATE");
    QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(picker->DroppedDown());
    PickNextDay(picker);
    EXPECT_FALSE(picker->DroppedDown());
    EXPECT_TRUE(picker->hasFocus());
    EXPECT_TRUE(grid->hasFocus());  // the picker holds the grid's focus
    EXPECT_EQ(picker->text(), before);
    // Typing into it changes nothing either.
    QTest::keyClicks(picker, QStringLiteral("1999"));
    EXPECT_EQ(picker->text(), before);
    EXPECT_EQ(FieldText("BILL_DATE"), before);
    EXPECT_EQ(orders.set.State(), DataSetState::Browse);
    EXPECT_EQ(orders.set.RecNo(), 1);

    // Its keys reach the grid as the editor's do; Enter gives the grid its
    // keys back.
    GridKeys received(grid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(received.keys.size(), 2u);
    EXPECT_EQ(received.keys[0].first, Qt::Key_Down);
    EXPECT_EQ(received.keys[1].first, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_TRUE(picker->isVisible());
}

TEST_F(EditorTest, AWritableDateColumnTakesTheDatePicked) {
    QStringList columns = OrderColumnList();
    columns[2] = QStringLiteral("BILL_DATE\t10\t單據日期");
    orders.set.Close();
    Open(columns);
    grid->SetCol(kBillDate);
    grid->UpdateDateTimePicker();
    TwwDBDateTimePicker *picker = grid->DateTimePicker();
    ASSERT_TRUE(picker && picker->isVisible());
    ASSERT_FALSE(picker->isReadOnly());
    const QDate next = picker->date().addDays(1);
    QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(picker->DroppedDown());
    PickNextDay(picker);
    EXPECT_EQ(picker->date(), next);
    EXPECT_EQ(orders.set.State(), DataSetState::Edit);
    EXPECT_EQ(FieldText("BILL_DATE"), picker->text());
}

// Delivered as SQL time stamps, the dates are plain read-only text cells.
TEST_F(EditorTest, TimeStampColumnsGetTheTextEditorNotThePicker) {
    orders.set.Close();
    Open(OrderColumnList(),
         "select MASTERBILLID,CAST(BILL_DATE AS TIMESTAMP) AS BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,"
         "'N' AS SELECT_YN FROM ORDER_MASTER ORDER BY MASTERBILLID\r\n");
    ASSERT_EQ(orders.set.FieldNamed("BILL_DATE")->Type(), DataType::TimeStamp);
    TwwInplaceEdit *editor = OpenEditor(kBillDate);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), FieldText("BILL_DATE"));
    grid->UpdateDateTimePicker();
    EXPECT_EQ(grid->DateTimePicker(), nullptr);
    EXPECT_EQ(pickersMade, 0);
}

}  // namespace

namespace {

// ---------------------------------------------------------------- writable column, through events

// The orders with CUST_NAME writable; the cursor on the third order, in that column.
class WritableNameTest : public EditorFixture {
protected:
    void SetUp() override {
        QStringList columns = OrderColumnList();
        columns[5] = QStringLiteral("CUST_NAME\t50\t客戶名稱");
        Open(columns);
        orders.set.MoveBy(2);
        grid->SetCol(kCustName);
        Settle();
    }
    TwwInplaceEdit *VisibleEditor() const {
        TwwInplaceEdit *editor = grid->InplaceEditor();
        return editor && editor->isVisible() ? editor : nullptr;
    }
    // Through the window, as the window system sends a click.
    void ClickCell(int col, int row) {
        const QPoint at = grid->viewport()->mapTo(window.get(), grid->CellRect(col, row).center());
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, at, 5000);
        Settle();
    }
};

struct Opening {
    const char *name;
    std::function<void(WritableNameTest &, QWidget *grid)> open;
    QString text;  // what the editor shows once open
};
void PrintTo(const Opening &c, std::ostream *os) { *os << c.name; }

class EditorOpening : public WritableNameTest, public ::testing::WithParamInterface<Opening> {
public:
    void Click() { ClickCell(kCustName, grid->Row()); }
};

TEST_P(EditorOpening, OpensTheEditorOnTheCurrentCell) {
    const QString before = FieldText("CUST_NAME");
    ASSERT_EQ(VisibleEditor(), nullptr);
    GetParam().open(*this, grid);
    Settle();
    TwwInplaceEdit *editor = VisibleEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), GetParam().text.isNull() ? before : GetParam().text);
    EXPECT_EQ(editor->geometry(), grid->CellRect(kCustName, grid->Row()));
}

INSTANTIATE_TEST_SUITE_P(
    Grid, EditorOpening,
    ::testing::Values(
        Opening{"APressOnTheCurrentCell",
                [](WritableNameTest &test, QWidget *) { static_cast<EditorOpening &>(test).Click(); }, QString()},
        Opening{"F2", [](WritableNameTest &, QWidget *g) { QTest::keyClick(g, Qt::Key_F2); }, QString()},
        Opening{"Enter", [](WritableNameTest &, QWidget *g) { QTest::keyClick(g, Qt::Key_Return); }, QString()},
        Opening{"Typing", [](WritableNameTest &, QWidget *g) { QTest::keyClicks(g, QStringLiteral("w")); },
                QStringLiteral("w")}),
    [](const ::testing::TestParamInfo<Opening> &param) { return std::string(param.param.name); });

// Typed text goes into the row it was typed in whichever way the cursor
// leaves that row, not only when the column changes.
struct RowMove {
    const char *name;
    std::function<void(WritableNameTest &, QWidget *grid)> move;
};
void PrintTo(const RowMove &c, std::ostream *os) { *os << c.name; }

class EditorTextOnRowMove : public WritableNameTest, public ::testing::WithParamInterface<RowMove> {
public:
    void ClickRow(int row) { ClickCell(kCustName, row); }
    void Wheel(int delta) {
        const QPoint pos = grid->CellRect(kCustName, grid->Row()).center();
        QWheelEvent event(pos, grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &event);
    }
};

TEST_P(EditorTextOnRowMove, IsWrittenBackIntoTheRowLeft) {
    const int typedIn = orders.set.CurrentRow();
    QTest::keyClick(grid, Qt::Key_F2);
    TwwInplaceEdit *editor = VisibleEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    TypeText(editor, QStringLiteral("林記"));
    ASSERT_TRUE(grid->EditorTextPending());
    GetParam().move(*this, grid);
    Settle();
    EXPECT_NE(orders.set.CurrentRow(), typedIn);
    EXPECT_EQ(QString::fromStdString(orders.set.FieldNamed("CUST_NAME")->GetStringAt(typedIn)), QStringLiteral("林記"));
    EXPECT_EQ(orders.set.State(), DataSetState::Browse);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, EditorTextOnRowMove,
    ::testing::Values(
        RowMove{"Down", [](WritableNameTest &, QWidget *g) { QTest::keyClick(g->focusWidget(), Qt::Key_Down); }},
        RowMove{"Up", [](WritableNameTest &, QWidget *g) { QTest::keyClick(g->focusWidget(), Qt::Key_Up); }},
        RowMove{"PageDown",
                [](WritableNameTest &, QWidget *g) { QTest::keyClick(g->focusWidget(), Qt::Key_PageDown); }},
        RowMove{"CtrlHome", [](WritableNameTest &,
                               QWidget *g) { QTest::keyClick(g->focusWidget(), Qt::Key_Home, Qt::ControlModifier); }},
        RowMove{"CtrlEnd", [](WritableNameTest &,
                              QWidget *g) { QTest::keyClick(g->focusWidget(), Qt::Key_End, Qt::ControlModifier); }},
        RowMove{"TheWheel",
                [](WritableNameTest &test, QWidget *) { static_cast<EditorTextOnRowMove &>(test).Wheel(-120); }},
        RowMove{"APressOnAnotherRow",
                [](WritableNameTest &test, QWidget *) { static_cast<EditorTextOnRowMove &>(test).ClickRow(1); }}),
    [](const ::testing::TestParamInfo<RowMove> &param) { return std::string(param.param.name); });

}  // namespace
