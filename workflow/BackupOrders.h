#pragma once
// "資料備份": saves the orders that match the filter boxes, headers and detail
// lines, to two files in the folder cds beside the program, then shows the
// completion notice. Every failure ends the command at its step and goes on
// to the caller: a missing cds folder, a rejected query, a failed write.
#include <string>

class OrderWindow;

struct BackupFiles {
    std::string headerFile;  // <folder>cds/ORDER_MASTER_<timestamp>.CDS
    std::string detailFile;  // <folder>cds/ORDER_SUB<timestamp>.CDS
};

BackupFiles BackupOrders(OrderWindow &window);
