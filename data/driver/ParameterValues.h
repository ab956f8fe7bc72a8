#pragma once
// The values given for the markers of a prepared statement, and the input
// message that carries them to one execution. Each value travels in a type of
// its own choosing (text as VARCHAR of its length, numbers as 64-bit
// integers or doubles, ...); the server converts it to the marker's type as
// it would a literal, so a value that does not fit is refused by the server,
// never cut short here.
#include <firebird/Interface.h>

#include <string>
#include <vector>

#include "data/driver/ConnectionState.h"
#include "data/driver/FbHandles.h"
#include "data/sql/SqlDriver.h"

// The message of one execution: null metadata for a statement without markers.
struct InputMessage {
    FbRef<Firebird::IMessageMetadata> metadata;
    std::vector<unsigned char> buffer;

    unsigned char *data() { return buffer.empty() ? nullptr : buffer.data(); }
};

class ParameterValues {
public:
    // After a prepare: the markers the server found, every one without a value.
    void Reset(FbStatus &status, Firebird::IStatement *statement);
    void Clear();
    unsigned count() const { return static_cast<unsigned>(values_.size()); }

    // Fails (DriverFailure) for an index out of range or a value without a type.
    void Set(const ConnectionState &state, uint16_t index, const SQLParamValue &value);

    // The message for one execution in the transaction (blobs are written
    // in it). Fails with "Parameter Not Set" while a marker has no value.
    InputMessage Build(FbStatus &status, ConnectionState &state, Firebird::ITransaction *transaction) const;

private:
    struct Value {
        bool set = false;
        SQLParamValue value;  // bytes point into `bytes`
        std::string bytes;    // text already in the connection's character set
    };
    FbRef<Firebird::IMessageMetadata> described_;
    std::vector<Value> values_;
};
