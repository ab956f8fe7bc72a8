#pragma once
// The lines a scheduler keeps, on standard error when it is no terminal: a
// start line (time, database, selection, cut-off day), a progress line every
// few seconds while deleting, and an end line (start and end times, counts,
// rate, backup pair, journal, exit status). Each begins "batchdel-purge: "
// and the local time, ISO 8601 with its offset, then "start:", "progress:"
// or "end:".
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace batchdel {

// The local time now as 2026-12-11T03:00:00+0100.
std::string LogTime();

class PurgeLog {
public:
    // enabled: standard error is no terminal. interval: between progress lines.
    PurgeLog(std::ostream &err, bool enabled, std::chrono::seconds interval)
        : err_(err), enabled_(enabled), interval_(interval), started_(LogTime()) {}

    const std::string &Started() const { return started_; }
    void Start(const std::string &text);
    // A progress line when the interval has passed since the last one.
    void Progress(int64_t done, int64_t total);
    void End(const std::string &text);

private:
    std::ostream &err_;
    const bool enabled_;
    const std::chrono::seconds interval_;
    const std::string started_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// A text as a JSON string, quotes included.
std::string JsonString(const std::string &text);

}  // namespace batchdel
