#pragma once
// Names of the two backup files of one backup.
#include <ctime>
#include <string>

// Year, month, day, hour (24-hour clock), minute, second: 14 zero-padded digits.
std::string BackupTimestamp(const std::tm &local);

// <folder>cds/ORDER_MASTER_<timestamp>.CDS; folder ends in "/".
std::string HeaderBackupPath(const std::string &folder, const std::string &timestamp);
// <folder>cds/ORDER_SUB<timestamp>.CDS (no underscore before the timestamp).
std::string DetailBackupPath(const std::string &folder, const std::string &timestamp);
