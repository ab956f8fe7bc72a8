#include "data/driver/IbMetaData.h"

#include <cctype>

#include "data/driver/IbCommand.h"

namespace {

// A table name as the system tables hold it: a quoted name as written,
// anything else in upper case.
std::string StoredName(const std::string &name) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
    std::string upper = name;
    for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string Literal(const std::string &text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

}  // namespace

std::string IndexListQuery(const std::string &tableName) {
    // INDEX_TYPE: 1 non-unique, 2 unique, 4 primary key (a primary key is
    // unique too, so it gives 6).
    return "SELECT TRIM(I.RDB$INDEX_NAME) AS INDEX_NAME,"
           " TRIM(S.RDB$FIELD_NAME) AS COLUMN_NAME,"
           " CAST(CASE WHEN C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' THEN 6"
           " WHEN I.RDB$UNIQUE_FLAG = 1 THEN 2 ELSE 1 END AS INTEGER) AS INDEX_TYPE,"
           " CAST(CASE WHEN I.RDB$INDEX_TYPE = 1 THEN 'D' ELSE 'A' END AS VARCHAR(1))"
           " AS SORT_ORDER"
           " FROM RDB$INDICES I"
           " JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
           " LEFT JOIN RDB$RELATION_CONSTRAINTS C ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
           " AND C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"
           " WHERE I.RDB$RELATION_NAME = " +
           Literal(StoredName(tableName)) +
           " AND COALESCE(I.RDB$INDEX_INACTIVE, 0) = 0"
           " ORDER BY I.RDB$INDEX_NAME, S.RDB$FIELD_POSITION";
}

IbMetaData::IbMetaData(std::shared_ptr<ConnectionState> state) : state_(std::move(state)) {
    errors_.setUtil(state_->client->util);
}

SQLStatus IbMetaData::setOption(ConnOption option, const std::string &value) {
    return state_->options.Set(option, value);
}

SQLStatus IbMetaData::getOption(ConnOption option, int64_t *value) { return state_->options.Get(option, value); }

SQLStatus IbMetaData::getOption(ConnOption option, std::string *value) { return state_->options.Get(option, value); }

SQLStatus IbMetaData::getIndices(const std::string &tableName, ISQLCursor **cursor) {
    if (!cursor) return errors_.Set(SQLStatus::InvalidParameter, "No place for the cursor");
    *cursor = nullptr;
    // The cursor keeps the statement alive after the command has gone.
    IbCommand command(state_);
    SQLStatus status = command.prepare(IndexListQuery(tableName), 0);
    if (status == SQLStatus::Success) status = command.execute(cursor);
    if (status != SQLStatus::Success) {
        std::string text;
        command.getErrorMessage(&text);
        errors_.Set(status, text);
    }
    return status;
}
