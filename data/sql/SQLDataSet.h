#pragma once
// A SQL data set: runs one command text on the connection and reads its rows
// through the driver's cursor. The prepared statement stays allocated while
// the text stays the same, so reopening with the same text runs it again
// without preparing it anew.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/dataset/Component.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLParams.h"

class TSQLDataSet : public TComponent, private SQLConnectionClient {
public:
    explicit TSQLDataSet(std::string name = {});
    ~TSQLDataSet() override;

    void SetSQLConnection(TSQLConnection *connection);
    TSQLConnection *SQLConnection() const { return connection_; }
    // Leading blanks are dropped; a different text frees the prepared
    // statement (and the key information read for the old one).
    void SetCommandText(const std::string &text);
    const std::string &CommandText() const { return commandText_; }
    // Markers ":name" in the text take the values of the parameters of those
    // names, bound at every Open without preparing again; a marker without
    // a value refuses to open. One parameter per name, in text order.
    TParams &Params() { return params_; }
    // Kept for the form's sake: the driver always delivers large values
    // whole, which is what -1 asks for.
    int MaxBlobSize = -1;

    // Connects if needed, prepares unless the same text is still prepared,
    // executes and describes the columns. "Cursor not returned from Query"
    // for a statement without rows. On failure the data set stays closed.
    void Open();
    // Releases the cursor; the prepared statement stays.
    void Close();
    bool Active() const { return cursor_ != nullptr; }

    // Columns of the open cursor: read-only and required as the driver
    // reports them, a name already taken made unique as "NAME_1", "NAME_2".
    const std::vector<ColumnDesc> &Columns() const { return columns_; }
    // Reads every remaining row of the cursor into the engine (whose columns
    // are Columns()); returns the number of rows read.
    int FetchAllInto(TableEngine &engine);
    // PRIMARY_KEY, UNIQUE_KEY and DEFAULT_ORDER from the indexes of the one
    // table the text reads from (empty for other texts); read from the
    // database once per command text.
    std::vector<std::pair<std::string, std::string>> KeyProperties();

    // The driver command kept for the present text (null when none).
    ISQLCommand *PreparedCommand() const { return prepared_ ? command_.get() : nullptr; }
    int PrepareCount() const { return prepareCount_; }

private:
    void ConnectionClosing() override;
    void ConnectionDestroyed() override;
    bool ClientActive() const override { return Active(); }
    void FreeStatement();
    void DescribeColumns();
    void CheckStatus(SQLStatus status, ISQLErrorSource *source);
    std::vector<std::pair<std::string, std::string>> KeyPropertiesFrom(ISQLCursor &list);

    TSQLConnection *connection_ = nullptr;
    std::string commandText_;
    std::string driverText_;               // the markers made "?"
    std::vector<std::string> paramNames_;  // per marker, in text order
    std::vector<int> paramIndexes_;        // per marker, its parameter in params_
    TParams params_;
    SQLCommandLease command_;
    bool prepared_ = false;
    int prepareCount_ = 0;
    std::unique_ptr<ISQLCursor> cursor_;
    std::vector<ColumnDesc> columns_;
    bool keysRead_ = false;
    std::vector<std::pair<std::string, std::string>> keyProperties_;
};
