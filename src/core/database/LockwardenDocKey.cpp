// The document's key and its lock: sealing, the kinds of file, the key's cost, and Lock and Unlock.
#include "core/database/LockwardenDoc.h"

#include "core/app/AppState.h"
#include "core/framework/Archive.h"
#include "core/framework/DocTemplate.h"
#include "core/framework/Prompts.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QFile>
#include <QScopedValueRollback>

#include <sodium.h>

#include <cerrno>
#include <unistd.h>

// ---- sealed files ----

namespace {

// Whether strEntry is the password strKept, as typed or (bClassic: a classic password set on Windows may hold
// Windows-1252 bytes, which the prompt gives as UTF-8) in Windows-1252.
bool IsSamePassword(const std::string& strEntry, std::string_view kept, bool bClassic) {
    const auto same = [&kept](std::string_view entry) {
        return entry.size() == kept.size() &&
               (kept.empty() || sodium_memcmp(entry.data(), kept.data(), kept.size()) == 0);
    };
    if (same(strEntry))
        return true;
    if (!bClassic)
        return false;
    std::string strWindows;
    const CWipeOnExit wipe({&strWindows});
    return ToWindows1252(strEntry, strWindows) && strWindows != strEntry && same(strWindows);
}

// A sealed file takes a new password, asked for twice and trimmed the way Change File Pswd trims it; an
// empty one is refused, and so is strRefused (the classic file's own, which any old copy gives away).
bool AskSealPassword(CPrompts& prompts, const QString& strLabel, std::string_view strRefused,
                     std::string& strPassword) {
    std::string strEntry, strAgain;
    bool bOk = false;
    if (prompts.FilePasswordPrompt(strEntry, strLabel) == IDOK) {
        std::string strTrimmed = TrimWhiteSpace(strEntry);
        if (strTrimmed.empty())
            prompts.MessageBox(LoadString(IDS_SEALED_NEEDS_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        else if (!strRefused.empty() &&
                 (IsSamePassword(strTrimmed, strRefused, true) || IsSamePassword(strEntry, strRefused, true)))
            prompts.MessageBox(LoadString(IDS_SEAL_NEEDS_NEW_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        else if (prompts.ConfirmFilePasswordPrompt(strAgain, strLabel) != IDOK)
            ;
        else if (strAgain != strEntry)
            prompts.MessageBox(LoadString(IDS_PASSWORDS_DIFFER), MB_ICONEXCLAMATION | MB_OK);
        else if (strTrimmed == strEntry ||
                 prompts.MessageBox(LoadString(IDS_PASSWORD_TRIMMED), MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) {
            strPassword = strTrimmed;
            bOk = true;
        }
        WipeString(strTrimmed);
    }
    WipeString(strEntry);
    WipeString(strAgain);
    return bOk;
}

QString MiB(std::uint32_t nKiB) {
    return QString::number(static_cast<double>(nKiB) / 1024, 'g', 10);
}

} // namespace

CLockwardenDoc::EFileKind CLockwardenDoc::GetFileKind() const {
    // Locked, the file is what it was, whatever was wiped.
    if (m_bLocked)
        return m_lockedKind;
    if (m_pSealKey)
        return EFileKind::sealed;
    return m_app.m_strFilePassword.empty() ? EFileKind::noPassword : EFileKind::classic;
}

std::string_view CLockwardenDoc::GetFilePassword() const {
    if (m_bLocked && !m_pSealKey)
        return m_lockedPassword.view();
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
    // The check string, which the open check has already tested: the password enciphered with itself.
    std::string strCheck = ar.ReadString();
    WipeString(strCheck);
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
        const CWipeOnExit wipeEntry({&strEntry});
        for (;;) {
            if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK ||
                !DeriveSealKey(strEntry, header.cost, &header.salt, pKey))
                return false;
            if (pKey->PassesCheck(view, header))
                break;
            pKey.reset();
            m_prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        }
    }
    // The password is right: from here a failing tag can only mean damage.
    CSecureBytes plain;
    if (SealedFormat::Open(*pKey, view, plain) != EResult::ok) {
        ShowSealedRefusal(EResult::damaged, header.cost);
        return false;
    }

    const QScopedValueRollback<bool> loading(m_bLoading, true);
    const QScopedValueRollback<CSecureBytes*> stream(m_pSealedPlain, &plain);
    std::string strPrevious = m_app.m_strFilePassword;
    const CWipeOnExit wipe({&strPrevious});
    // The fields of a sealed file are not enciphered: the field cipher's key is empty.
    if (!LoadCheckedFile(fd, strPathName, std::string(), strPrevious))
        return false;
    m_pSealKey = std::move(pKey);
    NoteKindOnDisk(strPathName);
    return true;
}

bool CLockwardenDoc::SetFilePassword(const std::string& strPassword) {
    if (!m_pSealKey) {
        AssignSecret(m_app.m_strFilePassword, strPassword);
        // A first or a new password: the backup under the old one is weaker than the file now.
        m_bStrengthened = m_bStrengthened || !strPassword.empty();
        return true;
    }
    if (strPassword.empty()) {
        m_prompts.MessageBox(LoadString(IDS_SEALED_NEEDS_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    // A new password takes a new salt, so nothing of the old key survives in the file.
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    if (!DeriveSealKey(strPassword, NewKeyCost(), nullptr, pKey))
        return false;
    m_pSealKey = std::move(pKey);
    m_bStrengthened = true;
    return true;
}

SealedFormat::CCost CLockwardenDoc::NewKeyCost() const {
    return m_sealCost ? *m_sealCost : SealedFormat::NewKeyCost();
}

void CLockwardenDoc::OnSealFile() {
    if (m_pSealKey)
        return;
    std::string strPassword;
    const CWipeOnExit wipe({&strPassword});
    if (!AskSealPassword(m_prompts, PasswordLabel(GetTitle()), m_app.m_strFilePassword, strPassword))
        return;
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    if (!DeriveSealKey(strPassword, NewKeyCost(), nullptr, pKey))
        return;
    m_pSealKey = std::move(pKey);
    // The password now lives with the key; the field cipher of a sealed file has none.
    WipeString(m_app.m_strFilePassword);
    m_bStrengthened = true;
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
    WipeString(m_app.m_strFilePassword);
    m_pSealKey = std::move(pKey);
    SetModifiedFlag(bWasModified);
}

// ---- the lock ----

bool CLockwardenDoc::CanLock() const {
    return !m_bLocked && !m_bLoading && GetFileKind() != EFileKind::noPassword;
}

void CLockwardenDoc::Lock(bool bKeep) {
    if (!CanLock())
        return;
    m_lockedKind = GetFileKind();
    // Unsaved records, or records that were never saved anywhere, cannot be read again: they stay.
    m_bLockKept = bKeep || IsModified() || GetPathName().isEmpty();
    m_bLocked = true;
    if (m_bLockKept) {
        if (!m_pSealKey) {
            m_lockedPassword = CSecureBytes(m_app.m_strFilePassword.data(), m_app.m_strFilePassword.size());
            WipeString(m_app.m_strFilePassword);
        }
    } else {
        DeleteContents();
        WipeString(m_app.m_strFilePassword);
        m_pSealKey.reset();
    }
    Q_EMIT lockChanged();
}

bool CLockwardenDoc::Unlock() {
    if (!m_bLocked)
        return true;
    return m_bLockKept ? UnlockKept() : ReopenLocked();
}

void CLockwardenDoc::EndLock() {
    if (!m_bLocked)
        return;
    m_bLocked = false;
    m_bLockKept = false;
    m_lockedPassword = CSecureBytes();
    Q_EMIT lockChanged();
}

bool CLockwardenDoc::IsKeptPassword(const std::string& strEntry) const {
    // As the open takes it: a classic password set on Windows may hold Windows-1252 bytes.
    return m_pSealKey ? IsSamePassword(strEntry, m_pSealKey->Password(), false)
                      : IsSamePassword(strEntry, m_lockedPassword.view(), true);
}

bool CLockwardenDoc::UnlockKept() {
    const QString strLabel = PasswordLabel(GetTitle());
    // As at the open: one prompt for all tries, so each shows the entry before it.
    std::string strEntry;
    const CWipeOnExit wipe({&strEntry});
    for (;;) {
        if (m_prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK)
            return false;
        if (IsKeptPassword(strEntry))
            break;
        m_prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
    }
    if (!m_pSealKey)
        m_app.m_strFilePassword.assign(m_lockedPassword.view());
    EndLock();
    return true;
}

bool CLockwardenDoc::ReopenLocked() {
    bool bOpened = false;
    try {
        bOpened = OnOpenDocument(GetPathName());
    } catch (const CArchiveException& e) {
        TellOpenCheckFailure(m_prompts, e);
    }
    // A successful load ended the lock. A failed one leaves it locked with nothing to show, unmodified.
    if (!bOpened && IsModified())
        SetModifiedFlag(false);
    return bOpened;
}
