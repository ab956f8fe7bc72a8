#include "IbCommand.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "IbCursor.h"
#include "LiftedStatements.h"
#include "TypeMapping.h"

using namespace Firebird;

IbCommand::IbCommand(std::shared_ptr<ConnectionState> state) : state_(std::move(state))
{
    errors_.setUtil(state_->client->util);
    state_->Register(this);
}

IbCommand::~IbCommand()
{
    state_->Unregister(this);
    statement_.reset();
}

void IbCommand::ReleaseBeforeDetach() { statement_.reset(); }

SQLStatus IbCommand::setRowSetSize(int32_t rows)
{
    // Rows come one message at a time from a buffer the client fills in
    // batches of its own; the size is kept for reading back only.
    rowSetSize_ = rows;
    return kSqlSuccess;
}

SQLStatus IbCommand::setStoredProcedure(bool on)
{
    if (on)
        return errors_.Set(kSqlNotSupported, "Stored procedure commands are not supported");
    return kSqlSuccess;
}

SQLStatus IbCommand::prepare(const std::string &sql, uint16_t)
{
    return errors_.Run([&]() -> SQLStatus {
        statement_.reset();
        params_.Clear();
        hasCursor_ = false;
        lifted_ = false;
        liftedValues_.clear();
        liftedCharSets_.clear();
        rowsAffected_ = 0;
        state_->RequireConnected();
        if (PrepareLifted(sql))
            return kSqlSuccess;
        FbStatus status(state_->client->master->getStatus());
        try {
            // The text goes to the server exactly as given, line breaks
            // included. Preparing needs a transaction for the metadata it
            // reads; outside an explicit one a short one of its own.
            StatementTransaction transaction(*state_, status);
            IStatement *statement = state_->attachment->prepare(
                &status, transaction.get(), static_cast<unsigned>(sql.size()), sql.data(),
                static_cast<unsigned>(state_->options.sqlDialect),
                IStatement::PREPARE_PREFETCH_METADATA);
            statement_ = std::make_shared<StatementHandle>(state_, statement);
            hasCursor_ = (statement->getFlags(&status) & IStatement::FLAG_HAS_CURSOR) != 0;
            params_.Reset(status, statement);
            transaction.Commit();
        } catch (...) {
            statement_.reset();
            status.dispose();
            throw;
        }
        status.dispose();
        return kSqlSuccess;
    });
}

// A DELETE whose literals can be lifted runs as the connection's prepared
// statement for its lifted text, with the literals as values; everything
// else is prepared as it stands.
bool IbCommand::PrepareLifted(const std::string &sql)
{
    if (!ConnectionLiftsLiterals(*state_))
        return false;
    std::optional<LiftedText> lifted = LiftDeleteLiterals(sql);
    if (!lifted)
        return false;
    const LiftedStatement &statement =
        LiftedStatementsOf(state_).Get(lifted->text, lifted->values.size());
    if (!statement.Takes(lifted->values))
        return false;
    statement_ = statement.handle;
    liftedValues_ = std::move(lifted->values);
    for (const LiftedParameter &parameter : statement.parameters)
        liftedCharSets_.push_back(parameter.charSet);
    lifted_ = true;
    return true;
}

IMessageMetadata *IbCommand::LiftedValues(FbStatus &status, std::vector<unsigned char> &buffer)
{
    // The values travel as VARCHAR in the parameter's own character set, so
    // the server converts them just as it would the literals.
    IMetadataBuilder *builder = nullptr;
    IMessageMetadata *message = nullptr;
    try {
        const unsigned count = static_cast<unsigned>(liftedValues_.size());
        builder = state_->client->master->getMetadataBuilder(&status, count);
        for (unsigned i = 0; i < count; ++i) {
            builder->setType(&status, i, SQL_VARYING);
            builder->setCharSet(&status, i, liftedCharSets_[i]);
            builder->setLength(&status, i,
                               std::max<unsigned>(1, static_cast<unsigned>(liftedValues_[i].size())));
        }
        message = builder->getMetadata(&status);
        buffer.assign(message->getMessageLength(&status), 0);
        for (unsigned i = 0; i < count; ++i) {
            const std::string &value = liftedValues_[i];
            unsigned char *field = buffer.data() + message->getOffset(&status, i);
            const auto length = static_cast<uint16_t>(value.size());
            std::memcpy(field, &length, sizeof length);
            std::memcpy(field + sizeof length, value.data(), value.size());
        }
    } catch (...) {
        if (message)
            message->release();
        if (builder)
            builder->release();
        throw;
    }
    builder->release();
    return message;
}

SQLStatus IbCommand::setParameter(uint16_t index, const SQLParamValue &value)
{
    return errors_.Run([&]() -> SQLStatus {
        if (!statement_)
            Fail(kSqlInvalidParameter, "No statement is prepared");
        params_.Set(*state_, index, value);
        return kSqlSuccess;
    });
}

SQLStatus IbCommand::execute(ISQLCursor **cursor)
{
    return errors_.Run([&]() -> SQLStatus {
        if (!cursor)
            Fail(kSqlInvalidParameter, "No place for the cursor");
        *cursor = nullptr;
        rowsAffected_ = 0;
        if (!statement_)
            Fail(kSqlInvalidParameter, "No statement is prepared");
        state_->RequireConnected();
        FbStatus status(state_->client->master->getStatus());
        try {
            if (hasCursor_)
                *cursor = IbCursor::Open(state_, statement_, params_, status);
            else
                ExecuteWithoutCursor(status);
        } catch (...) {
            status.dispose();
            throw;
        }
        status.dispose();
        return kSqlSuccess;
    });
}

SQLStatus IbCommand::ExecuteWithoutCursor(FbStatus &status)
{
    IStatement *statement = statement_->get();
    // A statement with output values (EXECUTE PROCEDURE, RETURNING) needs a
    // place for them even though nobody reads them here.
    IMessageMetadata *output = statement->getOutputMetadata(&status);
    IMessageMetadata *input = nullptr;
    std::vector<unsigned char> outBuffer, inBuffer;
    try {
        outBuffer.resize(output->getMessageLength(&status));
        if (lifted_)
            input = LiftedValues(status, inBuffer);
        // Outside an explicit transaction the statement is committed before
        // this returns, so its effect is in the database for everyone.
        StatementTransaction transaction(*state_, status);
        InputMessage values = params_.Build(status, *state_, transaction.get());
        if (values.metadata) {
            input = values.metadata.release();
            inBuffer = std::move(values.buffer);
        }
        statement->execute(&status, transaction.get(), input,
                           inBuffer.empty() ? nullptr : inBuffer.data(), output,
                           outBuffer.empty() ? nullptr : outBuffer.data());
        const ISC_UINT64 affected = statement->getAffectedRecords(&status);
        transaction.Commit();
        rowsAffected_ = static_cast<int64_t>(affected);
    } catch (...) {
        if (input)
            input->release();
        output->release();
        throw;
    }
    if (input)
        input->release();
    output->release();
    return kSqlSuccess;
}

SQLStatus IbCommand::getRowsAffected(int64_t *rows)
{
    if (!rows)
        return errors_.Set(kSqlInvalidParameter, "No place for the row count");
    *rows = rowsAffected_;
    return kSqlSuccess;
}

SQLStatus IbCommand::close()
{
    // Each execution ends within execute() or with its cursor; the statement
    // stays prepared.
    rowsAffected_ = 0;
    return kSqlSuccess;
}
