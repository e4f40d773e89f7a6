// Typing on Wayland through the desktop portal, against a portal of the test's own on a private session bus: the
// session asks for the keyboard only, nothing is typed before Start is answered, the keysyms arrive in order, the
// session is closed after, and a refused Start types nothing.
#include "FakePortal.h"
#include "PrivateBus.h"

#include "ui/platform/PortalKeyTyper.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PortalKeyTyperTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_PRIVATE_BUS(m_bus);
        ASSERT_TRUE(ServeFakePortal(m_portal, m_bus.Address(), QStringLiteral("fake-portal")));
        m_portalBus = QDBusConnection(QStringLiteral("fake-portal"));
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
