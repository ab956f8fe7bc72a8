#pragma once
// The order list read from a real embedded database, wired as the order
// window wires it: connection, SQL data set, provider, client result set and
// data source. The database (30 demo orders) is made once per test program.
#include <string>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/sql/DataSetProvider.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"

namespace gridtest {

// The program's list query without a filter, in order-number order.
std::string OrderListQuery();
inline constexpr int kDatabaseOrders = 30;

class DatabaseOrderList {
public:
    DatabaseOrderList();
    ~DatabaseOrderList();

    // Runs the query into the client result set (closing it first).
    void List(const std::string &query = OrderListQuery());

    TSQLConnection SQLConnection1{"SQLConnection1"};
    TSQLDataSet SQLDataSet1{"SQLDataSet1"};
    TDataSetProvider DataSetProvider1{"DataSetProvider1"};
    TClientDataSet set{"ClientDataSet1"};
    TDataSource source{"DataSource1"};
};

}  // namespace gridtest
