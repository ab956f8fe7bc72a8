// The main window: its controls where the design puts them, docking when
// the window grows, scaling on a denser display, focus and tab order, the
// folder made at first showing, and the date boxes' check on leaving.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/BatchdelApplication.h"
#include "tests/app/DialogAnswers.h"
#include "app/DateBox.h"
#include "data/dataset/Errors.h"
#include "app/FrmDulvane.h"
#include "tests/support/TempDir.h"
#include "tests/app/ModalAnswer.h"
#include "tests/app/WindowDatabase.h"
#include "grid/wwDBGrid.h"

using namespace batchdel;

namespace {
struct Designed {
    const char *name;
    QRect rect;  // width 0: a label, sized to its text
};

const Designed kTopPanel[] = {
    {"Label1", {24, 16, 0, 0}},          {"MaskEdit1", {88, 13, 97, 21}},     {"Label2", {192, 16, 0, 0}},
    {"MaskEdit2", {208, 13, 97, 21}},    {"Label3", {24, 42, 0, 0}},          {"Edit1", {87, 38, 99, 21}},
    {"Label4", {192, 40, 0, 0}},         {"Edit2", {207, 38, 99, 21}},        {"Label5", {24, 66, 0, 0}},
    {"Edit3", {87, 62, 99, 21}},         {"Label6", {192, 64, 0, 0}},         {"Edit4", {207, 62, 99, 21}},
    {"SpeedButton1", {312, 42, 89, 41}}, {"SpeedButton2", {402, 42, 89, 41}}, {"SpeedButton3", {493, 42, 93, 41}},
    {"SpeedButton4", {588, 42, 86, 41}},
};

void ExpectTopPanelAsDesigned(const TFormDulvane &form) {
    for (const Designed &d : kTopPanel) {
        SCOPED_TRACE(d.name);
        auto *control = form.findChild<QWidget *>(QString::fromLatin1(d.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), form.Panel1);
        if (d.rect.width() == 0) {
            EXPECT_EQ(control->pos(), d.rect.topLeft());
            EXPECT_EQ(control->size(), control->sizeHint());
        } else {
            EXPECT_EQ(control->geometry(), d.rect);
        }
    }
}
}  // namespace

TEST(MainWindow, ControlsStandWhereDesignedAtTheDesignedSize) {
    TFormDulvane form(nullptr, WindowSetup());
    EXPECT_EQ(form.objectName(), QStringLiteral("FormDulvane"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("訂單批次刪除"));
    EXPECT_EQ(form.font().family(), QStringLiteral("細明體"));
    EXPECT_EQ(form.font().pixelSize(), 13);
    EXPECT_EQ(form.pos(), QPoint(192, 114));
    EXPECT_EQ(form.size(), QSize(688, 446));
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 0, 688, 86));
    EXPECT_EQ(form.Panel2->geometry(), QRect(0, 86, 688, 330));
    EXPECT_EQ(form.Panel3->geometry(), QRect(0, 416, 688, 30));
    EXPECT_EQ(form.wwDBGrid1->parentWidget(), form.Panel2);
    EXPECT_EQ(form.wwDBGrid1->geometry(), QRect(1, 1, 686, 328));
    EXPECT_EQ(form.wwDBGrid1->objectName(), QStringLiteral("wwDBGrid1"));
    for (QFrame *panel : {form.Panel1, form.Panel2, form.Panel3}) {
        EXPECT_EQ(panel->frameShape(), QFrame::Panel);
        EXPECT_EQ(panel->frameShadow(), QFrame::Raised);
        EXPECT_EQ(panel->lineWidth(), 1);
    }
    ExpectTopPanelAsDesigned(form);
    EXPECT_EQ(form.LabelRecord->text(), QStringLiteral("Record:"));
    EXPECT_EQ(form.LabelRecord->pos(), QPoint(8, 8));
    const QStringList captions = {form.SpeedButton1->text(), form.SpeedButton2->text(), form.SpeedButton3->text(),
                                  form.SpeedButton4->text()};
    EXPECT_EQ(captions, QStringList({"查詢", "全選", "刪除確認", "資料備份"}));
}

TEST(MainWindow, StatusLineGrowsWithItsText) {
    TFormDulvane form(nullptr, WindowSetup());
    const int before = form.LabelRecord->width();
    form.SetStatusText("RecordCount: 1234567");
    EXPECT_EQ(form.LabelRecord->text(), QStringLiteral("RecordCount: 1234567"));
    EXPECT_GT(form.LabelRecord->width(), before);
    EXPECT_EQ(form.LabelRecord->size(), form.LabelRecord->sizeHint());
}

TEST(MainWindow, DenserDisplayScalesFontAndLayout) {
    EXPECT_EQ(TFormDulvane::FontPixelSizeFor(96), 13);
    EXPECT_EQ(TFormDulvane::FontPixelSizeFor(120), 16);
    EXPECT_EQ(TFormDulvane::FontPixelSizeFor(144), 20);  // 19.5 rounds up

    TFormDulvane form(nullptr, WindowSetup(120));
    EXPECT_EQ(form.font().pixelSize(), 16);
    const int num = form.ScaleNumerator(), den = form.ScaleDenominator();
    ASSERT_GT(num, den);
    auto scaled = [&](int v) { return (v * num + den / 2) / den; };
    EXPECT_EQ(form.size(), QSize(scaled(688), scaled(446)));
    EXPECT_EQ(form.pos(), QPoint(scaled(192), scaled(114)));
    EXPECT_EQ(form.SpeedButton3->geometry(), QRect(scaled(493), scaled(42), scaled(93), scaled(41)));
    EXPECT_EQ(form.Panel1->height(), scaled(86));
    EXPECT_EQ(form.Panel3->height(), scaled(30));
    EXPECT_EQ(form.MaskEdit1->font().pixelSize(), 16);
}

TEST(MainWindow, CommandButtonsNeverTakeTheFocus) {
    TFormDulvane form(nullptr, WindowSetup());
    for (QPushButton *b : {form.SpeedButton1, form.SpeedButton2, form.SpeedButton3, form.SpeedButton4})
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << b->objectName().toStdString();
}

TEST(MainWindow, TabGoesThroughTheBoxesThenTheGridAndBack) {
    TFormDulvane form(nullptr, WindowSetup());
    const QList<QWidget *> expected = {form.MaskEdit1, form.MaskEdit2, form.Edit1,     form.Edit2,
                                       form.Edit3,     form.Edit4,     form.wwDBGrid1, form.MaskEdit1};
    QList<QWidget *> order = {form.MaskEdit1};
    QWidget *w = form.MaskEdit1;
    while (order.size() < expected.size()) {
        do {
            w = w->nextInFocusChain();
        } while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || w == &form);
        order << w;
    }
    EXPECT_EQ(order, expected);
}

// A window that is on the screen and active, with the folder notice (if
// any) answered.
class ShownWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // With the folder there, no notice comes between.
        QDir().mkpath(ExecutableFolder() + QStringLiteral("cds"));
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override { form.close(); }

    // Types keys into a box as the operator does.
    static void TypeInto(QWidget *box, const QString &keys) {
        for (const QChar c : keys) QTest::keyClick(box, c.toLatin1());
    }

    TFormDulvane form{nullptr, WindowSetup()};
};

TEST_F(ShownWindow, FocusStartsInTheFirstDateBoxAndBoxesReadAsTyped) {
    EXPECT_EQ(QApplication::focusWidget(), form.MaskEdit1);
    TypeInto(form.MaskEdit1, QStringLiteral("20240131"));
    form.Edit1->setText(QStringLiteral(" C001 "));
    form.Edit4->setText(QStringLiteral("D9"));
    const QChar sep = SystemDateSeparator();
    EXPECT_EQ(form.BoxText(FilterBox::DateFrom), (QStringLiteral("2024") + sep + "01" + sep + "31").toStdString());
    EXPECT_EQ(form.BoxText(FilterBox::DateTo), QStringLiteral("    %1  %1  ").arg(sep).toStdString());
    EXPECT_EQ(form.BoxText(FilterBox::CustomerFrom), " C001 ");
    EXPECT_EQ(form.BoxText(FilterBox::CustomerTo), "");
    EXPECT_EQ(form.BoxText(FilterBox::DepartmentTo), "D9");
    EXPECT_EQ(form.MaskEdit2->text(), QStringLiteral("____%1__%1__").arg(sep));
}

TEST_F(ShownWindow, LeavingAChangedBoxWithoutAWholeYearIsRefusedAndEscapeRestores) {
    TypeInto(form.MaskEdit1, QStringLiteral("20"));
    SeenDialog report;
    ClickInNextModal(&report);
    QTest::keyClick(form.MaskEdit1, Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return report.seen; }, 2000));
    EXPECT_EQ(report.text, QStringLiteral("Invalid input value.  Use escape key to abandon changes."));
    EXPECT_EQ(report.title, ApplicationTitle());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == form.MaskEdit1; }, 1000));
    EXPECT_EQ(form.MaskEdit1->cursorPosition(), 2);

    QTest::keyClick(form.MaskEdit1, Qt::Key_Escape);
    EXPECT_EQ(form.MaskEdit1->ReadText(), QStringLiteral("    %1  %1  ").arg(SystemDateSeparator()));
    // Restored: leaving is no longer checked.
    QTest::keyClick(form.MaskEdit1, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(QApplication::focusWidget(), form.MaskEdit2);
}

TEST_F(ShownWindow, EnterChecksTheBoxAndAYearAloneIsAccepted) {
    TypeInto(form.MaskEdit2, QStringLiteral("202"));
    form.MaskEdit2->setFocus();
    SeenDialog report;
    ClickInNextModal(&report);
    QTest::keyClick(form.MaskEdit2, Qt::Key_Return);
    EXPECT_TRUE(report.seen);
    EXPECT_EQ(form.MaskEdit2->cursorPosition(), 3);

    TypeInto(form.MaskEdit2, QStringLiteral("4"));
    QTest::keyClick(form.MaskEdit2, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(QApplication::focusWidget(), form.Edit1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ShownWindow, PressingACommandButtonLeavesTheFocusAndDoesNotCheck) {
    TypeInto(form.MaskEdit1, QStringLiteral("20"));
    QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), form.MaskEdit1);
    // The query ran at once, over every order (a half date filters nothing).
    EXPECT_EQ(form.LabelRecord->text(), QStringLiteral("RecordCount: %1").arg(kWindowDatabaseOrders));
    EXPECT_EQ(form.wwDBGrid1->DisplayedFieldCount(), 7);
}

TEST_F(ShownWindow, AFailingCommandIsReportedAndTheWindowGoesOn) {
    // Select-all before any query: the list is closed.
    SeenDialog report;
    ClickInNextModal(&report);
    QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
    ASSERT_TRUE(report.seen);
    EXPECT_EQ(report.title, ApplicationTitle());
    EXPECT_EQ(report.text, QStringLiteral("ClientDataSet1: Cannot perform this operation on a closed dataset."));
    // The program carries on: the query still works afterwards.
    QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(form.LabelRecord->text(), QStringLiteral("RecordCount: %1").arg(kWindowDatabaseOrders));
}

TEST_F(ShownWindow, WideningGrowsOnlyTheGridPanel) {
    form.resize(900, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.size() == QSize(900, 600); }, 1000));
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 0, 900, 86));
    EXPECT_EQ(form.Panel2->geometry(), QRect(0, 86, 900, 484));
    EXPECT_EQ(form.wwDBGrid1->geometry(), QRect(1, 1, 898, 482));
    EXPECT_EQ(form.Panel3->geometry(), QRect(0, 570, 900, 30));
    EXPECT_EQ(form.LabelRecord->pos(), QPoint(8, 8));
    ExpectTopPanelAsDesigned(form);
}

TEST(MainWindowStart, AConnectionFailureLeavesTheConstructorWithoutNoticeOrFolder) {
    TempDir programDir;  // of its own: other window tests make cds beside the test program
    TFormDulvaneSetup setup = BrokenWindowSetup();
    setup.dataFolder = programDir.path() + "/";
    const QString folder = QString::fromStdString(setup.dataFolder) + QStringLiteral("cds");
    bool shown = false;
    QTimer guard;  // closes a wrongly shown dialog; gone with the test
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            shown = true;
            dialog->close();
        }
    });
    guard.start(0);
    try {
        TFormDulvane form(nullptr, setup);
        ADD_FAILURE() << "the window was made without its database";
    } catch (const EDatabaseError &failure) {
        EXPECT_FALSE(failure.Message().empty());
    }
    EXPECT_FALSE(shown);
    EXPECT_FALSE(QDir(folder).exists());
}

TEST(MainWindowStart, MakesTheBackupFolderBesideTheProgramOnceWithANotice) {
    // A program folder of the test's own: other window tests running at the
    // same time make cds beside the test program.
    TempDir programDir;
    TFormDulvaneSetup setup = WindowSetup();
    setup.dataFolder = programDir.path() + "/";
    const QString folder = QString::fromStdString(setup.dataFolder) + QStringLiteral("cds");

    TFormDulvane form(nullptr, setup);
    SeenDialog notice;
    bool windowVisibleDuringNotice = true;
    AnswerNextModal([&](QWidget *dialog) {
        notice.seen = true;
        notice.title = dialog->windowTitle();
        notice.text = DialogAnswers::TextOf(dialog);
        windowVisibleDuringNotice = form.isVisible();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    form.show();
    EXPECT_TRUE(notice.seen);
    EXPECT_EQ(notice.title, ApplicationTitle());
    EXPECT_EQ(notice.text, QStringLiteral("Directory created OK\n") + folder);  // says where the backups go
    EXPECT_FALSE(windowVisibleDuringNotice);                                    // the notice comes before the window
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(QDir(folder).exists());

    // Hiding and showing again does not run the step again; neither does a
    // new window while the folder is there.
    SeenDialog again;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            again.seen = true;
            dialog->close();
        }
    });
    guard.start(0);
    form.hide();
    form.show();
    TFormDulvane second(nullptr, setup);
    second.show();
    EXPECT_FALSE(again.seen);
    form.close();
    second.close();
}

TEST(MainWindowStart, MakesTheDataFolderTooWhenTheBackupsGoToTheUsersDataFolder) {
    // An installed program keeps cds/ in the user's data folder, which a
    // first start may find missing altogether.
    TempDir home;
    TFormDulvaneSetup setup = WindowSetup();
    setup.dataFolder = home.path() + "/.local/share/batchdel/";
    const QString folder = QString::fromStdString(setup.dataFolder) + QStringLiteral("cds");

    TFormDulvane form(nullptr, setup);
    SeenDialog notice;
    AnswerNextModal([&](QWidget *dialog) {
        notice.seen = true;
        notice.text = DialogAnswers::TextOf(dialog);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    form.show();
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_EQ(notice.text, QStringLiteral("Directory created OK\n") + folder);
    form.close();
}
