#pragma once
// Texts for the driver's own statuses below 255 (255 and above carry the
// failing object's own text instead).
#include <string>

#include "data/sql/SqlDriver.h"

// The message for a status from 1 to 254.
std::string DriverStatusText(SQLStatus status);

// Shown when a driver object has no text for a failure of its own.
inline constexpr const char *kErrorMappingFailed = "SQL Error: Error mapping failed";
