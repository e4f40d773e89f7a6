#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QEvent;
class QTimer;

// Tells when the program has had no keyboard or mouse input for a while. An application event filter notes
// the time of every input to any of the program's windows; one timer wakes when the interval could have run
// out, and sets itself again for what is left when input came meanwhile. Told once per quiet spell: the
// next input starts the count again.
class CIdleWatch : public QObject {
    Q_OBJECT
public:
    // Milliseconds since some fixed start, never going back.
    using Clock = std::function<qint64()>;

    explicit CIdleWatch(QObject* pParent = nullptr);
    ~CIdleWatch() override;

    // nMilliseconds without input before idle(); 0 (or less) stops the watch. Counts from now.
    void SetInterval(qint64 nMilliseconds);
    qint64 Interval() const { return m_nInterval; }
    // Counts from now, as input would (the window was just unlocked).
    void Restart();
    // Where the time comes from (tests give a clock they move themselves); counts from now.
    void SetClock(Clock clock);
    // Looks at the time: idle() when the interval has gone by since the last input, else the timer is set for
    // the rest. The timer calls it.
    void Check();
    // Whether the watch is counting (an interval is set, and idle() has not been told since the last input).
    bool IsCounting() const;
    // Key presses and releases, mouse buttons, moves and wheel, touch and tablet, text from an input method.
    static bool IsInput(const QEvent& event);

Q_SIGNALS:
    void idle();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Arm(qint64 nMilliseconds);

    QElapsedTimer m_elapsed;
    Clock m_clock;
    QTimer* m_pTimer = nullptr;
    qint64 m_nInterval = 0;
    qint64 m_nLastInput = 0;
    bool m_bTold = false;
};
