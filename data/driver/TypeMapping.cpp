#include "data/driver/TypeMapping.h"

#include <algorithm>

using namespace Firebird;

namespace {

constexpr unsigned kCharSetNone = 0;
constexpr unsigned kCharSetOctets = 1;
constexpr unsigned kCharSetUtf8 = 4;
constexpr unsigned kMaxVarCharBytes = 32765;

// Sets the column's type, length and character set in the fetch message and
// fills in what the cursor reports for it.
void MapColumn(FbStatus &status, IMessageMetadata *described, IMetadataBuilder *builder, unsigned i, ColumnInfo &col) {
    const unsigned type = described->getType(&status, i) & ~1u;
    const unsigned length = described->getLength(&status, i);
    const int scale = described->getScale(&status, i);
    const int subType = described->getSubType(&status, i);
    const unsigned charSet = described->getCharSet(&status, i) & 0xFF;

    unsigned fetchType = type;
    switch (type) {
        case SQL_TEXT:
        case SQL_VARYING: {
            col.type = DataType::String;
            col.fixedChar = type == SQL_TEXT;
            col.length = length / BytesPerChar(charSet);
            if (charSet != kCharSetNone && charSet != kCharSetOctets) {
                // Let the server turn any character set into UTF-8.
                col.utf8 = true;
                builder->setCharSet(&status, i, kCharSetUtf8);
                builder->setLength(&status, i, std::min(col.length * 4, kMaxVarCharBytes));
            }
            break;
        }
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            if (scale < 0) {
                col.type = DataType::Bcd;
                col.subType = static_cast<uint16_t>(subType);
                col.precision = type == SQL_SHORT ? 4 : type == SQL_LONG ? 9 : 18;
                col.scale = static_cast<int16_t>(scale);
                col.length = 8;
                fetchType = SQL_INT64;
                builder->setLength(&status, i, 8);
            } else {
                col.type = type == SQL_SHORT  ? DataType::SmallInt
                           : type == SQL_LONG ? DataType::Integer
                                              : DataType::BigInt;
                col.length = length;
                col.precision = type == SQL_SHORT ? 5 : type == SQL_LONG ? 10 : 19;
            }
            break;
        case SQL_FLOAT:
        case SQL_D_FLOAT:
        case SQL_DOUBLE:
            col.type = DataType::Float;
            col.length = 8;
            col.precision = 15;
            fetchType = SQL_DOUBLE;
            builder->setLength(&status, i, 8);
            break;
        case SQL_TYPE_DATE:
            col.type = DataType::Date;
            col.length = 4;
            break;
        case SQL_TYPE_TIME:
            col.type = DataType::Time;
            col.length = 4;
            break;
        case SQL_TIMESTAMP:
            col.type = DataType::TimeStamp;
            col.length = 8;
            break;
        case SQL_BOOLEAN:
            col.type = DataType::Boolean;
            col.length = 1;
            break;
        case SQL_BLOB:
            col.type = subType == 1 ? DataType::Memo : DataType::Blob;
            col.subType = static_cast<uint16_t>(subType);
            col.charSet = charSet;
            col.length = 8;
            break;
        default:
            // NULL literals and anything this driver does not know come as text.
            col.type = DataType::String;
            col.length = 1;
            col.utf8 = true;
            fetchType = SQL_VARYING;
            builder->setCharSet(&status, i, kCharSetUtf8);
            builder->setLength(&status, i, 4);
            builder->setScale(&status, i, 0);
            break;
    }
    col.fbType = fetchType;
    builder->setType(&status, i, fetchType | 1);  // always with a null flag
}

}  // namespace

unsigned BytesPerChar(unsigned charSetId) {
    switch (charSetId) {
        case 3:
            return 3;  // UNICODE_FSS
        case 4:
            return 4;  // UTF8
        case 69:
            return 4;  // GB18030
        case 5:
        case 6:
        case 44:
        case 56:  // SJIS, EUCJ, KSC5601, BIG5
        case 57:
        case 67:
        case 68:  // GB2312, GBK, CP943C
            return 2;
        default:
            return 1;
    }
}

size_t Utf8PrefixBytes(const char *text, size_t bytes, size_t chars) {
    size_t pos = 0;
    for (size_t n = 0; n < chars && pos < bytes; ++n) {
        ++pos;
        while (pos < bytes && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    }
    return pos;
}

OutputLayout::OutputLayout(FbStatus &status, IMessageMetadata *described) {
    const unsigned count = described->getCount(&status);
    FbRef<IMetadataBuilder> builder(described->getBuilder(&status));
    columns_.resize(count);
    for (unsigned i = 0; i < count; ++i) {
        ColumnInfo &col = columns_[i];
        col.name = described->getAlias(&status, i);
        if (col.name.empty()) col.name = described->getField(&status, i);
        col.nullable = described->isNullable(&status, i);
        MapColumn(status, described, builder.get(), i, col);
    }
    metadata_.reset(builder->getMetadata(&status));
    messageLength_ = metadata_->getMessageLength(&status);
    for (unsigned i = 0; i < count; ++i) {
        columns_[i].offset = metadata_->getOffset(&status, i);
        columns_[i].nullOffset = metadata_->getNullOffset(&status, i);
        columns_[i].byteLength = metadata_->getLength(&status, i);
    }
}
