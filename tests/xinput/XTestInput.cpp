#include "tests/xinput/XTestInput.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>
#include <stdexcept>
#include <xcb/xcb.h>

// Xlib's macros (None, Bool, KeyPress...) clash with Qt's names: its headers
// come after Qt's.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Counts the marker's property changes as the application reads them from
// the server: one that arrives came after every input event sent before it.
class MarkerFilter : public QAbstractNativeEventFilter {
public:
    MarkerFilter(xcb_window_t window, xcb_atom_t atom) : window_(window), atom_(atom) {}
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t") return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        auto *notify = static_cast<xcb_property_notify_event_t *>(message);
        if (notify->window == window_ && notify->atom == atom_) ++seen;
        return false;
    }
    int seen = 0;

private:
    xcb_window_t window_;
    xcb_atom_t atom_;
};

KeySym KeySymOf(Qt::Key key) {
    static const std::map<Qt::Key, KeySym> keys = {
        {Qt::Key_Insert, XK_Insert}, {Qt::Key_Delete, XK_Delete}, {Qt::Key_Up, XK_Up},
        {Qt::Key_Down, XK_Down},     {Qt::Key_Home, XK_Home},     {Qt::Key_End, XK_End},
        {Qt::Key_PageUp, XK_Prior},  {Qt::Key_PageDown, XK_Next}, {Qt::Key_Space, XK_space},
        {Qt::Key_Return, XK_Return}, {Qt::Key_Escape, XK_Escape}, {Qt::Key_Tab, XK_Tab},
        {Qt::Key_A, XK_a},           {Qt::Key_R, XK_r},
    };
    const auto found = keys.find(key);
    if (found == keys.end()) throw std::invalid_argument("no X key for this key");
    return found->second;
}

// The number pad's keys as they are with Num Lock off.
KeySym PadKeySymOf(Qt::Key key) {
    static const std::map<Qt::Key, KeySym> keys = {
        {Qt::Key_Insert, XK_KP_Insert}, {Qt::Key_Delete, XK_KP_Delete}, {Qt::Key_Up, XK_KP_Up},
        {Qt::Key_Down, XK_KP_Down},     {Qt::Key_Home, XK_KP_Home},     {Qt::Key_End, XK_KP_End},
    };
    const auto found = keys.find(key);
    if (found == keys.end()) throw std::invalid_argument("no number-pad key for this key");
    return found->second;
}

}  // namespace

struct XTestInput::Connection {
    Display *display = nullptr;
    Window marker = 0;
    Atom atom = 0;
    long sent = 0;
    std::unique_ptr<MarkerFilter> filter;
};

XTestInput::XTestInput(QWidget *marker) : x_(std::make_unique<Connection>()) {
    x_->display = XOpenDisplay(nullptr);
    if (!x_->display) throw std::runtime_error("cannot open the X display");
    int event, error, major, minor;
    if (!XTestQueryExtension(x_->display, &event, &error, &major, &minor))
        throw std::runtime_error("the X server has no XTest extension");
    x_->marker = Window(marker->window()->winId());
    x_->atom = XInternAtom(x_->display, "BATCHDEL_TEST_INPUT_MARKER", False);
    x_->filter = std::make_unique<MarkerFilter>(xcb_window_t(x_->marker), xcb_atom_t(x_->atom));
    QCoreApplication::instance()->installNativeEventFilter(x_->filter.get());
}

XTestInput::~XTestInput() {
    QCoreApplication::instance()->removeNativeEventFilter(x_->filter.get());
    XCloseDisplay(x_->display);
}

bool XTestInput::Settle() {
    const long value = ++x_->sent;
    XChangeProperty(x_->display, x_->marker, x_->atom, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&value), 1);
    XFlush(x_->display);
    QDeadlineTimer deadline(30000);
    while (x_->filter->seen < value) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (x_->filter->seen < value) QThread::msleep(2);
    }
    // The marker was read after the input: what the input made (events
    // queued by the window system, posted events) is handled now.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    return true;
}

// Qt's global positions are in its own (scaled) pixels; the X server's are
// the screen's.
QPoint XTestInput::OnScreen(QPoint global) {
    const double ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    return QPoint(qRound(global.x() * ratio), qRound(global.y() * ratio));
}

void XTestInput::Motion(QPoint screen) { XTestFakeMotionEvent(x_->display, -1, screen.x(), screen.y(), 0); }

void XTestInput::Button(bool down, unsigned long delayMs) {
    XTestFakeButtonEvent(x_->display, 1, down ? True : False, delayMs);
}

QPoint XTestInput::PointerOnScreen() const {
    Window root, child;
    int rootX, rootY, winX, winY;
    unsigned int mask;
    XQueryPointer(x_->display, DefaultRootWindow(x_->display), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
    return {rootX, rootY};
}

// A hand on a mouse goes there in a few steps.
void XTestInput::MoveTo(QPoint global) {
    const QPoint from = PointerOnScreen();
    const QPoint to = OnScreen(global);
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i) Motion(from + (to - from) * i / kSteps);
    Settle();
}

void XTestInput::CrawlTo(QPoint global) {
    const QPoint from = PointerOnScreen();
    const QPoint to = OnScreen(global);
    const int steps = std::max(1, std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())));
    for (int i = 1; i <= steps; ++i) {
        Motion(from + (to - from) * i / steps);
        // Every few pixels the application catches up, as it does under a
        // hand that takes a second over the way.
        if (i % 3 == 0 || i == steps) Settle();
    }
}

void XTestInput::WaitOutDoubleClick(QPoint global) {
    const auto interval = std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 150);
    if ((global - lastClick_).manhattanLength() > 20) return;
    while (std::chrono::steady_clock::now() - lastClickTime_ < interval) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

void XTestInput::Click(QPoint global) {
    WaitOutDoubleClick(global);
    MoveTo(global);
    Button(true, 0);
    Button(false, 70);
    Settle();
    lastClick_ = global;
    lastClickTime_ = std::chrono::steady_clock::now();
}

void XTestInput::DoubleClick(QPoint global) {
    WaitOutDoubleClick(global);
    MoveTo(global);
    // Press, release, press, release, with a person's pauses, all well
    // inside the double-click time.
    TwoClicks(global, QPoint(), 90);
}

void XTestInput::SlowDoubleClick(QPoint global) {
    WaitOutDoubleClick(global);
    MoveTo(global);
    // The second press 60 + 280 ms after the first: inside the time, which
    // is 400 ms unless the desktop says otherwise.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const unsigned long gap = unsigned(std::max(0, std::min(280, interval - 120)));
    TwoClicks(global, QPoint(1, 1), gap);
}

void XTestInput::TwoClicks(QPoint global, QPoint secondOff, unsigned long gapMs) {
    Button(true, 0);
    Button(false, 60);
    unsigned long wait = gapMs;
    if (!secondOff.isNull()) {
        const QPoint second = OnScreen(global) + secondOff;
        XTestFakeMotionEvent(x_->display, -1, second.x(), second.y(), gapMs / 2);
        wait -= gapMs / 2;
    }
    Button(true, wait);
    Button(false, 60);
    Settle();
    // A third click right after would count as part of this one.
    lastClick_ = global;
    lastClickTime_ = std::chrono::steady_clock::now();
}

void XTestInput::Wheel(QPoint global, int steps) {
    MoveTo(global);
    // X sends each wheel step as a press and release of button 4 (away) or 5.
    const unsigned int button = steps > 0 ? 4 : 5;
    for (int i = 0; i < std::abs(steps); ++i) {
        XTestFakeButtonEvent(x_->display, button, True, 0);
        XTestFakeButtonEvent(x_->display, button, False, 20);
    }
    Settle();
}

void XTestInput::ClickNoWait(QPoint global) {
    Motion(OnScreen(global));
    Button(true, 0);
    Button(false, 70);
    XFlush(x_->display);
}

void XTestInput::Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    Display *d = x_->display;
    std::vector<KeyCode> held;
    if (modifiers.testFlag(Qt::ControlModifier)) held.push_back(XKeysymToKeycode(d, XK_Control_L));
    if (modifiers.testFlag(Qt::ShiftModifier)) held.push_back(XKeysymToKeycode(d, XK_Shift_L));
    if (modifiers.testFlag(Qt::AltModifier)) held.push_back(XKeysymToKeycode(d, XK_Alt_L));
    for (KeyCode code : held) XTestFakeKeyEvent(d, code, True, 0);
    const KeyCode code = XKeysymToKeycode(d, modifiers.testFlag(Qt::KeypadModifier) ? PadKeySymOf(key) : KeySymOf(key));
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 30);
    for (auto it = held.rbegin(); it != held.rend(); ++it) XTestFakeKeyEvent(d, *it, False, 0);
    Settle();
}
