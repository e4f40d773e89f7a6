#include "ui/app/LockController.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/MessageBoxButtons.h"
#include "core/framework/Prompts.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/platform/IdleWatch.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <algorithm>

CLockController::CLockController(CLockwardenDoc& doc, CAppState& app, CPrompts& prompts, CCommandRouter& router,
                                 CLockwardenView& view, CSecretClipboard& clipboard, QObject* pParent)
    : QObject(pParent), m_doc(doc), m_app(app), m_prompts(prompts), m_router(router), m_view(view),
      m_clipboard(clipboard) {
    m_router.SetGate([this](int nID) { return !m_doc.IsLocked() || IsAllowedWhileLocked(nID); });
    m_pIdleWatch = new CIdleWatch(this);
    connect(m_pIdleWatch, &CIdleWatch::idle, this, &CLockController::LockAutomatically);
    // Idle time counts from the Unlock, not from before the lock.
    connect(&m_doc, &CLockwardenDoc::lockChanged, this, [this] {
        if (!m_doc.IsLocked())
            m_pIdleWatch->Restart();
    });
    ApplyLockSettings();
}

CLockController::~CLockController() {
    // The router may outlive the window whose lock its gate asks about.
    m_router.SetGate({});
}

bool CLockController::IsAllowedWhileLocked(int nID) {
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

void CLockController::OnLock() {
    if (!m_doc.CanLock())
        return;
    // Its own question, since its No keeps the changes where Exit's No discards them: Yes saves (no longer
    // modified, so the records are dropped), No keeps them for Unlock, Cancel stays unlocked.
    if (m_doc.IsModified()) {
        const int nAnswer = m_prompts.MessageBox(LoadString(IDS_LOCK_SAVE_CHANGES).arg(m_doc.GetTitle()),
                                                 MB_YESNOCANCEL | MB_ICONQUESTION);
        if (nAnswer == IDCANCEL || (nAnswer == IDYES && !m_doc.DoFileSave()))
            return;
    }
    LockNow(false);
}

void CLockController::LockNow(bool bKeep) {
    if (!m_doc.CanLock())
        return;
    m_bLockPending = false;
    // An entry under way comes back at Unlock on the very record it was on.
    m_doc.Lock(bKeep || m_view.HasPendingEntry());
    m_clipboard.Clear();
}

bool CLockController::OnUnlock() {
    if (!m_doc.IsLocked())
        return true;
    // The form comes back through lockChanged, whichever way the document unlocked.
    return m_doc.Unlock();
}

bool CLockController::UnlockBeforeLeaving() {
    if (!m_doc.IsKeepingLockedRecords())
        return true;
    return OnUnlock();
}

bool CLockController::CloseModalWindows() {
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

bool CLockController::IsBusy() const {
    // A command running, a file being read, or work under the busy cursor (a key being derived).
    return m_router.IsExecuting() || m_doc.IsLoading() || QApplication::overrideCursor() != nullptr;
}

void CLockController::LockAutomatically() {
    if (!m_doc.CanLock())
        return;
    m_bLockPending = true;
    FinishPendingLock();
}

void CLockController::FinishPendingLock() {
    if (!m_bLockPending)
        return;
    if (!m_doc.CanLock()) {
        m_bLockPending = false;
        return;
    }
    // Windows closed now end their loops once this returns; the lock comes after, from the loop below them.
    if (CloseModalWindows() || IsBusy()) {
        QTimer::singleShot(kLockRetryInterval, this, &CLockController::FinishPendingLock);
        return;
    }
    LockNow(false);
}

void CLockController::OnScreenLocked() {
    if (m_app.m_bLockOnScreenLock != 0)
        LockAutomatically();
}

void CLockController::ApplyLockSettings() {
    m_pIdleWatch->SetInterval(static_cast<qint64>(std::max(0, m_app.m_nLockMinutes)) * 60 * 1000);
}
