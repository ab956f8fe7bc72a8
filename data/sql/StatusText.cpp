#include "StatusText.h"

std::string DriverStatusText(SQLStatus status) {
    switch (status) {
    case 1: return "Driver Error: Insufficient Memory for Operation";
    case 2: return "Driver Error: Invalid Field Type";
    case 3: return "Driver Error: Invalid Handle";
    case 4: return "Driver Error: Invalid Time";
    case 5: return "Driver Error: Operation Not Supported";
    case 6: return "Driver Error: Invalid Data Translation";
    case 7: return "Driver Error: Invalid Parameter";
    case 8: return "Driver Error: Parameter/Column out of Range";
    case 9: return "Driver Error: Parameter Not Set";
    case 10: return "Driver Error: Result set at EOF";
    case 11: return "Driver Error: Invalid Username/Password";
    case 12: return "Driver Error: Invalid Precision";
    case 13: return "Driver Error: Invalid Length";
    case 14: return "Driver Error: Invalid Transaction Isolation Level";
    case 15: return "Driver Error: Invalid Transaction ID";
    case 16: return "Driver Error: Duplicate Transaction ID";
    // 17 and 20 are the remaining transaction statuses of the driver; they
    // get texts of the same kind rather than the catch-all below.
    case 17: return "Driver Error: Transaction not Active";
    case 18: return "Driver Error: Local Transaction already active";
    case 19: return "Driver Error: Multiple Transactions not Enabled";
    case 20: return "Driver Error: Connection Lost";
    default: return "Driver Error: No Mapping for Error Code Found";
    }
}
