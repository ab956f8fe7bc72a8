#include "purge/BackupAging.h"

#include <algorithm>
#include <filesystem>

#include "orders/BackupFileNames.h"
#include "orders/CommandDays.h"

namespace batchdel {

AgedBackups RemoveBackupsBefore(const std::string &folder, int32_t before, const std::string &keep) {
    namespace fs = std::filesystem;
    // Timestamps are YYYYMMDDhhmmss, so text order is time order.
    const std::string first = CommandDayText(before, "") + "000000";
    std::vector<std::pair<std::string, std::string>> old;  // time, path
    std::error_code error;
    for (fs::directory_iterator entry(folder + "cds", error), end; !error && entry != end; entry.increment(error)) {
        const std::string path = entry->path().string();
        std::string time = HeaderFileTime(path);
        if (time.empty()) time = DetailFileTime(path);
        if (time.empty() || time >= first || time == keep || !entry->is_regular_file()) continue;
        old.emplace_back(time, path);
    }
    // Oldest first; of one time the header (ORDER_MASTER_) before the detail.
    std::sort(old.begin(), old.end());
    AgedBackups aged;
    for (const auto &[time, path] : old) {
        std::error_code failure;
        if (fs::remove(path, failure))
            aged.removed.push_back(path);
        else if (failure)
            aged.failed.push_back(path + ": " + failure.message());
    }
    return aged;
}

}  // namespace batchdel
