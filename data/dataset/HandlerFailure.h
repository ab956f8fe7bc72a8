#pragma once
// Commands started by the operator (a button, a key, a mouse click) catch
// their failure where they start and hand it here, so that no failure ever
// travels through Qt's signal or event dispatch. The application installs
// its error report as the reporter; the silent abort is never reported.
#include <exception>
#include <functional>

using FailureReporter = std::function<void(const std::exception &failure)>;

// Installs the reporter (an empty one restores the default, which writes the
// message to standard error). Returns the one installed before.
FailureReporter SetFailureReporter(FailureReporter reporter);

// Reports the failure being handled; call it only inside a catch block.
void ReportCurrentFailure() noexcept;

// Runs one handler's work and reports whatever it raises.
template <class Work>
void RunHandler(Work &&work) noexcept {
    try {
        work();
    } catch (...) {
        ReportCurrentFailure();
    }
}
