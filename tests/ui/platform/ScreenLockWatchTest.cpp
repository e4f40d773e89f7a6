// The screen lock watch on a bus of the test's own, carrying the real signals the desktop sends.

#include "PrivateBus.h"

#include "ui/platform/ScreenLockWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// One connection to the test's bus, from which the signals are sent.
class CSender {
public:
    explicit CSender(const QString& strAddress)
        : m_bus(QDBusConnection::connectToBus(strAddress, QStringLiteral("lockwarden-test-sender"))) {}
    ~CSender() { QDBusConnection::disconnectFromBus(QStringLiteral("lockwarden-test-sender")); }
    QDBusConnection& Bus() { return m_bus; }
    void Signal(const QString& strPath, const QString& strInterface, const QString& strName,
                const QVariantList& args = {}) {
        QDBusMessage message = QDBusMessage::createSignal(strPath, strInterface, strName);
        message.setArguments(args);
        m_bus.send(message);
    }

private:
    QDBusConnection m_bus;
};

// Sends until told, as the watch's interest may reach the bus a moment after the watch is made; false when
// five seconds went by without it.
bool SendUntil(const std::function<void()>& send, const std::function<bool()>& told) {
    for (int i = 0; i < 50; ++i) {
        send();
        if (QTest::qWaitFor(told, 100))
            return true;
    }
    return false;
}

// logind as far as the watch asks it: which session this process is in.
class CFakeLogind : public QDBusVirtualObject {
public:
    static constexpr const char* kSessionPath = "/org/freedesktop/login1/session/_31";
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("GetSessionByPID"))
            return false;
        ++m_nAsked;
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(kSessionPath)))));
        return true;
    }
    int m_nAsked = 0;
};

TEST(ScreenLockWatch, AScreenSaverGoingActiveOnTheSessionBusIsALockedScreen) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CScreenLockWatch watch(bus.Address(), QString());
    EXPECT_TRUE(watch.IsWatchingSession());
    EXPECT_FALSE(watch.IsWatchingSystem());
    QSignalSpy locked(&watch, &CScreenLockWatch::screenLocked);
    CSender sender(bus.Address());
    ASSERT_TRUE(sender.Bus().isConnected());

    // The screen saver going away locks nothing.
    sender.Signal(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
                  QStringLiteral("ActiveChanged"), {false});
    // Each desktop's interface, at the path it uses.
    const std::pair<const char*, const char*> savers[] = {
        {"/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
        {"/ScreenSaver", "org.freedesktop.ScreenSaver"},
        {"/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"},
        {"/org/xfce/ScreenSaver", "org.xfce.ScreenSaver"},
    };
    int nTold = 0;
    for (const auto& [pszPath, pszInterface] : savers) {
        EXPECT_TRUE(SendUntil(
            [&] {
                sender.Signal(QString::fromLatin1(pszPath), QString::fromLatin1(pszInterface),
                              QStringLiteral("ActiveChanged"), {true});
            },
            [&] { return locked.count() > nTold; }))
            << pszInterface;
        nTold = static_cast<int>(locked.count());
    }
    QTest::qWait(100);
    // Nothing but the ones sent with true, each at least once (a resend may have been told too).
    for (const QList<QVariant>& args : locked)
        EXPECT_TRUE(args.isEmpty());
    EXPECT_GE(locked.count(), 4);
}

// On the system bus: logind's Lock of this process's session, as logind names it, and the computer going to
// sleep; another session's Lock and the wake-up are nobody's business here.
TEST(ScreenLockWatch, LogindLockingThisSessionOrSleepingIsALockedScreen) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CSender logind(bus.Address());
    CFakeLogind fake;
    ASSERT_TRUE(logind.Bus().registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &fake));
    ASSERT_TRUE(logind.Bus().registerService(QStringLiteral("org.freedesktop.login1")));

    CScreenLockWatch watch(QString(), bus.Address());
    QSignalSpy lookedUp(&watch, &CScreenLockWatch::sessionLookedUp);
    QSignalSpy locked(&watch, &CScreenLockWatch::screenLocked);
    ASSERT_TRUE(lookedUp.wait(5000));
    EXPECT_EQ(fake.m_nAsked, 1);
    EXPECT_EQ(watch.SessionPath(), QString::fromLatin1(CFakeLogind::kSessionPath));
    EXPECT_TRUE(watch.IsWatchingSystem());
    EXPECT_FALSE(watch.IsWatchingSession());

    const QString strManager = QStringLiteral("org.freedesktop.login1.Manager");
    const QString strSession = QStringLiteral("org.freedesktop.login1.Session");
    const QString strOurs = QString::fromLatin1(CFakeLogind::kSessionPath);
    EXPECT_TRUE(SendUntil([&] { logind.Signal(strOurs, strSession, QStringLiteral("Lock")); },
                          [&] { return !locked.isEmpty(); }));
    QTest::qWait(200);
    const qsizetype nBefore = locked.count();
    // In the order sent: only the last of these three is told.
    logind.Signal(QStringLiteral("/org/freedesktop/login1/session/_32"), strSession, QStringLiteral("Lock"));
    logind.Signal(QStringLiteral("/org/freedesktop/login1"), strManager, QStringLiteral("PrepareForSleep"), {false});
    logind.Signal(QStringLiteral("/org/freedesktop/login1"), strManager, QStringLiteral("PrepareForSleep"), {true});
    EXPECT_TRUE(QTest::qWaitFor([&] { return locked.count() > nBefore; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(locked.count(), nBefore + 1);
}

// No bus at all, or nothing on it: the watch is made, tells nothing and says nothing.
TEST(ScreenLockWatch, WithoutABusItTellsNothing) {
    CPrivateBus bus;
    const QString strNoBus = bus.NoBus();
    CScreenLockWatch watch(strNoBus, strNoBus);
    EXPECT_FALSE(watch.IsWatchingSession());
    EXPECT_FALSE(watch.IsWatchingSystem());
    CScreenLockWatch none{QString(), QString()};
    EXPECT_FALSE(none.IsWatchingSession());
    EXPECT_FALSE(none.IsWatchingSystem());
}

} // namespace
