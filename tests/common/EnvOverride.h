#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <optional>

// Sets an environment variable for the life of the object, then puts the old value back (or unsets it
// again when it was unset).
class CEnvOverride {
public:
    CEnvOverride(const char* szName, const QByteArray& value) : m_szName(szName) {
        if (qEnvironmentVariableIsSet(szName))
            m_old = qgetenv(szName);
        qputenv(szName, value);
    }
    ~CEnvOverride() {
        if (m_old)
            qputenv(m_szName, *m_old);
        else
            qunsetenv(m_szName);
    }
    CEnvOverride(const CEnvOverride&) = delete;
    CEnvOverride& operator=(const CEnvOverride&) = delete;

private:
    const char* m_szName;
    std::optional<QByteArray> m_old;
};

// A fresh temporary home for the desktop's folders: XDG_CONFIG_HOME and XDG_DATA_HOME point into it for the
// life of the object, so nothing a test stores or registers reaches the real user's.
class CTempXdgHome {
public:
    QString ConfigPath() const { return m_dir.filePath(QStringLiteral("config")); }
    QString DataPath() const { return m_dir.filePath(QStringLiteral("data")); }

private:
    QTemporaryDir m_dir;
    CEnvOverride m_config{"XDG_CONFIG_HOME", QFile::encodeName(ConfigPath())};
    CEnvOverride m_data{"XDG_DATA_HOME", QFile::encodeName(DataPath())};
};
