#include "orders/OrderLookup.h"

#include <algorithm>

#include "data/dataset/TableEngine.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLParams.h"
#include "orders/FetchedRows.h"

namespace batchdel {

std::string OrdersByNumberText(const std::string &select, int count) {
    std::string text = select + " WHERE MASTERBILLID IN (";
    for (int i = 1; i <= count; ++i) text += (i > 1 ? ",:O" : ":O") + std::to_string(i);
    return text + ")";
}

void BindOrderNumbers(TParams &params, int markers, size_t count,
                      const std::function<const std::string &(size_t)> &numberAt) {
    for (int i = 0; i < markers; ++i) {
        if (count == 0)
            params[i].SetNull();
        else
            params[i].SetString(numberAt(std::min(static_cast<size_t>(i), count - 1)));
    }
}

std::unordered_set<std::string> OrderNumbersThere(TSQLConnection &connection, const std::vector<std::string> &numbers) {
    std::unordered_set<std::string> there;
    TSQLDataSet lookup("OrderNumbersThere");
    lookup.SetSQLConnection(&connection);
    lookup.SetCommandText(OrdersByNumberText("SELECT MASTERBILLID FROM ORDER_MASTER"));
    for (size_t start = 0; start < numbers.size(); start += kOrdersPerLookup) {
        const size_t count = std::min(numbers.size() - start, static_cast<size_t>(kOrdersPerLookup));
        BindOrderNumbers(lookup.Params(), kOrdersPerLookup, count,
                         [&](size_t i) -> const std::string & { return numbers[start + i]; });
        const auto rows = FetchedRows(lookup);
        for (int row = 0; row < rows->RecordCount(); ++row) there.emplace(rows->Text(row, 0));
    }
    return there;
}

}  // namespace batchdel
