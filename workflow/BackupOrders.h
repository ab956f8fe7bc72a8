#pragma once
// "資料備份": saves the orders that match the filter boxes, headers and detail
// lines, to two files in cds/ of the data folder (OrderDataFolder), checks
// that both files read back as written, then shows the completion notice.
//
// Both files are read in one read-only snapshot of the database, so they
// agree with each other whatever other users change meanwhile. The detail
// lines are looked up by the index on ORDER_SUB.MASTERBILLID for the order
// numbers of the header rows; a table without such an index is read with
// the subquery text instead.
//
// Every failure ends the command at its step and goes on to the caller: a
// missing cds folder, a rejected query, a failed write, a file that does not
// read back (EBackupNotReadBack, an EFCreateError). Cancelled through the
// progress, it raises the silent EAbort. A failed or cancelled backup removes
// the files it made, and never touches another: the pair is created
// exclusively, a second later when the names of `now` are taken
// (orders/BackupPairFiles).
#include <ctime>
#include <string>
#include <unordered_map>

#include "workflow/FilterCriteria.h"

class TSQLConnection;
class TClientDataSet;

namespace batchdel {

class OrderWindow;
class WorkProgress;

// What a finished backup wrote. The deletion keeps a ticked order only when
// the backup holds it, so this is the record of what is safe to delete.
struct BackupResult {
    std::string headerFile;  // <folder>cds/ORDER_MASTER_<timestamp>.CDS
    std::string detailFile;  // <folder>cds/ORDER_SUB<timestamp>.CDS
    // Every order number of the header file, with the number of its lines in
    // the detail file (0 for an order without lines).
    std::unordered_map<std::string, int> detailLines;
    // Rows in each file.
    int headerRows = 0;
    int detailRows = 0;

    bool Holds(const std::string &orderNumber) const { return detailLines.contains(orderNumber); }
    // The order's line count in the detail file, -1 when the backup lacks it.
    int DetailLinesOf(const std::string &orderNumber) const;
};

// The backup without a window: the orders the six filter texts select, into
// <folder>cds/ (folder ends in "/"), the files named by now or the first
// free second after it; set is the
// scratch data set the header rows are read into. Shows nothing.
// progress may be null: nothing is shown and nothing asks to stop.
BackupResult BackupOrders(TSQLConnection &connection, TClientDataSet &set, const FilterCriteria &filter,
                          const std::string &folder, const std::tm &now, WorkProgress *progress);
// The window's command: the above with the window's connection, boxes and
// folder, then the completion notice. The backups are there for deleting
// the orders afterwards: a user the server would not let delete them gets
// the server's words before anything is written, unless the caller has
// asked the server already (DeleteTickedOrders, before its questions).
enum class RightToDelete { CheckFirst, AlreadyChecked };
BackupResult BackupOrders(OrderWindow &window, WorkProgress *progress = nullptr,
                          RightToDelete right = RightToDelete::CheckFirst);

}  // namespace batchdel
