#pragma once
// A restore refused before anything is written: bad arguments, a backup file
// that does not read, a pair that does not belong together, a column the
// table lacks.
#include "Errors.h"

class ERestoreRefused : public Exception {
public:
    explicit ERestoreRefused(std::string message) : Exception("ERestoreRefused", std::move(message)) {}
};
