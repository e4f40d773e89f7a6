#include "core/database/LockwardenDoc.h"

#include "core/app/AppState.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/framework/Prompts.h"
#include "core/platform/FileAccess.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QFile>
#include <QScopedValueRollback>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

CLockwardenDoc::CLockwardenDoc(CAppState& app, CPrompts& prompts) : CDocument(prompts), m_app(app) {}

CLockwardenDoc::~CLockwardenDoc() = default;

void CLockwardenDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        SiteDatabaseFormat::Write(ar, m_app.m_strFilePassword, m_sites);
    } else {
        std::string strBanner, strCheck;
        const CWipeOnExit wipe({&strCheck}); // the password enciphered with itself
        SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
        SiteDatabaseFormat::ReadRecords(ar, m_app.m_strFilePassword, m_sites);
    }
}

bool CLockwardenDoc::IsModified() {
    return CDocument::IsModified();
}

void CLockwardenDoc::SetModifiedFlag(bool bModified) {
    static const QString kMarker = QStringLiteral(" *");
    const bool bWas = CDocument::IsModified();
    if (bModified && !bWas)
        SetTitle(GetTitle() + kMarker);
    else if (bWas && !bModified)
        SetTitle(GetTitle().left(std::max<qsizetype>(0, GetTitle().size() - kMarker.size())));
    CDocument::SetModifiedFlag(bModified);
}

void CLockwardenDoc::DeleteContents() {
    Q_EMIT contentsAboutToBeDeleted();
    m_sites.clear();
    CDocument::DeleteContents();
    Q_EMIT sitesChanged();
}

bool CLockwardenDoc::OnNewDocument() {
    WipeString(m_app.m_strFilePassword);
    return CDocument::OnNewDocument();
}

bool CLockwardenDoc::OnOpenDocument(const QString& strPathName) {
    std::string strPrevious = m_app.m_strFilePassword;
    // Others may read the file while we look at it; a writer asking for the lock is kept out. The load
    // reads this same descriptor, so the records are those of the file whose password passed, even when
    // another program puts a new file at the path while the user types.
    FileAccess::CSharedReadLock lock;
    if (!lock.Open(strPathName)) {
        m_prompts.MessageBox(FileErrorText(strPathName, lock.Error()), MB_ICONSTOP | MB_OK);
        return false;
    }
    std::string strPassword;
    const CWipeOnExit wipe({&strPrevious, &strPassword});
    {
        // Unbuffered, so the archive's own buffer is the only read-ahead.
        QFile file;
        file.open(lock.Handle(), QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
        CArchive ar(&file, CArchive::load, kOpenCheckBufferSize);
        // An archive exception here (the file ends inside these two strings) goes to the template.
        const std::string strBanner = ar.ReadString();
        if (strBanner != SiteDatabaseFormat::kBanner) {
            m_prompts.MessageBox(LoadString(IDS_NOT_LOCKWARDEN_FILE), MB_ICONEXCLAMATION | MB_OK);
            return false;
        }
        std::string strCheck = ar.ReadString();
        const CWipeOnExit wipeCheck({&strCheck});
        if (!strCheck.empty()) {
            const QString strLabel = QStringLiteral("File:  ") + FileNameOf(strPathName);
            // One prompt for all tries, so each shows the entry before it; the entry is taken as typed.
            std::string strEntry;
            const CWipeOnExit wipeEntry({&strEntry});
            for (;;) {
                if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK)
                    return false;
                if (SiteDatabaseFormat::IsPasswordRight(strEntry, strCheck)) {
                    strPassword = strEntry;
                    break;
                }
                // A password set on Windows may hold Windows-1252 bytes, which the prompt gives as UTF-8.
                std::string strWindows;
                const CWipeOnExit wipeWindows({&strWindows});
                if (ToWindows1252(strEntry, strWindows) && strWindows != strEntry &&
                    SiteDatabaseFormat::IsPasswordRight(strWindows, strCheck)) {
                    strPassword = strWindows;
                    break;
                }
                m_prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
            }
        }
    }
    // From here until the open ends the document is not whole: nothing may save it.
    const QScopedValueRollback<bool> loading(m_bLoading, true);
    AssignSecret(m_app.m_strFilePassword, strPassword);
    QFile file;
    const int nSeekError = ::lseek(lock.Handle(), 0, SEEK_SET) != 0 ? errno : 0;
    if (nSeekError != 0 || !file.open(lock.Handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        m_prompts.MessageBox(nSeekError != 0 ? FileErrorText(strPathName, nSeekError)
                                             : FileErrorText(strPathName, file.errorString()),
                             MB_ICONSTOP | MB_OK);
        AssignSecret(m_app.m_strFilePassword, strPrevious);
        return false;
    }
    const bool bLoaded = LoadDocument(file, strPathName);
    Q_EMIT sitesChanged();
    if (!bLoaded) {
        // A load that could not even start (the file could not be read) left the previous records in
        // place; they keep their own password. After damage the template starts anew anyway.
        if (!IsModified())
            AssignSecret(m_app.m_strFilePassword, strPrevious);
        return false;
    }
    // The time of the file that was read, which a later save compares with the one at the path.
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(lock.Handle(), tTime))
        m_tFileTime = tTime;
    m_fileStamp = FileAccess::GetFileStamp(lock.Handle());
    return true;
}

bool CLockwardenDoc::IsChangedOnDisk(const QString& strPathName) const {
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(strPathName, tTime) && tTime != m_tFileTime)
        return true;
    // Whole seconds miss a file replaced within the same second; the fuller stamp does not.
    const FileAccess::CFileStamp stamp = FileAccess::GetFileStamp(strPathName);
    return stamp.bValid && m_fileStamp.bValid && stamp != m_fileStamp;
}

void CLockwardenDoc::NoteFileOnDisk(const QString& strPathName) {
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(strPathName, tTime)) {
        m_tFileTime = tTime;
        m_fileStamp = FileAccess::GetFileStamp(strPathName);
    }
}

bool CLockwardenDoc::OnSaveDocument(const QString& strPathName) {
    if (IsLoading())
        return false;
    if (IsChangedOnDisk(strPathName)) {
        if (m_prompts.MessageBox(LoadString(IDS_FILE_CHANGED_ON_DISK), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
            IDYES)
            return false;
    }
    if (!CDocument::OnSaveDocument(strPathName))
        return false;
    NoteFileOnDisk(strPathName);
    return true;
}

void CLockwardenDoc::OnSaveAs() {
    OnFileSaveAs();
    NoteFileOnDisk(GetPathName());
}

void CLockwardenDoc::OnChangeFilePassword() {
    QString strLabel = QStringLiteral("File:  ") + GetTitle();
    if (strLabel.endsWith(QLatin1Char('*')))
        strLabel[strLabel.size() - 1] = QLatin1Char(' ');
    std::string strEntry = m_app.m_strFilePassword;
    std::string strAgain;
    std::string strTrimmed;
    const CWipeOnExit wipe({&strEntry, &strAgain, &strTrimmed});
    if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK || strEntry == m_app.m_strFilePassword)
        return;
    // A mistyped new password would lock its owner out of every site: it is asked for twice.
    if (m_prompts.ConfirmFilePasswordPrompt(strAgain, strLabel) != IDOK)
        return;
    if (strAgain != strEntry) {
        m_prompts.MessageBox(LoadString(IDS_PASSWORDS_DIFFER), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    strTrimmed = TrimWhiteSpace(strEntry);
    // The open takes the password exactly as typed, so the user hears of the blanks before they go.
    if (strTrimmed != strEntry &&
        m_prompts.MessageBox(LoadString(IDS_PASSWORD_TRIMMED), MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return;
    AssignSecret(m_app.m_strFilePassword, strTrimmed);
    SetModifiedFlag(true);
}

bool CLockwardenDoc::OnUpdateChangeFilePassword() const {
    return !m_sites.empty();
}

int CLockwardenDoc::IndexOf(const CSiteInfo* pSite) const {
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [pSite](const auto& p) { return p.get() == pSite; });
    return it == m_sites.end() ? -1 : static_cast<int>(it - m_sites.begin());
}

CSiteInfo* CLockwardenDoc::AddSite(std::unique_ptr<CSiteInfo> pSite) {
    CSiteInfo* pAdded = m_sites.emplace_back(std::move(pSite)).get();
    SetModifiedFlag(true);
    Q_EMIT siteAdded(pAdded);
    Q_EMIT sitesChanged();
    return pAdded;
}

CSiteInfo* CLockwardenDoc::ReplaceSite(CSiteInfo* pOld, std::unique_ptr<CSiteInfo> pNew) {
    const int nOld = IndexOf(pOld);
    if (nOld < 0)
        return AddSite(std::move(pNew));
    CSiteInfo* pAdded = m_sites.emplace_back(std::move(pNew)).get();
    SetModifiedFlag(true);
    Q_EMIT siteReplaced(pOld, pAdded);
    m_sites.erase(m_sites.begin() + nOld);
    Q_EMIT sitesChanged();
    return pAdded;
}

void CLockwardenDoc::RemoveSite(CSiteInfo* pSite) {
    const int nIndex = IndexOf(pSite);
    if (nIndex < 0)
        return;
    Q_EMIT siteAboutToBeRemoved(pSite);
    m_sites.erase(m_sites.begin() + nIndex);
    SetModifiedFlag(true);
    Q_EMIT sitesChanged();
}
