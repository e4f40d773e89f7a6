#include "database/LockwardenDoc.h"

#include "app/AppState.h"
#include "database/SiteDatabaseFormat.h"
#include "framework/Archive.h"
#include "framework/Prompts.h"
#include "platform/FileAccess.h"
#include "platform/Text.h"
#include "resources/Resource.h"
#include "resources/Strings.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

CLockwardenDoc::CLockwardenDoc(CAppState& app, CPrompts& prompts) : CDocument(prompts), m_app(app) {}

CLockwardenDoc::~CLockwardenDoc() = default;

void CLockwardenDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        SiteDatabaseFormat::Write(ar, m_app.m_strFilePassword, m_sites);
    } else {
        std::string strBanner, strCheck;
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
    m_sites.clear();
    CDocument::DeleteContents();
}

bool CLockwardenDoc::OnNewDocument() {
    m_app.m_strFilePassword.clear();
    return CDocument::OnNewDocument();
}

bool CLockwardenDoc::OnOpenDocument(const QString& strPathName) {
    const std::string strPrevious = m_app.m_strFilePassword;
    {
        // Others may read the file while we look at it; a writer asking for the lock is kept out.
        FileAccess::CSharedReadLock lock;
        if (!lock.Open(strPathName)) {
            m_prompts.MessageBox(FileErrorText(strPathName, errno), MB_ICONSTOP | MB_OK);
            return false;
        }
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
        const std::string strCheck = ar.ReadString();
        if (strCheck.empty()) {
            m_app.m_strFilePassword.clear();
        } else {
            const QString strLabel = QStringLiteral("File:  ") + FileNameOf(strPathName);
            // One prompt for all tries, so each shows the entry before it; the entry is taken as typed.
            std::string strEntry;
            for (;;) {
                if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK)
                    return false;
                if (SiteDatabaseFormat::IsPasswordRight(strEntry, strCheck))
                    break;
                m_prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
            }
            m_app.m_strFilePassword = strEntry;
        }
    }
    if (!CDocument::OnOpenDocument(strPathName)) {
        // A load that could not even start (the file went away after the check) left the previous
        // records in place; they keep their own password. After damage the template starts anew anyway.
        if (!IsModified())
            m_app.m_strFilePassword = strPrevious;
        return false;
    }
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(strPathName, tTime))
        m_tFileTime = tTime;
    return true;
}

bool CLockwardenDoc::OnSaveDocument(const QString& strPathName) {
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(strPathName, tTime) && tTime != m_tFileTime) {
        if (m_prompts.MessageBox(LoadString(IDS_FILE_CHANGED_ON_DISK), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
            IDYES)
            return false;
    }
    if (!CDocument::OnSaveDocument(strPathName))
        return false;
    if (FileAccess::GetFileTime(strPathName, tTime))
        m_tFileTime = tTime;
    return true;
}

void CLockwardenDoc::OnSaveAs() {
    OnFileSaveAs();
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(GetPathName(), tTime))
        m_tFileTime = tTime;
}

void CLockwardenDoc::OnChangeFilePassword() {
    QString strLabel = QStringLiteral("File:  ") + GetTitle();
    if (strLabel.endsWith(QLatin1Char('*')))
        strLabel[strLabel.size() - 1] = QLatin1Char(' ');
    std::string strEntry = m_app.m_strFilePassword;
    if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK || strEntry == m_app.m_strFilePassword)
        return;
    m_app.m_strFilePassword = TrimWhiteSpace(strEntry);
    SetModifiedFlag(true);
}

bool CLockwardenDoc::OnUpdateChangeFilePassword() const {
    return !m_sites.empty();
}

CSiteInfo* CLockwardenDoc::AddSite(std::unique_ptr<CSiteInfo> pSite) {
    m_sites.push_back(std::move(pSite));
    return m_sites.back().get();
}

void CLockwardenDoc::RemoveSite(CSiteInfo* pSite) {
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [pSite](const auto& p) { return p.get() == pSite; });
    if (it != m_sites.end())
        m_sites.erase(it);
}
