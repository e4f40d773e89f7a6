#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// An "xdg-open" of the test's own, first on PATH while the object lives: it appends its argument to a
// log in its folder, writes strSays to its error output and ends with nExitCode. Without a script the
// folder stands alone on PATH, so no opener can be found at all.
class CFakeOpener {
public:
    explicit CFakeOpener(int nExitCode, const QString& strSays = {}, bool bWithScript = true)
        : m_oldPath(qgetenv("PATH")) {
        if (bWithScript) {
            QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
            script.open(QIODevice::WriteOnly);
            script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"%1\"\n%2exit %3\n")
                             .arg(LogPath(), strSays.isEmpty()
                                                 ? QString()
                                                 : QStringLiteral("printf '%s\\n' '%1' >&2\n").arg(strSays))
                             .arg(nExitCode)
                             .toUtf8());
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            // The shell that runs the script is found through the system's folders, kept after ours.
            qputenv("PATH", m_dir.path().toLocal8Bit() + ":/usr/bin:/bin");
        } else {
            qputenv("PATH", m_dir.path().toLocal8Bit());
        }
    }
    ~CFakeOpener() { qputenv("PATH", m_oldPath); }
    CFakeOpener(const CFakeOpener&) = delete;
    CFakeOpener& operator=(const CFakeOpener&) = delete;

    // Every argument the opener was started with, one a line.
    QByteArray Log() const {
        QFile log(LogPath());
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

private:
    QString LogPath() const { return m_dir.filePath(QStringLiteral("opened.log")); }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};
