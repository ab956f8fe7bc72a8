#include "orders/DeleteRight.h"

#include "data/sql/SQLConnection.h"
#include "data/sql/SQLQuery.h"
#include "orders/ConnectionWatch.h"

namespace batchdel {

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
    // The check writes nothing, so a connection that died while the window
    // sat idle is made again here, as for any read, before the command's
    // first real statement.
    ReadWithReconnect(connection, [&] {
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
    });
}

}  // namespace batchdel
