#pragma once
// A purge refused before anything is written: bad arguments, no connection,
// a backup that could not be written or read back.
#include "data/dataset/Errors.h"

namespace batchdel {

class EPurgeRefused : public Exception {
public:
    explicit EPurgeRefused(std::string message) : Exception("EPurgeRefused", std::move(message)) {}
};

}  // namespace batchdel
