#pragma once
// A cursor over the rows of one execution. Rows are fetched straight into one
// message buffer; text values are handed out as pointers into it.
#include <memory>
#include <string>
#include <vector>

#include "data/driver/ConnectionState.h"
#include "data/driver/FbHandles.h"
#include "data/driver/ParameterValues.h"
#include "data/driver/StatementHandle.h"
#include "data/driver/TypeMapping.h"
#include "data/sql/SqlDriver.h"

class IbCursor final : public WithErrors<ISQLCursor>, private AttachmentUser {
public:
    // Opens the statement's cursor in the explicit transaction, or in one of
    // its own that is committed when the cursor is deleted.
    static IbCursor *Open(const std::shared_ptr<ConnectionState> &state,
                          const std::shared_ptr<StatementHandle> &statement, const ParameterValues &params,
                          FbStatus &status);
    ~IbCursor() override;

    SQLStatus getColumnCount(uint16_t *count) override;
    SQLStatus getColumnName(uint16_t col, std::string *name) override;
    SQLStatus getColumnType(uint16_t col, DataType *type, uint16_t *subType) override;
    SQLStatus getColumnLength(uint16_t col, uint32_t *length) override;
    SQLStatus getColumnPrecision(uint16_t col, int16_t *precision) override;
    SQLStatus getColumnScale(uint16_t col, int16_t *scale) override;
    SQLStatus isNullable(uint16_t col, bool *nullable) override;
    SQLStatus isReadOnly(uint16_t col, bool *readOnly) override;

    SQLStatus next() override;

    SQLStatus getString(uint16_t col, const char **data, uint32_t *len, bool *isNull) override;
    SQLStatus getInt64(uint16_t col, int64_t *value, bool *isNull) override;
    SQLStatus getDouble(uint16_t col, double *value, bool *isNull) override;
    SQLStatus getDate(uint16_t col, int32_t *days, bool *isNull) override;
    SQLStatus getTime(uint16_t col, uint32_t *fractions, bool *isNull) override;
    SQLStatus getTimeStamp(uint16_t col, int32_t *days, uint32_t *fractions, bool *isNull) override;
    SQLStatus getBoolean(uint16_t col, bool *value, bool *isNull) override;
    SQLStatus getBlob(uint16_t col, const char **data, uint32_t *len, bool *isNull) override;

private:
    IbCursor(std::shared_ptr<ConnectionState> state, std::shared_ptr<StatementHandle> statement,
             std::unique_ptr<OutputLayout> layout);

    void ReleaseBeforeDetach() override;
    void TransactionEnding(Firebird::ITransaction *transaction) override;
    // Closes the result set and commits a transaction of its own.
    void Finish();

    // The column, or null after setting status 8 for a number out of range.
    const ColumnInfo *Column(uint16_t col, SQLStatus *status);
    // The column's value in the current row: null when the value is NULL.
    const unsigned char *Value(const ColumnInfo &column) const;
    // Checks a value read: column in range, a current row, a type that fits.
    SQLStatus CheckRead(uint16_t col, std::initializer_list<DataType> types, const ColumnInfo **column, bool *isNull);
    const std::string &LoadBlob(uint16_t col, const ColumnInfo &column);

    std::shared_ptr<ConnectionState> state_;
    std::shared_ptr<StatementHandle> statement_;
    std::unique_ptr<OutputLayout> layout_;
    Firebird::IResultSet *resultSet_ = nullptr;
    Firebird::ITransaction *transaction_ = nullptr;
    bool ownTransaction_ = false;
    FbDisposable<Firebird::IStatus> status_;  // reused for every fetch
    std::vector<unsigned char> buffer_;
    bool onRow_ = false;
    bool atEnd_ = false;
    std::string cutOff_;  // why the rows ended before their end, if they did
    // Blob values of the current row, read on first demand.
    std::vector<std::string> blobs_;
    std::vector<bool> blobLoaded_;
};
