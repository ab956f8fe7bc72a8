// The order window on a real X server, driven by the server's own pointer
// and keys (XTest): a blank row is added to the list in several places, the
// pointer clicks or double-clicks an order, 刪除確認 deletes what is ticked,
// and the database must have lost exactly the order that was shown under
// the pointer when the button went down.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/FrmDulvane.h"
#include "app/ProgressForm.h"
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Field.h"
#include "grid/TwwDBDateTimePicker.h"
#include "grid/wwDBGrid.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/xinput/DialogClicks.h"
#include "tests/xinput/RealXSession.h"
#include "tests/xinput/WindowManager.h"
#include "tests/xinput/XTestInput.h"

namespace {

constexpr int kBoxCol = 1;     // the tick box
constexpr int kNumberCol = 2;  // the order number
constexpr int kDateCol = 3;    // the order's date, where the date picker stands

// What made the order current before the blank row came.
enum class Reached {
    NumberClick,   // a click on its order number
    NumberEdited,  // a second click on its order number, which opens the editor there
    BoxClick,      // a single click on its tick box (which only moves)
    DateClick,     // a click on its date: the date picker comes up in that cell
    Keys,          // Ctrl+End, then Up
};

// How the pointer goes to the pressed box and clicks it.
enum class Hand {
    Quick,  // a few steps there, a brisk double click
    Crawl,  // a pixel at a time over the rows between, the list seeing each motion
    Slow,   // a slow double click, its second press a pixel off the first
};

struct PressCase {
    const char *name;
    int orders;  // 10 fit the window; 40 do not, and the list is scrolled to its end
    Reached reached;
    int startRecNo;        // the order current before the blank row (1-based)
    bool appended;         // Down on the last order, else Insert on startRecNo
    bool touched;          // the blank row ticked (Space) before the press
    int pressedRecNo;      // the order shown under the pointer when it is pressed
    bool doubleClick;      // on its tick box; else a single click on it, then Space
    bool managed = false;  // a window manager frames and focuses the window
    int wheelSteps = 0;    // instead of the pointer: the wheel turned over the list (down when negative), then Space
    Hand hand = Hand::Quick;
    bool padInsert = false;     // the blank row inserted with the number pad's Insert (Num Lock off)
    bool calendarDown = false;  // the date picker's calendar dropped down (by its arrow) before the press
};
void PrintTo(const PressCase &c, std::ostream *os) { *os << c.name; }

class RealPointerDeletion : public ::testing::TestWithParam<PressCase> {
protected:
    void SetUp() override {
        if (!RealXProblem().empty()) {
            if (UnderCi()) FAIL() << "CI runs the real-X tests, but: " << RealXProblem();
            GTEST_SKIP() << "no X server for the real-pointer tests: " << RealXProblem();
        }
        const PressCase &c = GetParam();
        if (c.managed) {
            windowManager = std::make_unique<WindowManager>();
            if (!windowManager->Running()) {
                if (UnderCi()) FAIL() << "CI runs the window-manager cases, but: " << windowManager->Problem();
                GTEST_SKIP() << "no window manager: " << windowManager->Problem();
            }
        }
        database = MakeTestDatabase(dir, c.orders);
        WriteConfigFiles(dir.path(), database);
        form = std::make_unique<TFormDulvane>(nullptr, FolderWindowSetup(dir.path()));
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), 20000));
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), 20000));
        grid = form->wwDBGrid1;
        input = std::make_unique<XTestInput>(form.get());
        // 查詢 with empty filters lists every order.
        Press(form->SpeedButton1);
        ASSERT_EQ(form->OrderList().RecordCount(), c.orders);
        const TField *id = form->OrderList().FieldNamed("MASTERBILLID");
        for (int row = 0; row < c.orders; ++row) ids.push_back(id->GetStringAt(row));
    }
    void TearDown() override {
        input.reset();
        if (form) form->close();
        form.reset();
        windowManager.reset();
    }

    void Press(QWidget *button) { input->Click(button->mapToGlobal(button->rect().center())); }
    QPoint CellOnScreen(int col, int row) const {
        return grid->viewport()->mapToGlobal(grid->CellRect(col, row).center());
    }
    // The grid row that shows order `id` now, 0 when none does.
    int RowShowing(const std::string &id) const {
        const TClientDataSet &list = form->OrderList();
        const TField *number = list.FieldNamed("MASTERBILLID");
        const int top = list.CurrentRow() - (grid->Row() - 1);
        for (int row = 1; row <= grid->VisibleRowCount() && top + row - 1 < list.DisplayRowCount(); ++row)
            if (!number->IsNullAt(top + row - 1) && number->GetStringAt(top + row - 1) == id) return row;
        return 0;
    }
    std::string CurrentId() const {
        const TField *number = form->OrderList().FieldNamed("MASTERBILLID");
        return number->IsNull() ? std::string() : number->GetString();
    }
    void Reach(const PressCase &c) {
        const std::string &id = ids[size_t(c.startRecNo - 1)];
        // Keys need the list to have them (查詢 had them): the operator's
        // first click in the list gives them. A visible order is clicked
        // straight away, as the first touch of the list.
        if (c.reached == Reached::Keys || !RowShowing(id)) {
            input->Click(CellOnScreen(kNumberCol, 1));
            input->Key(Qt::Key_End, Qt::ControlModifier);
        }
        if (c.reached == Reached::Keys) {
            for (int i = c.startRecNo; i < c.orders; ++i) input->Key(Qt::Key_Up);
        } else {
            const int row = RowShowing(id);
            ASSERT_GT(row, 0) << id << " is not shown";
            const int col = c.reached == Reached::BoxClick    ? kBoxCol
                            : c.reached == Reached::DateClick ? kDateCol
                                                              : kNumberCol;
            const QPoint at = CellOnScreen(col, row);
            input->Click(at);
            if (c.reached == Reached::NumberEdited) input->Click(at);
            if (c.reached == Reached::DateClick)
                ASSERT_TRUE(grid->DateTimePicker() && grid->DateTimePicker()->isVisible()) << "no date picker came";
        }
        ASSERT_EQ(CurrentId(), id);
    }
    // 刪除確認, "Yes" to the deletion and "No" to the backup.
    void DeleteTicked() {
        DialogClicks answers(*input, {QStringLiteral("Yes"), QStringLiteral("No")});
        Press(form->SpeedButton3);
        EXPECT_EQ(answers.Seen().size(), 2) << answers.Seen().join(QLatin1Char('|')).toStdString();
    }
    std::set<std::string> OrdersGone() const {
        std::set<std::string> left;
        for (const auto &row : QueryRows(database, "SELECT MASTERBILLID FROM ORDER_MASTER")) left.insert(row.at(0));
        std::set<std::string> gone;
        for (const std::string &id : ids)
            if (!left.count(id)) gone.insert(id);
        return gone;
    }

    std::unique_ptr<WindowManager> windowManager;
    TempDir dir;
    std::string database;
    std::unique_ptr<TFormDulvane> form;
    TwwDBGrid *grid = nullptr;
    std::unique_ptr<XTestInput> input;
    std::vector<std::string> ids;  // in list order
};

TEST_P(RealPointerDeletion, OnlyTheOrderUnderThePointerIsDeleted) {
    const PressCase &c = GetParam();
    ASSERT_NO_FATAL_FAILURE(Reach(c));
    if (c.appended) {
        input->Key(Qt::Key_Down);
    } else {
        input->Key(Qt::Key_Insert, c.padInsert ? Qt::KeypadModifier : Qt::NoModifier);
    }
    ASSERT_EQ(form->OrderList().State(), DataSetState::Insert);
    ASSERT_TRUE(CurrentId().empty());
    if (c.touched) input->Key(Qt::Key_Space);
    if (c.calendarDown) {
        // The press that follows first closes the calendar, a window of its
        // own: the grid never sees it.
        const TwwDBDateTimePicker *picker = grid->DateTimePicker();
        ASSERT_TRUE(picker && picker->isVisible()) << "no date picker in the current cell";
        input->Click(picker->mapToGlobal(QPoint(picker->width() - 5, picker->height() / 2)));
        ASSERT_TRUE(picker->DroppedDown());
    }
    const std::string &pressed = ids[size_t(c.pressedRecNo - 1)];
    const int row = RowShowing(pressed);
    ASSERT_GT(row, 0) << pressed << " is not shown";
    if (c.wheelSteps != 0) {
        // The wheel moves by rows as shown, wherever the pointer is.
        input->Wheel(CellOnScreen(kNumberCol, 1), c.wheelSteps);
        EXPECT_EQ(CurrentId(), pressed) << "the wheel went to another order";
        input->Key(Qt::Key_Home);
        input->Key(Qt::Key_Space);
    } else if (c.doubleClick) {
        const QPoint box = CellOnScreen(kBoxCol, row);
        if (c.hand == Hand::Crawl) input->CrawlTo(box);
        if (c.hand == Hand::Slow)
            input->SlowDoubleClick(box);
        else
            input->DoubleClick(box);
    } else {
        // A single click on a tick box only moves; Space then ticks.
        input->Click(CellOnScreen(kBoxCol, row));
        EXPECT_EQ(CurrentId(), pressed) << "the click made another order current";
        input->Key(Qt::Key_Space);
    }
    EXPECT_EQ(CurrentId(), pressed);
    DeleteTicked();
    EXPECT_EQ(OrdersGone(), std::set<std::string>{pressed});
}

constexpr int kFit = 10;
constexpr int kScroll = 40;

INSTANTIATE_TEST_SUITE_P(
    RealX, RealPointerDeletion,
    ::testing::Values(
        // Row 5 by a click on its number, Insert, a double click on row 8.
        PressCase{"InsertedAbove", kFit, Reached::NumberClick, 5, false, false, 7, true},
        PressCase{"InsertedAboveThenAClickThatOnlyMoves", kFit, Reached::NumberClick, 5, false, false, 7, false},
        PressCase{"InsertedAboveAfterAClickOnABox", kFit, Reached::BoxClick, 5, false, false, 7, true},
        PressCase{"InsertedAboveWithTheEditorOpen", kFit, Reached::NumberEdited, 5, false, false, 7, true},
        PressCase{"InsertedBelowWithTheEditorOpen", kFit, Reached::NumberEdited, 8, false, false, 3, true},
        PressCase{"InsertedAboveAfterKeys", kFit, Reached::Keys, 5, false, false, 7, true},
        PressCase{"TouchedInsertedAbove", kFit, Reached::NumberClick, 5, false, true, 7, true},
        PressCase{"InsertedBelow", kFit, Reached::NumberClick, 8, false, false, 3, true},
        PressCase{"AppendedThenARowAbove", kFit, Reached::NumberClick, kFit, true, false, 3, true},
        PressCase{"TouchedAppendedThenARowAbove", kFit, Reached::Keys, kFit, true, true, 3, true},
        PressCase{"ScrolledInsertedAbove", kScroll, Reached::NumberClick, 33, false, false, 36, true},
        PressCase{"ScrolledInsertedAboveThenAClickThatOnlyMoves", kScroll, Reached::Keys, 33, false, false, 37, false},
        PressCase{"ScrolledInsertedBelow", kScroll, Reached::NumberClick, 38, false, false, 34, true},
        PressCase{"ScrolledAppendedThenARowAbove", kScroll, Reached::BoxClick, kScroll, true, false, 37, true},
        // The same under a window manager, which frames, places and focuses
        // the window as on an operator's desktop.
        PressCase{"ManagedInsertedAbove", kFit, Reached::NumberClick, 5, false, false, 7, true, true},
        PressCase{"ManagedInsertedAboveThenAClickThatOnlyMoves", kFit, Reached::NumberClick, 5, false, false, 7, false,
                  true},
        PressCase{"ManagedInsertedAboveWithTheEditorOpen", kFit, Reached::NumberEdited, 5, false, false, 7, true, true},
        PressCase{"ManagedInsertedBelow", kFit, Reached::NumberClick, 8, false, false, 3, true, true},
        PressCase{"ManagedAppendedThenARowAbove", kFit, Reached::NumberClick, kFit, true, false, 3, true, true},
        PressCase{"ManagedScrolledInsertedAbove", kScroll, Reached::NumberClick, 33, false, false, 36, true, true},
        // The wheel from the blank row: one step reaches the order next to it.
        PressCase{"InsertedThenTheWheelDown", kFit, Reached::NumberClick, 5, false, false, 5, false, false, -1},
        PressCase{"AppendedThenTheWheelUp", kFit, Reached::NumberClick, kFit, true, false, kFit, false, false, 1},
        // The pointer carried over the rows between a pixel at a time; a slow
        // double click; Insert from the number pad; a click on the date first,
        // which brings the date picker; the picker's calendar down when the
        // double click comes.
        PressCase{"InsertedAboveThePointerCrawling", kFit, Reached::NumberClick, 5, false, false, 7, true, false, 0,
                  Hand::Crawl},
        PressCase{"InsertedAboveASlowDoubleClick", kFit, Reached::NumberClick, 5, false, false, 7, true, false, 0,
                  Hand::Slow},
        PressCase{"InsertedAboveFromTheNumberPad", kFit, Reached::NumberClick, 5, false, false, 7, true, false, 0,
                  Hand::Quick, true},
        PressCase{"InsertedAboveAfterAClickOnTheDate", kFit, Reached::DateClick, 5, false, false, 7, true},
        PressCase{"InsertedAboveWithTheCalendarDown", kFit, Reached::DateClick, 5, false, false, 7, true, false, 0,
                  Hand::Quick, false, true}),
    [](const ::testing::TestParamInfo<PressCase> &param) { return std::string(param.param.name); });

}  // namespace
