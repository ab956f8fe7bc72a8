#include "ComputedColumns.h"

#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "TableEngine.h"

std::set<std::string> ComputedColumns(TSQLConnection &connection, const std::string &table) {
    TSQLDataSet columns("ComputedColumns");
    columns.SetSQLConnection(&connection);
    columns.SetCommandText(
        "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF"
        " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
        " WHERE RF.RDB$RELATION_NAME = :TABLE_NAME AND F.RDB$COMPUTED_BLR IS NOT NULL");
    columns.Params()[0].SetString(table);
    columns.Open();
    TableEngine names(columns.Columns());
    try {
        columns.FetchAllInto(names);
    } catch (...) {
        columns.Close();
        throw;
    }
    columns.Close();
    std::set<std::string> computed;
    for (int row = 0; row < names.RecordCount(); ++row) computed.emplace(names.Text(row, 0));
    return computed;
}
