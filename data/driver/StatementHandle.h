#pragma once
// A prepared statement, shared by its command and the cursor it opened, so
// that neither can free it under the other.
#include <firebird/Interface.h>

#include <memory>

#include "data/driver/ConnectionState.h"

class StatementHandle {
public:
    StatementHandle(std::shared_ptr<ConnectionState> state, Firebird::IStatement *statement)
        : state_(std::move(state)), statement_(statement) {}
    ~StatementHandle();
    StatementHandle(const StatementHandle &) = delete;
    StatementHandle &operator=(const StatementHandle &) = delete;

    Firebird::IStatement *get() const { return statement_; }

private:
    std::shared_ptr<ConnectionState> state_;
    Firebird::IStatement *statement_;
};
