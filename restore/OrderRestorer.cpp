#include "OrderRestorer.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "Errors.h"
#include "OrderLookup.h"
#include "RestoreErrors.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "SQLQuery.h"
#include "ComputedColumns.h"
#include "TableColumns.h"
#include "TableEngine.h"

namespace {

constexpr size_t kLookupBatch = kOrdersPerLookup;

std::string UpperAscii(std::string text) {
    for (char &c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string Quoted(std::string_view value, char quote) {
    std::string text(1, quote);
    for (char c : value) {
        text += c;
        if (c == quote) text += quote;
    }
    return text + quote;
}

// The columns of a table, as a query of all its columns describes them.
std::vector<std::string> TableColumns(TSQLConnection &connection, const std::string &table) {
    TSQLDataSet columns("TableColumns");
    columns.SetSQLConnection(&connection);
    columns.SetCommandText("SELECT * FROM " + table + " WHERE 1 = 0");
    columns.Open();
    std::vector<std::string> names;
    for (const ColumnDesc &c : columns.Columns()) names.push_back(c.name);
    columns.Close();
    return names;
}

// For each column of the backup file, the table's name of it: the same name,
// else the same name without regard to letter case; "" when the table has none.
std::vector<std::string> MatchColumns(const TableEngine &file, const std::vector<std::string> &table) {
    std::vector<std::string> matched;
    for (const ColumnDesc &c : file.Columns()) {
        std::string found;
        for (const std::string &name : table)
            if (name == c.name) found = name;
        if (found.empty())
            for (const std::string &name : table)
                if (UpperAscii(name) == UpperAscii(c.name)) found = name;
        matched.push_back(found);
    }
    return matched;
}

// Which matched columns an INSERT names: all but those the server computes,
// whose values stay in the backup only.
std::vector<bool> Insertable(const std::vector<std::string> &matched, const std::set<std::string> &computed) {
    std::vector<bool> insertable;
    for (const std::string &name : matched) insertable.push_back(!computed.count(name));
    return insertable;
}

// INSERT INTO table ("A","B",...) VALUES (:P1,:P2,...) over the insertable columns.
std::string InsertText(const std::string &table, const std::vector<std::string> &columns,
                       const std::vector<bool> &insertable) {
    std::string names, values;
    int count = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (!insertable[i]) continue;
        const std::string separator = count ? "," : "";
        ++count;
        names += separator + Quoted(columns[i], '"');
        values += separator + ":P" + std::to_string(count);
    }
    return "INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")";
}

void Bind(TParam &param, const ColumnDesc &column, const FieldValue &value) {
    if (value.isNull) {
        param.SetNull();
        return;
    }
    switch (column.type) {
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::BigInt:
            param.SetInteger(value.i);
            break;
        case DataType::Bcd:
            param.SetBcd(value.i, column.scale);
            break;
        case DataType::Float:
            param.SetFloat(value.f);
            break;
        case DataType::Date:
            param.SetDate(value.date);
            break;
        case DataType::Time:
            param.SetTime(value.time);
            break;
        case DataType::TimeStamp:
            param.SetDateTime(value.date, value.time);
            break;
        case DataType::Boolean:
            param.SetBoolean(value.i != 0);
            break;
        case DataType::Memo:
            param.SetMemo(value.s);
            break;
        case DataType::Blob:
            param.SetBlob(value.s);
            break;
        case DataType::String:
        case DataType::Unknown:
            param.SetString(value.s);
            break;
    }
}

void Statement(TSQLQuery &query, TSQLConnection &connection, const std::string &text) {
    query.SetSQLConnection(&connection);
    query.ClearSQL();
    query.AddSQL(text);
}

// The rows of `select` (a query of one table) whose MASTERBILLID is the
// number of one of orders[start, end), by bound values; one text for every
// batch, a short batch repeating its last number.
std::unique_ptr<TableEngine> FetchByOrder(TSQLDataSet &rows, const std::string &select,
                                          const std::vector<const BackupOrder *> &orders, size_t start, size_t end) {
    rows.SetCommandText(OrdersByNumberText(select));
    BindOrderNumbers(rows.Params(), kOrdersPerLookup, end - start,
                     [&](size_t i) -> const std::string & { return orders[start + i]->number; });
    rows.Open();
    auto fetched = std::make_unique<TableEngine>(rows.Columns());
    try {
        rows.FetchAllInto(*fetched);
    } catch (...) {
        rows.Close();
        throw;
    }
    rows.Close();
    return fetched;
}

}  // namespace

struct OrderRestorer::Impl {
    Impl(TSQLConnection &c, const BackupPair &p) : connection(c), pair(p) {}
    TSQLConnection &connection;
    const BackupPair &pair;
    std::vector<std::string> headerColumns, lineColumns;  // the tables' names, per file column
    std::vector<bool> headerInserted, lineInserted;       // per file column: named by the INSERT
    TSQLQuery insertHeader{"InsertHeader"}, insertLine{"InsertLine"};
    TSQLQuery savepoint{"Savepoint"}, undoOrder{"UndoOrder"};
    bool checked = false;

    void InsertRow(TSQLQuery &query, const TableEngine &file, int row, const std::vector<bool> &inserted) {
        TParams &params = query.Params();
        const auto &columns = file.Columns();
        int param = 0;
        for (int c = 0; c < static_cast<int>(columns.size()); ++c)
            if (inserted[static_cast<size_t>(c)])
                Bind(params[param++], columns[static_cast<size_t>(c)], file.Value(row, c));
        query.Execute();
    }
};

OrderRestorer::OrderRestorer(TSQLConnection &connection, const BackupPair &pair)
    : d_(std::make_unique<Impl>(connection, pair)) {}

OrderRestorer::~OrderRestorer() = default;

void OrderRestorer::CheckColumns() {
    d_->headerColumns = MatchColumns(d_->pair.Header(), TableColumns(d_->connection, "ORDER_MASTER"));
    d_->lineColumns = MatchColumns(d_->pair.Detail(), TableColumns(d_->connection, "ORDER_SUB"));
    std::string missing;
    auto collect = [&](const TableEngine &file, const std::vector<std::string> &matched, const std::string &table) {
        for (size_t c = 0; c < matched.size(); ++c)
            if (matched[c].empty()) missing += (missing.empty() ? "" : ", ") + table + "." + file.Columns()[c].name;
    };
    collect(d_->pair.Header(), d_->headerColumns, "ORDER_MASTER");
    collect(d_->pair.Detail(), d_->lineColumns, "ORDER_SUB");
    if (!missing.empty())
        throw ERestoreRefused("The backup has columns the database lacks: " + missing + "; nothing was restored");
    d_->headerInserted = Insertable(d_->headerColumns, ComputedColumns(d_->connection, "ORDER_MASTER"));
    d_->lineInserted = Insertable(d_->lineColumns, ComputedColumns(d_->connection, "ORDER_SUB"));
    Statement(d_->insertHeader, d_->connection, InsertText("ORDER_MASTER", d_->headerColumns, d_->headerInserted));
    Statement(d_->insertLine, d_->connection, InsertText("ORDER_SUB", d_->lineColumns, d_->lineInserted));
    Statement(d_->savepoint, d_->connection, "SAVEPOINT RESTORE_ORDER");
    Statement(d_->undoOrder, d_->connection, "ROLLBACK TO SAVEPOINT RESTORE_ORDER");
    d_->checked = true;
}

std::vector<const BackupOrder *> OrderRestorer::ExistingOrders(const std::vector<const BackupOrder *> &orders) {
    std::unordered_set<std::string> found;
    TSQLDataSet lookup("ExistingOrders");
    lookup.SetSQLConnection(&d_->connection);
    for (size_t start = 0; start < orders.size(); start += kLookupBatch) {
        const auto numbers = FetchByOrder(lookup, "SELECT MASTERBILLID FROM ORDER_MASTER", orders, start,
                                          std::min(orders.size(), start + kLookupBatch));
        for (int row = 0; row < numbers->RecordCount(); ++row) found.emplace(numbers->Text(row, 0));
    }
    std::vector<const BackupOrder *> existing;
    for (const BackupOrder *order : orders)
        if (found.count(order->number)) existing.push_back(order);
    return existing;
}

namespace {

std::string ValueKey(const FieldValue &v) {
    if (v.isNull) return "N|";
    std::string key = std::to_string(v.i) + "/" + std::to_string(v.date) + "/" + std::to_string(v.time) + "/";
    key.append(reinterpret_cast<const char *>(&v.f), sizeof v.f);
    key += std::to_string(v.s.size()) + ":" + v.s + "|";
    return key;
}

// A row of a file or a table as one text over the given columns.
std::string RowKey(const TableEngine &table, int row, const std::vector<int> &columns) {
    std::string key;
    for (int c : columns) key += ValueKey(table.Value(row, c));
    return key;
}

// Where each matched column of a file is among the columns of a fetched table.
std::vector<int> PlacesIn(const TableEngine &table, const std::vector<std::string> &matched) {
    std::vector<int> places;
    for (const std::string &name : matched) places.push_back(FindColumn(table, name));
    return places;
}

std::vector<int> AllColumns(const TableEngine &table) {
    std::vector<int> columns;
    for (size_t c = 0; c < table.Columns().size(); ++c) columns.push_back(static_cast<int>(c));
    return columns;
}

}  // namespace

std::vector<const BackupOrder *> OrderRestorer::SameAsBackup(const std::vector<const BackupOrder *> &existing) {
    if (!d_->checked) CheckColumns();
    const TableEngine &headerFile = d_->pair.Header();
    const TableEngine &detailFile = d_->pair.Detail();
    const std::vector<int> headerFileColumns = AllColumns(headerFile);
    const std::vector<int> detailFileColumns = AllColumns(detailFile);
    std::vector<const BackupOrder *> same;
    TSQLDataSet headerRows("StoredOrders"), lineRows("StoredLines");
    headerRows.SetSQLConnection(&d_->connection);
    lineRows.SetSQLConnection(&d_->connection);
    for (size_t start = 0; start < existing.size(); start += kLookupBatch) {
        const size_t end = std::min(existing.size(), start + kLookupBatch);
        const auto headers = FetchByOrder(headerRows, "SELECT * FROM ORDER_MASTER", existing, start, end);
        const auto lines = FetchByOrder(lineRows, "SELECT * FROM ORDER_SUB", existing, start, end);
        const std::vector<int> headerPlaces = PlacesIn(*headers, d_->headerColumns);
        const std::vector<int> linePlaces = PlacesIn(*lines, d_->lineColumns);
        const int headerKey = PlacesIn(*headers, {"MASTERBILLID"}).at(0);
        const int lineKey = PlacesIn(*lines, {"MASTERBILLID"}).at(0);
        std::unordered_map<std::string, std::vector<std::string>> stored, storedLines;
        for (int row = 0; row < headers->RecordCount(); ++row)
            stored[std::string(headers->Text(row, headerKey))].push_back(RowKey(*headers, row, headerPlaces));
        for (int row = 0; row < lines->RecordCount(); ++row)
            storedLines[std::string(lines->Text(row, lineKey))].push_back(RowKey(*lines, row, linePlaces));
        for (size_t i = start; i < end; ++i) {
            const BackupOrder &order = *existing[i];
            const auto header = stored.find(order.number);
            if (header == stored.end() || header->second.size() != 1 ||
                header->second[0] != RowKey(headerFile, order.headerRow, headerFileColumns))
                continue;
            std::vector<std::string> want;
            for (int row : order.lineRows) want.push_back(RowKey(detailFile, row, detailFileColumns));
            std::vector<std::string> have = storedLines[order.number];
            std::sort(want.begin(), want.end());
            std::sort(have.begin(), have.end());
            if (want == have) same.push_back(&order);
        }
    }
    return same;
}

void OrderRestorer::Restore(const std::vector<const BackupOrder *> &orders, const BatchCommitted &committed,
                            RestoreOutcome &outcome) {
    if (!d_->checked) CheckColumns();
    const std::vector<const BackupOrder *> existing = ExistingOrders(orders);
    const std::unordered_set<const BackupOrder *> skip(existing.begin(), existing.end());
    const std::vector<const BackupOrder *> same = SameAsBackup(existing);
    const std::unordered_set<const BackupOrder *> done(same.begin(), same.end());
    for (const BackupOrder *order : existing)
        (done.count(order) ? outcome.sameAsBackup : outcome.alreadyThere).push_back(order);

    TSQLConnection &connection = d_->connection;
    std::vector<const BackupOrder *> batch;
    int64_t batchLines = 0;
    auto batchStart = std::chrono::steady_clock::now();
    auto commit = [&] {
        connection.Commit();
        outcome.restored.insert(outcome.restored.end(), batch.begin(), batch.end());
        outcome.linesRestored += batchLines;
        if (committed) committed(batch);
        batch.clear();
        batchLines = 0;
    };
    try {
        for (const BackupOrder *order : orders) {
            if (skip.count(order)) continue;
            if (!connection.InTransaction()) {
                connection.StartTransaction();
                batchStart = std::chrono::steady_clock::now();
            }
            d_->savepoint.Execute();
            try {
                d_->InsertRow(d_->insertHeader, d_->pair.Header(), order->headerRow, d_->headerInserted);
                for (int row : order->lineRows) d_->InsertRow(d_->insertLine, d_->pair.Detail(), row, d_->lineInserted);
            } catch (const EDatabaseError &failure) {
                // The order goes back whole. Should even that fail, the
                // transaction is lost (the connection went): the batch goes
                // with it and the failure ends the run.
                d_->undoOrder.Execute();
                outcome.failed.emplace_back(order, failure.Message());
                continue;
            }
            batch.push_back(order);
            batchLines += static_cast<int64_t>(order->lineRows.size());
            if (std::chrono::steady_clock::now() - batchStart >= batchTime) commit();
        }
        if (connection.InTransaction()) commit();
    } catch (...) {
        try {
            if (connection.InTransaction()) connection.Rollback();
        } catch (...) {}
        throw;
    }
}
