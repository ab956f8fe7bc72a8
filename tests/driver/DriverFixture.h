#pragma once
// Loading the driver library the way the program does (dlopen and its entry
// point) and small helpers over its interfaces for the tests.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "data/sql/SqlDriver.h"

// Statuses in test messages, by number.
inline std::ostream &operator<<(std::ostream &os, SQLStatus status) { return os << static_cast<unsigned>(status); }

// The entry point of libibdriver.so beside the test program.
GetDriverFunc DriverEntryPoint();
std::unique_ptr<ISQLDriver> LoadDriver(const char *vendorLib = "libfbclient.so.2");

std::string ErrorText(ISQLErrorSource &source);

// A connection with the program's usual options (UTF8, dialect 3); extra
// options are applied before connecting. Fails the test if it cannot connect.
struct TestOption {
    ConnOption option;
    std::string value;
};
std::unique_ptr<ISQLConnection> Connect(ISQLDriver &driver, const std::string &database,
                                        const std::vector<TestOption> &options = {});

// Prepares and executes a statement that returns no rows; gives the rows
// affected, or -1 after adding a test failure with the driver's text.
int64_t RunStatement(ISQLConnection &connection, const std::string &sql);

// Opens a query; null after adding a test failure.
struct OpenQuery {
    std::unique_ptr<ISQLCommand> command;
    std::unique_ptr<ISQLCursor> cursor;
};
OpenQuery Query(ISQLConnection &connection, const std::string &sql);

// All rows of a cursor, text columns as their text, numbers in decimal
// (scaled numbers unscaled), NULL as "<NULL>".
std::vector<std::vector<std::string>> FetchAll(ISQLCursor &cursor);

// Days since 1858-11-17, the database's date count.
int32_t DbDays(int year, unsigned month, unsigned day);
