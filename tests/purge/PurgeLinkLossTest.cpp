// batchdel-purge on a terminal, held at its question while the link to the
// server goes down and comes back: answered yes, it connects again and does
// its work without a word of the lost connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>

#include "data/sql/ConfigLocation.h"
#include "tests/support/TestSupport.h"
#include "tools/DemoDatabase.h"
#include "tools/SlowLink.h"

using namespace batchdel;

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

struct HeldCase {
    const char *name;
    const char *backupOption;
    size_t cdsFiles;  // the run lock, the journal, and the backup's pair
};
void PrintTo(const HeldCase &c, std::ostream *os) { *os << c.name; }

class PurgeHeldAtItsQuestion : public testing::TestWithParam<HeldCase> {};

TEST_P(PurgeHeldAtItsQuestion, ConnectsAgainWhenTheLinkWasCutMeanwhile) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    TempDir dir;
    ServerDatabase server("held");
    CreateDemoDatabase(server.connectString(), 12, 1, TestServerLogin());
    const std::string address = TestServerAddress();
    SlowLink link("127.0.0.1", std::stoi(address.substr(address.find('/') + 1)), std::chrono::microseconds(0));
    WriteConfigFiles(dir.path(), "127.0.0.1/" + std::to_string(link.Port()) + ":" + server.file(),
                     {"Password=" + TestServerPassword()});
    // The command in a folder of its own, so that its cds/ is the test's.
    const std::string folder = dir.file("program") + "/";
    fs::create_directories(folder);
    for (const char *file : {"batchdel-purge", "libibdriver.so", "drivers.ini"})
        fs::copy_file(ProgramFolder() + file, folder + file);

    QProcess process;
    const std::string command = "'" + folder + "batchdel-purge' --database '" + dir.file("connections.ini") + "' " +
                                GetParam().backupOption + " --to 2099/12/31 --limit 5";
    process.start(QStringLiteral("script"),
                  {QStringLiteral("-qec"), QString::fromStdString(command), QStringLiteral("/dev/null")});
    std::string said;
    while (said.find("[y/N]") == std::string::npos && process.waitForReadyRead(30000))
        said += process.readAllStandardOutput().toStdString();
    ASSERT_THAT(said, HasSubstr("[y/N]"));

    link.Cut();
    link.Restore();
    process.write("y\n");
    const ProgramRun run = FinishProgram(process, "script");
    said += run.out;
    EXPECT_EQ(run.status, 0) << said;
    EXPECT_THAT(said, HasSubstr("5 orders ("));
    EXPECT_THAT(said, testing::Not(HasSubstr("stopped")));
    EXPECT_EQ(CountRows(server.connectString(), "SELECT COUNT(*) FROM ORDER_MASTER"), 7);
    size_t files = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(folder + "cds")) ++files;
    EXPECT_EQ(files, GetParam().cdsFiles);
}

INSTANTIATE_TEST_SUITE_P(Choices, PurgeHeldAtItsQuestion,
                         testing::Values(HeldCase{"WithoutBackup", "--no-backup", 2},
                                         HeldCase{"WithBackup", "--backup", 4}),
                         [](const auto &tested) { return std::string(tested.param.name); });

}  // namespace
