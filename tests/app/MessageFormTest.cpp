// The program's message dialog and the platform message box: buttons and
// their order, Enter and Escape, results, the close box, the layout in
// dialog units and the copied text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/AppMessageBox.h"
#include "app/MessageForm.h"
#include "tests/app/ModalAnswer.h"

using namespace batchdel;

namespace {
QStringList NamesOf(const TMessageForm &form) {
    QStringList names;
    for (const QPushButton *b : form.Buttons()) names << b->objectName();
    return names;
}
}  // namespace

TEST(MessageForm, LaysButtonsOutInFixedOrderWithTheirNamesAndCaptions) {
    TMessageForm all(
        QStringLiteral("t"), DialogKind::Warning,
        mbHelp | mbYesToAll | mbNoToAll | mbAll | mbIgnore | mbRetry | mbAbort | mbCancel | mbOK | mbNo | mbYes);
    EXPECT_EQ(NamesOf(all), QStringList({"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll",
                                         "YesToAll", "Help"}));
    QStringList captions;
    for (const QPushButton *b : all.Buttons()) captions << b->text();
    EXPECT_EQ(captions, QStringList({"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All", "N&o to All",
                                     "Yes to &All", "&Help"}));
    // One row, left to right, all of one size.
    for (size_t i = 1; i < all.Buttons().size(); ++i) {
        EXPECT_EQ(all.Buttons()[i]->y(), all.Buttons()[0]->y());
        EXPECT_GT(all.Buttons()[i]->x(), all.Buttons()[i - 1]->x());
        EXPECT_EQ(all.Buttons()[i]->size(), all.Buttons()[0]->size());
    }
}

struct KindCase {
    DialogKind kind;
    const char *caption;  // null: the application title
    bool icon;
};
void PrintTo(const KindCase &c, std::ostream *os) { *os << (c.caption ? c.caption : "untitled"); }

class MessageFormKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(MessageFormKindTest, CaptionAndIconFollowTheKind) {
    TMessageForm form(QStringLiteral("text"), GetParam().kind, mbOK);
    EXPECT_EQ(form.windowTitle(),
              GetParam().caption ? QString::fromUtf8(GetParam().caption) : QStringLiteral("app_tests"));
    auto *image = form.findChild<QLabel *>(QStringLiteral("Image"));
    EXPECT_EQ(image != nullptr, GetParam().icon);
    if (image) {
        EXPECT_EQ(image->size(), QSize(32, 32));
    }
    auto *message = form.findChild<QLabel *>(QStringLiteral("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), QStringLiteral("text"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageFormKindTest,
                         ::testing::Values(KindCase{DialogKind::Warning, "Warning", true},
                                           KindCase{DialogKind::Error, "Error", true},
                                           KindCase{DialogKind::Information, "Information", true},
                                           KindCase{DialogKind::Confirmation, "Confirm", true},
                                           KindCase{DialogKind::Plain, nullptr, false}));

// Enter presses the default button, Escape the cancel button.
struct KeyCase {
    const char *name;
    unsigned buttons;
    int enter;
    int escape;
};
void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }

class MessageFormKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(MessageFormKeyTest, EnterAndEscapeGiveDefaultAndCancelResults) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        AnswerNextModal([key](QWidget *dialog) {
            QTest::keyClick(dialog->focusWidget(), key);
            // A key that does not end the dialog leaves it to the Abort button.
            if (QApplication::activeModalWidget() == dialog)
                dialog->findChild<QPushButton *>(QStringLiteral("Abort"))->click();
        });
        const int result = RunMessageDialog("question", DialogKind::Confirmation, GetParam().buttons);
        EXPECT_EQ(result, key == Qt::Key_Return ? GetParam().enter : GetParam().escape)
            << (key == Qt::Key_Return ? "Enter" : "Escape");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, MessageFormKeyTest,
    ::testing::Values(KeyCase{"YesNo", mbYes | mbNo, mrYes, mrNo},  // the backup question
                      KeyCase{"OkOnly", mbOK, mrOk, mrOk}, KeyCase{"OkCancel", mbOK | mbCancel, mrOk, mrCancel},
                      KeyCase{"YesNoCancel", mbYes | mbNo | mbCancel, mrYes, mrCancel},
                      KeyCase{"AbortRetryIgnoreEscapeDoesNothing", mbAbort | mbRetry | mbIgnore, mrRetry, mrAbort},
                      KeyCase{"YesNoOk", mbYes | mbNo | mbOK, mrOk, mrNo}),
    [](const auto &tc) { return std::string(tc.param.name); });

TEST(MessageForm, EachButtonEndsWithItsResultAndTheCloseBoxWithTwo) {
    const struct {
        unsigned button;
        const char *name;
        int result;
    } cases[] = {{mbYes, "Yes", 6},           {mbNo, "No", 7},       {mbOK, "OK", 1},
                 {mbCancel, "Cancel", 2},     {mbAbort, "Abort", 3}, {mbRetry, "Retry", 4},
                 {mbIgnore, "Ignore", 5},     {mbAll, "All", 8},     {mbNoToAll, "NoToAll", 9},
                 {mbYesToAll, "YesToAll", 10}};
    for (const auto &c : cases) {
        const QString name = QString::fromLatin1(c.name);
        AnswerNextModal([name](QWidget *dialog) { dialog->findChild<QPushButton *>(name)->click(); });
        EXPECT_EQ(RunMessageDialog("t", DialogKind::Information, c.button | mbYes | mbNo), c.result) << c.name;
    }
    AnswerNextModal([](QWidget *dialog) { dialog->close(); });
    EXPECT_EQ(RunMessageDialog("t", DialogKind::Confirmation, mbYes | mbNo), mrCancel);
}

TEST(MessageForm, HelpLeavesTheDialogOpen) {
    bool openAfterHelp = false;
    AnswerNextModal([&](QWidget *dialog) {
        dialog->findChild<QPushButton *>(QStringLiteral("Help"))->click();
        openAfterHelp = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
        dialog->findChild<QPushButton *>(QStringLiteral("OK"))->click();
    });
    EXPECT_EQ(RunMessageDialog("t", DialogKind::Information, mbOK | mbHelp), mrOk);
    EXPECT_TRUE(openAfterHelp);
}

// The sizes of the dialog in dialog units of the system message font.
TEST(MessageForm, SizeFollowsDialogUnitsOfTheMessageFont) {
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFontMetrics fm(font);
    const int unitX = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    const int unitY = fm.height();
    auto units = [](int n, int unit, int per) { return (n * unit + per / 2) / per; };

    TMessageForm form(QStringLiteral("Short"), DialogKind::Confirmation, mbYes | mbNo);
    const QPushButton *yes = form.Buttons()[0];
    const QPushButton *no = form.Buttons()[1];
    EXPECT_EQ(yes->width(), std::max(units(50, unitX, 4), fm.horizontalAdvance(QStringLiteral("Yes")) + 8));
    EXPECT_EQ(yes->height(), units(14, unitY, 8));
    EXPECT_EQ(no->x() - yes->x() - yes->width(), units(4, unitX, 4));
    // A short text: the icon decides the height of the text block.
    EXPECT_EQ(yes->y(), units(8, unitY, 8) + std::max(32, fm.height()) + units(10, unitY, 8));
    EXPECT_EQ(form.height(), yes->y() + yes->height() + units(8, unitY, 8));
    // The buttons stand centred.
    EXPECT_NEAR(yes->x(), form.width() - (no->x() + no->width()), 1);
    auto *message = form.findChild<QLabel *>(QStringLiteral("Message"));
    EXPECT_EQ(message->x(), units(8, unitX, 4) + 32 + units(10, unitX, 4));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());  // not resizable

    // A long caption widens every button to its width plus 8.
    TMessageForm wide(QStringLiteral("t"), DialogKind::Plain, mbYesToAll | mbOK);
    EXPECT_EQ(wide.Buttons()[0]->width(),
              std::max(units(50, unitX, 4), fm.horizontalAdvance(QStringLiteral("Yes to All")) + 8));
    EXPECT_EQ(wide.Buttons()[1]->width(), wide.Buttons()[0]->width());

    // A long text wraps at half the screen width.
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    TMessageForm wrapped(QString(400, QLatin1Char('w'))
                             .replace(QRegularExpression(QStringLiteral("w{10}")), QStringLiteral("wwwwwwwww ")),
                         DialogKind::Plain, mbOK);
    auto *text = wrapped.findChild<QLabel *>(QStringLiteral("Message"));
    EXPECT_LE(text->width(), half);
    EXPECT_GT(text->height(), 2 * fm.height());
    EXPECT_EQ(wrapped.width(), text->width() + 2 * units(8, unitX, 4));
}

TEST(MessageForm, CtrlCCopiesCaptionTextAndButtons) {
    QGuiApplication::clipboard()->clear();
    AnswerNextModal([](QWidget *dialog) {
        QTest::keyClick(dialog->focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    });
    EXPECT_EQ(RunMessageDialog("刪除前是否將資料備份到單機?", DialogKind::Confirmation, mbYes | mbNo), mrNo);
    const QString dashes(27, QLatin1Char('-'));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dashes + "\r\nConfirm\r\n" + dashes +
                                                        "\r\n刪除前是否將資料備份到單機?\r\n" + dashes +
                                                        "\r\nYes   No   \r\n" + dashes + "\r\n");
}

TEST(ShowNotice, IsPlainUnderTheTitleWithOkAlone) {
    QStringList names;
    QString title;
    AnswerNextModal([&](QWidget *dialog) {
        title = dialog->windowTitle();
        for (auto *b : dialog->findChildren<QPushButton *>()) names << b->objectName();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    ShowNotice("Directory created OK");
    EXPECT_EQ(title, QStringLiteral("app_tests"));
    EXPECT_EQ(names, QStringList({"OK"}));
}

// The platform box: buttons, default button and result codes from the style.
struct BoxCase {
    const char *name;
    unsigned style;
    QMessageBox::StandardButton press;  // NoButton: press Enter
    int result;
};
void PrintTo(const BoxCase &c, std::ostream *os) { *os << c.name; }

class AppMessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(AppMessageBoxTest, ReturnsThePlatformCodeOfTheAnswer) {
    const BoxCase c = GetParam();
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    AnswerNextModal([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        icon = box->icon();
        if (c.press == QMessageBox::NoButton)
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
        else
            box->button(c.press)->click();
    });
    EXPECT_EQ(AppMessageBox("確定刪除所選資料?", "Confirm", c.style), c.result);
    if ((c.style & 0xF0u) == MB_ICONQUESTION) {
        EXPECT_EQ(icon, QMessageBox::Question);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, AppMessageBoxTest,
    ::testing::Values(
        // The first deletion question: Enter takes the second button, No.
        BoxCase{"DeletionQuestionEnterIsNo", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, QMessageBox::NoButton, mrNo},
        BoxCase{"DeletionQuestionYes", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, QMessageBox::Yes, mrYes},
        BoxCase{"YesNoEnterIsYes", MB_YESNO, QMessageBox::NoButton, mrYes},
        BoxCase{"OkEnter", MB_OK | MB_ICONERROR, QMessageBox::NoButton, mrOk},
        BoxCase{"OkCancelCancel", MB_OKCANCEL, QMessageBox::Cancel, mrCancel},
        BoxCase{"YesNoCancelNo", MB_YESNOCANCEL | MB_ICONWARNING, QMessageBox::No, mrNo}),
    [](const auto &tc) { return std::string(tc.param.name); });

TEST(AppMessageBox, GivesTheFocusBackToTheControlThatHadIt) {
    QWidget window;
    auto *first = new QLineEdit(&window);
    auto *second = new QLineEdit(&window);
    second->move(0, 40);
    window.show();
    QApplication::setActiveWindow(&window);
    second->setFocus();
    AnswerNextModal([](QWidget *dialog) { qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Ok)->click(); });
    AppMessageBox("notice", "caption", MB_OK);
    // The window becomes active again through the platform, from the loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == second; }, 1000));
    (void)first;
}
