// A desktop that refuses to clear the clipboard (as GNOME's compositor does for a window without the focus): the
// secret clipboard asks it afterwards, clears through the desktop's own tool, and says when the secret stayed. The
// desktop's notice that tells the user, against a notification service of the test's own on a private bus.
#include "FakeNotifications.h"
#include "PrivateBus.h"

#include "ui/platform/Clipboard.h"
#include "ui/platform/DesktopNotice.h"
#include "ui/platform/SecretClipboard.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The clipboard as a desktop that may ignore the first clears: it keeps the text through nRefusedEmpties Empty
// calls; its own tool may fail (bToolFails), or say it cleared and not have (bToolIneffective).
struct CDesktopScript {
    bool bCanAsk = true;
    int nRefusedEmpties = 0;
    bool bToolFails = false;
    bool bToolIneffective = false;
};

class CRefusingClipboard : public CClipboardAccess {
public:
    CRefusingClipboard(const CDesktopScript& script, std::vector<std::string>& log) : m_script(script), m_log(log) {}
    bool Put(const std::string& strText) override {
        m_strText = strText;
        m_log.push_back("put");
        return true;
    }
    bool Holds(const std::string& strText) override { return !m_strText.empty() && m_strText == strText; }
    void Empty() override {
        m_log.push_back("empty");
        if (m_nEmpties++ >= m_script.nRefusedEmpties)
            m_strText.clear();
    }
    bool CanAskDesktop() override { return m_script.bCanAsk; }
    bool DesktopOffersSecret() override {
        m_log.push_back("ask");
        return !m_strText.empty();
    }
    bool ClearThroughDesktop() override {
        m_log.push_back("tool");
        if (m_script.bToolFails)
            return false;
        if (!m_script.bToolIneffective)
            m_strText.clear();
        return true;
    }

    CDesktopScript m_script;
    std::vector<std::string>& m_log;
    std::string m_strText;
    int m_nEmpties = 0;
};

struct CRefusalCase {
    const char* pszName;
    CDesktopScript script;
    std::vector<std::string> log; // what the secret clipboard did, in order
    bool bKept;                   // stillOnClipboard was emitted
};

class SecretClipboardRefusal : public ::testing::TestWithParam<CRefusalCase> {};

TEST_P(SecretClipboardRefusal, TheClearIsCheckedWithTheDesktopAndTheToolClearsWhatItKept) {
    const CRefusalCase& c = GetParam();
    std::vector<std::string> log;
    auto pAccess = std::make_unique<CRefusingClipboard>(c.script, log);
    CRefusingClipboard& desktop = *pAccess;
    CSecretClipboard clipboard(std::move(pAccess));
    const QSignalSpy kept(&clipboard, &CSecretClipboard::stillOnClipboard);
    clipboard.SetInterval(20);
    ASSERT_TRUE(clipboard.Put("Pw-kept?", true));
    // The timer clears; the desktop is asked a moment later; after that nothing more happens.
    EXPECT_TRUE(QTest::qWaitFor([&] { return log == c.log && kept.count() == (c.bKept ? 1 : 0); }, 5000));
    QTest::qWait(CSecretClipboard::kCheckDelay + 100);
    EXPECT_EQ(log, c.log);
    EXPECT_EQ(kept.count(), c.bKept ? 1 : 0);
    EXPECT_EQ(desktop.m_strText.empty(), !c.bKept);
    EXPECT_TRUE(clipboard.Secret().empty()) << "our own copy is forgotten all the same";
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, SecretClipboardRefusal,
    ::testing::Values(CRefusalCase{"X11NotAsked", {false, 0, false}, {"put", "empty"}, false},
                      CRefusalCase{"Taken", {true, 0, false}, {"put", "empty", "ask"}, false},
                      CRefusalCase{"RefusedThenTool", {true, 1, false}, {"put", "empty", "ask", "tool", "ask"}, false},
                      CRefusalCase{"RefusedAndNoTool", {true, 1, true}, {"put", "empty", "ask", "tool"}, true},
                      CRefusalCase{
                          "ToolSaysDoneButKept", {true, 5, false, true}, {"put", "empty", "ask", "tool", "ask"}, true}),
    [](const ::testing::TestParamInfo<CRefusalCase>& info) { return std::string(info.param.pszName); });

// What stayed is cleared when the user asks from the window, and checked again; a secret the user replaced
// meanwhile is never touched by the timer's clear.
TEST(SecretClipboard, ALeftoverIsClearedOnRequestAndAReplacedClipboardIsLeftAlone) {
    std::vector<std::string> log;
    auto pAccess = std::make_unique<CRefusingClipboard>(CDesktopScript{true, 1, true}, log);
    CRefusingClipboard& desktop = *pAccess;
    CSecretClipboard clipboard(std::move(pAccess));
    const QSignalSpy kept(&clipboard, &CSecretClipboard::stillOnClipboard);
    ASSERT_TRUE(clipboard.Put("Pw-left", false));
    clipboard.Clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return kept.count() == 1; }, 2000));
    log.clear();
    clipboard.ClearLeftover();
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.size() >= 2; }, 5000));
    EXPECT_EQ(log, (std::vector<std::string>{"empty", "ask"}));
    EXPECT_TRUE(desktop.m_strText.empty());
    EXPECT_EQ(kept.count(), 1);

    log.clear();
    ASSERT_TRUE(clipboard.Put("Pw-two", false));
    desktop.m_strText = "the user's own";
    clipboard.Clear();
    QTest::qWait(CSecretClipboard::kCheckDelay + 100);
    EXPECT_EQ(log, (std::vector<std::string>{"put"}));
    EXPECT_EQ(desktop.m_strText, "the user's own");
}

// The end of the program clears at once and, having no later moment, asks the desktop at once too.
TEST(SecretClipboard, TheProgramsEndChecksTheClearAtOnce) {
    std::vector<std::string> log;
    {
        CSecretClipboard clipboard(std::make_unique<CRefusingClipboard>(CDesktopScript{true, 1, false}, log));
        ASSERT_TRUE(clipboard.Put("Pw-end", false));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"put", "empty", "ask", "tool", "ask"}));
}

// The notice goes to the desktop with its text and one action, stays until acted on, and a click on it (and only
// on it: another program's notice is not ours) is told once.
TEST(DesktopNotice, ShowsTheTextWithItsActionAndTellsItsOwnClick) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CFakeNotificationService service(bus.Address());
    ASSERT_TRUE(service.IsReady());

    CDesktopNotice notice(bus.Address(), nullptr);
    const QSignalSpy clicked(&notice, &CDesktopNotice::clicked);
    ASSERT_TRUE(notice.Show(QStringLiteral("Lockwarden"), QStringLiteral("The body"), QStringLiteral("Clear")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice.IsShown(); }, 3000));
    ASSERT_EQ(service.Calls().size(), 1U);
    const QVariantList args = service.Calls()[0].arguments();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[1].toUInt(), 0U) << "a new notice replaces none";
    EXPECT_EQ(args[3].toString(), QStringLiteral("Lockwarden"));
    EXPECT_EQ(args[4].toString(), QStringLiteral("The body"));
    EXPECT_EQ(args[5].toStringList(), (QStringList{QStringLiteral("default"), QStringLiteral("Clear")}));
    EXPECT_EQ(args[7].toInt(), 0) << "it stays until acted on";

    service.Signal("ActionInvoked", {QVariant::fromValue(uint{99}), QStringLiteral("default")});
    service.Signal("ActionInvoked", {QVariant::fromValue(uint{41}), QStringLiteral("default")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicked.count() == 1; }, 3000));
    QTest::qWait(100);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(notice.IsShown());

    // Shown again and closed by the desktop: a late click is no longer ours.
    ASSERT_TRUE(notice.Show(QStringLiteral("Lockwarden"), QStringLiteral("Again"), QStringLiteral("Clear")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice.IsShown(); }, 3000));
    service.Signal("NotificationClosed", {QVariant::fromValue(uint{42}), QVariant::fromValue(uint{2})});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notice.IsShown(); }, 3000));
    service.Signal("ActionInvoked", {QVariant::fromValue(uint{42}), QStringLiteral("default")});
    QTest::qWait(200);
    EXPECT_EQ(clicked.count(), 1);
}

// Without a bus the notice says it was not shown; on a bus without the service it never counts as shown.
TEST(DesktopNotice, WithoutAServiceNothingIsShown) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CDesktopNotice onEmptyBus(bus.Address(), nullptr);
    EXPECT_TRUE(onEmptyBus.Show(QStringLiteral("Lockwarden"), QStringLiteral("Body"), QStringLiteral("Clear")));
    QTest::qWait(300);
    EXPECT_FALSE(onEmptyBus.IsShown());
    CDesktopNotice nowhere(bus.NoBus(), nullptr);
    EXPECT_FALSE(nowhere.Show(QStringLiteral("Lockwarden"), QStringLiteral("Body"), QStringLiteral("Clear")));
    EXPECT_FALSE(nowhere.IsShown());
}

} // namespace
