#include "app/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};
int wakePipe[2] = {-1, -1};
struct sigaction previous[2];
volatile sig_atomic_t requested = 0;

// Runs in the signal's context: only a flag and write(2), which are safe there.
void OnSignal(int signal) {
    const int saved = errno;
    requested = 1;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = write(wakePipe[1], &byte, 1);
    errno = saved;
}

void SetHandlers(struct sigaction *found) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, found ? &found[i] : nullptr);
    // A process started with these signals blocked (the mask is inherited
    // through exec) would hold them pending forever; this thread takes them.
    sigset_t taken;
    sigemptyset(&taken);
    for (const int signal : kSignals) sigaddset(&taken, signal);
    pthread_sigmask(SIG_UNBLOCK, &taken, nullptr);
}

}  // namespace

bool TerminationRequested() { return requested != 0; }

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal, QObject *parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (wakePipe[0] >= 0) throw std::logic_error("the termination signals are already taken");
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot make the signal pipe");
    requested = 0;
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
    SetHandlers(previous);
}

TTerminationSignals::~TTerminationSignals() {
    if (ending_ && qApp) qApp->removeEventFilter(this);
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    close(wakePipe[0]);
    close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
    requested = 0;
}

void TTerminationSignals::Retake() { SetHandlers(nullptr); }

void TTerminationSignals::Drain() {
    char bytes[16];
    bool any = false;
    while (read(wakePipe[0], bytes, sizeof bytes) > 0) any = true;
    if (!any) return;
    // A second signal while the program is ending asks for nothing more.
    if (ending_) return;
    ending_ = true;
    EndDialogs();
    if (onSignal_) onSignal_();
}

void TTerminationSignals::EndDialogs() {
    // Every dialog up now goes as by its close box, the innermost first; any
    // that comes up later (a notice at the end of a stopped command) goes as
    // soon as it is shown.
    qApp->installEventFilter(this);
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (auto *dialog = qobject_cast<QDialog *>(*it); dialog && dialog->isVisible()) dialog->reject();
}

bool TTerminationSignals::eventFilter(QObject *object, QEvent *event) {
    if (event->type() == QEvent::Show)
        if (auto *dialog = qobject_cast<QDialog *>(object); dialog && dialog->isWindow())
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
    return false;
}
