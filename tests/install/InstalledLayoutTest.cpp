// The build installed into a staging folder, as `cmake --install` puts it on
// a machine, and the programs run from there: they find their driver and
// their ini files through the installed layout alone.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QProcess>
#include <QThread>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Version.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class InstalledLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage_ = std::make_unique<TempDir>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), QString::fromStdString(stage_->path()));
        installRun_ = RunProgram(BATCHDEL_CMAKE_COMMAND,
                                 {QStringLiteral("--install"), QStringLiteral(BATCHDEL_BUILD_DIR)}, environment);
    }
    static void TearDownTestSuite() { stage_.reset(); }

    void SetUp() override {
        ASSERT_EQ(installRun_.status, 0) << installRun_.out << installRun_.err;
        // The user's own settings could point elsewhere; this user has none.
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert(QStringLiteral("HOME"), QString::fromStdString(home_.path()));
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home_.file("config")));
        environment_.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home_.file("data")));
    }

    static std::string Staged(const std::string &installedPath) { return stage_->path() + installedPath; }
    static std::string Programs() { return Staged(BATCHDEL_INSTALLED_PROGRAMS) + "/"; }
    static std::string Bin() { return Staged(BATCHDEL_INSTALLED_BIN) + "/"; }
    static std::string Conf() { return Staged(BATCHDEL_INSTALLED_CONF) + "/"; }

    // The window, unattended: its message boxes are written to standard
    // error and answered.
    ProgramRun StartWindow() {
        QProcessEnvironment environment = environment_;
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(BATCHDEL_TEST_PLUGINS));
        environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("batchdelmodalreporter"));
        return RunProgram(Bin() + "batchdel", QStringList(), environment);
    }

    static std::unique_ptr<TempDir> stage_;
    static ProgramRun installRun_;
    TempDir home_;
    QProcessEnvironment environment_;
};

std::unique_ptr<TempDir> InstalledLayoutTest::stage_;
ProgramRun InstalledLayoutTest::installRun_;

TEST_F(InstalledLayoutTest, PutsProgramsDriverConfigurationMenuEntryIconAndManualPagesInPlace) {
    for (const char *program : {"batchdel", "batchdel-restore"}) {
        EXPECT_TRUE(fs::is_symlink(Bin() + program)) << program;
        EXPECT_TRUE(fs::equivalent(Bin() + program, Programs() + program)) << program;
    }
    EXPECT_TRUE(fs::is_regular_file(Programs() + "libibdriver.so"));
    EXPECT_TRUE(fs::is_regular_file(Conf() + "drivers.ini"));
    EXPECT_TRUE(fs::is_regular_file(Conf() + "connections.ini.sample"));
    // The program reads its ini files beside itself; there they lead to the
    // configuration folder. No connection is installed, only the sample.
    EXPECT_TRUE(fs::equivalent(Programs() + "drivers.ini", Conf() + "drivers.ini"));
    EXPECT_TRUE(fs::is_symlink(Programs() + "connections.ini"));
    EXPECT_FALSE(fs::exists(Conf() + "connections.ini"));

    const std::string data = Staged(BATCHDEL_INSTALLED_DATA) + "/";
    const std::string entry = ReadFile(data + "applications/batchdel.desktop");
    EXPECT_NE(entry.find("Exec=batchdel\n"), std::string::npos);
    // The restore window is a second entry of the program's menu entry.
    EXPECT_NE(entry.find("Actions=restore;\n"), std::string::npos);
    EXPECT_NE(entry.find("[Desktop Action restore]\nName=Restore Deleted Orders\n"), std::string::npos);
    EXPECT_NE(entry.find("Exec=batchdel --restore\n"), std::string::npos);
    // The checker comes with the packaging tools (scripts/install-deps --package).
    if (const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        !validate.isEmpty()) {
        const ProgramRun validated =
            RunProgram(validate.toStdString(), {QString::fromStdString(data + "applications/batchdel.desktop")},
                       QProcessEnvironment::systemEnvironment());
        EXPECT_EQ(validated.status, 0) << validated.out << validated.err;
    }
    EXPECT_TRUE(fs::is_regular_file(data + "icons/hicolor/scalable/apps/batchdel.svg"));
    EXPECT_TRUE(fs::is_regular_file(data + "icons/hicolor/48x48/apps/batchdel.png"));

    const std::string man = Staged(BATCHDEL_INSTALLED_MAN) + "/man1/";
    for (const char *page : {"batchdel.1.gz", "batchdel-restore.1.gz"}) {
        ASSERT_TRUE(fs::is_regular_file(man + page)) << page;
        const ProgramRun unpacked = RunProgram("gzip", {QStringLiteral("-dc"), QString::fromStdString(man + page)},
                                               QProcessEnvironment::systemEnvironment());
        EXPECT_NE(unpacked.out.find("\"batchdel " BATCHDEL_VERSION "\""), std::string::npos) << page;
    }
}

TEST_F(InstalledLayoutTest, RestoreCommandAnswersHelpAndVersion) {
    const ProgramRun help = RunProgram(Bin() + "batchdel-restore", {QStringLiteral("--help")}, environment_);
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage: batchdel-restore", 0), 0u) << help.out;

    const ProgramRun version = RunProgram(Bin() + "batchdel-restore", {QStringLiteral("--version")}, environment_);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "batchdel-restore " BATCHDEL_VERSION "\n");
}

TEST_F(InstalledLayoutTest, WindowWithoutAConnectionFileGivesTheStartUpReport) {
    const ProgramRun window = StartWindow();
    EXPECT_EQ(window.status, 1) << window.err;
    EXPECT_NE(window.err.find("[message box] Application Error\nException EDatabaseError in module batchdel at "),
              std::string::npos)
        << window.err;
    EXPECT_NE(window.err.find("Driver/Connection Registry File '" + Programs() + "connections.ini' not found."),
              std::string::npos)
        << window.err;
}

TEST_F(InstalledLayoutTest, WindowReachesTheDatabaseThroughTheInstalledDriver) {
    // A connection file in the configuration folder naming a database that
    // is not there: the report is then the database engine's own, which
    // only comes once drivers.ini was read and the driver and client loaded.
    const std::string database = home_.file("absent.fdb");
    std::ofstream(Conf() + "connections.ini")
        << "[Trelvo]\nDriverName=Interbase\nDatabase=" << database << "\nUser_Name=SYSDBA\nPassword=masterkey\n";
    const ProgramRun window = StartWindow();
    fs::remove(Conf() + "connections.ini");

    EXPECT_EQ(window.status, 1) << window.err;
    EXPECT_NE(window.err.find("[message box] Application Error"), std::string::npos) << window.err;
    EXPECT_EQ(window.err.find("Unable to"), std::string::npos) << window.err;
    EXPECT_EQ(window.err.find("not found"), std::string::npos) << window.err;
    EXPECT_NE(window.err.find(database), std::string::npos) << window.err;
}

// Answered, the notice lets the window come up, and SIGTERM ends it; left
// open, SIGTERM ends the program from the notice, before the window is up.
class FirstStart : public InstalledLayoutTest, public testing::WithParamInterface<bool> {};

TEST_P(FirstStart, WindowOpensItsDatabaseNamesTheBackupFolderItMadeAndEndsOnSigterm) {
    const bool noticeAnswered = GetParam();
    // A first start: no backup folder yet.
    fs::remove_all(Programs() + "cds");
    const std::string database = MakeTestDatabase(home_, 3);
    std::ofstream(Conf() + "connections.ini")
        << "[Trelvo]\nDriverName=Interbase\nDatabase=" << database << "\nUser_Name=SYSDBA\nPassword=masterkey\n";
    QProcessEnvironment environment = environment_;
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(BATCHDEL_TEST_PLUGINS));
    environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("batchdelmodalreporter"));
    if (!noticeAnswered) environment.insert(QStringLiteral("BATCHDEL_MODAL_REPORTER_LEAVE_OPEN"), QStringLiteral("1"));
    QProcess window;
    window.setProcessEnvironment(environment);
    window.start(QString::fromStdString(Bin() + "batchdel"), {});
    ASSERT_TRUE(window.waitForStarted(10000));
    // The notice comes once the database is open, just before the window
    // shows; then the window runs until it is told to end.
    std::string err;
    for (int i = 0;
         i < 1200 && err.find("[end of message box]") == std::string::npos && window.state() == QProcess::Running;
         ++i) {
        window.waitForReadyRead(50);
        err += window.readAllStandardError().toStdString();
    }
    QThread::msleep(500);
    window.terminate();
    const bool ended = window.waitForFinished(20000);
    if (!ended) window.kill(), window.waitForFinished(10000);
    err += window.readAllStandardError().toStdString();
    fs::remove(Conf() + "connections.ini");

    ASSERT_TRUE(ended) << err;
    EXPECT_EQ(window.exitCode(), 0) << err;
    EXPECT_NE(err.find("\nDirectory created OK\n" + Programs() + "cds\n[end of message box]"), std::string::npos)
        << err;
    EXPECT_TRUE(fs::is_directory(Programs() + "cds"));
}

INSTANTIATE_TEST_SUITE_P(Notice, FirstStart, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &param) {
                             return std::string(param.param ? "Answered" : "LeftOpen");
                         });

TEST_F(InstalledLayoutTest, PurgeCommandDryRunOnAnEmbeddedDatabaseChangesNothing) {
    if (!fs::exists(Bin() + "batchdel-purge")) GTEST_SKIP() << "this build has no batchdel-purge";
    const std::string database = MakeTestDatabase(home_, 5);
    const std::string connection = home_.file("connections.ini");
    std::ofstream(connection) << "[Trelvo]\nDriverName=Interbase\nDatabase=" << database
                              << "\nUser_Name=SYSDBA\nPassword=masterkey\n";

    const ProgramRun version = RunProgram(Bin() + "batchdel-purge", {QStringLiteral("--version")}, environment_);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_NE(version.out.find(BATCHDEL_VERSION), std::string::npos) << version.out;

    const ProgramRun dryRun = RunProgram(Bin() + "batchdel-purge",
                                         {QStringLiteral("--dry-run"), QStringLiteral("--all"),
                                          QStringLiteral("--database"), QString::fromStdString(connection)},
                                         environment_);
    EXPECT_EQ(dryRun.status, 0) << dryRun.out << dryRun.err;
    EXPECT_EQ(CountRows(database, "SELECT COUNT(*) FROM ORDER_MASTER"), 5);
}

}  // namespace
