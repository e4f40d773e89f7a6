#pragma once

#include "core/app/WindowPlacement.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class CAppState;
class CCmdUI;
class CCommandRouter;
class CCreatePasswordsDlg;
class CIdleWatch;
class CPasswordHealthDlg;
class CLockwardenDoc;
class CLockwardenView;
class CPrompts;
class CProfileStore;
class CRecentFileList;
class CDesktopNotice;
class CSecretClipboard;
class CWndPrompts;
class QHelpEvent;
class QLabel;
class QMenu;
class QToolBar;

// The one top-level window: menu bar, toolbar, status bar and the site form as its client. It has no
// maximize button, restores its saved placement on the first two activations and stores it when it
// goes, refuses to close while a site is being entered, and saves the document when the session ends.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // How a caller asks the window to be shown when it is activated.
    enum EShowCmd { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

    CMainFrame(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, CProfileStore& store, CCommandRouter& router,
               const CRecentFileList& recentFiles);
    ~CMainFrame() override;

    // The open password generator, or null; the generator empties it as its window goes.
    CCreatePasswordsDlg* m_pCreatePasswordsDlg = nullptr;

    CLockwardenView* GetActiveView() const { return m_pView; }
    // The one way the program's windows put a secret on the clipboard.
    CSecretClipboard& SecretClipboard() const { return *m_pSecretClipboard; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QStatusBar* StatusBar() const { return statusBar(); }
    QMenu* RecentFilesMenu() const { return m_pRecentMenu; }

    // The frame's commands (the bars' toggles, Exit, Create Passwords), in its place of the routing order.
    void RegisterCommands();

    // View > Create Passwords...: opens the generator; enabled only while there is none.
    void OnCreatePasswords();
    void OnUpdateCreatePasswords(CCmdUI& cmdUI) const;
    // View > Password Health...: opens the report, or brings the open one forward.
    void OnPasswordHealth();
    CPasswordHealthDlg* PasswordHealthDlg() const;

    // Each time a document is shown: the saved placement on the first two calls, else shown and raised.
    void ActivateFrame(int nCmdShow = SW_SHOW);
    // Destroys an open generator (its values go back to the application state), then stores the placement
    // and the bars' state, once; nothing for a window that was never shown.
    void OnDestroy();
    // The close guard: while a site is being entered or changed and the list is not empty, or anything is
    // typed into the form of an empty database, shows 57350 and returns true. New, Open and the recent files ask it
    // too, as they would throw the entry away.
    bool RefuseWhileEntering();
    // The session is ending (the document was saved already): the window goes.
    void OnEndSession(bool bEnding);
    // Follows the document's title: "Untitled - Lockwarden", "sites.lwd * - Lockwarden".
    void OnUpdateFrameTitle();
    // A pane text; a leading tab centres the rest, as the status bar panes do it.
    void SetPaneText(int nID, const QString& strText);
    QString PaneText(int nID) const;

    // ---- the lock ----
    // File > Lock (Ctrl+L), for a file with a file password: unsaved changes first bring "Save changes to
    // %1?" (Yes saves then locks, No locks keeping them for Unlock, Cancel stays unlocked).
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
    // View > Options...: the lock's minutes without input and its following of the screen lock.
    void OnOptions();
    // The idle time of the settings, to the watch that counts it.
    void ApplyLockSettings();
    CIdleWatch& IdleWatch() const { return *m_pIdleWatch; }
    // Whether a command may run while locked: those that neither read nor change sites.
    static bool IsAllowedWhileLocked(int nID);

    int m_nActivateCount = 0;

    static constexpr const char* kBarStateSection = "Lockwarden-Summary";
    // How long an automatic lock waits before it looks again whether the work under way has ended (ms).
    static constexpr int kLockRetryInterval = 50;

Q_SIGNALS:
    // Files dropped on the window, to be opened one after another.
    void filesDropped(const QStringList& files);

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // The menus, the toolbar and the keys, from the command table.
    void CreateCommandBars();
    void CreateStatusBar();
    void ResizeParentToFit();
    void FillRecentFilesMenu();
    void UpdateIndicators();
    // A command's prompt that the first pane cannot show whole (too narrow a window, or no status bar) is
    // shown as a tooltip over its menu entry, or after its tooltip over its toolbar button.
    bool ShowPromptAsTooltip(QObject* pWatched, const QHelpEvent& event);
    bool PromptShowsWhole(const QString& strPrompt) const;
    void UpdateSitesPane();
    // The kind of the open file: "Sealed", "Classic" or "No file password".
    void UpdateKindPane();
    // The message pane's "Locked" line and the sites pane, as the lock stands.
    void UpdateLockPanes();
    void OnLockChanged();
    // The desktop kept our secret on the clipboard: the status bar and a notice of the desktop's say so.
    void OnSecretKeptOnClipboard();
    // The lock itself: bKeep keeps the records (there are unsaved changes), as does data entry under way.
    void LockNow(bool bKeep);
    // Runs a lock asked for automatically once nothing is under way; else closes what holds it and waits.
    void FinishPendingLock();
    // Closes every modal window and pop-up the way Esc would; true when there was one.
    static bool CloseModalWindows();
    bool IsBusy() const;
    QLabel* Pane(int nID) const;
    // The width of a pane showing strText within its frame; each indicator keeps the width it was
    // sized for as its least ("paneWidth").
    static int PaneWidthFor(const QLabel& pane, const QString& strText);
    static constexpr const char* kPaneWidthProperty = "paneWidth";
    CWindowPlacement CurrentPlacement() const;
    void ApplyPlacement(const CWindowPlacement& wp);
    // r made no larger than the screen's available area and moved into it.
    static QRect KeptOnScreen(QRect r, const QRect& screen);

    CLockwardenDoc& m_doc;
    CAppState& m_app;
    CProfileStore& m_store;
    CCommandRouter& m_router;
    CWndPrompts& m_prompts;
    const CRecentFileList& m_recentFiles;
    // Made before the view and let go after it, which clears our secret from the clipboard as it goes.
    std::unique_ptr<CSecretClipboard> m_pSecretClipboard;
    CDesktopNotice* m_pNotice = nullptr; // made the first time it is needed
    CLockwardenView* m_pView = nullptr;
    QPointer<CPasswordHealthDlg> m_pPasswordHealthDlg;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* m_pRecentMenu = nullptr;
    QLabel* m_paneMessage = nullptr;
    QLabel* m_paneSites = nullptr;
    QLabel* m_paneKind = nullptr;
    QLabel* m_paneCaps = nullptr;
    QLabel* m_paneNum = nullptr;
    bool m_bDestroyed = false;
    bool m_bEverShown = false;
    CIdleWatch* m_pIdleWatch = nullptr;
    bool m_bLockPending = false;
};
