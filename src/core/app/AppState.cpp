#include "core/app/AppState.h"

#include "core/platform/ProfileStore.h"

#include <QCryptographicHash>
#include <QDir>

#include <variant>

namespace {

const QString kSettings = QString::fromLatin1(CAppState::kSection);

// One setting: its key, the member it is held in and the value it has when the store has none. Read and
// written in this order.
struct CSetting {
    const char* pszKey;
    std::variant<int CAppState::*, std::string CAppState::*> member;
    int nDefault = 0; // texts default to empty
};

const CSetting kSettingsTable[] = {
    {"bMixedCase", &CAppState::m_bMixedCase, 1},
    {"bNumbers", &CAppState::m_bNumbers, 1},
    {"bPuncuation", &CAppState::m_bPunctuation, 1},
    {"bOpenMRU", &CAppState::m_bOpenMRU, 0},
    {"nLength", &CAppState::m_nLength, 8},
    {"bHidePswd", &CAppState::m_bHidePswd, 1},
    {"strFind", &CAppState::m_strFind},
    {"strBreachList", &CAppState::m_strBreachList},
    {"nLockMinutes", &CAppState::m_nLockMinutes, 0},
    {"bLockOnScreenLock", &CAppState::m_bLockOnScreenLock, 1},
    {"bBackupOnSave", &CAppState::m_bBackupOnSave, 1},
};

} // namespace

void CAppState::ReadSettings(const CProfileStore& store) {
    for (const CSetting& setting : kSettingsTable) {
        const QString strKey = QString::fromLatin1(setting.pszKey);
        if (const auto* pInt = std::get_if<int CAppState::*>(&setting.member))
            this->*(*pInt) = store.GetProfileInt(kSettings, strKey, setting.nDefault);
        else
            this->*std::get<std::string CAppState::*>(setting.member) = store.GetProfileBytes(kSettings, strKey);
    }
    const QString strLastSites = QString::fromLatin1(kLastSitesSection);
    m_lastSites.clear();
    for (const QString& strKey : store.GetProfileEntries(strLastSites))
        m_lastSites[strKey.toStdString()] = {store.GetProfileBytes(strLastSites, strKey), true};
}

void CAppState::WriteSettings(CProfileStore& store) const {
    for (const CSetting& setting : kSettingsTable) {
        const QString strKey = QString::fromLatin1(setting.pszKey);
        if (const auto* pInt = std::get_if<int CAppState::*>(&setting.member))
            store.WriteProfileInt(kSettings, strKey, this->*(*pInt));
        else
            store.WriteProfileBytes(kSettings, strKey, this->*std::get<std::string CAppState::*>(setting.member));
    }
    // One site name for every file, sealed ones too, was kept here once: it goes.
    store.RemoveProfileEntry(kSettings, QStringLiteral("strSiteName"));
    const QString strLastSites = QString::fromLatin1(kLastSitesSection);
    store.RemoveProfileEntry(strLastSites);
    for (const auto& [strKey, last] : m_lastSites)
        if (last.bKept)
            store.WriteProfileBytes(strLastSites, QString::fromLatin1(strKey), last.strSite);
    store.Sync();
}

std::string CAppState::KeyOf(const QString& strPath) {
    const QByteArray path =
        QDir::cleanPath(QDir::isAbsolutePath(strPath) ? strPath : QDir::current().absoluteFilePath(strPath)).toUtf8();
    return QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(32).toStdString();
}

std::string CAppState::LastSiteOf(const QString& strPath) const {
    if (strPath.isEmpty())
        return {};
    const auto it = m_lastSites.find(KeyOf(strPath));
    return it == m_lastSites.end() ? std::string() : it->second.strSite;
}

void CAppState::RememberSite(const QString& strPath, bool bSealed, const std::string& strSite) {
    if (strPath.isEmpty())
        return;
    CLastSite& last = m_lastSites[KeyOf(strPath)];
    last.strSite = strSite;
    last.bKept = !bSealed;
}
