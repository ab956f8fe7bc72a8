#include "orders/ConnectionCopy.h"

#include "data/sql/SQLConnection.h"

namespace batchdel {

std::unique_ptr<TSQLConnection> ConnectionLike(const TSQLConnection &connection) {
    auto copy = std::make_unique<TSQLConnection>(connection.Name() + "Beside");
    copy->DriverName = connection.DriverName;
    copy->LibraryName = connection.LibraryName;
    copy->VendorLib = connection.VendorLib;
    copy->GetDriverFunc = connection.GetDriverFunc;
    copy->Params = connection.Params;
    copy->LoadParamsOnConnect = false;
    copy->LoginPrompt = false;
    copy->SQLHourGlass = false;
    return copy;
}

}  // namespace batchdel
