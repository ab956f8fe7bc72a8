#pragma once
// The pointer and the keyboard of the X server, driven through its XTest
// extension: the application gets exactly what a person's mouse and keys
// would send (the motion before a press, server time stamps on each event,
// the focus the server keeps). Each step waits until the application has
// handled what was sent.
#include <QPoint>
#include <Qt>
#include <chrono>
#include <memory>

class QWidget;

class XTestInput {
public:
    // Opens a connection of its own to the display in DISPLAY; `marker` is a
    // shown top-level window of the application, used to know when the
    // application has caught up.
    explicit XTestInput(QWidget *marker);
    ~XTestInput();
    XTestInput(const XTestInput &) = delete;
    XTestInput &operator=(const XTestInput &) = delete;

    // Pointer positions are global (screen) coordinates.
    void MoveTo(QPoint global);
    // The pointer carried there slowly, a pixel at a time, the application
    // handling each motion (and whatever it shows on the way) before the next.
    void CrawlTo(QPoint global);
    void Click(QPoint global);
    // Two clicks at the same place, as quick as a person's double click.
    void DoubleClick(QPoint global);
    // A slow double click, as a hesitant hand makes it: the second press
    // comes late in the double-click time, and a pixel or two off the first.
    void SlowDoubleClick(QPoint global);
    // The wheel turned over a place: towards the operator (down the list)
    // when steps is negative.
    void Wheel(QPoint global, int steps);
    // A key with Ctrl, Shift or Alt held; with Qt::KeypadModifier, the
    // key of the number pad (Insert: the pad's 0 with Num Lock off).
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // For use inside a dialog's own event loop: a click sent without waiting
    // for it to be handled (the loop handles it when the caller returns).
    void ClickNoWait(QPoint global);

    // Waits until the application has handled every event sent so far.
    // False after a long time without that.
    bool Settle();

private:
    struct Connection;
    static QPoint OnScreen(QPoint global);
    // Where the pointer is now, in screen pixels.
    QPoint PointerOnScreen() const;
    void Motion(QPoint screen);
    void Button(bool down, unsigned long delayMs);
    // The two clicks of a double click at `global`, the second press
    // `gapMs` after the first release and moved by `secondOff` screen pixels.
    void TwoClicks(QPoint global, QPoint secondOff, unsigned long gapMs);
    // Keeps two separate clicks on one spot from making a double click.
    void WaitOutDoubleClick(QPoint global);
    std::unique_ptr<Connection> x_;
    QPoint lastClick_{-1000, -1000};
    std::chrono::steady_clock::time_point lastClickTime_{};
};
