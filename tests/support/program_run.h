#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace brivane::test {

// What a program run gave: its exit status (-1: it did not finish within 30
// seconds, -2: it crashed) and what it wrote.
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace brivane::test
