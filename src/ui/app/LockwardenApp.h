#pragma once

#include "core/app/AppState.h"
#include "core/app/CommandLineInfo.h"
#include "core/app/RecentFileList.h"
#include "ui/view/SitePrint.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CAutoTypeBus;
class CAutoTypeCommand;
class CCodePane;
class CCommandRouter;
class CFileSync;
class CFindSiteCommand;
class CResolveConflictsCommand;
class CSiteCsvCommands;
class CLockwardenDoc;
class CMainFrame;
class CProfileStore;
class CScreenLockWatch;
class CSingleDocTemplate;
class CTermSignal;
class CWndPrompts;
class CCmdUI;
class QPrinter;
class QSessionManager;

// The application object: it starts the program (settings, recent files, the document with its frame and
// view, the command line, the reopen of the newest file), runs its own commands, and writes the
// settings back at exit.
class CLockwardenApp : public QObject {
    Q_OBJECT
public:
    explicit CLockwardenApp(CWndPrompts& prompts, QObject* pParent = nullptr);
    ~CLockwardenApp() override;

    // args: the command line after the program's name. False ends the program; m_nExitCode then says how.
    bool InitInstance(const QStringList& args);
    // Writes the settings, and the recent list and "PreviewPages" unless the start was to unregister.
    int ExitInstance();

    // The framework's commands and the application's own.
    void OnAppAbout();
    void OnStartWithMRU();
    void OnUpdateStartWithMRU(CCmdUI& ui) const;
    void OnFileNew();
    void OnFileOpen();
    // Print Setup: the printer and page that the next print uses.
    void OnFilePrintSetup();
    void OnOpenRecentFile(int nIndex);
    // Opens each file as File > Open would.
    void OnDropFiles(const QStringList& files);
    // The session manager's question before log-out: the document may be saved or the log-out cancelled.
    void OnCommitDataRequest(QSessionManager& manager);
    // Log-out or SIGTERM: the document is saved to its path without asking, and the program ends.
    void OnEndSession();

    // Opens a file and, when it worked, puts it at the top of the recent list.
    bool OpenDocumentFile(const QString& strPath);
    // The one printer of the run, made on first use at the printer's own resolution, so that a start
    // without printing never asks the print service.
    QPrinter& Printer();

    CAppState m_state;
    std::unique_ptr<CProfileStore> m_pStore;
    CRecentFileList m_recentFiles{4};
    int m_nNumPreviewPages = 0;
    CCommandLineInfo m_cmdInfo;
    std::unique_ptr<CLockwardenDoc> m_pDoc;
    std::unique_ptr<CSingleDocTemplate> m_pTemplate;
    std::unique_ptr<CCommandRouter> m_pRouter;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    // Tells the frame when the screen locks; made once the program has started.
    std::unique_ptr<CScreenLockWatch> m_pScreenLockWatch;
    // Follows the open file on disk and merges; the main frame's child.
    CFileSync* m_pFileSync = nullptr;
    // The one-time code's pane with Copy Code, and auto-type; the main frame's children.
    CCodePane* m_pCodePane = nullptr;
    CAutoTypeCommand* m_pAutoType = nullptr;
    // Where `lockwarden --auto-type` finds this window; made once the program has started.
    std::unique_ptr<CAutoTypeBus> m_pAutoTypeBus;
    int m_nExitCode = 0;

private:
    bool MayLeaveDocument();
    bool ProcessShellCommand(const CCommandLineInfo& info);
    void CreateTemplate();
    void RegisterCommands();
    bool Unregister();
    bool PrintFromCommandLine(const CCommandLineInfo& info);

    CWndPrompts& m_prompts;
    CAppPrinter m_printer;
    CSitePrinter* m_pSitePrinter = nullptr;  // the view's child
    CFindSiteCommand* m_pFindSite = nullptr; // the view's child
    CSiteCsvCommands* m_pSiteCsv = nullptr;  // the view's child
    // The view's child too.
    CResolveConflictsCommand* m_pResolveConflicts = nullptr;
    std::unique_ptr<CTermSignal> m_pTermSignal;
    bool m_bExited = false;
};
