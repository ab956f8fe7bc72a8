// The connection file's mode: a file every user may change is refused, one
// every user may read (or its group may change) is warned about, naming the
// file, its mode and the chmod that puts it right; a private file is quiet.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "orders/ConnectionFileCheck.h"
#include "tests/support/AsUserNobody.h"
#include "tests/support/TempDir.h"

using namespace batchdel;

namespace {

using testing::HasSubstr;

enum class Verdict { Quiet, Warned, Refused };

struct ModeCase {
    const char *name;
    mode_t folderMode;  // of the folder that holds the file
    mode_t fileMode;
    Verdict verdict;
    std::vector<std::string> saying;  // parts of the warning or the refusal
};

void PrintTo(const ModeCase &c, std::ostream *out) { *out << c.name; }

class ConnectionFileModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ConnectionFileModeTest, ModeGivesItsVerdict) {
    const ModeCase &c = GetParam();
    TempDir dir;
    const std::string folder = dir.file("conf");
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/connections.ini";
    std::ofstream(file) << "[Trelvo]\nPassword=secret\n";
    ASSERT_EQ(chmod(file.c_str(), c.fileMode), 0);
    ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
    // The temporary folder itself is its owner's alone; the folder above the
    // file is what each case opens to others.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);

    std::string said;
    Verdict verdict = Verdict::Quiet;
    try {
        said = ConnectionFileWarningText(CheckConnectionFile(file));
        if (!said.empty()) verdict = Verdict::Warned;
    } catch (const EUnsafeConnectionFile &refusal) {
        verdict = Verdict::Refused;
        said = refusal.Message();
        EXPECT_EQ(refusal.ClassName(), "EUnsafeConnectionFile");
    }
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(verdict, c.verdict) << said;
    for (std::string part : c.saying) {
        const auto at = part.find("$FILE");
        if (at != std::string::npos) part.replace(at, 5, file);
        const auto folderAt = part.find("$FOLDER");
        if (folderAt != std::string::npos) part.replace(folderAt, 7, folder);
        EXPECT_THAT(said, HasSubstr(part));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ConnectionFileModeTest,
    ::testing::Values(
        ModeCase{"OwnerOnly", 0755, 0600, Verdict::Quiet, {}},
        ModeCase{"OwnerAndGroupRead", 0755, 0640, Verdict::Quiet, {}},
        ModeCase{"ReadableByEveryUser",
                 0755,
                 0644,
                 Verdict::Warned,
                 {"The connection file $FILE (mode 0644) can be read by every user", "database password",
                  "chmod 640 $FILE"}},
        ModeCase{"WritableByItsGroup",
                 0755,
                 0660,
                 Verdict::Warned,
                 {"(mode 0660) can be changed by the members of group", "chmod 640 $FILE"}},
        ModeCase{"ReadableByAllAndWritableByItsGroup",
                 0755,
                 0664,
                 Verdict::Warned,
                 {"(mode 0664) can be read by every user", "also can be changed by the members of group",
                  "chmod 640 $FILE"}},
        ModeCase{"WritableByEveryUser",
                 0755,
                 0666,
                 Verdict::Refused,
                 {"The connection file $FILE can be changed by every user (mode 0666)", "nothing was done",
                  "chmod 640 $FILE"}},
        ModeCase{"WritableButNotReadableByEveryUser", 0755, 0602, Verdict::Refused, {"(mode 0602)", "chmod 600 $FILE"}},
        ModeCase{"OpenFileInAFolderOnlyItsOwnerEnters", 0700, 0666, Verdict::Quiet, {}},
        ModeCase{"ReadableInAFolderItsGroupEnters",
                 0750,
                 0644,
                 Verdict::Quiet,
                 {}},  // the group may read it, others cannot get to it
        ModeCase{"PrivateFileInAFolderEveryUserWritesTo",
                 0777,
                 0600,
                 Verdict::Refused,
                 {"is in the folder $FOLDER, where every user can replace it (folder mode 0777)", "chmod o-w $FOLDER"}},
        ModeCase{"PrivateFileInAStickyFolder", 01777, 0600, Verdict::Quiet, {}}),
    [](const ::testing::TestParamInfo<ModeCase> &param) { return std::string(param.param.name); });

TEST(ConnectionFileCheckTest, MissingFileIsLeftToTheConnectionToReport) {
    TempDir dir;
    EXPECT_FALSE(CheckConnectionFile(dir.file("connections.ini")));
}

TEST(ConnectionFileCheckTest, LinkIsJudgedByTheFileItLeadsTo) {
    // As installed: /usr/lib/batchdel/connections.ini -> /etc/batchdel/connections.ini.
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string file = dir.file("real.ini");
    std::ofstream(file) << "[Trelvo]\n";
    ASSERT_EQ(chmod(file.c_str(), 0666), 0);
    std::filesystem::create_symlink(file, dir.file("connections.ini"));
    EXPECT_THROW(CheckConnectionFile(dir.file("connections.ini")), EUnsafeConnectionFile);
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    EXPECT_FALSE(CheckConnectionFile(dir.file("connections.ini")));
}

// What an operator outside the file's group is told, asked in a child
// process that has become "nobody" (root may read every file).
std::string SaidToAnOperatorOutsideTheGroup(const std::string &file) {
    return SaidAsUserNobody([&] {
        std::string said = "<nothing said>";
        try {
            said = ConnectionFileWarningText(CheckConnectionFile(file));
        } catch (const Exception &failure) {
            said = failure.ClassName() + ": " + failure.Message();
        }
        return said;
    });
}

TEST(ConnectionFileCheckTest, FileTheUserMayNotReadSaysWhoToAskForWhat) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string file = dir.file("connections.ini");
    std::ofstream(file) << "[Trelvo]\nPassword=secret\n";
    ASSERT_EQ(chown(file.c_str(), 0, 0), 0);

    ASSERT_EQ(chmod(file.c_str(), 0640), 0);  // the group may read it: join the group
    std::string said = SaidToAnOperatorOutsideTheGroup(file);
    EXPECT_THAT(said, HasSubstr("EDatabaseError: The connection file " + file +
                                " (owner root, group root, mode 0640) cannot be read by the user nobody"));
    EXPECT_THAT(said, HasSubstr("add you to the group root (adduser nobody root"));

    ASSERT_EQ(chmod(file.c_str(), 0600), 0);  // no group may: the file must change first
    said = SaidToAnOperatorOutsideTheGroup(file);
    EXPECT_THAT(said, HasSubstr("cannot be read by the user nobody"));
    EXPECT_THAT(said, HasSubstr("chgrp GROUP " + file + "; chmod 640 " + file));
}

}  // namespace
