#pragma once
// Restored orders in the deletion journal (cds/deletions.log in the data
// folder, beside the backups), when there is one: the journal's tab-separated
// columns, one line per order once its batch is committed. A restore line
// tells itself from a deletion line by its line count, written with a "+"
// ("+12": twelve lines put back), and by its backup column, "restored from
// <header file> <detail file>".
#include <ctime>
#include <string>
#include <vector>

#include "data/dataset/Errors.h"

namespace batchdel {

struct BackupOrder;

// The journal could not be written: its path and the system's words, for
// each program to say in its own what is restored and journalled.
class ERestoreJournalFailed : public EFCreateError {
public:
    ERestoreJournalFailed(std::string path, std::string reason);
    const std::string &Path() const { return path_; }
    const std::string &Reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

class RestoreJournal {
public:
    // A journal that does not exist is left alone: Append then does nothing.
    RestoreJournal(std::string path, std::string backupPair, std::string database, std::string user);
    bool Active() const { return active_; }
    const std::string &Path() const { return path_; }
    // Appends and syncs the lines, whole or not at all; raises
    // ERestoreJournalFailed when they cannot be written.
    void Append(const std::vector<const BackupOrder *> &orders, const std::tm &committedAt) const;

private:
    std::string path_, backup_, database_, user_;
    bool active_ = false;
};

}  // namespace batchdel
