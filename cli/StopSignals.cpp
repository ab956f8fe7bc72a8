#include "cli/StopSignals.h"

#include <pthread.h>

#include <atomic>
#include <csignal>
#include <thread>

namespace batchdel {

namespace {

std::atomic<bool> stopRequested{false};

sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// The one thread that takes the signals. No handler runs anywhere, so no
// thread of the database engine ever has a wait or a read cut short by one.
void WaitForSignals(sigset_t set) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) return;
    stopRequested = true;
    // A second one of the same kind ends the program as the signal would.
    sigset_t second;
    sigemptyset(&second);
    sigaddset(&second, signal);
    sigwait(&second, &signal);
    std::signal(signal, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &second, nullptr);
    raise(signal);
}

}  // namespace

void InstallStopSignals() {
    // Blocked before any other thread starts, so every thread made later
    // (the database library's among them) inherits the mask, and the
    // library's own handlers for these signals never run.
    const sigset_t set = StopSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(WaitForSignals, set).detach();
}

bool StopRequested() { return stopRequested; }

void SleepUnlessStopped(std::chrono::steady_clock::duration duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    constexpr auto kSlice = std::chrono::milliseconds(50);
    while (!StopRequested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(until - now, kSlice));
    }
}

}  // namespace batchdel
