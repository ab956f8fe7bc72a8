// SIGTERM while 刪除確認 asks its questions: the question so closed is no
// answer, nothing is deleted (a closed backup question is no "no, delete
// without a backup"), nothing more comes up, and the window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

#include "app/FrmDulvane.h"
#include "app/TerminationSignals.h"
#include "data/dataset/ClientDataSet.h"
#include "tests/app/DialogAnswers.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"

namespace {

struct QuestionCase {
    const char *name;
    QStringList answersBefore;  // the questions answered before the signal
    QString signalledAt;        // the text of the question up at the signal
};
void PrintTo(const QuestionCase &c, std::ostream *os) { *os << c.name; }

class SignalDuringDeletion : public testing::TestWithParam<QuestionCase> {};

TEST_P(SignalDuringDeletion, DeletesNothingAndClosesTheWindow) {
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 12);
    WriteConfigFiles(dir.path(), database);
    auto form = std::make_unique<TFormDulvane>(nullptr, FolderWindowSetup(dir.path()));
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    ASSERT_EQ(form->OrderList().RecordCount(), 12);

    TTerminationSignals termination([&form] { form->close(); });
    // Answers the questions before, then signals at the one named.
    QStringList seen;
    const QuestionCase c = GetParam();
    QTimer operatorAndSignal;
    QObject::connect(&operatorAndSignal, &QTimer::timeout, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || (!seen.isEmpty() && seen.last() == DialogAnswers::TextOf(dialog))) return;
        seen << DialogAnswers::TextOf(dialog);
        if (seen.size() <= c.answersBefore.size()) {
            for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
                if (QString(button->text()).remove(QLatin1Char('&')) == c.answersBefore[seen.size() - 1])
                    button->click();
            return;
        }
        ::raise(SIGTERM);
    });
    operatorAndSignal.start(5);
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    operatorAndSignal.stop();

    EXPECT_EQ(seen.value(c.answersBefore.size()), c.signalledAt);
    EXPECT_EQ(seen.size(), c.answersBefore.size() + 1) << seen.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER"), 12);
    EXPECT_FALSE(form->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Questions, SignalDuringDeletion,
                         testing::Values(QuestionCase{"AtTheConfirmation", {}, QStringLiteral("確定刪除所選資料?")},
                                         QuestionCase{"AtTheBackupQuestion",
                                                      {QStringLiteral("Yes")},
                                                      QStringLiteral("刪除前是否將資料備份到單機?")}),
                         [](const auto &tested) { return std::string(tested.param.name); });

}  // namespace
