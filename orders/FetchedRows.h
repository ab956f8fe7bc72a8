#pragma once
// Reading every row a statement gives into a table of its own.
#include <memory>

class TSQLDataSet;
class TableEngine;

// Opens the data set (its text and values set), reads all its rows and
// closes it again, also when reading fails.
std::unique_ptr<TableEngine> FetchedRows(TSQLDataSet &set);
