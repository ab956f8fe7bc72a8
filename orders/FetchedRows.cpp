#include "orders/FetchedRows.h"

#include "data/dataset/TableEngine.h"
#include "data/sql/DataSetProvider.h"
#include "data/sql/SQLDataSet.h"

namespace batchdel {

namespace {

// Opens the set, reads all its rows into the table `make` gives for the open
// set and closes it again, also when reading fails.
template <typename Make>
void ReadAllRows(TSQLDataSet &set, Make make) {
    set.Open();
    try {
        set.FetchAllInto(make());
    } catch (...) {
        set.Close();
        throw;
    }
    set.Close();
}

}  // namespace

std::unique_ptr<TableEngine> FetchedRows(TSQLDataSet &set) {
    std::unique_ptr<TableEngine> rows;
    ReadAllRows(set, [&]() -> TableEngine & { return *(rows = std::make_unique<TableEngine>(set.Columns())); });
    return rows;
}

void AppendPacketRows(TSQLDataSet &set, std::unique_ptr<TableEngine> &rows) {
    ReadAllRows(set, [&]() -> TableEngine & {
        if (!rows) rows = NewPacketTable(set);
        return *rows;
    });
}

}  // namespace batchdel
