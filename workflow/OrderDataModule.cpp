#include "workflow/OrderDataModule.h"

#include "orders/OrderConnection.h"
#include "workflow/QueryText.h"

namespace batchdel {

OrderDataModule::OrderDataModule(const OrderDataSetup &setup) {
    TSQLConnection &connection = SQLConnection1;
    connection.BeginLoading();
    // The stored parameters; the named connection's section replaces them
    // at every connect, so they never reach the driver.
    connection.Params = {"DriverName=Interbase",
                         "Database=127.0.0.1:C:\\Trelvo\\Data\\2E\\POSDATA.GDB",
                         "RoleName=RoleName",
                         "User_Name=SYSDBA",
                         "Password=tornquale",
                         "ServerCharSet=",
                         "SQLDialect=3",
                         "BlobSize=-1",
                         "CommitRetain=False",
                         "WaitOnLocks=True",
                         "ErrorResourceFile=",
                         "LocaleCode=0000",
                         "Interbase TransIsolation=ReadCommited",
                         "Trim Char=False"};
    ConnectionWarning = SetUpOrderConnection(connection, setup.connectionFile, setup.driverFile);
    connection.SetConnected(true);  // carried out when loading ends

    const auto resolver = [this](const std::string &name) { return FindProvider(name); };

    SQLDataSet1.SetSQLConnection(&connection);
    SQLDataSet1.MaxBlobSize = -1;
    SQLDataSet1.SetCommandText(std::string(kListQueryText));

    DataSetProvider1.SetDataSet(&SQLDataSet1);
    DataSetProvider1.Options = poAllowCommandText;

    ClientDataSet1.SetProviderName("DataSetProvider1");
    ClientDataSet1.SetProviderResolver(resolver);

    DataSource1.SetDataSet(&ClientDataSet1);

    SQLQuery1.SetSQLConnection(&connection);
    SQLQuery1.MaxBlobSize = -1;

    SQLDataSet2.SetSQLConnection(&connection);
    SQLDataSet2.MaxBlobSize = -1;

    DataSetProvider2.SetDataSet(&SQLDataSet2);
    DataSetProvider2.Options = poAllowCommandText;

    ClientDataSet2.SetProviderName("DataSetProvider2");
    ClientDataSet2.SetProviderResolver(resolver);

    // Loading has finished: the connection opens now.
    connection.EndLoading();
}

OrderDataModule::~OrderDataModule() { CloseResultSets(); }

void OrderDataModule::CloseResultSets() {
    // The result sets close while their providers and SQL data sets are
    // still there to be reset.
    ClientDataSet1.Close();
    ClientDataSet2.Close();
}

TDataSetProvider *OrderDataModule::FindProvider(const std::string &name) {
    for (TDataSetProvider *provider : {&DataSetProvider1, &DataSetProvider2})
        if (provider->Name() == name) return provider;
    return nullptr;
}

}  // namespace batchdel
