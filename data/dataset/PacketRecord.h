#pragma once
// The encoding of one row, shared by the table engine (rows in memory) and
// the data packet (rows on disk), so a packet is written and read by copying
// records rather than value by value.
//
// A record is: a null bitmap (bit c of byte c/8 set = column c is null, spare
// bits zero), then one fixed slot per column in column order, then the bytes
// of the text and binary columns one after the other in column order. The
// slot of a text or binary column holds the offset (from the record's start)
// where its bytes end; they begin where the previous such column's end, or
// at the end of the slots for the first. All numbers are little-endian.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "data/dataset/DataType.h"

struct ColumnDesc;
struct FieldValue;

namespace packet {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

template <typename T>
inline T ByteSwap(T v) {
    static_assert(std::is_integral_v<T>, "doubles go through their bits (std::bit_cast)");
    if constexpr (sizeof(T) == 1)
        return v;
    else if constexpr (sizeof(T) == 2)
        return static_cast<T>(__builtin_bswap16(static_cast<uint16_t>(v)));
    else if constexpr (sizeof(T) == 4)
        return static_cast<T>(__builtin_bswap32(static_cast<uint32_t>(v)));
    else
        return static_cast<T>(__builtin_bswap64(static_cast<uint64_t>(v)));
}

template <typename T>
inline T LoadLE(const void *p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
    return v;
}

template <typename T>
inline void StoreLE(void *p, T v) {
    if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
    std::memcpy(p, &v, sizeof v);
}

// Bytes of a column's fixed slot: by type.
int SlotWidth(DataType type);
// Text, memo, binary and unknown columns keep their bytes after the slots.
inline bool IsVariable(DataType type) {
    return type == DataType::String || type == DataType::Memo || type == DataType::Blob || type == DataType::Unknown;
}
// A type number a packet may carry.
bool IsKnownType(uint16_t type);
const char *TypeName(DataType type);

// Time of day in fractions of 1/10000 s: one day's worth.
constexpr uint32_t kFractionsPerDay = 86400u * kTimeFractionsPerSecond;
// The database's dates run from 0001-01-01 to 9999-12-31.
inline constexpr int32_t kMinDbDate = -678575;  // 0001-01-01
inline constexpr int32_t kMaxDbDate = 2973483;  // 9999-12-31

struct ColumnSlot {
    uint32_t offset = 0;  // of the fixed slot within the record
    uint8_t width = 0;
    DataType type = DataType::Unknown;
    int32_t maxChars = 0;      // String: most code points, 0 = no limit
    int32_t prevVarSlot = -1;  // slot of the previous variable column, -1 none
};

struct RecordLayout {
    explicit RecordLayout(const std::vector<ColumnDesc> &columns);

    uint32_t bitmapBytes = 0;
    uint32_t headerSize = 0;   // bitmap and every slot
    int32_t lastVarSlot = -1;  // slot of the last variable column, -1 none
    std::vector<ColumnSlot> cols;
    std::vector<int> varCols;  // the variable columns, in order

    // The whole record's length, from its slots.
    uint32_t RecordLength(const uint8_t *rec) const {
        return lastVarSlot < 0 ? headerSize : LoadLE<uint32_t>(rec + lastVarSlot);
    }
    bool IsNull(const uint8_t *rec, int col) const { return (rec[col >> 3] >> (col & 7)) & 1; }
    std::string_view Bytes(const uint8_t *rec, int col) const {
        const ColumnSlot &c = cols[col];
        const uint32_t begin = c.prevVarSlot < 0 ? headerSize : LoadLE<uint32_t>(rec + c.prevVarSlot);
        const uint32_t end = LoadLE<uint32_t>(rec + c.offset);
        return {reinterpret_cast<const char *>(rec) + begin, end - begin};
    }
    // Checks a record from outside (a packet): every offset inside the
    // record, spare bits clear, values within their type. Returns "" when
    // sound, else what is wrong.
    std::string Check(const uint8_t *rec, size_t len, const std::vector<ColumnDesc> &columns) const;
};

// Builds one record column by column: starts with every column null; the
// caller has checked each value against its column's type.
class RecordBuilder {
public:
    explicit RecordBuilder(const RecordLayout &layout);
    void Reset();
    void SetNull(int col);
    void SetInt(int col, int64_t value);  // stored in the slot's width
    void SetDouble(int col, double value);
    void SetDate(int col, int32_t days);
    void SetTime(int col, uint32_t fractions);
    void SetTimeStamp(int col, int32_t days, uint32_t fractions);
    void SetBytes(int col, const char *data, size_t len);
    void SetValue(int col, const FieldValue &value);
    size_t Length() const;            // of the finished record
    void Finish(uint8_t *out) const;  // writes Length() bytes

private:
    struct Span {
        uint32_t at = 0;
        uint32_t len = 0;
    };
    const RecordLayout &layout_;
    std::vector<uint8_t> header_;
    std::vector<Span> spans_;  // per column; used by variable columns only
    std::string bytes_;        // the variable columns' bytes, as set
    size_t varTotal_ = 0;
};

// The value of a column of a record (a default value when null).
FieldValue DecodeValue(const RecordLayout &layout, const uint8_t *rec, int col);

// For a column with a fixed-size value (not IsVariable): writes the value,
// or null (a zero slot), and its null bit into a record in place. The
// caller has checked the value against the column's type.
void StoreFixed(const RecordLayout &layout, uint8_t *rec, int col, const FieldValue &value);
// Whether the record holds exactly this value (or null) in a fixed-size
// column. A value the slot could not hold as given (an integer wider than
// the slot, a text in a number's value) never matches.
bool HoldsFixed(const RecordLayout &layout, const uint8_t *rec, int col, const FieldValue &value);

// Code points of UTF-8 text (bytes that do not continue a sequence).
size_t Utf8Length(std::string_view text);
// Whether text is well-formed UTF-8 (no overlong forms, no surrogates).
bool Utf8Valid(std::string_view text);

}  // namespace packet
