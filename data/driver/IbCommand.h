#pragma once
// A command: one prepared statement, executed as often as asked.
#include <memory>
#include <string>
#include <vector>

#include "ConnectionState.h"
#include "ParameterValues.h"
#include "SqlDriver.h"
#include "StatementHandle.h"

class IbCommand final : public WithErrors<ISQLCommand>, private AttachmentUser {
public:
    explicit IbCommand(std::shared_ptr<ConnectionState> state);
    ~IbCommand() override;

    SQLStatus setRowSetSize(int32_t rows) override;
    SQLStatus setStoredProcedure(bool on) override;
    SQLStatus prepare(const std::string &sql, uint16_t paramCount) override;
    SQLStatus setParameter(uint16_t index, const SQLParamValue &value) override;
    SQLStatus execute(ISQLCursor **cursor) override;
    SQLStatus getRowsAffected(int64_t *rows) override;
    SQLStatus close() override;

private:
    void ReleaseBeforeDetach() override;
    bool PrepareLifted(const std::string &sql);
    SQLStatus ExecuteWithoutCursor(FbStatus &status);
    // The lifted literals as a message of text values for the statement.
    Firebird::IMessageMetadata *LiftedValues(FbStatus &status, std::vector<unsigned char> &buffer);

    std::shared_ptr<ConnectionState> state_;
    std::shared_ptr<StatementHandle> statement_;
    bool hasCursor_ = false;
    ParameterValues params_;
    // Set when statement_ is a lifted one: the literals it runs with and the
    // character set of each one's parameter.
    std::vector<std::string> liftedValues_;
    std::vector<unsigned> liftedCharSets_;
    bool lifted_ = false;
    int64_t rowsAffected_ = 0;
    int32_t rowSetSize_ = 20;
};
