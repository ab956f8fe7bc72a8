// Each finding on the connection file, made for real by the file's and its
// folder's modes: one kind with its data, worded by the window (Chinese) and
// by the commands (English) from that same kind and data.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>

#include "orders/ConnectionFileCheck.h"
#include "tests/support/AsUserNobody.h"
#include "tests/support/TempDir.h"
#include "workflow/WindowTexts.h"

using namespace batchdel;

namespace {

struct FileCase {
    const char *name;
    mode_t folderMode;  // of the folder that holds the file
    mode_t fileMode;
    bool refused;  // else a warning
    // Exact texts; $FILE, $FOLDER, $OWNER, $GROUP and $AS_EN / $AS_ZH (who may
    // put it right: "root", else "<owner> or root") are filled in.
    std::string window;
    std::string command;
};

void PrintTo(const FileCase &c, std::ostream *out) { *out << c.name; }

std::string Filled(std::string text, const std::map<std::string, std::string> &values) {
    for (const auto &[name, value] : values)
        for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
    return text;
}

class ConnectionFileTextsTest : public testing::TestWithParam<FileCase> {};

TEST_P(ConnectionFileTextsTest, TheWindowAndTheCommandsWordTheSameFinding) {
    const FileCase &c = GetParam();
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string folder = dir.file("conf");
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/connections.ini";
    std::ofstream(file) << "[Trelvo]\nPassword=secret\n";
    ASSERT_EQ(chmod(file.c_str(), c.fileMode), 0);
    ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
    const std::string owner = getpwuid(geteuid())->pw_name;
    const std::map<std::string, std::string> values{{"$FILE", file},
                                                    {"$FOLDER", folder},
                                                    {"$OWNER", owner},
                                                    {"$GROUP", getgrgid(getegid())->gr_name},
                                                    {"$AS_ZH", geteuid() == 0 ? "root" : owner + " 或 root"},
                                                    {"$AS_EN", geteuid() == 0 ? "root" : owner + " or root"}};

    std::string window, command;
    bool refused = false;
    try {
        const ConnectionFileWarning warning = CheckConnectionFile(file);
        window = WindowConnectionWarningText(warning);
        command = ConnectionFileWarningText(warning);
    } catch (const EConnectionFileRefused &refusal) {
        refused = true;
        window = WindowConnectionFileText(refusal.Kind(), refusal.Facts());
        command = refusal.Message();
        EXPECT_EQ(WindowFailureText(refusal), window);
    }
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(window, Filled(c.window, values));
    EXPECT_EQ(command, Filled(c.command, values));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ConnectionFileTextsTest,
    testing::Values(
        FileCase{
            "FileEveryUserMayChange", 0755, 0666, true,
            "連線設定檔 $FILE 每個使用者都能修改（權限 0666），任何人都能決定從哪個資料庫刪除訂單，因此不使用這個檔案，"
            "未做任何事。修正方法（以 $AS_ZH 執行）：chmod 640 $FILE",
            "The connection file $FILE can be changed by every user (mode 0666): whoever changes it decides "
            "which database the orders are deleted from, so it is not used and nothing was done. To put it "
            "right, as $AS_EN: chmod 640 $FILE"},
        FileCase{
            "FolderEveryUserWritesTo", 0777, 0600, true,
            "連線設定檔 $FILE 所在的資料夾 $FOLDER 每個使用者都能寫入（資料夾權限 0777），任何人都能換掉這個檔案，"
            "決定從哪個資料庫刪除訂單，因此不使用這個檔案，未做任何事。修正方法（以 root 執行）：chmod o-w $FOLDER",
            "The connection file $FILE is in the folder $FOLDER, where every user can replace it (folder mode "
            "0777): whoever replaces it decides which database the orders are deleted from, so it is not used "
            "and nothing was done. To put it right, as root: chmod o-w $FOLDER"},
        FileCase{"EveryUserMayRead", 0755, 0644, false,
                 "連線設定檔 $FILE（權限 0644）每個使用者都能讀取，而檔案中有資料庫密碼。修正方法（以 $AS_ZH 執行）："
                 "chmod 640 $FILE",
                 "The connection file $FILE (mode 0644) can be read by every user, and it holds the database "
                 "password. To put it right, as $AS_EN: chmod 640 $FILE"},
        FileCase{"ItsGroupMayChange", 0755, 0660, false,
                 "連線設定檔 $FILE（權限 0660）群組 $GROUP 的成員也能修改（不只擁有者 $OWNER），"
                 "修改的人能決定從哪個資料庫刪除訂單。修正方法（以 $AS_ZH 執行）：chmod 640 $FILE",
                 "The connection file $FILE (mode 0660) can be changed by the members of group $GROUP, not only by "
                 "its owner $OWNER, and whoever changes it decides which database the orders are deleted from. To "
                 "put it right, as $AS_EN: chmod 640 $FILE"},
        FileCase{"EveryUserMayReadAndItsGroupMayChange", 0755, 0664, false,
                 "連線設定檔 $FILE（權限 0664）每個使用者都能讀取，而檔案中有資料庫密碼；另外，群組 $GROUP "
                 "的成員也能修改（不只擁有者 $OWNER），修改的人能決定從哪個資料庫刪除訂單。修正方法（以 $AS_ZH "
                 "執行）：chmod 640 $FILE",
                 "The connection file $FILE (mode 0664) can be read by every user, and it holds the database "
                 "password; it also can be changed by the members of group $GROUP, not only by its owner $OWNER, and "
                 "whoever changes it decides which database the orders are deleted from. To put it right, as $AS_EN: "
                 "chmod 640 $FILE"},
        FileCase{"PrivateFile", 0755, 0600, false, "", ""}),
    [](const testing::TestParamInfo<FileCase> &param) { return std::string(param.param.name); });

// The two texts an operator outside the file's group gets, asked in a child
// process that has become "nobody" (root may read every file).
std::string TextsForAnOperatorOutsideTheGroup(const std::string &file) {
    return SaidAsUserNobody([&] {
        std::string said = "<nothing said>";
        try {
            CheckConnectionFile(file);
        } catch (const EConnectionFileRefused &refusal) {
            said = refusal.ClassName() + "\n" + WindowConnectionFileText(refusal.Kind(), refusal.Facts()) + "\n" +
                   refusal.Message();
        }
        return said;
    });
}

TEST(ConnectionFileTexts, AFileTheUserMayNotReadIsWordedByBothFromTheSameFinding) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::string file = dir.file("connections.ini");
    std::ofstream(file) << "[Trelvo]\nPassword=secret\n";
    ASSERT_EQ(chown(file.c_str(), 0, 0), 0);
    const std::string nobody = getpwuid(65534)->pw_name;

    ASSERT_EQ(chmod(file.c_str(), 0640), 0);  // the group may read it: join the group
    EXPECT_EQ(TextsForAnOperatorOutsideTheGroup(file),
              "EDatabaseError\n"
              "使用者 " +
                  nobody + " 無法讀取連線設定檔 " + file +
                  "（擁有者 root，群組 root，權限 0640），未連線。請系統管理員將您加入群組 root（adduser " + nobody +
                  " root，之後重新登入）\n"
                  "The connection file " +
                  file + " (owner root, group root, mode 0640) cannot be read by the user " + nobody +
                  ". Ask the administrator to add you to the group root (adduser " + nobody +
                  " root, then log in again).");

    ASSERT_EQ(chmod(file.c_str(), 0600), 0);  // no group may: the file must change first
    EXPECT_EQ(TextsForAnOperatorOutsideTheGroup(file),
              "EDatabaseError\n"
              "使用者 " +
                  nobody + " 無法讀取連線設定檔 " + file +
                  "（擁有者 root，群組 root，權限 0600），未連線。請系統管理員讓操作人員的群組可以讀取這個檔案（chgrp "
                  "GROUP " +
                  file + "; chmod 640 " + file +
                  "），並將您加入該群組\n"
                  "The connection file " +
                  file + " (owner root, group root, mode 0600) cannot be read by the user " + nobody +
                  ". Ask the administrator to let the operators' group read it (chgrp GROUP " + file + "; chmod 640 " +
                  file + ") and to add you to that group.");
}

}  // namespace
