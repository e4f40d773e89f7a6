#include "ui/platform/ScreenLockWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace {

// The screen savers that say ActiveChanged(bool) on the session bus, each under its own interface.
const char* const kScreenSaverInterfaces[] = {
    "org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver",    "org.xfce.ScreenSaver",
    "org.mate.ScreenSaver",        "org.cinnamon.ScreenSaver",
};

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kLogin1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLogin1Session = QStringLiteral("org.freedesktop.login1.Session");

} // namespace

QString CScreenLockWatch::SessionBusOfEnvironment() {
    return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
}

QString CScreenLockWatch::SystemBusOfEnvironment() {
    return qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS", QStringLiteral("unix:path=/run/dbus/system_bus_socket"));
}

CScreenLockWatch::CScreenLockWatch(QObject* pParent)
    : CScreenLockWatch(SessionBusOfEnvironment(), SystemBusOfEnvironment(), pParent) {}

CScreenLockWatch::CScreenLockWatch(const QString& strSessionBus, const QString& strSystemBus, QObject* pParent)
    : QObject(pParent) {
    if (!strSessionBus.isEmpty())
        WatchSessionBus(strSessionBus);
    if (!strSystemBus.isEmpty())
        WatchSystemBus(strSystemBus);
}

CScreenLockWatch::~CScreenLockWatch() = default;

void CScreenLockWatch::WatchSessionBus(const QString& strAddress) {
    QDBusConnection bus = m_sessionBus.Open(strAddress);
    if (!bus.isConnected())
        return;
    // From any sender at any path: the screen savers differ in both.
    for (const char* pszInterface : kScreenSaverInterfaces)
        m_bSession |= bus.connect(QString(), QString(), QString::fromLatin1(pszInterface),
                                  QStringLiteral("ActiveChanged"), this, SLOT(OnActiveChanged(bool)));
}

void CScreenLockWatch::WatchSystemBus(const QString& strAddress) {
    QDBusConnection bus = m_systemBus.Open(strAddress);
    if (!bus.isConnected())
        return;
    m_bSystem = bus.connect(kLogin1, kLogin1Path, kLogin1Manager, QStringLiteral("PrepareForSleep"), this,
                            SLOT(OnPrepareForSleep(bool)));
    LookUpSession(true);
}

void CScreenLockWatch::LookUpSession(bool bByProcess) {
    QDBusConnection bus = m_systemBus.Bus();
    QDBusMessage call;
    if (bByProcess) {
        call = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kLogin1Manager, QStringLiteral("GetSessionByPID"));
        call << static_cast<quint32>(::getpid());
    } else {
        const QString strId = qEnvironmentVariable("XDG_SESSION_ID");
        if (strId.isEmpty()) {
            Q_EMIT sessionLookedUp();
            return;
        }
        call = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kLogin1Manager, QStringLiteral("GetSession"));
        call << strId;
    }
    auto* pCall = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(pCall, &QDBusPendingCallWatcher::finished, this,
            [this, bByProcess](QDBusPendingCallWatcher* pDone) { OnSessionFound(pDone, bByProcess); });
}

void CScreenLockWatch::OnSessionFound(QDBusPendingCallWatcher* pCall, bool bByProcess) {
    pCall->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *pCall;
    if (reply.isError()) {
        // Started outside a session of its own (a service, a terminal of another session): by the session's
        // name, when the environment has one; else there is no Lock to follow.
        if (bByProcess)
            LookUpSession(false);
        else
            Q_EMIT sessionLookedUp();
        return;
    }
    m_strSessionPath = reply.value().path();
    QDBusConnection bus = m_systemBus.Bus();
    if (bus.connect(kLogin1, m_strSessionPath, kLogin1Session, QStringLiteral("Lock"), this, SLOT(OnSessionLock())))
        m_bSystem = true;
    Q_EMIT sessionLookedUp();
}

void CScreenLockWatch::OnActiveChanged(bool bActive) {
    if (bActive)
        Q_EMIT screenLocked();
}

void CScreenLockWatch::OnSessionLock() {
    Q_EMIT screenLocked();
}

void CScreenLockWatch::OnPrepareForSleep(bool bSleeping) {
    if (bSleeping)
        Q_EMIT screenLocked();
}
