#include "orders/BackupFileNames.h"

#include <cstdio>
#include <filesystem>

namespace batchdel {

namespace {

constexpr const char *kHeaderPrefix = "ORDER_MASTER_";
constexpr const char *kDetailPrefix = "ORDER_SUB";
constexpr const char *kSuffix = ".CDS";

std::string TimeInName(const std::string &path, const std::string &prefix) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::string suffix = kSuffix;
    if (name.size() != prefix.size() + 14 + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return {};
    const std::string time = name.substr(prefix.size(), 14);
    for (char c : time)
        if (c < '0' || c > '9') return {};
    return time;
}

}  // namespace

std::string BackupTimestamp(const std::tm &local) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string HeaderBackupPath(const std::string &folder, const std::string &timestamp) {
    return folder + "cds/" + kHeaderPrefix + timestamp + kSuffix;
}

std::string DetailBackupPath(const std::string &folder, const std::string &timestamp) {
    return folder + "cds/" + kDetailPrefix + timestamp + kSuffix;
}

std::string HeaderFileTime(const std::string &path) { return TimeInName(path, kHeaderPrefix); }
std::string DetailFileTime(const std::string &path) { return TimeInName(path, kDetailPrefix); }

}  // namespace batchdel
