#pragma once
// The check of a backup pair on disk: both files are read back (which checks
// each packet's checksum, length and format version) and must hold what the
// backup says it wrote: the same number of rows, the same order numbers and,
// per order, the same number of detail lines. A file that does not read
// back, or holds something else, raises EFCreateError naming the file:
//   "Backup file \"%s\" cannot be read back. %s"
//   "Backup file \"%s\" does not hold what was written: %s"

namespace batchdel {

struct BackupResult;

void CheckBackupReadsBack(const BackupResult &result);

}  // namespace batchdel
