#pragma once
// The driver object the entry point hands out: it makes connections over the
// loaded client library.
#include <memory>

#include "data/driver/DriverErrors.h"
#include "data/driver/FbClient.h"
#include "data/sql/SqlDriver.h"

class IbDriver final : public WithErrors<ISQLDriver> {
public:
    explicit IbDriver(std::shared_ptr<const FbClient> client);
    SQLStatus getSQLConnection(ISQLConnection **connection) override;

private:
    std::shared_ptr<const FbClient> client_;
};

// The entry point. A vendor library that cannot be loaded gives
// SQLStatus::ServerError and no driver.
extern "C" __attribute__((visibility("default"))) SQLStatus getIBDriver(const char *vendorLib,
                                                                        const char *errorResourceFile,
                                                                        ISQLDriver **driver);
