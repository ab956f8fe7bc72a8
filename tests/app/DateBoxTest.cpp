// The date box as a widget: keys reach the mask, and no editing key of a
// line edit gets past it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "app/DateBox.h"

namespace {
struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
};

class DateBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 40);
        box = new TDateBox(&window, QLatin1Char('/'));
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        box->setFocus();
        box->setCursorPosition(0);
        QTest::keyClicks(box, QStringLiteral("20240131"));
        ASSERT_EQ(box->ReadText(), QStringLiteral("2024/01/31"));
    }

    QWidget window;
    TDateBox *box = nullptr;
};
}  // namespace

TEST_F(DateBoxTest, LineEditShortcutsDoNotChangeTheText) {
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    // (Ctrl+Backspace and Ctrl+Delete act as plain Backspace and Delete.)
    const Key keys[] = {{Qt::Key_K, Qt::ControlModifier},    {Qt::Key_V, Qt::ControlModifier},
                        {Qt::Key_X, Qt::ControlModifier},    {Qt::Key_Z, Qt::ControlModifier},
                        {Qt::Key_H, Qt::ControlModifier},    {Qt::Key_U, Qt::ControlModifier},
                        {Qt::Key_Insert, Qt::ShiftModifier}, {Qt::Key_A, Qt::NoModifier}};
    for (const Key &k : keys) {
        box->setCursorPosition(5);
        QTest::keyClick(box, k.key, k.mods);
        EXPECT_EQ(box->text(), QStringLiteral("2024/01/31")) << "key " << k.key << " mods " << int(k.mods);
    }
}

TEST_F(DateBoxTest, PasteKeysPutACopiedDateThroughTheMask) {
    for (const Key &k : {Key{Qt::Key_V, Qt::ControlModifier}, Key{Qt::Key_Insert, Qt::ShiftModifier}}) {
        box->SetReadText(QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("2024-3-7"));
        box->setCursorPosition(0);
        QTest::keyClick(box, k.key, k.mods);
        EXPECT_EQ(box->ReadText(), QStringLiteral("2024/03/07")) << "key " << k.key;
        EXPECT_TRUE(box->Modified());
        // Digits alone go in where the caret stands, as if typed.
        QGuiApplication::clipboard()->setText(QStringLiteral("15"));
        box->setCursorPosition(8);
        QTest::keyClick(box, k.key, k.mods);
        EXPECT_EQ(box->text(), QStringLiteral("2024/03/15")) << "key " << k.key;
    }
}

TEST_F(DateBoxTest, CaretKeysMoveAndDeletionBlanksInPlace) {
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->ReadText(), QStringLiteral(" 024/01/31"));
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->ReadText(), QStringLiteral(" 024/01/3 "));
    EXPECT_EQ(box->text(), QStringLiteral("_024/01/3_"));
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_7);  // the caret stood before the first day digit
    EXPECT_EQ(box->ReadText(), QStringLiteral(" 024/01/7 "));
    EXPECT_TRUE(box->Modified());
}

TEST_F(DateBoxTest, EscapeBringsBackTheTextOfTheLastVisit) {
    // The text the box had when it last received the focus.
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.setFocus();
    ASSERT_EQ(QApplication::focusWidget(), &other);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->ReadText(), QStringLiteral("2024/01/  "));
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(box->ReadText(), QStringLiteral("2024/01/31"));
    EXPECT_FALSE(box->Modified());
}
