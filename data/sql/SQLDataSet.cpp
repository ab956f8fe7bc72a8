#include "data/sql/SQLDataSet.h"

#include <algorithm>
#include <map>

#include "data/dataset/Errors.h"
#include "data/dataset/ParamScan.h"
#include "data/sql/SqlTableName.h"

namespace {
bool SameAscii(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
               return up(x) == up(y);
           });
}

bool NameTaken(const std::vector<ColumnDesc> &columns, const std::string &name) {
    for (const ColumnDesc &c : columns)
        if (SameAscii(c.name, name)) return true;
    return false;
}

// Index rows as the driver lists them.
struct IndexEntry {
    std::string name;
    int type = 0;  // 1 non-unique, 2 unique, 4 primary key
    std::vector<std::string> columns;
    std::vector<bool> descending;
};
}  // namespace

TSQLDataSet::TSQLDataSet(std::string name) : TComponent(std::move(name)) {}

TSQLDataSet::~TSQLDataSet() {
    Close();
    FreeStatement();
    if (connection_) connection_->UnregisterClient(this);
}

void TSQLDataSet::SetSQLConnection(TSQLConnection *connection) {
    if (connection == connection_) return;
    Close();
    FreeStatement();
    if (connection_) connection_->UnregisterClient(this);
    connection_ = connection;
    if (connection_) connection_->RegisterClient(this);
}

void TSQLDataSet::SetCommandText(const std::string &text) {
    size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
    std::string trimmed = text.substr(start);
    if (trimmed == commandText_) return;
    if (Active()) throw EDatabaseError(Prefixed("Cannot perform this operation on an open dataset"));
    commandText_ = std::move(trimmed);
    paramNames_.clear();
    driverText_.clear();
    size_t copied = 0;
    for (const ParamMarker &marker : ScanParamMarkers(commandText_)) {
        paramNames_.push_back(marker.name);
        driverText_.append(commandText_, copied, marker.offset - copied);
        driverText_ += '?';
        copied = marker.offset + marker.length;
    }
    driverText_.append(commandText_, copied);
    paramIndexes_ = params_.Rebuild(paramNames_);
    FreeStatement();
    keysRead_ = false;
    keyProperties_.clear();
}

void TSQLDataSet::ConnectionClosing() {
    Close();
    FreeStatement();
}

void TSQLDataSet::ConnectionDestroyed() {
    Close();
    FreeStatement();
    connection_ = nullptr;
}

void TSQLDataSet::FreeStatement() {
    cursor_.reset();
    command_.reset();
    prepared_ = false;
}

void TSQLDataSet::CheckStatus(SQLStatus status, ISQLErrorSource *source) {
    if (status == SQLStatus::Success) return;
    TSQLConnection *on = command_ && command_.connection() ? command_.connection() : connection_;
    on->CheckStatus(status, source);
    // A connection that reports nothing for a failing status still must not
    // let the failure pass as success.
    throw EDatabaseError("SQL Error: status " + std::to_string(static_cast<unsigned>(status)));
}

void TSQLDataSet::Open() {
    if (Active()) return;
    if (!connection_) throw EDatabaseError(Prefixed("SQLConnection property required for this operation"));
    if (commandText_.empty()) throw EDatabaseError(Prefixed("No SQL statement available"));
    for (size_t i = 0; i < paramNames_.size(); ++i)
        if (!params_[paramIndexes_[i]].IsAssigned())
            throw EDatabaseError(Prefixed("No value for parameter '" + paramNames_[i] + "'"));
    try {
        if (!command_) {
            command_ = connection_->AcquireCommand();
            // Option statuses are not looked at: a driver that ignores the
            // row-set size still runs the statement.
            command_->setRowSetSize(StrToIntDef(connection_->ParamValue("RowsetSize"), 20));
            command_->setStoredProcedure(false);
        }
        if (!prepared_) {
            CheckStatus(command_->prepare(driverText_, static_cast<uint16_t>(paramNames_.size())), command_.get());
            prepared_ = true;
            ++prepareCount_;
        }
        for (size_t i = 0; i < paramNames_.size(); ++i) {
            const SQLParamValue value = params_[paramIndexes_[i]].DriverValue();
            CheckStatus(command_->setParameter(static_cast<uint16_t>(i + 1), value), command_.get());
        }
        ISQLCursor *cursor = nullptr;
        SQLStatus status = command_->execute(&cursor);
        cursor_.reset(cursor);
        if (status != SQLStatus::Success) {
            cursor_.reset();
            CheckStatus(status, command_.get());
        }
        if (!cursor_) throw EDatabaseError(Prefixed("Cursor not returned from Query"));
        DescribeColumns();
    } catch (...) {
        Close();
        throw;
    }
}

void TSQLDataSet::Close() {
    if (!cursor_) return;
    cursor_.reset();
    if (command_) command_->close();
    // Without KeepConnection the connection closes once no data set is open.
    if (connection_) connection_->DataSetClosed();
}

void TSQLDataSet::DescribeColumns() {
    ISQLCursor *cur = cursor_.get();
    columns_.clear();
    uint16_t count = 0;
    CheckStatus(cur->getColumnCount(&count), cur);
    columns_.reserve(count);
    for (uint16_t col = 1; col <= count; ++col) {
        ColumnDesc d;
        std::string name;
        uint32_t length = 0;
        int16_t precision = 0, scale = 0;
        bool nullable = true, readOnly = false;
        CheckStatus(cur->getColumnName(col, &name), cur);
        CheckStatus(cur->getColumnType(col, &d.type, &d.subType), cur);
        CheckStatus(cur->getColumnLength(col, &length), cur);
        CheckStatus(cur->getColumnPrecision(col, &precision), cur);
        CheckStatus(cur->getColumnScale(col, &scale), cur);
        CheckStatus(cur->isNullable(col, &nullable), cur);
        CheckStatus(cur->isReadOnly(col, &readOnly), cur);
        d.name = name;
        for (int n = 1; NameTaken(columns_, d.name); ++n) d.name = name + "_" + std::to_string(n);
        d.size = d.type == DataType::String ? static_cast<int>(length) : 0;
        if (d.type == DataType::Bcd) {
            d.precision = precision;
            d.scale = scale < 0 ? -scale : scale;
        }
        d.readOnly = readOnly;
        d.required = !nullable;
        columns_.push_back(std::move(d));
    }
}

int TSQLDataSet::FetchAllInto(TableEngine &engine) {
    ISQLCursor *cur = cursor_.get();
    const uint16_t count = static_cast<uint16_t>(columns_.size());
    std::vector<DataType> types;
    for (const ColumnDesc &c : columns_) types.push_back(c.type);
    int rows = 0;
    const char *data = nullptr;
    uint32_t len = 0;
    bool isNull = false;
    for (;;) {
        SQLStatus status = cur->next();
        if (IsEndOfRows(status)) break;
        CheckStatus(status, cur);
        engine.BeginRow();
        for (uint16_t c = 0; c < count; ++c) {
            const uint16_t col = c + 1;
            SQLStatus st = SQLStatus::Success;
            switch (types[c]) {
                case DataType::SmallInt:
                case DataType::Integer:
                case DataType::BigInt:
                case DataType::Bcd: {
                    int64_t v = 0;
                    st = cur->getInt64(col, &v, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetInt(c, v);
                    break;
                }
                case DataType::Float: {
                    double v = 0;
                    st = cur->getDouble(col, &v, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetDouble(c, v);
                    break;
                }
                case DataType::Date: {
                    int32_t days = 0;
                    st = cur->getDate(col, &days, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetDate(c, days);
                    break;
                }
                case DataType::Time: {
                    uint32_t fractions = 0;
                    st = cur->getTime(col, &fractions, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetTime(c, fractions);
                    break;
                }
                case DataType::TimeStamp: {
                    int32_t days = 0;
                    uint32_t fractions = 0;
                    st = cur->getTimeStamp(col, &days, &fractions, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetTimeStamp(c, days, fractions);
                    break;
                }
                case DataType::Boolean: {
                    bool v = false;
                    st = cur->getBoolean(col, &v, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetInt(c, v ? 1 : 0);
                    break;
                }
                case DataType::Memo:
                case DataType::Blob:
                    st = cur->getBlob(col, &data, &len, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetBytes(c, data, len);
                    break;
                case DataType::String:
                case DataType::Unknown:
                    st = cur->getString(col, &data, &len, &isNull);
                    if (st == SQLStatus::Success && !isNull) engine.SetBytes(c, data, len);
                    break;
            }
            CheckStatus(st, cur);
        }
        engine.EndRow();
        ++rows;
    }
    return rows;
}

std::vector<std::pair<std::string, std::string>> TSQLDataSet::KeyProperties() {
    if (keysRead_) return keyProperties_;
    std::vector<std::pair<std::string, std::string>> props;
    const std::string table = SingleTableName(commandText_);
    if (!table.empty() && connection_ && connection_->MetaData()) {
        ISQLMetaData *meta = connection_->MetaData();
        ISQLCursor *raw = nullptr;
        SQLStatus status = meta->getIndices(table, &raw);
        std::unique_ptr<ISQLCursor> list(raw);
        if (status != SQLStatus::Success) connection_->CheckStatus(status, meta);
        if (list) props = KeyPropertiesFrom(*list);
    }
    keyProperties_ = std::move(props);
    keysRead_ = true;
    return keyProperties_;
}

std::vector<std::pair<std::string, std::string>> TSQLDataSet::KeyPropertiesFrom(ISQLCursor &list) {
    auto check = [&](SQLStatus st) {
        if (st != SQLStatus::Success) connection_->CheckStatus(st, &list);
    };
    // Columns of the index list by name.
    uint16_t count = 0;
    check(list.getColumnCount(&count));
    int nameCol = 0, columnCol = 0, typeCol = 0, orderCol = 0;
    std::vector<DataType> types(count + 1, DataType::Unknown);
    for (uint16_t c = 1; c <= count; ++c) {
        std::string n;
        uint16_t sub = 0;
        check(list.getColumnName(c, &n));
        check(list.getColumnType(c, &types[c], &sub));
        if (SameAscii(n, "INDEX_NAME"))
            nameCol = c;
        else if (SameAscii(n, "COLUMN_NAME"))
            columnCol = c;
        else if (SameAscii(n, "INDEX_TYPE"))
            typeCol = c;
        else if (SameAscii(n, "SORT_ORDER"))
            orderCol = c;
    }
    if (!nameCol || !columnCol || !typeCol) return {};
    auto text = [&](int c) {
        const char *data = nullptr;
        uint32_t len = 0;
        bool isNull = false;
        check(list.getString(static_cast<uint16_t>(c), &data, &len, &isNull));
        std::string s = isNull ? std::string() : std::string(data, len);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    std::vector<IndexEntry> indexes;
    for (;;) {
        SQLStatus st = list.next();
        if (IsEndOfRows(st)) break;
        check(st);
        std::string name = text(nameCol);
        int type = 0;
        if (types[typeCol] == DataType::String) {
            type = StrToIntDef(text(typeCol), 0);
        } else {
            int64_t v = 0;
            bool isNull = false;
            check(list.getInt64(static_cast<uint16_t>(typeCol), &v, &isNull));
            type = static_cast<int>(v);
        }
        if (indexes.empty() || indexes.back().name != name) indexes.push_back({name, type, {}, {}});
        indexes.back().columns.push_back(text(columnCol));
        indexes.back().descending.push_back(orderCol && text(orderCol) == "D");
    }
    // An index counts only when the result holds all its columns.
    auto covered = [&](const IndexEntry &index) {
        return std::all_of(index.columns.begin(), index.columns.end(),
                           [&](const std::string &c) { return NameTaken(columns_, c); });
    };
    auto joined = [](const IndexEntry &index, bool marks) {
        std::string out;
        for (size_t i = 0; i < index.columns.size(); ++i) {
            if (i) out += ";";
            out += index.columns[i];
            if (marks && index.descending[i]) out += " DESC";
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> props;
    const IndexEntry *primary = nullptr, *unique = nullptr;
    for (const IndexEntry &index : indexes) {
        if (!covered(index)) continue;
        if ((index.type & 4) && !primary)
            primary = &index;
        else if ((index.type & 2) && !unique)
            unique = &index;
    }
    if (primary) props.emplace_back("PRIMARY_KEY", joined(*primary, false));
    if (unique) props.emplace_back("UNIQUE_KEY", joined(*unique, false));
    if (primary || unique) props.emplace_back("DEFAULT_ORDER", joined(primary ? *primary : *unique, true));
    return props;
}
