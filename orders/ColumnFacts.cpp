#include "orders/ColumnFacts.h"

#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "orders/FetchedRows.h"

namespace batchdel {

std::map<std::string, ColumnFacts> ColumnFactsOf(TSQLConnection &connection, const std::vector<std::string> &tables) {
    std::map<std::string, ColumnFacts> facts;
    if (tables.empty()) return facts;
    std::string names;
    for (size_t i = 0; i < tables.size(); ++i) names += (i ? ", :T" : ":T") + std::to_string(i + 1);
    // Field types 14 and 37: CHAR and VARCHAR. A text column without a
    // character set of its own has the database's default.
    TSQLDataSet columns("ColumnFacts");
    columns.SetSQLConnection(&connection);
    columns.SetCommandText(
        "SELECT TRIM(RF.RDB$RELATION_NAME), TRIM(RF.RDB$FIELD_NAME),"
        " IIF(F.RDB$COMPUTED_BLR IS NULL, 0, 1), TRIM(CS.RDB$CHARACTER_SET_NAME), CS.RDB$BYTES_PER_CHARACTER"
        " FROM RDB$RELATION_FIELDS RF"
        " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
        " LEFT JOIN RDB$CHARACTER_SETS CS ON F.RDB$FIELD_TYPE IN (14, 37)"
        "  AND CS.RDB$CHARACTER_SET_ID = COALESCE(F.RDB$CHARACTER_SET_ID,"
        "  (SELECT D.RDB$CHARACTER_SET_ID FROM RDB$CHARACTER_SETS D JOIN RDB$DATABASE DB"
        "   ON D.RDB$CHARACTER_SET_NAME = DB.RDB$CHARACTER_SET_NAME), 0)"
        " WHERE RF.RDB$RELATION_NAME IN (" +
        names + ")");
    for (size_t i = 0; i < tables.size(); ++i) columns.Params()[static_cast<int>(i)].SetString(tables[i]);
    const auto rows = FetchedRows(columns);
    for (int row = 0; row < rows->RecordCount(); ++row) {
        ColumnFacts &of = facts[std::string(rows->Text(row, 0))];
        const std::string column(rows->Text(row, 1));
        if (rows->Value(row, 2).i != 0) of.computed.insert(column);
        if (!rows->Value(row, 3).isNull)
            of.textSets[column] = {std::string(rows->Text(row, 3)), static_cast<int>(rows->Value(row, 4).i)};
    }
    return facts;
}

}  // namespace batchdel
