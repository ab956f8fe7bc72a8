#include "data/dataset/TableEngine.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "data/dataset/Errors.h"
#include "data/dataset/PacketRecord.h"

using packet::RecordBuilder;
using packet::RecordLayout;

namespace {

// Records live in large chunks that never move, so a row is one pointer and
// a text can be handed out as a view. Rewriting a record appends its new
// encoding; the old bytes stay until the table goes, so the change log keeps
// a replaced or removed record as a pointer to them.
class Arena {
public:
    uint8_t *Allocate(size_t n) {
        if (n > left_) {
            if (n > kChunk / 4) {  // a big record gets a chunk of its own
                chunks_.push_back(std::unique_ptr<uint8_t[]>(new uint8_t[n]));
                capacity_ += n;
                return chunks_.back().get();
            }
            chunks_.push_back(std::unique_ptr<uint8_t[]>(new uint8_t[kChunk]));
            capacity_ += kChunk;
            next_ = chunks_.back().get();
            left_ = kChunk;
        }
        uint8_t *p = next_;
        next_ += n;
        left_ -= n;
        return p;
    }
    size_t Capacity() const { return capacity_ + chunks_.capacity() * sizeof(chunks_[0]); }

private:
    static constexpr size_t kChunk = size_t{1} << 20;
    std::vector<std::unique_ptr<uint8_t[]>> chunks_;
    uint8_t *next_ = nullptr;
    size_t left_ = 0;
    size_t capacity_ = 0;
};

[[noreturn]] void Fail(const std::string &text) { throw EDBClient(text); }

// Makes room for one more item, growing by half again, so that the push that
// follows cannot fail after other parts of a change were made.
constexpr uint32_t KindBit(DataType t) { return 1u << static_cast<unsigned>(t); }
constexpr uint32_t kIntegerKinds = KindBit(DataType::SmallInt) | KindBit(DataType::Integer) |
                                   KindBit(DataType::BigInt) | KindBit(DataType::Bcd) | KindBit(DataType::Boolean);
constexpr uint32_t kBytesKinds =
    KindBit(DataType::String) | KindBit(DataType::Memo) | KindBit(DataType::Blob) | KindBit(DataType::Unknown);

template <typename T>
void RoomForOne(std::vector<T> &v) {
    if (v.size() == v.capacity()) v.reserve(std::max<size_t>(64, v.capacity() + v.capacity() / 2));
}

}  // namespace

struct TableEngine::Impl {
    explicit Impl(std::vector<ColumnDesc> cols)
        : columns(std::move(cols)),
          layout(columns),
          builder(layout),
          minDate(packet::kMinDbDate),
          maxDate(packet::kMaxDbDate) {
        for (const ColumnDesc &c : columns) kinds.push_back(KindBit(c.type));
        marks.assign(columns.size(), 0);
    }

    std::vector<ColumnDesc> columns;
    RecordLayout layout;
    std::vector<std::pair<std::string, std::string>> properties;
    Arena arena;
    std::vector<const uint8_t *> rows;
    std::vector<uint32_t> ids;
    uint32_t nextId = 1;
    struct Change {
        const uint8_t *before;  // the record replaced or removed; none for an insert
        uint32_t rowId;
        ChangeLogEntry::Kind kind;
    };
    std::vector<Change> log;
    std::vector<uint8_t> marks;  // per column, while WriteFields builds a record
    RecordBuilder builder;       // the row being loaded
    bool building = false;
    int32_t minDate, maxDate;
    std::vector<uint32_t> kinds;  // per column, the bit of its type

    void CheckRow(int row) const {
        if (row < 0 || row >= static_cast<int>(rows.size())) {
            if (rows.empty())
                Fail("Record number " + std::to_string(static_cast<int64_t>(row) + 1) +
                     " is out of range: the table holds no records");
            Fail("Record number " + std::to_string(static_cast<int64_t>(row) + 1) + " is out of range (1 to " +
                 std::to_string(rows.size()) + ")");
        }
    }
    void CheckColumn(int col) const {
        if (col < 0 || col >= static_cast<int>(columns.size()))
            Fail("Field number " + std::to_string(static_cast<int64_t>(col) + 1) + " is out of range (1 to " +
                 std::to_string(columns.size()) + ")");
    }
    // A loader call on column col, which must be of one of the given kinds.
    // (The loader runs once per value of every fetched row: one test each.)
    void CheckSet(int col, uint32_t wanted, const char *what) const {
        if (building && static_cast<unsigned>(col) < kinds.size() && (kinds[col] & wanted)) [[likely]]
            return;
        if (!building) Fail("No record is being loaded: BeginRow must come first");
        CheckColumn(col);
        Fail("Field '" + columns[col].name + "' of type " + packet::TypeName(columns[col].type) + " cannot take " +
             what);
    }
    void CheckDate(int col, int32_t days) const {
        if (days < minDate || days > maxDate)
            Fail("Field '" + columns[col].name + "' cannot take a date outside 0001-01-01 to 9999-12-31");
    }
    void CheckTime(int col, uint32_t fractions) const {
        if (fractions >= packet::kFractionsPerDay)
            Fail("Field '" + columns[col].name + "' cannot take a time past the end of the day");
    }
    void CheckText(int col, std::string_view text) const {
        const int size = layout.cols[col].maxChars;
        if (size > 0 && text.size() > static_cast<size_t>(size)) {
            const size_t chars = packet::Utf8Length(text);
            if (chars > static_cast<size_t>(size))
                Fail("Field '" + columns[col].name + "' is too long: it holds at most " + std::to_string(size) +
                     " characters, the value has " + std::to_string(chars));
        }
        if (text.size() > UINT32_MAX / 2)
            Fail("Field '" + columns[col].name + "' cannot take a value of " + std::to_string(text.size()) + " bytes");
    }
    void CheckInt(int col, int64_t v) const {
        int64_t lo = INT64_MIN, hi = INT64_MAX;
        switch (columns[col].type) {
            case DataType::SmallInt:
                lo = INT16_MIN;
                hi = INT16_MAX;
                break;
            case DataType::Integer:
                lo = INT32_MIN;
                hi = INT32_MAX;
                break;
            case DataType::Boolean:
                lo = 0;
                hi = 1;
                break;
            default:
                break;
        }
        if (v < lo || v > hi)
            Fail("Field '" + columns[col].name + "' of type " + packet::TypeName(columns[col].type) +
                 " cannot take the value " + std::to_string(v));
    }
    // A value for column col. Text typed in must be well-formed UTF-8; values
    // that came from the database or a packet are taken as they are.
    void Verify(int col, const FieldValue &value, bool strictText) const {
        CheckColumn(col);
        if (value.isNull) return;
        const ColumnDesc &c = columns[col];
        if (!packet::IsVariable(c.type) && !value.s.empty())
            Fail("Field '" + c.name + "' of type " + packet::TypeName(c.type) + " cannot take a text value");
        switch (c.type) {
            case DataType::String:
            case DataType::Memo:
                if (strictText && !packet::Utf8Valid(value.s))
                    Fail("Field '" + c.name + "' cannot take text that is not valid UTF-8");
                CheckText(col, value.s);
                break;
            case DataType::Blob:
            case DataType::Unknown:
                CheckText(col, value.s);
                break;
            case DataType::SmallInt:
            case DataType::Integer:
            case DataType::BigInt:
            case DataType::Bcd:
            case DataType::Boolean:
                CheckInt(col, value.i);
                break;
            case DataType::Float:
                break;
            case DataType::Date:
                CheckDate(col, value.date);
                break;
            case DataType::Time:
                CheckTime(col, value.time);
                break;
            case DataType::TimeStamp:
                CheckDate(col, value.date);
                CheckTime(col, value.time);
                break;
        }
    }
    const uint8_t *Store(const RecordBuilder &b) {
        const size_t len = b.Length();
        if (len > UINT32_MAX) Fail("A record cannot hold more than 4 GB");
        uint8_t *p = arena.Allocate(len);
        b.Finish(p);
        return p;
    }
    // A new record: old with the columns cols taking their values from
    // values (checked by the caller). When no text changes its length the
    // old record is copied whole and the changed slots and bytes are
    // overwritten in place; otherwise the texts are laid out again.
    const uint8_t *StorePatched(const uint8_t *old, const std::vector<int> &cols,
                                const std::vector<FieldValue> &values) {
        struct ClearMarks {
            std::vector<uint8_t> &marks;
            const std::vector<int> &cols;
            ~ClearMarks() {
                for (int c : cols) marks[c] = 0;
            }
        } clear{marks, cols};
        for (int c : cols) marks[c] = 1;
        const size_t oldLen = layout.RecordLength(old);
        size_t len = oldLen;
        bool sameSpans = true;
        for (int v : layout.varCols) {
            if (!marks[v]) continue;
            const size_t was = layout.Bytes(old, v).size();
            const size_t now = values[v].isNull ? 0 : values[v].s.size();
            sameSpans = sameSpans && was == now;
            len = len - was + now;
        }
        if (len > UINT32_MAX) Fail("A record cannot hold more than 4 GB");
        uint8_t *p = arena.Allocate(len);
        if (sameSpans) {
            if (oldLen) std::memcpy(p, old, oldLen);
            for (int v : layout.varCols) {
                if (!marks[v] || values[v].isNull || values[v].s.empty()) continue;
                const char *at = layout.Bytes(p, v).data();
                std::memcpy(p + (at - reinterpret_cast<const char *>(p)), values[v].s.data(), values[v].s.size());
            }
        } else {
            std::memcpy(p, old, layout.headerSize);
            uint32_t at = layout.headerSize;
            for (int v : layout.varCols) {
                std::string_view bytes = layout.Bytes(old, v);
                if (marks[v]) bytes = values[v].isNull ? std::string_view() : std::string_view(values[v].s);
                if (!bytes.empty()) std::memcpy(p + at, bytes.data(), bytes.size());
                at += static_cast<uint32_t>(bytes.size());
                packet::StoreLE(p + layout.cols[v].offset, at);
            }
        }
        for (int c : cols) {
            if (!packet::IsVariable(columns[c].type)) {
                packet::StoreFixed(layout, p, c, values[c]);
                continue;
            }
            const auto bit = static_cast<uint8_t>(1u << (c & 7));
            if (values[c].isNull)
                p[c >> 3] |= bit;
            else
                p[c >> 3] &= static_cast<uint8_t>(~bit);
        }
        return p;
    }
    void CheckChange(size_t i) const {
        if (i >= log.size())
            Fail("Change number " + std::to_string(i + 1) + " is out of range: the log holds " +
                 std::to_string(log.size()));
    }
    void CheckRoomForRow() const {
        if (rows.size() >= static_cast<size_t>(INT_MAX)) Fail("The table cannot hold more records");
        if (nextId == UINT32_MAX) Fail("The table has run out of record ids");
    }
};

TableEngine::TableEngine(std::vector<ColumnDesc> columns) {
    for (const ColumnDesc &c : columns)
        if (!packet::IsKnownType(static_cast<uint16_t>(c.type)))
            Fail("Field '" + c.name + "' has an unknown type " + std::to_string(static_cast<int>(c.type)));
    d_ = std::make_unique<Impl>(std::move(columns));
}

TableEngine::~TableEngine() = default;

const std::vector<ColumnDesc> &TableEngine::Columns() const { return d_->columns; }

void TableEngine::SetProperty(const std::string &name, const std::string &value) {
    for (auto &p : d_->properties)
        if (p.first == name) {
            p.second = value;
            return;
        }
    d_->properties.emplace_back(name, value);
}

std::string TableEngine::Property(const std::string &name) const {
    for (const auto &p : d_->properties)
        if (p.first == name) return p.second;
    return {};
}

const std::vector<std::pair<std::string, std::string>> &TableEngine::Properties() const { return d_->properties; }

int TableEngine::RecordCount() const { return static_cast<int>(d_->rows.size()); }

void TableEngine::BeginRow() {
    d_->builder.Reset();
    d_->building = true;
}

void TableEngine::SetNull(int col) {
    if (!d_->building) Fail("No record is being loaded: BeginRow must come first");
    d_->CheckColumn(col);
    d_->builder.SetNull(col);
}

void TableEngine::SetInt(int col, int64_t value) {
    d_->CheckSet(col, kIntegerKinds, "an integer");
    if (d_->columns[col].type == DataType::Boolean) value = value != 0;
    d_->CheckInt(col, value);
    d_->builder.SetInt(col, value);
}

void TableEngine::SetDouble(int col, double value) {
    d_->CheckSet(col, KindBit(DataType::Float), "a floating-point number");
    d_->builder.SetDouble(col, value);
}

void TableEngine::SetDate(int col, int32_t days) {
    d_->CheckSet(col, KindBit(DataType::Date), "a date");
    d_->CheckDate(col, days);
    d_->builder.SetDate(col, days);
}

void TableEngine::SetTime(int col, uint32_t fractions) {
    d_->CheckSet(col, KindBit(DataType::Time), "a time");
    d_->CheckTime(col, fractions);
    d_->builder.SetTime(col, fractions);
}

void TableEngine::SetTimeStamp(int col, int32_t days, uint32_t fractions) {
    d_->CheckSet(col, KindBit(DataType::TimeStamp), "a time stamp");
    d_->CheckDate(col, days);
    d_->CheckTime(col, fractions);
    d_->builder.SetTimeStamp(col, days, fractions);
}

void TableEngine::SetBytes(int col, const char *data, size_t len) {
    d_->CheckSet(col, kBytesKinds, "text or bytes");
    d_->CheckText(col, std::string_view(data, len));
    d_->builder.SetBytes(col, data, len);
}

void TableEngine::EndRow() {
    if (!d_->building) Fail("No record is being loaded: BeginRow must come first");
    d_->CheckRoomForRow();
    RoomForOne(d_->rows);
    RoomForOne(d_->ids);
    d_->rows.push_back(d_->Store(d_->builder));
    d_->ids.push_back(d_->nextId++);
    d_->building = false;
}

bool TableEngine::IsNull(int row, int col) const {
    d_->CheckRow(row);
    d_->CheckColumn(col);
    return d_->layout.IsNull(d_->rows[row], col);
}

FieldValue TableEngine::Value(int row, int col) const {
    d_->CheckRow(row);
    d_->CheckColumn(col);
    return packet::DecodeValue(d_->layout, d_->rows[row], col);
}

std::string_view TableEngine::Text(int row, int col) const {
    d_->CheckRow(row);
    d_->CheckColumn(col);
    if (!packet::IsVariable(d_->columns[col].type))
        Fail("Field '" + d_->columns[col].name + "' of type " + packet::TypeName(d_->columns[col].type) +
             " holds no text");
    return d_->layout.Bytes(d_->rows[row], col);
}

std::vector<FieldValue> TableEngine::Record(int row) const {
    d_->CheckRow(row);
    std::vector<FieldValue> out;
    out.reserve(d_->columns.size());
    for (int c = 0; c < static_cast<int>(d_->columns.size()); ++c)
        out.push_back(packet::DecodeValue(d_->layout, d_->rows[row], c));
    return out;
}

uint32_t TableEngine::RowId(int row) const {
    d_->CheckRow(row);
    return d_->ids[row];
}

void TableEngine::VerifyField(int col, const FieldValue &value) const { d_->Verify(col, value, true); }

namespace {
void CheckWidth(const std::vector<ColumnDesc> &columns, const std::vector<FieldValue> &values) {
    if (values.size() != columns.size())
        Fail("A record of " + std::to_string(columns.size()) + " fields cannot take " + std::to_string(values.size()) +
             " values");
}
}  // namespace

void TableEngine::WriteRecord(int row, const std::vector<FieldValue> &values) {
    d_->CheckRow(row);
    CheckWidth(d_->columns, values);
    for (int c = 0; c < static_cast<int>(values.size()); ++c) VerifyField(c, values[c]);
    RecordBuilder b(d_->layout);
    for (int c = 0; c < static_cast<int>(values.size()); ++c) b.SetValue(c, values[c]);
    RoomForOne(d_->log);
    const uint8_t *before = d_->rows[row];
    d_->rows[row] = d_->Store(b);
    d_->log.push_back({before, d_->ids[row], ChangeLogEntry::Kind::Modified});
}

void TableEngine::WriteFields(int row, const std::vector<int> &cols, const std::vector<FieldValue> &values) {
    d_->CheckRow(row);
    CheckWidth(d_->columns, values);
    for (int c : cols) {
        d_->CheckColumn(c);
        d_->Verify(c, values[c], true);
    }
    RoomForOne(d_->log);
    const uint8_t *before = d_->rows[row];
    // Nothing changed: the row keeps its record, which is also the one logged.
    if (!cols.empty()) d_->rows[row] = d_->StorePatched(before, cols, values);
    d_->log.push_back({before, d_->ids[row], ChangeLogEntry::Kind::Modified});
}

std::vector<int> TableEngine::ChangedFields(int row, const std::vector<FieldValue> &values) const {
    d_->CheckRow(row);
    CheckWidth(d_->columns, values);
    const RecordLayout &layout = d_->layout;
    const uint8_t *rec = d_->rows[row];
    std::vector<int> changed;
    for (int c = 0; c < static_cast<int>(values.size()); ++c) {
        const FieldValue &v = values[c];
        bool same;
        if (packet::IsVariable(d_->columns[c].type)) {
            const bool null = layout.IsNull(rec, c);
            same = null == v.isNull && (null || layout.Bytes(rec, c) == v.s);
        } else {
            same = packet::HoldsFixed(layout, rec, c, v);
        }
        if (!same) changed.push_back(c);
    }
    return changed;
}

void TableEngine::InsertRecord(int row, const std::vector<FieldValue> &values) {
    if (row != RecordCount()) d_->CheckRow(row);
    d_->CheckRoomForRow();
    CheckWidth(d_->columns, values);
    for (int c = 0; c < static_cast<int>(values.size()); ++c) VerifyField(c, values[c]);
    RecordBuilder b(d_->layout);
    for (int c = 0; c < static_cast<int>(values.size()); ++c) b.SetValue(c, values[c]);
    RoomForOne(d_->log);
    RoomForOne(d_->rows);
    RoomForOne(d_->ids);
    const uint8_t *rec = d_->Store(b);
    const uint32_t id = d_->nextId++;
    d_->rows.insert(d_->rows.begin() + row, rec);
    d_->ids.insert(d_->ids.begin() + row, id);
    d_->log.push_back({nullptr, id, ChangeLogEntry::Kind::Inserted});
}

void TableEngine::DeleteRecord(int row) {
    d_->CheckRow(row);
    RoomForOne(d_->log);
    const Impl::Change change{d_->rows[row], d_->ids[row], ChangeLogEntry::Kind::Deleted};
    d_->rows.erase(d_->rows.begin() + row);
    d_->ids.erase(d_->ids.begin() + row);
    d_->log.push_back(change);
}

size_t TableEngine::ChangeCount() const { return d_->log.size(); }

ChangeLogEntry::Kind TableEngine::ChangeKind(size_t i) const {
    d_->CheckChange(i);
    return d_->log[i].kind;
}

uint32_t TableEngine::ChangeRowId(size_t i) const {
    d_->CheckChange(i);
    return d_->log[i].rowId;
}

std::string_view TableEngine::ChangeBefore(size_t i) const {
    d_->CheckChange(i);
    const Impl::Change &c = d_->log[i];
    if (c.kind == ChangeLogEntry::Kind::Inserted) return {};
    return {reinterpret_cast<const char *>(c.before), d_->layout.RecordLength(c.before)};
}

ChangeLogEntry TableEngine::Change(size_t i) const {
    d_->CheckChange(i);
    const Impl::Change &c = d_->log[i];
    ChangeLogEntry e{c.kind, c.rowId, {}};
    if (c.kind != ChangeLogEntry::Kind::Inserted) {
        e.before.reserve(d_->columns.size());
        for (int col = 0; col < static_cast<int>(d_->columns.size()); ++col)
            e.before.push_back(packet::DecodeValue(d_->layout, c.before, col));
    }
    return e;
}

std::vector<ChangeLogEntry> TableEngine::ChangeLog() const {
    std::vector<ChangeLogEntry> out;
    out.reserve(d_->log.size());
    for (size_t i = 0; i < d_->log.size(); ++i) out.push_back(Change(i));
    return out;
}

size_t TableEngine::MemoryUsed() const {
    return sizeof(Impl) + d_->arena.Capacity() + d_->rows.capacity() * sizeof(d_->rows[0]) +
           d_->ids.capacity() * sizeof(d_->ids[0]);
}

std::string_view TableEngine::RecordBytes(int row) const {
    d_->CheckRow(row);
    const uint8_t *rec = d_->rows[row];
    return {reinterpret_cast<const char *>(rec), d_->layout.RecordLength(rec)};
}

void TableEngine::AppendRecordBytes(uint32_t rowId, std::string_view record) {
    const std::string wrong =
        d_->layout.Check(reinterpret_cast<const uint8_t *>(record.data()), record.size(), d_->columns);
    if (!wrong.empty()) Fail(wrong);
    if (rowId == 0 || rowId >= d_->nextId) Fail("A record has an id that was never given out");
    if (d_->rows.size() >= static_cast<size_t>(INT_MAX)) Fail("The table cannot hold more records");
    RoomForOne(d_->rows);
    RoomForOne(d_->ids);
    uint8_t *p = d_->arena.Allocate(record.size());
    if (!record.empty()) std::memcpy(p, record.data(), record.size());
    d_->rows.push_back(p);
    d_->ids.push_back(rowId);
}

uint32_t TableEngine::NextRowId() const { return d_->nextId; }

void TableEngine::ReserveRecords(size_t count) {
    d_->rows.reserve(d_->rows.size() + count);
    d_->ids.reserve(d_->ids.size() + count);
}

void TableEngine::SetNextRowId(uint32_t next) {
    if (next == 0) Fail("The next record id cannot be 0");
    for (uint32_t id : d_->ids)
        if (id >= next) Fail("A record has an id that was never given out");
    d_->nextId = next;
}

void TableEngine::AppendChange(ChangeLogEntry::Kind kind, uint32_t rowId, std::string_view before) {
    switch (kind) {
        case ChangeLogEntry::Kind::Inserted:
            if (!before.empty()) Fail("The change of an inserted record cannot hold earlier values");
            break;
        case ChangeLogEntry::Kind::Modified:
        case ChangeLogEntry::Kind::Deleted: {
            const std::string wrong =
                d_->layout.Check(reinterpret_cast<const uint8_t *>(before.data()), before.size(), d_->columns);
            if (!wrong.empty()) Fail(wrong);
            break;
        }
        default:
            Fail("A change is of an unknown kind");
    }
    if (rowId == 0 || rowId >= d_->nextId) Fail("A change names a record id that was never given out");
    RoomForOne(d_->log);
    const uint8_t *rec = nullptr;
    if (kind != ChangeLogEntry::Kind::Inserted) {
        uint8_t *p = d_->arena.Allocate(before.size());
        if (!before.empty()) std::memcpy(p, before.data(), before.size());
        rec = p;
    }
    d_->log.push_back({rec, rowId, kind});
}
