// The main frame's part in the lock: what Lock, Unlock and the automatic lock do around the document's own
// lock, and the settings that set it off.
#include "ui/app/MainFrame.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/app/OptionsDlg.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/IdleWatch.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/tools/PasswordHealthDlg.h"
#include "ui/view/LockwardenView.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <algorithm>

// ---- the lock ----

bool CMainFrame::IsAllowedWhileLocked(int nID) {
    if (nID >= ID_FILE_MRU_FILE1 && nID < ID_FILE_MRU_FILE1 + kRecentFileCount)
        return true;
    switch (nID) {
    case ID_FILE_UNLOCK:
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_START_WITH_MRU:
    case ID_FILE_PRINT_SETUP:
    case ID_APP_EXIT:
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_CREATE_PASSWORDS:
    case ID_OPTIONS:
    case ID_APP_ABOUT:
    case ID_DOCUMENTATION:
    case ID_EDIT_AUTO_TYPE: // asks for the password first
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        return true;
    default:
        return false;
    }
}

void CMainFrame::UpdateLockPanes() {
    SetPaneText(0, LoadString(m_doc.IsLocked() ? IDS_LOCKED_MESSAGE : AFX_IDS_IDLEMESSAGE));
    UpdateSitesPane();
}

void CMainFrame::OnLockChanged() {
    // Unlocked, or the locked file replaced (the template's initial update follows then): the form shows the
    // document again.
    if (!m_doc.IsLocked() && m_pView->IsLocked()) {
        m_pView->Unlock();
        m_pIdleWatch->Restart();
    } else if (m_doc.IsLocked() && !m_pView->IsLocked()) {
        m_pView->Lock();
    }
    UpdateLockPanes();
    m_router.RequestUpdate();
}

void CMainFrame::OnLock() {
    // "Save changes to %1?": Yes saves (no longer modified, so the records are dropped), No keeps them.
    if (!m_doc.CanLock() || !m_doc.SaveModified())
        return;
    LockNow(false);
}

void CMainFrame::LockNow(bool bKeep) {
    if (!m_doc.CanLock())
        return;
    m_bLockPending = false;
    const bool bEntry = m_pView->HasPendingEntry();
    // The report lists sites: it goes, as Notes and Find did. The generator holds none and stays.
    if (m_pPasswordHealthDlg != nullptr)
        m_pPasswordHealthDlg->close();
    m_pView->Lock();
    m_doc.Lock(bKeep || bEntry);
    m_pSecretClipboard->Clear();
}

bool CMainFrame::OnUnlock() {
    if (!m_doc.IsLocked())
        return true;
    // The form comes back through lockChanged, whichever way the document unlocked.
    return m_doc.Unlock();
}

bool CMainFrame::UnlockBeforeLeaving() {
    if (!m_doc.IsKeepingLockedRecords())
        return true;
    return OnUnlock();
}

bool CMainFrame::CloseModalWindows() {
    bool bAny = false;
    // Bounded: a window that would not close must not hold the program here.
    for (int i = 0; i < 32; ++i) {
        QWidget* pWindow = QApplication::activePopupWidget();
        if (pWindow == nullptr)
            pWindow = QApplication::activeModalWidget();
        if (pWindow == nullptr)
            break;
        bAny = true;
        if (auto* pDialog = qobject_cast<QDialog*>(pWindow))
            pDialog->reject();
        else
            pWindow->close();
        if (pWindow->isVisible())
            pWindow->hide();
    }
    return bAny;
}

bool CMainFrame::IsBusy() const {
    // A command running, a file being read, or work under the busy cursor (a key being derived).
    return m_router.IsExecuting() || m_doc.IsLoading() || QApplication::overrideCursor() != nullptr;
}

void CMainFrame::LockAutomatically() {
    if (!m_doc.CanLock())
        return;
    m_bLockPending = true;
    FinishPendingLock();
}

void CMainFrame::FinishPendingLock() {
    if (!m_bLockPending)
        return;
    if (!m_doc.CanLock()) {
        m_bLockPending = false;
        return;
    }
    // Windows closed now end their loops once this returns; the lock comes after, from the loop below them.
    if (CloseModalWindows() || IsBusy()) {
        QTimer::singleShot(kLockRetryInterval, this, &CMainFrame::FinishPendingLock);
        return;
    }
    LockNow(false);
}

void CMainFrame::OnScreenLocked() {
    if (m_app.m_bLockOnScreenLock != 0)
        LockAutomatically();
}

void CMainFrame::ApplyLockSettings() {
    m_pIdleWatch->SetInterval(static_cast<qint64>(std::max(0, m_app.m_nLockMinutes)) * 60 * 1000);
}

void CMainFrame::OnOptions() {
    COptionsDlg dlg(m_prompts, this);
    dlg.m_nLockMinutes = m_app.m_nLockMinutes;
    dlg.m_bLockOnScreenLock = m_app.m_bLockOnScreenLock;
    if (m_prompts.DoModal(dlg) != IDOK)
        return;
    m_app.m_nLockMinutes = dlg.m_nLockMinutes;
    m_app.m_bLockOnScreenLock = dlg.m_bLockOnScreenLock;
    ApplyLockSettings();
}
