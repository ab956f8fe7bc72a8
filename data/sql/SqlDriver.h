#pragma once
// The database driver's interfaces. The driver is a shared library of its own
// (libibdriver.so), loaded at run time; its entry point hands out an
// ISQLDriver. Every operation returns a status: Success, EndOfRows at the end
// of the rows, other values as the status table of the connection tells.
// Objects handed out through a pointer-to-pointer belong to the caller, who
// deletes them (their virtual destructor frees them in the library that made
// them).
#include <cstdint>
#include <string>
#include <string_view>

#include "data/dataset/DataType.h"

// A driver status: 16 bits on the wire between the library and its caller.
// Values from ServerError up all mean "ask the failing object for its text".
enum class SQLStatus : uint16_t {
    Success = 0,
    InsufficientMemory = 1,
    InvalidFieldType = 2,
    InvalidHandle = 3,
    InvalidTime = 4,
    NotSupported = 5,
    InvalidTranslation = 6,
    InvalidParameter = 7,
    OutOfRange = 8,  // parameter or column number
    ParameterNotSet = 9,
    ResultSetAtEof = 10,  // the end of the rows from older drivers
    InvalidLogin = 11,
    InvalidPrecision = 12,
    InvalidLength = 13,
    InvalidIsolationLevel = 14,
    InvalidTransaction = 15,  // no transaction is active
    DuplicateTransaction = 16,
    TransactionNotActive = 17,
    TransactionActive = 18,  // a local transaction is already active
    MultipleTransactionsOff = 19,
    ConnectionLost = 20,
    EndOfRows = 100,
    ServerError = 255,  // and above: the failing object's own text
};

inline bool IsEndOfRows(SQLStatus s) { return s == SQLStatus::ResultSetAtEof || s == SQLStatus::EndOfRows; }
// Whether the failing object has a text of its own for the status.
inline bool HasOwnText(SQLStatus s) { return s >= SQLStatus::ServerError; }

// Connection options by number.
enum class ConnOption : int {
    AutoCommit = 0,
    BlockingMode = 1,
    BlobSize = 2,
    RoleName = 3,
    WaitOnLocks = 4,
    CommitRetain = 5,
    TransIsolation = 6,  // 0 read committed, 1 repeatable read, 2 dirty read
    HostName = 10,
    MaxActiveStatements = 14,  // read after connect; 0 means no limit
    ServerCharSet = 15,
    SqlDialect = 16,
    ObjectQuoteChar = 18,
    OSAuthentication = 20,
    SupportsTransaction = 21,
    MultipleTransaction = 22,
    ServerPort = 23,
    TrimChar = 25,
    SchemaName = 28,  // metadata objects
    CustomString = 31,
    ConnectionTimeout = 32,
    // The client library's own settings for this connection's link, given to
    // it alone; empty: the client's firebird.conf and defaults.
    WireCrypt = 40,   // Required, Enabled or Disabled
    AuthClient = 41,  // the authentication plugins to try, in order ("Srp256, Srp")
};

// Something that keeps the text of its last failure.
class ISQLErrorSource {
public:
    virtual ~ISQLErrorSource() = default;
    virtual SQLStatus getErrorMessageLen(uint16_t *len) = 0;
    // Copies the text (UTF-8, no terminator needed) into *message.
    virtual SQLStatus getErrorMessage(std::string *message) = 0;
    // The server's own code for the last failure (a GDS code such as
    // 335544345, lock conflict), 0 when the failure was not the server's.
    virtual int32_t getServerErrorCode() { return 0; }
};

class ISQLCursor : public ISQLErrorSource {
public:
    virtual SQLStatus getColumnCount(uint16_t *count) = 0;
    // Columns are numbered from 1.
    virtual SQLStatus getColumnName(uint16_t col, std::string *name) = 0;
    virtual SQLStatus getColumnType(uint16_t col, DataType *type, uint16_t *subType) = 0;
    // Characters for text columns, bytes for others.
    virtual SQLStatus getColumnLength(uint16_t col, uint32_t *length) = 0;
    virtual SQLStatus getColumnPrecision(uint16_t col, int16_t *precision) = 0;
    virtual SQLStatus getColumnScale(uint16_t col, int16_t *scale) = 0;
    virtual SQLStatus isNullable(uint16_t col, bool *nullable) = 0;
    virtual SQLStatus isReadOnly(uint16_t col, bool *readOnly) = 0;

    // Next row: Success, or EndOfRows after the last one.
    virtual SQLStatus next() = 0;

    // Values of the current row. Text and binary data stay valid until the
    // next call of next().
    virtual SQLStatus getString(uint16_t col, const char **data, uint32_t *len, bool *isNull) = 0;
    virtual SQLStatus getInt64(uint16_t col, int64_t *value,
                               bool *isNull) = 0;  // SmallInt, Integer, BigInt, Bcd (unscaled)
    virtual SQLStatus getDouble(uint16_t col, double *value, bool *isNull) = 0;
    virtual SQLStatus getDate(uint16_t col, int32_t *days, bool *isNull) = 0;
    virtual SQLStatus getTime(uint16_t col, uint32_t *fractions, bool *isNull) = 0;
    virtual SQLStatus getTimeStamp(uint16_t col, int32_t *days, uint32_t *fractions, bool *isNull) = 0;
    virtual SQLStatus getBoolean(uint16_t col, bool *value, bool *isNull) = 0;
    virtual SQLStatus getBlob(uint16_t col, const char **data, uint32_t *len, bool *isNull) = 0;  // Memo and Blob
};

// A value for one "?" marker of a prepared statement. Only the members of
// its type are read; a NULL may leave the type Unknown (the marker's own type
// is used). Text (String, Memo) is UTF-8; the driver sends it in the
// connection's character set.
struct SQLParamValue {
    DataType type = DataType::Unknown;
    bool isNull = false;
    int64_t integer = 0;     // SmallInt, Integer, BigInt; Bcd unscaled; Boolean 0 or 1
    int16_t scale = 0;       // Bcd: digits after the decimal point
    double real = 0;         // Float
    int32_t days = 0;        // Date, TimeStamp
    uint32_t fractions = 0;  // Time, TimeStamp
    std::string_view bytes;  // String, Memo, Blob; read during setParameter
};

class ISQLCommand : public ISQLErrorSource {
public:
    virtual SQLStatus setRowSetSize(int32_t rows) = 0;
    virtual SQLStatus setStoredProcedure(bool on) = 0;
    // The text's parameters are "?" markers; paramCount is what the caller
    // counted (the driver goes by what the server finds).
    virtual SQLStatus prepare(const std::string &sql, uint16_t paramCount) = 0;
    // The value of marker `index` (from 1, in text order) for the following
    // executions; every marker needs one before execute ("Parameter Not Set").
    // A new prepare forgets the values.
    virtual SQLStatus setParameter(uint16_t index, const SQLParamValue &value) = 0;
    // *cursor is null for a statement that returns no rows.
    virtual SQLStatus execute(ISQLCursor **cursor) = 0;
    virtual SQLStatus getRowsAffected(int64_t *rows) = 0;
    // Ends an execution; the statement stays prepared.
    virtual SQLStatus close() = 0;
};

class ISQLMetaData : public ISQLErrorSource {
public:
    virtual SQLStatus setOption(ConnOption option, const std::string &value) = 0;
    virtual SQLStatus getOption(ConnOption option, int64_t *value) = 0;
    virtual SQLStatus getOption(ConnOption option, std::string *value) = 0;
    // Rows with INDEX_NAME, COLUMN_NAME, INDEX_TYPE, SORT_ORDER; INDEX_TYPE is
    // a bit set (1 non-unique, 2 unique, 4 primary key), SORT_ORDER "A" or "D".
    virtual SQLStatus getIndices(const std::string &tableName, ISQLCursor **cursor) = 0;
};

class ISQLConnection : public ISQLErrorSource {
public:
    virtual SQLStatus setOption(ConnOption option, int64_t value) = 0;
    virtual SQLStatus setOption(ConnOption option, const std::string &value) = 0;
    virtual SQLStatus getOption(ConnOption option, int64_t *value) = 0;
    virtual SQLStatus getOption(ConnOption option, std::string *value) = 0;
    virtual SQLStatus connect(const std::string &database, const std::string &user, const std::string &password) = 0;
    virtual SQLStatus disconnect() = 0;
    virtual SQLStatus getSQLCommand(ISQLCommand **command) = 0;
    virtual SQLStatus getSQLMetaData(ISQLMetaData **metaData) = 0;

    // An explicit transaction: while one is open every command of this
    // connection runs in it. Outside one, each statement runs in a
    // transaction of its own that is committed before execute() returns (a
    // cursor's when it is freed).
    virtual SQLStatus beginTransaction() = 0;
    virtual SQLStatus commit() = 0;
    virtual SQLStatus rollback() = 0;
    // An explicit transaction that only reads and sees the database as it
    // stood when it began, whatever others commit meanwhile; ended by
    // commit() or rollback() like the other.
    virtual SQLStatus beginReadOnlySnapshot() = 0;
};

class ISQLDriver : public ISQLErrorSource {
public:
    virtual SQLStatus getSQLConnection(ISQLConnection **connection) = 0;
};

// The entry point's type: vendor library name, error resource file name.
extern "C" {
typedef SQLStatus (*GetDriverFunc)(const char *vendorLib, const char *errorResourceFile, ISQLDriver **driver);
}
