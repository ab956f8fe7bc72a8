#include "data/sql/StatusText.h"

std::string DriverStatusText(SQLStatus status) {
    switch (status) {
        case SQLStatus::InsufficientMemory:
            return "Driver Error: Insufficient Memory for Operation";
        case SQLStatus::InvalidFieldType:
            return "Driver Error: Invalid Field Type";
        case SQLStatus::InvalidHandle:
            return "Driver Error: Invalid Handle";
        case SQLStatus::InvalidTime:
            return "Driver Error: Invalid Time";
        case SQLStatus::NotSupported:
            return "Driver Error: Operation Not Supported";
        case SQLStatus::InvalidTranslation:
            return "Driver Error: Invalid Data Translation";
        case SQLStatus::InvalidParameter:
            return "Driver Error: Invalid Parameter";
        case SQLStatus::OutOfRange:
            return "Driver Error: Parameter/Column out of Range";
        case SQLStatus::ParameterNotSet:
            return "Driver Error: Parameter Not Set";
        case SQLStatus::ResultSetAtEof:
            return "Driver Error: Result set at EOF";
        case SQLStatus::InvalidLogin:
            return "Driver Error: Invalid Username/Password";
        case SQLStatus::InvalidPrecision:
            return "Driver Error: Invalid Precision";
        case SQLStatus::InvalidLength:
            return "Driver Error: Invalid Length";
        case SQLStatus::InvalidIsolationLevel:
            return "Driver Error: Invalid Transaction Isolation Level";
        case SQLStatus::InvalidTransaction:
            return "Driver Error: Invalid Transaction ID";
        case SQLStatus::DuplicateTransaction:
            return "Driver Error: Duplicate Transaction ID";
        // 17 and 20 are the remaining transaction statuses of the driver; they
        // get texts of the same kind rather than the catch-all below.
        case SQLStatus::TransactionNotActive:
            return "Driver Error: Transaction not Active";
        case SQLStatus::TransactionActive:
            return "Driver Error: Local Transaction already active";
        case SQLStatus::MultipleTransactionsOff:
            return "Driver Error: Multiple Transactions not Enabled";
        case SQLStatus::ConnectionLost:
            return "Driver Error: Connection Lost";
        default:
            return "Driver Error: No Mapping for Error Code Found";
    }
}
