#pragma once
// The in-memory table engine: typed rows with null flags, held compactly,
// a change log of posted changes, and the data packet (the project's own
// binary format, docs/packet-format.md) written and read back. Statuses of
// the engine become EDBClient failures with the engine's own text.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/dataset/DataType.h"

struct ColumnDesc {
    std::string name;
    DataType type = DataType::String;
    int size = 0;          // characters for String, else 0
    int precision = 0;     // Bcd
    int scale = 0;         // Bcd: digits after the point
    uint16_t subType = 0;  // as the driver reported it
    bool readOnly = false;
    bool required = false;
    bool hidden = false;
    bool operator==(const ColumnDesc &) const = default;
};

// One value of any type. Which member counts follows the column's type:
// integers (SmallInt, Integer, BigInt, Bcd unscaled, Boolean 0/1) in i,
// Float in f, Date in date, Time in time, TimeStamp in date and time, String,
// Memo and Blob in s.
struct FieldValue {
    bool isNull = true;
    int64_t i = 0;
    double f = 0;
    int32_t date = 0;
    uint32_t time = 0;
    std::string s;
    bool operator==(const FieldValue &) const = default;
};

// A posted change of the change log, with the values before it decoded.
// (The engine keeps the earlier record's encoding and decodes on request.)
struct ChangeLogEntry {
    enum class Kind : uint8_t { Modified = 1, Inserted = 2, Deleted = 3 };
    Kind kind;
    uint32_t rowId;                  // stable id of the row (not its position)
    std::vector<FieldValue> before;  // Modified, Deleted: the values before
    bool operator==(const ChangeLogEntry &) const = default;
};

class TableEngine {
public:
    explicit TableEngine(std::vector<ColumnDesc> columns);
    ~TableEngine();
    TableEngine(const TableEngine &) = delete;
    TableEngine &operator=(const TableEngine &) = delete;

    const std::vector<ColumnDesc> &Columns() const;

    // Packet properties (LCID, PRIMARY_KEY, UNIQUE_KEY, DEFAULT_ORDER, ...).
    void SetProperty(const std::string &name, const std::string &value);
    std::string Property(const std::string &name) const;  // "" when absent
    const std::vector<std::pair<std::string, std::string>> &Properties() const;

    int RecordCount() const;

    // Fast loading while fetching: BeginRow, one Set... per column (unset
    // columns are null), EndRow appends the row. Not logged as changes.
    void BeginRow();
    void SetNull(int col);
    void SetInt(int col, int64_t value);
    void SetDouble(int col, double value);
    void SetDate(int col, int32_t days);
    void SetTime(int col, uint32_t fractions);
    void SetTimeStamp(int col, int32_t days, uint32_t fractions);
    void SetBytes(int col, const char *data, size_t len);  // String, Memo, Blob
    void EndRow();

    // Reading a field of a row (0-based position).
    bool IsNull(int row, int col) const;
    FieldValue Value(int row, int col) const;
    std::string_view Text(int row, int col) const;  // String, Memo, Blob bytes
    std::vector<FieldValue> Record(int row) const;
    uint32_t RowId(int row) const;

    // Verifying and storing: Verify raises EDBClient for a value that does
    // not fit its column (a text longer than its size, a wrong type);
    // WriteRecord stores a modified record and logs the change.
    void VerifyField(int col, const FieldValue &value) const;
    void WriteRecord(int row, const std::vector<FieldValue> &values);
    // Stores a modified record that differs from the row only in the columns
    // cols: values holds one value per column, of which only those in cols
    // are verified and read; the others keep the row's encoding. Logged as
    // WriteRecord logs. ChangedFields gives the columns whose value in
    // values differs from the row's (a fixed-size value that cannot be
    // stored counts as changed, so writing it is refused).
    void WriteFields(int row, const std::vector<int> &cols, const std::vector<FieldValue> &values);
    std::vector<int> ChangedFields(int row, const std::vector<FieldValue> &values) const;
    void InsertRecord(int row, const std::vector<FieldValue> &values);  // row == count appends
    void DeleteRecord(int row);

    // The change log, oldest first. Each change keeps the record it replaced
    // or removed as its encoding (empty for an insert); ChangeLog decodes
    // the whole log, Change one entry.
    size_t ChangeCount() const;
    ChangeLogEntry::Kind ChangeKind(size_t i) const;
    uint32_t ChangeRowId(size_t i) const;
    std::string_view ChangeBefore(size_t i) const;
    ChangeLogEntry Change(size_t i) const;
    std::vector<ChangeLogEntry> ChangeLog() const;

    // Bytes held for the rows: record chunks and the row index.
    size_t MemoryUsed() const;

    // A row's record in its encoding (PacketRecord.h), which the data
    // packets carry as it is, and restoring a table's ids and change log. AppendRecordBytes and AppendChange check the record and
    // raise EDBClient for one that does not fit the columns (an insert's
    // change takes none); ids must lie below NextRowId.
    std::string_view RecordBytes(int row) const;
    void AppendRecordBytes(uint32_t rowId, std::string_view record);
    void ReserveRecords(size_t count);  // room for count rows, so loading does not regrow
    uint32_t NextRowId() const;
    void SetNextRowId(uint32_t next);
    void AppendChange(ChangeLogEntry::Kind kind, uint32_t rowId, std::string_view before);

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};
