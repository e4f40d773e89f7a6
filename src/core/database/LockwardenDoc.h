#pragma once

#include "core/database/FileKey.h"
#include "core/database/SealedFormat.h"
#include "core/database/SiteInfo.h"
#include "core/framework/Document.h"
#include "core/platform/FileAccess.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class CAppState;

// The document: owns the records of the open database in insertion order and the one key of its file
// (CFileKey, in locked memory), decides when the file password is asked for, refuses to overwrite a file
// changed on disk without consent, and shows the modified state in its title.
// It is the one owner of the sites: every change goes through AddSite, ReplaceSite or RemoveSite, which
// mark the document modified and announce the change, so the list, the frame and any report follow it
// whoever made the change (the form, the companion, a load).
class CLockwardenDoc : public CDocument {
    Q_OBJECT
public:
    // The open check reads the banner and the check string through a buffer of this size.
    static constexpr int kOpenCheckBufferSize = 4096;

    CLockwardenDoc(CAppState& app, CPrompts& prompts);
    ~CLockwardenDoc() override;

    void Serialize(CArchive& ar) override;
    // A locked document whose records were dropped holds nothing unsaved, whatever happens to its file.
    bool IsModified() override;
    void SetModifiedFlag(bool bModified = true) override;
    void DeleteContents() override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& strPathName) override;
    bool OnSaveDocument(const QString& strPathName) override;
    // The setting bBackupOnSave; sealed and classic files alike. Never for a save that makes the file
    // stronger: the version it replaces is the weaker one.
    bool KeepsBackupOnSave() const override;

    // Since the file was last read or written, its protection grew (a first password, a new password,
    // sealing): the next save to it removes the weaker backup, overwritten with zeros, and says what this
    // program cannot reach.
    bool IsStrengthening() const { return m_bStrengthened; }
    // The session ends and no one can be asked: saves to the path without a question or a message (a
    // caller that saw the file change on disk merged it first). False with the reason in strError.
    bool SaveUnattended(QString& strError);
    // Writes the document as its save would to a new owner-only file at strPath, never over one there.
    bool WriteCopy(const QString& strPath, QString& strError);

    // Save As (57604): the framework's Save As, then the file time of the current path, whatever happened.
    void OnSaveAs();
    // Change File Pswd (32791) and its enabling rule.
    void OnChangeFilePassword();
    bool OnUpdateChangeFilePassword() const;

    // Appends a record; the document owns it from now on. A name that breaks the site-name rule
    // (SiteNameFault) is refused: nothing changes and the result is null.
    CSiteInfo* AddSite(std::unique_ptr<CSiteInfo> pSite);
    // A record read from another database file (a merge): its name is kept as that file holds it, as a load
    // keeps the names of its own file.
    CSiteInfo* AddReadSite(std::unique_ptr<CSiteInfo> pSite);
    // Keep after Edit: the old record goes and the new one joins at the end of the file, as a kept site
    // does. Returns the new record; with a pOld it does not hold, the new one is only added. A new name that
    // breaks the rule is refused (null, nothing changes); pOld's own name, kept as it was, never is.
    CSiteInfo* ReplaceSite(CSiteInfo* pOld, std::unique_ptr<CSiteInfo> pNew);
    // Removes and destroys the first entry holding pSite; nothing when it is not there.
    void RemoveSite(CSiteInfo* pSite);
    // The first entry holding pSite, or -1.
    int IndexOf(const CSiteInfo* pSite) const;

    // A reload: the sites, key and kind of a fresh reading of this document's file take the place of
    // the document's own, as a load would, and the document is no longer modified.
    void TakeFileFrom(CLockwardenDoc& reading);
    // True when the file at the path is not the one last read or written here.
    bool IsChangedOnDisk(const QString& strPathName) const;

    // ---- the file on disk ----
    // What a look at the followed file found: written anew by someone else (in place, or a new file renamed
    // over it), removed, or the very file last read or written here (after our own save, or a change undone).
    enum class EDiskChange { changed, removed, same };
    Q_ENUM(EDiskChange)
    // From now on the document follows its path on disk (the window's document; a reading of another file
    // and the companion never do): each change, once it has rested, is told by changedOnDisk. A file removed
    // leaves the document the only copy of its sites, so it becomes modified (unless locked with its records
    // dropped: then nothing is unsaved).
    void FollowFileOnDisk();
    // How long a change must rest before it is looked at: a sync tool writes in several steps.
    void SetSettleInterval(int nMs);
    // A look at the disk soon, as if it had changed (a change that waited for the user, who is done now).
    void LookAtDiskSoon();
    // The path followed, empty when none.
    QString Followed() const;
    // Reads the file again with its own key and takes its sites, key and kind, as a load would. A file weaker
    // than this one is not read without a question (No by default); a password that no longer fits is asked
    // for. False when it was not read: the document is as it was.
    bool Reload();

    // The records in file order. Loads fill them through Serialize; every other change goes through the
    // calls above.
    const CSiteArray& Sites() const { return m_sites; }
    // Bumped by every change to the sites or the key: whoever took something from the document can tell
    // whether it is still what the document holds.
    std::uint64_t Revision() const { return m_nRevision; }
    // The file as last read or written: its time in whole seconds, and to the nanosecond with its size and
    // inode.
    std::int32_t FileTime() const { return m_tFileTime; }
    const FileAccess::CFileStamp& FileStamp() const { return m_fileStamp; }
    // A save merging the file it is about to replace: the document takes the time and stamp of the file that
    // was merged (reading's), as if it had read it.
    void AdoptFileStampOf(const CLockwardenDoc& reading);

Q_SIGNALS:
    void siteAdded(CSiteInfo* pSite);
    // pOld is still alive while this is told and destroyed right after.
    void siteReplaced(CSiteInfo* pOld, CSiteInfo* pNew);
    void siteAboutToBeRemoved(CSiteInfo* pSite);
    // After any change to the sites: one of the three calls, a load, New, or the contents deleted.
    void sitesChanged();
    // Lock is under way and nothing is dropped yet: whoever shows the sites takes what it must bring back at
    // Unlock (bRecordsStay: the records are kept, else they go right after).
    void aboutToLock(bool bRecordsStay);
    // Locked, unlocked, or the locked file replaced by New or an open.
    void lockChanged();
    // A save found the file changed on disk, and the user would not overwrite it. Whoever can merge may offer
    // to, at once: a merge that takes the disk's sites takes its stamp too, and the save goes on (the disk
    // asked about again, as another change may have come meanwhile); otherwise the save stops.
    void saveFoundChangeOnDisk(const QString& strPathName);
    // After each look at the followed file (FollowFileOnDisk), whatever it found.
    void changedOnDisk(CLockwardenDoc::EDiskChange change);

public:
    // What the open file is, weakest first: classic without a password, classic with one, or sealed.
    using EFileKind = CFileKey::EKind;
    EFileKind GetFileKind() const;
    // The kind a file at strPath had when read or written (the window's memory, or the document a reading
    // of its file is for): an open that finds it weaker asks first, No by default.
    void ExpectFileKind(const QString& strPath, EFileKind kind);
    // "a sealed file", "a classic file with a file password", "a file without a file password".
    static QString KindText(EFileKind kind);
    bool IsSealed() const { return m_key.IsSealed(); }
    // The password of the open file, whichever its kind.
    std::string_view GetFilePassword() const { return m_key.Password(); }
    // The next open tries strPassword before it asks (a reload, or a merge of the file or of a copy of it,
    // whose password is most likely the document's): only when it fails is the user asked, the field empty
    // and nothing said of the try. Good for one open.
    void TryPasswordFirst(std::string_view strPassword);
    // Takes key as the key of the file, as a load would (a new file's first key, made by its caller): the
    // file is not made stronger by it, and the document is not marked modified.
    void SetFileKey(CFileKey key) {
        m_key = std::move(key);
        m_savedKind = m_key.Kind();
        Changed();
    }
    // Seal with Strong Encryption (33000): asks for a new password, twice, refusing the classic file's own
    // (which any old copy of the file gives away), derives the key and marks the document modified, so the
    // next save writes it sealed. Enabled for a classic file.
    void OnSealFile();
    bool OnUpdateSealFile() const { return !IsSealed() && !m_bLocked; }
    // File > Seal... in the window: sealed as above, then saved at once, as Save as Classic File is (an untitled
    // document asks where first); when nothing is saved the document is the file it was.
    void OnSealAndSave();
    // The kind of the file as last read or written here; a new document's is noPassword. A kind other than
    // GetFileKind() is a change of kind not saved yet.
    EFileKind SavedKind() const { return m_savedKind; }
    // Save as Classic File (33001): after a warning (No by default), saves the file classic; when the save
    // does not happen the file stays sealed (false). Enabled for a sealed file.
    bool OnSaveAsClassic();
    bool OnUpdateSaveAsClassic() const { return IsSealed() && !m_bLocked; }
    // The sealed file becomes classic under the same password; the next save writes it so.
    void MakeClassic();
    // The key derivation cost of the keys this document makes (sealing, a new password); unset, the cost
    // calibrated for this machine (SealedFormat::NewKeyCost).
    const std::optional<SealedFormat::CCost>& SealCost() const { return m_sealCost; }
    void SetSealCost(const std::optional<SealedFormat::CCost>& cost) { m_sealCost = cost; }

    // ---- the lock (File > Lock and Unlock) ----
    // True from Lock until Unlock, or until New or an open replaces the locked file. While it is true the
    // document shows nothing, and nothing reloads it; only the session's end saves a kept change.
    bool IsLocked() const { return m_bLocked; }
    // Locked with the records kept in memory, unseen (there were unsaved changes), as against dropped.
    bool IsKeepingLockedRecords() const { return m_bLocked && m_bLockKept; }
    // A file with a file password that is not locked already.
    bool CanLock() const;
    // Writes nothing. Without unsaved changes (bKeep false, the document unmodified and at a path) the
    // records are dropped, each wiping its fields, and the key is wiped: Unlock asks for the password and
    // reads the file again. With them the records and the key stay (the key in its locked memory), for
    // Unlock to check the password typed against.
    void Lock(bool bKeep);
    // The file's password prompt; a wrong password gives "Bad file password !" and the prompt again, Cancel
    // leaves the document locked (false). Dropped records are read again through the open, so a change
    // made to the file meanwhile is what comes back; a file that cannot be read leaves it locked.
    bool Unlock();

protected:
    // Loading: reads the first strings of the file; for a classic file it hands readRecords the archive
    // at the count and the file password, for a sealed one an archive over the clear record stream and an
    // empty key (its fields are not enciphered).
    void LoadRecordStream(CArchive& ar, const std::function<void(CArchive&, const std::string&)>& readRecords);

private:
    // The password prompt's label for the open document: its title, and a blank where the caption marks it
    // modified.
    QString PasswordLabel() const;
    // Takes the time and stamp of the file now at the path.
    void NoteFileOnDisk(const QString& strPathName);
    // Remembers the kind of the file just read or written at the path.
    void NoteKindOnDisk(const QString& strPathName);
    // An open finding a file of this kind: true when it is not weaker than the file was known to be, or the
    // user said to open it anyway.
    bool AcceptKind(const QString& strPathName, EFileKind kind);
    // After a save that made the file stronger: the backup wiped, and the sentence that says so (empty when
    // there was nothing to tell). nOtherNames: the file's hard links before the save.
    QString WipeWeakerBackup(const QString& strPathName, int nOtherNames);
    // The load of an open whose file and password have passed: the records of fd, read with key (the
    // field cipher's key is a classic file's password; a sealed file's fields are not enciphered), told to
    // the sites' followers, and the file's time and stamp noted for the next save. On failure the previous
    // key comes back unless the load emptied the document.
    bool LoadCheckedFile(int fd, const QString& strPathName, CFileKey key);
    // The rest of an open once the banner says sealed: header, password (strKnown tried first), key, tag,
    // then the load.
    bool OpenSealed(int fd, const QString& strPathName, std::string_view strKnown);
    // Derives a key under the busy cursor; a refusal is told to the user.
    bool DeriveSealKey(std::string_view strPassword, const SealedFormat::CCost& cost,
                       const std::array<unsigned char, SealedFormat::kSaltSize>* pSalt,
                       std::unique_ptr<SealedFormat::CSealKey>& pKey);
    void ShowSealedRefusal(SealedFormat::EResult result, const SealedFormat::CCost& cost);
    // OnSealFile's work: false when nothing was sealed; pBefore, when given, takes the key it replaced.
    bool SealFile(CFileKey* pBefore);
    // The cost of a key made now.
    SealedFormat::CCost NewKeyCost() const;
    // A new password for a sealed file takes a new key with a new salt; false when it cannot.
    bool SetFilePassword(const std::string& strPassword);

    // A change to the sites or the key.
    void Changed() { ++m_nRevision; }

    CAppState& m_app;
    CSiteArray m_sites;
    std::uint64_t m_nRevision = 0;
    std::int32_t m_tFileTime = 0;
    FileAccess::CFileStamp m_fileStamp;
    std::optional<SealedFormat::CCost> m_sealCost;
    // The one key of the file: none, a classic file's password (the field cipher's key) or a sealed file's
    // key. A lock that keeps the records keeps it; one that drops them wipes it.
    CFileKey m_key;
    // During the load of a sealed file: its clear record stream, already authenticated.
    CSecureBytes* m_pSealedPlain = nullptr;
    // The password the next open tries before it asks (TryPasswordFirst).
    CSecureBytes m_tryFirst;

    // Following the file on disk (LockwardenDocDisk.cpp).
    struct CDiskWatch;
    CDiskWatch* m_pDiskWatch = nullptr; // a child of the document, as a QObject
    void FollowPath();
    void LookAtDisk();

    // The lock's state. The lock ends with Unlock, New or a successful open.
    void EndLock();
    bool UnlockKept();
    bool ReopenLocked();
    bool m_bLocked = false;
    bool m_bLockKept = false;
    bool m_bStrengthened = false;
    EFileKind m_lockedKind = EFileKind::noPassword;
    EFileKind m_savedKind = EFileKind::noPassword;
};
