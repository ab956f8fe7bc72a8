#include "restore/OrderRestorer.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "orders/ColumnFacts.h"
#include "orders/FetchedRows.h"
#include "orders/OrderBatch.h"
#include "orders/OrderLookup.h"
#include "orders/OrderWalk.h"
#include "orders/TableColumns.h"
#include "restore/RestoreBlock.h"
#include "restore/RestoreErrors.h"

namespace batchdel {

namespace {

// The columns of a table, as a query of all its columns describes them.
std::vector<ColumnDesc> TableColumns(TSQLConnection &connection, const std::string &table) {
    TSQLDataSet columns("TableColumns");
    columns.SetSQLConnection(&connection);
    columns.SetCommandText("SELECT * FROM " + table + " WHERE 1 = 0");
    columns.Open();
    std::vector<ColumnDesc> described = columns.Columns();
    columns.Close();
    return described;
}

std::vector<std::string> Names(const std::vector<ColumnDesc> &columns) {
    std::vector<std::string> names;
    for (const ColumnDesc &c : columns) names.push_back(c.name);
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
                if (UpperCaseName(name) == UpperCaseName(c.name)) found = name;
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

// INSERT INTO table ("A","B",...) VALUES (:P1,:P2,...) over the columns.
std::string InsertText(const InsertColumns &insert) {
    std::string names, values;
    for (size_t i = 0; i < insert.columns.size(); ++i) {
        const std::string separator = i ? "," : "";
        names += separator + QuotedName(insert.columns[i].name);
        values += separator + ":P" + std::to_string(i + 1);
    }
    return "INSERT INTO " + insert.table + " (" + names + ") VALUES (" + values + ")";
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
    return FetchedRows(rows);
}

// How one table's rows go in: the columns an INSERT names (the table's
// names and descriptions) and, for each, its column in the backup file.
struct TableInsert {
    InsertColumns columns;
    std::vector<int> fileColumns;
};

TableInsert PlanInsert(const std::string &table, const std::vector<std::string> &matched,
                       const std::vector<bool> &inserted, const std::vector<ColumnDesc> &tableColumns) {
    TableInsert plan;
    plan.columns.table = table;
    for (size_t c = 0; c < matched.size(); ++c) {
        if (!inserted[c]) continue;
        InsertColumn column{matched[c], {}, {}, 0};
        for (const ColumnDesc &described : tableColumns)
            if (described.name == matched[c]) column.described = described;
        plan.columns.columns.push_back(column);
        plan.fileColumns.push_back(static_cast<int>(c));
    }
    return plan;
}

// Binds a row of the file to the parameters from `first` on.
void BindRow(TParams &params, int first, const TableInsert &plan, const TableEngine &file, int row) {
    const auto &columns = file.Columns();
    for (size_t k = 0; k < plan.fileColumns.size(); ++k) {
        const int c = plan.fileColumns[k];
        Bind(params[first + static_cast<int>(k)], columns[static_cast<size_t>(c)], file.Value(row, c));
    }
}

void BindNulls(TParams &params, int first, int count) {
    for (int p = first; p < first + count; ++p) params[p].SetNull();
}

// Characters of a value of a column in that character set: bytes where the
// set has no characters of its own, else UTF-8 characters.
size_t Characters(const std::string &value, const std::string &characterSet) {
    if (characterSet == "NONE" || characterSet == "OCTETS") return value.size();
    size_t characters = 0;
    for (unsigned char c : value)
        if ((c & 0xC0) != 0x80) ++characters;
    return characters;
}

// Sends the plan's text columns as texts as long as the longest value of
// these rows needs, in the column's character set: a block of many orders
// then carries far more of them in the server's 64 KB than at the columns'
// full widths. A value too long for its column fails in the INSERT as it
// would otherwise.
void DeclareTextLengths(TableInsert &plan, const std::map<std::string, ColumnCharacterSet> &characterSets,
                        const TableEngine &file, const std::vector<int> &rows) {
    constexpr size_t kLongestText = 32765;  // bytes of a VARCHAR
    for (size_t k = 0; k < plan.columns.columns.size(); ++k) {
        InsertColumn &column = plan.columns.columns[k];
        column.declaredType.clear();
        column.declaredBytes = 0;
        const auto set = characterSets.find(column.name);
        // Only a text of the file goes as a text of its own length.
        const DataType fileType = file.Columns()[static_cast<size_t>(plan.fileColumns[k])].type;
        if (set == characterSets.end() || fileType != DataType::String) continue;
        const size_t bytesPerCharacter = static_cast<size_t>(std::max(1, set->second.bytesPerCharacter));
        size_t longest = 1;
        for (int row : rows) {
            const FieldValue value = file.Value(row, plan.fileColumns[k]);
            if (!value.isNull) longest = std::max(longest, Characters(value.s, set->second.name));
        }
        if (longest * bytesPerCharacter > kLongestText) continue;
        column.declaredType = "VARCHAR(" + std::to_string(longest) + ") CHARACTER SET " + set->second.name;
        column.declaredBytes = static_cast<int>(longest * bytesPerCharacter);
    }
}

}  // namespace

struct OrderRestorer::Impl {
    Impl(TSQLConnection &c, const BackupPair &p) : connection(c), pair(p) {}
    TSQLConnection &connection;
    const BackupPair &pair;
    std::vector<std::string> headerColumns, lineColumns;  // the tables' names, per file column
    TableInsert headerInsert, lineInsert;
    std::map<std::string, ColumnCharacterSet> headerSets, lineSets;
    // One order alone, a statement a row: for an order too large for any
    // block, and to give each order of a failed block its own outcome.
    TSQLQuery insertHeader{"InsertHeader"}, insertLine{"InsertLine"};
    // Many orders a round trip: one statement per block shape, each
    // prepared once for the run.
    TSQLQuery block{"RestoreBlock"}, largeBlock{"RestoreLargeOrder"};
    bool checked = false;
    // Characters ORDER_MASTER.MASTERBILLID holds; 0 when not known.
    int numberCharacters = 0;

    // Whether the table could hold an order of this number: a longer one
    // cannot be there, and must not be looked up (binding it fails the
    // lookup of all the orders with it).
    bool NumberFits(const std::string &number) const {
        if (numberCharacters <= 0) return true;
        const auto set = headerSets.find("MASTERBILLID");
        return Characters(number, set == headerSets.end() ? "UTF8" : set->second.name) <=
               static_cast<size_t>(numberCharacters);
    }

    void InsertRow(TSQLQuery &query, const TableInsert &plan, const TableEngine &file, int row) {
        BindRow(query.Params(), 0, plan, file, row);
        query.Execute();
    }

    // Inserts one order's header and lines, a statement a row; raises with
    // the server's words when it refuses a row.
    void RestoreAlone(const BackupOrder &order) {
        InsertRow(insertHeader, headerInsert, pair.Header(), order.headerRow);
        for (int row : order.lineRows) InsertRow(insertLine, lineInsert, pair.Detail(), row);
    }

    // Sends the orders in one statement of this shape; raises when the
    // database refused it, which then undid all of it.
    void RestoreBlock(TSQLQuery &statement, const RestoreBlockShape &shape,
                      const std::vector<const BackupOrder *> &orders) {
        TParams &params = statement.Params();
        const int headerWidth = static_cast<int>(headerInsert.fileColumns.size());
        const int lineWidth = static_cast<int>(lineInsert.fileColumns.size());
        int lineSlot = 0;
        for (int slot = 0; slot < shape.headers; ++slot) {
            const int first = HeaderSlotParam(headerInsert.columns, slot);
            if (slot >= static_cast<int>(orders.size())) {
                BindNulls(params, first, 1 + headerWidth);
                continue;
            }
            const BackupOrder &order = *orders[static_cast<size_t>(slot)];
            params[first].SetInteger(1);
            BindRow(params, first + 1, headerInsert, pair.Header(), order.headerRow);
            for (int row : order.lineRows) {
                const int at = LineSlotParam(shape, headerInsert.columns, lineInsert.columns, lineSlot++);
                params[at].SetInteger(1);
                BindRow(params, at + 1, lineInsert, pair.Detail(), row);
            }
        }
        for (; lineSlot < shape.lines; ++lineSlot)
            BindNulls(params, LineSlotParam(shape, headerInsert.columns, lineInsert.columns, lineSlot), 1 + lineWidth);
        statement.Execute();
    }
};

OrderRestorer::OrderRestorer(TSQLConnection &connection, const BackupPair &pair)
    : d_(std::make_unique<Impl>(connection, pair)) {}

OrderRestorer::~OrderRestorer() = default;

void OrderRestorer::CheckColumns() {
    const std::vector<ColumnDesc> headerTable = TableColumns(d_->connection, "ORDER_MASTER");
    const std::vector<ColumnDesc> lineTable = TableColumns(d_->connection, "ORDER_SUB");
    d_->headerColumns = MatchColumns(d_->pair.Header(), Names(headerTable));
    d_->lineColumns = MatchColumns(d_->pair.Detail(), Names(lineTable));
    std::vector<std::string> missing;
    auto collect = [&](const TableEngine &file, const std::vector<std::string> &matched, const std::string &table) {
        for (size_t c = 0; c < matched.size(); ++c)
            if (matched[c].empty()) missing.push_back(table + "." + file.Columns()[c].name);
    };
    collect(d_->pair.Header(), d_->headerColumns, "ORDER_MASTER");
    collect(d_->pair.Detail(), d_->lineColumns, "ORDER_SUB");
    if (!missing.empty())
        throw ERestoreRefused(RestoreRefusal::ColumnsTheDatabaseLacks, RestoreRefusalFacts().Columns(missing));
    // A column the backup lacks would be restored empty, the order no longer
    // what was deleted: only when the operator says so (the table may have
    // gained a column since the backup).
    const std::set<std::string> headerComputed = ComputedColumns(d_->connection, "ORDER_MASTER");
    const std::set<std::string> lineComputed = ComputedColumns(d_->connection, "ORDER_SUB");
    std::vector<std::string> lacking;
    auto unmatched = [&](const std::vector<ColumnDesc> &table, const std::vector<std::string> &matched,
                         const std::set<std::string> &computed, const std::string &name) {
        for (const ColumnDesc &column : table)
            if (!computed.count(column.name) && std::find(matched.begin(), matched.end(), column.name) == matched.end())
                lacking.push_back(name + "." + column.name);
    };
    unmatched(headerTable, d_->headerColumns, headerComputed, "ORDER_MASTER");
    unmatched(lineTable, d_->lineColumns, lineComputed, "ORDER_SUB");
    if (!lacking.empty() && !defaultMissingColumns)
        throw ERestoreRefused(RestoreRefusal::ColumnsTheBackupLacks, RestoreRefusalFacts().Columns(lacking));
    for (const ColumnDesc &column : headerTable)
        if (column.name == "MASTERBILLID" && column.type == DataType::String) d_->numberCharacters = column.size;
    d_->headerInsert =
        PlanInsert("ORDER_MASTER", d_->headerColumns, Insertable(d_->headerColumns, headerComputed), headerTable);
    d_->lineInsert = PlanInsert("ORDER_SUB", d_->lineColumns, Insertable(d_->lineColumns, lineComputed), lineTable);
    d_->headerSets = TextColumnCharacterSets(d_->connection, "ORDER_MASTER");
    d_->lineSets = TextColumnCharacterSets(d_->connection, "ORDER_SUB");
    Statement(d_->insertHeader, d_->connection, InsertText(d_->headerInsert.columns));
    Statement(d_->insertLine, d_->connection, InsertText(d_->lineInsert.columns));
    d_->checked = true;
}

std::vector<const BackupOrder *> OrderRestorer::ExistingOrders(const std::vector<const BackupOrder *> &all) {
    std::vector<const BackupOrder *> orders;
    for (const BackupOrder *order : all)
        if (d_->NumberFits(order->number)) orders.push_back(order);
    std::unordered_set<std::string> found;
    TSQLDataSet lookup("ExistingOrders");
    lookup.SetSQLConnection(&d_->connection);
    for (size_t start = 0; start < orders.size(); start += kOrdersPerLookup) {
        const auto numbers = FetchByOrder(lookup, "SELECT MASTERBILLID FROM ORDER_MASTER", orders, start,
                                          std::min(orders.size(), start + kOrdersPerLookup));
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
    for (size_t start = 0; start < existing.size(); start += kOrdersPerLookup) {
        const size_t end = std::min(existing.size(), start + kOrdersPerLookup);
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

    std::vector<const BackupOrder *> todo;
    int64_t allLines = 0;
    for (const BackupOrder *order : orders)
        if (!skip.count(order)) {
            todo.push_back(order);
            allLines += static_cast<int64_t>(order->lineRows.size());
        }
    if (todo.empty()) return;

    // The block's texts and shape follow the orders at hand: texts as long
    // as their longest values, and as many header slots as the server's
    // limits allow for orders of their average size.
    std::vector<int> headerRows, lineRows;
    for (const BackupOrder *order : todo) {
        headerRows.push_back(order->headerRow);
        lineRows.insert(lineRows.end(), order->lineRows.begin(), order->lineRows.end());
    }
    DeclareTextLengths(d_->headerInsert, d_->headerSets, d_->pair.Header(), headerRows);
    DeclareTextLengths(d_->lineInsert, d_->lineSets, d_->pair.Detail(), lineRows);
    RestoreBlockShape shape = RestoreBlockShapeFor(d_->headerInsert.columns, d_->lineInsert.columns,
                                                   static_cast<double>(allLines) / static_cast<double>(todo.size()));
    if (ordersPerRoundTrip > 0) shape.headers = std::min(shape.headers, ordersPerRoundTrip);
    const RestoreBlockShape large = LargeOrderShape(d_->headerInsert.columns, d_->lineInsert.columns);
    for (auto [statement, of] : {std::pair{&d_->block, shape}, std::pair{&d_->largeBlock, large}})
        if (of.headers > 0)
            Statement(*statement, d_->connection,
                      RestoreBlockText(of, d_->headerInsert.columns, d_->lineInsert.columns));
    // Each order goes back alone when its block is refused; one the server
    // refuses then is left out, and the walk goes on.
    class Steps final : public OrderWalkSteps {
    public:
        Steps(Impl &d, const std::vector<const BackupOrder *> &todo, RestoreOutcome &outcome,
              const BatchCommitted &committed, const RestoreBlockShape &shape, const RestoreBlockShape &large)
            : d_(d), todo_(todo), outcome_(outcome), committed_(committed), shape_(shape), large_(large) {}

        size_t BlockFrom(size_t next) override {
            // The next orders in the backup's order, as many as the block holds.
            size_t count = 0, lines = 0;
            while (next + count < todo_.size() && count < static_cast<size_t>(shape_.headers) &&
                   Fits(shape_, lines + todo_[next + count]->lineRows.size()))
                lines += todo_[next + count++]->lineRows.size();
            // An order larger than the block goes in a block of its own, or
            // alone, a statement a row, when even that cannot hold it.
            if (count == 0 && !Fits(large_, todo_[next]->lineRows.size())) return 0;
            return std::max<size_t>(count, 1);
        }
        BlockSent SendBlock(size_t first, size_t count) override {
            const bool large = !Fits(shape_, todo_[first]->lineRows.size());
            const std::vector<const BackupOrder *> some(todo_.begin() + static_cast<std::ptrdiff_t>(first),
                                                        todo_.begin() + static_cast<std::ptrdiff_t>(first + count));
            d_.RestoreBlock(large ? d_.largeBlock : d_.block, large ? large_ : shape_, some);
            for (const BackupOrder *order : some) Taken(order);
            return {count, false};
        }
        bool SendAlone(size_t at) override {
            ++outcome_.ordersAlone;
            d_.RestoreAlone(*todo_[at]);
            Taken(todo_[at]);
            return true;
        }
        void LeftOut(size_t at, const std::exception_ptr &failure) override {
            std::string reason;
            try {
                std::rethrow_exception(failure);
            } catch (const Exception &e) {
                reason = e.Message();
            } catch (...) {}
            outcome_.failed.emplace_back(todo_[at], reason);
        }
        void Committed() override {
            outcome_.restored.insert(outcome_.restored.end(), inBatch_.begin(), inBatch_.end());
            outcome_.linesRestored += batchLines_;
            const std::vector<const BackupOrder *> batch = std::move(inBatch_);
            Dropped();
            if (committed_ && !batch.empty()) committed_(batch);
        }
        void Dropped() override {
            inBatch_.clear();
            batchLines_ = 0;
        }

    private:
        static bool Fits(const RestoreBlockShape &of, size_t lines) {
            return of.headers > 0 && lines <= static_cast<size_t>(of.lines);
        }
        void Taken(const BackupOrder *order) {
            inBatch_.push_back(order);
            batchLines_ += static_cast<int64_t>(order->lineRows.size());
        }

        Impl &d_;
        const std::vector<const BackupOrder *> &todo_;
        RestoreOutcome &outcome_;
        const BatchCommitted &committed_;
        const RestoreBlockShape shape_, large_;
        std::vector<const BackupOrder *> inBatch_;
        int64_t batchLines_ = 0;
    };
    Steps steps(*d_, todo, outcome, committed, shape, large);
    OrderWalk walk(d_->connection, batchTime);
    WalkResult walked;
    walk.Run(todo.size(), steps, RefusedOrder::IsLeftOut, walked);
}

}  // namespace batchdel
