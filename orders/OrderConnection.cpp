#include "orders/OrderConnection.h"

#include "data/sql/SQLConnection.h"

namespace batchdel {

ConnectionFileWarning SetUpOrderConnection(TSQLConnection &connection, const std::string &connectionFile,
                                           const std::string &driverFile) {
    connection.ConnectionName = "Trelvo";
    connection.DriverName = "Interbase";
    connection.GetDriverFunc = "getIBDriver";
    connection.LibraryName = "libibdriver.so";
    connection.VendorLib = "libfbclient.so.2";
    connection.LoadParamsOnConnect = true;
    connection.LoginPrompt = false;
    if (!connectionFile.empty()) connection.SetConnectionFile(connectionFile);
    if (!driverFile.empty()) connection.SetDriverFile(driverFile);
    return CheckConnectionFile(connection.ConnectionFile());
}

}  // namespace batchdel
