#include "TerminationSignals.h"

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

// Runs in the signal's context: only write(2), which is safe there.
void OnSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = write(wakePipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal, QObject *parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (wakePipe[0] >= 0) throw std::logic_error("the termination signals are already taken");
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot make the signal pipe");
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous[i]);
    // A process started with these signals blocked (the mask is inherited
    // through exec) would hold them pending forever; this thread takes them.
    sigset_t taken;
    sigemptyset(&taken);
    for (const int signal : kSignals) sigaddset(&taken, signal);
    pthread_sigmask(SIG_UNBLOCK, &taken, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    close(wakePipe[0]);
    close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

void TTerminationSignals::Drain() {
    char bytes[16];
    bool any = false;
    while (read(wakePipe[0], bytes, sizeof bytes) > 0) any = true;
    // A second signal while the window is closing asks for nothing more.
    if (any && onSignal_) onSignal_();
}
