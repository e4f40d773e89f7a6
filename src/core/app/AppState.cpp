#include "app/AppState.h"

#include "platform/ProfileStore.h"

namespace {
const QString kSettings = QString::fromLatin1(CAppState::kSection);
}

void CAppState::ReadSettings(const CProfileStore& store) {
    m_bMixedCase = store.GetProfileInt(kSettings, QStringLiteral("bMixedCase"), 1);
    m_bNumbers = store.GetProfileInt(kSettings, QStringLiteral("bNumbers"), 1);
    m_bPunctuation = store.GetProfileInt(kSettings, QStringLiteral("bPuncuation"), 1);
    m_bOpenMRU = store.GetProfileInt(kSettings, QStringLiteral("bOpenMRU"), 0);
    m_nLength = store.GetProfileInt(kSettings, QStringLiteral("nLength"), 8);
    m_bHidePswd = store.GetProfileInt(kSettings, QStringLiteral("bHidePswd"), 1);
    m_strSiteName = store.GetProfileBytes(kSettings, QStringLiteral("strSiteName"));
    m_strFind = store.GetProfileBytes(kSettings, QStringLiteral("strFind"));
}

void CAppState::WriteSettings(CProfileStore& store) const {
    store.WriteProfileInt(kSettings, QStringLiteral("bMixedCase"), m_bMixedCase);
    store.WriteProfileInt(kSettings, QStringLiteral("bNumbers"), m_bNumbers);
    store.WriteProfileInt(kSettings, QStringLiteral("bPuncuation"), m_bPunctuation);
    store.WriteProfileInt(kSettings, QStringLiteral("bOpenMRU"), m_bOpenMRU);
    store.WriteProfileInt(kSettings, QStringLiteral("nLength"), m_nLength);
    store.WriteProfileInt(kSettings, QStringLiteral("bHidePswd"), m_bHidePswd);
    store.WriteProfileBytes(kSettings, QStringLiteral("strSiteName"), m_strSiteName);
    store.WriteProfileBytes(kSettings, QStringLiteral("strFind"), m_strFind);
    store.Sync();
}
