#pragma once
// A fixture with a demo database of its own in a temporary folder, the
// configuration files beside it, a cds folder, and a headless window on it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/workflow/HeadlessOrderWindow.h"

class OrderDatabaseTest : public testing::Test {
protected:
    // A database of `orders` demo orders; `extraSql` runs on it before the
    // window connects (extra rows, triggers).
    void OpenDatabase(int orders, const std::vector<std::string> &extraSql = {}, bool withCdsFolder = true);
    // Where OpenDatabase makes the database: in the folder (embedded engine)
    // or on the test server. Extra lines for connections.ini.
    Backend databaseOn = Backend::Embedded;
    std::vector<std::string> connectionLines;

    // Lists the orders for the boxes as they are now.
    void List();
    // Ticks the listed rows at these 0-based positions, as the grid would.
    void Tick(const std::vector<int> &rows);
    // The order numbers in the list, in list order.
    std::vector<std::string> ListedOrders() const;
    // Marks of every listed row, in list order ("N", "Y").
    std::vector<std::string> Marks() const;

    int64_t HeaderCount(const std::string &orderNumber) const;
    int64_t LineCount(const std::string &orderNumber) const;
    int64_t Count(const std::string &sql) const { return CountRows(database, sql); }

    std::string CdsFile(const std::string &name) const { return dir.path() + "/cds/" + name; }

    TempDir dir;
    std::string database;
    std::unique_ptr<ServerDatabase> serverDatabase;
    std::unique_ptr<HeadlessOrderWindow> window;
};

// An SQL literal for test data, quotes doubled.
std::string Literal(const std::string &text);
