#include "DeleteRight.h"

#include "SQLConnection.h"
#include "SQLQuery.h"

void CheckDeleteRight(TSQLConnection &connection) {
    TSQLQuery statement("DeleteRight");
    statement.SetSQLConnection(&connection);
    // One statement, so one prepare and one execute: the lines first, as the
    // deletion does.
    statement.AddSQL("EXECUTE BLOCK AS BEGIN");
    statement.AddSQL("DELETE FROM ORDER_SUB WHERE 1 = 0;");
    statement.AddSQL("DELETE FROM ORDER_MASTER WHERE 1 = 0;");
    statement.AddSQL("END");
    if (connection.InTransaction()) {
        statement.Execute();
        return;
    }
    connection.StartTransaction();
    try {
        statement.Execute();
    } catch (...) {
        try {
            connection.Rollback();
        } catch (...) {}
        throw;
    }
    connection.Rollback();
}
