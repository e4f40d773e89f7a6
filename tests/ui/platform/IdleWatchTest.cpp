#include "ui/platform/IdleWatch.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// On a clock the test moves: told once when the interval has gone by without input, not before; keys and the
// mouse on any window of the program start the count again; the next quiet spell is told again.
TEST(IdleWatch, TellsOnceAfterTheIntervalWithoutInputAndInputStartsTheCountAgain) {
    qint64 nNow = 5000;
    CIdleWatch watch;
    watch.SetClock([&] { return nNow; });
    QSignalSpy idle(&watch, &CIdleWatch::idle);
    watch.SetInterval(60000);
    EXPECT_TRUE(watch.IsCounting());

    nNow += 59999;
    watch.Check();
    EXPECT_EQ(idle.count(), 0);

    QLineEdit field;
    QTest::keyClick(&field, Qt::Key_A);
    nNow += 30000;
    watch.Check();
    EXPECT_EQ(idle.count(), 0) << "a key half a minute ago";
    QTest::mouseMove(&field, QPoint(2, 2));
    QTest::mouseClick(&field, Qt::LeftButton);
    nNow += 59999;
    watch.Check();
    EXPECT_EQ(idle.count(), 0) << "the mouse a moment less than the interval ago";
    nNow += 1;
    watch.Check();
    EXPECT_EQ(idle.count(), 1);
    nNow += 600000;
    watch.Check();
    EXPECT_EQ(idle.count(), 1) << "once per quiet spell";
    EXPECT_FALSE(watch.IsCounting());

    QTest::keyClick(&field, Qt::Key_B);
    EXPECT_TRUE(watch.IsCounting());
    nNow += 60000;
    watch.Check();
    EXPECT_EQ(idle.count(), 2);

    // Restart (an unlock) counts from now, as input does.
    watch.Restart();
    nNow += 59000;
    watch.Check();
    EXPECT_EQ(idle.count(), 2);
}

// The watch's own timer wakes it, on the real clock; 0 minutes is never.
TEST(IdleWatch, ItsTimerTellsOnItsOwnAndAZeroIntervalNever) {
    CIdleWatch watch;
    QSignalSpy idle(&watch, &CIdleWatch::idle);
    watch.SetInterval(30);
    EXPECT_TRUE(idle.wait(5000));
    EXPECT_EQ(idle.count(), 1);

    watch.SetInterval(0);
    EXPECT_FALSE(watch.IsCounting());
    QTest::qWait(100);
    EXPECT_EQ(idle.count(), 1);
}

} // namespace
