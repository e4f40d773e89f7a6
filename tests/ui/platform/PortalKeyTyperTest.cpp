// Typing on Wayland through the desktop portal, against a portal of the test's own on a private session bus: the
// session asks for the keyboard only, nothing is typed before Start is answered, the keysyms arrive in order, the
// session is closed after, and a refused Start types nothing.
#include "PrivateBus.h"

#include "ui/platform/PortalKeyTyper.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

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

class PortalKeyTyperTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_PRIVATE_BUS(m_bus);
        m_portalBus = QDBusConnection::connectToBus(m_bus.Address(), QStringLiteral("fake-portal"));
        ASSERT_TRUE(m_portalBus.isConnected());
        ASSERT_TRUE(m_portalBus.registerVirtualObject(kPortalPath, &m_portal, QDBusConnection::SubPath));
        ASSERT_TRUE(m_portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal")); }

    static std::vector<AutoTypeSequence::CStep> Steps(const char* pszSequence) {
        std::vector<AutoTypeSequence::CStep> steps;
        std::string strError;
        EXPECT_TRUE(AutoTypeSequence::Parse(pszSequence, {"Al", "\xC3\xA9!", "", "", ""}, steps, strError));
        return steps;
    }

    CPrivateBus m_bus;
    QDBusConnection m_portalBus{QString()};
    CFakePortal m_portal;
};

TEST_F(PortalKeyTyperTest, TypesTheKeysymsInOrderAfterStartAndClosesTheSession) {
    CPortalKeyTyper typer(m_bus.Address(), QStringLiteral("tok-1"));
    std::string strError;
    ASSERT_TRUE(typer.IsAvailable(strError)) << strError;
    ASSERT_TRUE(typer.Type(Steps("{USERNAME}{TAB}{PASSWORD}{ENTER}"), strError)) << strError;
    const QString strClose = QStringLiteral("close ") + m_portal.m_strSession;
    EXPECT_EQ(
        m_portal.m_log,
        (QStringList{QStringLiteral("create"), QStringLiteral("select types 1 persist 2 token tok-1"),
                     QStringLiteral("start"), QStringLiteral("keysym 65 1"), QStringLiteral("keysym 65 0"),
                     QStringLiteral("keysym 108 1"), QStringLiteral("keysym 108 0"), QStringLiteral("keysym 65289 1"),
                     QStringLiteral("keysym 65289 0"), QStringLiteral("keysym 233 1"), QStringLiteral("keysym 233 0"),
                     QStringLiteral("keysym 33 1"), QStringLiteral("keysym 33 0"), QStringLiteral("keysym 65293 1"),
                     QStringLiteral("keysym 65293 0"), strClose}));
    EXPECT_EQ(typer.RestoreToken(), QStringLiteral("tok-2")) << "kept, so the desktop need not ask again";
}

TEST_F(PortalKeyTyperTest, ARefusedStartTypesNothingAndClosesTheSession) {
    m_portal.m_bRefuseStart = true;
    CPortalKeyTyper typer(m_bus.Address(), QString());
    std::string strError;
    EXPECT_FALSE(typer.Type(Steps("{USERNAME}{ENTER}"), strError));
    EXPECT_EQ(strError, "the desktop did not allow typing");
    EXPECT_EQ(m_portal.m_log, (QStringList{QStringLiteral("create"), QStringLiteral("select types 1 persist 2 token "),
                                           QStringLiteral("start"), QStringLiteral("close ") + m_portal.m_strSession}));
    EXPECT_EQ(typer.RestoreToken(), QString());
}

// Without a portal, or one without a keyboard, auto-type is unavailable with the reason the window shows.
TEST_F(PortalKeyTyperTest, WithoutAKeyboardPortalTypingIsUnavailable) {
    m_portal.m_nDevices = 2; // a pointer only
    std::string strWhy;
    EXPECT_FALSE(CPortalKeyTyper(m_bus.Address(), QString()).IsAvailable(strWhy));
    EXPECT_EQ(strWhy, "the desktop's remote desktop portal offers no keyboard");
    EXPECT_FALSE(CPortalKeyTyper(m_bus.NoBus(), QString()).IsAvailable(strWhy));
    EXPECT_EQ(strWhy, "there is no session bus to reach the desktop portal on");
    m_portalBus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    EXPECT_FALSE(CPortalKeyTyper(m_bus.Address(), QString()).IsAvailable(strWhy));
    EXPECT_EQ(strWhy, "the desktop has no remote desktop portal, which typing on Wayland needs");
    EXPECT_TRUE(m_portal.m_log.isEmpty());
}

} // namespace
