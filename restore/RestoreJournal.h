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

struct BackupOrder;

class RestoreJournal {
public:
    // A journal that does not exist is left alone: Append then does nothing.
    RestoreJournal(std::string path, std::string backupPair, std::string database, std::string user);
    bool Active() const { return active_; }
    // Appends and syncs the lines, whole or not at all; raises EFCreateError
    // when they cannot be written.
    void Append(const std::vector<const BackupOrder *> &orders, const std::tm &committedAt) const;

private:
    std::string path_, backup_, database_, user_;
    bool active_ = false;
};
