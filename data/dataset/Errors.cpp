#include "data/dataset/Errors.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {
bool ParseInt(const std::string &text, int *out) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    if (b == e) return false;
    std::string s = text.substr(b, e - b);
    const char *p = s.c_str();
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    *out = static_cast<int>(v);
    return true;
}
}  // namespace

int StrToInt(const std::string &text) {
    int v = 0;
    if (!ParseInt(text, &v)) throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const std::string &text, int fallback) {
    int v = 0;
    return ParseInt(text, &v) ? v : fallback;
}

namespace {
// The server's codes (GDS codes) that tell the kind of a failure.
constexpr int32_t kDeadlock = 335544336;            // isc_deadlock
constexpr int32_t kLockConflict = 335544345;        // isc_lock_conflict
constexpr int32_t kNotValid = 335544347;            // isc_not_valid
constexpr int32_t kNoDuplicate = 335544349;         // isc_no_dup
constexpr int32_t kNoPermission = 335544352;        // isc_no_priv
constexpr int32_t kUpdateConflict = 335544451;      // isc_update_conflict
constexpr int32_t kForeignKey = 335544466;          // isc_foreign_key
constexpr int32_t kLockTimeout = 335544510;         // isc_lock_timeout
constexpr int32_t kShutdown = 335544528;            // isc_shutdown
constexpr int32_t kCheckConstraint = 335544558;     // isc_check_constraint
constexpr int32_t kConnectionLost = 335544648;      // isc_conn_lost
constexpr int32_t kUniqueKey = 335544665;           // isc_unique_key_violation
constexpr int32_t kNetworkError = 335544721;        // isc_network_error
constexpr int32_t kNetConnect = 335544722;          // isc_net_connect_err
constexpr int32_t kNetRead = 335544726;             // isc_net_read_err
constexpr int32_t kNetWrite = 335544727;            // isc_net_write_err
constexpr int32_t kLostDbConnection = 335544741;    // isc_lost_db_connection
constexpr int32_t kAttachmentShutdown = 335544856;  // isc_att_shutdown
}  // namespace

FailureKind FailureKindOf(int32_t serverCode) {
    switch (serverCode) {
        case kLockConflict:
        case kDeadlock:
        case kUpdateConflict:
        case kLockTimeout:
            return FailureKind::LockConflict;
        case kNetworkError:
        case kNetConnect:
        case kNetRead:
        case kNetWrite:
        case kConnectionLost:
        case kLostDbConnection:
        case kShutdown:
        case kAttachmentShutdown:
            return FailureKind::ConnectionLost;
        case kUniqueKey:
        case kNoDuplicate:
        case kForeignKey:
        case kCheckConstraint:
        case kNotValid:
            return FailureKind::Constraint;
        case kNoPermission:
            return FailureKind::NoPermission;
        default:
            return FailureKind::Other;
    }
}
