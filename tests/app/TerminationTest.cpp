// The real program ends on SIGTERM and on SIGINT whatever is on screen: the
// window alone (status 0, its window closed as by the close box), the notice
// of its first start (status 0), and the start-up failure report when its
// database cannot be opened (the report's status 1).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

// Whether the process has the file open (the engine holds its database).
bool HasOpen(qint64 pid, const std::string &path) {
    const QString want = QFileInfo(QString::fromStdString(path)).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == want) return true;
    return false;
}

enum class OnScreen { Window, FirstStartNotice, StartupFailureReport };

struct SignalCase {
    const char *name;
    int signal;
    OnScreen onScreen;
    int status;
};
void PrintTo(const SignalCase &c, std::ostream *os) { *os << c.name; }

class Termination : public ::testing::TestWithParam<SignalCase> {};

TEST_P(Termination, EndsTheProgramWhateverIsOnScreen) {
    const SignalCase c = GetParam();
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 12);
    WriteConfigFiles(dir.path(), c.onScreen == OnScreen::StartupFailureReport ? dir.file("missing.fdb") : database);
    // The program finds its connection through the user's settings file.
    const QString config = QString::fromStdString(dir.path() + "/config");
    {
        QSettings settings(config + QStringLiteral("/DataDriver.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Connection Registry File"),
                          QString::fromStdString(dir.file("connections.ini")));
        settings.setValue(QStringLiteral("Driver Registry File"), QString::fromStdString(dir.file("drivers.ini")));
    }
    // A copy of the program in a folder of its own: its cds/ is the test's,
    // made beforehand unless the first-start notice is to come up.
    const std::string folder = dir.file("program") + "/";
    std::filesystem::create_directories(folder);
    const std::string built = QCoreApplication::applicationDirPath().toStdString() + "/";
    for (const char *file : {"batchdel", "libibdriver.so"}) std::filesystem::copy_file(built + file, folder + file);
    if (c.onScreen != OnScreen::FirstStartNotice) std::filesystem::create_directory(folder + "cds");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromStdString(folder + "batchdel"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const qint64 pid = program.processId();

    if (c.onScreen != OnScreen::StartupFailureReport) {
        // Connected (the database is open); a busy machine may take a while.
        for (int i = 0; i < 1200 && !HasOpen(pid, database) && program.state() == QProcess::Running; ++i)
            QThread::msleep(50);
        if (!HasOpen(pid, database)) {
            program.kill();
            program.waitForFinished(10000);
            FAIL() << "the program never opened its database";
        }
    }
    // A moment for the window, the notice or the report to come up.
    QThread::msleep(3000);
    ASSERT_EQ(program.state(), QProcess::Running);
    if (c.onScreen == OnScreen::FirstStartNotice) EXPECT_TRUE(std::filesystem::is_directory(folder + "cds"));

    ::kill(static_cast<pid_t>(pid), c.signal);
    // It ends at once; the wait is only long for a machine busy with other work.
    const bool ended = program.waitForFinished(10000);
    if (!ended) {
        program.kill();
        program.waitForFinished(10000);
    }
    ASSERT_TRUE(ended) << "still running after " << c.name;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, Termination,
    ::testing::Values(SignalCase{"SIGTERMWithTheWindowUp", SIGTERM, OnScreen::Window, 0},
                      SignalCase{"SIGINTWithTheWindowUp", SIGINT, OnScreen::Window, 0},
                      SignalCase{"SIGTERMWithTheFirstStartNoticeUp", SIGTERM, OnScreen::FirstStartNotice, 0},
                      SignalCase{"SIGTERMWithTheStartupFailureReportUp", SIGTERM, OnScreen::StartupFailureReport, 1},
                      SignalCase{"SIGINTWithTheStartupFailureReportUp", SIGINT, OnScreen::StartupFailureReport, 1}),
    [](const auto &tested) { return std::string(tested.param.name); });

}  // namespace
