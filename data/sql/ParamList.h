#pragma once
// Rules for "key=value" parameter lists (the connection's Params, a section of
// the connection file) and for the texts found in them.
#include <string>
#include <string_view>
#include <vector>

// Drops blanks and control characters (every byte up to the space) at both
// ends. Bytes of multi-byte UTF-8 characters are never dropped.
std::string TrimBlanks(std::string_view text);

// Compares two texts without regard to letter case (Unicode-aware for text
// outside ASCII).
bool SameText(std::string_view a, std::string_view b);
// A text that two names share exactly when SameText holds for them: for
// looking names up in a hash.
std::string SameTextKey(std::string_view name);

// The value of key: the first line whose text before its first "=" equals key
// without regard to case gives the rest of that line; "" when no line does.
std::string ParamValueOf(const std::vector<std::string> &lines, std::string_view key);
// Whether some line has the key (its value may be empty).
bool HasParam(const std::vector<std::string> &lines, std::string_view key);

// A yes/no parameter: yes exactly when the trimmed value reads "TRUE" in any
// letter case.
bool ParamIsYes(std::string_view value);

// The transaction isolation named by a "<driver> TransIsolation" value:
// 1 repeatable read, 2 dirty read, 0 read committed for anything else.
int TransIsolationLevel(std::string_view value);

// The row-set size a command is given: the trimmed "RowsetSize" parameter as
// an integer, 20 when it is absent or not an integer.
int RowsetSizeOf(const std::vector<std::string> &lines);
constexpr int kDefaultRowsetSize = 20;
