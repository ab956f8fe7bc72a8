#include "data/sql/SQLQuery.h"

#include "data/dataset/Errors.h"
#include "data/dataset/ParamScan.h"
#include "data/sql/ParamList.h"

struct TSQLQuery::Impl {
    TSQLConnection *connection = nullptr;
    std::vector<std::string> lines;
    std::string text;
    std::string driverText;  // the text with each marker made a "?"
    std::vector<std::string> paramNames;
    std::vector<int> paramIndexes;  // per marker, its parameter in params
    TParams params;
    SQLCommandLease command;
    std::string preparedText;  // the text the command holds prepared
    int prepareCount = 0;
};

TSQLQuery::TSQLQuery(std::string name) : TComponent(std::move(name)), d_(new Impl) {}

TSQLQuery::~TSQLQuery() { SetSQLConnection(nullptr); }

void TSQLQuery::SetSQLConnection(TSQLConnection *connection) {
    if (connection == d_->connection) return;
    FreeCommand();
    if (d_->connection) d_->connection->UnregisterClient(this);
    d_->connection = connection;
    if (connection) connection->RegisterClient(this);
}

TSQLConnection *TSQLQuery::SQLConnection() const { return d_->connection; }

void TSQLQuery::Close() {
    // Nothing is ever left open: Execute closes what it opened.
}

void TSQLQuery::ClearSQL() {
    d_->lines.clear();
    TextChanged();
}

void TSQLQuery::AddSQL(const std::string &line) {
    d_->lines.push_back(line);
    TextChanged();
}

const std::vector<std::string> &TSQLQuery::SQL() const { return d_->lines; }

std::string TSQLQuery::Text() const { return d_->text; }

const std::vector<std::string> &TSQLQuery::ParamNames() const { return d_->paramNames; }

TParams &TSQLQuery::Params() { return d_->params; }

TParam &TSQLQuery::ParamByName(const std::string &name) {
    TParam *param = d_->params.FindParam(name);
    if (!param) throw EDatabaseError(Prefixed("Parameter '" + name + "' not found"));
    return *param;
}

int TSQLQuery::PrepareCount() const { return d_->prepareCount; }

void TSQLQuery::TextChanged() {
    Close();
    FreeCommand();
    std::string text;
    for (const std::string &line : d_->lines) {
        text += line;
        text += "\r\n";
    }
    d_->text = std::move(text);
    d_->paramNames.clear();
    d_->driverText.clear();
    size_t copied = 0;
    if (ParamCheck)
        for (const ParamMarker &marker : ScanParamMarkers(d_->text)) {
            d_->paramNames.push_back(marker.name);
            d_->driverText.append(d_->text, copied, marker.offset - copied);
            d_->driverText += '?';
            copied = marker.offset + marker.length;
        }
    d_->driverText.append(d_->text, copied);
    d_->paramIndexes = d_->params.Rebuild(d_->paramNames);
}

void TSQLQuery::FreeCommand() {
    d_->command.reset();
    d_->preparedText.clear();
}

void TSQLQuery::ConnectionClosing() { FreeCommand(); }

void TSQLQuery::ConnectionDestroyed() {
    FreeCommand();
    d_->connection = nullptr;
}

int64_t TSQLQuery::Execute() {
    if (Active()) throw EDatabaseError(Prefixed("Cannot perform this operation on an open dataset"));
    TSQLConnection *connection = d_->connection;
    if (!connection) throw EDatabaseError(Prefixed("Missing SQLConnection property"));
    if (d_->text.empty()) throw EDatabaseError(Prefixed("No SQL statement available"));
    // A statement never runs with a marker left without a value.
    for (size_t i = 0; i < d_->paramNames.size(); ++i)
        if (!d_->params[d_->paramIndexes[i]].IsAssigned())
            throw EDatabaseError(Prefixed("No value for parameter '" + d_->paramNames[i] + "'"));

    if (!connection->Connected()) connection->Open();
    int64_t rows = 0;

    if (!d_->command || d_->preparedText != d_->text) {
        FreeCommand();
        d_->command = connection->AcquireCommand();
        if (!d_->command) throw EDatabaseError("Unable to execute Query");
        d_->command->setRowSetSize(RowsetSizeOf(connection->Params));
        SQLStatus status = d_->command->prepare(d_->driverText, static_cast<uint16_t>(d_->paramNames.size()));
        if (status != SQLStatus::Success) {
            try {
                connection->CheckStatus(status, d_->command.get());
            } catch (...) {
                FreeCommand();
                throw;
            }
        }
        d_->preparedText = d_->text;
        ++d_->prepareCount;
    }

    BindValues(*connection);
    ISQLCommand *command = d_->command.get();
    ISQLCursor *cursor = nullptr;
    SQLStatus status = command->execute(&cursor);
    if (status == SQLStatus::Success) status = command->getRowsAffected(&rows);
    if (status != SQLStatus::Success) {
        // After a failed execution the statement is prepared afresh next time:
        // a lost connection or a changed table may have spoilt it.
        delete cursor;
        try {
            connection->CheckStatus(status, command);
        } catch (...) {
            FreeCommand();
            throw;
        }
    }
    if (cursor) {
        delete cursor;
        FreeCommand();
    } else {
        command->close();
    }
    return rows;
}

void TSQLQuery::BindValues(TSQLConnection &connection) {
    ISQLCommand *command = d_->command.get();
    for (size_t i = 0; i < d_->paramNames.size(); ++i) {
        const SQLStatus status =
            command->setParameter(static_cast<uint16_t>(i + 1), d_->params[d_->paramIndexes[i]].DriverValue());
        if (status != SQLStatus::Success) {
            // A value the driver refuses leaves nothing half bound: the
            // statement is prepared afresh next time.
            try {
                connection.CheckStatus(status, command);
            } catch (...) {
                FreeCommand();
                throw;
            }
        }
    }
}
