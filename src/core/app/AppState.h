#pragma once

#include "core/platform/SecureWipe.h"

#include <QString>

#include <map>
#include <string>
#include <utility>
#include <vector>

class CProfileStore;

// The state the program's windows share for the whole run: the application settings (the design's eight,
// the breach list and the lock's two). The settings are read once at start-up and written once at exit. The
// file's password is not here: the document owns its key (CFileKey).
class CAppState {
public:
    static constexpr const char* kSection = "settings";

    CAppState() = default;
    CAppState(const CAppState&) = default;
    CAppState& operator=(const CAppState&) = default;

    void ReadSettings(const CProfileStore& store);
    void WriteSettings(CProfileStore& store) const;

    int m_bHidePswd = 0;
    std::string m_strFind;
    // The site shown last: the list shows it again when a file is shown anew.
    std::string m_strSiteName;
    // The site last shown in each file, kept from run to run for a classic file and only for this run for a
    // sealed one, whose site names are as secret as the rest of it. Untitled documents have none.
    std::string LastSiteOf(const QString& strPath) const;
    void RememberSite(const QString& strPath, bool bSealed, const std::string& strSite);
    int m_nLength = 0;
    int m_bOpenMRU = 0;
    int m_bPunctuation = 0;
    int m_bNumbers = 0;
    int m_bMixedCase = 0;
    // A save keeps the file it replaces as NAME.lwd.bak. On unless the settings say otherwise, for the
    // companion too, which reads this one setting.
    int m_bBackupOnSave = 1;
    // The breach list the password health window looks passwords up in: a file or a folder, as the file
    // system names it; empty for none.
    std::string m_strBreachList;
    // The lock: minutes without keyboard or mouse input after which the window locks (0: never), and
    // whether it locks when the screen locks or the computer goes to sleep.
    int m_nLockMinutes = 0;
    int m_bLockOnScreenLock = 1;
    // The longest idle time the Options dialog takes: a day.
    static constexpr int kMaxLockMinutes = 1440;
    // What the desktop portal gave when it last let auto-type use the keyboard on Wayland: handed back, it
    // stands for the user's answer, so the desktop asks once.
    std::string m_strPortalToken;

    // The sites auto-type typed last in each file, newest first, for the picker to offer them first: names only,
    // kept from run to run for a classic file and only for this run for a sealed one, as the last site is.
    std::vector<std::string> AutoTypedSitesOf(const QString& strPath) const;
    void NoteAutoTyped(const QString& strPath, bool bSealed, const std::string& strSite);
    static constexpr std::size_t kAutoTypedSites = 10;
    static constexpr const char* kAutoTypedSection = "autoTypedSites";

    // The window's memory of how strong each file it read or wrote was (0 no file password, 1 classic,
    // 2 sealed), newest first, so that a file found weaker than it was is never opened without a question.
    // Kept beside the recent files; the companion reads none.
    int KnownFileKind(const QString& strPath) const; // -1 for a file not known
    void NoteFileKind(const QString& strPath, int nKind);
    void ReadFileKinds(const CProfileStore& store);
    void WriteFileKinds(CProfileStore& store) const;
    static constexpr int kKnownFileKinds = 32;
    static constexpr const char* kFileKindsSection = "Recent File Kinds";
    std::vector<std::pair<QString, int>> m_fileKinds;
    // The section of the settings that holds the last site of each file, under a hash of the file's path,
    // so the settings name no file.
    static constexpr const char* kLastSitesSection = "lastSites";

private:
    struct CLastSite {
        std::string strSite;
        bool bKept = false; // written to the settings
    };
    static std::string KeyOf(const QString& strPath);
    std::map<std::string, CLastSite> m_lastSites;
    struct CAutoTyped {
        std::vector<std::string> sites;
        bool bKept = false;
    };
    std::map<std::string, CAutoTyped> m_autoTyped;
};
