#include "StopSignals.h"

#include <csignal>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void NoteStop(int signal) {
    stopRequested = 1;
    // The next one of this kind is not caught.
    std::signal(signal, SIG_DFL);
}

}  // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    // The database client's own reads and writes go on undisturbed.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

void SleepUnlessStopped(std::chrono::steady_clock::duration duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    constexpr auto kSlice = std::chrono::milliseconds(50);
    while (!StopRequested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(until - now, kSlice));
    }
}
