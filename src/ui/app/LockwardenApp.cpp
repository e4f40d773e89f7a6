#include "ui/app/LockwardenApp.h"

#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"
#include "core/platform/DesktopRegistration.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/TermSignal.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/app/AboutDlg.h"
#include "ui/app/AutoTypeCommand.h"
#include "ui/app/CodePane.h"
#include "ui/app/FileSync.h"
#include "ui/app/LockController.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/AutoTypeBus.h"
#include "ui/platform/Printers.h"
#include "ui/platform/ScreenLockWatch.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/tools/FindSiteDlg.h"
#include "ui/tools/ResolveConflictsDlg.h"
#include "ui/tools/SiteCsvCommands.h"
#include "ui/view/LockwardenView.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSessionManager>
#include <QStatusBar>
#include <QTimer>

CLockwardenApp::CLockwardenApp(CWndPrompts& prompts, QObject* pParent) : QObject(pParent), m_prompts(prompts) {}

CLockwardenApp::~CLockwardenApp() {
    m_pAutoTypeBus.reset();
    m_pScreenLockWatch.reset();
    // The frame's view refers to the document: the frame goes first.
    m_pMainFrame.reset();
}

bool CLockwardenApp::InitInstance(const QStringList& args) {
    m_pStore = std::make_unique<CProfileStore>(LoadString(AFX_IDS_COMPANY_NAME), LoadString(AFX_IDS_APP_TITLE));
    m_recentFiles.ReadList(*m_pStore);
    m_nNumPreviewPages = m_pStore->GetProfileInt(QStringLiteral("Settings"), QStringLiteral("PreviewPages"), 0);
    m_state.ReadSettings(*m_pStore);
    CreateTemplate();

    m_cmdInfo = CCommandLineInfo();
    m_cmdInfo.ParseCommandLine(args);
    // The window that has the focus now is the one to type into, before ours takes it.
    if (m_cmdInfo.m_bAutoType)
        m_pAutoType->NoteFocusedWindow();
    if (!ProcessShellCommand(m_cmdInfo))
        return false;
    // Then the newest recent file, or else the same action a second time: a plain start makes its new, empty
    // document once more, and a file named on the command line is found open and only activates the window.
    // Either way the window is activated twice, which the frame's placement restore counts on.
    if ((m_state.m_bOpenMRU != 0 || m_cmdInfo.m_bAutoType) && m_cmdInfo.m_nShellCommand == CCommandLineInfo::FileNew) {
        // A failed open has shown its messages and leaves the new document; the entry stays listed.
        const QString strNewest = m_recentFiles[0];
        if (!strNewest.isEmpty())
            OpenDocumentFile(strNewest);
    } else if (!ProcessShellCommand(m_cmdInfo)) {
        return false;
    }

    // The desktop's buses, where there are any: a locked screen locks the window.
    m_pScreenLockWatch = std::make_unique<CScreenLockWatch>();
    connect(m_pScreenLockWatch.get(), &CScreenLockWatch::screenLocked, &m_pMainFrame->Locker(),
            &CLockController::OnScreenLocked);
    m_pTermSignal = std::make_unique<CTermSignal>();
    connect(m_pTermSignal.get(), &CTermSignal::terminationRequested, this, &CLockwardenApp::OnEndSession);
    if (auto* pGuiApp = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(pGuiApp, &QGuiApplication::commitDataRequest, this, &CLockwardenApp::OnCommitDataRequest);
    m_pMainFrame->show();
    m_pAutoTypeBus = std::make_unique<CAutoTypeBus>(CScreenLockWatch::SessionBusOfEnvironment());
    connect(m_pAutoTypeBus.get(), &CAutoTypeBus::autoTypeRequested, m_pAutoType, &CAutoTypeCommand::OnAutoTypeRequest);
    if (m_cmdInfo.m_bAutoType)
        QTimer::singleShot(0, m_pAutoType, &CAutoTypeCommand::OnAutoTypeAfterStart);
    return true;
}

void CLockwardenApp::CreateTemplate() {
    m_pDoc = std::make_unique<CLockwardenDoc>(m_state, m_prompts);
    connect(m_pDoc.get(), &CDocument::addToRecentFileList, this, [this](const QString& strPath) {
        m_recentFiles.Add(strPath);
        // The file's kind is remembered beside it at once: a run that ends hard must not forget it.
        m_state.WriteFileKinds(*m_pStore);
    });
    m_pTemplate = std::make_unique<CSingleDocTemplate>(*m_pDoc, m_prompts);
    m_pRouter = std::make_unique<CCommandRouter>();
    m_pMainFrame = std::make_unique<CMainFrame>(*m_pDoc, m_state, m_prompts, *m_pStore, *m_pRouter, m_recentFiles);
    connect(m_pMainFrame.get(), &CMainFrame::filesDropped, this, &CLockwardenApp::OnDropFiles);
    CLockwardenView* pView = m_pMainFrame->GetActiveView();
    connect(m_pTemplate.get(), &CSingleDocTemplate::initialUpdate, pView, &CLockwardenView::OnInitialUpdate);
    connect(m_pTemplate.get(), &CSingleDocTemplate::activateFrame, m_pMainFrame.get(),
            [this] { m_pMainFrame->ActivateFrame(); });
    m_pSitePrinter = new CSitePrinter(*pView, m_prompts, m_printer);
    m_pFindSite = new CFindSiteCommand(*pView, m_state, m_prompts);
    m_pSiteCsv = new CSiteCsvCommands(*pView, *m_pDoc, m_prompts);
    connect(m_pSiteCsv, &CSiteCsvCommands::noted, m_pMainFrame.get(), &CMainFrame::ShowNote);
    m_pFileSync = new CFileSync(*m_pDoc, *m_pMainFrame, m_prompts, *m_pRouter);
    m_pResolveConflicts = new CResolveConflictsCommand(*pView, *m_pDoc, m_prompts);
    connect(m_pFileSync, &CFileSync::mergeAddedConflicts, m_pResolveConflicts,
            &CResolveConflictsCommand::OfferAfterMerge);
    m_pCodePane =
        new CCodePane(*m_pDoc, *pView, m_pMainFrame->SecretClipboard(), *m_pMainFrame->StatusBar(), m_pMainFrame.get());
    m_pAutoType =
        new CAutoTypeCommand(*m_pDoc, *pView, m_state, m_prompts, *m_pRouter, *m_pMainFrame, m_pMainFrame.get());
    // What auto-type did or why it typed nothing, whole, until it types again or the user dismisses it.
    connect(m_pAutoType, &CAutoTypeCommand::note, m_pMainFrame.get(), [this](const QString& strText) {
        CMessageBar& bar = m_pMainFrame->MessageBar();
        bar.Show(CMessageBar::ESource::typing, strText, LoadString(IDS_DISMISS_BUTTON),
                 [&bar] { bar.Clear(CMessageBar::ESource::typing); });
    });
    RegisterCommands();
}

void CLockwardenApp::RegisterCommands() {
    CCommandRouter& router = *m_pRouter;
    CLockwardenView& view = *m_pMainFrame->GetActiveView();
    view.RegisterCommands(router);
    m_pFindSite->RegisterCommands(router);
    m_pSitePrinter->RegisterCommands(router);
    m_pCodePane->RegisterCommands(router);
    m_pAutoType->RegisterCommands();

    // The document's commands.
    CLockwardenDoc& doc = *m_pDoc;
    router.Register(ID_FILE_SAVE, [&doc] { doc.DoFileSave(); });
    router.Register(ID_FILE_SAVE_AS, [&doc] { doc.OnSaveAs(); });
    router.Register(
        ID_CHANGE_FILE_PSWD, [&doc] { doc.OnChangeFilePassword(); },
        [&doc](CCmdUI& ui) { ui.Enable(doc.OnUpdateChangeFilePassword()); });
    router.Register(
        ID_FILE_SEAL, [&doc] { doc.OnSealAndSave(); }, [&doc](CCmdUI& ui) { ui.Enable(doc.OnUpdateSealFile()); });
    router.Register(
        ID_FILE_SAVE_CLASSIC,
        [this, &doc] {
            if (doc.OnSaveAsClassic())
                m_pMainFrame->ShowNote(LoadString(IDS_NOTE_SAVED_CLASSIC));
        },
        [&doc](CCmdUI& ui) { ui.Enable(doc.OnUpdateSaveAsClassic()); });
    m_pSiteCsv->RegisterCommands(router);
    m_pFileSync->RegisterCommands();
    m_pResolveConflicts->RegisterCommands(router);

    m_pMainFrame->RegisterCommands();

    // The application's.
    router.Register(ID_APP_ABOUT, [this] { OnAppAbout(); });
    router.Register(
        ID_START_WITH_MRU, [this] { OnStartWithMRU(); }, [this](CCmdUI& ui) { OnUpdateStartWithMRU(ui); });
    router.Register(ID_FILE_NEW, [this] { OnFileNew(); });
    router.Register(ID_FILE_OPEN, [this] { OnFileOpen(); });
    router.Register(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    for (int i = 0; i < kRecentFileCount; ++i)
        router.Register(
            ID_FILE_MRU_FILE1 + i, [this, i] { OnOpenRecentFile(i); },
            [this, i](CCmdUI& ui) { ui.Enable(i < m_recentFiles.GetSize()); });
    router.UpdateCommands();
}

bool CLockwardenApp::ProcessShellCommand(const CCommandLineInfo& info) {
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE:
        // Nothing here talks to a shell by DDE: such a start is a plain one.
        if (!m_pTemplate->OnFileNew()) {
            m_nExitCode = 1;
            return false;
        }
        return true;
    case CCommandLineInfo::FileOpen:
        if (!OpenDocumentFile(QFileInfo(info.m_strFileName).absoluteFilePath())) {
            m_nExitCode = 1;
            return false;
        }
        return true;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        m_nExitCode = PrintFromCommandLine(info) ? 0 : 1;
        return false;
    case CCommandLineInfo::AppUnregister:
        m_nExitCode = Unregister() ? 0 : 1;
        return false;
    }
    return false;
}

bool CLockwardenApp::Unregister() {
    m_pStore->RemoveAll();
    const bool bRemoved = RemoveUserRegistration();
    if (!m_cmdInfo.m_bRunEmbedding)
        m_prompts.MessageBox(LoadString(AFX_IDP_UNREG_DONE), MB_ICONINFORMATION | MB_OK);
    return bRemoved;
}

// /p and /pt: the file's shown site goes to the default or the named printer without a dialog, and the
// program ends. The printer is looked for, and asked whether it takes jobs, first, so that a start that
// cannot print says so before it asks for the file's password. The driver and port of /pt name nothing on this system.
bool CLockwardenApp::PrintFromCommandLine(const CCommandLineInfo& info) {
    const bool bNamed = info.m_nShellCommand == CCommandLineInfo::FilePrintTo;
    QString strPrinter;
    const int nNoPrinter = bNamed && info.m_strPrinterName.isEmpty() ? IDS_UNKNOWN_PRINTER
                                                                     : FindPrinter(info.m_strPrinterName, strPrinter);
    if (nNoPrinter != 0) {
        const QString strText = LoadString(nNoPrinter);
        m_prompts.MessageBox(nNoPrinter == IDS_UNKNOWN_PRINTER ? strText.arg(info.m_strPrinterName) : strText,
                             MB_ICONSTOP | MB_OK);
        return false;
    }
    if (const QString strRefusal = PrinterRefusal(strPrinter); !strRefusal.isEmpty()) {
        m_prompts.MessageBox(strRefusal, MB_ICONSTOP | MB_OK);
        return false;
    }
    if (!OpenDocumentFile(QFileInfo(info.m_strFileName).absoluteFilePath()))
        return false;
    Printer().setPrinterName(strPrinter);
    return m_pSitePrinter->OnFilePrintDirect();
}

QPrinter& CLockwardenApp::Printer() {
    return m_printer.Get();
}

bool CLockwardenApp::OpenDocumentFile(const QString& strPath) {
    return m_pTemplate->OpenDocumentFile(strPath);
}

int CLockwardenApp::ExitInstance() {
    if (m_bExited)
        return 0;
    m_bExited = true;
    if (m_pMainFrame)
        m_pMainFrame->OnDestroy();
    if (!m_pStore)
        return 0;
    m_state.WriteSettings(*m_pStore);
    if (m_cmdInfo.m_nShellCommand != CCommandLineInfo::AppUnregister) {
        m_recentFiles.WriteList(*m_pStore);
        m_pStore->WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("PreviewPages"), m_nNumPreviewPages);
    }
    m_pStore->Sync();
    return 0;
}

void CLockwardenApp::OnAppAbout() {
    CAboutDlg dlg(m_prompts, m_pMainFrame.get());
    m_prompts.DoModal(dlg);
}

void CLockwardenApp::OnStartWithMRU() {
    m_state.m_bOpenMRU = m_state.m_bOpenMRU == 0 ? 1 : 0;
}

void CLockwardenApp::OnUpdateStartWithMRU(CCmdUI& ui) const {
    ui.SetCheck(m_state.m_bOpenMRU != 0);
}

// Leaving the open file: a lock that keeps unsaved changes asks for the password first, so the save question
// that follows comes with the sites to see; then an entry under way holds it.
bool CLockwardenApp::MayLeaveDocument() {
    return m_pMainFrame->Locker().UnlockBeforeLeaving() && !m_pMainFrame->RefuseWhileEntering();
}

void CLockwardenApp::OnFileNew() {
    if (MayLeaveDocument())
        m_pTemplate->OnFileNew();
}

void CLockwardenApp::OnFileOpen() {
    if (MayLeaveDocument())
        m_pTemplate->OnFileOpen();
}

void CLockwardenApp::OnFilePrintSetup() {
    QPrintDialog dlg(&Printer(), m_pMainFrame.get());
    dlg.setWindowTitle(QStringLiteral("Print Setup"));
    dlg.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // It chooses and prints nothing: its OK keeps the choice for the next print.
    if (auto* pButtons = dlg.findChild<QDialogButtonBox*>()) {
        if (QPushButton* pOk = pButtons->button(QDialogButtonBox::Ok))
            pOk->setText(QStringLiteral("OK"));
    }
    m_prompts.DoModal(dlg);
}

void CLockwardenApp::OnOpenRecentFile(int nIndex) {
    const QString strPath = m_recentFiles[nIndex];
    if (strPath.isEmpty() || !MayLeaveDocument())
        return;
    // A file that is gone leaves the list; one whose password prompt was cancelled, or that another
    // program holds for a moment, stays.
    if (!OpenDocumentFile(strPath) && !QFileInfo::exists(strPath))
        m_recentFiles.Remove(nIndex);
}

void CLockwardenApp::OnDropFiles(const QStringList& files) {
    if (!MayLeaveDocument())
        return;
    for (const QString& strFile : files)
        OpenDocumentFile(QFileInfo(strFile).absoluteFilePath());
}

void CLockwardenApp::OnCommitDataRequest(QSessionManager& manager) {
    if (manager.allowsInteraction()) {
        // As at Exit: unsaved changes kept under the lock are asked about only after Unlock.
        const bool bMayEnd = m_pMainFrame->Locker().UnlockBeforeLeaving() && m_pDoc->SaveModified();
        manager.release();
        if (!bMayEnd) {
            manager.cancel();
            return;
        }
    }
    OnEndSession();
}

void CLockwardenApp::OnEndSession() {
    // With no path there is nowhere to save to; unmodified, a write could only undo another program's change.
    m_pFileSync->SaveAtSessionEnd();
    m_pMainFrame->OnEndSession(true);
    QCoreApplication::quit();
}
