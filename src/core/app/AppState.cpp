#include "core/app/AppState.h"

#include "core/platform/ProfileStore.h"

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
    {"strSiteName", &CAppState::m_strSiteName},
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
}

void CAppState::WriteSettings(CProfileStore& store) const {
    for (const CSetting& setting : kSettingsTable) {
        const QString strKey = QString::fromLatin1(setting.pszKey);
        if (const auto* pInt = std::get_if<int CAppState::*>(&setting.member))
            store.WriteProfileInt(kSettings, strKey, this->*(*pInt));
        else
            store.WriteProfileBytes(kSettings, strKey, this->*std::get<std::string CAppState::*>(setting.member));
    }
    store.Sync();
}
