#pragma once
// What the purge shows while it deletes: on a terminal, one line on standard
// error rewritten in place (orders done of those selected, the rate, the
// time left); elsewhere nothing. It answers the deletion's question whether
// to stop with whether SIGINT or SIGTERM arrived.
#include <chrono>
#include <cstdint>
#include <ostream>

#include "workflow/WorkProgress.h"

namespace batchdel {

class PurgeProgress : public WorkProgress {
public:
    // showLine: whether standard error is a terminal.
    // log: the scheduler's progress lines, or null.
    PurgeProgress(std::ostream &err, bool showLine, class PurgeLog *log = nullptr)
        : err_(err), showLine_(showLine), log_(log) {}
    ~PurgeProgress() override { EndLine(); }
    PurgeProgress(const PurgeProgress &) = delete;
    PurgeProgress &operator=(const PurgeProgress &) = delete;

    // Shows the line from now on, of `total` orders; the backup before it
    // reports stages of its own, which are not shown.
    void StartDeletion(int64_t total);
    // Ends the line, so that what follows starts on a line of its own.
    void EndLine();

    void Stage(WorkStage, int64_t) override {}
    void Advance(int64_t done) override;
    bool CancelRequested() override;

private:
    using Clock = std::chrono::steady_clock;
    std::ostream &err_;
    const bool showLine_;
    class PurgeLog *const log_;
    bool deleting_ = false;
    bool lineShown_ = false;
    int64_t total_ = 0;
    Clock::time_point start_{};
    Clock::time_point lastShown_{};
};

}  // namespace batchdel
