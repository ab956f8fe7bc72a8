#pragma once
// Field values as text and back: what a field shows and what SetString
// accepts. Dates and times follow the regional settings (short date format,
// long time format).
#include <string>
#include <string_view>

#include "data/dataset/DataType.h"
#include "data/dataset/TableEngine.h"

// The value as text. Text columns give their text; numbers in plain decimal
// (a scaled decimal with its point, no trailing zeros); dates and times in
// the regional formats, a time stamp at midnight as its date alone; a null
// value gives "". A binary value gives its bytes, or "(BLOB)" for display.
std::string FieldValueText(DataType type, int scale, const FieldValue &value, bool forDisplay);

// Reads text as a value of the type. An empty text is null for every type
// but texts. Text that does not read as the type raises EConvertError:
// "'%s' is not a valid integer value" (or floating point, BCD, boolean,
// date, time, date and time value).
FieldValue FieldValueFromText(DataType type, int scale, const std::string &text);

// The regional formats in use (read once).
const std::string &ShortDateFormat();
const std::string &LongTimeFormat();
