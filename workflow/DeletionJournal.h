#pragma once
// The deletion journal, cds/deletions.log beside the backups: one line per
// deleted order, appended after the batch that deleted it is committed, so a
// line is never written for an order that is still in the database. Plain
// UTF-8 text, tab-separated, with a header line when the file is new, so a
// spreadsheet opens it. The file is only ever appended to.
//
// A line: local time of the commit, order number, detail lines deleted, the
// backup file pair the order was backed up to ("none" without a backup), the
// database and the login user.
#include <ctime>
#include <string>
#include <vector>

#include "OrderDeletion.h"
#include "OrderJournal.h"

class DeletionJournal {
public:
    static constexpr const char *kHeaderLine = kJournalHeaderLine;

    // backup: the backup pair's file names, or empty for none.
    DeletionJournal(std::string path, std::string backup, std::string database, std::string user);

    const std::string &Path() const { return path_; }
    // Makes sure the journal can be written before anything is deleted:
    // creates it with its header line when it is new.
    void Open() const;
    // Appends the orders of one committed batch and syncs them to the disk.
    // On failure (the folder gone, the disk full) nothing of them stays in
    // the file and EFCreateError is raised.
    void Append(const std::vector<DeletedOrder> &orders, const std::tm &committedAt) const;

private:
    void Write(const std::string &lines) const;
    std::string path_;
    std::string backup_;
    std::string database_;
    std::string user_;
};

// <program folder>cds/deletions.log
std::string DeletionJournalPath(const std::string &programFolder);
