#pragma once
// What the database says of a table's columns beyond their names and types.
#include <set>
#include <string>

class TSQLConnection;

// The table's columns whose values the server computes (COMPUTED BY): an
// INSERT may not name them. Names as the system tables hold them.
std::set<std::string> ComputedColumns(TSQLConnection &connection, const std::string &table);
