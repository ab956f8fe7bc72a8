#include "purge/RatePause.h"

#include <algorithm>
#include <cmath>

#include "cli/StopSignals.h"

namespace batchdel {

void RatePause::After(int64_t deleted) const {
    // Counted in seconds first: only a wait that fits the clock becomes one.
    const double due = static_cast<double>(deleted) / std::max(rate_, kSlowestRate);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double wait = std::min(due - elapsed, static_cast<double>(kLongestPause.count()));
    if (!(wait > 0)) return;
    SleepUnlessStopped(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(wait)));
}

DeletionSettings RatePause::Settings(double ordersPerSecond) {
    const double perRoundTrip = std::floor(ordersPerSecond / 5);
    DeletionSettings settings(
        std::chrono::steady_clock::duration::zero(),
        static_cast<int>(std::clamp(perRoundTrip, 1.0, static_cast<double>(OrderDeletion::kDefaultBlockSize))));
    return settings;
}

}  // namespace batchdel
