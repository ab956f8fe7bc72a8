#include "tests/grid/OrderListDatabase.h"

#include "orders/OrderConnection.h"
#include "tests/support/TestSupport.h"

using namespace batchdel;

namespace gridtest {

namespace {
struct Files {
    TempDir dir;
    std::string database;
    Files() : database(MakeTestDatabase(dir, kDatabaseOrders)) { WriteConfigFiles(dir.path(), database); }
};

Files &TheFiles() {
    static Files files;
    return files;
}
}  // namespace

std::string OrderListQuery() {
    return "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN FROM ORDER_MASTER "
           "ORDER BY MASTERBILLID\r\n";
}

DatabaseOrderList::DatabaseOrderList() {
    const std::string folder = TheFiles().dir.path() + "/";
    SetUpOrderConnection(SQLConnection1, folder + "connections.ini", folder + "drivers.ini");
    SQLDataSet1.SetSQLConnection(&SQLConnection1);
    DataSetProvider1.SetDataSet(&SQLDataSet1);
    DataSetProvider1.Options = poAllowCommandText;
    set.SetProviderName("DataSetProvider1");
    set.SetProviderResolver([this](const std::string &name) -> TDataSetProvider * {
        return name == DataSetProvider1.Name() ? &DataSetProvider1 : nullptr;
    });
    source.SetDataSet(&set);
    SQLConnection1.Open();
}

DatabaseOrderList::~DatabaseOrderList() { set.Close(); }

void DatabaseOrderList::List(const std::string &query) {
    set.Close();
    set.SetCommandText(query);
    set.Open();
}

}  // namespace gridtest
