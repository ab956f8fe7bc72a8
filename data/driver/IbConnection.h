#pragma once
// A connection: options, the attachment, and the explicit transaction.
#include <memory>

#include "data/driver/ConnectionState.h"
#include "data/sql/SqlDriver.h"

class IbConnection final : public WithErrors<ISQLConnection> {
public:
    explicit IbConnection(std::shared_ptr<const FbClient> client);
    ~IbConnection() override;

    SQLStatus setOption(ConnOption option, int64_t value) override;
    SQLStatus setOption(ConnOption option, const std::string &value) override;
    SQLStatus getOption(ConnOption option, int64_t *value) override;
    SQLStatus getOption(ConnOption option, std::string *value) override;
    SQLStatus connect(const std::string &database, const std::string &user, const std::string &password) override;
    SQLStatus disconnect() override;
    SQLStatus getSQLCommand(ISQLCommand **command) override;
    SQLStatus getSQLMetaData(ISQLMetaData **metaData) override;
    SQLStatus beginTransaction() override;
    SQLStatus commit() override;
    SQLStatus rollback() override;
    SQLStatus beginReadOnlySnapshot() override;

private:
    SQLStatus Attach(const std::string &database, const std::string &user, const std::string &password);
    void Detach();

    std::shared_ptr<ConnectionState> state_;
};

// The name the client library is given: a plain path opens the file in this
// process; with a host name (and port) set as options and none in the name,
// they are put in front ("host/port:path").
std::string NetworkDatabaseName(const std::string &database, const ConnectionOptions &options);
