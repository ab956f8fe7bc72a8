#pragma once
// How the columns of a result set are fetched and what type each reports.
// The server's description is adjusted once per execution so that every value
// arrives in the form the cursor hands out without converting it per row:
// text in UTF-8, every scaled number as a 64-bit integer, FLOAT as DOUBLE.
#include <firebird/Interface.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/dataset/DataType.h"
#include "data/driver/DriverErrors.h"
#include "data/driver/FbHandles.h"

struct ColumnInfo {
    std::string name;  // alias in the select list
    DataType type = DataType::Unknown;
    uint16_t subType = 0;  // NUMERIC 1 / DECIMAL 2; blob subtype
    uint32_t length = 0;   // characters for text, bytes for the rest
    int16_t precision = 0;
    int16_t scale = 0;  // negative or 0, as the server gives it
    bool nullable = true;
    unsigned fbType = 0;  // the type in the fetch message, null bit cleared
    unsigned offset = 0;  // of the value in the fetch message
    unsigned nullOffset = 0;
    unsigned byteLength = 0;
    bool fixedChar = false;  // CHAR: blank padded to its length in characters
    bool utf8 = false;       // text that arrives as UTF-8
    unsigned charSet = 0;    // of a text blob, as stored
};

// The fetch message of one result set. Owns its metadata.
class OutputLayout {
public:
    OutputLayout(FbStatus &status, Firebird::IMessageMetadata *described);
    OutputLayout(const OutputLayout &) = delete;
    OutputLayout &operator=(const OutputLayout &) = delete;

    const std::vector<ColumnInfo> &columns() const { return columns_; }
    Firebird::IMessageMetadata *metadata() const { return metadata_.get(); }
    unsigned messageLength() const { return messageLength_; }

private:
    std::vector<ColumnInfo> columns_;
    FbRef<Firebird::IMessageMetadata> metadata_;
    unsigned messageLength_ = 0;
};

// Bytes per character of a Firebird character set (by its number).
unsigned BytesPerChar(unsigned charSetId);

// The byte length of the first `chars` characters of UTF-8 text (or of all
// of it when it is shorter).
size_t Utf8PrefixBytes(const char *text, size_t bytes, size_t chars);
