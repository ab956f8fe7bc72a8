#include "RatePause.h"

#include <algorithm>
#include <cmath>

#include "StopSignals.h"

void RatePause::After(int64_t deleted) const {
    const auto due = start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(static_cast<double>(deleted) / rate_));
    const auto now = std::chrono::steady_clock::now();
    if (due > now) SleepUnlessStopped(due - now);
}

DeletionSettings RatePause::Settings(double ordersPerSecond) {
    const double perRoundTrip = std::floor(ordersPerSecond / 5);
    DeletionSettings settings(
        std::chrono::steady_clock::duration::zero(),
        static_cast<int>(std::clamp(perRoundTrip, 1.0, static_cast<double>(OrderDeletion::kDefaultBlockSize))));
    return settings;
}
