#include "app/MainFrame.h"

#include "app/RecentFileList.h"
#include "database/LockwardenDoc.h"
#include "framework/CommandRouter.h"
#include "framework/WndPrompts.h"
#include "platform/KeyboardLocks.h"
#include "platform/ProfileStore.h"
#include "resources/Resource.h"
#include "resources/Strings.h"
#include "tools/CreatePasswordsDlg.h"
#include "view/LockwardenView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace {

// Small pictures for the toolbar when the desktop's icon theme has none: drawn, so they need no files.
QIcon DrawnIcon(int nID) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (nID) {
    case ID_EDIT_CUT:
        p.drawEllipse(QRectF(2.5, 10.5, 4, 4));
        p.drawEllipse(QRectF(9.5, 10.5, 4, 4));
        p.drawLine(QPointF(5.5, 10.5), QPointF(11, 1.5));
        p.drawLine(QPointF(10.5, 10.5), QPointF(5, 1.5));
        break;
    case ID_EDIT_COPY:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 8, 10));
        p.drawRect(QRectF(6.5, 4.5, 8, 10));
        break;
    case ID_EDIT_PASTE:
        p.setBrush(QColor(0xc8, 0x9b, 0x5a));
        p.drawRect(QRectF(2.5, 2.5, 10, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 6.5, 8, 8));
        p.setBrush(Qt::gray);
        p.drawRect(QRectF(5.5, 1.5, 4, 2));
        break;
    case ID_FILE_PRINT:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(Qt::lightGray);
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    default:
        break;
    }
    return QIcon(pm);
}

QIcon ToolIcon(const QStyle* pStyle, int nID) {
    struct CIconOf {
        int nID;
        const char* pszTheme;
        int nStandard; // QStyle::StandardPixmap, or -1 for a drawn picture
    };
    static const CIconOf icons[] = {
        {ID_FILE_NEW, "document-new", QStyle::SP_FileIcon},
        {ID_FILE_OPEN, "document-open", QStyle::SP_DialogOpenButton},
        {ID_FILE_SAVE, "document-save", QStyle::SP_DialogSaveButton},
        {ID_EDIT_CUT, "edit-cut", -1},
        {ID_EDIT_COPY, "edit-copy", -1},
        {ID_EDIT_PASTE, "edit-paste", -1},
        {ID_FILE_PRINT, "document-print", -1},
        {ID_APP_ABOUT, "help-about", QStyle::SP_MessageBoxInformation},
    };
    for (const CIconOf& icon : icons) {
        if (icon.nID != nID)
            continue;
        const QIcon fallback = icon.nStandard >= 0
                                   ? pStyle->standardIcon(static_cast<QStyle::StandardPixmap>(icon.nStandard))
                                   : DrawnIcon(nID);
        return QIcon::fromTheme(QString::fromLatin1(icon.pszTheme), fallback);
    }
    return {};
}

} // namespace

CMainFrame::CMainFrame(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, CProfileStore& store,
                       CCommandRouter& router, const CRecentFileList& recentFiles)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_doc(doc), m_app(app), m_store(store), m_router(router), m_prompts(prompts), m_recentFiles(recentFiles) {
    setObjectName(QStringLiteral("CMainFrame"));
    m_pView = new CLockwardenView(doc, app, prompts, this);
    setCentralWidget(m_pView);
    m_pView->m_onResizeParentToFit = [this] { ResizeParentToFit(); };

    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateShortcuts();
    setAcceptDrops(true);

    m_doc.m_onTitleChanged = [this] {
        OnUpdateFrameTitle();
        m_router.UpdateCommands();
    };
    OnUpdateFrameTitle();
    connect(&m_router, &CCommandRouter::commandsUpdated, this, &CMainFrame::UpdateSitesPane);
    connect(m_pView, &CLockwardenView::stateChanged, this, &CMainFrame::UpdateSitesPane);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &m_router, &CCommandRouter::UpdateCommands);
    qApp->installEventFilter(this);
    UpdateIndicators();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    m_doc.m_onTitleChanged = nullptr;
}

QAction* CMainFrame::MenuAction(QMenu* pMenu, int nID, const QString& strText) {
    QAction* pAction = m_router.Action(nID);
    pAction->setText(strText);
    pMenu->addAction(pAction);
    return pAction;
}

void CMainFrame::CreateMenus() {
    QMenuBar* pBar = menuBar();

    QMenu* pFile = pBar->addMenu(QStringLiteral("&File"));
    MenuAction(pFile, ID_FILE_NEW, QStringLiteral("&New"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    MenuAction(pFile, ID_FILE_OPEN, QStringLiteral("&Open..."))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    MenuAction(pFile, ID_FILE_SAVE, QStringLiteral("&Save"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    MenuAction(pFile, ID_FILE_SAVE_AS, QStringLiteral("Save &As..."));
    pFile->addSeparator();
    m_pRecentMenu = pFile->addMenu(QStringLiteral("Recent Files"));
    m_pRecentMenu->setObjectName(QStringLiteral("RecentFilesMenu"));
    MenuAction(m_pRecentMenu, ID_START_WITH_MRU, QStringLiteral("Start With MRU"))->setCheckable(true);
    m_pRecentMenu->addSeparator();
    for (int i = 0; i < 4; ++i)
        MenuAction(m_pRecentMenu, ID_FILE_MRU_FILE1 + i, QStringLiteral("Recent File"));
    FillRecentFilesMenu();
    connect(m_pRecentMenu, &QMenu::aboutToShow, this, &CMainFrame::FillRecentFilesMenu);
    pFile->addSeparator();
    QMenu* pPrinting = pFile->addMenu(QStringLiteral("Printing"));
    MenuAction(pPrinting, ID_FILE_PRINT, QStringLiteral("&Print..."))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    MenuAction(pPrinting, ID_FILE_PRINT_PREVIEW, QStringLiteral("Print Pre&view"));
    MenuAction(pPrinting, ID_FILE_PRINT_SETUP, QStringLiteral("P&rint Setup..."));
    pFile->addSeparator();
    // Alt+F4 is the window manager's; bound here too for a desktop without one.
    MenuAction(pFile, ID_APP_EXIT, QStringLiteral("E&xit"))->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu* pEdit = pBar->addMenu(QStringLiteral("&Edit"));
    MenuAction(pEdit, ID_EDIT_UNDO, QStringLiteral("Undo"))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    MenuAction(pEdit, ID_EDIT_CUT, QStringLiteral("Cut"))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    MenuAction(pEdit, ID_EDIT_COPY, QStringLiteral("Copy"))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    MenuAction(pEdit, ID_EDIT_PASTE, QStringLiteral("Paste"))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    pEdit->addSeparator();
    QMenu* pSite = pEdit->addMenu(QStringLiteral("Site"));
    MenuAction(pSite, ID_SITE_ADD, QStringLiteral("Add"));
    MenuAction(pSite, ID_SITE_EDIT, QStringLiteral("Edit"));
    MenuAction(pSite, ID_SITE_REMOVE, QStringLiteral("Remove"));
    MenuAction(pSite, ID_SITE_KEEP, QStringLiteral("Keep"));
    MenuAction(pSite, ID_SITE_CANCEL, QStringLiteral("Cancel"));
    pSite->addSeparator();
    MenuAction(pSite, ID_SITE_NOTES, QStringLiteral("Notes"));
    pSite->addSeparator();
    MenuAction(pSite, ID_EDIT_FIND, QStringLiteral("Find Site"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    pSite->addSeparator();
    MenuAction(pSite, ID_GO_URL, QStringLiteral("Go URL..."));
    pEdit->addSeparator();
    MenuAction(pEdit, ID_CHANGE_FILE_PSWD, QStringLiteral("Change File Pswd..."));

    QMenu* pView = pBar->addMenu(QStringLiteral("&View"));
    MenuAction(pView, ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"))->setCheckable(true);
    MenuAction(pView, ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"))->setCheckable(true);
    pView->addSeparator();
    MenuAction(pView, ID_CREATE_PASSWORDS, QStringLiteral("Create Passwords..."));

    QMenu* pHelp = pBar->addMenu(QStringLiteral("&Help"));
    MenuAction(pHelp, ID_APP_ABOUT, QStringLiteral("&About Lockwarden..."));
    MenuAction(pHelp, ID_DOCUMENTATION, QStringLiteral("Documentation..."))->setShortcut(QKeySequence(Qt::Key_F1));

    // Enabling and check marks are fresh whenever a menu opens.
    for (QMenu* pMenu : pBar->findChildren<QMenu*>())
        connect(pMenu, &QMenu::aboutToShow, &m_router, &CCommandRouter::UpdateCommands);
}

void CMainFrame::CreateShortcuts() {
    // F6 and Shift+F6 move between panes; this window has none, so their commands stay without a handler.
    QAction* pNext = m_router.Action(ID_NEXT_PANE);
    pNext->setShortcut(QKeySequence(Qt::Key_F6));
    QAction* pPrev = m_router.Action(ID_PREV_PANE);
    pPrev->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    addAction(pNext);
    addAction(pPrev);
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int buttons[] = {
        ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_FILE_PRINT,
        0,           ID_APP_ABOUT};
    for (int nID : buttons) {
        if (nID == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* pAction = m_router.Action(nID);
        pAction->setIcon(ToolIcon(style(), nID));
        m_wndToolBar->addAction(pAction);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* pBar = statusBar();
    pBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    m_paneMessage = new QLabel(LoadString(AFX_IDS_IDLEMESSAGE), pBar);
    m_paneMessage->setObjectName(QStringLiteral("ID_SEPARATOR"));
    pBar->addWidget(m_paneMessage, 1);

    const QFontMetrics fm(pBar->font());
    const auto pane = [&](int nID, const QString& strWidthOf) {
        auto* pLabel = new QLabel(pBar);
        pLabel->setObjectName(QStringLiteral("ID_%1").arg(nID));
        pLabel->setAlignment(Qt::AlignCenter);
        pLabel->setFrameShape(QFrame::Panel);
        pLabel->setFrameShadow(QFrame::Sunken);
        pLabel->setFixedWidth(fm.horizontalAdvance(strWidthOf) + 2 * pLabel->frameWidth() + 4);
        pBar->addPermanentWidget(pLabel);
        return pLabel;
    };
    // The sites pane is as wide as " \t100 Sites " with its tab measured as a blank.
    m_paneSites = pane(ID_INDICATOR_SITES, LoadString(ID_INDICATOR_SITES).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    m_paneSites->setAccessibleName(QStringLiteral("Sites"));
    m_paneCaps = pane(ID_INDICATOR_CAPS, LoadString(ID_INDICATOR_CAPS));
    m_paneCaps->setAccessibleName(QStringLiteral("Caps Lock"));
    m_paneNum = pane(ID_INDICATOR_NUM, LoadString(ID_INDICATOR_NUM));
    m_paneNum->setAccessibleName(QStringLiteral("Num Lock"));
}

void CMainFrame::RegisterCommands() {
    m_router.Register(
        ID_VIEW_TOOLBAR, [this] { m_wndToolBar->setVisible(!m_wndToolBar->isVisible()); },
        [this](CCmdUI& ui) { ui.SetCheck(m_wndToolBar->isVisibleTo(this)); });
    m_router.Register(
        ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isVisibleTo(this)); });
    m_router.Register(ID_APP_EXIT, [this] { close(); });
    m_router.Register(
        ID_CREATE_PASSWORDS, [this] { OnCreatePasswords(); }, [this](CCmdUI& ui) { OnUpdateCreatePasswords(ui); });
}

void CMainFrame::OnCreatePasswords() {
    m_pCreatePasswordsDlg = new CCreatePasswordsDlg(m_app, m_prompts);
    m_pCreatePasswordsDlg->m_onPostNcDestroy = [this] {
        m_pCreatePasswordsDlg = nullptr;
        m_router.UpdateCommands();
    };
    m_pCreatePasswordsDlg->Create(this);
    m_pCreatePasswordsDlg->show();
}

void CMainFrame::OnUpdateCreatePasswords(CCmdUI& cmdUI) const {
    cmdUI.Enable(m_pCreatePasswordsDlg == nullptr);
}

QLabel* CMainFrame::Pane(int nID) const {
    switch (nID) {
    case ID_INDICATOR_SITES:
        return m_paneSites;
    case ID_INDICATOR_CAPS:
        return m_paneCaps;
    case ID_INDICATOR_NUM:
        return m_paneNum;
    default:
        return m_paneMessage;
    }
}

void CMainFrame::SetPaneText(int nID, const QString& strText) {
    QLabel* pLabel = Pane(nID);
    const bool bCentred = strText.startsWith(QLatin1Char('\t'));
    pLabel->setAlignment(bCentred || nID != 0 ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
    pLabel->setText(bCentred ? strText.mid(1) : strText);
}

QString CMainFrame::PaneText(int nID) const {
    return Pane(nID)->text();
}

void CMainFrame::UpdateSitesPane() {
    SetPaneText(ID_INDICATOR_SITES, QStringLiteral("\t%1 Sites").arg(m_pView->SiteCount()));
}

void CMainFrame::UpdateIndicators() {
    bool bCaps = false;
    bool bNum = false;
    QueryKeyboardLocks(bCaps, bNum);
    SetPaneText(ID_INDICATOR_CAPS, bCaps ? LoadString(ID_INDICATOR_CAPS) : QString());
    SetPaneText(ID_INDICATOR_NUM, bNum ? LoadString(ID_INDICATOR_NUM) : QString());
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent) {
    switch (pEvent->type()) {
    case QEvent::KeyRelease:
    case QEvent::ApplicationStateChange:
    case QEvent::WindowActivate:
        UpdateIndicators();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

void CMainFrame::FillRecentFilesMenu() {
    const int nSize = m_recentFiles.GetSize();
    for (int i = 0; i < 4; ++i) {
        QAction* pAction = m_router.Action(ID_FILE_MRU_FILE1 + i);
        if (i < nSize) {
            QString strName = CRecentFileList::AbbreviateName(m_recentFiles[i]);
            strName.replace(QLatin1Char('&'), QStringLiteral("&&"));
            pAction->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(strName));
            pAction->setVisible(true);
        } else {
            // An empty list still shows where its files will go, greyed.
            pAction->setText(QStringLiteral("Recent File"));
            pAction->setVisible(i == 0 && nSize == 0);
        }
    }
}

void CMainFrame::OnUpdateFrameTitle() {
    setWindowTitle(m_doc.GetTitle() + QStringLiteral(" - ") + LoadString(AFX_IDS_APP_TITLE));
}

void CMainFrame::ResizeParentToFit() {
    if (isMaximized() || isMinimized())
        return;
    // A form laid out by hand has no size hint: its controls' extent is its size, and the window keeps
    // at least that much room for it.
    if (m_pView->minimumSize().isEmpty()) {
        QSize formSize = m_pView->sizeHint();
        if (!formSize.isValid())
            formSize = m_pView->childrenRect().united(QRect(QPoint(0, 0), m_pView->size())).size();
        m_pView->setMinimumSize(formSize);
    }
    const QSize hint = sizeHint();
    if (!m_bEverShown) {
        resize(hint);
        return;
    }
    // Shrink only: a window the user made smaller than the form keeps its size.
    resize(std::min(width(), hint.width()), std::min(height(), hint.height()));
}

CWindowPlacement CMainFrame::CurrentPlacement() const {
    const QRect r = (isMinimized() || isMaximized()) ? normalGeometry() : geometry();
    CWindowPlacement wp;
    wp.nLeft = r.x();
    wp.nTop = r.y();
    wp.nRight = r.x() + r.width();
    wp.nBottom = r.y() + r.height();
    if (isMinimized()) {
        wp.showState = EShowState::Minimized;
        wp.bRestoreToMaximized = (windowState() & Qt::WindowMaximized) != 0;
    } else if (isMaximized()) {
        wp.showState = EShowState::Maximized;
    }
    return wp;
}

void CMainFrame::ApplyPlacement(const CWindowPlacement& wp) {
    QRect r(wp.nLeft, wp.nTop, wp.nRight - wp.nLeft, wp.nBottom - wp.nTop);
    if (r.width() <= 0 || r.height() <= 0)
        r.setSize(sizeHint());
    // A window saved on a screen that is gone comes back on the primary one.
    bool bOnScreen = false;
    for (const QScreen* pScreen : QGuiApplication::screens())
        bOnScreen = bOnScreen || pScreen->availableGeometry().intersects(r);
    if (!bOnScreen && QGuiApplication::primaryScreen() != nullptr)
        r.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    setWindowState(Qt::WindowNoState);
    setGeometry(r);
    Qt::WindowStates state = Qt::WindowNoState;
    if (wp.showState == EShowState::Minimized)
        state = Qt::WindowMinimized | (wp.bRestoreToMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
    else if (wp.showState == EShowState::Maximized)
        state = Qt::WindowMaximized;
    setWindowState(state);
    setVisible(true);
    m_bEverShown = true;
}

void CMainFrame::ActivateFrame(int nCmdShow) {
    if (m_nActivateCount < 2) {
        ++m_nActivateCount;
        CWindowPlacement wp;
        if (ReadWindowPlacement(m_store, wp)) {
            const QByteArray state = QByteArray::fromBase64(
                m_store.GetProfileString(QString::fromLatin1(kBarStateSection), QStringLiteral("state")).toLatin1());
            if (!state.isEmpty())
                restoreState(state);
            // The saved state decides how the window shows, whatever the caller asked for.
            ApplyPlacement(wp);
            return;
        }
    }
    if (nCmdShow == SW_HIDE)
        return;
    setVisible(true);
    raise();
    activateWindow();
    m_bEverShown = true;
}

void CMainFrame::OnDestroy() {
    // The generator goes first, so its values reach the application state before the settings are written.
    if (m_pCreatePasswordsDlg != nullptr)
        m_pCreatePasswordsDlg->DestroyWindow();
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    // A window that never showed has no placement of the user's; the saved one stays.
    if (!m_bEverShown)
        return;
    WriteWindowPlacement(m_store, CurrentPlacement());
    m_store.WriteProfileString(QString::fromLatin1(kBarStateSection), QStringLiteral("state"),
                               QString::fromLatin1(saveState().toBase64()));
}

void CMainFrame::OnEndSession(bool bEnding) {
    if (!bEnding)
        return;
    // With no path there is nowhere to save to, and a message box now could hold up the session's end.
    if (!m_doc.GetPathName().isEmpty())
        m_doc.OnSaveDocument(m_doc.GetPathName());
    OnDestroy();
    hide();
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    if (!m_pView->IsListEmpty() && !m_pView->IsBrowsing()) {
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
        pEvent->ignore();
        return;
    }
    if (!m_doc.SaveModified()) {
        pEvent->ignore();
        return;
    }
    OnDestroy();
    pEvent->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent) {
    const QList<QUrl> urls = pEvent->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
        pEvent->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* pEvent) {
    QStringList files;
    for (const QUrl& url : pEvent->mimeData()->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile());
    if (files.isEmpty())
        return;
    pEvent->acceptProposedAction();
    activateWindow();
    if (m_onDropFiles)
        m_onDropFiles(files);
}
