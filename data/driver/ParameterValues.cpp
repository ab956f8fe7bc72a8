#include "data/driver/ParameterValues.h"

#include <algorithm>
#include <cstring>

using namespace Firebird;

namespace {

constexpr unsigned kMaxVarCharBytes = 32765;
constexpr unsigned kMaxSegment = 32768;

template <class T>
void Write(unsigned char *to, T value) {
    std::memcpy(to, &value, sizeof value);
}

bool IsText(DataType type) { return type == DataType::String || type == DataType::Memo; }

// The type a value travels in: Firebird type, length, scale, subtype.
struct WireType {
    unsigned type;
    unsigned length;
    int scale = 0;
    int subType = 0;
};

WireType WireTypeOf(const SQLParamValue &value, size_t textBytes) {
    switch (value.type) {
        case DataType::String:
            return {SQL_VARYING, std::max<unsigned>(1, static_cast<unsigned>(textBytes))};
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::BigInt:
            return {SQL_INT64, 8};
        case DataType::Bcd:
            return {SQL_INT64, 8, -value.scale};
        case DataType::Float:
            return {SQL_DOUBLE, 8};
        case DataType::Date:
            return {SQL_TYPE_DATE, 4};
        case DataType::Time:
            return {SQL_TYPE_TIME, 4};
        case DataType::TimeStamp:
            return {SQL_TIMESTAMP, 8};
        case DataType::Boolean:
            return {SQL_BOOLEAN, 1};
        case DataType::Memo:
            return {SQL_BLOB, 8, 0, 1};
        case DataType::Blob:
            return {SQL_BLOB, 8, 0, 0};
        case DataType::Unknown:
            break;
    }
    return {0, 0};
}

// Writes a blob in the transaction and gives its id.
ISC_QUAD WriteBlob(FbStatus &status, ConnectionState &state, ITransaction *transaction, const std::string &bytes,
                   bool text) {
    // A text blob is stored in the connection's character set, as a text
    // literal would be; the server converts it for the column.
    const auto charSet = static_cast<unsigned char>(state.textCharSet());
    const unsigned char textBpb[] = {isc_bpb_version1, isc_bpb_source_type, 1, 1, isc_bpb_source_interp, 1,
                                     charSet,          isc_bpb_target_type, 1, 1, isc_bpb_target_interp, 1,
                                     charSet};
    ISC_QUAD id{};
    FbRef<IBlob> blob(
        state.attachment->createBlob(&status, transaction, &id, text ? sizeof textBpb : 0, text ? textBpb : nullptr));
    for (size_t at = 0; at < bytes.size(); at += kMaxSegment) {
        const auto length = static_cast<unsigned>(std::min<size_t>(kMaxSegment, bytes.size() - at));
        blob->putSegment(&status, length, bytes.data() + at);
    }
    blob->close(&status);
    blob.release();  // a closed blob has let go of itself
    return id;
}

}  // namespace

void ParameterValues::Reset(FbStatus &status, IStatement *statement) {
    Clear();
    described_.reset(statement->getInputMetadata(&status));
    values_.resize(described_->getCount(&status));
}

void ParameterValues::Clear() {
    values_.clear();
    described_.reset();
}

void ParameterValues::Set(const ConnectionState &state, uint16_t index, const SQLParamValue &value) {
    if (index < 1 || index > values_.size())
        Fail(SQLStatus::OutOfRange, "Parameter " + std::to_string(index) + " out of range");
    if (!value.isNull && WireTypeOf(value, 0).type == 0)
        Fail(SQLStatus::InvalidFieldType, "Parameter " + std::to_string(index) + " has no type");
    Value &stored = values_[index - 1];
    stored.value = value;
    stored.bytes.clear();
    if (!value.isNull && IsText(value.type))
        stored.bytes = state.ToServerText(value.bytes);
    else if (!value.isNull && value.type == DataType::Blob)
        stored.bytes.assign(value.bytes);
    if (!value.isNull && value.type == DataType::String && stored.bytes.size() > kMaxVarCharBytes)
        Fail(SQLStatus::InvalidLength,
             "Parameter " + std::to_string(index) + " is longer than " + std::to_string(kMaxVarCharBytes) + " bytes");
    stored.value.bytes = {};
    stored.set = true;
}

InputMessage ParameterValues::Build(FbStatus &status, ConnectionState &state, ITransaction *transaction) const {
    InputMessage message;
    if (values_.empty()) return message;
    for (size_t i = 0; i < values_.size(); ++i)
        if (!values_[i].set) Fail(SQLStatus::ParameterNotSet, "Parameter " + std::to_string(i + 1) + " has no value");

    // A NULL without a type keeps the marker's own.
    FbRef<IMetadataBuilder> builder(described_->getBuilder(&status));
    for (unsigned i = 0; i < values_.size(); ++i) {
        const SQLParamValue &value = values_[i].value;
        if (value.isNull && value.type == DataType::Unknown) {
            builder->setType(&status, i, described_->getType(&status, i) | 1);
            continue;
        }
        const WireType wire = WireTypeOf(value, values_[i].bytes.size());
        builder->setType(&status, i, wire.type | 1);
        builder->setLength(&status, i, wire.length);
        builder->setScale(&status, i, wire.scale);
        builder->setSubType(&status, i, wire.subType);
        builder->setCharSet(&status, i, IsText(value.type) ? state.textCharSet() : 0);
    }
    message.metadata.reset(builder->getMetadata(&status));
    IMessageMetadata *metadata = message.metadata.get();
    message.buffer.assign(metadata->getMessageLength(&status), 0);

    for (unsigned i = 0; i < values_.size(); ++i) {
        const Value &stored = values_[i];
        const SQLParamValue &value = stored.value;
        unsigned char *null = message.buffer.data() + metadata->getNullOffset(&status, i);
        Write<int16_t>(null, value.isNull ? -1 : 0);
        if (value.isNull) continue;
        unsigned char *at = message.buffer.data() + metadata->getOffset(&status, i);
        switch (value.type) {
            case DataType::String:
                Write<uint16_t>(at, static_cast<uint16_t>(stored.bytes.size()));
                std::memcpy(at + sizeof(uint16_t), stored.bytes.data(), stored.bytes.size());
                break;
            case DataType::SmallInt:
            case DataType::Integer:
            case DataType::BigInt:
            case DataType::Bcd:
                Write<int64_t>(at, value.integer);
                break;
            case DataType::Float:
                Write<double>(at, value.real);
                break;
            case DataType::Date:
                Write<int32_t>(at, value.days);
                break;
            case DataType::Time:
                Write<uint32_t>(at, value.fractions);
                break;
            case DataType::TimeStamp:
                Write<int32_t>(at, value.days);
                Write<uint32_t>(at + 4, value.fractions);
                break;
            case DataType::Boolean:
                *at = value.integer != 0 ? 1 : 0;
                break;
            case DataType::Memo:
            case DataType::Blob:
                Write<ISC_QUAD>(at, WriteBlob(status, state, transaction, stored.bytes, value.type == DataType::Memo));
                break;
            case DataType::Unknown:
                break;
        }
    }
    return message;
}
