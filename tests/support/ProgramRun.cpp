#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

ProgramRun FinishProgram(QProcess &process, const std::string &name) {
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(10000);
        ADD_FAILURE() << name << " did not finish: " << process.errorString().toStdString();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

ProgramRun RunProgram(const std::string &program, const QStringList &arguments,
                      const QProcessEnvironment &environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(program), arguments);
    process.closeWriteChannel();
    return FinishProgram(process, program);
}

ProgramRun RunProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const QProcessEnvironment &environment) {
    return RunProgram(program, Arguments(arguments), environment);
}

QStringList Arguments(const std::vector<std::string> &args) {
    QStringList arguments;
    for (const std::string &arg : args) arguments << QString::fromStdString(arg);
    return arguments;
}
