#pragma once

#include <QObject>

class CAppState;
class CCommandRouter;
class CIdleWatch;
class CLockwardenDoc;
class CLockwardenView;
class CPrompts;
class CSecretClipboard;

// The one owner of the lock in the window: what sets it off (File > Lock, idle time, the screen locking),
// what may run while it holds, and Unlock. The document keeps the lock's state and announces it
// (aboutToLock, lockChanged); the form and the frame follow those announcements, not this.
class CLockController : public QObject {
    Q_OBJECT
public:
    CLockController(CLockwardenDoc& doc, CAppState& app, CPrompts& prompts, CCommandRouter& router,
                    CLockwardenView& view, CSecretClipboard& clipboard, QObject* pParent);
    ~CLockController() override;

    // File > Lock (Ctrl+L), for a file with a file password: unsaved changes first bring the lock's own
    // question (Yes saves then locks, No locks keeping them for Unlock, Cancel stays unlocked).
    void OnLock();
    // File > Unlock, or Enter in the locked window: the file's password prompt; the right password brings
    // the sites back with the site shown before, and data entry as it was left. False while still locked.
    bool OnUnlock();
    // Locks without asking and without saving, unsaved changes kept unseen for Unlock: idle time, the screen
    // locking. Modal windows (Notes, Find, a message) are closed first, as their Cancel or Esc closes them, and
    // the lock waits for their loops and any work under way to end.
    void LockAutomatically();
    // The screen locked or the computer goes to sleep: the lock, when the settings ask for it.
    void OnScreenLocked();
    // Before leaving a locked file that keeps unsaved changes (Exit, New, Open, the session's question):
    // Unlock first, so that the save question comes with the sites to see. False when it was cancelled.
    bool UnlockBeforeLeaving();
    // The idle time from the settings.
    void ApplyLockSettings();
    CIdleWatch& IdleWatch() const { return *m_pIdleWatch; }

    // Whether a command may run while locked: those that neither read nor change sites.
    static bool IsAllowedWhileLocked(int nID);
    // How long an automatic lock waits before it looks again whether the work under way has ended (ms).
    static constexpr int kLockRetryInterval = 50;

private:
    // The lock itself: bKeep keeps the records (there are unsaved changes), as does data entry under way.
    void LockNow(bool bKeep);
    // Runs a lock asked for automatically once nothing is under way; else closes what holds it and waits.
    void FinishPendingLock();
    // Closes every modal window and pop-up the way Esc would; true when there was one.
    static bool CloseModalWindows();
    bool IsBusy() const;

    CLockwardenDoc& m_doc;
    CAppState& m_app;
    CPrompts& m_prompts;
    CCommandRouter& m_router;
    CLockwardenView& m_view;
    CSecretClipboard& m_clipboard;
    CIdleWatch* m_pIdleWatch = nullptr;
    bool m_bLockPending = false;
};
