#pragma once
// --max-rate: after each committed batch the purge waits until the orders
// deleted so far, at the rate asked, would have taken as long as the run
// has; so the average over the run never goes above it, whatever the size
// of a batch.
#include <chrono>
#include <cstdint>

#include "workflow/DeleteOrders.h"

namespace batchdel {

class RatePause {
public:
    // The slowest rate honoured: one order in about 17 minutes. A slower one
    // would pause for longer than a scheduled run can sensibly last, and at
    // the extreme (1e-300) the pause does not fit a clock at all.
    static constexpr double kSlowestRate = 0.001;
    // No single pause is longer, whatever the batch (a bound the clock holds).
    static constexpr std::chrono::seconds kLongestPause{24 * 3600};

    explicit RatePause(double ordersPerSecond) : rate_(ordersPerSecond), start_(std::chrono::steady_clock::now()) {}
    void Restart() { start_ = std::chrono::steady_clock::now(); }
    // Waits (waking early on a stop request) for `deleted` orders' time.
    void After(int64_t deleted) const;
    // Batches that let the pauses come often: a round trip of about a fifth
    // of a second's orders, committed on its own.
    static DeletionSettings Settings(double ordersPerSecond);

private:
    const double rate_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace batchdel
