#pragma once
// The connection every command of the program opens: the named connection
// "Trelvo" of connections.ini, through the Interbase driver of drivers.ini,
// its parameters read from the file at every connect, no login dialog.
#include <string>

#include "orders/ConnectionFileCheck.h"

class TSQLConnection;

namespace batchdel {

// Sets the connection up without opening it. An empty file name keeps the
// default place of that file (beside the program). The connection file is
// checked first (ConnectionFileCheck.h): a file that must not or cannot be
// used raises EConnectionFileRefused; the warning to show once is returned
// (empty if none).
ConnectionFileWarning SetUpOrderConnection(TSQLConnection &connection, const std::string &connectionFile = {},
                                           const std::string &driverFile = {});

}  // namespace batchdel
