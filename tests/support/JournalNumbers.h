#pragma once
// The order numbers of a journal's lines (cds/deletions.log), in the file's
// order: the second field of every line after the header line.
#include <string>
#include <vector>

// `header`, when given, receives the first line (without its line break;
// empty when the file is missing).
std::vector<std::string> JournalOrderNumbers(const std::string &path, std::string *header = nullptr);
