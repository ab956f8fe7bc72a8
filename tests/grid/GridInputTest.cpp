// The grid under the operator's keys, mouse, wheel and scroll bar: where the
// current cell and the result set's cursor go, what a tick writes, which
// rows come and go, and that failures reach the error report.
#include <gtest/gtest.h>

#include <algorithm>
#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <string>
#include <string_view>
#include <vector>

#include "data/dataset/HandlerFailure.h"
#include "tests/grid/GridFixture.h"
#include "tests/support/WindowSystemMouse.h"

using namespace gridtest;

namespace {

constexpr int kRows = 40;

struct Press {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

// The grid over forty orders, shown, active and focused. Questions are
// answered from a list; failures are collected instead of reported.
class GridInput : public ::testing::Test {
public:
    void SetUp() override {
        previousReporter_ = SetFailureReporter([this](const std::exception &e) { failures.push_back(e.what()); });
        Open(kRows);
    }
    void TearDown() override { SetFailureReporter(previousReporter_); }

    void Open(int rows, const std::vector<ColumnDesc> &columns = OrderColumns()) {
        grid.reset();
        list = std::make_unique<OrderList>();
        list->Fill(rows, columns);
        grid = MakeGrid();
        grid->SetDataSource(&list->source);
        grid->SetQuestion([this](const QString &text, GridQuestionButtons buttons) {
            asked << text;
            askedButtons.push_back(buttons);
            return answers.isEmpty() ? kAnswerCancel : answers.takeFirst();
        });
        ShowAndWait(grid.get());
        QApplication::setActiveWindow(grid.get());
        grid->setFocus();
        QApplication::processEvents();
    }

    TClientDataSet &Set() { return list->set; }
    TField *SelectYN() { return Set().FieldNamed("SELECT_YN"); }
    std::string CurrentId() { return Set().FieldNamed("MASTERBILLID")->GetString(); }
    std::string TickAt(int recNo) { return SelectYN()->GetStringAt(recNo - 1); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(grid.get(), key, modifiers);
    }
    void Keys(const std::vector<Press> &presses) {
        for (const Press &p : presses) Key(p.key, p.modifiers);
    }
    QPoint At(int col, int row) const { return grid->CellRect(col, row).center(); }
    // The grid row that shows result-set record recNo now.
    int GridRowOf(int recNo) const { return grid->Row() + recNo - list->set.RecNo(); }
    // Mouse input goes in through the grid's window as an X server sends it.
    void Click(int col, int row, Qt::MouseButton button = Qt::LeftButton) {
        mouse.Click(grid->windowHandle(), InWindow(col, row), button);
    }
    // Two quick clicks: the grid gets press, release, double-click, release.
    void DoubleClick(int col, int row, Qt::MouseButton button = Qt::LeftButton) {
        mouse.DoubleClick(grid->windowHandle(), InWindow(col, row), button);
    }
    WindowSystemMouse mouse;
    QPoint InWindow(int col, int row) const { return grid->viewport()->mapTo(grid.get(), At(col, row)); }
    // The MASTERBILLID the grid shows in grid row `row` now ("" for a new row).
    std::string IdShownAt(int row) {
        return Set().FieldNamed("MASTERBILLID")->GetStringAt(Set().CurrentRow() - (grid->Row() - 1) + row - 1);
    }
    void Wheel(int delta) {
        const QPoint pos = At(3, 3);
        QWheelEvent event(pos, grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &event);
    }
    void GoTo(int recNo, int gridCol = 1) {
        Set().SetRecNo(recNo);
        grid->SelectColumn(gridCol - 1);
    }

    std::unique_ptr<OrderList> list;
    std::unique_ptr<TwwDBGrid> grid;
    QList<int> answers;
    QStringList asked;
    std::vector<GridQuestionButtons> askedButtons;
    std::vector<std::string> failures;

private:
    FailureReporter previousReporter_;
};

// ---------------------------------------------------------------- keys

struct KeyCase {
    const char *name;
    int startRecNo;
    int startCol;
    std::vector<Press> keys;
    int recNo;  // expected, plus pages * visible rows
    int pages;
    int col;
    DataSetState state;
    int rows;          // rows the grid shows, a new one included
    const char *id;    // MASTERBILLID of the current row ("" for a new row)
    const char *tick;  // SELECT_YN of the current row
};
void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }

std::string Id(int recNo) { return "SO" + std::to_string(100000 + recNo - 1); }

class GridKeys : public GridInput, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(GridKeys, MoveTheCellAndTheCursor) {
    const KeyCase &c = GetParam();
    GoTo(c.startRecNo, c.startCol);
    Keys(c.keys);
    const int visible = grid->VisibleRowCount();
    EXPECT_EQ(Set().RecNo(), c.recNo + c.pages * visible);
    EXPECT_EQ(grid->Col(), c.col);
    EXPECT_EQ(Set().State(), c.state);
    EXPECT_EQ(Set().DisplayRowCount(), c.rows);
    if (c.id) {
        EXPECT_EQ(CurrentId(), c.id);
    }
    EXPECT_EQ(SelectYN()->DisplayText(), c.tick);
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(asked.isEmpty());
}

const auto B = DataSetState::Browse;
const auto E = DataSetState::Edit;
const auto I = DataSetState::Insert;

INSTANTIATE_TEST_SUITE_P(
    Table, GridKeys,
    ::testing::Values(
        KeyCase{"DownMovesOneRow", 1, 1, {{Qt::Key_Down}}, 2, 0, 1, B, kRows, "SO100001", "N"},
        KeyCase{"UpOnTheFirstRowStays", 1, 1, {{Qt::Key_Up}}, 1, 0, 1, B, kRows, "SO100000", "N"},
        KeyCase{"DownOnTheLastRowAppends", kRows, 1, {{Qt::Key_Down}}, kRows + 1, 0, 1, I, kRows + 1, "", ""},
        KeyCase{"DownAgainOnTheNewRowChangesNothing",
                kRows,
                1,
                {{Qt::Key_Down}, {Qt::Key_Down}},
                kRows + 1,
                0,
                1,
                I,
                kRows + 1,
                "",
                ""},
        KeyCase{"UpRemovesTheUntouchedNewRow",
                kRows,
                1,
                {{Qt::Key_Down}, {Qt::Key_Up}},
                kRows,
                0,
                1,
                B,
                kRows,
                "SO100039",
                "N"},
        KeyCase{"EscapeRemovesTheUntouchedNewRowWithoutAsking",
                kRows,
                1,
                {{Qt::Key_Down}, {Qt::Key_Escape}},
                kRows,
                0,
                1,
                B,
                kRows,
                "SO100039",
                "N"},
        KeyCase{"CtrlEndGoesToTheLastRow", 3, 4, {{Qt::Key_End, kCtrl}}, kRows, 0, 4, B, kRows, "SO100039", "N"},
        KeyCase{"CtrlHomeGoesToTheFirstRow", 30, 4, {{Qt::Key_Home, kCtrl}}, 1, 0, 4, B, kRows, "SO100000", "N"},
        KeyCase{"EndOnlyChangesTheColumn", 5, 3, {{Qt::Key_End}}, 5, 0, 7, B, kRows, "SO100004", "N"},
        KeyCase{"HomeOnlyChangesTheColumn", 5, 3, {{Qt::Key_Home}}, 5, 0, 1, B, kRows, "SO100004", "N"},
        KeyCase{"RightAndLeft",
                5,
                3,
                {{Qt::Key_Right}, {Qt::Key_Right}, {Qt::Key_Left}},
                5,
                0,
                4,
                B,
                kRows,
                "SO100004",
                "N"},
        KeyCase{"LeftStopsAtTheFirstColumn", 5, 1, {{Qt::Key_Left}}, 5, 0, 1, B, kRows, "SO100004", "N"},
        KeyCase{"CtrlRightGoesToTheLastColumn", 5, 2, {{Qt::Key_Right, kCtrl}}, 5, 0, 7, B, kRows, "SO100004", "N"},
        KeyCase{"CtrlLeftGoesToTheFirstColumn", 5, 6, {{Qt::Key_Left, kCtrl}}, 5, 0, 1, B, kRows, "SO100004", "N"},
        KeyCase{"PageDownMovesByTheVisibleRows", 1, 1, {{Qt::Key_PageDown}}, 1, 1, 1, B, kRows, nullptr, "N"},
        KeyCase{"CtrlDownGoesToTheWindowsLastRow", 1, 1, {{Qt::Key_Down, kCtrl}}, 0, 1, 1, B, kRows, nullptr, "N"},
        KeyCase{"CtrlUpGoesBackToTheWindowsFirstRow",
                1,
                1,
                {{Qt::Key_Down, kCtrl}, {Qt::Key_Up, kCtrl}},
                1,
                0,
                1,
                B,
                kRows,
                "SO100000",
                "N"},
        KeyCase{"TabGoesToTheCheckBoxOfTheNextRow", 5, 1, {{Qt::Key_Tab}}, 6, 0, 1, B, kRows, "SO100005", "N"},
        KeyCase{
            "TabFromATextColumnGoesToTheNextRowsCheckBox", 5, 4, {{Qt::Key_Tab}}, 6, 0, 1, B, kRows, "SO100005", "N"},
        KeyCase{
            "ShiftTabFromATextColumnStaysInTheRow", 5, 4, {{Qt::Key_Tab, kShift}}, 5, 0, 1, B, kRows, "SO100004", "N"},
        KeyCase{"ShiftTabFromTheCheckBoxGoesUp", 5, 1, {{Qt::Key_Backtab, kShift}}, 4, 0, 1, B, kRows, "SO100003", "N"},
        KeyCase{"TabOnTheLastRowAppendsAndStaysInTheCheckBox",
                kRows,
                1,
                {{Qt::Key_Tab}},
                kRows + 1,
                0,
                1,
                I,
                kRows + 1,
                "",
                ""},
        KeyCase{"InsertAddsARowBeforeTheCurrentOne", 3, 2, {{Qt::Key_Insert}}, 3, 0, 2, I, kRows + 1, "", ""},
        KeyCase{"DownRemovesTheInsertedRowAgain",
                3,
                2,
                {{Qt::Key_Insert}, {Qt::Key_Down}},
                3,
                0,
                2,
                B,
                kRows,
                "SO100002",
                "N"},
        KeyCase{"SpaceTicksTheCheckBox", 2, 1, {{Qt::Key_Space}}, 2, 0, 1, E, kRows, "SO100001", "Y"},
        KeyCase{"SpaceWithShiftOrCtrlTicksToo",
                2,
                1,
                {{Qt::Key_Space, kCtrl}, {Qt::Key_Space, kShift}},
                2,
                0,
                1,
                E,
                kRows,
                "SO100001",
                "N"},
        KeyCase{"SpaceOnATextColumnChangesNothing", 2, 3, {{Qt::Key_Space}}, 2, 0, 3, B, kRows, "SO100001", "N"},
        KeyCase{"TypingOnTheCheckBoxChangesNothing",
                2,
                1,
                {{Qt::Key_A}, {Qt::Key_Backspace}, {Qt::Key_F2}, {Qt::Key_Return}},
                2,
                0,
                1,
                B,
                kRows,
                "SO100001",
                "N"},
        KeyCase{"DownPostsATickedRow", 2, 1, {{Qt::Key_Space}, {Qt::Key_Down}}, 3, 0, 1, B, kRows, "SO100002", "N"},
        KeyCase{"CtrlKeysThatDoNothing",
                5,
                3,
                {{Qt::Key_Insert, kCtrl}, {Qt::Key_Tab, kCtrl}, {Qt::Key_Escape, kCtrl}, {Qt::Key_F2, kCtrl}},
                5,
                0,
                3,
                B,
                kRows,
                "SO100004",
                "N"}),
    [](const ::testing::TestParamInfo<KeyCase> &param) { return std::string(param.param.name); });

TEST_F(GridInput, ANewColumnIsScrolledIntoSight) {
    grid->resize(300, 328);
    QApplication::processEvents();
    ASSERT_FALSE(grid->Geometry().ColumnsFit());
    for (const auto &[key, col] : std::vector<std::pair<Qt::Key, int>>{
             {Qt::Key_End, 7}, {Qt::Key_Home, 1}, {Qt::Key_Right, 2}, {Qt::Key_Right, 3}, {Qt::Key_Right, 4}}) {
        Key(key);
        ASSERT_EQ(grid->Col(), col);
        const QRect cell = grid->CellRect(col, grid->Row());
        EXPECT_FALSE(cell.isEmpty()) << col;
        EXPECT_LE(cell.right(), grid->viewport()->width()) << col;
    }
}

TEST_F(GridInput, PagedAndWindowMovesLandOnTheExpectedOrders) {
    // The cases above leave the id of a paged move open; check it here.
    const int visible = grid->VisibleRowCount();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(CurrentId(), Id(1 + visible));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(CurrentId(), Id(1));
    GoTo(30);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Set().RecNo(), 30 - visible);
}

TEST_F(GridInput, ATickIsPostedWhenTheCursorLeavesTheRowAndTwoTogglesPostTheOldValue) {
    GoTo(2);
    Key(Qt::Key_Space);
    Key(Qt::Key_Down);
    EXPECT_EQ(TickAt(2), "Y");
    GoTo(4);
    Key(Qt::Key_Space);
    Key(Qt::Key_Space);
    EXPECT_EQ(Set().State(), DataSetState::Edit);
    Key(Qt::Key_Up);
    EXPECT_EQ(TickAt(4), "N");
    EXPECT_EQ(Set().State(), DataSetState::Browse);
}

TEST_F(GridInput, ATickIsPaintedBeforeTheKeyHandlingEnds) {
    GoTo(3);
    QApplication::processEvents();
    const int paints = grid->PaintCount();
    Key(Qt::Key_Space);  // no event loop runs in between
    EXPECT_GT(grid->PaintCount(), paints);
    EXPECT_TRUE(grid->LastPaintRegion().contains(grid->CellRect(1, grid->Row())));
}

TEST_F(GridInput, ToggleWritesTheOtherValueWhateverTheRowHeld) {
    const std::vector<std::pair<const char *, const char *>> cases = {{nullptr, "Y"}, {"Y", "N"}, {"y", "N"},
                                                                      {"N", "Y"},     {"n", "Y"}, {"X", "Y"}};
    for (size_t i = 0; i < cases.size(); ++i) {
        Set().SetRecNo(int(i) + 1);
        Set().Edit();
        if (cases[i].first)
            SelectYN()->SetString(cases[i].first);
        else
            SelectYN()->Clear();
        Set().Post();
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        GoTo(int(i) + 1);
        Key(Qt::Key_Space);
        Key(Qt::Key_Down);
        EXPECT_EQ(TickAt(int(i) + 1), cases[i].second) << (cases[i].first ? cases[i].first : "null");
    }
}

TEST_F(GridInput, AToggleThatIsNotAllowedIsSilent) {
    struct Refusal {
        const char *name;
        std::function<void(GridInput &)> set;
    };
    const std::vector<Refusal> refusals = {
        {"editing off", [](GridInput &t) { t.grid->SetOptions(t.grid->Options() & ~TwwDBGridOptions(dgEditing)); }},
        {"grid read-only", [](GridInput &t) { t.grid->SetReadOnly(true); }},
        {"column read-only",
         [](GridInput &t) {
             QStringList columns = OrderColumnList();
             columns[0] = QStringLiteral("SELECT_YN\t1\t選\tT");
             t.grid->SetSelected(columns);
         }},
        {"no auto edit", [](GridInput &t) { t.list->source.SetAutoEdit(false); }},
        {"result set read-only", [](GridInput &t) { t.Set().SetReadOnly(true); }},
        {"no check-box entry", [](GridInput &t) { t.grid->SetControlType({QStringLiteral("SELECT_YN;CheckBox;Y")}); }},
    };
    for (const Refusal &r : refusals) {
        Open(kRows);
        r.set(*this);
        GoTo(3);
        // Without its check-box entry the column is a plain text cell, where
        // a space is typing for the editor, not a tick.
        if (std::string_view(r.name) != "no check-box entry") Key(Qt::Key_Space);
        DoubleClick(1, grid->Row());
        EXPECT_EQ(SelectYN()->GetString(), "N") << r.name;
        EXPECT_EQ(Set().State(), DataSetState::Browse) << r.name;
        EXPECT_TRUE(failures.empty()) << r.name;
    }
}

TEST_F(GridInput, OnAnEmptyListATickInsertsARowHoldingOnlyTheTick) {
    for (const bool byMouse : {false, true}) {
        Open(0);
        ASSERT_EQ(grid->RowCount(), 2);
        if (byMouse)
            DoubleClick(1, 1);
        else
            Key(Qt::Key_Space);
        EXPECT_EQ(Set().State(), DataSetState::Insert);
        EXPECT_EQ(SelectYN()->GetString(), "Y");
        EXPECT_TRUE(Set().FieldNamed("MASTERBILLID")->IsNull());
        EXPECT_TRUE(failures.empty());
    }
}

TEST_F(GridInput, BeforeTheFirstQueryKeysAndClicksMoveNothing) {
    list->set.Close();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Insert, Qt::Key_End, Qt::Key_Tab}) Key(key);
    Key(Qt::Key_Delete, kCtrl);
    DoubleClick(1, 1);
    Wheel(-120);
    EXPECT_FALSE(Set().Active());
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(failures.empty());
}

// ---------------------------------------------------------------- Escape, Ctrl+Delete

TEST_F(GridInput, EscapeAsksBeforeDiscardingATick) {
    GoTo(2);
    Key(Qt::Key_Space);
    answers = {kAnswerNo};
    Key(Qt::Key_Escape);
    EXPECT_EQ(asked, QStringList{QStringLiteral("Discard changes to this record?")});
    EXPECT_EQ(askedButtons.back(), GridQuestionButtons::YesNo);
    EXPECT_EQ(SelectYN()->GetString(), "Y");
    EXPECT_EQ(Set().State(), DataSetState::Edit);
    answers = {kAnswerYes};
    Key(Qt::Key_Escape);
    EXPECT_EQ(SelectYN()->GetString(), "N");
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    // An untouched edit ends without a question.
    Set().Edit();
    Key(Qt::Key_Escape);
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    EXPECT_EQ(asked.size(), 2);
}

TEST_F(GridInput, CtrlDeleteRemovesTheRowOnlyWhenConfirmed) {
    GoTo(5);
    Key(Qt::Key_Space);  // a pending tick goes with the row
    answers = {kAnswerCancel};
    Key(Qt::Key_Delete, kCtrl);
    EXPECT_EQ(asked, QStringList{QStringLiteral("Delete record?")});
    EXPECT_EQ(askedButtons.back(), GridQuestionButtons::OkCancel);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
    answers = {kAnswerOk};
    Key(Qt::Key_Delete, kCtrl);
    EXPECT_EQ(Set().DisplayRowCount(), kRows - 1);
    EXPECT_EQ(CurrentId(), Id(6));  // the row that followed
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    // The last row: the new last row becomes current.
    Key(Qt::Key_End, kCtrl);
    answers = {kAnswerOk};
    Key(Qt::Key_Delete, kCtrl);
    EXPECT_EQ(CurrentId(), Id(kRows - 1));
    // A new row: only it goes, after the question all the same.
    Key(Qt::Key_Home, kCtrl);
    Key(Qt::Key_Insert);
    answers = {kAnswerOk};
    Key(Qt::Key_Delete, kCtrl);
    EXPECT_EQ(asked.size(), 4);
    EXPECT_EQ(Set().DisplayRowCount(), kRows - 2);
    EXPECT_EQ(CurrentId(), Id(1));
    EXPECT_TRUE(failures.empty());
}

TEST_F(GridInput, CtrlDeleteIsNotOfferedWithoutDeleteOrEditing) {
    grid->SetKeyOptions(TwwKeyOptions(dgAllowInsert));
    Key(Qt::Key_Delete, kCtrl);
    grid->SetKeyOptions(TwwKeyOptions(dgAllowInsert | dgAllowDelete));
    grid->SetReadOnly(true);
    Key(Qt::Key_Delete, kCtrl);
    grid->SetReadOnly(false);
    grid->SetOptions(grid->Options() & ~TwwDBGridOptions(dgConfirmDelete));
    Key(Qt::Key_Delete, kCtrl);  // no question at all
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(Set().DisplayRowCount(), kRows - 1);
}

TEST_F(GridInput, InsertAndAppendFollowTheirSettings) {
    grid->SetKeyOptions(TwwKeyOptions(dgAllowDelete));
    Key(Qt::Key_Insert);
    Key(Qt::Key_End, kCtrl);
    Key(Qt::Key_Down);
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
}

// A read-only grid adds no row from the keyboard: not with Insert, and not
// with Down or Tab past the last row either.
TEST_F(GridInput, AReadOnlyGridAddsNoRow) {
    grid->SetReadOnly(true);
    Key(Qt::Key_Insert);
    Key(Qt::Key_End, kCtrl);
    Key(Qt::Key_Down);
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    GoTo(kRows);  // the check box of the last row, the one tab stop
    Key(Qt::Key_Tab);
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
    EXPECT_EQ(CurrentId(), Id(kRows));
}

// ---------------------------------------------------------------- failures

TEST_F(GridInput, FailuresOfTheResultSetReachTheReportFromTheKeyHandler) {
    // An empty list refuses the deletion after the question.
    Open(0);
    answers = {kAnswerOk};
    Key(Qt::Key_Delete, kCtrl);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "ClientDataSet1: Cannot perform this operation on an empty dataset");

    // A ticked new row without its required order number is refused when the
    // cursor leaves it; the row stays as it was.
    std::vector<ColumnDesc> columns = OrderColumns();
    columns[0].required = true;
    Open(3, columns);
    failures.clear();
    Key(Qt::Key_End, kCtrl);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    Key(Qt::Key_Down);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("MASTERBILLID"), std::string::npos) << failures[0];
    EXPECT_EQ(Set().State(), DataSetState::Insert);
    EXPECT_EQ(SelectYN()->GetString(), "Y");
    // The mouse and the wheel report the same way.
    Click(2, 1);
    Wheel(120);
    EXPECT_EQ(failures.size(), 3u);
}

// ---------------------------------------------------------------- mouse

TEST_F(GridInput, APressMovesTheCellAndRowAndTheIndicatorKeepsTheColumn) {
    GoTo(1, 3);
    Click(5, 4);
    EXPECT_EQ(Set().RecNo(), 4);
    EXPECT_EQ(grid->Col(), 5);
    Click(0, 7);
    EXPECT_EQ(Set().RecNo(), 7);
    EXPECT_EQ(grid->Col(), 5);
    Click(2, 2, Qt::RightButton);
    EXPECT_EQ(Set().RecNo(), 2);
    EXPECT_EQ(grid->Col(), 2);
    // Titles, the title of the indicator and the part row at the bottom
    // move nothing.
    Click(4, 0);
    Click(0, 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, grid->viewport()->height() - 2));
    EXPECT_EQ(Set().RecNo(), 2);
    EXPECT_EQ(grid->Col(), 2);
}

TEST_F(GridInput, ADoubleClickTicksOnceAndPostsTheRowLeftBehind) {
    GoTo(2);
    Key(Qt::Key_Space);  // pending on row 2
    DoubleClick(1, GridRowOf(6));
    EXPECT_EQ(Set().RecNo(), 6);
    EXPECT_EQ(TickAt(2), "Y");  // posted when the first press moved away
    EXPECT_EQ(SelectYN()->GetString(), "Y");
    EXPECT_EQ(Set().State(), DataSetState::Edit);
    // Beside the box still counts; a second double click unticks.
    const QRect cell = grid->CellRect(1, grid->Row());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.right() - 1, cell.top() + 2));
    EXPECT_EQ(SelectYN()->GetString(), "N");
}

TEST_F(GridInput, SingleClicksOtherButtonsTitlesAndTheIndicatorNeverTick) {
    GoTo(3);
    Click(1, grid->Row());
    DoubleClick(1, grid->Row(), Qt::RightButton);
    DoubleClick(1, grid->Row(), Qt::MiddleButton);
    DoubleClick(1, 0);
    DoubleClick(0, grid->Row());
    EXPECT_EQ(SelectYN()->GetString(), "N");
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    // With single-click check boxes one press ticks.
    grid->SetEditControlOptions(TwwEditControlOptions(ecoCheckboxSingleClick));
    Click(1, grid->Row());
    EXPECT_EQ(SelectYN()->GetString(), "Y");
}

// A press lands on the order the grid showed under the pointer, whatever a
// pending new row does to the rows when the press ends it: an untouched one
// goes (the rows after it move up one), a touched one is posted.
struct PendingRowCase {
    const char *name;
    int rows;       // orders in the list: few enough to fit, or enough to scroll
    bool appended;  // the new row appended at the end, else inserted at startRecNo
    int startRecNo;
    bool touched;            // the new row ticked before the press
    int offset;              // grid rows from the new row to the pressed one
    bool doubleClick;        // else a single press that only moves the cursor
    bool popupOpen = false;  // a pop-up (the date picker's calendar) open when the press comes
};
void PrintTo(const PendingRowCase &c, std::ostream *os) { *os << c.name; }

class GridPendingRowPress : public GridInput, public ::testing::WithParamInterface<PendingRowCase> {};

TEST_P(GridPendingRowPress, TheOrderUnderThePointerIsTheOneTakenAndTicked) {
    const PendingRowCase &c = GetParam();
    Open(c.rows);
    if (c.appended) {
        Keys({{Qt::Key_End, kCtrl}, {Qt::Key_Down}});
    } else {
        // A click on the order number makes the row current, as an operator
        // does before Insert (the list scrolled to its end first when the
        // row is not in sight).
        if (c.startRecNo > grid->VisibleRowCount()) Keys({{Qt::Key_End, kCtrl}});
        Click(2, GridRowOf(c.startRecNo));
        ASSERT_EQ(Set().RecNo(), c.startRecNo);
        Key(Qt::Key_Insert);
    }
    ASSERT_EQ(Set().State(), DataSetState::Insert);
    // The tick box is the first column; an insert leaves the column as it was.
    if (c.touched) Keys({{Qt::Key_Home}, {Qt::Key_Space}});
    const int pressed = grid->Row() + c.offset;
    const std::string shown = IdShownAt(pressed);
    ASSERT_FALSE(shown.empty());
    const bool scrolled = Set().CurrentRow() - (grid->Row() - 1) > 0;
    EXPECT_EQ(scrolled, c.rows == kRows) << "the case's list is " << (scrolled ? "" : "not ") << "scrolled";

    // Under X the press that closes a pop-up goes no further: of the two
    // clicks the grid gets only the double-click event.
    QFrame popup(nullptr, Qt::Popup);
    if (c.popupOpen) {
        popup.setAttribute(Qt::WA_NoMouseReplay);
        popup.setGeometry(QRect(grid->mapToGlobal(grid->CellRect(3, grid->Row()).bottomLeft()), QSize(120, 20)));
        popup.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    }

    if (c.doubleClick)
        DoubleClick(1, pressed);
    else
        Click(1, pressed);

    EXPECT_EQ(CurrentId(), shown);
    EXPECT_EQ(Set().DisplayRowCount(), c.rows + (c.touched ? 1 : 0));
    std::vector<std::string> ticked;
    for (int row = 0; row < Set().DisplayRowCount(); ++row)
        if (SelectYN()->GetStringAt(row) == "Y") ticked.push_back(Set().FieldNamed("MASTERBILLID")->GetStringAt(row));
    std::vector<std::string> expected;
    if (c.touched) expected.push_back("");  // the new row, ticked and posted
    if (c.doubleClick) expected.push_back(shown);
    std::sort(ticked.begin(), ticked.end());
    EXPECT_EQ(ticked, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridPendingRowPress,
    ::testing::Values(PendingRowCase{"AppendedThenARowAbove", 6, true, 0, false, -3, true},
                      PendingRowCase{"AppendedThenARowAboveScrolled", kRows, true, 0, false, -3, true},
                      PendingRowCase{"TouchedAppendedThenARowAbove", 6, true, 0, true, -3, true},
                      PendingRowCase{"TouchedAppendedThenARowAboveScrolled", kRows, true, 0, true, -3, true},
                      PendingRowCase{"InsertedAboveThePressedRow", 6, false, 2, false, 2, true},
                      PendingRowCase{"InsertedAboveThePressedRowScrolled", kRows, false, 30, false, 2, true},
                      PendingRowCase{"InsertedBelowThePressedRow", 6, false, 4, false, -2, true},
                      PendingRowCase{"InsertedBelowThePressedRowScrolled", kRows, false, 30, false, -2, true},
                      PendingRowCase{"TouchedInsertedAboveThePressedRowScrolled", kRows, false, 30, true, 2, true},
                      PendingRowCase{"APressAfterAppendingOnlyMoves", kRows, true, 0, false, -3, false},
                      PendingRowCase{"APressBelowAnInsertedRowOnlyMoves", kRows, false, 30, false, 3, false},
                      PendingRowCase{"InsertedAboveWithAPopUpOpen", 6, false, 2, false, 2, true, true}),
    [](const ::testing::TestParamInfo<PendingRowCase> &param) { return std::string(param.param.name); });

// The wheel and the page keys count rows as shown, a pending new row among
// them: from an untouched new row the move lands on the order that stood that
// many rows away on the screen, although the new row leaves the list.
enum class RowMove { WheelDown, WheelUp, PageDown, PageUp };

struct PendingRowMoveCase {
    const char *name;
    bool appended;   // the new row appended at the end, else inserted at startRecNo
    int startRecNo;  // for an inserted row: the order it goes in front of
    RowMove move;
    int shownOffset;  // rows on screen from the new row to the order reached
    bool page;        // shownOffset is in pages (visible rows)
};

class GridPendingRowMove : public GridInput, public ::testing::WithParamInterface<PendingRowMoveCase> {};

TEST_P(GridPendingRowMove, TheOrderShownThatFarAwayIsReached) {
    const PendingRowMoveCase &c = GetParam();
    if (c.appended) {
        Keys({{Qt::Key_End, kCtrl}, {Qt::Key_Down}});
    } else {
        GoTo(c.startRecNo, 2);
        Key(Qt::Key_Insert);
    }
    ASSERT_EQ(Set().State(), DataSetState::Insert);
    const int offset = c.page ? c.shownOffset * grid->VisibleRowCount() : c.shownOffset;
    const std::string expected = IdShownAt(grid->Row() + offset);
    ASSERT_FALSE(expected.empty());
    switch (c.move) {
        case RowMove::WheelDown:
            Wheel(-120);
            break;
        case RowMove::WheelUp:
            Wheel(120);
            break;
        case RowMove::PageDown:
            Key(Qt::Key_PageDown);
            break;
        case RowMove::PageUp:
            Key(Qt::Key_PageUp);
            break;
    }
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
    EXPECT_EQ(CurrentId(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridPendingRowMove,
    ::testing::Values(PendingRowMoveCase{"InsertedThenTheWheelDown", false, 5, RowMove::WheelDown, 1, false},
                      PendingRowMoveCase{"InsertedThenTheWheelUp", false, 5, RowMove::WheelUp, -1, false},
                      PendingRowMoveCase{"InsertedThenPageDown", false, 5, RowMove::PageDown, 1, true},
                      PendingRowMoveCase{"InsertedThenPageUp", false, 30, RowMove::PageUp, -1, true},
                      PendingRowMoveCase{"AppendedThenTheWheelUp", true, 0, RowMove::WheelUp, -1, false},
                      PendingRowMoveCase{"AppendedThenPageUp", true, 0, RowMove::PageUp, -1, true},
                      // Nothing is below an appended row: the last order is reached.
                      PendingRowMoveCase{"AppendedThenTheWheelDown", true, 0, RowMove::WheelDown, -1, false}),
    [](const ::testing::TestParamInfo<PendingRowMoveCase> &param) { return std::string(param.param.name); });

TEST_F(GridInput, MouseEventsAreRaised) {
    QStringList seen;
    grid->OnMouseDown = [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { seen << "down"; };
    grid->OnDblClick = [&] { seen << "dbl"; };
    grid->OnCellChanged = [&] { seen << "cell"; };
    DoubleClick(2, 3);
    // The column and the row change on the press; the double-click event
    // takes the place of a second press.
    EXPECT_EQ(seen, QStringList({"cell", "cell", "down", "dbl", "down"}));
}

// ---------------------------------------------------------------- wheel, scroll bar

TEST_F(GridInput, TheWheelMovesOneRowPerStepAndNeverAppends) {
    Wheel(-120);
    EXPECT_EQ(Set().RecNo(), 2);
    Wheel(-360);
    EXPECT_EQ(Set().RecNo(), 5);
    Wheel(240);
    EXPECT_EQ(Set().RecNo(), 3);
    Wheel(-60);
    EXPECT_EQ(Set().RecNo(), 3);
    Wheel(-60);
    EXPECT_EQ(Set().RecNo(), 4);
    // Over the vertical bar the wheel moves the cursor, not only the thumb.
    QWheelEvent overBar(QPointF(2, 40), grid->verticalScrollBar()->mapToGlobal(QPoint(2, 40)), QPoint(),
                        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->verticalScrollBar(), &overBar);
    EXPECT_EQ(Set().RecNo(), 5);
    GoTo(kRows);
    Wheel(-120);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    // Without the focus the wheel is not the grid's.
    grid->clearFocus();
    QApplication::processEvents();
    Wheel(120);
    EXPECT_EQ(Set().RecNo(), kRows);
}

TEST_F(GridInput, TheVerticalBarMovesTheCursor) {
    QScrollBar *bar = grid->verticalScrollBar();
    const int visible = grid->VisibleRowCount();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Set().RecNo(), 2);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Set().RecNo(), 2 + visible);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Set().RecNo(), 1 + visible);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(Set().RecNo(), 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Set().RecNo(), kRows);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Set().RecNo(), 1);
    EXPECT_EQ(bar->value(), 1);
    // Dragging moves nothing until the thumb is let go.
    bar->setSliderDown(true);
    bar->setSliderPosition(25);
    bar->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(Set().RecNo(), 1);
    bar->setSliderDown(false);
    EXPECT_EQ(Set().RecNo(), 25);
    EXPECT_EQ(bar->value(), 25);
    // Line down never appends; on an untouched new last row it stays.
    GoTo(kRows);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
    Key(Qt::Key_Down);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Set().State(), DataSetState::Insert);
    EXPECT_EQ(Set().DisplayRowCount(), kRows + 1);
    // A new row inside the list is cancelled by it.
    GoTo(3);
    Key(Qt::Key_Insert);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    EXPECT_EQ(Set().RecNo(), 3);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);
}

// ---------------------------------------------------------------- focus, events

TEST_F(GridInput, LeavingTheGridDropsOnlyAnUntouchedNewRow) {
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *box = new QLineEdit(&window);
    layout->addWidget(box);
    grid->setParent(&window);
    layout->addWidget(grid.get());
    struct GiveBack {
        TwwDBGrid *grid;
        ~GiveBack() { grid->setParent(nullptr); }
    } giveBack{grid.get()};
    window.resize(700, 400);
    ShowAndWait(&window);
    QApplication::setActiveWindow(&window);
    grid->setFocus();
    QApplication::processEvents();

    Key(Qt::Key_End, kCtrl);
    Key(Qt::Key_Down);
    ASSERT_EQ(Set().State(), DataSetState::Insert);
    // A control of the grid's own (as its editor is) taking the focus is not leaving.
    auto *own = new QLineEdit(grid->viewport());
    own->show();
    own->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(own->hasFocus());
    EXPECT_EQ(Set().State(), DataSetState::Insert);
    // From there to another control of the window is.
    box->setFocus(Qt::TabFocusReason);
    delete own;
    EXPECT_EQ(Set().State(), DataSetState::Browse);
    EXPECT_EQ(Set().DisplayRowCount(), kRows);

    grid->setFocus();
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    box->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(Set().State(), DataSetState::Insert);  // a ticked row is not posted by leaving
    EXPECT_EQ(SelectYN()->GetString(), "Y");
}

TEST_F(GridInput, ColumnEventsComeInOrderAndOnKeyDownCanTakeTheKey) {
    QStringList seen;
    grid->OnColExit = [&] { seen << "exit"; };
    grid->OnColEnter = [&] { seen << "enter"; };
    grid->OnCellChanged = [&] { seen << "cell"; };
    Key(Qt::Key_Right);
    Key(Qt::Key_Left, kCtrl);
    Key(Qt::Key_Left);  // already in the first column: nothing
    EXPECT_EQ(seen, QStringList({"exit", "enter", "cell", "exit", "enter", "cell"}));
    grid->OnKeyDown = [](int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Down) key = 0;
    };
    Key(Qt::Key_Down);
    EXPECT_EQ(Set().RecNo(), 1);
}

}  // namespace
