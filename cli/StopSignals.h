#pragma once
// SIGINT and SIGTERM ask a command (the purge, the restore) to stop after
// the round trip it is on: a thread of its own takes them and notes the
// request, and the walk over the orders asks for it between round trips. A
// second signal of the same kind ends the program at once, for an operator
// who will not wait; the server then rolls the open batch back, so every
// order is still whole or not there at all.
#include <chrono>

namespace batchdel {

// Called first thing in main, while the program has one thread.
void InstallStopSignals();
bool StopRequested();

// Sleeps for the duration, waking early when a stop is requested.
void SleepUnlessStopped(std::chrono::steady_clock::duration duration);

}  // namespace batchdel
