#pragma once
// Metadata: read-back options and the index list of a table.
#include <memory>

#include "data/driver/ConnectionState.h"
#include "data/sql/SqlDriver.h"

class IbMetaData final : public WithErrors<ISQLMetaData> {
public:
    explicit IbMetaData(std::shared_ptr<ConnectionState> state);

    SQLStatus setOption(ConnOption option, const std::string &value) override;
    SQLStatus getOption(ConnOption option, int64_t *value) override;
    SQLStatus getOption(ConnOption option, std::string *value) override;
    SQLStatus getIndices(const std::string &tableName, ISQLCursor **cursor) override;

private:
    std::shared_ptr<ConnectionState> state_;
};

// The query that lists a table's indexes, one row per index column.
std::string IndexListQuery(const std::string &tableName);
