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
#include <optional>
#include <string>
#include <vector>

#include "data/dataset/Errors.h"
#include "orders/OrderJournal.h"
#include "workflow/OrderDeletion.h"

namespace batchdel {

// The journal could not be written: its path and the system's words. When
// the failure stopped a deletion, also what that deletion had done, so each
// program can say in its own words exactly what is deleted and journalled.
// Message() is only the system's words about the file.
class EJournalFailed : public EFCreateError {
public:
    EJournalFailed(std::string path, std::string reason);

    struct Stop {
        int deleted = 0;                        // orders committed, the unjournalled batch among them
        int notDeleted = 0;                     // orders given that were not deleted
        std::vector<std::string> unjournalled;  // the committed batch the journal lacks
    };
    // The same failure, as it stopped a deletion.
    EJournalFailed(const EJournalFailed &failure, Stop stop);

    const std::string &Path() const { return path_; }
    const std::string &Reason() const { return reason_; }
    // Set when the failure came after orders were deleted.
    const std::optional<Stop> &Stopped() const { return stop_; }

private:
    std::string path_;
    std::string reason_;
    std::optional<Stop> stop_;
};

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
    // the file and EJournalFailed is raised.
    void Append(const std::vector<DeletedOrder> &orders, const std::tm &committedAt) const;

private:
    void Write(const std::string &lines) const;
    std::string path_;
    std::string backup_;
    std::string database_;
    std::string user_;
};

}  // namespace batchdel
