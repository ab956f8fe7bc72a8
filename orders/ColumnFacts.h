#pragma once
// What the database says of a table's columns beyond their names and types.
#include <map>
#include <set>
#include <string>
#include <vector>

class TSQLConnection;

namespace batchdel {

// The character set of a text column (CHAR or VARCHAR).
struct ColumnCharacterSet {
    std::string name;           // as the database names it: UTF8, BIG5, NONE...
    int bytesPerCharacter = 1;  // at most
};

struct ColumnFacts {
    // The columns whose values the server computes (COMPUTED BY): an INSERT
    // may not name them. Names as the system tables hold them.
    std::set<std::string> computed;
    // The text columns with their character sets, by column name.
    std::map<std::string, ColumnCharacterSet> textSets;
};

// The facts of each of these tables (by name; a table the database lacks
// has none), asked in one query.
std::map<std::string, ColumnFacts> ColumnFactsOf(TSQLConnection &connection, const std::vector<std::string> &tables);

}  // namespace batchdel
