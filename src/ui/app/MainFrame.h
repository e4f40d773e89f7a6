#pragma once

#include "core/app/WindowPlacement.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class CAppState;
class CCmdUI;
class CCommandRouter;
class CCreatePasswordsDlg;
class CLockController;
class CMessageBar;
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

    // The lock's owner in the window: Lock, Unlock, the automatic lock and what may run while locked.
    CLockController& Locker() const { return *m_pLock; }
    // The notices that wait for the user, above the status bar.
    CMessageBar& MessageBar() const { return *m_pMessageBar; }
    // A short note of what was just done, in the first pane for a few seconds (kNoteInterval).
    void ShowNote(const QString& strNote);
    static constexpr int kNoteInterval = 6000;
    // View > Options...: the lock's minutes without input and its following of the screen lock.
    void OnOptions();

    int m_nActivateCount = 0;

    static constexpr const char* kBarStateSection = "Lockwarden-Summary";

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
    // The first pane back to its idle text, the lock's notice and the sites pane, as the lock stands.
    void UpdateLockPanes();
    // The desktop kept our secret on the clipboard: the status bar and a notice of the desktop's say so.
    void OnSecretKeptOnClipboard();
    QLabel* Pane(int nID) const;
    // The width of a pane showing strText within its frame; each indicator keeps the width it was
    // sized for as its least ("paneWidth").
    static int PaneWidthFor(const QLabel& pane, const QString& strText);
    static constexpr const char* kPaneWidthProperty = "paneWidth";
    CWindowPlacement CurrentPlacement() const;
    void ApplyPlacement(const CWindowPlacement& wp);
    // The window moved back whole onto its screen, after it grew.
    void KeepOnScreen();
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
    CLockController* m_pLock = nullptr;
    CMessageBar* m_pMessageBar = nullptr;
    QTimer m_noteTimer;
};
