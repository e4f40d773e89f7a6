// The document's key and its lock: sealing, the kinds of file, the key's cost, and Lock and Unlock.
#include "core/database/LockwardenDoc.h"

#include "core/database/PasswordDialogue.h"

#include "core/framework/Archive.h"
#include "core/framework/DocTemplate.h"
#include "core/framework/Prompts.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QFile>
#include <QScopedValueRollback>

#include <cerrno>
#include <unistd.h>
#include <utility>

// ---- sealed files ----

namespace {

QString MiB(std::uint32_t nKiB) {
    return QString::number(static_cast<double>(nKiB) / 1024, 'g', 10);
}

} // namespace

CLockwardenDoc::EFileKind CLockwardenDoc::GetFileKind() const {
    // Locked, the file is what it was, whatever was wiped.
    return m_bLocked ? m_lockedKind : m_key.Kind();
}

void CLockwardenDoc::LoadRecordStream(CArchive& ar,
                                      const std::function<void(CArchive&, const std::string&)>& readRecords) {
    const std::string strBanner = ar.ReadString();
    if (strBanner == SealedFormat::kBanner) {
        // Only an open that proved the password and the tag hands the stream over.
        if (m_pSealedPlain == nullptr)
            throw CArchiveException(CArchiveException::generic);
        // Read where it lies, in its locked memory: no buffer of the archive's ever holds a copy of it.
        CArchive records(reinterpret_cast<const char*>(m_pSealedPlain->data()), m_pSealedPlain->size());
        readRecords(records, std::string());
        return;
    }
    // The check string, which the open check has already tested: the password enciphered with itself.
    std::string strCheck = ar.ReadString();
    WipeString(strCheck);
    std::string strPassword(m_key.Password());
    const CWipeOnExit wipe({&strPassword});
    readRecords(ar, strPassword);
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

bool CLockwardenDoc::OpenSealed(int fd, const QString& strPathName, std::string_view strKnown) {
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
    // As for a classic file, the entry taken as typed.
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    const auto tryEntry = [&](const std::string& strEntry) {
        if (!DeriveSealKey(strEntry, header.cost, &header.salt, pKey))
            return PasswordDialogue::ETry::stop;
        if (pKey->PassesCheck(view, header))
            return PasswordDialogue::ETry::right;
        pKey.reset();
        return PasswordDialogue::ETry::wrong;
    };
    if (!PasswordDialogue::AskUntilRight(m_prompts, PasswordDialogue::Label(FileNameOf(strPathName)), strKnown,
                                         tryEntry))
        return false;
    // The password is right: from here a failing tag can only mean damage.
    CSecureBytes plain;
    if (SealedFormat::Open(*pKey, view, plain) != EResult::ok) {
        ShowSealedRefusal(EResult::damaged, header.cost);
        return false;
    }

    const QScopedValueRollback<bool> loading(m_bLoading, true);
    const QScopedValueRollback<CSecureBytes*> stream(m_pSealedPlain, &plain);
    if (!LoadCheckedFile(fd, strPathName, CFileKey::Sealed(std::move(pKey))))
        return false;
    NoteKindOnDisk(strPathName);
    return true;
}

bool CLockwardenDoc::SetFilePassword(const std::string& strPassword) {
    if (!m_key.IsSealed()) {
        m_key = CFileKey::Classic(strPassword);
        Changed();
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
    m_key = CFileKey::Sealed(std::move(pKey));
    Changed();
    m_bStrengthened = true;
    return true;
}

SealedFormat::CCost CLockwardenDoc::NewKeyCost() const {
    return m_sealCost ? *m_sealCost : SealedFormat::NewKeyCost();
}

void CLockwardenDoc::OnSealFile() {
    SealFile(nullptr);
}

void CLockwardenDoc::OnSealAndSave() {
    if (m_key.IsSealed() || m_bLocked)
        return;
    const bool bWasModified = IsModified();
    const bool bWasStrengthened = m_bStrengthened;
    CFileKey before;
    if (!SealFile(&before) || DoFileSave())
        return;
    // Nothing was written: the document is the file it was.
    m_key = std::move(before);
    m_bStrengthened = bWasStrengthened;
    Changed();
    SetModifiedFlag(bWasModified);
}

bool CLockwardenDoc::SealFile(CFileKey* pBefore) {
    if (m_key.IsSealed())
        return false;
    std::string strPassword;
    const CWipeOnExit wipe({&strPassword});
    // Asked for twice and trimmed as Change File Pswd does it; an empty one is refused, and so is the classic
    // file's own, which any old copy of the file gives away.
    const auto accept = [this](const std::string& strEntry, const std::string& strTrimmed) {
        if (strTrimmed.empty()) {
            m_prompts.MessageBox(LoadString(IDS_SEALED_NEEDS_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
            return false;
        }
        if (m_key.Kind() != EFileKind::noPassword && (m_key.IsPassword(strTrimmed) || m_key.IsPassword(strEntry))) {
            m_prompts.MessageBox(LoadString(IDS_SEAL_NEEDS_NEW_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
            return false;
        }
        return true;
    };
    if (!PasswordDialogue::AskNewPassword(m_prompts, PasswordLabel(), {}, accept, strPassword))
        return false;
    std::unique_ptr<SealedFormat::CSealKey> pKey;
    if (!DeriveSealKey(strPassword, NewKeyCost(), nullptr, pKey))
        return false;
    // The password now lives with the key; the field cipher of a sealed file has none.
    CFileKey before = std::exchange(m_key, CFileKey::Sealed(std::move(pKey)));
    if (pBefore != nullptr)
        *pBefore = std::move(before);
    Changed();
    m_bStrengthened = true;
    SetModifiedFlag(true);
    return true;
}

void CLockwardenDoc::MakeClassic() {
    if (!m_key.IsSealed())
        return;
    m_key = CFileKey::Classic(m_key.Password());
    Changed();
    SetModifiedFlag(true);
}

bool CLockwardenDoc::OnSaveAsClassic() {
    if (!m_key.IsSealed())
        return false;
    if (m_prompts.MessageBox(LoadString(IDS_SAVE_CLASSIC_WARNING), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
        IDYES)
        return false;
    const bool bWasModified = IsModified();
    CFileKey sealed = std::move(m_key);
    m_key = CFileKey::Classic(sealed.Password());
    Changed();
    SetModifiedFlag(true);
    if (DoFileSave())
        return true;
    // Nothing was written: the document is the sealed file it was.
    m_key = std::move(sealed);
    Changed();
    SetModifiedFlag(bWasModified);
    return false;
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
    Q_EMIT aboutToLock(m_bLockKept);
    m_bLocked = true;
    // Kept records keep the key, in its locked memory, for the password typed at Unlock to be checked against.
    if (!m_bLockKept) {
        DeleteContents();
        m_key.Wipe();
        Changed();
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
    Q_EMIT lockChanged();
}

bool CLockwardenDoc::UnlockKept() {
    // As the open takes it: a classic password set on Windows may hold Windows-1252 bytes.
    const auto tryEntry = [this](const std::string& strEntry) {
        return m_key.IsPassword(strEntry) ? PasswordDialogue::ETry::right : PasswordDialogue::ETry::wrong;
    };
    if (!PasswordDialogue::AskUntilRight(m_prompts, PasswordLabel(), {}, tryEntry))
        return false;
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
