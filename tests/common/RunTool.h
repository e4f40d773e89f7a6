#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

// What a desktop tool run by a test did: its exit code (-1 when it crashed, did not start or did not end in
// time), its standard output and its standard error.
struct CToolRun {
    int nExit = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a tool of the desktop's (wl-paste, wtype, swaymsg, xdotool, xset) to its end. Our events go on meanwhile:
// a paste reads the clipboard from this very program, which must answer it.
// env: the environment to run it in, else this process's.
inline CToolRun RunTool(const QString& strProgram, const QStringList& args,
                        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(strProgram, args);
    CToolRun run;
    if (!process.waitForStarted(5000) ||
        !QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
