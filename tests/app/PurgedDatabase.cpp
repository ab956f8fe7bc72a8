#include "tests/app/PurgedDatabase.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/sql/ConfigLocation.h"

using namespace batchdel;

namespace fs = std::filesystem;

PurgedDatabase::PurgedDatabase(int orders, bool onServer) {
    if (onServer) {
        server_ = std::make_unique<ServerDatabase>("restorewindow");
        database = server_->connectString();
        CreateDemoDatabase(database, orders, 1, TestServerLogin());
    } else {
        database = MakeTestDatabase(dir, orders);
    }
    WriteConfigFiles(dir.path(), database);
    folder = dir.path() + "/program/";
    fs::create_directories(folder);
    for (const char *file : {"batchdel-purge", "libibdriver.so", "drivers.ini"})
        fs::copy_file(ProgramFolder() + file, folder + file);
    before = Tables();
}

PurgedDatabase::~PurgedDatabase() = default;

std::string PurgedDatabase::Purge() const {
    const ProgramRun run = RunProgram(folder + "batchdel-purge",
                                      {"--database", dir.file("connections.ini"), "--all", "--backup", "--yes"});
    if (run.status != 0) return "batchdel-purge: " + std::to_string(run.status) + "\n" + run.out + run.err;
    if (Count("SELECT COUNT(*) FROM ORDER_MASTER") != 0) return "orders left after the purge";
    return "";
}

TRestoreWindowSetup PurgedDatabase::WindowSetup(TRestoreWindowSetup setup) const {
    setup.connectionFile = dir.file("connections.ini");
    setup.driverFile = dir.file("drivers.ini");
    setup.programFolder = folder;
    setup.settingsFile = dir.file("restore-window.ini");
    return setup;
}

TableRows PurgedDatabase::Tables() const {
    TableRows rows = QueryRows(database, "SELECT * FROM ORDER_MASTER ORDER BY MASTERBILLID");
    rows.push_back({"--"});
    for (auto &row : QueryRows(database, "SELECT * FROM ORDER_SUB ORDER BY MASTERBILLID, LINE_NO"))
        rows.push_back(std::move(row));
    return rows;
}

int64_t PurgedDatabase::Count(const std::string &sql) const { return CountRows(database, sql); }

std::string PurgedDatabase::Journal() const {
    std::ifstream file(folder + "cds/deletions.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TableRows RowsOf(const TableRows &rows, const std::vector<std::string> &numbers) {
    // Both tables begin with MASTERBILLID.
    TableRows kept;
    for (const auto &row : rows)
        if (!row.empty() && std::find(numbers.begin(), numbers.end(), row[0]) != numbers.end()) kept.push_back(row);
    return kept;
}
