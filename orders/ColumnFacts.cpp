#include "orders/ColumnFacts.h"

#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "orders/FetchedRows.h"

namespace batchdel {

namespace {

// The rows of a query of the system tables about one table's columns.
std::unique_ptr<TableEngine> ColumnRows(TSQLConnection &connection, const std::string &sql, const std::string &table) {
    TSQLDataSet columns("ColumnFacts");
    columns.SetSQLConnection(&connection);
    columns.SetCommandText(sql);
    columns.Params()[0].SetString(table);
    return FetchedRows(columns);
}

}  // namespace

std::set<std::string> ComputedColumns(TSQLConnection &connection, const std::string &table) {
    const auto rows = ColumnRows(connection,
                                 "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF"
                                 " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
                                 " WHERE RF.RDB$RELATION_NAME = :TABLE_NAME AND F.RDB$COMPUTED_BLR IS NOT NULL",
                                 table);
    std::set<std::string> computed;
    for (int row = 0; row < rows->RecordCount(); ++row) computed.emplace(rows->Text(row, 0));
    return computed;
}

std::map<std::string, ColumnCharacterSet> TextColumnCharacterSets(TSQLConnection &connection,
                                                                  const std::string &table) {
    // Field types 14 and 37: CHAR and VARCHAR. A column without a character
    // set of its own has the database's default.
    const auto rows =
        ColumnRows(connection,
                   "SELECT TRIM(RF.RDB$FIELD_NAME), TRIM(CS.RDB$CHARACTER_SET_NAME), CS.RDB$BYTES_PER_CHARACTER"
                   " FROM RDB$RELATION_FIELDS RF"
                   " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
                   " JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = COALESCE(F.RDB$CHARACTER_SET_ID,"
                   "  (SELECT D.RDB$CHARACTER_SET_ID FROM RDB$CHARACTER_SETS D JOIN RDB$DATABASE DB"
                   "   ON D.RDB$CHARACTER_SET_NAME = DB.RDB$CHARACTER_SET_NAME), 0)"
                   " WHERE RF.RDB$RELATION_NAME = :TABLE_NAME AND F.RDB$FIELD_TYPE IN (14, 37)",
                   table);
    std::map<std::string, ColumnCharacterSet> sets;
    for (int row = 0; row < rows->RecordCount(); ++row)
        sets[std::string(rows->Text(row, 0))] = {std::string(rows->Text(row, 1)),
                                                 static_cast<int>(rows->Value(row, 2).i)};
    return sets;
}

}  // namespace batchdel
