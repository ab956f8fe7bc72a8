#pragma once
// Names of the two backup files of one backup.
#include <ctime>
#include <string>

namespace batchdel {

// Year, month, day, hour (24-hour clock), minute, second: 14 zero-padded digits.
std::string BackupTimestamp(const std::tm &local);

// <folder>cds/ORDER_MASTER_<timestamp>.CDS; folder ends in "/".
std::string HeaderBackupPath(const std::string &folder, const std::string &timestamp);
// <folder>cds/ORDER_SUB<timestamp>.CDS (no underscore before the timestamp).
std::string DetailBackupPath(const std::string &folder, const std::string &timestamp);

// The timestamp in a header (ORDER_MASTER_<timestamp>.CDS) or detail
// (ORDER_SUB<timestamp>.CDS) file's name, any folder; empty when the name is
// not of that form.
std::string HeaderFileTime(const std::string &path);
std::string DetailFileTime(const std::string &path);

}  // namespace batchdel
