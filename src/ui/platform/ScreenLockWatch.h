#pragma once

#include "ui/platform/BusConnection.h"

#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Tells when the desktop locks the screen or the computer is about to sleep. On the session bus: the
// screen savers' ActiveChanged(true) (org.freedesktop.ScreenSaver, and GNOME's, Xfce's, MATE's and
// Cinnamon's interfaces of the same shape). On the system bus: logind's Lock of this program's session, and
// its PrepareForSleep(true). Either bus may be missing, or have none of these on it: the watch then tells
// nothing and says nothing, and the program runs as without it.
class CScreenLockWatch : public QObject {
    Q_OBJECT
public:
    // The buses of the environment: DBUS_SESSION_BUS_ADDRESS, and DBUS_SYSTEM_BUS_ADDRESS or the system's
    // own socket.
    explicit CScreenLockWatch(QObject* pParent = nullptr);
    // The buses at these addresses (tests start their own); an empty address is no bus.
    CScreenLockWatch(const QString& strSessionBus, const QString& strSystemBus, QObject* pParent = nullptr);
    ~CScreenLockWatch() override;
    CScreenLockWatch(const CScreenLockWatch&) = delete;
    CScreenLockWatch& operator=(const CScreenLockWatch&) = delete;

    // Whether the screen savers' signals, and logind's, are listened for.
    bool IsWatchingSession() const { return m_bSession; }
    bool IsWatchingSystem() const { return m_bSystem; }
    // The logind session whose Lock is followed; empty until logind has named it, or when it could not.
    QString SessionPath() const { return m_strSessionPath; }

    static QString SessionBusOfEnvironment();
    static QString SystemBusOfEnvironment();

Q_SIGNALS:
    // The screen locked, the session was locked, or the computer is going to sleep.
    void screenLocked();
    // logind has answered which session this is (SessionPath), or that it knows none.
    void sessionLookedUp();

private Q_SLOTS:
    void OnActiveChanged(bool bActive);
    void OnSessionLock();
    void OnPrepareForSleep(bool bSleeping);

private:
    void WatchSessionBus(const QString& strAddress);
    void WatchSystemBus(const QString& strAddress);
    // Asks logind for this process's session, by its process, else by XDG_SESSION_ID.
    void LookUpSession(bool bByProcess);
    void OnSessionFound(QDBusPendingCallWatcher* pCall, bool bByProcess);

    CBusConnection m_sessionBus{"screen-lock-session", this};
    CBusConnection m_systemBus{"screen-lock-system", this};
    bool m_bSession = false;
    bool m_bSystem = false;
    QString m_strSessionPath;
};
