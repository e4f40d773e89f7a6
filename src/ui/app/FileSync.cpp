#include "ui/app/FileSync.h"

#include "core/database/LockwardenDoc.h"
#include "core/database/SiteMerge.h"
#include "core/framework/MessageBoxButtons.h"
#include "core/framework/Prompts.h"
#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"
#include "core/platform/Text.h"
#include "core/platform/Trash.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/ConflictCopies.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/framework/CommandRouter.h"
#include "ui/view/LockwardenView.h"

#include <QDateTime>
#include <QFileInfo>

#include <QScopedValueRollback>
#include <algorithm>

CFileSync::CFileSync(CLockwardenDoc& doc, CMainFrame& frame, CPrompts& prompts, CCommandRouter& router)
    : QObject(&frame), m_doc(doc), m_frame(frame), m_prompts(prompts), m_router(router) {
    m_doc.FollowFileOnDisk();
    connect(&m_doc, &CLockwardenDoc::changedOnDisk, this, &CFileSync::OnDiskChange);
    connect(&m_doc, &CDocument::pathChanged, this, &CFileSync::OnPathChanged);
    // A change that waited for the user is read in once the user is done (Cancel, or Keep and Save).
    connect(m_frame.GetActiveView(), &CLockwardenView::stateChanged, this, [this] {
        if (m_bPending && ShouldReloadNow())
            m_doc.LookAtDiskSoon();
    });
    connect(&m_doc, &CLockwardenDoc::saveFoundChangeOnDisk, this, &CFileSync::OfferMergeBeforeSave,
            Qt::DirectConnection);
}

CFileSync::~CFileSync() = default;

void CFileSync::OfferMergeBeforeSave(const QString& strPath) {
    if (m_prompts.MessageBox(LoadString(IDS_MERGE_BEFORE_SAVE), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    const QScopedValueRollback<bool> busy(m_bBusy, true);
    CMergeResult result;
    // The disk's stamp comes with its sites, which lets the save go on.
    if (!MergeFileInto(m_doc, strPath, m_prompts, m_doc.GetFilePassword(), result, false, true))
        return;
    // Whatever the document merged asks for a word too.
    ReportMerge(QFileInfo(strPath).fileName(), result);
    m_bPending = false;
}

void CFileSync::RegisterCommands() {
    m_router.Register(ID_FILE_MERGE, [this] { OnMergeFrom(); });
    m_router.Register(
        ID_FILE_MERGE_CONFLICTS, [this] { OnMergeConflictCopies(); },
        [this](CCmdUI& ui) { ui.Enable(!m_doc.GetPathName().isEmpty()); });
}

bool CFileSync::ShouldReloadNow() const {
    const CLockwardenView& view = *m_frame.GetActiveView();
    // An empty database is always in data entry; only what was typed there would be lost.
    const bool bEntering = view.IsDataEntry() && (!view.IsListEmpty() || view.HasTypedEntry());
    // A locked window shows nothing and reads the file again at Unlock anyway.
    return !m_bBusy && !m_doc.IsLocked() && !m_doc.IsModified() && !bEntering;
}

void CFileSync::SetSettleInterval(int nMs) {
    m_doc.SetSettleInterval(nMs);
}

QString CFileSync::Followed() const {
    return m_doc.Followed();
}

void CFileSync::OnPathChanged() {
    m_bPending = false;
    SetNote(QString());
    if (!m_doc.GetPathName().isEmpty() && !FindConflictCopies(m_doc.GetPathName()).isEmpty())
        SetNote(LoadString(IDS_CONFLICT_COPIES_NOTE), IDS_MERGE_COPIES_BUTTON, ID_FILE_MERGE_CONFLICTS);
}

void CFileSync::OnDiskChange(CLockwardenDoc::EDiskChange change) {
    // Reading or merging: a reload now would ask for a second password. Looked at again once the user is done.
    if (m_bBusy) {
        m_bPending = true;
        return;
    }
    switch (change) {
    case CLockwardenDoc::EDiskChange::removed:
        if (m_doc.IsLocked() && !m_doc.IsKeepingLockedRecords()) {
            // Locked with its records dropped, the window holds nothing of the file: there is nothing to save,
            // only where the previous version may still be.
            const QString strPath = m_doc.GetPathName();
            const QString strBackup = FileAccess::BackupPathOf(strPath);
            const QString strName = QFileInfo(strPath).fileName();
            SetNote(QFileInfo::exists(strBackup)
                        ? LoadString(IDS_FILE_GONE_WHILE_LOCKED).arg(strName, QFileInfo(strBackup).fileName())
                        : LoadString(IDS_FILE_GONE_NO_BACKUP).arg(strName));
        } else {
            // The document holds the only copy now (and says so by being modified): Save writes it back.
            SetNote(LoadString(IDS_FILE_REMOVED_NOTE), IDS_SAVE_BUTTON, ID_FILE_SAVE);
        }
        m_router.RequestUpdate();
        break;
    case CLockwardenDoc::EDiskChange::changed:
        if (ShouldReloadNow()) {
            // Read in, nothing waits for the user: a note, not a notice.
            if (Reload()) {
                SetNote(QString());
                m_frame.ShowNote(LoadString(IDS_FILE_RELOADED));
            } else
                SetNote(LoadString(IDS_FILE_CHANGED_NOTE), IDS_SAVE_BUTTON, ID_FILE_SAVE);
        } else {
            m_bPending = true;
            SetNote(LoadString(IDS_FILE_CHANGED_NOTE), IDS_SAVE_BUTTON, ID_FILE_SAVE);
        }
        break;
    case CLockwardenDoc::EDiskChange::same:
        // Saved or merged since: the disk and the window agree again.
        if (!m_doc.IsModified()) {
            m_bPending = false;
            if (m_strNote == LoadString(IDS_FILE_CHANGED_NOTE) || m_strNote == LoadString(IDS_FILE_REMOVED_NOTE))
                SetNote(QString());
        }
        // A sync tool may put a conflict copy beside the file while it is open: told as at the open, over
        // nothing that waits for the user.
        if (m_strNote.isEmpty() && !FindConflictCopies(m_doc.GetPathName()).isEmpty())
            SetNote(LoadString(IDS_CONFLICT_COPIES_NOTE), IDS_MERGE_COPIES_BUTTON, ID_FILE_MERGE_CONFLICTS);
        break;
    }
    Q_EMIT checked();
}

bool CFileSync::Reload() {
    const QScopedValueRollback<bool> busy(m_bBusy, true);
    CLockwardenView& view = *m_frame.GetActiveView();
    // The same site again: by its name and its place among the sites of that name.
    const CShownSite shown = view.Shown(CShownSite::ERecords::go);
    if (!m_doc.Reload())
        return false;
    m_bPending = false;
    view.OnInitialUpdate();
    view.ShowShown(shown);
    m_router.RequestUpdate();
    return true;
}

void CFileSync::SaveAtSessionEnd() {
    const QString strPath = m_doc.GetPathName();
    if (strPath.isEmpty() || !m_doc.IsModified())
        return;
    const QScopedValueRollback<bool> busy(m_bBusy, true);
    CUnattendedPrompts nobody;
    // A change on disk is merged by content, both versions of a site kept, so the save loses neither side;
    // a file gone is simply written back.
    bool bSafe = !m_doc.IsChangedOnDisk(strPath) || !QFileInfo::exists(strPath);
    if (!bSafe) {
        CMergeResult result;
        bSafe = MergeFileInto(m_doc, strPath, nobody, m_doc.GetFilePassword(), result, false, true);
    }
    QString strError;
    if (bSafe && m_doc.SaveUnattended(strError))
        return;
    // Neither merged nor saved: the changes go to a copy of their own beside the file, which nothing overwrites.
    m_doc.WriteCopy(strPath + QStringLiteral(".unsaved-") +
                        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                    strError);
}

void CFileSync::OnMergeFrom() {
    if (m_frame.RefuseWhileEntering())
        return;
    QString strPath;
    if (!m_prompts.OpenFileDialog(strPath, m_doc.m_strFilter))
        return;
    const QScopedValueRollback<bool> busy(m_bBusy, true);
    CMergeResult result;
    if (!MergeFileInto(m_doc, strPath, m_prompts, {}, result))
        return;
    ReportMerge(QFileInfo(strPath).fileName(), result);
}

void CFileSync::OnMergeConflictCopies() {
    if (m_frame.RefuseWhileEntering() || m_doc.GetPathName().isEmpty())
        return;
    std::vector<CSkippedCopy> skipped;
    const QStringList copies = FindConflictCopies(m_doc.GetPathName(), &skipped);
    // Named as copies, but links or files of others (anyone may write a shared folder): left alone, and said.
    if (!skipped.empty()) {
        QStringList lines;
        for (const CSkippedCopy& copy : skipped)
            lines << QFileInfo(copy.strPath).fileName() + QStringLiteral(": ") + copy.strReason;
        m_prompts.MessageBox(LoadString(IDS_COPIES_SKIPPED).arg(lines.join(QLatin1Char('\n'))),
                             MB_ICONEXCLAMATION | MB_OK);
    }
    if (copies.isEmpty()) {
        if (skipped.empty())
            m_prompts.MessageBox(LoadString(IDS_NO_CONFLICT_COPIES), MB_ICONINFORMATION | MB_OK);
        return;
    }
    QStringList merged;
    CMergeResult total;
    {
        const QScopedValueRollback<bool> busy(m_bBusy, true);
        for (const QString& strCopy : copies) {
            const QString strName = QFileInfo(strCopy).fileName();
            CCopyCheck check;
            QString strReason;
            if (!CheckConflictCopy(strCopy, check.stamp, strReason))
                continue;
            check.acceptUnprotected = [this, &strName] {
                return m_prompts.MessageBox(LoadString(IDS_MERGE_UNPROTECTED_COPY).arg(strName),
                                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
            };
            CMergeResult result;
            // The copy's password is asked only when it is not the file's.
            const EMergeRead read =
                MergeCopyInto(m_doc, strCopy, m_prompts, m_doc.GetFilePassword(), check, result, strReason);
            // A copy swapped for another file while it was read is said like a file skipped at the start.
            if (read == EMergeRead::replaced)
                m_prompts.MessageBox(LoadString(IDS_COPIES_SKIPPED).arg(strName + QStringLiteral(": ") + strReason),
                                     MB_ICONEXCLAMATION | MB_OK);
            if (read != EMergeRead::merged)
                continue;
            merged << strName;
            total.nAdded += result.nAdded;
            for (const std::string& strConflict : result.conflicts)
                if (std::find(total.conflicts.begin(), total.conflicts.end(), strConflict) == total.conflicts.end())
                    total.conflicts.push_back(strConflict);
        }
    }
    if (merged.isEmpty())
        return;
    ReportMerge(merged.join(QStringLiteral(", ")), total);
    // The copies go only once what they held is saved in the file.
    if (m_prompts.MessageBox(LoadString(IDS_TRASH_MERGED_COPIES).arg(merged.join(QLatin1Char('\n'))),
                             MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (m_doc.IsModified() && !m_doc.DoFileSave())
        return;
    const QString strDir = QFileInfo(m_doc.GetPathName()).absolutePath();
    QStringList deleted;
    for (const QString& strName : merged) {
        int nError = 0;
        bool bDeleted = false;
        if (!MoveToTrash(strDir + QLatin1Char('/') + strName, nError, bDeleted))
            m_prompts.MessageBox(LoadString(IDS_TRASH_FAILED).arg(strName, GetLastErrorText(nError)),
                                 MB_ICONEXCLAMATION | MB_OK);
        else if (bDeleted)
            deleted << strName;
    }
    if (!deleted.isEmpty())
        m_prompts.MessageBox(LoadString(IDS_COPIES_DELETED).arg(deleted.join(QLatin1Char('\n'))),
                             MB_ICONINFORMATION | MB_OK);
    SetNote(QString());
}

void CFileSync::ReportMerge(const QString& strFrom, const CMergeResult& result) {
    m_prompts.MessageBox(MergeSummaryText(strFrom, result), MB_ICONINFORMATION | MB_OK);
    if (!result.conflicts.empty())
        Q_EMIT mergeAddedConflicts();
}

void CFileSync::SetNote(const QString& strNote, int nButton, int nCommand) {
    m_strNote = strNote;
    CMessageBar& bar = m_frame.MessageBar();
    if (strNote.isEmpty())
        bar.Clear(CMessageBar::ESource::file);
    else if (nButton == 0)
        bar.Show(CMessageBar::ESource::file, strNote);
    else
        bar.Show(CMessageBar::ESource::file, strNote, LoadString(nButton),
                 [this, nCommand] { m_router.Execute(nCommand); });
}
