#include "purge/PurgeLog.h"

#include <cstdio>
#include <ctime>

#include "cli/CommandHelp.h"
#include "purge/PurgeOptions.h"

namespace batchdel {

std::string LogTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

void PurgeLog::Start(const std::string &text) {
    start_ = last_ = std::chrono::steady_clock::now();
    if (enabled_) err_ << MessagePrefix(kPurgeProgram) << started_ << " start: " << text << "\n" << std::flush;
}

void PurgeLog::Progress(int64_t done, int64_t total) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    char rate[40];
    std::snprintf(rate, sizeof rate, "%.1f", seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
    err_ << MessagePrefix(kPurgeProgram) << LogTime() << " progress: " << done << " of " << total << " orders done, "
         << rate << " orders/s\n"
         << std::flush;
}

void PurgeLog::End(const std::string &text) {
    if (enabled_)
        err_ << MessagePrefix(kPurgeProgram) << LogTime() << " end: started " << started_ << "; " << text << "\n";
}

std::string JsonString(const std::string &text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

}  // namespace batchdel
