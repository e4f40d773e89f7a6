#pragma once

#include "ui/platform/BusConnection.h"

#include <QObject>
#include <QString>

// One notice on the desktop's notification service (org.freedesktop.Notifications on the session bus) with a
// single action: clicking it emits clicked(). Without a bus Show says so; a bus without the service just shows
// nothing.
class CDesktopNotice : public QObject {
    Q_OBJECT
public:
    // strSessionBus is the bus's address; by default the one the environment names.
    explicit CDesktopNotice(QObject* pParent = nullptr);
    CDesktopNotice(const QString& strSessionBus, QObject* pParent);
    ~CDesktopNotice() override;

    // Asks the desktop to show (or replace) the notice; false without a session bus. IsShown once it answered.
    bool Show(const QString& strSummary, const QString& strBody, const QString& strAction);
    // Takes the notice off the desktop, if it is there.
    void Close();
    bool IsShown() const { return m_nId != 0; }

Q_SIGNALS:
    void clicked();

private Q_SLOTS:
    void OnActionInvoked(uint nId, const QString& strAction);
    void OnClosed(uint nId, uint nReason);

private:
    CBusConnection m_bus{"notice", this};
    uint m_nId = 0;
};
