#pragma once
// Running a program of the project (or a tool) as a child process, as a user
// or a scheduler would, and reading what it said.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>
#include <vector>

struct ProgramRun {
    int status = -1;  // the exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Waits for a started process to end. One that has not ended after two
// minutes is killed, and the test fails.
ProgramRun FinishProgram(QProcess &process, const std::string &name);

// Runs the program with these arguments and environment, its standard input
// closed (no terminal), to its end.
ProgramRun RunProgram(const std::string &program, const QStringList &arguments,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
ProgramRun RunProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

QStringList Arguments(const std::vector<std::string> &args);
