// The files of a new backup pair: created exclusively, by processes racing
// for the same second too, and removed only while they are still this
// backup's own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "data/dataset/Errors.h"
#include "orders/BackupPairFiles.h"
#include "tests/support/TempDir.h"

using namespace batchdel;

namespace {

namespace fs = std::filesystem;

std::tm NineOFiveAndThree() {
    std::tm t{};
    t.tm_year = 2025 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 1;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}

std::string Content(const std::string &path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Processes released at the same moment, all asking for the pair of the same
// second: each gets a pair of its own, and no file is written by two.
TEST(BackupPairFiles, ProcessesRacingForOneSecondEachGetAPairOfTheirOwn) {
    TempDir dir;
    fs::create_directory(dir.file("cds"));
    constexpr int kProcesses = 8;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(gate[1]);
            char released;
            if (read(gate[0], &released, 1) != 0) _exit(3);
            try {
                BackupPairFiles files(dir.path() + "/", NineOFiveAndThree());
                const std::string mine = std::to_string(getpid());
                if (write(files.HeaderDescriptor(), mine.data(), mine.size()) != static_cast<ssize_t>(mine.size()) ||
                    write(files.DetailDescriptor(), mine.data(), mine.size()) != static_cast<ssize_t>(mine.size()))
                    _exit(4);
                files.Close();
                files.Keep();
            } catch (...) {
                _exit(5);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);  // releases them all at once
    std::set<std::string> writers;
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        writers.insert(std::to_string(child));
    }

    std::set<std::string> headerWriters;
    for (int second = 3; second < 3 + kProcesses; ++second) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "202501010905%02d", second);
        const std::string header = dir.file(std::string("cds/ORDER_MASTER_") + stamp + ".CDS");
        const std::string detail = dir.file(std::string("cds/ORDER_SUB") + stamp + ".CDS");
        ASSERT_TRUE(fs::exists(header)) << header;
        EXPECT_EQ(Content(header), Content(detail)) << "one pair, one writer: " << stamp;
        headerWriters.insert(Content(header));
    }
    EXPECT_EQ(headerWriters, writers);
    EXPECT_EQ(static_cast<int>(std::distance(fs::directory_iterator(dir.file("cds")), {})), 2 * kProcesses);
}

// Without Keep() the pair goes again, but a file someone else has put under
// its name meanwhile stays.
TEST(BackupPairFiles, AnUnfinishedPairRemovesOnlyItsOwnFiles) {
    TempDir dir;
    fs::create_directory(dir.file("cds"));
    std::string header, detail;
    {
        BackupPairFiles files(dir.path() + "/", NineOFiveAndThree());
        header = files.HeaderFile();
        detail = files.DetailFile();
        fs::remove(header);
        std::ofstream(header) << "another run's file";
    }
    EXPECT_EQ(Content(header), "another run's file");
    EXPECT_FALSE(fs::exists(detail));
}

TEST(BackupPairFiles, AFolderThatCannotTakeFilesIsNamedWithTheSystemsReason) {
    TempDir dir;
    try {
        BackupPairFiles files(dir.path() + "/", NineOFiveAndThree());
        ADD_FAILURE() << "created without a cds folder";
    } catch (const EFCreateError &failure) {
        EXPECT_EQ(failure.Message(), "Cannot create file \"" + dir.file("cds/ORDER_MASTER_20250101090503.CDS") +
                                         "\". No such file or directory");
    }
}

}  // namespace
