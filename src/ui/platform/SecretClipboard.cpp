#include "ui/platform/SecretClipboard.h"

#include "ui/platform/Clipboard.h"

#include <QTimer>

#include <sodium.h>

CSecretClipboard::CSecretClipboard(QObject* pParent)
    : CSecretClipboard(std::make_unique<CClipboardAccess>(), pParent) {}

CSecretClipboard::CSecretClipboard(std::unique_ptr<CClipboardAccess> pAccess, QObject* pParent)
    : QObject(pParent), m_pAccess(std::move(pAccess)), m_pTimer(new QTimer(this)), m_pCheckTimer(new QTimer(this)) {
    m_pTimer->setObjectName(QStringLiteral("ClipboardTimer"));
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(kDefaultInterval);
    connect(m_pTimer, &QTimer::timeout, this, &CSecretClipboard::Clear);
    // The clear reaches the compositor with our next events, so it is asked a moment later.
    m_pCheckTimer->setSingleShot(true);
    m_pCheckTimer->setInterval(kCheckDelay);
    connect(m_pCheckTimer, &QTimer::timeout, this, [this] {
        if (!CheckCleared())
            Q_EMIT stillOnClipboard();
    });
}

CSecretClipboard::~CSecretClipboard() {
    Clear();
    // No later moment comes at the end: asked at once, and cleared through the desktop's tool if it kept it.
    if (m_pCheckTimer->isActive())
        CheckCleared();
}

bool CSecretClipboard::Put(const std::string& strSecret, bool bTimed) {
    m_pTimer->stop();
    Forget();
    if (!m_pAccess->Put(strSecret))
        return false;
    m_strSecret = strSecret;
    if (bTimed) {
        m_pTimer->start();
        Q_EMIT putTimed(m_pTimer->interval());
    }
    return true;
}

void CSecretClipboard::Clear() {
    m_pTimer->stop();
    // Anything the user has put on the clipboard since is left alone.
    if (!m_strSecret.empty() && m_pAccess->Holds(m_strSecret)) {
        m_pAccess->Empty();
        if (m_pAccess->CanAskDesktop())
            m_pCheckTimer->start();
    }
    Forget();
}

void CSecretClipboard::ClearLeftover() {
    m_pAccess->Empty();
    if (m_pAccess->CanAskDesktop())
        m_pCheckTimer->start();
}

bool CSecretClipboard::CheckCleared() {
    m_pCheckTimer->stop();
    if (!m_pAccess->CanAskDesktop() || !m_pAccess->DesktopOffersSecret())
        return true;
    return m_pAccess->ClearThroughDesktop() && !m_pAccess->DesktopOffersSecret();
}

void CSecretClipboard::Forget() {
    sodium_memzero(m_strSecret.data(), m_strSecret.size());
    m_strSecret.clear();
}

void CSecretClipboard::SetInterval(int nMilliseconds) {
    m_pTimer->setInterval(nMilliseconds);
}
