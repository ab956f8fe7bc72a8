// The real program on an embedded database ends normally, with status 0, on
// SIGTERM and on SIGINT: its window closes as by the close box.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <csignal>
#include <string>

#include "TestSupport.h"

namespace {

// Whether the process has the file open (the engine holds its database).
bool HasOpen(qint64 pid, const std::string &path) {
    const QString want = QFileInfo(QString::fromStdString(path)).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == want) return true;
    return false;
}

struct SignalCase {
    int signal;
    const char *name;
};

class Termination : public ::testing::TestWithParam<SignalCase> {};

TEST_P(Termination, EndsTheProgramWithStatusZero) {
    TempDir dir;
    const std::string database = MakeTestDatabase(dir, 12);
    WriteConfigFiles(dir.path(), database);
    // The program finds its connection through the user's settings file.
    const QString config = QString::fromStdString(dir.path() + "/config");
    {
        QSettings settings(config + QStringLiteral("/DataDriver.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Connection Registry File"),
                          QString::fromStdString(dir.file("connections.ini")));
        settings.setValue(QStringLiteral("Driver Registry File"), QString::fromStdString(dir.file("drivers.ini")));
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    QDir().mkpath(programFolder + QStringLiteral("/cds"));  // no folder notice at start-up

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(programFolder + QStringLiteral("/batchdel"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const qint64 pid = program.processId();

    // Connected (the database is open), then a moment for the window to come
    // up; a busy machine may take a while.
    for (int i = 0; i < 1200 && !HasOpen(pid, database) && program.state() == QProcess::Running; ++i)
        QThread::msleep(50);
    if (!HasOpen(pid, database)) {
        program.kill();
        program.waitForFinished(10000);
        FAIL() << "the program never opened its database";
    }
    QThread::msleep(3000);

    ::kill(static_cast<pid_t>(pid), GetParam().signal);
    const bool ended = program.waitForFinished(20000);
    if (!ended) {
        program.kill();
        program.waitForFinished(10000);
    }
    ASSERT_TRUE(ended) << "still running after " << GetParam().name;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, Termination,
                         ::testing::Values(SignalCase{SIGTERM, "SIGTERM"}, SignalCase{SIGINT, "SIGINT"}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
