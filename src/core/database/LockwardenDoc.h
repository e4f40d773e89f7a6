#pragma once

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

// The document: owns the records of the open database in insertion order, decides when the file
// password is asked for, refuses to overwrite a file changed on disk without consent, and shows the
// modified state in its title. The file password itself lives in the application state.
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

    // Appends a record; the document owns it from now on.
    CSiteInfo* AddSite(std::unique_ptr<CSiteInfo> pSite);
    // Keep after Edit: the old record goes and the new one joins at the end of the file, as a kept site
    // does. Returns the new record; with a pOld it does not hold, the new one is only added.
    CSiteInfo* ReplaceSite(CSiteInfo* pOld, std::unique_ptr<CSiteInfo> pNew);
    // Removes and destroys the first entry holding pSite; nothing when it is not there.
    void RemoveSite(CSiteInfo* pSite);
    // The first entry holding pSite, or -1.
    int IndexOf(const CSiteInfo* pSite) const;

    // A reload: the sites, password and kind of a fresh reading of this document's file take the place of
    // the document's own, as a load would, and the document is no longer modified.
    void TakeFileFrom(CLockwardenDoc& reading);
    // True when the file at the path is not the one last read or written here.
    bool IsChangedOnDisk(const QString& strPathName) const;

    // The records in file order. Loads fill it through Serialize; every other change goes through the
    // three calls above.
    CSiteArray m_sites;
    std::int32_t m_tFileTime = 0;
    // The file as last read or written, to the nanosecond, with its size and inode.
    FileAccess::CFileStamp m_fileStamp;

Q_SIGNALS:
    void siteAdded(CSiteInfo* pSite);
    // pOld is still alive while this is told and destroyed right after.
    void siteReplaced(CSiteInfo* pOld, CSiteInfo* pNew);
    void siteAboutToBeRemoved(CSiteInfo* pSite);
    // After any change to the sites: one of the three calls, a load, New, or the contents deleted.
    void sitesChanged();
    // Locked, unlocked, or the locked file replaced by New or an open.
    void lockChanged();
    // A save found the file changed on disk, and the user would not overwrite it. Whoever can merge may offer
    // to, at once: a merge that takes the disk's sites takes its stamp too, and the save goes on (the disk
    // asked about again, as another change may have come meanwhile); otherwise the save stops.
    void saveFoundChangeOnDisk(const QString& strPathName);

public:
    // What the open file is, weakest first: classic without a password, classic with one, or sealed.
    enum class EFileKind { noPassword, classic, sealed };
    EFileKind GetFileKind() const;
    // The kind a file at strPath had when read or written (the window's memory, or the document a reading
    // of its file is for): an open that finds it weaker asks first, No by default.
    void ExpectFileKind(const QString& strPath, EFileKind kind);
    // "a sealed file", "a classic file with a file password", "a file without a file password".
    static QString KindText(EFileKind kind);
    bool IsSealed() const { return m_pSealKey != nullptr; }
    // The password of the open file, whichever its kind.
    std::string_view GetFilePassword() const;
    // Seal with Strong Encryption (33000): asks for a new password, twice, refusing the classic file's own
    // (which any old copy of the file gives away), derives the key and marks the document modified, so the
    // next save writes it sealed. Enabled for a classic file.
    void OnSealFile();
    bool OnUpdateSealFile() const { return !IsSealed() && !m_bLocked; }
    // Save as Classic File (33001): after a warning (No by default), saves the file classic; when the save
    // does not happen the file stays sealed. Enabled for a sealed file.
    void OnSaveAsClassic();
    bool OnUpdateSaveAsClassic() const { return IsSealed() && !m_bLocked; }
    // The sealed file becomes classic under the same password; the next save writes it so.
    void MakeClassic();
    // The key derivation cost of the keys this document makes (sealing, a new password); unset, the cost
    // calibrated for this machine (SealedFormat::NewKeyCost).
    std::optional<SealedFormat::CCost> m_sealCost;

    // ---- the lock (File > Lock and Unlock) ----
    // True from Lock until Unlock, or until New or an open replaces the locked file. While it is true the
    // document shows nothing, and nothing reloads it; only the session's end saves a kept change.
    bool IsLocked() const { return m_bLocked; }
    // Locked with the records kept in memory, unseen (there were unsaved changes), as against dropped.
    bool IsKeepingLockedRecords() const { return m_bLocked && m_bLockKept; }
    // A file with a file password that is not locked already.
    bool CanLock() const;
    // Writes nothing. Without unsaved changes (bKeep false, the document unmodified and at a path) the
    // records are dropped, each wiping its fields, and the classic password or the sealed key is wiped:
    // Unlock asks for the password and reads the file again. With them the records stay, the sealed key
    // stays in its locked memory and the classic password moves into locked memory, for Unlock to check
    // the password typed against.
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
    // The password prompt's label for the open document: its title, the modified marker blanked out.
    static QString PasswordLabel(const QString& strTitle);
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
    // A kept change saved while locked: a classic password leaves locked memory for the save only; the
    // returned string (null when nothing was lent) is wiped by the caller's CWipeOnExit.
    std::string* LendLockedPassword();
    // The load of an open whose file and password have passed: the records of fd, read with strKey (the file
    // password; nothing for a sealed file), told to the sites' followers, and the file's time and stamp
    // noted for the next save. On failure the previous password comes back unless the load emptied the
    // document.
    bool LoadCheckedFile(int fd, const QString& strPathName, const std::string& strKey, const std::string& strPrevious);
    // The rest of an open once the banner says sealed: header, password, key, tag, then the load.
    bool OpenSealed(int fd, const QString& strPathName);
    // Derives a key under the busy cursor; a refusal is told to the user.
    bool DeriveSealKey(std::string_view strPassword, const SealedFormat::CCost& cost,
                       const std::array<unsigned char, SealedFormat::kSaltSize>* pSalt,
                       std::unique_ptr<SealedFormat::CSealKey>& pKey);
    void ShowSealedRefusal(SealedFormat::EResult result, const SealedFormat::CCost& cost);
    // The cost of a key made now.
    SealedFormat::CCost NewKeyCost() const;
    // A new password for a sealed file takes a new key with a new salt; false when it cannot.
    bool SetFilePassword(const std::string& strPassword);

    CAppState& m_app;
    // The key of a sealed file, null for a classic one; a sealed file's password lives in it, not in the
    // application state, whose password is the field cipher's key.
    std::unique_ptr<SealedFormat::CSealKey> m_pSealKey;
    // During the load of a sealed file: its clear record stream, already authenticated.
    CSecureBytes* m_pSealedPlain = nullptr;

    // The lock's state. The lock ends with Unlock, New or a successful open.
    void EndLock();
    bool UnlockKept();
    bool ReopenLocked();
    // Whether strEntry is the kept password, as typed or (a classic file's) in Windows-1252.
    bool IsKeptPassword(const std::string& strEntry) const;
    bool m_bLocked = false;
    bool m_bLockKept = false;
    bool m_bStrengthened = false;
    EFileKind m_lockedKind = EFileKind::noPassword;
    // Locked with kept records: a classic file's password (a sealed file's lives in its key).
    CSecureBytes m_lockedPassword;
};
