#include "restore/OrderRestorer.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <map>
#include <optional>
#include <thread>
#include <tuple>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "data/sql/SQLQuery.h"
#include "orders/ColumnFacts.h"
#include "orders/ConnectionCopy.h"
#include "orders/FetchedRows.h"
#include "orders/OrderBatch.h"
#include "orders/OrderLookup.h"
#include "orders/OrderWalk.h"
#include "orders/SnapshotReading.h"
#include "orders/TableColumns.h"
#include "restore/RestoreBlock.h"
#include "restore/RestoreErrors.h"
#include "restore/RestoreLanes.h"

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

std::vector<std::string> NumbersOf(const std::vector<const BackupOrder *> &orders) {
    std::vector<std::string> numbers;
    numbers.reserve(orders.size());
    for (const BackupOrder *order : orders) numbers.push_back(order->number);
    return numbers;
}

// Whether the database holds every one of these orders' numbers: a batch
// whose commit was lost with the connection was made when it does (a batch
// rolled back leaves none of its orders).
bool AllThere(TSQLConnection &connection, const std::vector<const BackupOrder *> &orders) {
    return !orders.empty() && OrderNumbersThere(connection, NumbersOf(orders)).size() == orders.size();
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

// The two block shapes of a run, and which orders each block takes.
struct RestoreShapes {
    RestoreBlockShape usual, large;

    static bool Fits(const RestoreBlockShape &of, size_t lines) {
        return of.headers > 0 && lines <= static_cast<size_t>(of.lines);
    }
    // How many orders from `next` the next block takes, in the orders'
    // order; 0 when the order there is too large even for a block of its own
    // and goes alone, a statement a row.
    size_t BlockFrom(const std::vector<const BackupOrder *> &orders, size_t next) const {
        size_t count = 0, lines = 0;
        while (next + count < orders.size() && count < static_cast<size_t>(usual.headers) &&
               Fits(usual, lines + orders[next + count]->lineRows.size()))
            lines += orders[next + count++]->lineRows.size();
        // An order larger than the block goes in a block of its own.
        if (count == 0 && !Fits(large, orders[next]->lineRows.size())) return 0;
        return std::max<size_t>(count, 1);
    }
    // The shape for a block whose first order is this one.
    bool IsLarge(const BackupOrder &first) const { return !Fits(usual, first.lineRows.size()); }
};

// The statements of one connection that carries orders.
struct RestoreLane {
    explicit RestoreLane(TSQLConnection &c) : connection(c) {}
    TSQLConnection &connection;
    // One order alone, a statement a row: for an order too large for any
    // block, and to give each order of a failed block its own outcome.
    TSQLQuery insertHeader{"InsertHeader"}, insertLine{"InsertLine"};
    // Many orders a round trip: one statement per block shape, each
    // prepared once for the run.
    TSQLQuery block{"RestoreBlock"}, largeBlock{"RestoreLargeOrder"};
    // Their texts: a restore in steps (the window's) keeps a statement
    // prepared while its text stays the same.
    std::string blockText, largeBlockText;
};

struct OrderRestorer::Impl {
    Impl(TSQLConnection &c, const BackupPair &p) : connection(c), pair(p), main(c) {}
    TSQLConnection &connection;
    const BackupPair &pair;
    std::vector<std::string> headerColumns, lineColumns;  // the tables' names, per file column
    TableInsert headerInsert, lineInsert;
    std::map<std::string, ColumnCharacterSet> headerSets, lineSets;
    RestoreLane main;
    // Connections of their own for the lanes beyond the first, made with the
    // caller's parameters once and kept for the restorer's life.
    std::vector<std::unique_ptr<TSQLConnection>> ownConnections;
    std::vector<std::unique_ptr<RestoreLane>> lanes;
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
    void RestoreAlone(RestoreLane &lane, const BackupOrder &order) {
        InsertRow(lane.insertHeader, headerInsert, pair.Header(), order.headerRow);
        for (int row : order.lineRows) InsertRow(lane.insertLine, lineInsert, pair.Detail(), row);
    }

    // The block shapes for these orders; sets the texts' declared lengths.
    RestoreShapes PlanShapes(const std::vector<const BackupOrder *> &orders, int ordersPerRoundTrip);
    // Sets a lane's statements for the run's block shapes.
    void SetBlockTexts(RestoreLane &lane, const RestoreShapes &shapes);
    // Makes sure `count` lanes exist, each with a connection of its own (not
    // yet opened) and its one-order statements.
    void OpenLanes(size_t count);
    // Opens the connections of `count` lanes on threads of their own while
    // the caller's connection goes on with the checks and look-ups: their
    // round trips overlap. A connection that fails to open is tried again
    // by its lane, which then tells why.
    void OpenLanesAhead(size_t count);
    // Waits until the connections opened ahead are open (or failed).
    void LanesOpened();
    std::vector<std::thread> opening;
    ~Impl() { LanesOpened(); }
    // Restores the orders over the caller's connection.
    void RestoreOnOne(const std::vector<const BackupOrder *> &todo, const RestoreShapes &shapes,
                      const BatchCommitted &committed, RestoreOutcome &outcome, std::chrono::milliseconds batchTime,
                      const std::function<bool()> &stopWanted);
    // Restores the orders over `count` lanes at once; returns how many of
    // them (from the first) the lanes dealt with: all of them, unless no
    // lane could connect at all.
    size_t RestoreOnLanes(size_t count, const std::vector<const BackupOrder *> &todo, const RestoreShapes &shapes,
                          const BatchCommitted &committed, RestoreOutcome &outcome, std::chrono::milliseconds batchTime,
                          const std::function<bool()> &stopWanted);
    // Sends a block of orders on a lane.
    void SendBlock(RestoreLane &lane, const RestoreShapes &shapes, const std::vector<const BackupOrder *> &orders) {
        const bool large = shapes.IsLarge(*orders.front());
        RestoreBlock(large ? lane.largeBlock : lane.block, large ? shapes.large : shapes.usual, orders);
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
    // One snapshot for all the reads: over a slow link a transaction for
    // each would cost two round trips more a statement.
    SnapshotReading snapshot(d_->connection);
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
    std::map<std::string, ColumnFacts> facts = ColumnFactsOf(d_->connection, {"ORDER_MASTER", "ORDER_SUB"});
    const std::set<std::string> &headerComputed = facts["ORDER_MASTER"].computed;
    const std::set<std::string> &lineComputed = facts["ORDER_SUB"].computed;
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
    d_->headerSets = facts["ORDER_MASTER"].textSets;
    d_->lineSets = facts["ORDER_SUB"].textSets;
    Statement(d_->main.insertHeader, d_->connection, InsertText(d_->headerInsert.columns));
    Statement(d_->main.insertLine, d_->connection, InsertText(d_->lineInsert.columns));
    d_->checked = true;
}

std::vector<const BackupOrder *> OrderRestorer::ExistingOrders(const std::vector<const BackupOrder *> &all) {
    std::vector<const BackupOrder *> orders;
    for (const BackupOrder *order : all)
        if (d_->NumberFits(order->number)) orders.push_back(order);
    const std::unordered_set<std::string> found = OrderNumbersThere(d_->connection, NumbersOf(orders));
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

namespace {

// Blocks in flight at once: no more lanes than blocks, each lane a
// connection of its own beside the caller's.
size_t LanesFor(const std::vector<const BackupOrder *> &orders, const RestoreShapes &shapes, int connections) {
    size_t blocks = 0;
    for (size_t next = 0; next < orders.size(); ++blocks) next += std::max<size_t>(1, shapes.BlockFrom(orders, next));
    return std::min(static_cast<size_t>(std::max(1, connections)), blocks);
}

}  // namespace

void OrderRestorer::Restore(const std::vector<const BackupOrder *> &orders, const BatchCommitted &committed,
                            RestoreOutcome &outcome) {
    // The checks and look-ups read in one snapshot, ended before the walk
    // starts its batches.
    SnapshotReading snapshot(d_->connection);
    if (!d_->checked) CheckColumns();
    // The connections the orders would need, were none of them there
    // already, open while the orders are looked up.
    std::optional<RestoreShapes> planned;
    if (connections > 1) {
        planned = d_->PlanShapes(orders, ordersPerRoundTrip);
        const size_t ahead = LanesFor(orders, *planned, connections);
        if (ahead > 1) d_->OpenLanesAhead(ahead);
    }
    const std::vector<const BackupOrder *> existing = ExistingOrders(orders);
    const std::unordered_set<const BackupOrder *> skip(existing.begin(), existing.end());
    const std::vector<const BackupOrder *> same = SameAsBackup(existing);
    snapshot.End();
    const std::unordered_set<const BackupOrder *> done(same.begin(), same.end());
    for (const BackupOrder *order : existing)
        (done.count(order) ? outcome.sameAsBackup : outcome.alreadyThere).push_back(order);

    std::vector<const BackupOrder *> todo;
    for (const BackupOrder *order : orders)
        if (!skip.count(order)) todo.push_back(order);
    d_->LanesOpened();
    if (todo.empty()) return;

    // The shapes planned for all the orders stand when none was there.
    const RestoreShapes shapes =
        planned && todo.size() == orders.size() ? *planned : d_->PlanShapes(todo, ordersPerRoundTrip);
    const size_t lanes = LanesFor(todo, shapes, connections);
    if (lanes <= 1) {
        d_->SetBlockTexts(d_->main, shapes);
        d_->RestoreOnOne(todo, shapes, committed, outcome, batchTime, stopWanted);
        return;
    }
    d_->OpenLanes(lanes);
    for (size_t l = 0; l < lanes; ++l) d_->SetBlockTexts(*d_->lanes[l], shapes);
    const size_t left = d_->RestoreOnLanes(lanes, todo, shapes, committed, outcome, batchTime, stopWanted);
    // Lanes that could not connect leave their orders to the caller's own
    // connection.
    if (left < todo.size()) {
        const std::vector<const BackupOrder *> rest(todo.begin() + static_cast<std::ptrdiff_t>(left), todo.end());
        d_->SetBlockTexts(d_->main, shapes);
        d_->RestoreOnOne(rest, shapes, committed, outcome, batchTime, stopWanted);
    }
}

// The block's texts and shape follow the orders at hand: texts as long as
// their longest values, and as many header slots as the server's limits
// allow for orders of their average size.
RestoreShapes OrderRestorer::Impl::PlanShapes(const std::vector<const BackupOrder *> &orders, int ordersPerRoundTrip) {
    std::vector<int> headerRows, lineRows;
    for (const BackupOrder *order : orders) {
        headerRows.push_back(order->headerRow);
        lineRows.insert(lineRows.end(), order->lineRows.begin(), order->lineRows.end());
    }
    DeclareTextLengths(headerInsert, headerSets, pair.Header(), headerRows);
    DeclareTextLengths(lineInsert, lineSets, pair.Detail(), lineRows);
    RestoreShapes shapes;
    shapes.usual = RestoreBlockShapeFor(
        headerInsert.columns, lineInsert.columns,
        static_cast<double>(lineRows.size()) / static_cast<double>(std::max<size_t>(1, orders.size())));
    if (ordersPerRoundTrip > 0) shapes.usual.headers = std::min(shapes.usual.headers, ordersPerRoundTrip);
    shapes.large = LargeOrderShape(headerInsert.columns, lineInsert.columns);
    return shapes;
}

void OrderRestorer::Impl::SetBlockTexts(RestoreLane &lane, const RestoreShapes &shapes) {
    for (auto [statement, text, of] : {std::tuple{&lane.block, &lane.blockText, shapes.usual},
                                       std::tuple{&lane.largeBlock, &lane.largeBlockText, shapes.large}}) {
        if (of.headers <= 0) continue;
        std::string wanted = RestoreBlockText(of, headerInsert.columns, lineInsert.columns);
        if (wanted == *text) continue;
        Statement(*statement, lane.connection, wanted);
        *text = std::move(wanted);
    }
}

void OrderRestorer::Impl::OpenLanes(size_t count) {
    while (lanes.size() < count) {
        ownConnections.push_back(ConnectionLike(connection));
        auto lane = std::make_unique<RestoreLane>(*ownConnections.back());
        Statement(lane->insertHeader, lane->connection, InsertText(headerInsert.columns));
        Statement(lane->insertLine, lane->connection, InsertText(lineInsert.columns));
        lanes.push_back(std::move(lane));
    }
}

void OrderRestorer::Impl::OpenLanesAhead(size_t count) {
    LanesOpened();
    OpenLanes(count);
    for (size_t l = 0; l < count; ++l) {
        TSQLConnection &on = lanes[l]->connection;
        if (on.Connected()) continue;
        opening.emplace_back([&on] {
            try {
                on.Open();
            } catch (...) {}
        });
    }
}

void OrderRestorer::Impl::LanesOpened() {
    for (std::thread &thread : opening) thread.join();
    opening.clear();
}

namespace {

std::string ReasonOf(const std::exception_ptr &failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Exception &e) {
        return e.Message();
    } catch (...) {}
    return {};
}

}  // namespace

void OrderRestorer::Impl::RestoreOnOne(const std::vector<const BackupOrder *> &todo, const RestoreShapes &shapes,
                                       const BatchCommitted &committed, RestoreOutcome &outcome,
                                       std::chrono::milliseconds batchTime, const std::function<bool()> &stopWanted) {
    // Each order goes back alone when its block is refused; one the server
    // refuses then is left out, and the walk goes on.
    class Steps final : public OrderWalkSteps {
    public:
        Steps(Impl &d, const std::vector<const BackupOrder *> &todo, RestoreOutcome &outcome,
              const BatchCommitted &committed, const RestoreShapes &shapes, const std::function<bool()> &stopWanted)
            : d_(d), todo_(todo), outcome_(outcome), committed_(committed), shapes_(shapes), stopWanted_(stopWanted) {}

        size_t BlockFrom(size_t next) override { return shapes_.BlockFrom(todo_, next); }
        BlockSent SendBlock(size_t first, size_t count) override {
            const std::vector<const BackupOrder *> some(todo_.begin() + static_cast<std::ptrdiff_t>(first),
                                                        todo_.begin() + static_cast<std::ptrdiff_t>(first + count));
            ++outcome_.blocks;
            d_.SendBlock(d_.main, shapes_, some);
            for (const BackupOrder *order : some) Taken(order);
            return {count, false};
        }
        bool SendAlone(size_t at) override {
            ++outcome_.ordersAlone;
            d_.RestoreAlone(d_.main, *todo_[at]);
            Taken(todo_[at]);
            return true;
        }
        void LeftOut(size_t at, const std::exception_ptr &failure) override {
            outcome_.failed.emplace_back(todo_[at], ReasonOf(failure));
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
        bool CommitMadeAfterAll(const std::exception_ptr &) override { return AllThere(d_.main.connection, inBatch_); }
        void CommitInDoubt() override {
            outcome_.inDoubt.insert(outcome_.inDoubt.end(), inBatch_.begin(), inBatch_.end());
            Dropped();
        }
        bool StopRequested(size_t) override { return stopWanted_ && stopWanted_(); }

    private:
        void Taken(const BackupOrder *order) {
            inBatch_.push_back(order);
            batchLines_ += static_cast<int64_t>(order->lineRows.size());
        }

        Impl &d_;
        const std::vector<const BackupOrder *> &todo_;
        RestoreOutcome &outcome_;
        const BatchCommitted &committed_;
        const RestoreShapes &shapes_;
        const std::function<bool()> &stopWanted_;
        std::vector<const BackupOrder *> inBatch_;
        int64_t batchLines_ = 0;
    };
    Steps steps(*this, todo, outcome, committed, shapes, stopWanted);
    OrderWalk walk(connection, batchTime);
    WalkResult walked;
    walk.Run(todo.size(), steps, RefusedOrder::IsLeftOut, walked);
}

namespace {

// The run was abandoned (the journal failed): the lane rolls back what it
// has not committed.
struct Abandoned {};

// One lane's part: blocks taken from the shared orders one at a time, each
// batch a walk of its own that ends when the batch is due, and committed in
// the lane's turn.
class LaneSteps final : public OrderWalkSteps {
public:
    using Clock = OrderBatch::Clock;

    LaneSteps(OrderRestorer::Impl &d, RestoreLane &lane, RestoreLanes &hub, const RestoreShapes &shapes,
              Clock::duration batchTime)
        : d_(d), lane_(lane), hub_(hub), shapes_(shapes), batchTime_(batchTime) {}

    // Starts a batch with the next block; false when none is left.
    bool StartBatch() {
        mine_.clear();
        blockStart_ = 0;
        batchStarted_ = false;
        return TakeBlock();
    }
    // Orders left out, with the server's words, orders that went alone, and
    // a batch whose lost commit may or may not have been made.
    std::vector<std::pair<const BackupOrder *, std::string>> failed;
    std::vector<const BackupOrder *> inDoubt;
    int ordersAlone = 0;
    int blocks = 0;
    void EndTurn() { hub_.EndTurn(holdingTurn_); }

    size_t BlockFrom(size_t next) override { return alone_ ? 0 : mine_.size() - next; }
    BlockSent SendBlock(size_t first, size_t count) override {
        Started();
        const std::vector<const BackupOrder *> some(mine_.begin() + static_cast<std::ptrdiff_t>(first),
                                                    mine_.begin() + static_cast<std::ptrdiff_t>(first + count));
        const Clock::time_point sent = Clock::now();
        ++blocks;
        d_.SendBlock(lane_, shapes_, some);
        // A block's time is one round trip and the server's work: a bound
        // above the link's round trip.
        const Clock::duration took = Clock::now() - sent;
        if (roundTrip_ == Clock::duration::zero() || took < roundTrip_) roundTrip_ = took;
        inBatch_.insert(inBatch_.end(), some.begin(), some.end());
        return {count, false};
    }
    bool SendAlone(size_t at) override {
        Started();
        ++ordersAlone;
        d_.RestoreAlone(lane_, *mine_[at]);
        inBatch_.push_back(mine_[at]);
        return true;
    }
    void LeftOut(size_t at, const std::exception_ptr &failure) override {
        failed.emplace_back(mine_[at], ReasonOf(failure));
    }
    // Every commit, the one the walk makes on a failure too, waits for the
    // lane's turn: so at most one batch is committed and not yet told.
    void BeforeCommit() override {
        commitAsked_ = Clock::now();
        if (holdingTurn_) return;
        if (!hub_.TakeTurn()) throw Abandoned{};
        holdingTurn_ = true;
    }
    void Committed() override {
        const std::vector<const BackupOrder *> batch = std::move(inBatch_);
        inBatch_.clear();
        const bool told = batch.empty() ? (EndTurn(), !hub_.Abandoned()) : hub_.Committed(batch);
        holdingTurn_ = false;
        commitTook_ = Clock::now() - commitAsked_;
        if (!told) throw Abandoned{};
    }
    void Dropped() override {
        inBatch_.clear();
        EndTurn();
    }
    // Asked only when the commit failed with the connection lost, which is
    // the run's failure however the batch ended: no other lane commits after
    // it (see RestoreLanes::Abandon), so this batch is the only one that can
    // be in doubt.
    bool CommitMadeAfterAll(const std::exception_ptr &lost) override {
        hub_.Abandon(lost);
        return AllThere(lane_.connection, inBatch_);
    }
    void CommitInDoubt() override {
        inDoubt.insert(inDoubt.end(), inBatch_.begin(), inBatch_.end());
        Dropped();
    }
    // After each round trip: the batch ends (and is committed) when the run
    // stops, when it has worked long enough, or when no orders are left;
    // otherwise the lane takes the next block.
    bool StopRequested(size_t next) override {
        if (next < mine_.size()) return false;
        if (hub_.Abandoned()) throw Abandoned{};
        return hub_.Stopping() || Due() || !TakeBlock();
    }

private:
    bool TakeBlock() {
        bool alone = false;
        const std::vector<const BackupOrder *> block = hub_.NextBlock(alone);
        if (block.empty()) return false;
        blockStart_ = mine_.size();
        alone_ = alone;
        mine_.insert(mine_.end(), block.begin(), block.end());
        return true;
    }
    void Started() {
        if (batchStarted_) return;
        batchStarted_ = true;
        batchStart_ = Clock::now();
    }
    // The batch has worked long enough: as long as the batch time, and long
    // enough that its commit costs little beside it: at least as many round
    // trips as make a commit and the next start cost a tenth, and ten times
    // what the lane's last commit took from asking for the turn to the
    // journal (a server whose disk syncs slowly, or other lanes committing,
    // make the batches longer).
    bool Due() const {
        if (batchTime_ <= Clock::duration::zero()) return true;
        const Clock::duration worked = Clock::now() - batchStart_;
        return worked >= batchTime_ && worked >= OrderBatch::kRoundTripsPerBatch * roundTrip_ &&
               worked >= kCommitShare * commitTook_;
    }
    static constexpr int kCommitShare = 10;

    OrderRestorer::Impl &d_;
    RestoreLane &lane_;
    RestoreLanes &hub_;
    const RestoreShapes &shapes_;
    const Clock::duration batchTime_;
    std::vector<const BackupOrder *> mine_;     // the orders this batch took, in blocks
    size_t blockStart_ = 0;                     // where the last block starts among them
    bool alone_ = false;                        // whether that block is one order sent alone
    std::vector<const BackupOrder *> inBatch_;  // taken in the open batch
    bool batchStarted_ = false;
    Clock::time_point batchStart_{};
    Clock::duration roundTrip_{};
    bool holdingTurn_ = false;
    Clock::time_point commitAsked_{};
    Clock::duration commitTook_{};
};

}  // namespace

size_t OrderRestorer::Impl::RestoreOnLanes(size_t count, const std::vector<const BackupOrder *> &todo,
                                           const RestoreShapes &shapes, const BatchCommitted &committed,
                                           RestoreOutcome &outcome, std::chrono::milliseconds batchTime,
                                           const std::function<bool()> &stopWanted) {
    RestoreLanes hub(
        todo, [&](size_t next) { return shapes.BlockFrom(todo, next); }, static_cast<int>(count));
    std::vector<std::unique_ptr<LaneSteps>> steps;
    for (size_t l = 0; l < count; ++l)
        steps.push_back(std::make_unique<LaneSteps>(*this, *lanes[l], hub, shapes, batchTime));
    std::atomic<int> connected{0};
    std::vector<std::thread> threads;
    for (size_t l = 0; l < count; ++l)
        threads.emplace_back([&, l] {
            LaneSteps &lane = *steps[l];
            TSQLConnection &on = lanes[l]->connection;
            try {
                if (!on.Connected()) on.Open();
                ++connected;
            } catch (...) {
                // A lane that cannot connect leaves its share to the others.
                hub.LaneEnded();
                return;
            }
            // The walk only commits when the lane ends its batch.
            OrderWalk walk(on, std::chrono::hours(24 * 365));
            for (;;) {
                WalkResult walked;
                try {
                    if (!lane.StartBatch()) break;
                    walk.Run(std::numeric_limits<size_t>::max(), lane, RefusedOrder::IsLeftOut, walked);
                } catch (const Abandoned &) {
                    walk.RollBack(lane);
                    break;
                } catch (...) {
                    // This failure is the run's. The others stop after their
                    // round trip, keeping what they have done; but after a
                    // lost connection, which may be the link's, they roll
                    // their batches back: a commit sent over a dead link
                    // would be in doubt, and their orders are left for the
                    // next run instead.
                    walk.RollBack(lane);
                    if (on.Connected())
                        hub.Stop(std::current_exception());
                    else
                        hub.Abandon(std::current_exception());
                    break;
                }
                lane.EndTurn();
                if (hub.Stopping()) break;
            }
            lane.EndTurn();
            hub.LaneEnded();
        });
    hub.Serve(
        [&](const std::vector<const BackupOrder *> &batch) {
            outcome.restored.insert(outcome.restored.end(), batch.begin(), batch.end());
            for (const BackupOrder *order : batch)
                outcome.linesRestored += static_cast<int64_t>(order->lineRows.size());
            if (committed) committed(batch);
        },
        stopWanted);
    for (std::thread &thread : threads) thread.join();
    for (const auto &lane : steps) {
        outcome.failed.insert(outcome.failed.end(), lane->failed.begin(), lane->failed.end());
        outcome.inDoubt.insert(outcome.inDoubt.end(), lane->inDoubt.begin(), lane->inDoubt.end());
        outcome.ordersAlone += lane->ordersAlone;
        outcome.blocks += lane->blocks;
    }
    if (const std::exception_ptr failure = hub.Failure()) std::rethrow_exception(failure);
    return connected > 0 ? todo.size() : 0;
}

}  // namespace batchdel
