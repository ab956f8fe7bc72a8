#pragma once
// A command: one prepared statement, executed as often as asked.
#include <memory>
#include <string>
#include <vector>

#include "data/driver/ConnectionState.h"
#include "data/driver/ParameterValues.h"
#include "data/driver/StatementHandle.h"
#include "data/sql/SqlDriver.h"

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
    SQLStatus ExecuteWithoutCursor(FbStatus &status);

    std::shared_ptr<ConnectionState> state_;
    std::shared_ptr<StatementHandle> statement_;
    bool hasCursor_ = false;
    bool countsRows_ = true;  // whether an execution asks the server for its row count
    ParameterValues params_;
    int64_t rowsAffected_ = 0;
    int32_t rowSetSize_ = 20;
};
