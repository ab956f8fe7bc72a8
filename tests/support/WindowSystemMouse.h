#pragma once
// Clicks and double clicks handed to a window as an X server sends them: the
// pointer moves there first, each event has its own time stamp, and the
// event loop runs between the events (a double click's two clicks are a
// little apart, with paints and posted work done in between). QTest's own
// double click stamps all four events with one time and hands them in
// without the loop running between them; its clicks come without motion.
#include <QApplication>
#include <QTest>
#include <QWindow>

class WindowSystemMouse {
public:
    // Positions are in the window's coordinates.
    void Click(QWindow *window, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        MoveTo(window, at);
        Send(window, at, button, QEvent::MouseButtonPress, 10);
        Send(window, at, button, QEvent::MouseButtonRelease, 70);
        QTest::lastMouseTimestamp += kApart;  // the next click is a click of its own
    }
    // Two quick clicks: the widget gets press, release, double-click, release.
    void DoubleClick(QWindow *window, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        MoveTo(window, at);
        Send(window, at, button, QEvent::MouseButtonPress, 10);
        Send(window, at, button, QEvent::MouseButtonRelease, 60);
        Send(window, at, button, QEvent::MouseButtonPress, 90);
        Send(window, at, button, QEvent::MouseButtonRelease, 60);
        QTest::lastMouseTimestamp += kApart;
    }
    // The pointer reaches the place in a few steps, as a hand moves it.
    void MoveTo(QWindow *window, QPoint at) {
        const QPoint from = last_;
        for (int i = 1; i <= 3; ++i) {
            QTest::lastMouseTimestamp += 15;
            const QPoint step = from + (at - from) * i / 3;
            qt_handleMouseEvent(window, step, window->mapToGlobal(step), buttons_, Qt::NoButton, QEvent::MouseMove,
                                Qt::NoModifier, QTest::lastMouseTimestamp);
            QApplication::processEvents();
        }
        last_ = at;
    }

    // Longer than any double-click interval.
    static constexpr int kApart = 5000;

private:
    void Send(QWindow *window, QPoint at, Qt::MouseButton button, QEvent::Type type, int afterMs) {
        QTest::lastMouseTimestamp += afterMs;
        buttons_.setFlag(button, type == QEvent::MouseButtonPress);
        qt_handleMouseEvent(window, at, window->mapToGlobal(at), buttons_, button, type, Qt::NoModifier,
                            QTest::lastMouseTimestamp);
        QApplication::processEvents();
    }

    Qt::MouseButtons buttons_;
    QPoint last_{1, 1};
};
