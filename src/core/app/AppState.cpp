#include "core/app/AppState.h"

#include "core/platform/ProfileStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
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
    {"strPortalToken", &CAppState::m_strPortalToken},
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
    // Each file's list under its key, one name a value: "KEY.1" is the newest.
    const QString strAutoTyped = QString::fromLatin1(kAutoTypedSection);
    m_autoTyped.clear();
    QStringList entries = store.GetProfileEntries(strAutoTyped);
    std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return std::pair(a.section(QLatin1Char('.'), 0, 0), a.section(QLatin1Char('.'), 1).toInt()) <
               std::pair(b.section(QLatin1Char('.'), 0, 0), b.section(QLatin1Char('.'), 1).toInt());
    });
    for (const QString& strEntry : entries) {
        CAutoTyped& typed = m_autoTyped[strEntry.section(QLatin1Char('.'), 0, 0).toStdString()];
        typed.bKept = true;
        if (typed.sites.size() < kAutoTypedSites)
            typed.sites.push_back(store.GetProfileBytes(strAutoTyped, strEntry));
    }
    ReadFileKinds(store);
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
    const QString strAutoTyped = QString::fromLatin1(kAutoTypedSection);
    store.RemoveProfileEntry(strAutoTyped);
    for (const auto& [strKey, typed] : m_autoTyped) {
        if (!typed.bKept)
            continue;
        for (std::size_t i = 0; i < typed.sites.size(); ++i)
            store.WriteProfileBytes(strAutoTyped, QStringLiteral("%1.%2").arg(QString::fromLatin1(strKey)).arg(i + 1),
                                    typed.sites[i]);
    }
    WriteFileKinds(store);
}

namespace {
QString KindKey(const QString& strPath) {
    return strPath.isEmpty() ? strPath : QFileInfo(strPath).absoluteFilePath();
}
} // namespace

int CAppState::KnownFileKind(const QString& strPath) const {
    const QString strKey = KindKey(strPath);
    const auto it =
        std::find_if(m_fileKinds.begin(), m_fileKinds.end(), [&](const auto& entry) { return entry.first == strKey; });
    return it == m_fileKinds.end() ? -1 : it->second;
}

void CAppState::NoteFileKind(const QString& strPath, int nKind) {
    const QString strKey = KindKey(strPath);
    if (strKey.isEmpty())
        return;
    std::erase_if(m_fileKinds, [&](const auto& entry) { return entry.first == strKey; });
    m_fileKinds.insert(m_fileKinds.begin(), {strKey, nKind});
    if (m_fileKinds.size() > static_cast<std::size_t>(kKnownFileKinds))
        m_fileKinds.resize(kKnownFileKinds);
}

void CAppState::ReadFileKinds(const CProfileStore& store) {
    const QString strSection = QString::fromLatin1(kFileKindsSection);
    m_fileKinds.clear();
    for (int i = 1; i <= kKnownFileKinds; ++i) {
        const QString strPath = store.GetProfileString(strSection, QStringLiteral("File%1").arg(i));
        if (strPath.isEmpty())
            break;
        m_fileKinds.emplace_back(strPath,
                                 std::clamp(store.GetProfileInt(strSection, QStringLiteral("Kind%1").arg(i), 0), 0, 2));
    }
}

void CAppState::WriteFileKinds(CProfileStore& store) const {
    const QString strSection = QString::fromLatin1(kFileKindsSection);
    store.RemoveProfileEntry(strSection);
    for (std::size_t i = 0; i < m_fileKinds.size(); ++i) {
        store.WriteProfileString(strSection, QStringLiteral("File%1").arg(i + 1), m_fileKinds[i].first);
        store.WriteProfileInt(strSection, QStringLiteral("Kind%1").arg(i + 1), m_fileKinds[i].second);
    }
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

std::vector<std::string> CAppState::AutoTypedSitesOf(const QString& strPath) const {
    if (strPath.isEmpty())
        return {};
    const auto it = m_autoTyped.find(KeyOf(strPath));
    return it == m_autoTyped.end() ? std::vector<std::string>() : it->second.sites;
}

void CAppState::NoteAutoTyped(const QString& strPath, bool bSealed, const std::string& strSite) {
    if (strPath.isEmpty())
        return;
    CAutoTyped& typed = m_autoTyped[KeyOf(strPath)];
    std::erase(typed.sites, strSite);
    typed.sites.insert(typed.sites.begin(), strSite);
    if (typed.sites.size() > kAutoTypedSites)
        typed.sites.resize(kAutoTypedSites);
    // A file sealed now forgets what its classic self kept.
    typed.bKept = !bSealed;
}
