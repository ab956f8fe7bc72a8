// Where cds/ goes: beside the program when the operator may write there,
// else in the operator's data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "orders/OrderDataFolder.h"
#include "tests/support/AsUserNobody.h"
#include "tests/support/TempDir.h"

using namespace batchdel;

namespace {

// The folder as an operator sees it. Root may write anywhere, so under root
// the rule is asked in a child process that has become "nobody" first.
std::string OrderDataFolderAsOperator(const std::string &programFolder) {
    if (geteuid() != 0) return OrderDataFolder(programFolder, "/usr/lib/batchdel/");
    return SaidAsUserNobody([&] { return OrderDataFolder(programFolder, "/usr/lib/batchdel/"); });
}

// Sets or clears an environment variable for one test and puts it back after.
class EnvironmentValue {
public:
    EnvironmentValue(const char *name, std::optional<std::string> value) : name_(name) {
        if (const char *old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~EnvironmentValue() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    EnvironmentValue(const EnvironmentValue &) = delete;
    EnvironmentValue &operator=(const EnvironmentValue &) = delete;

private:
    const char *name_;
    std::optional<std::string> old_;
};

struct FolderCase {
    const char *name;
    bool programFolderWritable;
    std::optional<std::string> dataHome;  // XDG_DATA_HOME; nullopt: not set
    std::string expected;                 // "<program>" stands for the program's folder
};
void PrintTo(const FolderCase &c, std::ostream *os) { *os << c.name; }

class OrderDataFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(OrderDataFolderTest, PicksTheFolderThatHoldsCds) {
    const FolderCase &c = GetParam();
    TempDir program;
    ASSERT_EQ(chmod(program.path().c_str(), c.programFolderWritable ? 0777 : 0555), 0);
    const EnvironmentValue home("HOME", "/home/operator");
    const EnvironmentValue dataHome("XDG_DATA_HOME", c.dataHome);

    const std::string programFolder = program.path() + "/";
    const std::string expected = c.expected == "<program>" ? programFolder : c.expected;
    EXPECT_EQ(OrderDataFolderAsOperator(programFolder), expected);
    chmod(program.path().c_str(), 0700);  // so that the folder can be removed
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OrderDataFolderTest,
    ::testing::Values(FolderCase{"WritableProgramFolder", true, std::nullopt, "<program>"},
                      FolderCase{"WritableProgramFolderEvenWithADataHome", true, "/data/operator", "<program>"},
                      FolderCase{"ReadOnlyProgramFolderWithoutDataHome", false, std::nullopt,
                                 "/home/operator/.local/share/batchdel/"},
                      FolderCase{"ReadOnlyProgramFolderWithADataHome", false, "/data/operator",
                                 "/data/operator/batchdel/"},
                      FolderCase{"DataHomeWithATrailingSlash", false, "/data/operator/", "/data/operator/batchdel/"},
                      FolderCase{"EmptyDataHomeCountsAsUnset", false, "", "/home/operator/.local/share/batchdel/"},
                      FolderCase{"RelativeDataHomeIsIgnored", false, "data", "/home/operator/.local/share/batchdel/"}),
    [](const ::testing::TestParamInfo<FolderCase> &param) { return std::string(param.param.name); });

TEST(OrderDataFolderTest, AMissingProgramFolderCannotBeWrittenEither) {
    const EnvironmentValue home("HOME", "/home/operator");
    const EnvironmentValue dataHome("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(OrderDataFolder("/nonexistent/batchdel/", "/usr/lib/batchdel/"), "/home/operator/.local/share/batchdel/");
}

TEST(OrderDataFolderTest, TheInstalledProgramsFolderIsNeverWrittenEvenWhenItCouldBe) {
    // Root may write into the package's folder; its backups go to its own
    // data folder all the same, so removing the package leaves nothing.
    TempDir installed;
    const EnvironmentValue home("HOME", "/root");
    const EnvironmentValue dataHome("XDG_DATA_HOME", std::nullopt);
    const std::string folder = installed.path() + "/";
    EXPECT_EQ(OrderDataFolder(folder, folder), "/root/.local/share/batchdel/");
    EXPECT_EQ(OrderDataFolder(folder, "/usr/lib/batchdel/"), folder);
}

}  // namespace
