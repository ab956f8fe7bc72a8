#include "data/dataset/PacketRecord.h"

#include <algorithm>
#include <bit>

#include "data/dataset/TableEngine.h"

namespace packet {

int SlotWidth(DataType type) {
    switch (type) {
        case DataType::Boolean:
            return 1;
        case DataType::SmallInt:
            return 2;
        case DataType::Integer:
        case DataType::Date:
        case DataType::Time:
            return 4;
        case DataType::BigInt:
        case DataType::Bcd:
        case DataType::Float:
        case DataType::TimeStamp:
            return 8;
        case DataType::String:
        case DataType::Memo:
        case DataType::Blob:
        case DataType::Unknown:
            return 4;  // end offset of the bytes
    }
    return 4;
}

bool IsKnownType(uint16_t type) { return type <= static_cast<uint16_t>(DataType::Blob); }

const char *TypeName(DataType type) {
    switch (type) {
        case DataType::Unknown:
            return "Unknown";
        case DataType::String:
            return "String";
        case DataType::SmallInt:
            return "SmallInt";
        case DataType::Integer:
            return "Integer";
        case DataType::BigInt:
            return "BigInt";
        case DataType::Float:
            return "Float";
        case DataType::Bcd:
            return "Bcd";
        case DataType::Date:
            return "Date";
        case DataType::Time:
            return "Time";
        case DataType::TimeStamp:
            return "TimeStamp";
        case DataType::Boolean:
            return "Boolean";
        case DataType::Memo:
            return "Memo";
        case DataType::Blob:
            return "Blob";
    }
    return "Unknown";
}

RecordLayout::RecordLayout(const std::vector<ColumnDesc> &columns) {
    bitmapBytes = static_cast<uint32_t>((columns.size() + 7) / 8);
    uint32_t at = bitmapBytes;
    cols.reserve(columns.size());
    for (const ColumnDesc &c : columns) {
        ColumnSlot s;
        s.offset = at;
        s.width = static_cast<uint8_t>(SlotWidth(c.type));
        s.type = c.type;
        s.maxChars = c.type == DataType::String && c.size > 0 ? c.size : 0;
        if (IsVariable(c.type)) {
            varCols.push_back(static_cast<int>(cols.size()));
            s.prevVarSlot = lastVarSlot;
            lastVarSlot = static_cast<int32_t>(at);
        }
        at += s.width;
        cols.push_back(s);
    }
    headerSize = at;
}

std::string RecordLayout::Check(const uint8_t *rec, size_t len, const std::vector<ColumnDesc> &columns) const {
    if (len < headerSize) return "a record is shorter than its slots";
    const size_t n = cols.size();
    if (n % 8 != 0 && (rec[bitmapBytes - 1] >> (n % 8)) != 0) return "a record has stray null bits";
    uint32_t prevEnd = headerSize;
    for (size_t i = 0; i < n; ++i) {
        const ColumnSlot &c = cols[i];
        const uint8_t *slot = rec + c.offset;
        const bool null = IsNull(rec, static_cast<int>(i));
        const std::string &name = columns[i].name;
        if (IsVariable(c.type)) {
            const uint32_t end = LoadLE<uint32_t>(slot);
            if (end < prevEnd || end > len) return "the bytes of field '" + name + "' lie outside its record";
            if (null && end != prevEnd) return "the null field '" + name + "' holds bytes";
            if (c.maxChars > 0 && end - prevEnd > static_cast<uint32_t>(c.maxChars) &&
                Utf8Length({reinterpret_cast<const char *>(rec) + prevEnd, end - prevEnd}) >
                    static_cast<size_t>(c.maxChars))
                return "the text of field '" + name + "' is longer than its size";
            prevEnd = end;
            continue;
        }
        if (null) {
            for (int k = 0; k < c.width; ++k)
                if (slot[k] != 0) return "the null field '" + name + "' holds a value";
            continue;
        }
        switch (c.type) {
            case DataType::Boolean:
                if (*slot > 1) return "field '" + name + "' holds a truth value other than 0 or 1";
                break;
            case DataType::Date: {
                const int32_t d = LoadLE<int32_t>(slot);
                if (d < kMinDbDate || d > kMaxDbDate) return "field '" + name + "' holds a date out of range";
                break;
            }
            case DataType::Time:
                if (LoadLE<uint32_t>(slot) >= kFractionsPerDay) return "field '" + name + "' holds a time out of range";
                break;
            case DataType::TimeStamp: {
                const int32_t d = LoadLE<int32_t>(slot);
                if (d < kMinDbDate || d > kMaxDbDate || LoadLE<uint32_t>(slot + 4) >= kFractionsPerDay)
                    return "field '" + name + "' holds a time stamp out of range";
                break;
            }
            default:
                break;
        }
    }
    if (prevEnd != len) return "a record's length does not match its fields";
    return {};
}

RecordBuilder::RecordBuilder(const RecordLayout &layout)
    : layout_(layout), header_(layout.headerSize), spans_(layout.cols.size()) {
    Reset();
}

void RecordBuilder::Reset() {
    std::fill(header_.begin(), header_.end(), uint8_t{0});
    const size_t n = layout_.cols.size();
    for (size_t b = 0; b < n / 8; ++b) header_[b] = 0xFF;
    if (n % 8) header_[n / 8] = static_cast<uint8_t>((1u << (n % 8)) - 1);
    for (Span &s : spans_) s = Span{};
    bytes_.clear();
    varTotal_ = 0;
}

void RecordBuilder::SetNull(int col) {
    header_[col >> 3] |= static_cast<uint8_t>(1u << (col & 7));
    const ColumnSlot &c = layout_.cols[col];
    std::memset(header_.data() + c.offset, 0, c.width);
    varTotal_ -= spans_[col].len;
    spans_[col] = Span{};
}

void RecordBuilder::SetInt(int col, int64_t value) {
    header_[col >> 3] &= static_cast<uint8_t>(~(1u << (col & 7)));
    uint8_t *slot = header_.data() + layout_.cols[col].offset;
    switch (layout_.cols[col].width) {
        case 1:
            *slot = static_cast<uint8_t>(value);
            break;
        case 2:
            StoreLE(slot, static_cast<int16_t>(value));
            break;
        case 4:
            StoreLE(slot, static_cast<int32_t>(value));
            break;
        default:
            StoreLE(slot, value);
            break;
    }
}

void RecordBuilder::SetDouble(int col, double value) {
    header_[col >> 3] &= static_cast<uint8_t>(~(1u << (col & 7)));
    StoreLE(header_.data() + layout_.cols[col].offset, std::bit_cast<uint64_t>(value));
}

void RecordBuilder::SetDate(int col, int32_t days) {
    header_[col >> 3] &= static_cast<uint8_t>(~(1u << (col & 7)));
    StoreLE(header_.data() + layout_.cols[col].offset, days);
}

void RecordBuilder::SetTime(int col, uint32_t fractions) {
    header_[col >> 3] &= static_cast<uint8_t>(~(1u << (col & 7)));
    StoreLE(header_.data() + layout_.cols[col].offset, fractions);
}

void RecordBuilder::SetTimeStamp(int col, int32_t days, uint32_t fractions) {
    header_[col >> 3] &= static_cast<uint8_t>(~(1u << (col & 7)));
    uint8_t *slot = header_.data() + layout_.cols[col].offset;
    StoreLE(slot, days);
    StoreLE(slot + 4, fractions);
}

void RecordBuilder::SetBytes(int col, const char *data, size_t len) {
    header_[col >> 3] &= static_cast<uint8_t>(~(1u << (col & 7)));
    varTotal_ -= spans_[col].len;
    spans_[col] = Span{static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(len)};
    bytes_.append(data, len);
    varTotal_ += len;
}

void RecordBuilder::SetValue(int col, const FieldValue &v) {
    if (v.isNull) return SetNull(col);
    switch (layout_.cols[col].type) {
        case DataType::Float:
            return SetDouble(col, v.f);
        case DataType::Date:
            return SetDate(col, v.date);
        case DataType::Time:
            return SetTime(col, v.time);
        case DataType::TimeStamp:
            return SetTimeStamp(col, v.date, v.time);
        case DataType::String:
        case DataType::Memo:
        case DataType::Blob:
        case DataType::Unknown:
            return SetBytes(col, v.s.data(), v.s.size());
        default:
            return SetInt(col, v.i);
    }
}

size_t RecordBuilder::Length() const { return layout_.headerSize + varTotal_; }

void RecordBuilder::Finish(uint8_t *out) const {
    if (!header_.empty()) std::memcpy(out, header_.data(), header_.size());  // a table may have no columns
    uint32_t at = layout_.headerSize;
    for (const int i : layout_.varCols) {
        const ColumnSlot &c = layout_.cols[i];
        const Span &s = spans_[i];
        if (s.len) std::memcpy(out + at, bytes_.data() + s.at, s.len);
        at += s.len;
        StoreLE(out + c.offset, at);
    }
}

FieldValue DecodeValue(const RecordLayout &layout, const uint8_t *rec, int col) {
    FieldValue v;
    if (layout.IsNull(rec, col)) return v;
    v.isNull = false;
    const ColumnSlot &c = layout.cols[col];
    const uint8_t *slot = rec + c.offset;
    switch (c.type) {
        case DataType::Boolean:
            v.i = *slot;
            break;
        case DataType::SmallInt:
            v.i = LoadLE<int16_t>(slot);
            break;
        case DataType::Integer:
            v.i = LoadLE<int32_t>(slot);
            break;
        case DataType::BigInt:
        case DataType::Bcd:
            v.i = LoadLE<int64_t>(slot);
            break;
        case DataType::Float:
            v.f = std::bit_cast<double>(LoadLE<uint64_t>(slot));
            break;
        case DataType::Date:
            v.date = LoadLE<int32_t>(slot);
            break;
        case DataType::Time:
            v.time = LoadLE<uint32_t>(slot);
            break;
        case DataType::TimeStamp:
            v.date = LoadLE<int32_t>(slot);
            v.time = LoadLE<uint32_t>(slot + 4);
            break;
        case DataType::String:
        case DataType::Memo:
        case DataType::Blob:
        case DataType::Unknown:
            v.s = std::string(layout.Bytes(rec, col));
            break;
    }
    return v;
}

void StoreFixed(const RecordLayout &layout, uint8_t *rec, int col, const FieldValue &v) {
    const ColumnSlot &c = layout.cols[col];
    uint8_t *slot = rec + c.offset;
    const auto bit = static_cast<uint8_t>(1u << (col & 7));
    if (v.isNull) {
        rec[col >> 3] |= bit;
        std::memset(slot, 0, c.width);
        return;
    }
    rec[col >> 3] &= static_cast<uint8_t>(~bit);
    switch (c.type) {
        case DataType::Float:
            StoreLE(slot, std::bit_cast<uint64_t>(v.f));
            break;
        case DataType::Date:
            StoreLE(slot, v.date);
            break;
        case DataType::Time:
            StoreLE(slot, v.time);
            break;
        case DataType::TimeStamp:
            StoreLE(slot, v.date);
            StoreLE(slot + 4, v.time);
            break;
        default:
            switch (c.width) {
                case 1:
                    *slot = static_cast<uint8_t>(v.i);
                    break;
                case 2:
                    StoreLE(slot, static_cast<int16_t>(v.i));
                    break;
                case 4:
                    StoreLE(slot, static_cast<int32_t>(v.i));
                    break;
                default:
                    StoreLE(slot, v.i);
                    break;
            }
            break;
    }
}

bool HoldsFixed(const RecordLayout &layout, const uint8_t *rec, int col, const FieldValue &v) {
    const bool null = layout.IsNull(rec, col);
    if (null || v.isNull) return null == v.isNull;
    if (!v.s.empty()) return false;
    const uint8_t *slot = rec + layout.cols[col].offset;
    switch (layout.cols[col].type) {
        case DataType::Boolean:
            return v.i == *slot;
        case DataType::SmallInt:
            return v.i == LoadLE<int16_t>(slot);
        case DataType::Integer:
            return v.i == LoadLE<int32_t>(slot);
        case DataType::Float:
            return std::bit_cast<uint64_t>(v.f) == LoadLE<uint64_t>(slot);
        case DataType::Date:
            return v.date == LoadLE<int32_t>(slot);
        case DataType::Time:
            return v.time == LoadLE<uint32_t>(slot);
        case DataType::TimeStamp:
            return v.date == LoadLE<int32_t>(slot) && v.time == LoadLE<uint32_t>(slot + 4);
        default:
            return v.i == LoadLE<int64_t>(slot);  // BigInt, Bcd
    }
}

size_t Utf8Length(std::string_view text) {
    size_t count = 0;
    for (unsigned char ch : text) count += (ch & 0xC0) != 0x80;
    return count;
}

bool Utf8Valid(std::string_view text) {
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int n;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else
            return false;
        if (end - p <= n) return false;
        for (int k = 1; k <= n; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += n + 1;
    }
    return true;
}

}  // namespace packet
