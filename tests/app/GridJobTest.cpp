// The operator's own way through the order grid of the real window, on a
// database of its own: ticking a few orders with the keyboard and the mouse,
// removing a row from the list, then the deletion, which must take exactly
// the ticked orders that are still in the list.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <memory>
#include <set>
#include <string>

#include "app/FrmDulvane.h"
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Field.h"
#include "grid/wwDBGrid.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowSystemMouse.h"

namespace {
constexpr int kOrders = 30;

class GridJob : public ::testing::Test {
protected:
    void SetUp() override {
        database = MakeTestDatabase(dir, kOrders);
        WriteConfigFiles(dir.path(), database);
        form = std::make_unique<TFormDulvane>(nullptr, FolderWindowSetup(dir.path()));
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        grid = form->wwDBGrid1;
        // The whole list, then the grid takes the keys.
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        ASSERT_EQ(form->OrderList().RecordCount(), kOrders);
        grid->setFocus();
        QApplication::processEvents();
        const TField *id = form->OrderList().FieldNamed("MASTERBILLID");
        for (int row = 0; row < kOrders; ++row) ids.push_back(id->GetStringAt(row));
    }
    void TearDown() override {
        if (form) form->close();
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(grid, key, modifiers); }
    // The centre of the check box of record recNo (1-based) on the screen now.
    QPoint BoxOf(int recNo) {
        const int gridRow = grid->Row() + recNo - form->OrderList().RecNo();
        return grid->CellRect(1, gridRow).center();
    }
    // As an X server sends them: two quick clicks reach the grid as a
    // press, a release, a double-click event and a release.
    void DoubleClickBox(int recNo) { DoubleClickAt(BoxOf(recNo)); }
    void DoubleClickAt(QPoint inViewport) {
        const QPoint at = grid->viewport()->mapTo(form.get(), inViewport);
        mouse.DoubleClick(form->windowHandle(), at);
    }
    // The centre of the check box in the grid row that shows order `id` now.
    QPoint BoxShowing(const std::string &id) {
        const TClientDataSet &list = form->OrderList();
        const TField *number = list.FieldNamed("MASTERBILLID");
        const int top = list.CurrentRow() - (grid->Row() - 1);
        for (int row = 1; row <= grid->VisibleRowCount(); ++row)
            if (!number->IsNullAt(top + row - 1) && number->GetStringAt(top + row - 1) == id)
                return grid->CellRect(1, row).center();
        ADD_FAILURE() << id << " is not shown";
        return {};
    }
    // The deletion with its two questions answered Yes, then No to the backup.
    void DeleteTicked() {
        DialogAnswers answers({QStringLiteral("Yes"), QStringLiteral("No")});
        QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
        EXPECT_EQ(answers.Seen().size(), 2) << answers.Seen().join(QLatin1Char('|')).toStdString();
    }
    std::set<std::string> OrdersLeft() const {
        std::set<std::string> left;
        for (const auto &row : QueryRows(database, "SELECT MASTERBILLID FROM ORDER_MASTER")) left.insert(row.at(0));
        return left;
    }
    std::set<std::string> AllBut(std::set<std::string> gone) const {
        std::set<std::string> left;
        for (const std::string &id : ids)
            if (!gone.count(id)) left.insert(id);
        return left;
    }

    TempDir dir;
    std::string database;
    WindowSystemMouse mouse;
    std::unique_ptr<TFormDulvane> form;
    TwwDBGrid *grid = nullptr;
    std::vector<std::string> ids;  // in list order
};

TEST_F(GridJob, OrdersTickedBySpaceAndDoubleClickAreDeletedAndNothingElse) {
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);  // record 2, pending
    DoubleClickBox(5);   // posts record 2 on the way
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Down);
    Key(Qt::Key_Space);  // record 8, still pending when the deletion starts
    EXPECT_EQ(form->OrderList().State(), DataSetState::Edit);
    DeleteTicked();
    EXPECT_EQ(OrdersLeft(), AllBut({ids[1], ids[4], ids[7]}));
    EXPECT_EQ(CountRows(database, "SELECT COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID IN ('" + ids[1] + "', '" + ids[4] +
                                      "', '" + ids[7] + "')"),
              0);
}

// A blank row appended below the last order goes when the double click
// leaves it, and the rows shift; the orders ticked are still the ones that
// were under the pointer.
TEST_F(GridJob, AfterABlankRowWasAppendedTheDoubleClickedOrdersAreDeleted) {
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(form->OrderList().State(), DataSetState::Insert);
    DoubleClickAt(BoxShowing(ids[kOrders - 3]));
    EXPECT_EQ(form->OrderList().FieldNamed("MASTERBILLID")->GetString(), ids[kOrders - 3]);
    DoubleClickAt(BoxShowing(ids[kOrders - 6]));
    DeleteTicked();
    EXPECT_EQ(OrdersLeft(), AllBut({ids[kOrders - 3], ids[kOrders - 6]}));
}

TEST_F(GridJob, ARowRemovedFromTheListIsNotDeletedEvenWhenTicked) {
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);  // tick all
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    {
        DialogAnswers answers({QStringLiteral("Cancel")});
        Key(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(answers.Seen(), QStringList{QStringLiteral("Delete record?")});
    }
    EXPECT_EQ(form->OrderList().RecordCount(), kOrders);
    {
        DialogAnswers answers({QStringLiteral("OK")});
        Key(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(answers.Seen(), QStringList{QStringLiteral("Delete record?")});
    }
    EXPECT_EQ(form->OrderList().RecordCount(), kOrders - 1);
    // The record count under the grid is the query's.
    EXPECT_EQ(form->LabelRecord->text(), QStringLiteral("RecordCount: %1").arg(kOrders));
    DeleteTicked();
    EXPECT_EQ(OrdersLeft(), std::set<std::string>{ids[2]});
}

TEST_F(GridJob, EscapeAsksAndYesRestoresTheBox) {
    Key(Qt::Key_Space);
    {
        DialogAnswers answers({QStringLiteral("No")});
        Key(Qt::Key_Escape);
        EXPECT_EQ(answers.Seen(), QStringList{QStringLiteral("Discard changes to this record?")});
    }
    EXPECT_EQ(form->OrderList().FieldNamed("SELECT_YN")->GetString(), "Y");
    {
        DialogAnswers answers({QStringLiteral("Yes")});
        Key(Qt::Key_Escape);
        EXPECT_EQ(answers.Seen().size(), 1);
    }
    EXPECT_EQ(form->OrderList().FieldNamed("SELECT_YN")->GetString(), "N");
    // Nothing ticked: the deletion takes nothing.
    DeleteTicked();
    EXPECT_EQ(OrdersLeft().size(), size_t(kOrders));
}

TEST_F(GridJob, AnAppendedRowGoesAgainAndTheWheelAndCtrlEndMove) {
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form->OrderList().RecNo(), kOrders);
    Key(Qt::Key_Down);
    EXPECT_EQ(form->OrderList().State(), DataSetState::Insert);
    // The question coming up does not count as leaving the grid: the new
    // row is still there after Cancel.
    {
        DialogAnswers answers({QStringLiteral("Cancel")});
        Key(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(answers.Seen(), QStringList{QStringLiteral("Delete record?")});
    }
    EXPECT_EQ(form->OrderList().State(), DataSetState::Insert);
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }));  // back from the question
    Key(Qt::Key_Up);
    EXPECT_EQ(form->OrderList().State(), DataSetState::Browse);
    EXPECT_EQ(form->OrderList().DisplayRowCount(), kOrders);
    const QPoint at = grid->CellRect(3, 2).center();
    QWheelEvent wheel(at, grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &wheel);
    EXPECT_EQ(form->OrderList().RecNo(), kOrders - 1);
}

}  // namespace
