#include "FetchedRows.h"

#include "SQLDataSet.h"
#include "TableEngine.h"

std::unique_ptr<TableEngine> FetchedRows(TSQLDataSet &set) {
    set.Open();
    try {
        auto rows = std::make_unique<TableEngine>(set.Columns());
        set.FetchAllInto(*rows);
        set.Close();
        return rows;
    } catch (...) {
        set.Close();
        throw;
    }
}
