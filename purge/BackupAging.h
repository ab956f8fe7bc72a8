#pragma once
// --keep-backups AGE: after a run that deleted everything it took, the
// backup files in cds/ made before the cut-off day go, both files of a pair
// together; the pair this run wrote never does, and the journal keeps its
// lines of the orders they held.
#include <cstdint>
#include <string>
#include <vector>

namespace batchdel {

struct AgedBackups {
    std::vector<std::string> removed;  // paths, header before detail, oldest first
    std::vector<std::string> failed;   // "path: the system's words"
};

// The files <folder>cds/ORDER_MASTER_<time>.CDS and ORDER_SUB<time>.CDS whose
// time is before the day `before` (a database day count), except those of
// the timestamp `keep` (this run's; may be empty).
AgedBackups RemoveBackupsBefore(const std::string &folder, int32_t before, const std::string &keep);

}  // namespace batchdel
