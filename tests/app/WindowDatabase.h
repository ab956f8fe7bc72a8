#pragma once
// A database for the main window's tests: made once per test process, with
// its own connection and driver files, so a window can open its connection
// as it does on an operator's machine.
#include <string>

#include "app/FrmDulvane.h"

// A setup that connects to the test database, at the given dots per inch.
TFormDulvaneSetup WindowSetup(double dpi = 96);
// A setup for a window of its own in `folder` (no trailing "/"): its
// connection and driver files are the folder's, the folder stands for the
// program's, and its cds folder is made, so no first-start notice comes up.
TFormDulvaneSetup FolderWindowSetup(const std::string &folder);
// A setup whose connection file names a database that does not exist.
TFormDulvaneSetup BrokenWindowSetup();
// The test database's file and its number of orders.
const std::string &WindowDatabasePath();
inline constexpr int kWindowDatabaseOrders = 12;
