#include "data/driver/DriverErrors.h"

#include <algorithm>

void Fail(SQLStatus status, std::string text) { throw DriverFailure{status, std::move(text)}; }

SQLStatus ErrorState::Set(SQLStatus status, std::string text) {
    text_ = std::move(text);
    serverCode_ = 0;
    return status;
}

SQLStatus ErrorState::SetFromClient(Firebird::IStatus *status) {
    if (!util_) return Set(SQLStatus::ServerError, "Firebird client failure");
    char buffer[4096];
    const unsigned len = util_->formatStatus(buffer, sizeof buffer, status);
    std::string text(buffer, std::min<size_t>(len, sizeof buffer - 1));
    // The client ends each line with a newline; the last one carries nothing.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) text = "Firebird client failure";
    Set(SQLStatus::ServerError, std::move(text));
    // The vector starts with the main code: isc_arg_gds, code, ...
    const ISC_STATUS *vector = status->getErrors();
    if (vector && vector[0] == isc_arg_gds) serverCode_ = static_cast<int32_t>(vector[1]);
    return SQLStatus::ServerError;
}

SQLStatus ErrorState::length(uint16_t *len) const {
    if (!len) return SQLStatus::InvalidParameter;
    *len = static_cast<uint16_t>(std::min<size_t>(text_.size(), 0xFFFF));
    return SQLStatus::Success;
}

SQLStatus ErrorState::message(std::string *text) const {
    if (!text) return SQLStatus::InvalidParameter;
    *text = text_;
    return SQLStatus::Success;
}
