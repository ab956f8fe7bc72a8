#pragma once
// Failures the grid itself raises.
#include "data/dataset/Errors.h"

// The grid was asked for something it cannot do (too many columns).
class EInvalidGridOperation : public Exception {
public:
    explicit EInvalidGridOperation(std::string message) : Exception("EInvalidGridOperation", std::move(message)) {}
};
