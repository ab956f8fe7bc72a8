#include "data/driver/IbDriver.h"

#include <cstdio>

#include "data/driver/IbConnection.h"

IbDriver::IbDriver(std::shared_ptr<const FbClient> client) : client_(std::move(client)) {
    errors_.setUtil(client_->util);
}

SQLStatus IbDriver::getSQLConnection(ISQLConnection **connection) {
    return errors_.Run([&]() -> SQLStatus {
        if (!connection) Fail(SQLStatus::InvalidParameter, "No place for the connection");
        *connection = new IbConnection(client_);
        return SQLStatus::Success;
    });
}

extern "C" SQLStatus getIBDriver(const char *vendorLib, const char *, ISQLDriver **driver) {
    if (!driver) return SQLStatus::InvalidParameter;
    *driver = nullptr;
    std::string error;
    auto client = LoadFbClient(vendorLib ? vendorLib : "", &error);
    if (!client) {
        // The caller reports "Unable to Load" with the vendor library's name;
        // the loader's own reason goes to the log.
        std::fprintf(stderr, "libibdriver: %s\n", error.c_str());
        return SQLStatus::ServerError;
    }
    try {
        *driver = new IbDriver(std::move(client));
    } catch (const std::bad_alloc &) {
        return SQLStatus::InsufficientMemory;
    }
    return SQLStatus::Success;
}
