#pragma once

#include "core/database/SiteInfo.h"
#include "core/framework/Document.h"
#include "core/platform/FileAccess.h"

#include <cstdint>

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
    bool IsModified() override;
    void SetModifiedFlag(bool bModified = true) override;
    void DeleteContents() override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& strPathName) override;
    bool OnSaveDocument(const QString& strPathName) override;

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

private:
    // True when the file at the path is not the one last read or written here.
    bool IsChangedOnDisk(const QString& strPathName) const;
    // Takes the time and stamp of the file now at the path.
    void NoteFileOnDisk(const QString& strPathName);

    CAppState& m_app;
};
