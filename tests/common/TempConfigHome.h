#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object, so nothing a test
// stores reaches the real user's settings; the previous value comes back afterwards.
class CTempConfigHome {
public:
    CTempConfigHome() : m_bHadOld(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")), m_old(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    ~CTempConfigHome() {
        if (m_bHadOld)
            qputenv("XDG_CONFIG_HOME", m_old);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    CTempConfigHome(const CTempConfigHome&) = delete;
    CTempConfigHome& operator=(const CTempConfigHome&) = delete;

    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_bHadOld;
    QByteArray m_old;
};
