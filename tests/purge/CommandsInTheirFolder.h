#pragma once
// The commands copied into a folder of the test's, so that their cds/ is the
// test's; a database and a private connection file beside them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/sql/ConfigLocation.h"
#include "tests/support/TestSupport.h"

class CommandsInTheirFolder : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Program(""));
        for (const char *file : {"batchdel-purge", "batchdel-restore", "libibdriver.so", "drivers.ini"})
            std::filesystem::copy_file(ProgramFolder() + file, Program(file));
        database_ = MakeTestDatabase(dir_, 40);
        WriteConfigFiles(dir_.path(), database_);
        chmod(Connections().c_str(), 0600);
    }

    std::string Program(const std::string &file) const { return dir_.path() + "/program/" + file; }
    std::string Cds(const std::string &file = {}) const { return Program("cds/" + file); }
    std::string Connections() const { return dir_.file("connections.ini"); }
    ProgramRun Run(const char *command, std::vector<std::string> args) const {
        args.insert(args.begin(), {"--database", Connections()});
        return RunProgram(Program(command), args);
    }
    // The backup files in cds/, the header file before the detail file.
    std::vector<std::string> Backups() const {
        std::vector<std::string> files;
        if (std::filesystem::exists(Cds()))
            for (const auto &entry : std::filesystem::directory_iterator(Cds()))
                if (entry.path().extension() == ".CDS") files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());  // ORDER_MASTER_ before ORDER_SUB
        return files;
    }

    TempDir dir_;
    std::string database_;
};
