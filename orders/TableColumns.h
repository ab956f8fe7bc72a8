#pragma once
// Finding a column of a fetched table or a read backup file by its name.
#include <string>
#include <string_view>

class TableEngine;

namespace batchdel {

// The column's index, -1 when the table has no column of that name.
int FindColumn(const TableEngine &table, std::string_view name);

// A column's name as a statement names it: between double quotes, a quote
// in it doubled, so that any name the table has is taken exactly.
std::string QuotedName(std::string_view name);

// A name with its ASCII letters in upper case, as the database folds the
// names a statement or a metadata list gives without quotes.
std::string UpperCaseName(std::string name);

}  // namespace batchdel
