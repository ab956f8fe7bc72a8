#pragma once
// Finds the parameter markers of a statement text: a colon followed by a
// name, outside literals in single quotes, double quotes or back quotes.
#include <string>
#include <string_view>
#include <vector>

struct ParamMarker {
    std::string name;
    size_t offset = 0;  // of the colon
    size_t length = 0;  // colon and name
};

// Markers in text order (a name used twice is listed twice). A doubled colon
// ("::") is no marker. Names are made of letters, digits, "_", "$" and any
// character outside ASCII, which is stepped over whole.
std::vector<ParamMarker> ScanParamMarkers(std::string_view text);
