#include "ui/platform/IdleWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <limits>

CIdleWatch::CIdleWatch(QObject* pParent) : QObject(pParent), m_pTimer(new QTimer(this)) {
    m_elapsed.start();
    m_clock = [this] { return m_elapsed.elapsed(); };
    m_pTimer->setSingleShot(true);
    m_pTimer->setTimerType(Qt::CoarseTimer);
    connect(m_pTimer, &QTimer::timeout, this, &CIdleWatch::Check);
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->installEventFilter(this);
}

CIdleWatch::~CIdleWatch() {
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->removeEventFilter(this);
}

void CIdleWatch::SetInterval(qint64 nMilliseconds) {
    m_nInterval = std::max<qint64>(0, nMilliseconds);
    Restart();
}

void CIdleWatch::SetClock(Clock clock) {
    m_clock = std::move(clock);
    Restart();
}

void CIdleWatch::Restart() {
    m_nLastInput = m_clock();
    m_bTold = false;
    if (m_nInterval > 0)
        Arm(m_nInterval);
    else
        m_pTimer->stop();
}

bool CIdleWatch::IsCounting() const {
    return m_nInterval > 0 && !m_bTold;
}

void CIdleWatch::Arm(qint64 nMilliseconds) {
    // A timer takes an int of milliseconds; a longer wait wakes early and sets itself again.
    m_pTimer->start(static_cast<int>(std::clamp<qint64>(nMilliseconds, 0, std::numeric_limits<int>::max())));
}

void CIdleWatch::Check() {
    if (!IsCounting())
        return;
    const qint64 nQuiet = m_clock() - m_nLastInput;
    if (nQuiet < m_nInterval) {
        Arm(m_nInterval - nQuiet);
        return;
    }
    m_bTold = true;
    m_pTimer->stop();
    Q_EMIT idle();
}

bool CIdleWatch::IsInput(const QEvent& event) {
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

bool CIdleWatch::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // Only the time is noted: the timer, still set for the interval or less, looks again when it wakes.
    if (m_nInterval > 0 && IsInput(*pEvent)) {
        m_nLastInput = m_clock();
        if (m_bTold || !m_pTimer->isActive()) {
            m_bTold = false;
            Arm(m_nInterval);
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}
