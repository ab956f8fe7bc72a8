#include "data/dataset/HandlerFailure.h"

#include <cstdio>
#include <utility>

#include "data/dataset/Errors.h"

namespace {

FailureReporter &InstalledReporter() {
    static FailureReporter reporter;
    return reporter;
}

void Report(const std::exception &failure) noexcept {
    try {
        if (const FailureReporter &reporter = InstalledReporter())
            reporter(failure);
        else
            std::fprintf(stderr, "%s\n", failure.what());
    } catch (...) {
        // A report that fails in turn (no memory for the box) has nowhere
        // left to go; the handler must still return normally.
    }
}

}  // namespace

FailureReporter SetFailureReporter(FailureReporter reporter) {
    return std::exchange(InstalledReporter(), std::move(reporter));
}

void ReportCurrentFailure() noexcept {
    try {
        throw;
    } catch (const EAbort &) {
        // The silent abort ends a handler without a word.
    } catch (const std::exception &failure) {
        Report(failure);
    } catch (...) {
        Report(Exception("Exception", "Unknown failure"));
    }
}
