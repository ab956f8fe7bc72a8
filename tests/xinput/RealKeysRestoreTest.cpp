// The restore window on a real X server, driven by the server's own keys
// (XTest) as an operator would: after a purge with a backup the newest run
// is selected, Ctrl+A ticks its orders, Alt+R asks, Yes (clicked) restores
// them, and the orders are back value for value with one report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <memory>

#include "app/ProgressForm.h"
#include "app/RestoreWindow.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/PurgedDatabase.h"
#include "tests/xinput/DialogClicks.h"
#include "tests/xinput/RealXSession.h"
#include "tests/xinput/XTestInput.h"

namespace {

TEST(RealKeysRestore, CtrlAAltRYesPutsThePurgedOrdersBack) {
    if (!RealXProblem().empty()) {
        if (UnderCi()) FAIL() << "CI runs the real-X tests, but: " << RealXProblem();
        GTEST_SKIP() << "no X server for the real-key tests: " << RealXProblem();
    }
    PurgedDatabase db(8, false);
    ASSERT_EQ(db.Purge(), "");
    TRestoreWindow window(nullptr, db.WindowSetup());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(window.RunList->currentItem(), window.RunList->topLevelItem(0));
    XTestInput input(&window);

    input.Key(Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(window.TickedOrders().size(), 8u);
    DialogClicks answers(input, {QStringLiteral("Yes"), QStringLiteral("OK")});
    input.Key(Qt::Key_R, Qt::AltModifier);
    // A button's accelerator clicks it a moment later.
    (void)QTest::qWaitFor([&answers] { return answers.Seen().size() >= 2; }, 20000);
    ASSERT_EQ(answers.Seen().size(), 2) << answers.Seen().join(QLatin1Char('|')).toStdString();
    EXPECT_THAT(answers.Seen()[0].toStdString(), testing::HasSubstr("8 筆訂單"));
    EXPECT_THAT(answers.Seen()[1].toStdString(), testing::HasSubstr("已還原：8 筆訂單"));
    EXPECT_EQ(db.Tables(), db.before);
}

}  // namespace
