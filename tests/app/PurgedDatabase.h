#pragma once
// A database whose orders batchdel-purge has backed up and deleted, for the
// restore window's tests: the purge runs from a folder of its own standing
// for the program's, so its cds/ (the pair and the journal) is the test's.
#include <memory>
#include <string>
#include <vector>

#include "app/RestoreWindow.h"
#include "tests/support/TestSupport.h"

using TableRows = std::vector<std::vector<std::string>>;

class PurgedDatabase {
public:
    // A database of `orders` orders, embedded or in the test server's folder
    // (the caller has made sure the server is there).
    PurgedDatabase(int orders, bool onServer);
    ~PurgedDatabase();

    // Backs up and deletes every order with batchdel-purge; "" on success,
    // else what the command said.
    std::string Purge() const;
    // A restore window's setup on this database and folder.
    TRestoreWindowSetup WindowSetup(TRestoreWindowSetup setup = {}) const;

    // Every row of both tables, in a fixed order, each value as text.
    TableRows Tables() const;
    int64_t Count(const std::string &sql) const;
    std::string Journal() const;

    TempDir dir;
    std::string database;
    std::string folder;  // stands for the program's, ends in "/"
    TableRows before;    // the tables before the purge

private:
    std::unique_ptr<ServerDatabase> server_;
};

// The rows of these orders only, headers and lines.
TableRows RowsOf(const TableRows &rows, const std::vector<std::string> &numbers);
