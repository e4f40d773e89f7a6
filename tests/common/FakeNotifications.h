#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QVariant>

#include <vector>

// A notification service of the test's own: it answers Notify with the next id and records each call.
class CFakeNotifications : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        m_calls.push_back(message);
        if (message.member() == QLatin1String("Notify"))
            connection.send(message.createReply(QVariant::fromValue(++m_nLastId)));
        else
            connection.send(message.createReply());
        return true;
    }
    std::vector<QDBusMessage> m_calls;
    uint m_nLastId = 40;
};

// The service on a bus at strAddress, under the desktop's name, for as long as the object lives.
class CFakeNotificationService {
public:
    explicit CFakeNotificationService(const QString& strAddress)
        : m_bus(QDBusConnection::connectToBus(strAddress, QStringLiteral("fake-notifications"))) {
        m_bReady = m_bus.isConnected() &&
                   m_bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &m_object) &&
                   m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~CFakeNotificationService() { QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications")); }
    CFakeNotificationService(const CFakeNotificationService&) = delete;
    CFakeNotificationService& operator=(const CFakeNotificationService&) = delete;

    bool IsReady() const { return m_bReady; }
    const std::vector<QDBusMessage>& Calls() const { return m_object.m_calls; }
    // Says what the desktop says: ActionInvoked(id, key) or NotificationClosed(id, reason).
    void Signal(const char* pszName, const QVariantList& args) {
        QDBusMessage signal =
            QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                       QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(pszName));
        signal.setArguments(args);
        m_bus.send(signal);
    }

private:
    CFakeNotifications m_object;
    QDBusConnection m_bus;
    bool m_bReady = false;
};
