// What the real commands leave on the disk is their user's alone under the
// usual umask 022: cds/ 0700, the backup pair and the journal 0600 (a
// restore's lines keep it so); a cds/ folder already there keeps its mode.
// And the connection file's mode is judged by batchdel-purge and
// batchdel-restore alike: quiet, one warning line, or a refusal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <ostream>

#include "data/sql/ConfigLocation.h"
#include "tests/purge/CommandsInTheirFolder.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

mode_t ModeOf(const std::string &path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return 07777;
    return st.st_mode & 07777;
}

// The umask a user's session usually has, for one test.
class Umask {
public:
    explicit Umask(mode_t mask) : old_(umask(mask)) {}
    ~Umask() { umask(old_); }
    Umask(const Umask &) = delete;
    Umask &operator=(const Umask &) = delete;

private:
    mode_t old_;
};

// The commands in a folder of the test's (CommandsInTheirFolder).
class PrivacyTest : public CommandsInTheirFolder {};

TEST_F(PrivacyTest, BackupDeletionJournalAndRestoreLeaveFilesForTheirOwnerOnly) {
    const Umask usual(022);
    const ProgramRun purge = Run("batchdel-purge", {"--backup", "--to", "2024/03/31", "--yes"});
    ASSERT_EQ(purge.status, 0) << purge.out << purge.err;
    // Without a terminal standard error carries the log lines, and no warning.
    EXPECT_THAT(purge.err, testing::Not(HasSubstr("warning")));
    EXPECT_EQ(ModeOf(Cds()), 0700u);
    const auto pair = Backups();
    ASSERT_EQ(pair.size(), 2u);
    for (const std::string &file : pair) EXPECT_EQ(ModeOf(file), 0600u) << file;
    EXPECT_EQ(ModeOf(Cds("deletions.log")), 0600u);
    EXPECT_EQ(ModeOf(Cds("purge.lock")), 0600u);
    // Nothing else was left behind (a temporary file of the backup).
    EXPECT_EQ(std::distance(fs::directory_iterator(Cds()), fs::directory_iterator()), 4);

    const ProgramRun restore = Run("batchdel-restore", {pair[0], pair[1]});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_EQ(ModeOf(Cds("deletions.log")), 0600u);
}

TEST_F(PrivacyTest, FolderAlreadyThereKeepsItsModeAndItsNewFilesAreStillPrivate) {
    const Umask usual(022);
    fs::create_directories(Cds());
    chmod(Cds().c_str(), 0750);  // shared with a group on purpose
    const ProgramRun purge = Run("batchdel-purge", {"--backup", "--to", "2024/03/31", "--yes"});
    ASSERT_EQ(purge.status, 0) << purge.out << purge.err;
    EXPECT_EQ(ModeOf(Cds()), 0750u);
    for (const std::string &file : Backups()) EXPECT_EQ(ModeOf(file), 0600u) << file;
    EXPECT_EQ(ModeOf(Cds("deletions.log")), 0600u);
}

// --- The connection file's mode, as both commands see it. ---

struct FileModeCase {
    const char *name;
    mode_t mode;
    int status;        // of a dry run that otherwise succeeds
    const char *said;  // the one line on standard error; "" for none
};

void PrintTo(const FileModeCase &c, std::ostream *out) { *out << c.name; }

class ConnectionFileModeRunTest : public PrivacyTest, public testing::WithParamInterface<FileModeCase> {};

TEST_P(ConnectionFileModeRunTest, BothCommandsSayTheSameOnceAndRefuseAFileEveryUserMayChange) {
    const FileModeCase &c = GetParam();
    // A pair for the restore to try, made while the file is private.
    ASSERT_EQ(Run("batchdel-purge", {"--backup", "--to", "2024/01/31", "--yes"}).status, 0);
    const auto pair = Backups();
    ASSERT_EQ(pair.size(), 2u);
    // The file's folder lets every user in, so its own mode decides.
    chmod(dir_.path().c_str(), 0755);
    chmod(Connections().c_str(), c.mode);

    for (const auto &[command, args] :
         {std::pair<const char *, std::vector<std::string>>{"batchdel-purge", {"--dry-run", "--to", "2024/03/31"}},
          {"batchdel-restore", {"--dry-run", pair[0], pair[1]}}}) {
        const ProgramRun run = Run(command, args);
        EXPECT_EQ(run.status, c.status) << command << "\n" << run.out << run.err;
        if (*c.said == 0) {
            EXPECT_EQ(run.err, "") << command;
            continue;
        }
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << command << "\n" << run.err;
        EXPECT_THAT(run.err, HasSubstr(std::string(command) + ": "));
        EXPECT_THAT(run.err, HasSubstr(c.said)) << command;
        EXPECT_THAT(run.err, HasSubstr("chmod 640 " + Connections())) << command;
        if (c.status == 2) {
            EXPECT_EQ(run.out, "") << command;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ConnectionFileModeRunTest,
    testing::Values(FileModeCase{"Private", 0600, 0, ""}, FileModeCase{"GroupMayRead", 0640, 0, ""},
                    FileModeCase{"EveryUserMayRead", 0644, 0, "warning: The connection file"},
                    FileModeCase{"GroupMayChange", 0660, 0, "can be changed by the members of group"},
                    FileModeCase{"EveryUserMayChange", 0666, 2, "can be changed by every user (mode 0666)"}),
    [](const testing::TestParamInfo<FileModeCase> &param) { return std::string(param.param.name); });

}  // namespace
