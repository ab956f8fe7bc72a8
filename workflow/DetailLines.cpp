#include "workflow/DetailLines.h"

#include <algorithm>
#include <unordered_set>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLParams.h"
#include "orders/FetchedRows.h"
#include "orders/TableColumns.h"
#include "workflow/QueryText.h"
#include "workflow/WorkProgress.h"

namespace batchdel {

namespace {

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The text of one column of the index list's present row.
std::string ListText(TSQLConnection &connection, ISQLCursor &list, uint16_t col) {
    const char *data = nullptr;
    uint32_t len = 0;
    bool isNull = false;
    const SQLStatus status = list.getString(col, &data, &len, &isNull);
    if (status != SQLStatus::Success) connection.CheckStatus(status, &list);
    return isNull ? std::string() : Trimmed(std::string(data, len));
}

}  // namespace

bool DetailTableHasOrderIndex(TSQLConnection &connection) {
    if (!connection.Connected()) connection.Open();
    ISQLMetaData *meta = connection.MetaData();
    if (!meta) return false;
    ISQLCursor *raw = nullptr;
    const SQLStatus status = meta->getIndices("ORDER_SUB", &raw);
    std::unique_ptr<ISQLCursor> list(raw);
    if (status != SQLStatus::Success) connection.CheckStatus(status, meta);
    if (!list) return false;
    uint16_t count = 0;
    if (const SQLStatus st = list->getColumnCount(&count); st != SQLStatus::Success)
        connection.CheckStatus(st, list.get());
    uint16_t nameCol = 0, columnCol = 0;
    for (uint16_t c = 1; c <= count; ++c) {
        std::string name;
        if (const SQLStatus st = list->getColumnName(c, &name); st != SQLStatus::Success)
            connection.CheckStatus(st, list.get());
        name = UpperCaseName(name);
        if (name == "INDEX_NAME")
            nameCol = c;
        else if (name == "COLUMN_NAME")
            columnCol = c;
    }
    if (!nameCol || !columnCol) return false;
    // The list gives an index's columns one row each, in the index's order:
    // the first row of an index names its leading column.
    std::string previous;
    bool first = true;
    for (;;) {
        const SQLStatus st = list->next();
        if (IsEndOfRows(st)) break;
        if (st != SQLStatus::Success) connection.CheckStatus(st, list.get());
        const std::string index = ListText(connection, *list, nameCol);
        const bool leading = first || index != previous;
        first = false;
        previous = index;
        if (leading && UpperCaseName(ListText(connection, *list, columnCol)) == "MASTERBILLID") return true;
    }
    return false;
}

std::unique_ptr<TableEngine> FetchDetailLines(TSQLConnection &connection, const std::vector<std::string> &orderNumbers,
                                              WorkProgress *progress) {
    // Each number once: a number listed twice would not fetch its lines twice
    // anyway, but it would take a place in a batch.
    std::vector<std::string> numbers;
    numbers.reserve(orderNumbers.size());
    {
        std::unordered_set<std::string> seen;
        seen.reserve(orderNumbers.size());
        for (const std::string &number : orderNumbers)
            if (seen.insert(number).second) numbers.push_back(number);
    }

    // One text for every batch, prepared once: a last batch that is short
    // repeats its last number, and without any order the markers are NULL,
    // which matches no line (the query still runs once, for the columns).
    TSQLDataSet lines("DetailLines");
    lines.SetSQLConnection(&connection);
    lines.SetCommandText(DetailLinesByOrderQuery(kOrdersPerLookup));
    TParams &params = lines.Params();
    std::unique_ptr<TableEngine> table;
    const size_t total = numbers.size();
    size_t done = 0;
    do {
        if (progress && progress->CancelRequested()) throw EAbort();
        const size_t count = std::min<size_t>(kOrdersPerLookup, total - done);
        BindOrderNumbers(params, kOrdersPerLookup, count,
                         [&](size_t i) -> const std::string & { return numbers[done + i]; });
        AppendPacketRows(lines, table);
        done += count;
        if (progress) progress->Advance(static_cast<int64_t>(done));
    } while (done < total);
    return table;
}

}  // namespace batchdel
