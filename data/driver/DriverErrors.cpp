#include "DriverErrors.h"

#include <algorithm>

void Fail(SQLStatus status, std::string text) { throw DriverFailure{status, std::move(text)}; }

SQLStatus ErrorState::Set(SQLStatus status, std::string text)
{
    text_ = std::move(text);
    return status;
}

SQLStatus ErrorState::SetFromClient(Firebird::IStatus *status)
{
    if (!util_)
        return Set(kSqlServerError, "Firebird client failure");
    char buffer[4096];
    const unsigned len = util_->formatStatus(buffer, sizeof buffer, status);
    std::string text(buffer, std::min<size_t>(len, sizeof buffer - 1));
    // The client ends each line with a newline; the last one carries nothing.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (text.empty())
        text = "Firebird client failure";
    return Set(kSqlServerError, std::move(text));
}

SQLStatus ErrorState::length(uint16_t *len) const
{
    if (!len)
        return kSqlInvalidParameter;
    *len = static_cast<uint16_t>(std::min<size_t>(text_.size(), 0xFFFF));
    return kSqlSuccess;
}

SQLStatus ErrorState::message(std::string *text) const
{
    if (!text)
        return kSqlInvalidParameter;
    *text = text_;
    return kSqlSuccess;
}
