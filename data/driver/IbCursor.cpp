#include "data/driver/IbCursor.h"

#include <cstring>

#include "data/driver/FbHandles.h"

using namespace Firebird;

namespace {

template <class T>
T Read(const unsigned char *data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

int64_t ReadInteger(const ColumnInfo &column, const unsigned char *data) {
    switch (column.fbType) {
        case SQL_SHORT:
            return Read<int16_t>(data);
        case SQL_LONG:
            return Read<int32_t>(data);
        default:
            return Read<int64_t>(data);
    }
}

bool IsInteger(DataType type) {
    return type == DataType::SmallInt || type == DataType::Integer || type == DataType::BigInt || type == DataType::Bcd;
}

}  // namespace

IbCursor *IbCursor::Open(const std::shared_ptr<ConnectionState> &state,
                         const std::shared_ptr<StatementHandle> &statement, const ParameterValues &params,
                         FbStatus &status) {
    FbRef<IMessageMetadata> described(statement->get()->getOutputMetadata(&status));
    auto layout = std::make_unique<OutputLayout>(status, described.get());
    std::unique_ptr<IbCursor> cursor(new IbCursor(state, statement, std::move(layout)));
    StatementTransaction transaction(*state, status);
    InputMessage input = params.Build(status, *state, transaction.get());
    cursor->resultSet_ = statement->get()->openCursor(&status, transaction.get(), input.metadata.get(), input.data(),
                                                      cursor->layout_->metadata(), 0);
    cursor->ownTransaction_ = transaction.ownsTransaction();
    cursor->transaction_ = cursor->ownTransaction_ ? transaction.TakeOwn() : transaction.get();
    return cursor.release();
}

IbCursor::IbCursor(std::shared_ptr<ConnectionState> state, std::shared_ptr<StatementHandle> statement,
                   std::unique_ptr<OutputLayout> layout)
    : state_(std::move(state)),
      statement_(std::move(statement)),
      layout_(std::move(layout)),
      status_(state_->client->master->getStatus()),
      buffer_(layout_->messageLength()),
      blobs_(layout_->columns().size()),
      blobLoaded_(layout_->columns().size(), false) {
    errors_.setUtil(state_->client->util);
    state_->Register(this);
}

IbCursor::~IbCursor() {
    Finish();
    state_->Unregister(this);
}

void IbCursor::Finish() {
    onRow_ = false;
    atEnd_ = true;
    if (resultSet_) {
        FbQuietStatus status(state_->client->master);
        resultSet_->close(&status);
        if (status.failed()) resultSet_->release();
        resultSet_ = nullptr;
    }
    if (ownTransaction_ && transaction_) EndQuietly(*state_->client, transaction_, true);
    transaction_ = nullptr;
    ownTransaction_ = false;
}

void IbCursor::ReleaseBeforeDetach() {
    if (resultSet_ && !atEnd_) cutOff_ = "The connection was closed before the cursor's last row";
    Finish();
    statement_.reset();
}

void IbCursor::TransactionEnding(ITransaction *transaction) {
    if (ownTransaction_ || transaction_ != transaction) return;
    if (resultSet_ && !atEnd_) cutOff_ = "The transaction ended before the cursor's last row";
    Finish();
}

const ColumnInfo *IbCursor::Column(uint16_t col, SQLStatus *status) {
    const auto &columns = layout_->columns();
    if (col < 1 || col > columns.size()) {
        *status = errors_.Set(SQLStatus::OutOfRange, "Column " + std::to_string(col) + " out of range");
        return nullptr;
    }
    *status = SQLStatus::Success;
    return &columns[col - 1];
}

const unsigned char *IbCursor::Value(const ColumnInfo &column) const {
    if (Read<int16_t>(&buffer_[column.nullOffset]) != 0) return nullptr;
    return &buffer_[column.offset];
}

SQLStatus IbCursor::getColumnCount(uint16_t *count) {
    if (!count) return errors_.Set(SQLStatus::InvalidParameter, "No place for the column count");
    *count = static_cast<uint16_t>(layout_->columns().size());
    return SQLStatus::Success;
}

SQLStatus IbCursor::getColumnName(uint16_t col, std::string *name) {
    SQLStatus status;
    const ColumnInfo *column = Column(col, &status);
    if (column && name) *name = column->name;
    return status;
}

SQLStatus IbCursor::getColumnType(uint16_t col, DataType *type, uint16_t *subType) {
    SQLStatus status;
    if (const ColumnInfo *column = Column(col, &status)) {
        if (type) *type = column->type;
        if (subType) *subType = column->subType;
    }
    return status;
}

SQLStatus IbCursor::getColumnLength(uint16_t col, uint32_t *length) {
    SQLStatus status;
    const ColumnInfo *column = Column(col, &status);
    if (column && length) *length = column->length;
    return status;
}

SQLStatus IbCursor::getColumnPrecision(uint16_t col, int16_t *precision) {
    SQLStatus status;
    const ColumnInfo *column = Column(col, &status);
    if (column && precision) *precision = column->precision;
    return status;
}

SQLStatus IbCursor::getColumnScale(uint16_t col, int16_t *scale) {
    SQLStatus status;
    const ColumnInfo *column = Column(col, &status);
    if (column && scale) *scale = column->scale;
    return status;
}

SQLStatus IbCursor::isNullable(uint16_t col, bool *nullable) {
    SQLStatus status;
    const ColumnInfo *column = Column(col, &status);
    if (column && nullable) *nullable = column->nullable;
    return status;
}

SQLStatus IbCursor::isReadOnly(uint16_t col, bool *readOnly) {
    SQLStatus status;
    // Every column may be changed in memory, constants and expressions of
    // the select list included (the order list ticks its SELECT_YN column).
    if (Column(col, &status) && readOnly) *readOnly = false;
    return status;
}

SQLStatus IbCursor::next() {
    // Rows cut off by the end of the transaction are a failure, not the end.
    if (!cutOff_.empty()) return errors_.Set(SQLStatus::InvalidHandle, cutOff_);
    if (atEnd_) return SQLStatus::EndOfRows;
    return errors_.Run([&]() -> SQLStatus {
        if (!resultSet_) Fail(SQLStatus::InvalidHandle, "The cursor is closed");
        onRow_ = false;
        status_->init();  // of what an earlier failure left in it
        FbStatus status(status_.get());
        const int result = resultSet_->fetchNext(&status, buffer_.data());
        if (result != IStatus::RESULT_OK) {
            atEnd_ = true;
            return SQLStatus::EndOfRows;
        }
        onRow_ = true;
        if (!blobs_.empty()) blobLoaded_.assign(blobLoaded_.size(), false);
        return SQLStatus::Success;
    });
}

SQLStatus IbCursor::CheckRead(uint16_t col, std::initializer_list<DataType> types, const ColumnInfo **column,
                              bool *isNull) {
    SQLStatus status;
    *column = Column(col, &status);
    if (!*column) return status;
    if (!onRow_) return errors_.Set(SQLStatus::InvalidParameter, "No current row");
    bool fits = false;
    for (DataType type : types) fits = fits || (*column)->type == type;
    if (!fits)
        return errors_.Set(SQLStatus::InvalidTranslation, "Column " + (*column)->name + " cannot be read as this type");
    if (isNull) *isNull = Value(**column) == nullptr;
    return SQLStatus::Success;
}

SQLStatus IbCursor::getString(uint16_t col, const char **data, uint32_t *len, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status = CheckRead(col, {DataType::String, DataType::Memo, DataType::Blob}, &column, &null);
        status != SQLStatus::Success)
        return status;
    if (column->type != DataType::String) return getBlob(col, data, len, isNull);
    if (isNull) *isNull = null;
    if (null) {
        *data = "";
        *len = 0;
        return SQLStatus::Success;
    }
    const unsigned char *value = Value(*column);
    const char *text;
    size_t bytes;
    if (column->fbType == SQL_VARYING) {
        bytes = Read<uint16_t>(value);
        text = reinterpret_cast<const char *>(value) + sizeof(uint16_t);
    } else {
        text = reinterpret_cast<const char *>(value);
        bytes = column->byteLength;
        // A CHAR(n) comes padded to n characters of the widest size; it is
        // handed out as n characters.
        if (column->utf8) bytes = Utf8PrefixBytes(text, bytes, column->length);
        if (state_->options.trimChar)
            while (bytes > 0 && text[bytes - 1] == ' ') --bytes;
    }
    *data = text;
    *len = static_cast<uint32_t>(bytes);
    return SQLStatus::Success;
}

SQLStatus IbCursor::getInt64(uint16_t col, int64_t *value, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status =
            CheckRead(col, {DataType::SmallInt, DataType::Integer, DataType::BigInt, DataType::Bcd}, &column, &null);
        status != SQLStatus::Success)
        return status;
    if (isNull) *isNull = null;
    *value = null ? 0 : ReadInteger(*column, Value(*column));
    return SQLStatus::Success;
}

SQLStatus IbCursor::getDouble(uint16_t col, double *value, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status =
            CheckRead(col, {DataType::Float, DataType::SmallInt, DataType::Integer, DataType::BigInt, DataType::Bcd},
                      &column, &null);
        status != SQLStatus::Success)
        return status;
    if (isNull) *isNull = null;
    if (null) {
        *value = 0;
    } else if (IsInteger(column->type)) {
        double scaled = static_cast<double>(ReadInteger(*column, Value(*column)));
        for (int s = column->scale; s < 0; ++s) scaled /= 10;
        *value = scaled;
    } else {
        *value = Read<double>(Value(*column));
    }
    return SQLStatus::Success;
}

SQLStatus IbCursor::getDate(uint16_t col, int32_t *days, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status = CheckRead(col, {DataType::Date, DataType::TimeStamp}, &column, &null);
        status != SQLStatus::Success)
        return status;
    if (isNull) *isNull = null;
    *days = null ? 0 : Read<int32_t>(Value(*column));
    return SQLStatus::Success;
}

SQLStatus IbCursor::getTime(uint16_t col, uint32_t *fractions, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status = CheckRead(col, {DataType::Time, DataType::TimeStamp}, &column, &null);
        status != SQLStatus::Success)
        return status;
    if (isNull) *isNull = null;
    const unsigned skip = column->type == DataType::TimeStamp ? 4 : 0;
    *fractions = null ? 0 : Read<uint32_t>(Value(*column) + skip);
    return SQLStatus::Success;
}

SQLStatus IbCursor::getTimeStamp(uint16_t col, int32_t *days, uint32_t *fractions, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status = CheckRead(col, {DataType::TimeStamp, DataType::Date}, &column, &null);
        status != SQLStatus::Success)
        return status;
    if (isNull) *isNull = null;
    *days = null ? 0 : Read<int32_t>(Value(*column));
    *fractions = null || column->type == DataType::Date ? 0 : Read<uint32_t>(Value(*column) + 4);
    return SQLStatus::Success;
}

SQLStatus IbCursor::getBoolean(uint16_t col, bool *value, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status = CheckRead(col, {DataType::Boolean}, &column, &null); status != SQLStatus::Success)
        return status;
    if (isNull) *isNull = null;
    *value = !null && *Value(*column) != 0;
    return SQLStatus::Success;
}

SQLStatus IbCursor::getBlob(uint16_t col, const char **data, uint32_t *len, bool *isNull) {
    const ColumnInfo *column;
    bool null;
    if (SQLStatus status = CheckRead(col, {DataType::Memo, DataType::Blob, DataType::String}, &column, &null);
        status != SQLStatus::Success)
        return status;
    if (column->type == DataType::String) return getString(col, data, len, isNull);
    if (isNull) *isNull = null;
    if (null) {
        *data = "";
        *len = 0;
        return SQLStatus::Success;
    }
    return errors_.Run([&]() -> SQLStatus {
        const std::string &value = LoadBlob(col, *column);
        *data = value.data();
        *len = static_cast<uint32_t>(value.size());
        return SQLStatus::Success;
    });
}

const std::string &IbCursor::LoadBlob(uint16_t col, const ColumnInfo &column) {
    std::string &value = blobs_[col - 1];
    if (blobLoaded_[col - 1]) return value;
    state_->RequireConnected();
    if (!transaction_) Fail(SQLStatus::InvalidHandle, "The cursor's transaction has ended");
    value.clear();
    // Text blobs are read as UTF-8 whatever the connection's character set.
    const unsigned char toUtf8[] = {isc_bpb_version1,
                                    isc_bpb_source_type,
                                    1,
                                    1,
                                    isc_bpb_source_interp,
                                    1,
                                    static_cast<unsigned char>(column.charSet),
                                    isc_bpb_target_type,
                                    1,
                                    1,
                                    isc_bpb_target_interp,
                                    1,
                                    4};
    const bool convert = column.type == DataType::Memo && column.charSet > 1 && state_->options.CharSet() != "UTF8";
    ISC_QUAD id = Read<ISC_QUAD>(Value(column));
    status_->init();
    FbStatus status(status_.get());
    FbRef<IBlob> blob(state_->attachment->openBlob(&status, transaction_, &id, convert ? sizeof toUtf8 : 0,
                                                   convert ? toUtf8 : nullptr));
    char segment[32768];
    for (;;) {
        unsigned got = 0;
        const int result = blob->getSegment(&status, sizeof segment, segment, &got);
        if (result == IStatus::RESULT_NO_DATA) break;
        value.append(segment, got);
    }
    blob->close(&status);
    blob.release();  // a closed blob has let go of itself
    blobLoaded_[col - 1] = true;
    return value;
}
