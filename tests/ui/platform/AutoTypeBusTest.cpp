// The program's name on the session bus, on a bus of the test's own: the first window takes it and hears
// `lockwarden --auto-type`, a second finds it taken, and a start with nobody to ask is told so. The asking side
// is the real program, as a desktop's keyboard shortcut runs it.
#include "PrivateBus.h"
#include "RunTool.h"

#include "ui/platform/AutoTypeBus.h"

#include <QDBusConnection>
#include <QProcessEnvironment>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

namespace {

class AutoTypeBusTest : public ::testing::Test {
protected:
    void SetUp() override { SKIP_WITHOUT_PRIVATE_BUS(m_bus); }

    // `lockwarden --auto-type` against the private bus, as a desktop's keyboard shortcut runs it.
    CToolRun AskWithTheProgram() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.Address());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return RunTool(QStringLiteral(LOCKWARDEN_EXE), {QStringLiteral("--auto-type")}, env);
    }

    CPrivateBus m_bus;
};

TEST_F(AutoTypeBusTest, TheRunningWindowHearsTheRequestAndASecondFindsTheNameTaken) {
    CAutoTypeBus first(m_bus.Address());
    ASSERT_TRUE(first.IsListening());
    CAutoTypeBus second(m_bus.Address());
    EXPECT_FALSE(second.IsListening());
    QSignalSpy firstHeard(&first, &CAutoTypeBus::autoTypeRequested);
    QSignalSpy secondHeard(&second, &CAutoTypeBus::autoTypeRequested);
    const CToolRun run = AskWithTheProgram();
    EXPECT_EQ(run.nExit, 0) << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(firstHeard.count() == 1 || firstHeard.wait(5000));
    EXPECT_EQ(firstHeard.count(), 1);
    EXPECT_EQ(secondHeard.count(), 0);
}

TEST_F(AutoTypeBusTest, WithNoWindowOrNoBusThereIsNobodyToAsk) {
    std::string strError;
    EXPECT_EQ(CAutoTypeBus::AskRunningWindow(m_bus.Address(), strError), CAutoTypeBus::EAsked::noWindow);
    EXPECT_EQ(CAutoTypeBus::AskRunningWindow(m_bus.NoBus(), strError), CAutoTypeBus::EAsked::noWindow);
    EXPECT_EQ(CAutoTypeBus::AskRunningWindow(QString(), strError), CAutoTypeBus::EAsked::noWindow);
    EXPECT_EQ(strError, "");
    CAutoTypeBus gone(m_bus.NoBus());
    EXPECT_FALSE(gone.IsListening());
}

// A holder of the name that does not answer: the program says so and fails, rather than start a second window.
TEST_F(AutoTypeBusTest, ANameHolderThatDoesNotAnswerIsAFailure) {
    QDBusConnection holder = QDBusConnection::connectToBus(m_bus.Address(), QStringLiteral("name-holder"));
    ASSERT_TRUE(holder.registerService(QString::fromLatin1(CAutoTypeBus::kName)));
    const CToolRun run = AskWithTheProgram();
    QDBusConnection::disconnectFromBus(QStringLiteral("name-holder"));
    EXPECT_EQ(run.nExit, 1);
    EXPECT_TRUE(run.err.startsWith("lockwarden: the running window did not answer: ")) << run.err.constData();
}

} // namespace
