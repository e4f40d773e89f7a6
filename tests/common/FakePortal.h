#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>

// A desktop portal of the test's own, for the typers' tests on a private session bus.
inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// The portal: answers each request with a Response on the request's own path, as the real one does, and records
// what it was asked, in order ("keysym 97 1" for a press of "a").
class CFakePortal : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString strMember = message.member();
        const QVariantList args = message.arguments();
        if (strMember == QLatin1String("Get")) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(m_nDevices)))));
            return true;
        }
        if (strMember == QLatin1String("NotifyKeyboardKeysym")) {
            m_log.push_back(QStringLiteral("keysym %1 %2").arg(args.value(2).toInt()).arg(args.value(3).toUInt()));
            connection.send(message.createReply());
            return true;
        }
        if (strMember == QLatin1String("Close")) {
            m_log.push_back(QStringLiteral("close ") + message.path());
            connection.send(message.createReply());
            return true;
        }
        // CreateSession, SelectDevices, Start: the options are the last argument.
        const QVariantMap options = qdbus_cast<QVariantMap>(args.constLast());
        QString strSender = message.service().mid(1);
        strSender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString strRequest = kPortalPath + QStringLiteral("/request/") + strSender + QLatin1Char('/') +
                                   options.value(QStringLiteral("handle_token")).toString();
        QVariantMap results;
        uint nResponse = 0;
        if (strMember == QLatin1String("CreateSession")) {
            m_strSession = kPortalPath + QStringLiteral("/session/") + strSender + QLatin1Char('/') +
                           options.value(QStringLiteral("session_handle_token")).toString();
            results.insert(QStringLiteral("session_handle"), m_strSession);
            m_log.push_back(QStringLiteral("create"));
        } else if (strMember == QLatin1String("SelectDevices")) {
            m_log.push_back(QStringLiteral("select types %1 persist %2 token %3")
                                .arg(options.value(QStringLiteral("types")).toUInt())
                                .arg(options.value(QStringLiteral("persist_mode")).toUInt())
                                .arg(options.value(QStringLiteral("restore_token")).toString()));
        } else if (strMember == QLatin1String("Start")) {
            m_log.push_back(QStringLiteral("start"));
            nResponse = m_bRefuseStart ? 1 : 0;
            if (!m_bRefuseStart)
                results = {{QStringLiteral("devices"), 1U}, {QStringLiteral("restore_token"), QStringLiteral("tok-2")}};
        }
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(strRequest))));
        QDBusMessage response = QDBusMessage::createSignal(strRequest, QStringLiteral("org.freedesktop.portal.Request"),
                                                           QStringLiteral("Response"));
        response << nResponse << results;
        connection.send(response);
        return true;
    }

    QStringList m_log;
    QString m_strSession;
    uint m_nDevices = 7;
    bool m_bRefuseStart = false;
};

// Serves portal on the bus at strAddress under the portal's name, through a connection named strConnection;
// false when the bus or the name could not be had.
inline bool ServeFakePortal(CFakePortal& portal, const QString& strAddress, const QString& strConnection) {
    QDBusConnection bus = QDBusConnection::connectToBus(strAddress, strConnection);
    return bus.isConnected() && bus.registerVirtualObject(kPortalPath, &portal, QDBusConnection::SubPath) &&
           bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}
