#include "tests/support/ConfigFiles.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>

#include "tests/support/TestServer.h"

namespace {

std::string KeyOf(const std::string &line) {
    std::string key = line.substr(0, line.find('='));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
}

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::string ConnectionsIniText(const std::string &database, const std::vector<std::string> &extraLines) {
    std::vector<std::string> lines = {
        "DriverName=Interbase", "Database=" + database, "User_Name=SYSDBA", "Password=" + LoginFor(database).password,
        "ServerCharSet=UTF8",   "SQLDialect=3",
    };
    for (const std::string &extra : extraLines) {
        auto same = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string &line) { return KeyOf(line) == KeyOf(extra); });
        if (same != lines.end())
            *same = extra;
        else
            lines.push_back(extra);
    }
    std::string text = "[Trelvo]\n";
    for (const std::string &line : lines) text += line + "\n";
    return text;
}

std::string DriversIniText() {
    return "[Interbase]\n"
           "LibraryName=libibdriver.so\n"
           "VendorLib=libfbclient.so.2\n"
           "GetDriverFunc=getIBDriver\n";
}

void WriteConfigFiles(const std::string &folder, const std::string &database,
                      const std::vector<std::string> &extraLines) {
    WriteFile(folder + "/connections.ini", ConnectionsIniText(database, extraLines));
    WriteFile(folder + "/drivers.ini", DriversIniText());
}
