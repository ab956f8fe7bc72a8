#include "BackupFileNames.h"

#include <cstdio>

std::string BackupTimestamp(const std::tm &local) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string HeaderBackupPath(const std::string &folder, const std::string &timestamp) {
    return folder + "cds/ORDER_MASTER_" + timestamp + ".CDS";
}

std::string DetailBackupPath(const std::string &folder, const std::string &timestamp) {
    return folder + "cds/ORDER_SUB" + timestamp + ".CDS";
}
