#pragma once

#include <QTest>
#include <QWidget>

// Waits until pWidget's window has the keyboard focus. On Wayland only the compositor gives it, some time after
// the window is shown, and QTest::qWaitForWindowActive returns at the first frame there instead of waiting.
inline bool WaitActive(QWidget* pWidget, int nTimeout = 5000) {
    return QTest::qWaitFor([pWidget] { return pWidget->isActiveWindow(); }, nTimeout);
}
