#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// The desktop session a test process sees, made its own before anything runs: a fresh home and XDG folders
// (settings, data and so the trash, cache, runtime), buses and a print service that answer nowhere, no printer
// named by PRINTER or LPDEST, and an "xdg-open" first on PATH that opens nothing. A contributor's desktop then
// neither changes what the tests see nor is changed by them. The one print service kept is the private one that
// tests/ui/print/with-cups started (LOCKWARDEN_CUPS_SERVER); tests that want a bus start their own (PrivateBus.h).
class CPrivateSession {
public:
    CPrivateSession() {
        if (!m_dir.isValid())
            return;
        for (const char* pszFolder : {"home", "config", "data", "cache", "state", "runtime", "cups", "bin"}) {
            if (!QDir().mkpath(Path(pszFolder)))
                return;
        }
        QFile::setPermissions(Path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", QFile::encodeName(Path("home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Path("data")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(Path("cache")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(Path("state")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Path("runtime")));
        const QByteArray noBus = "unix:path=" + QFile::encodeName(Path("no-bus"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", noBus);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", noBus);
        // CUPS_SERVERROOT holds the client's client.conf and the system-wide lpoptions.
        const QByteArray cupsServer = qgetenv("LOCKWARDEN_CUPS_SERVER");
        qputenv("CUPS_SERVER", cupsServer.isEmpty() ? QFile::encodeName(Path("no-cupsd.sock")) : cupsServer);
        const QByteArray cupsRoot = qgetenv("LOCKWARDEN_CUPS_SERVERROOT");
        qputenv("CUPS_SERVERROOT", cupsRoot.isEmpty() ? QFile::encodeName(Path("cups")) : cupsRoot);
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        QFile opener(Path("bin/xdg-open"));
        if (!opener.open(QIODevice::WriteOnly) ||
            opener.write("#!/bin/sh\necho \"xdg-open: a test reached the desktop's opener with $*\" >&2\nexit 3\n") < 0)
            return;
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(Path("bin")) + ':' + qgetenv("PATH"));
        m_bReady = true;
    }
    CPrivateSession(const CPrivateSession&) = delete;
    CPrivateSession& operator=(const CPrivateSession&) = delete;

    bool IsReady() const { return m_bReady; }

private:
    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }

    QTemporaryDir m_dir;
    bool m_bReady = false;
};
