#include "restore/RestoreLanes.h"

#include <algorithm>
#include <chrono>

namespace batchdel {

RestoreLanes::RestoreLanes(const std::vector<const BackupOrder *> &orders, BlockSize blockSize, int lanes)
    : orders_(orders), blockSize_(std::move(blockSize)), running_(lanes) {}

RestoreLanes::Batch RestoreLanes::NextBlock(bool &alone) {
    std::lock_guard guard(lock_);
    alone = false;
    if (stopping_ || abandoned_ || next_ >= orders_.size()) return {};
    size_t count = blockSize_(next_);
    alone = count == 0;
    count = std::min(std::max<size_t>(count, 1), orders_.size() - next_);
    Batch block(orders_.begin() + static_cast<std::ptrdiff_t>(next_),
                orders_.begin() + static_cast<std::ptrdiff_t>(next_ + count));
    next_ += count;
    return block;
}

bool RestoreLanes::TakeTurn() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return !turnTaken_ || abandoned_; });
    if (abandoned_) return false;
    turnTaken_ = true;
    return true;
}

void RestoreLanes::EndTurn(bool &holding) {
    if (!holding) return;
    holding = false;
    std::lock_guard guard(lock_);
    turnTaken_ = false;
    changed_.notify_all();
}

bool RestoreLanes::Committed(const Batch &batch) {
    std::unique_lock guard(lock_);
    posted_ = &batch;
    postedTold_ = false;
    changed_.notify_all();
    changed_.wait(guard, [&] { return postedTold_; });
    posted_ = nullptr;
    turnTaken_ = false;
    changed_.notify_all();
    return !abandoned_;
}

void RestoreLanes::Stop(std::exception_ptr failure) {
    std::lock_guard guard(lock_);
    stopping_ = true;
    if (failure && !failure_) failure_ = failure;
    changed_.notify_all();
}

void RestoreLanes::Abandon(std::exception_ptr failure) {
    std::lock_guard guard(lock_);
    stopping_ = true;
    abandoned_ = true;
    if (failure && !failure_) failure_ = failure;
    changed_.notify_all();
}

bool RestoreLanes::Stopping() const {
    std::lock_guard guard(lock_);
    return stopping_ || abandoned_;
}

bool RestoreLanes::Abandoned() const {
    std::lock_guard guard(lock_);
    return abandoned_;
}

void RestoreLanes::LaneEnded() {
    std::lock_guard guard(lock_);
    --running_;
    changed_.notify_all();
}

std::exception_ptr RestoreLanes::Failure() const {
    std::lock_guard guard(lock_);
    return failure_;
}

void RestoreLanes::Serve(const std::function<void(const Batch &)> &committed, const std::function<bool()> &stopWanted) {
    using namespace std::chrono_literals;
    std::unique_lock guard(lock_);
    for (;;) {
        // Cancel is asked often enough to stop the lanes within a round
        // trip of the link, and seldom enough to cost nothing.
        changed_.wait_for(guard, 10ms, [&] { return (posted_ && !postedTold_) || running_ == 0; });
        if (posted_ && !postedTold_) {
            const Batch &batch = *posted_;
            guard.unlock();
            std::exception_ptr failed;
            try {
                if (committed) committed(batch);
            } catch (...) {
                failed = std::current_exception();
            }
            guard.lock();
            if (failed) {
                abandoned_ = true;
                if (!failure_) failure_ = failed;
            }
            postedTold_ = true;
            changed_.notify_all();
        }
        if (running_ == 0 && !(posted_ && !postedTold_)) return;
        if (!stopping_ && stopWanted) {
            guard.unlock();
            const bool stop = stopWanted();
            guard.lock();
            if (stop) {
                stopping_ = true;
                changed_.notify_all();
            }
        }
    }
}

}  // namespace batchdel
