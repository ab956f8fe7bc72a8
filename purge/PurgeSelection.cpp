#include "purge/PurgeSelection.h"

#include "data/dataset/TableEngine.h"
#include "data/sql/SQLDataSet.h"
#include "orders/FetchedRows.h"
#include "workflow/QueryText.h"

namespace batchdel {

std::string SelectionQuery(const FilterCriteria &filter, bool countLines) {
    // The window's own text goes in whole, so the filter is exactly the one
    // the window applies; only the columns and the order are chosen outside.
    std::string text = "SELECT O.MASTERBILLID, O.BILL_DATE";
    if (countLines) text += ", (SELECT COUNT(*) FROM ORDER_SUB L WHERE L.MASTERBILLID = O.MASTERBILLID)";
    text += " FROM (\r\n";
    text += BuildFilteredQuery(kListQueryHead, filter);
    text += ") O ORDER BY O.BILL_DATE NULLS LAST, O.MASTERBILLID";
    return text;
}

std::vector<SelectedOrder> SelectOrders(TSQLConnection &connection, const FilterCriteria &filter, bool countLines) {
    TSQLDataSet query("PurgeSelection");
    query.SetSQLConnection(&connection);
    query.SetCommandText(SelectionQuery(filter, countLines));
    const std::unique_ptr<TableEngine> rows = FetchedRows(query);
    std::vector<SelectedOrder> orders;
    orders.reserve(static_cast<size_t>(rows->RecordCount()));
    for (int row = 0; row < rows->RecordCount(); ++row) {
        SelectedOrder order;
        order.number = std::string(rows->Text(row, 0));
        if (!rows->IsNull(row, 1)) order.billDay = rows->Value(row, 1).date;
        if (countLines) order.lines = rows->Value(row, 2).i;
        orders.push_back(std::move(order));
    }
    return orders;
}

}  // namespace batchdel
