#pragma once
// connections.ini and drivers.ini as the program reads them, for tests.
#include <string>
#include <vector>

// Writes folder/connections.ini with the section [Trelvo] (DriverName,
// Database, User_Name, Password, ServerCharSet=UTF8, SQLDialect=3) and
// folder/drivers.ini with the section [Interbase]. An extra line whose key is
// one of the standard ones replaces that line ("Password=wrong"); other extra
// lines are added at the end. For a database on the test server the password
// is the server's.
void WriteConfigFiles(const std::string &folder, const std::string &database,
                      const std::vector<std::string> &extraLines = {});

// The same section text without writing it, for tests that build odd files.
std::string ConnectionsIniText(const std::string &database, const std::vector<std::string> &extraLines = {});
std::string DriversIniText();
