#pragma once
// "資料備份": saves the orders that match the filter boxes, headers and detail
// lines, to two files in the folder cds beside the program, then shows the
// completion notice. Every failure ends the command at its step and goes on
// to the caller: a missing cds folder, a rejected query, a failed write.
#include <string>
#include <unordered_map>

class OrderWindow;

// What a finished backup wrote. The deletion keeps a ticked order only when
// the backup holds it, so this is the record of what is safe to delete.
struct BackupResult {
    std::string headerFile;  // <folder>cds/ORDER_MASTER_<timestamp>.CDS
    std::string detailFile;  // <folder>cds/ORDER_SUB<timestamp>.CDS
    // Every order number of the header file, with the number of its lines in
    // the detail file (0 for an order without lines).
    std::unordered_map<std::string, int> detailLines;

    bool Holds(const std::string &orderNumber) const { return detailLines.contains(orderNumber); }
    // The order's line count in the detail file, -1 when the backup lacks it.
    int DetailLinesOf(const std::string &orderNumber) const;
};

BackupResult BackupOrders(OrderWindow &window);
