#pragma once
// What an operator can do about a connect the client refused, in words that
// follow the client's own: the client says "Incompatible wire encryption
// levels requested on client and server" or "operating system directive
// access failed", which tells a shop nothing about whom to ask for what.
#include <cstdint>
#include <string>

#include "data/driver/ConnectionOptions.h"

// The lines to add under the client's text ("" when there is nothing to add),
// for the failure with that server code and text on connecting to name (as
// the client was given it) with these options.
std::string AttachAdvice(int32_t code, const std::string &text, const std::string &name,
                         const ConnectionOptions &options);
