#include "data/driver/ConnectionOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "data/driver/DriverErrors.h"

namespace {

bool IsTrue(const std::string &text) {
    std::string upper;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper == "TRUE" || upper == "1" || upper == "YES";
}

bool ParseNumber(const std::string &text, int64_t *value) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    const char *begin = text.data() + first;
    const char *end = text.data() + last + 1;
    auto [ptr, ec] = std::from_chars(begin, end, *value);
    return ec == std::errc() && ptr == end;
}

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

SQLStatus ConnectionOptions::Set(ConnOption option, int64_t value) {
    switch (option) {
        case ConnOption::AutoCommit:
            autoCommit = value != 0;
            break;
        case ConnOption::BlockingMode:
            blockingMode = value != 0;
            break;
        case ConnOption::BlobSize:
            blobSize = value;
            break;
        case ConnOption::WaitOnLocks:
            waitOnLocks = value != 0;
            break;
        case ConnOption::CommitRetain:
            commitRetain = value != 0;
            break;
        case ConnOption::TransIsolation:
            if (value < 0 || value > 2) return SQLStatus::InvalidIsolationLevel;
            transIsolation = static_cast<int>(value);
            break;
        case ConnOption::SqlDialect:
            if (value != 1 && value != 3) return SQLStatus::InvalidParameter;
            sqlDialect = static_cast<int>(value);
            break;
        case ConnOption::OSAuthentication:
            osAuthentication = value != 0;
            break;
        case ConnOption::MultipleTransaction:
            multipleTransaction = value != 0;
            break;
        case ConnOption::TrimChar:
            trimChar = value != 0;
            break;
        case ConnOption::ConnectionTimeout:
            if (value < 0 || value > 0x7FFFFFFF) return SQLStatus::InvalidParameter;
            connectionTimeout = static_cast<int>(value);
            break;
        case ConnOption::ServerPort:
            serverPort = value > 0 ? std::to_string(value) : "";
            break;
        case ConnOption::RoleName:
        case ConnOption::HostName:
        case ConnOption::ServerCharSet:
        case ConnOption::SchemaName:
        case ConnOption::CustomString:
            return Set(option, std::to_string(value));
        default:
            return SQLStatus::NotSupported;
    }
    return SQLStatus::Success;
}

SQLStatus ConnectionOptions::Set(ConnOption option, const std::string &text) {
    switch (option) {
        case ConnOption::RoleName:
            roleName = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::HostName:
            hostName = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::ServerCharSet:
            serverCharSet = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::SchemaName:
            schemaName = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::CustomString:
            customString = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::WireCrypt:
            wireCrypt = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::AuthClient:
            authClient = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::ServerPort:
            serverPort = Trimmed(text);
            return SQLStatus::Success;
        case ConnOption::AutoCommit:
        case ConnOption::BlockingMode:
        case ConnOption::WaitOnLocks:
        case ConnOption::CommitRetain:
        case ConnOption::OSAuthentication:
        case ConnOption::MultipleTransaction:
        case ConnOption::TrimChar: {
            int64_t number;
            return Set(option, ParseNumber(text, &number) ? number : (IsTrue(text) ? 1 : 0));
        }
        default: {
            int64_t number;
            if (!ParseNumber(text, &number)) return SQLStatus::InvalidParameter;
            return Set(option, number);
        }
    }
}

SQLStatus ConnectionOptions::Get(ConnOption option, int64_t *value) const {
    if (!value) return SQLStatus::InvalidParameter;
    switch (option) {
        case ConnOption::AutoCommit:
            *value = autoCommit;
            break;
        case ConnOption::BlockingMode:
            *value = blockingMode;
            break;
        case ConnOption::BlobSize:
            *value = blobSize;
            break;
        case ConnOption::WaitOnLocks:
            *value = waitOnLocks;
            break;
        case ConnOption::CommitRetain:
            *value = commitRetain;
            break;
        case ConnOption::TransIsolation:
            *value = transIsolation;
            break;
        case ConnOption::SqlDialect:
            *value = sqlDialect;
            break;
        case ConnOption::OSAuthentication:
            *value = osAuthentication;
            break;
        case ConnOption::MultipleTransaction:
            *value = multipleTransaction;
            break;
        case ConnOption::TrimChar:
            *value = trimChar;
            break;
        case ConnOption::ConnectionTimeout:
            *value = connectionTimeout;
            break;
        // Statements on one attachment are not limited in number.
        case ConnOption::MaxActiveStatements:
            *value = 0;
            break;
        case ConnOption::SupportsTransaction:
            *value = 1;
            break;
        case ConnOption::ServerPort: {
            int64_t port = 0;
            *value = ParseNumber(serverPort, &port) ? port : 0;
            break;
        }
        default:
            return SQLStatus::NotSupported;
    }
    return SQLStatus::Success;
}

SQLStatus ConnectionOptions::Get(ConnOption option, std::string *value) const {
    if (!value) return SQLStatus::InvalidParameter;
    switch (option) {
        case ConnOption::ObjectQuoteChar:
            value->assign(1, '"');
            return SQLStatus::Success;
        case ConnOption::RoleName:
            *value = roleName;
            return SQLStatus::Success;
        case ConnOption::HostName:
            *value = hostName;
            return SQLStatus::Success;
        case ConnOption::ServerCharSet:
            *value = serverCharSet;
            return SQLStatus::Success;
        case ConnOption::SchemaName:
            *value = schemaName;
            return SQLStatus::Success;
        case ConnOption::CustomString:
            *value = customString;
            return SQLStatus::Success;
        case ConnOption::WireCrypt:
            *value = wireCrypt;
            return SQLStatus::Success;
        case ConnOption::AuthClient:
            *value = authClient;
            return SQLStatus::Success;
        case ConnOption::ServerPort:
            *value = serverPort;
            return SQLStatus::Success;
        default: {
            int64_t number;
            const SQLStatus status = Get(option, &number);
            if (status == SQLStatus::Success) *value = std::to_string(number);
            return status;
        }
    }
}

std::string ConnectionOptions::ClientConfig() const {
    std::string config;
    if (!wireCrypt.empty()) {
        // The client would take an unknown word for its default, which may
        // send the data in clear text where the file asked for encryption.
        std::string word;
        for (char c : wireCrypt) word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (word != "required" && word != "enabled" && word != "disabled")
            Fail(SQLStatus::ServerError,
                 "WireCrypt=" + wireCrypt + " is not a setting of the link: it takes Required, Enabled or Disabled");
        config += "WireCrypt = " + wireCrypt + "\n";
    }
    // A line break inside a value would start a setting of its own.
    if (!authClient.empty() && authClient.find_first_of("\r\n") == std::string::npos)
        config += "AuthClient = " + authClient + "\n";
    return config;
}
