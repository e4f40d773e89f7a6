#include "ui/platform/DesktopNotice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notice's body invokes.
const QString kDefaultAction = QStringLiteral("default");
} // namespace

CDesktopNotice::CDesktopNotice(QObject* pParent)
    : CDesktopNotice(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), pParent) {}

CDesktopNotice::CDesktopNotice(const QString& strSessionBus, QObject* pParent) : QObject(pParent) {
    QDBusConnection bus = m_bus.Open(strSessionBus);
    if (!bus.isConnected())
        return;
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(OnClosed(uint, uint)));
}

CDesktopNotice::~CDesktopNotice() {
    Close();
}

bool CDesktopNotice::Show(const QString& strSummary, const QString& strBody, const QString& strAction) {
    QDBusConnection bus = m_bus.Bus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)},
                            {QStringLiteral("desktop-entry"), QStringLiteral("lockwarden")}};
    // Stays until clicked or closed (timeout 0): the secret stays too.
    call << QCoreApplication::applicationName() << m_nId << QStringLiteral("lockwarden") << strSummary << strBody
         << QStringList{kDefaultAction, strAction} << hints << 0;
    // Answered later: the window does not wait for the desktop.
    auto* pWatcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pCall) {
        const QDBusPendingReply<uint> reply = *pCall;
        if (reply.isValid())
            m_nId = reply.value();
        pCall->deleteLater();
    });
    return true;
}

void CDesktopNotice::Close() {
    if (m_nId == 0)
        return;
    QDBusConnection bus = m_bus.Bus();
    if (bus.isConnected()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
        call << m_nId;
        bus.call(call, QDBus::NoBlock);
    }
    m_nId = 0;
}

void CDesktopNotice::OnActionInvoked(uint nId, const QString& strAction) {
    Q_UNUSED(strAction);
    if (nId == 0 || nId != m_nId)
        return;
    m_nId = 0;
    Q_EMIT clicked();
}

void CDesktopNotice::OnClosed(uint nId, uint nReason) {
    Q_UNUSED(nReason);
    if (nId != 0 && nId == m_nId)
        m_nId = 0;
}
