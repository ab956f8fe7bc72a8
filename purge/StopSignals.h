#pragma once
// SIGINT and SIGTERM ask the purge to stop after the batch it is on: the
// handler only notes the request, and the deletion asks for it between
// round trips. A second signal of the same kind ends the program at once,
// for an operator who will not wait; the server then rolls the open batch
// back, so every order is still whole or gone.
#include <chrono>

void InstallStopSignals();
bool StopRequested();

// Sleeps for the duration, waking early when a stop is requested.
void SleepUnlessStopped(std::chrono::steady_clock::duration duration);
