#pragma once
// Failures the grid itself raises.
#include "Errors.h"

// The grid was asked for something it cannot do (too many columns).
class EInvalidGridOperation : public Exception {
public:
    explicit EInvalidGridOperation(std::string message) : Exception("EInvalidGridOperation", std::move(message)) {}
};
