#pragma once

#include "core/database/LockwardenDoc.h"

#include <QObject>
#include <QString>

class CCommandRouter;
class CMainFrame;
class CPrompts;
struct CMergeResult;

// One file on several machines, in the window: decides when a change the document found on its file is read
// in (only when nothing the user did would be lost; otherwise the status bar says so and Save offers the
// merge), and runs File > Merge From... and File > Merge Conflict Copies....
class CFileSync : public QObject {
    Q_OBJECT
public:
    CFileSync(CLockwardenDoc& doc, CMainFrame& frame, CPrompts& prompts, CCommandRouter& router);
    ~CFileSync() override;

    void RegisterCommands();

    // File > Merge From...: another file's sites, after its own password prompt.
    void OnMergeFrom();
    // File > Merge Conflict Copies...: every copy beside the file, then the offer to save and trash them.
    void OnMergeConflictCopies();

    // The one place that decides whether a change on disk is read in now: not over unsaved changes, nor
    // under a site being entered or changed.
    bool ShouldReloadNow() const;
    // Reads the file again (the document's Reload) and shows the site shown before; false when the file was
    // not read (the document is then as it was).
    bool Reload();

    // The session ends (log-out, SIGTERM) and no one can be asked: the document's changes are saved to its
    // file, a change on disk merged in first; when that cannot be done they go to NAME.lwd.unsaved-DATE,
    // owner-only, beside it.
    void SaveAtSessionEnd();

    // How long a change must rest before it is looked at: a sync tool writes in several steps.
    void SetSettleInterval(int nMs);
    // The file followed, empty when none.
    QString Followed() const;
    // The notice last shown for the file, empty when none.
    QString Note() const { return m_strNote; }

Q_SIGNALS:
    // After each look at the disk, whatever it found.
    void checked();
    // A merge the user asked for or agreed to added versions of names already there, and said so.
    void mergeAddedConflicts();

private:
    // A save found the file changed on disk and may not overwrite it: the offer to merge the disk's sites
    // first ("Merge the sites of the file on disk into this document, then save?").
    void OfferMergeBeforeSave(const QString& strPath);
    // Another file, or none (an open, Save As, New): what was noted of the one before is over.
    void OnPathChanged();
    // What the document found at its file: read it in now, or wait for the user, and say so.
    void OnDiskChange(CLockwardenDoc::EDiskChange change);
    // The file's notice above the status bar (none when empty), with a button that runs nCommand when nButton
    // names one.
    void SetNote(const QString& strNote, int nButton = 0, int nCommand = 0);
    // The summary of a merge from strFrom; then mergeAddedConflicts when it added any.
    void ReportMerge(const QString& strFrom, const CMergeResult& result);

    CLockwardenDoc& m_doc;
    CMainFrame& m_frame;
    CPrompts& m_prompts;
    CCommandRouter& m_router;
    QString m_strNote;
    bool m_bPending = false; // a change on disk waits for the user to finish
    bool m_bBusy = false;    // reading or merging: a look at the disk now would ask for a second password
};
