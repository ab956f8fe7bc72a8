#pragma once
// The data components of the order window, made and wired in one place: the
// window, its headless stand-in of the tests and the benchmarks all use this
// module, so they run the wiring the program has.
//
//   SQLConnection1   the database, by the named connection "Trelvo"
//   SQLDataSet1 -> DataSetProvider1 -> ClientDataSet1 -> DataSource1
//                    the order list (the grid shows DataSource1)
//   SQLQuery1        the deletion statements
//   SQLDataSet2 -> DataSetProvider2 -> ClientDataSet2
//                    the backup's result set
//
// The members are declared in the order they are made; they go in the
// reverse order, so the connection outlives everything that uses it and a
// result set closes before its provider goes.
#include <string>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/sql/DataSetProvider.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "orders/ConnectionFileCheck.h"

namespace batchdel {

// Where the connection reads its settings; empty: the usual files.
struct OrderDataSetup {
    std::string connectionFile;
    std::string driverFile;
};

class OrderDataModule {
public:
    // Makes and wires the components and opens the connection; a failure to
    // connect leaves the constructor (and takes the components with it).
    explicit OrderDataModule(const OrderDataSetup &setup = {});
    ~OrderDataModule();
    OrderDataModule(const OrderDataModule &) = delete;
    OrderDataModule &operator=(const OrderDataModule &) = delete;

    // What the connection file's mode gives to say, once (empty if nothing);
    // a file that must not be used has left the constructor already.
    ConnectionFileWarning ConnectionWarning;

    TSQLConnection SQLConnection1{"SQLConnection1"};
    TSQLDataSet SQLDataSet1{"SQLDataSet1"};
    TDataSetProvider DataSetProvider1{"DataSetProvider1"};
    TClientDataSet ClientDataSet1{"ClientDataSet1"};
    TDataSource DataSource1{"DataSource1"};
    TSQLQuery SQLQuery1{"SQLQuery1"};
    TSQLDataSet SQLDataSet2{"SQLDataSet2"};
    TDataSetProvider DataSetProvider2{"DataSetProvider2"};
    TClientDataSet ClientDataSet2{"ClientDataSet2"};

private:
    TDataSetProvider *FindProvider(const std::string &name);
    void CloseResultSets();
};

}  // namespace batchdel
