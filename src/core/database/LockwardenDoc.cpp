#include "core/database/LockwardenDoc.h"

#include "core/app/AppState.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/framework/Prompts.h"
#include "core/platform/FileAccess.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QFile>
#include <QScopedValueRollback>

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <unistd.h>

CLockwardenDoc::CLockwardenDoc(CAppState& app, CPrompts& prompts) : CDocument(prompts), m_app(app) {}

CLockwardenDoc::~CLockwardenDoc() = default;

void CLockwardenDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (m_pSealKey) {
            // The clear stream is encrypted where it was written, so the archive gets only sealed bytes. Memory
            // that runs out fails the save as a full device would.
            QByteArray sealed;
            try {
                sealed = SealedFormat::SealSites(*m_pSealKey, m_sites);
            } catch (const std::bad_alloc&) {
                throw CArchiveException(CArchiveException::writeError);
            }
            ar.WriteBytes(sealed.constData(), static_cast<std::size_t>(sealed.size()));
            ar.Flush();
            return;
        }
        SiteDatabaseFormat::Write(ar, m_app.m_strFilePassword, m_sites);
    } else {
        LoadRecordStream(ar, [this](CArchive& records, const std::string& strKey) {
            SiteDatabaseFormat::ReadRecords(records, strKey, m_sites);
        });
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
    if (m_onDeleteContents)
        m_onDeleteContents();
    m_sites.clear();
    CDocument::DeleteContents();
}

bool CLockwardenDoc::OnNewDocument() {
    m_app.m_strFilePassword.clear();
    m_pSealKey.reset();
    return CDocument::OnNewDocument();
}

bool CLockwardenDoc::OnOpenDocument(const QString& strPathName) {
    const std::string strPrevious = m_app.m_strFilePassword;
    // Others may read the file while we look at it; a writer asking for the lock is kept out. The load
    // reads this same descriptor, so the records are those of the file whose password passed, even when
    // another program puts a new file at the path while the user types.
    FileAccess::CSharedReadLock lock;
    if (!lock.Open(strPathName)) {
        m_prompts.MessageBox(FileErrorText(strPathName, errno), MB_ICONSTOP | MB_OK);
        return false;
    }
    std::string strPassword;
    {
        // Unbuffered, so the archive's own buffer is the only read-ahead.
        QFile file;
        file.open(lock.Handle(), QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
        CArchive ar(&file, CArchive::load, kOpenCheckBufferSize);
        // An archive exception here (the file ends inside these two strings) goes to the template.
        const std::string strBanner = ar.ReadString();
        if (strBanner == SealedFormat::kBanner)
            return OpenSealed(lock.Handle(), strPathName);
        if (strBanner != SiteDatabaseFormat::kBanner) {
            m_prompts.MessageBox(LoadString(IDS_NOT_LOCKWARDEN_FILE), MB_ICONEXCLAMATION | MB_OK);
            return false;
        }
        const std::string strCheck = ar.ReadString();
        if (!strCheck.empty()) {
            const QString strLabel = QStringLiteral("File:  ") + FileNameOf(strPathName);
            // One prompt for all tries, so each shows the entry before it; the entry is taken as typed.
            std::string strEntry;
            for (;;) {
                if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK)
                    return false;
                if (SiteDatabaseFormat::IsPasswordRight(strEntry, strCheck)) {
                    strPassword = strEntry;
                    break;
                }
                // A password set on Windows may hold Windows-1252 bytes, which the prompt gives as UTF-8.
                std::string strWindows;
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
    m_app.m_strFilePassword = strPassword;
    QFile file;
    if (::lseek(lock.Handle(), 0, SEEK_SET) != 0 ||
        !file.open(lock.Handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        m_prompts.MessageBox(FileErrorText(strPathName, errno), MB_ICONSTOP | MB_OK);
        m_app.m_strFilePassword = strPrevious;
        return false;
    }
    if (!LoadDocument(file, strPathName)) {
        // A load that could not even start (the file could not be read) left the previous records in
        // place; they keep their own password. After damage the template starts anew anyway.
        if (!IsModified())
            m_app.m_strFilePassword = strPrevious;
        return false;
    }
    m_pSealKey.reset();
    // The time of the file that was read, which a later save compares with the one at the path.
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(lock.Handle(), tTime))
        m_tFileTime = tTime;
    return true;
}

bool CLockwardenDoc::OnSaveDocument(const QString& strPathName) {
    if (IsLoading())
        return false;
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
    std::string strEntry(GetFilePassword());
    if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK || strEntry == GetFilePassword())
        return;
    // A mistyped new password would lock its owner out of every site: it is asked for twice.
    std::string strAgain;
    if (m_prompts.ConfirmFilePasswordPrompt(strAgain, strLabel) != IDOK)
        return;
    if (strAgain != strEntry) {
        m_prompts.MessageBox(LoadString(IDS_PASSWORDS_DIFFER), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const std::string strTrimmed = TrimWhiteSpace(strEntry);
    // The open takes the password exactly as typed, so the user hears of the blanks before they go.
    if (strTrimmed != strEntry &&
        m_prompts.MessageBox(LoadString(IDS_PASSWORD_TRIMMED), MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return;
    if (!SetFilePassword(strTrimmed))
        return;
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

// ---- sealed files ----

namespace {

void Wipe(std::string& str) {
    sodium_memzero(str.data(), str.size());
    str.clear();
}

// The password prompt's label for the open document: its title, the modified marker blanked out.
QString PasswordLabel(const QString& strTitle) {
    QString strLabel = QStringLiteral("File:  ") + strTitle;
    if (strLabel.endsWith(QLatin1Char('*')))
        strLabel[strLabel.size() - 1] = QLatin1Char(' ');
    return strLabel;
}

// A file without a password is sealed under a new one, asked for twice and trimmed the way Change File
// Pswd trims it; an empty one is refused.
bool AskSealPassword(CPrompts& prompts, const QString& strLabel, std::string& strPassword) {
    std::string strEntry, strAgain;
    bool bOk = false;
    if (prompts.FilePasswordPrompt(strEntry, strLabel) == IDOK) {
        std::string strTrimmed = TrimWhiteSpace(strEntry);
        if (strTrimmed.empty())
            prompts.MessageBox(LoadString(IDS_SEALED_NEEDS_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        else if (prompts.ConfirmFilePasswordPrompt(strAgain, strLabel) != IDOK)
            ;
        else if (strAgain != strEntry)
            prompts.MessageBox(LoadString(IDS_PASSWORDS_DIFFER), MB_ICONEXCLAMATION | MB_OK);
        else if (strTrimmed == strEntry ||
                 prompts.MessageBox(LoadString(IDS_PASSWORD_TRIMMED), MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) {
            strPassword = strTrimmed;
            bOk = true;
        }
        Wipe(strTrimmed);
    }
    Wipe(strEntry);
    Wipe(strAgain);
    return bOk;
}

QString MiB(std::uint32_t nKiB) {
    return QString::number(static_cast<double>(nKiB) / 1024, 'g', 10);
}

} // namespace

CLockwardenDoc::EFileKind CLockwardenDoc::GetFileKind() const {
    if (m_pSealKey)
        return EFileKind::sealed;
    return m_app.m_strFilePassword.empty() ? EFileKind::noPassword : EFileKind::classic;
}

std::string_view CLockwardenDoc::GetFilePassword() const {
    return m_pSealKey ? m_pSealKey->Password() : std::string_view(m_app.m_strFilePassword);
}

void CLockwardenDoc::LoadRecordStream(CArchive& ar,
                                      const std::function<void(CArchive&, const std::string&)>& readRecords) {
    const std::string strBanner = ar.ReadString();
    if (strBanner == SealedFormat::kBanner) {
        // Only an open that proved the password and the tag hands the stream over.
        if (m_pSealedPlain == nullptr)
            throw CArchiveException(CArchiveException::generic);
        // Unbuffered, and read in large pieces: the stream is in memory already.
        CSecureDevice device(*m_pSealedPlain);
        device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        CArchive records(&device, CArchive::load, 1 << 16);
        readRecords(records, std::string());
        return;
    }
    ar.ReadString(); // the check string, which the open check has already tested
    readRecords(ar, m_app.m_strFilePassword);
}

void CLockwardenDoc::ShowSealedRefusal(SealedFormat::EResult result, const SealedFormat::CCost& cost) {
    using SealedFormat::EResult;
    switch (result) {
    case EResult::ok:
        return;
    case EResult::wrongPassword:
        m_prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        return;
    case EResult::newerVersion:
        m_prompts.MessageBox(LoadString(IDS_SEALED_NEWER), MB_ICONEXCLAMATION | MB_OK);
        return;
    case EResult::costRefused:
        m_prompts.MessageBox(LoadString(IDS_SEALED_COST_REFUSED)
                                 .arg(cost.nOps)
                                 .arg(MiB(cost.nMemKiB))
                                 .arg(SealedFormat::kMinCost.nOps)
                                 .arg(SealedFormat::kMaxCost.nOps)
                                 .arg(MiB(SealedFormat::kMinCost.nMemKiB))
                                 .arg(MiB(SealedFormat::kMaxCost.nMemKiB)),
                             MB_ICONEXCLAMATION | MB_OK);
        return;
    case EResult::outOfMemory:
        m_prompts.MessageBox(LoadString(IDS_SEALED_NO_MEMORY).arg(MiB(cost.nMemKiB)), MB_ICONSTOP | MB_OK);
        return;
    case EResult::notSealed:
    case EResult::damaged:
        break;
    }
    m_prompts.MessageBox(LoadString(IDS_SEALED_DAMAGED), MB_ICONEXCLAMATION | MB_OK);
}

bool CLockwardenDoc::DeriveSealKey(std::string_view strPassword, const SealedFormat::CCost& cost,
                                   const std::array<unsigned char, SealedFormat::kSaltSize>* pSalt,
                                   std::unique_ptr<SealedFormat::CSealKey>& pKey) {
    m_prompts.BeginWaitCursor();
    const SealedFormat::EResult result = pSalt ? SealedFormat::CSealKey::Derive(strPassword, cost, *pSalt, pKey)
                                               : SealedFormat::CSealKey::Derive(strPassword, cost, pKey);
    m_prompts.EndWaitCursor();
    ShowSealedRefusal(result, cost);
    return result == SealedFormat::EResult::ok;
}

bool CLockwardenDoc::OpenSealed(int fd, const QString& strPathName) {
    using SealedFormat::EResult;
    QByteArray bytes;
    {
        QFile file;
        if (::lseek(fd, 0, SEEK_SET) != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            m_prompts.MessageBox(FileErrorText(strPathName, errno), MB_ICONSTOP | MB_OK);
            return false;
        }
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            m_prompts.MessageBox(FileErrorText(strPathName, errno == 0 ? EIO : errno), MB_ICONSTOP | MB_OK);
            return false;
        }
    }
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    // Damage, a newer format and a refused cost are all told before the password is asked for, so a
    // hostile header never gets its memory.
    SealedFormat::CHeader header;
    const EResult headerResult = SealedFormat::ReadHeader(view, header);
    if (headerResult != EResult::ok) {
        ShowSealedRefusal(headerResult, header.cost);
        return false;
    }
    const QString strLabel = QStringLiteral("File:  ") + FileNameOf(strPathName);
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    {
        // As for a classic file: one prompt for all tries, the entry taken as typed.
        std::string strEntry;
        for (;;) {
            if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK) {
                Wipe(strEntry);
                return false;
            }
            if (!DeriveSealKey(strEntry, header.cost, &header.salt, pKey)) {
                Wipe(strEntry);
                return false;
            }
            if (pKey->PassesCheck(view, header))
                break;
            pKey.reset();
            m_prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        }
        Wipe(strEntry);
    }
    // The password is right: from here a failing tag can only mean damage.
    CSecureBytes plain;
    if (SealedFormat::Open(*pKey, view, plain) != EResult::ok) {
        ShowSealedRefusal(EResult::damaged, header.cost);
        return false;
    }

    const QScopedValueRollback<bool> loading(m_bLoading, true);
    const QScopedValueRollback<CSecureBytes*> stream(m_pSealedPlain, &plain);
    const std::string strPrevious = m_app.m_strFilePassword;
    QFile file;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        m_prompts.MessageBox(FileErrorText(strPathName, errno), MB_ICONSTOP | MB_OK);
        return false;
    }
    // The fields of a sealed file are not enciphered: the field cipher's key is empty.
    m_app.m_strFilePassword.clear();
    if (!LoadDocument(file, strPathName)) {
        if (!IsModified())
            m_app.m_strFilePassword = strPrevious;
        return false;
    }
    m_pSealKey = std::move(pKey);
    std::int32_t tTime = 0;
    if (FileAccess::GetFileTime(fd, tTime))
        m_tFileTime = tTime;
    return true;
}

bool CLockwardenDoc::SetFilePassword(const std::string& strPassword) {
    if (!m_pSealKey) {
        m_app.m_strFilePassword = strPassword;
        return true;
    }
    if (strPassword.empty()) {
        m_prompts.MessageBox(LoadString(IDS_SEALED_NEEDS_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    // A new password takes a new salt, so nothing of the old key survives in the file.
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    if (!DeriveSealKey(strPassword, m_sealCost, nullptr, pKey))
        return false;
    m_pSealKey = std::move(pKey);
    return true;
}

void CLockwardenDoc::OnSealFile() {
    if (m_pSealKey)
        return;
    std::string strPassword = m_app.m_strFilePassword;
    if (strPassword.empty() && !AskSealPassword(m_prompts, PasswordLabel(GetTitle()), strPassword))
        return;
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    const bool bDerived = DeriveSealKey(strPassword, m_sealCost, nullptr, pKey);
    Wipe(strPassword);
    if (!bDerived)
        return;
    m_pSealKey = std::move(pKey);
    // The password now lives with the key; the field cipher of a sealed file has none.
    Wipe(m_app.m_strFilePassword);
    SetModifiedFlag(true);
}

void CLockwardenDoc::MakeClassic() {
    if (!m_pSealKey)
        return;
    m_app.m_strFilePassword = std::string(m_pSealKey->Password());
    m_pSealKey.reset();
    SetModifiedFlag(true);
}

void CLockwardenDoc::OnSaveAsClassic() {
    if (!m_pSealKey)
        return;
    if (m_prompts.MessageBox(LoadString(IDS_SAVE_CLASSIC_WARNING), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
        IDYES)
        return;
    const bool bWasModified = IsModified();
    std::unique_ptr<SealedFormat::CSealKey> pKey = std::move(m_pSealKey);
    m_app.m_strFilePassword = std::string(pKey->Password());
    SetModifiedFlag(true);
    if (DoFileSave())
        return;
    // Nothing was written: the document is the sealed file it was.
    Wipe(m_app.m_strFilePassword);
    m_pSealKey = std::move(pKey);
    SetModifiedFlag(bWasModified);
}
