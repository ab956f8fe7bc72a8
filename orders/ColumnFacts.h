#pragma once
// What the database says of a table's columns beyond their names and types.
#include <map>
#include <set>
#include <string>

class TSQLConnection;

namespace batchdel {

// The table's columns whose values the server computes (COMPUTED BY): an
// INSERT may not name them. Names as the system tables hold them.
std::set<std::string> ComputedColumns(TSQLConnection &connection, const std::string &table);

// The character set of a text column (CHAR or VARCHAR).
struct ColumnCharacterSet {
    std::string name;           // as the database names it: UTF8, BIG5, NONE...
    int bytesPerCharacter = 1;  // at most
};
// The table's text columns with their character sets, by column name.
std::map<std::string, ColumnCharacterSet> TextColumnCharacterSets(TSQLConnection &connection, const std::string &table);

}  // namespace batchdel
