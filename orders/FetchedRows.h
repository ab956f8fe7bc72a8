#pragma once
// Reading every row a statement gives into a table of its own.
#include <memory>

class TSQLDataSet;
class TableEngine;

namespace batchdel {

// Opens the data set (its text and values set), reads all its rows and
// closes it again, also when reading fails.
std::unique_ptr<TableEngine> FetchedRows(TSQLDataSet &set);

// The same, appended to `rows`: a table that carries the set's packet
// properties (NewPacketTable, what a backup file writes), made from the open
// set when `rows` is null, so the rows of several runs of one statement
// gather in one table.
void AppendPacketRows(TSQLDataSet &set, std::unique_ptr<TableEngine> &rows);

}  // namespace batchdel
