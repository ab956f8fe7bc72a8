#include "purge/PurgeProgress.h"

#include <cstdio>

#include "cli/CommandHelp.h"
#include "purge/PurgeLog.h"
#include "purge/PurgeOptions.h"
#include "cli/StopSignals.h"

namespace batchdel {

namespace {
const std::string kName = MessagePrefix(kPurgeProgram);
}  // namespace

void PurgeProgress::StartDeletion(int64_t total) {
    deleting_ = true;
    total_ = total;
    start_ = Clock::now();
}

void PurgeProgress::EndLine() {
    if (lineShown_) err_ << "\n" << std::flush;
    lineShown_ = false;
}

void PurgeProgress::Advance(int64_t done) {
    if (log_ && deleting_) log_->Progress(done, total_);
    if (!showLine_ || !deleting_) return;
    const auto now = Clock::now();
    // A terminal line rewritten a few times a second is enough to read.
    if (lineShown_ && now - lastShown_ < std::chrono::milliseconds(250) && done < total_) return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char line[160];
    // The first round trips come before any pause of --max-rate; a rate
    // over less than a second says little.
    if (seconds >= 1 && rate > 0) {
        const auto left = static_cast<int64_t>(static_cast<double>(total_ - done) / rate + 0.5);
        std::snprintf(line, sizeof line, "\r%s%lld of %lld orders, %.0f orders/s, %lld:%02lld:%02lld left ",
                      kName.c_str(), static_cast<long long>(done), static_cast<long long>(total_), rate,
                      static_cast<long long>(left / 3600), static_cast<long long>(left / 60 % 60),
                      static_cast<long long>(left % 60));
    } else {
        std::snprintf(line, sizeof line, "\r%s%lld of %lld orders ", kName.c_str(), static_cast<long long>(done),
                      static_cast<long long>(total_));
    }
    err_ << line << std::flush;
    lineShown_ = true;
}

bool PurgeProgress::CancelRequested() { return StopRequested(); }

}  // namespace batchdel
