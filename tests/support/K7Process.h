#pragma once

#include "json/JsonTestSupport.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// What one run of the built k7 tool left behind.
struct K7Run {
    int ExitCode = -1; // -1: crashed or did not finish within a minute
    QString Out;
    QString Err;
};

// Starts the built k7 tool with `args` on the offscreen platform and leaves it running (a server
// such as `k7 plant`); the caller reads, terminates and waits for it.
inline void StartK7(QProcess& process, const QStringList& args) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(K7_EXE), args);
}

// The one way tests run the built k7 tool (its path comes from k7_uses_k7 in tests/CMakeLists.txt):
// with `args`, `input` on its standard input, on the offscreen platform.
inline K7Run RunK7(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    StartK7(process, args);
    K7Run run;
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return run;
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The JSON output of a run of the tool that has to succeed.
inline std::shared_ptr<k7::JsonBag> RunK7Json(const QStringList& args) {
    const K7Run run = RunK7(args);
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    return k7::test::Parse(run.Out);
}
