#pragma once

#include <QDBusConnection>
#include <QString>

// A connection to a bus named by its address, of its owner's own and closed when the owner goes. The process's
// shared session and system connections read the environment only once, and tests and the session's end point
// the program at other buses.
class CBusConnection {
public:
    // pszPurpose names it in the connection's name, beside the owner's address that makes it unique.
    CBusConnection(const char* pszPurpose, const void* pOwner)
        : m_strName(QStringLiteral("lockwarden-%1-%2")
                        .arg(QLatin1String(pszPurpose), QString::number(reinterpret_cast<quintptr>(pOwner), 16))) {}
    ~CBusConnection() { QDBusConnection::disconnectFromBus(m_strName); }
    CBusConnection(const CBusConnection&) = delete;
    CBusConnection& operator=(const CBusConnection&) = delete;

    // Connects to the bus at strAddress; an empty address connects to nothing.
    QDBusConnection Open(const QString& strAddress) const {
        return strAddress.isEmpty() ? Bus() : QDBusConnection::connectToBus(strAddress, m_strName);
    }
    // The connection, connected or not.
    QDBusConnection Bus() const { return QDBusConnection(m_strName); }

private:
    QString m_strName;
};
