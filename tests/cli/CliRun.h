#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

// Runs the real lockwarden-cli and collects what it did.
struct CCliResult {
    int nExit = -1;
    QByteArray out;
    QByteArray err;
};

struct CCliOptions {
    QString strWorkDir;
    QString strStdoutFile;            // standard output goes to this file instead of a pipe
    std::function<void()> childSetup; // runs in the child before the program starts
    QString strConfigHome;            // the settings' folder instead of an empty one
};

inline CCliResult RunCli(const QStringList& args, const QByteArray& input = {}, const CCliOptions& options = {}) {
    static QTemporaryDir configHome; // never the real user's settings
    QProcess process;
    process.setProgram(QStringLiteral(LOCKWARDEN_CLI));
    process.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"),
               options.strConfigHome.isEmpty() ? configHome.path() : options.strConfigHome);
    process.setProcessEnvironment(env);
    if (!options.strWorkDir.isEmpty())
        process.setWorkingDirectory(options.strWorkDir);
    if (!options.strStdoutFile.isEmpty())
        process.setStandardOutputFile(options.strStdoutFile);
    if (options.childSetup)
        process.setChildProcessModifier(options.childSetup);
    process.start();
    CCliResult result;
    if (!process.waitForStarted()) {
        ADD_FAILURE() << "lockwarden-cli did not start";
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "lockwarden-cli did not finish normally";
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.nExit = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

inline QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void WriteFile(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QString DataFile(const char* pszName) {
    return QStringLiteral(LOCKWARDEN_TEST_DATA "/") + QString::fromLatin1(pszName);
}

// A database at strDb made by the companion itself: created with the file password's line, then the sites
// of a CSV text imported (the CSV lies beside it, as strDb with ".csv" after).
inline void MakeDatabase(const QString& strDb, const QByteArray& sitesCsv, const QByteArray& filePasswordLine) {
    const QString strCsv = strDb + QStringLiteral(".csv");
    WriteFile(strCsv, sitesCsv);
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, filePasswordLine).nExit, 0);
    ASSERT_EQ(RunCli({QStringLiteral("import"), strDb, strCsv}, filePasswordLine).nExit, 0);
}

// A fixture copied into a temporary folder, so commands that write never touch the source tree.
inline QString CopyOfFixture(const QTemporaryDir& dir, const char* pszName) {
    const QString strPath = dir.filePath(QString::fromLatin1(pszName));
    QFile::remove(strPath);
    if (!QFile::copy(DataFile(pszName), strPath))
        ADD_FAILURE() << "cannot copy " << pszName;
    QFile::setPermissions(strPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return strPath;
}
