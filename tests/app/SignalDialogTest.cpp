// SIGTERM or SIGINT while one of the program's dialogs is up: the dialog
// goes as by its close box (a question so closed is no yes), long work stops
// as by Cancel, and any dialog that comes up afterwards goes at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <csignal>
#include <functional>

#include "app/AppMessageBox.h"
#include "app/ErrorReport.h"
#include "app/MessageForm.h"
#include "app/ProgressDialog.h"
#include "app/TerminationSignals.h"
#include "data/dataset/Errors.h"
#include "workflow/OrderWindow.h"

using namespace batchdel;

namespace {

struct DialogCase {
    const char *name;
    int signal;
    // Brings the dialog up and returns once it has gone: true when it gave
    // no answer that would let a command go on.
    std::function<bool()> show;
};
void PrintTo(const DialogCase &c, std::ostream *os) { *os << c.name; }

class SignalWhileADialogIsUp : public testing::TestWithParam<DialogCase> {};

TEST_P(SignalWhileADialogIsUp, EndsTheDialogAndEveryOneAfterIt) {
    int actions = 0;
    TTerminationSignals termination([&actions] { ++actions; });
    // The signal comes once the dialog is up and its event loop runs.
    const int signal = GetParam().signal;
    QTimer::singleShot(200, [signal] { ::raise(signal); });
    // Should the dialog not go, this ends the test's wait instead of hanging.
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [] {
        ADD_FAILURE() << "the dialog is still up five seconds after the signal";
        if (QWidget *dialog = QApplication::activeModalWidget()) dialog->close();
    });
    rescue.start(5000);
    EXPECT_TRUE(GetParam().show());
    EXPECT_TRUE(TerminationRequested());
    // What the stopped command would show next goes by itself.
    EXPECT_NE(RunMessageDialog("已取消", DialogKind::Plain, mbOK), mrOk);
    rescue.stop();
    // The program's own action (closing the window) ran once.
    EXPECT_EQ(actions, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, SignalWhileADialogIsUp,
    testing::Values(DialogCase{"ConfirmationBox", SIGTERM,
                               [] {
                                   return AppMessageBox("確定刪除所選資料?", "Confirm",
                                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != mrYes;
                               }},
                    DialogCase{"BackupQuestion", SIGINT,
                               [] {
                                   const int answer = RunMessageDialog("刪除前是否將資料備份到單機?",
                                                                       DialogKind::Confirmation, mbYes | mbNo);
                                   return answer != mrYes && answer != mrNo;
                               }},
                    DialogCase{"ErrorReport", SIGTERM,
                               [] {
                                   ReportError(EDatabaseError("Error reading data from the connection."));
                                   return true;
                               }},
                    DialogCase{"Notice", SIGTERM,
                               [] {
                                   ShowNotice("資料備份完成..!");
                                   return true;
                               }},
                    DialogCase{"Progress", SIGTERM,
                               [] {
                                   // Work that goes on until it is asked to stop.
                                   QWidget window;
                                   window.show();
                                   DialogProgress progress(&window, QStringLiteral("刪除訂單"));
                                   progress.Stage(WorkStage::DeletingOrders, 1000000);
                                   int64_t done = 0;
                                   while (!progress.CancelRequested()) progress.Advance(++done);
                                   return true;
                               }}),
    [](const auto &tested) { return std::string(tested.param.name); });

}  // namespace
