#pragma once
// The connection options the driver accepts by number, with their defaults.
#include <cstdint>
#include <string>

#include "data/sql/SqlDriver.h"

struct ConnectionOptions {
    bool autoCommit = true;
    bool blockingMode = true;
    int64_t blobSize = -1;  // kilobytes; -1 reads blobs whole (they always are)
    std::string roleName;
    bool waitOnLocks = true;  // wait (a few seconds) for a lock held by another transaction
    bool commitRetain = false;
    int transIsolation = 0;  // 0 read committed, 1 repeatable read, 2 dirty read
    std::string hostName;
    std::string serverCharSet;  // empty: UTF8
    int sqlDialect = 3;
    bool osAuthentication = false;
    bool multipleTransaction = false;
    std::string serverPort;
    bool trimChar = false;   // trim trailing blanks of CHAR values
    std::string schemaName;  // Firebird has no schemas; kept for reading back
    std::string customString;
    int connectionTimeout = 0;  // seconds; 0 leaves the client's default
    std::string wireCrypt;      // empty: the client's default
    std::string authClient;     // empty: the client's default

    // Both setters accept every option; a number given as text is read as a
    // number and the other way round. Statuses: 0, SQLStatus::InvalidParameter for
    // a text that is no number, SQLStatus::NotSupported for an option that cannot be set.
    SQLStatus Set(ConnOption option, int64_t value);
    SQLStatus Set(ConnOption option, const std::string &value);
    SQLStatus Get(ConnOption option, int64_t *value) const;
    SQLStatus Get(ConnOption option, std::string *value) const;

    // The client settings of this connection's link as the attach
    // parameters carry them ("key = value" lines), "" when there are none.
    // Raises DriverFailure for a WireCrypt the client does not know.
    std::string ClientConfig() const;

    // The connection character set actually used.
    std::string CharSet() const { return serverCharSet.empty() ? "UTF8" : serverCharSet; }
};
