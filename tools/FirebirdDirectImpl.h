#pragma once
// The Firebird side of DirectDatabase, shared by the demo database maker.
#include <firebird/Interface.h>

#include "tools/FirebirdDirect.h"

namespace batchdel {

struct DirectDatabase::Impl {
    Firebird::IMaster *master = nullptr;
    Firebird::IUtil *util = nullptr;
    Firebird::IProvider *provider = nullptr;
    Firebird::IAttachment *attachment = nullptr;

    Impl();
    ~Impl();
    // Turns the client library's exception into DirectDbError with its text.
    [[noreturn]] void Rethrow(const Firebird::FbException &e) const;
};

}  // namespace batchdel
