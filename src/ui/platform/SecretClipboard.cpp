#include "ui/platform/SecretClipboard.h"

#include "ui/platform/Clipboard.h"

#include <QTimer>

#include <sodium.h>

CSecretClipboard::CSecretClipboard(QObject* pParent) : QObject(pParent), m_pTimer(new QTimer(this)) {
    m_pTimer->setObjectName(QStringLiteral("ClipboardTimer"));
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(kDefaultInterval);
    connect(m_pTimer, &QTimer::timeout, this, &CSecretClipboard::Clear);
}

CSecretClipboard::~CSecretClipboard() {
    Clear();
}

bool CSecretClipboard::Put(const std::string& strSecret, bool bTimed) {
    m_pTimer->stop();
    Forget();
    if (!PutTextOnClipboard(strSecret))
        return false;
    m_strSecret = strSecret;
    if (bTimed)
        m_pTimer->start();
    return true;
}

void CSecretClipboard::Clear() {
    m_pTimer->stop();
    // Anything the user has put on the clipboard since is left alone.
    if (!m_strSecret.empty() && IsTextOnClipboard(m_strSecret))
        EmptyClipboard();
    Forget();
}

void CSecretClipboard::Forget() {
    sodium_memzero(m_strSecret.data(), m_strSecret.size());
    m_strSecret.clear();
}

void CSecretClipboard::SetInterval(int nMilliseconds) {
    m_pTimer->setInterval(nMilliseconds);
}
