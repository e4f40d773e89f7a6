#include "core/database/LockwardenDoc.h"

#include "core/app/AppState.h"
#include "core/database/PasswordDialogue.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/database/SiteName.h"
#include "core/framework/Archive.h"
#include "core/framework/DocTemplate.h"
#include "core/framework/Prompts.h"
#include "core/platform/FileAccess.h"
#include "core/platform/FileWipe.h"
#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <unistd.h>
#include <utility>

QString CLockwardenDoc::PasswordLabel() const {
    return PasswordDialogue::Label(GetTitle(), m_bModified);
}

CLockwardenDoc::CLockwardenDoc(CAppState& app, CPrompts& prompts) : CDocument(prompts), m_app(app) {}

CLockwardenDoc::~CLockwardenDoc() = default;

void CLockwardenDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (const SealedFormat::CSealKey* pSealKey = m_key.SealKey()) {
            // The clear stream is encrypted where it was written, so the archive gets only sealed bytes. Memory
            // that runs out fails the save as a full device would.
            QByteArray sealed;
            try {
                sealed = SealedFormat::SealSites(*pSealKey, m_sites);
            } catch (const std::bad_alloc&) {
                throw CArchiveException(CArchiveException::writeError);
            }
            ar.WriteBytes(sealed.constData(), static_cast<std::size_t>(sealed.size()));
            ar.Flush();
            return;
        }
        std::string strPassword(m_key.Password());
        const CWipeOnExit wipe({&strPassword});
        SiteDatabaseFormat::Write(ar, strPassword, m_sites);
    } else {
        LoadRecordStream(ar, [this](CArchive& records, const std::string& strKey) {
            SiteDatabaseFormat::ReadRecords(records, strKey, m_sites);
        });
    }
}

bool CLockwardenDoc::IsModified() {
    return !(m_bLocked && !m_bLockKept) && CDocument::IsModified();
}

void CLockwardenDoc::SetModifiedFlag(bool bModified) {
    // Dropped records cannot be changed, and a file gone meanwhile leaves nothing to save.
    if (bModified && m_bLocked && !m_bLockKept)
        return;
    CDocument::SetModifiedFlag(bModified);
}

void CLockwardenDoc::DeleteContents() {
    Q_EMIT contentsAboutToBeDeleted();
    m_sites.clear();
    CDocument::DeleteContents();
    Changed();
    Q_EMIT sitesChanged();
}

bool CLockwardenDoc::OnNewDocument() {
    m_key.Wipe();
    Changed();
    m_bStrengthened = false;
    m_savedKind = EFileKind::noPassword;
    EndLock();
    return CDocument::OnNewDocument();
}

void CLockwardenDoc::TryPasswordFirst(std::string_view strPassword) {
    m_tryFirst = strPassword.empty() ? CSecureBytes() : CSecureBytes(strPassword.data(), strPassword.size());
}

bool CLockwardenDoc::OnOpenDocument(const QString& strPathName) {
    // Tried by this open only, whatever becomes of it.
    const CSecureBytes known = std::exchange(m_tryFirst, CSecureBytes());
    // Others may read the file while we look at it; a writer asking for the lock is kept out. The load
    // reads this same descriptor, so the records are those of the file whose password passed, even when
    // another program puts a new file at the path while the user types.
    FileAccess::CSharedReadLock lock;
    if (!lock.Open(strPathName)) {
        m_prompts.MessageBox(FileErrorText(strPathName, lock.Error()), MB_ICONSTOP | MB_OK);
        return false;
    }
    std::string strPassword;
    const CWipeOnExit wipe({&strPassword});
    {
        // Unbuffered, so the archive's own buffer is the only read-ahead.
        QFile file;
        file.open(lock.Handle(), QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
        CArchive ar(&file, CArchive::load, kOpenCheckBufferSize);
        // An archive exception here (the file ends inside these two strings) goes to the template.
        const std::string strBanner = ar.ReadString();
        if (strBanner == SealedFormat::kBanner)
            return OpenSealed(lock.Handle(), strPathName, known.view());
        if (strBanner != SiteDatabaseFormat::kBanner) {
            m_prompts.MessageBox(LoadString(IDS_NOT_LOCKWARDEN_FILE), MB_ICONEXCLAMATION | MB_OK);
            return false;
        }
        std::string strCheck = ar.ReadString();
        const CWipeOnExit wipeCheck({&strCheck});
        if (!AcceptKind(strPathName, strCheck.empty() ? EFileKind::noPassword : EFileKind::classic))
            return false;
        if (!strCheck.empty()) {
            // The entry is taken as typed; a password set on Windows may hold Windows-1252 bytes, which the
            // prompt gives as UTF-8.
            const auto tryEntry = [&](const std::string& strEntry) {
                std::string strWindows;
                const CWipeOnExit wipeWindows({&strWindows});
                if (SiteDatabaseFormat::IsPasswordRight(strEntry, strCheck))
                    AssignSecret(strPassword, strEntry);
                else if (ToWindows1252(strEntry, strWindows) && strWindows != strEntry &&
                         SiteDatabaseFormat::IsPasswordRight(strWindows, strCheck))
                    AssignSecret(strPassword, strWindows);
                else
                    return PasswordDialogue::ETry::wrong;
                return PasswordDialogue::ETry::right;
            };
            if (!PasswordDialogue::AskUntilRight(m_prompts, PasswordDialogue::Label(FileNameOf(strPathName)),
                                                 known.view(), tryEntry))
                return false;
        }
    }
    // From here until the open ends the document is not whole: nothing may save it.
    const QScopedValueRollback<bool> loading(m_bLoading, true);
    if (!LoadCheckedFile(lock.Handle(), strPathName, CFileKey::Classic(strPassword)))
        return false;
    NoteKindOnDisk(strPathName);
    return true;
}

void CLockwardenDoc::NoteKindOnDisk(const QString& strPathName) {
    m_bStrengthened = false;
    m_savedKind = GetFileKind();
    m_app.NoteFileKind(strPathName, static_cast<int>(GetFileKind()));
}

void CLockwardenDoc::ExpectFileKind(const QString& strPathName, EFileKind kind) {
    m_app.NoteFileKind(strPathName, static_cast<int>(kind));
}

QString CLockwardenDoc::KindText(EFileKind kind) {
    switch (kind) {
    case EFileKind::sealed:
        return LoadString(IDS_WEAKER_SEALED);
    case EFileKind::classic:
        return LoadString(IDS_WEAKER_CLASSIC);
    case EFileKind::noPassword:
        break;
    }
    return LoadString(IDS_WEAKER_NO_PASSWORD);
}

bool CLockwardenDoc::AcceptKind(const QString& strPathName, EFileKind kind) {
    const int nKnown = m_app.KnownFileKind(strPathName);
    if (nKnown <= static_cast<int>(kind))
        return true;
    // Whoever put a weaker file in its place may be waiting for the sites to be saved into it.
    return m_prompts.MessageBox(
               LoadString(IDS_FILE_WEAKER)
                   .arg(FileNameOf(strPathName), KindText(static_cast<EFileKind>(nKnown)), KindText(kind)),
               MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

bool CLockwardenDoc::LoadCheckedFile(int fd, const QString& strPathName, CFileKey key) {
    QFile file;
    const int nSeekError = ::lseek(fd, 0, SEEK_SET) != 0 ? errno : 0;
    if (nSeekError != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        m_prompts.MessageBox(nSeekError != 0 ? FileErrorText(strPathName, nSeekError)
                                             : FileErrorText(strPathName, file.errorString()),
                             MB_ICONSTOP | MB_OK);
        return false;
    }
    // The file's key reads it; the previous one waits in key until the load is through.
    std::swap(m_key, key);
    const bool bLoaded = LoadDocument(file, strPathName);
    Changed();
    Q_EMIT sitesChanged();
    if (!bLoaded) {
        // A load that could not even start (the file could not be read) left the previous records in
        // place; they keep their own key. After damage the template starts anew anyway.
        if (!IsModified())
            std::swap(m_key, key);
        return false;
    }
    // The file that was read, which a later save compares with the one at the path.
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(fd, tTime))
        m_tFileTime = tTime;
    m_fileStamp = FileAccess::GetFileStamp(fd);
    // The file read is the one shown now: a lock it replaced (or ended, when it was read again) is over.
    EndLock();
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
    // Dropped records must never be written as an empty file.
    if (IsLoading() || (m_bLocked && !m_bLockKept))
        return false;
    // After a merge the disk is asked about again: another change may have come in meanwhile.
    while (IsChangedOnDisk(strPathName)) {
        if (m_prompts.MessageBox(LoadString(IDS_FILE_CHANGED_ON_DISK), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
            IDYES)
            break;
        const FileAccess::CFileStamp stamp = m_fileStamp;
        const std::int32_t tTime = m_tFileTime;
        Q_EMIT saveFoundChangeOnDisk(strPathName);
        if (m_fileStamp == stamp && m_tFileTime == tTime)
            return false;
    }
    // Measured before the save: afterwards the other names of the file are all that holds the old version.
    const bool bWasThere = QFileInfo::exists(strPathName) || QFileInfo::exists(FileAccess::BackupPathOf(strPathName));
    const int nOtherNames = FileWipe::OtherNames(strPathName, FileAccess::BackupPathOf(strPathName));
    const bool bStronger = m_bStrengthened;
    if (!CDocument::OnSaveDocument(strPathName))
        return false;
    NoteFileOnDisk(strPathName);
    if (bStronger && bWasThere)
        m_prompts.MessageBox(WipeWeakerBackup(strPathName, nOtherNames), MB_ICONINFORMATION | MB_OK);
    NoteKindOnDisk(strPathName);
    return true;
}

QString CLockwardenDoc::WipeWeakerBackup(const QString& strPathName, int nOtherNames) {
    const QString strBackup = FileAccess::BackupPathOf(strPathName);
    const QString strBackupName = FileNameOf(strBackup);
    QString strDone;
    int nBackupNames = 0;
    int nErr = 0;
    switch (FileWipe::WipeAndRemove(strBackup, nBackupNames, nErr)) {
    case FileWipe::EResult::absent:
        break;
    case FileWipe::EResult::wiped:
        strDone = LoadString(IDS_BACKUP_WIPED).arg(strBackupName);
        break;
    case FileWipe::EResult::unlinked:
        strDone = LoadString(IDS_BACKUP_UNLINKED).arg(strBackupName).arg(nBackupNames);
        break;
    case FileWipe::EResult::failed:
        strDone = LoadString(IDS_BACKUP_NOT_WIPED).arg(strBackupName, GetLastErrorText(nErr));
        break;
    }
    if (nOtherNames > 0)
        strDone += LoadString(IDS_OTHER_NAMES).arg(nOtherNames);
    return LoadString(IDS_STRONGER_SAVED).arg(FileNameOf(strPathName), strDone);
}

bool CLockwardenDoc::SaveUnattended(QString& strError) {
    const QString strPathName = GetPathName();
    if (IsLoading() || (m_bLocked && !m_bLockKept) || strPathName.isEmpty())
        return false;
    QByteArray bytes;
    const CWipeBytesOnExit wipe(bytes);
    if (!SerializeForSave(bytes, strError) ||
        !FileAccess::SaveFileAtomically(strPathName, std::string_view(bytes.constData(), bytes.size()), strError,
                                        KeepsBackupOnSave()))
        return false;
    if (m_bStrengthened)
        WipeWeakerBackup(strPathName, 0);
    CDocument::SetModifiedFlag(false);
    NoteFileOnDisk(strPathName);
    NoteKindOnDisk(strPathName);
    return true;
}

bool CLockwardenDoc::WriteCopy(const QString& strPath, QString& strError) {
    QByteArray bytes;
    const CWipeBytesOnExit wipe(bytes);
    return SerializeForSave(bytes, strError) &&
           FileAccess::WriteSecretFile(strPath, std::string_view(bytes.constData(), bytes.size()), false, strError);
}

bool CLockwardenDoc::KeepsBackupOnSave() const {
    return m_app.m_bBackupOnSave != 0 && !m_bStrengthened;
}

void CLockwardenDoc::TakeFileFrom(CLockwardenDoc& reading) {
    Q_EMIT contentsAboutToBeDeleted();
    m_sites = std::move(reading.m_sites);
    reading.m_sites.clear();
    m_key = std::move(reading.m_key);
    m_tFileTime = reading.m_tFileTime;
    m_fileStamp = reading.m_fileStamp;
    m_bStrengthened = false;
    m_savedKind = reading.m_savedKind;
    SetModifiedFlag(false);
    Changed();
    Q_EMIT sitesChanged();
}

void CLockwardenDoc::AdoptFileStampOf(const CLockwardenDoc& reading) {
    m_tFileTime = reading.m_tFileTime;
    m_fileStamp = reading.m_fileStamp;
}

void CLockwardenDoc::OnSaveAs() {
    OnFileSaveAs();
    NoteFileOnDisk(GetPathName());
}

void CLockwardenDoc::OnChangeFilePassword() {
    std::string strPassword;
    const CWipeOnExit wipe({&strPassword});
    // The field starts with the password; left as it was, nothing changes.
    const auto isNew = [this](const std::string& strEntry, const std::string&) {
        return strEntry != GetFilePassword();
    };
    if (!PasswordDialogue::AskNewPassword(m_prompts, PasswordLabel(), GetFilePassword(), isNew, strPassword) ||
        !SetFilePassword(strPassword))
        return;
    SetModifiedFlag(true);
}

bool CLockwardenDoc::OnUpdateChangeFilePassword() const {
    return !m_sites.empty() && !m_bLocked;
}

int CLockwardenDoc::IndexOf(const CSiteInfo* pSite) const {
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [pSite](const auto& p) { return p.get() == pSite; });
    return it == m_sites.end() ? -1 : static_cast<int>(it - m_sites.begin());
}

CSiteInfo* CLockwardenDoc::AddSite(std::unique_ptr<CSiteInfo> pSite) {
    if (!pSite || SiteNameFault(pSite->m_strSite) != ESiteNameFault::none)
        return nullptr;
    return AddReadSite(std::move(pSite));
}

CSiteInfo* CLockwardenDoc::AddReadSite(std::unique_ptr<CSiteInfo> pSite) {
    if (!pSite)
        return nullptr;
    CSiteInfo* pAdded = m_sites.emplace_back(std::move(pSite)).get();
    SetModifiedFlag(true);
    Q_EMIT siteAdded(pAdded);
    Changed();
    Q_EMIT sitesChanged();
    return pAdded;
}

CSiteInfo* CLockwardenDoc::ReplaceSite(CSiteInfo* pOld, std::unique_ptr<CSiteInfo> pNew) {
    const int nOld = IndexOf(pOld);
    if (nOld < 0)
        return AddSite(std::move(pNew));
    if (!pNew || (pNew->m_strSite != pOld->m_strSite && SiteNameFault(pNew->m_strSite) != ESiteNameFault::none))
        return nullptr;
    CSiteInfo* pAdded = m_sites.emplace_back(std::move(pNew)).get();
    SetModifiedFlag(true);
    Q_EMIT siteReplaced(pOld, pAdded);
    m_sites.erase(m_sites.begin() + nOld);
    Changed();
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
    Changed();
    Q_EMIT sitesChanged();
}
