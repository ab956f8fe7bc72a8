#pragma once
// Finding a column of a fetched table or a read backup file by its name.
#include <string_view>

class TableEngine;

// The column's index, -1 when the table has no column of that name.
int FindColumn(const TableEngine &table, std::string_view name);
