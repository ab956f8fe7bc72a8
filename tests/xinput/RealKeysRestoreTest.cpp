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
#include "tests/xinput/RealXSession.h"
#include "tests/xinput/XTestInput.h"

namespace {

// Clicks, through the X server, the named button of each dialog that comes
// up, in turn; records what the dialogs said.
class ButtonClicks {
public:
    ButtonClicks(XTestInput &input, QStringList answers) : input_(input), answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(20);
    }
    const QStringList &Seen() const { return seen_; }

private:
    void Tick() {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || qobject_cast<TProgressForm *>(dialog)) return;
        if (!dialog->windowHandle() || !dialog->windowHandle()->isExposed()) return;
        if (dialog == clicked_ && clickedAt_.elapsed() < 1500) return;
        if (dialog != clicked_) {
            if (seen_.size() >= answers_.size()) {
                seen_ << QStringLiteral("unexpected: ") + DialogAnswers::TextOf(dialog);
                if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
                return;
            }
            seen_ << DialogAnswers::TextOf(dialog);
        }
        const QString answer = answers_[seen_.size() - 1];
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (button->isVisible() && QString(button->text()).remove(QLatin1Char('&')) == answer) {
                clicked_ = dialog;
                clickedAt_.start();
                input_.ClickNoWait(button->mapToGlobal(button->rect().center()));
                return;
            }
        seen_.last() += QStringLiteral(" (no button ") + answer + QLatin1Char(')');
        if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
    }

    XTestInput &input_;
    QStringList answers_;
    QStringList seen_;
    QPointer<QWidget> clicked_;
    QElapsedTimer clickedAt_;
    QTimer timer_;
};

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
    ButtonClicks answers(input, {QStringLiteral("Yes"), QStringLiteral("OK")});
    input.Key(Qt::Key_R, Qt::AltModifier);
    // A button's accelerator clicks it a moment later.
    (void)QTest::qWaitFor([&answers] { return answers.Seen().size() >= 2; }, 20000);
    ASSERT_EQ(answers.Seen().size(), 2) << answers.Seen().join(QLatin1Char('|')).toStdString();
    EXPECT_THAT(answers.Seen()[0].toStdString(), testing::HasSubstr("8 筆訂單"));
    EXPECT_THAT(answers.Seen()[1].toStdString(), testing::HasSubstr("已還原：8 筆訂單"));
    EXPECT_EQ(db.Tables(), db.before);
}

}  // namespace
