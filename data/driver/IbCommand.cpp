#include "data/driver/IbCommand.h"

#include <vector>

#include "data/driver/FbHandles.h"
#include "data/driver/IbCursor.h"
#include "data/driver/TypeMapping.h"

using namespace Firebird;

IbCommand::IbCommand(std::shared_ptr<ConnectionState> state) : state_(std::move(state)) {
    errors_.setUtil(state_->client->util);
    state_->Register(this);
}

IbCommand::~IbCommand() {
    state_->Unregister(this);
    statement_.reset();
}

void IbCommand::ReleaseBeforeDetach() { statement_.reset(); }

SQLStatus IbCommand::setRowSetSize(int32_t rows) {
    // Rows come one message at a time from a buffer the client fills in
    // batches of its own; the size is kept for reading back only.
    rowSetSize_ = rows;
    return SQLStatus::Success;
}

SQLStatus IbCommand::setStoredProcedure(bool on) {
    if (on) return errors_.Set(SQLStatus::NotSupported, "Stored procedure commands are not supported");
    return SQLStatus::Success;
}

namespace {

// Whether the statement's own rows changed are worth counting. A procedure
// or block, a definition, a savepoint or a generator setting has none: its
// count would only cost a round trip.
bool CountsRows(unsigned statementType) {
    switch (statementType) {
        case isc_info_sql_stmt_exec_procedure:
        case isc_info_sql_stmt_ddl:
        case isc_info_sql_stmt_savepoint:
        case isc_info_sql_stmt_set_generator:
        case isc_info_sql_stmt_start_trans:
        case isc_info_sql_stmt_commit:
        case isc_info_sql_stmt_rollback:
            return false;
        default:
            return true;
    }
}

}  // namespace

SQLStatus IbCommand::prepare(const std::string &sql, uint16_t) {
    return errors_.Run([&]() -> SQLStatus {
        statement_.reset();
        params_.Clear();
        hasCursor_ = false;
        rowsAffected_ = 0;
        state_->RequireConnected();
        // The text goes to the server as given, line breaks included, in
        // the connection's character set.
        const std::string text = state_->ToServerText(sql);
        FbOwnStatus status(state_->client->master);
        // Preparing needs a transaction for the metadata it reads; outside
        // an explicit one a short one of its own.
        StatementTransaction transaction(*state_, status);
        IStatement *statement = state_->attachment->prepare(
            &status, transaction.get(), static_cast<unsigned>(text.size()), text.data(),
            static_cast<unsigned>(state_->options.sqlDialect), IStatement::PREPARE_PREFETCH_METADATA);
        auto handle = std::make_shared<StatementHandle>(state_, statement);
        hasCursor_ = (statement->getFlags(&status) & IStatement::FLAG_HAS_CURSOR) != 0;
        countsRows_ = CountsRows(statement->getType(&status));
        params_.Reset(status, statement);
        transaction.Commit();
        statement_ = std::move(handle);
        return SQLStatus::Success;
    });
}

SQLStatus IbCommand::setParameter(uint16_t index, const SQLParamValue &value) {
    return errors_.Run([&]() -> SQLStatus {
        if (!statement_) Fail(SQLStatus::InvalidParameter, "No statement is prepared");
        params_.Set(*state_, index, value);
        return SQLStatus::Success;
    });
}

SQLStatus IbCommand::execute(ISQLCursor **cursor) {
    return errors_.Run([&]() -> SQLStatus {
        if (!cursor) Fail(SQLStatus::InvalidParameter, "No place for the cursor");
        *cursor = nullptr;
        rowsAffected_ = 0;
        if (!statement_) Fail(SQLStatus::InvalidParameter, "No statement is prepared");
        state_->RequireConnected();
        FbOwnStatus status(state_->client->master);
        if (hasCursor_)
            *cursor = IbCursor::Open(state_, statement_, params_, status);
        else
            ExecuteWithoutCursor(status);
        return SQLStatus::Success;
    });
}

SQLStatus IbCommand::ExecuteWithoutCursor(FbStatus &status) {
    IStatement *statement = statement_->get();
    // A statement with output values (EXECUTE PROCEDURE, RETURNING) needs a
    // place for them even though nobody reads them here.
    FbRef<IMessageMetadata> output(statement->getOutputMetadata(&status));
    std::vector<unsigned char> outBuffer(output->getMessageLength(&status));
    // Outside an explicit transaction the statement is committed before
    // this returns, so its effect is in the database for everyone.
    StatementTransaction transaction(*state_, status);
    InputMessage input = params_.Build(status, *state_, transaction.get());
    statement->execute(&status, transaction.get(), input.metadata.get(), input.data(), output.get(),
                       outBuffer.empty() ? nullptr : outBuffer.data());
    // The count costs a round trip of its own: asked only of the statements
    // that change rows themselves.
    const ISC_UINT64 affected = countsRows_ ? statement->getAffectedRecords(&status) : 0;
    transaction.Commit();
    rowsAffected_ = static_cast<int64_t>(affected);
    return SQLStatus::Success;
}

SQLStatus IbCommand::getRowsAffected(int64_t *rows) {
    if (!rows) return errors_.Set(SQLStatus::InvalidParameter, "No place for the row count");
    *rows = rowsAffected_;
    return SQLStatus::Success;
}

SQLStatus IbCommand::close() {
    // Each execution ends within execute() or with its cursor; the statement
    // stays prepared.
    rowsAffected_ = 0;
    return SQLStatus::Success;
}
