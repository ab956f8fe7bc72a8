// The application title, the full-stop rules of the two failure reports and
// the error report as the operator sees it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "app/ApplicationTitle.h"
#include "app/BatchdelApplication.h"
#include "app/ErrorReport.h"
#include "data/dataset/Errors.h"
#include "tests/app/ModalAnswer.h"

struct TitleCase {
    const char *path;
    const char *title;
};
void PrintTo(const TitleCase &c, std::ostream *os) { *os << c.path; }

class ApplicationTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, IsFileNameBeforeFirstDotWithTailInLowerCase) {
    EXPECT_EQ(ApplicationTitleFor(QString::fromUtf8(GetParam().path)).toStdString(), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ApplicationTitleTest,
    ::testing::Values(TitleCase{"BATCHDEL.EXE", "Batchdel"}, TitleCase{"my.tool.exe", "my"},
                      TitleCase{"tool.new.exe", "tool"}, TitleCase{"/usr/local/bin/batchdel", "batchdel"},
                      TitleCase{"/opt/x.y/BatchDel.bin", "Batchdel"},  // a dot in a folder is not the name's
                      TitleCase{"bAtChDeL", "batchdel"},               // the first character keeps its case
                      TitleCase{"/opt/訂單Tool.bin", "訂單tool"}, TitleCase{".hidden", ""}));

TEST(ApplicationTitle, OfTheRunningProgramComesFromItsExecutable) {
    EXPECT_EQ(TBatchdelApplication::Instance()->Title(), QStringLiteral("app_tests"));
}

TEST(Application, CarriesItsIconForEveryWindow) { EXPECT_FALSE(QApplication::windowIcon().isNull()); }

struct StopCase {
    const char *message;
    const char *shown;
};
void PrintTo(const StopCase &c, std::ostream *os) { *os << c.message; }

class ErrorReportTextTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(ErrorReportTextTest, AppendsStopOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorReportText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ErrorReportTextTest,
    ::testing::Values(StopCase{"ClientDataSet1: Cannot perform this operation on a closed dataset",
                               "ClientDataSet1: Cannot perform this operation on a closed dataset."},
                      StopCase{"Already ends.", "Already ends."}, StopCase{"Shouted!", "Shouted!"},
                      StopCase{"comma,", "comma,"}, StopCase{"dash-", "dash-"}, StopCase{"slash/", "slash/."},
                      StopCase{"trailing space ", "trailing space "}, StopCase{"line\n", "line\n"},
                      StopCase{"version 3", "version 3."}, StopCase{"訂單", "訂單."}, StopCase{"", ""},
                      StopCase{"Invalid input value.  Use escape key to abandon changes",
                               "Invalid input value.  Use escape key to abandon changes."}));

TEST(FatalErrorText, FollowsTheStartUpTemplate) {
    EXPECT_EQ(FatalErrorText("EDatabaseError", "batchdel", 0x1A2B, "Unable to complete network request"),
              "Exception EDatabaseError in module batchdel at 00001A2B.\r\n"
              "Unable to complete network request.\r\n");
    // Its own rule: only a message ending in "." goes without; "!" gets one.
    EXPECT_EQ(FatalErrorText("EFCreateError", "batchdel", 0, "Done."),
              "Exception EFCreateError in module batchdel at 00000000.\r\nDone.\r\n");
    EXPECT_EQ(FatalErrorText("Exception", "b", 0xDEADBEEF, "Stop!"),
              "Exception Exception in module b at DEADBEEF.\r\nStop!.\r\n");
    EXPECT_EQ(FatalErrorText("Exception", "b", 1, ""), "Exception Exception in module b at 00000001.\r\n\r\n");
}

TEST(FailureNames, ProgramFailuresNameTheirClassAndOthersAreException) {
    EXPECT_EQ(FailureClassName(EDBClient("x")), "EDBClient");
    EXPECT_EQ(FailureClassName(EConvertError("x")), "EConvertError");
    const std::runtime_error foreign("from a library");
    EXPECT_EQ(FailureClassName(foreign), "Exception");
    EXPECT_EQ(FailureMessage(foreign), "from a library");
}

TEST(ReportError, ShowsMessageWithStopUnderTheTitleWithErrorIconAndOk) {
    SeenDialog seen;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    AnswerNextModal([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        ASSERT_NE(box, nullptr);
        seen = {true, box->windowTitle(), box->text()};
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        EXPECT_EQ(box->parentWidget(), TBatchdelApplication::Instance()->HiddenWindow());
        box->button(QMessageBox::Ok)->click();
    });
    ReportError(EDatabaseError("ClientDataSet1: Cannot perform this operation on a closed dataset"));
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, QStringLiteral("app_tests"));
    EXPECT_EQ(seen.text, QStringLiteral("ClientDataSet1: Cannot perform this operation on a closed dataset."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
}

TEST(ReportError, SilentAbortShowsNothing) {
    bool shown = false;
    QTimer guard;  // closes a wrongly shown box; gone with the test
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            shown = true;
            dialog->close();
        }
    });
    guard.start(0);
    ReportError(EAbort());
    EXPECT_FALSE(shown);
}

// A failure thrown by an event handler reaches the application object,
// which reports it and lets the program carry on with the next event.
class ThrowingObject : public QObject {
public:
    bool event(QEvent *e) override {
        if (e->type() == QEvent::User) throw EConvertError("'x' is not a valid integer value");
        if (e->type() == QEvent::User + 1) throw EAbort();
        if (e->type() == QEvent::User + 2) throw std::runtime_error("foreign failure");
        return QObject::event(e);
    }
};

TEST(EventLoop, ReportsFailuresEscapingHandlersAndGoesOn) {
    ThrowingObject target;
    struct Case {
        int type;
        bool reported;
        const char *text;
    };
    const Case cases[] = {{QEvent::User, true, "'x' is not a valid integer value."},
                          {QEvent::User + 1, false, ""},
                          {QEvent::User + 2, true, "foreign failure."}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        SeenDialog seen;
        if (c.reported) ClickInNextModal(&seen);
        QEvent event(static_cast<QEvent::Type>(c.type));
        EXPECT_NO_THROW(QApplication::sendEvent(&target, &event));
        EXPECT_EQ(seen.seen, c.reported);
        if (c.reported) {
            EXPECT_EQ(seen.text.toStdString(), c.text);
        }
    }
}

TEST(ShowFatalError, ShowsTheTemplateInAnOwnerlessBoxCalledApplicationError) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget *parent = reinterpret_cast<QWidget *>(1);
    SeenDialog seen;
    AnswerNextModal([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        seen = {true, box->windowTitle(), box->text()};
        icon = box->icon();
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    ShowFatalError(EDatabaseError("Unable to complete network request to host \"127.0.0.1\""), 0x4F2A);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, QStringLiteral("Application Error"));
    EXPECT_EQ(seen.text, QStringLiteral("Exception EDatabaseError in module app_tests at 00004F2A.\r\n"
                                        "Unable to complete network request to host \"127.0.0.1\".\r\n"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(parent, nullptr);
}
