#pragma once
// Which table a query reads from, when it reads from one table only.
#include <string>
#include <string_view>

// The table named after the outermost FROM of a SELECT that reads one table
// (no comma, no JOIN in its FROM clause); a quoted name keeps its case, a
// plain one is given in upper case. "" for any other text.
std::string SingleTableName(std::string_view sql);
