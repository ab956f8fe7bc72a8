#pragma once
// Test databases and direct checks of their content, through the Firebird
// client itself (never through the program's driver).
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tools/DemoDatabase.h"

// A small demo database in the folder; each call makes a new file.
std::string MakeTestDatabase(const TempDir &dir, int orders);

// Every row of a query, each value as text (dates as YYYY-MM-DD, numerics
// with their scale, NULL as kDirectNullText).
std::vector<std::vector<std::string>> QueryRows(const std::string &database, const std::string &sql);
// The number in the first column of the first row (for SELECT COUNT(*)...).
int64_t CountRows(const std::string &database, const std::string &sql);
