// The grid tests run inside one QApplication on the offscreen platform, with
// the window font the program uses (13-pixel Ming face).
#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QFont::insertSubstitutions(
        QStringLiteral("細明體"),
        {QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Sans CJK TC")});
    QFont font(QStringLiteral("細明體"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
