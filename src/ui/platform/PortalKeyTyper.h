#pragma once

#include "ui/platform/BusConnection.h"
#include "ui/platform/KeyTyper.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QVariantMap>

// Receives the Response of one portal Request, and ends the loop that waits for it.
class CPortalResponse : public QObject {
    Q_OBJECT
public:
    bool bAnswered = false;
    uint nResponse = 2;
    QVariantMap results;
    QEventLoop loop;
public Q_SLOTS:
    void OnResponse(uint nCode, const QVariantMap& map) {
        bAnswered = true;
        nResponse = nCode;
        results = map;
        loop.quit();
    }
};

// Types on Wayland through the desktop portal (org.freedesktop.portal.RemoteDesktop on the session bus): a
// session with keyboard access only, Start awaited (the desktop asks the user, or lets a kept restore token
// stand for the answer) before anything is typed, keysyms sent in order, and the session closed after typing so
// the desktop's indicator goes away. Nothing typed is logged.
class CPortalKeyTyper : public CKeyTyper {
public:
    // strSessionBus: the bus's address; strRestoreToken: what the desktop gave at the last start, or empty.
    CPortalKeyTyper(const QString& strSessionBus, const QString& strRestoreToken);
    ~CPortalKeyTyper() override;
    CPortalKeyTyper(const CPortalKeyTyper&) = delete;
    CPortalKeyTyper& operator=(const CPortalKeyTyper&) = delete;

    // False with the reason when the desktop has no portal that offers a keyboard.
    bool IsAvailable(std::string& strWhy) override;
    bool Type(const std::vector<AutoTypeSequence::CStep>& steps, std::string& strError) override;
    // The token the desktop gave at the last start, to keep so it need not ask again; empty when it gave none.
    QString RestoreToken() const { return m_strRestoreToken; }

private:
    // Calls a portal method that answers through a Request object, and waits for its Response (or nTimeout ms).
    bool Request(const QString& strMethod, const QVariantList& args, const QString& strToken, QVariantMap& results,
                 std::string& strError, int nTimeout);
    void Key(int nKeysym);
    void CloseSession();

    CBusConnection m_bus{"portal", this};
    QString m_strRestoreToken;
    QString m_strSession;
    int m_nToken = 0;
};
