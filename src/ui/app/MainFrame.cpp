#include "ui/app/MainFrame.h"

#include "core/app/AppState.h"
#include "core/app/RecentFileList.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/ProfileStore.h"
#include "core/resources/MenuTemplates.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/app/LockController.h"
#include "ui/app/MessageBar.h"
#include "ui/app/OptionsDlg.h"
#include "ui/framework/CommandBars.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/DesktopNotice.h"
#include "ui/platform/KeyboardLocks.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/tools/CreatePasswordsDlg.h"
#include "ui/tools/PasswordHealthDlg.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <utility>

CMainFrame::CMainFrame(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, CProfileStore& store,
                       CCommandRouter& router, const CRecentFileList& recentFiles)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_doc(doc), m_app(app), m_store(store), m_router(router), m_prompts(prompts), m_recentFiles(recentFiles),
      m_pSecretClipboard(std::make_unique<CSecretClipboard>()) {
    setObjectName(QStringLiteral("CMainFrame"));
    // The form, and under it the notices that wait for the user, whole, above the status bar.
    auto* pClient = new QWidget(this);
    auto* pClientLayout = new QVBoxLayout(pClient);
    pClientLayout->setContentsMargins(0, 0, 0, 0);
    pClientLayout->setSpacing(0);
    m_pView = new CLockwardenView(doc, app, prompts, *m_pSecretClipboard, pClient);
    m_pMessageBar = new CMessageBar(pClient);
    pClientLayout->addWidget(m_pView, 1);
    pClientLayout->addWidget(m_pMessageBar);
    setCentralWidget(pClient);
    // The window grows downwards by the bar: what would leave the screen moves back up.
    connect(m_pMessageBar, &CMessageBar::grown, this,
            [this] { QTimer::singleShot(0, this, &CMainFrame::KeepOnScreen); });
    m_noteTimer.setSingleShot(true);
    m_noteTimer.setInterval(kNoteInterval);
    connect(&m_noteTimer, &QTimer::timeout, this, &CMainFrame::UpdateLockPanes);
    connect(m_pView, &CLockwardenView::resizeParentToFit, this, &CMainFrame::ResizeParentToFit);

    CreateCommandBars();
    CreateStatusBar();
    setAcceptDrops(true);

    // The caption, the sites pane and the commands follow the document, whoever changes it; a change made
    // by a command or the form is refreshed with it, once.
    const auto followTitle = [this] {
        OnUpdateFrameTitle();
        m_router.RequestUpdate();
    };
    connect(&m_doc, &CDocument::titleChanged, this, followTitle);
    connect(&m_doc, &CDocument::pathChanged, this, followTitle);
    connect(&m_doc, &CDocument::modifiedChanged, this, followTitle);
    OnUpdateFrameTitle();
    connect(&m_doc, &CLockwardenDoc::sitesChanged, this, [this] {
        UpdateSitesPane();
        m_router.RequestUpdate();
    });
    connect(m_pView, &CLockwardenView::stateChanged, this, &CMainFrame::UpdateSitesPane);
    connect(&m_router, &CCommandRouter::commandsUpdated, this, &CMainFrame::UpdateKindPane);
    connect(m_pView, &CLockwardenView::stateChanged, this, &CMainFrame::UpdateKindPane);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &m_router, &CCommandRouter::UpdateCommands);
    qApp->installEventFilter(this);
    UpdateIndicators();

    // The lock: its owner, and what the frame shows of it. The report lists sites: it goes with them, as Notes
    // and Find do; the generator holds none and stays.
    m_pLock = new CLockController(doc, app, prompts, router, *m_pView, *m_pSecretClipboard, this);
    connect(&m_doc, &CLockwardenDoc::aboutToLock, this, [this] {
        if (m_pPasswordHealthDlg != nullptr)
            m_pPasswordHealthDlg->close();
    });
    connect(&m_doc, &CLockwardenDoc::lockChanged, this, [this] {
        UpdateLockPanes();
        m_router.RequestUpdate();
    });

    connect(m_pSecretClipboard.get(), &CSecretClipboard::stillOnClipboard, this, &CMainFrame::OnSecretKeptOnClipboard);
    connect(m_pSecretClipboard.get(), &CSecretClipboard::putTimed, this,
            [this](int nMs) { ShowNote(LoadString(IDS_NOTE_PASSWORD_COPIED).arg((nMs + 999) / 1000)); });
}

void CMainFrame::OnSecretKeptOnClipboard() {
    m_pMessageBar->Show(CMessageBar::ESource::clipboard, LoadString(IDS_CLIPBOARD_KEPT_PANE),
                        LoadString(IDS_CLIPBOARD_CLEAR_BUTTON), [this] {
                            m_pMessageBar->Clear(CMessageBar::ESource::clipboard);
                            m_pSecretClipboard->ClearLeftover();
                        });
    // The desktop's notice is the one thing the user can click while another window has the focus; clicking it
    // brings this window forward, which may clear the clipboard where a window in the background could not.
    if (m_pNotice == nullptr) {
        m_pNotice = new CDesktopNotice(this);
        connect(m_pNotice, &CDesktopNotice::clicked, this, [this] {
            showNormal();
            raise();
            activateWindow();
            m_pMessageBar->Clear(CMessageBar::ESource::clipboard);
            m_pSecretClipboard->ClearLeftover();
        });
    }
    m_pNotice->Show(QGuiApplication::applicationDisplayName(), LoadString(IDS_CLIPBOARD_KEPT),
                    LoadString(IDS_CLIPBOARD_CLEAR_ACTION));
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    delete m_pLock;
    m_pLock = nullptr;
    // The view goes while the secret clipboard it uses is still there.
    delete m_pView;
    m_pView = nullptr;
}

void CMainFrame::CreateCommandBars() {
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    BuildCommandBars(MainFrameCommands(), m_router, *this, *m_wndToolBar);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_pRecentMenu = MenuHolding(*this, ID_FILE_MRU_FILE1);
    m_pRecentMenu->setObjectName(QStringLiteral("RecentFilesMenu"));
    FillRecentFilesMenu();
    connect(m_pRecentMenu, &QMenu::aboutToShow, this, &CMainFrame::FillRecentFilesMenu);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* pBar = statusBar();
    pBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    m_paneMessage = new QLabel(LoadString(AFX_IDS_IDLEMESSAGE), pBar);
    m_paneMessage->setObjectName(QStringLiteral("ID_SEPARATOR"));
    pBar->addWidget(m_paneMessage, 1);

    const auto pane = [&](int nID, const QString& strWidthOf) {
        auto* pLabel = new QLabel(pBar);
        pLabel->setObjectName(QStringLiteral("ID_%1").arg(nID));
        pLabel->setAlignment(Qt::AlignCenter);
        pLabel->setFrameShape(QFrame::Panel);
        pLabel->setFrameShadow(QFrame::Sunken);
        pLabel->setProperty(kPaneWidthProperty, PaneWidthFor(*pLabel, strWidthOf));
        pLabel->setFixedWidth(pLabel->property(kPaneWidthProperty).toInt());
        pBar->addPermanentWidget(pLabel);
        return pLabel;
    };
    // The sites pane is at least as wide as " \t100 Sites " with its tab measured as a blank.
    m_paneSites = pane(ID_INDICATOR_SITES, LoadString(ID_INDICATOR_SITES).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    // What protects the open file, beside its size: sized for the longest of the three words.
    m_paneKind = pane(ID_INDICATOR_KIND, LoadString(ID_INDICATOR_KIND));
    m_paneCaps = pane(ID_INDICATOR_CAPS, LoadString(ID_INDICATOR_CAPS));
    m_paneNum = pane(ID_INDICATOR_NUM, LoadString(ID_INDICATOR_NUM));
}

int CMainFrame::PaneWidthFor(const QLabel& pane, const QString& strText) {
    return pane.fontMetrics().horizontalAdvance(strText) + 2 * pane.frameWidth() + 4;
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
    m_router.Register(ID_PASSWORD_HEALTH, [this] { OnPasswordHealth(); });
    m_router.Register(
        ID_FILE_LOCK, [this] { m_pLock->OnLock(); }, [this](CCmdUI& ui) { ui.Enable(m_doc.CanLock()); });
    m_router.Register(
        ID_FILE_UNLOCK, [this] { m_pLock->OnUnlock(); }, [this](CCmdUI& ui) { ui.Enable(m_doc.IsLocked()); });
    m_router.Register(ID_OPTIONS, [this] { OnOptions(); });
}

CPasswordHealthDlg* CMainFrame::PasswordHealthDlg() const {
    return m_pPasswordHealthDlg.data();
}

void CMainFrame::OnPasswordHealth() {
    if (m_pPasswordHealthDlg == nullptr) {
        m_pPasswordHealthDlg = new CPasswordHealthDlg(m_doc, m_app, m_prompts, this);
        m_pPasswordHealthDlg->setAttribute(Qt::WA_DeleteOnClose);
        // The report follows the sites, whoever changes them (Keep, Remove, New, Open), and a chosen row
        // shows its site in the form.
        connect(&m_doc, &CLockwardenDoc::sitesChanged, m_pPasswordHealthDlg, &CPasswordHealthDlg::Refresh);
        connect(m_pPasswordHealthDlg, &CPasswordHealthDlg::siteChosen, m_pView, &CLockwardenView::ShowRecord);
    }
    m_pPasswordHealthDlg->show();
    m_pPasswordHealthDlg->raise();
    m_pPasswordHealthDlg->activateWindow();
}

void CMainFrame::OnCreatePasswords() {
    m_pCreatePasswordsDlg = new CCreatePasswordsDlg(m_app, m_prompts, *m_pSecretClipboard);
    connect(m_pCreatePasswordsDlg, &CCreatePasswordsDlg::postNcDestroy, this, [this] {
        m_pCreatePasswordsDlg = nullptr;
        m_router.UpdateCommands();
    });
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
    case ID_INDICATOR_KIND:
        return m_paneKind;
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
    // A screen reader hears what the pane shows.
    pLabel->setAccessibleName(pLabel->text());
    if (nID == 0)
        return;
    // A pane grows to a text longer than the one it was sized for ("100000 Sites"), and shrinks back.
    pLabel->setFixedWidth(std::max(pLabel->property(kPaneWidthProperty).toInt(),
                                   PaneWidthFor(*pLabel, QLatin1Char(' ') + pLabel->text() + QLatin1Char(' '))));
}

QString CMainFrame::PaneText(int nID) const {
    return Pane(nID)->text();
}

void CMainFrame::UpdateSitesPane() {
    // Locked, not even the number of sites shows.
    if (m_doc.IsLocked())
        SetPaneText(ID_INDICATOR_SITES, QLatin1Char('\t') + LoadString(IDS_LOCKED_PANE));
    else
        SetPaneText(ID_INDICATOR_SITES, QStringLiteral("\t%1 Sites").arg(m_pView->SiteCount()));
}

void CMainFrame::UpdateKindPane() {
    const auto texts = [](CLockwardenDoc::EFileKind kind) -> std::pair<int, int> {
        switch (kind) {
        case CLockwardenDoc::EFileKind::sealed:
            return {IDS_KIND_SEALED, IDS_KIND_SEALED_TIP};
        case CLockwardenDoc::EFileKind::classic:
            return {IDS_KIND_CLASSIC, IDS_KIND_CLASSIC_TIP};
        case CLockwardenDoc::EFileKind::noPassword:
            break;
        }
        return {IDS_KIND_NO_PASSWORD, IDS_KIND_NO_PASSWORD_TIP};
    };
    const CLockwardenDoc::EFileKind kind = m_doc.GetFileKind();
    const auto [nText, nTip] = texts(kind);
    QString strText = LoadString(nText);
    QString strTip = LoadString(nTip);
    // A change of kind (a first password, say) is the file's only once it is saved.
    if (kind != m_doc.SavedKind() && !m_doc.IsLocked()) {
        strText = LoadString(IDS_KIND_UNSAVED).arg(strText);
        strTip += QLatin1Char('\n') + LoadString(IDS_KIND_UNSAVED_TIP).arg(CLockwardenDoc::KindText(m_doc.SavedKind()));
    }
    SetPaneText(ID_INDICATOR_KIND, QLatin1Char('\t') + strText);
    m_paneKind->setToolTip(strTip);
    m_paneKind->setAccessibleDescription(strTip);
}

void CMainFrame::UpdateIndicators() {
    bool bCaps = false;
    bool bNum = false;
    QueryKeyboardLocks(bCaps, bNum);
    SetPaneText(ID_INDICATOR_CAPS, bCaps ? LoadString(ID_INDICATOR_CAPS) : QString());
    SetPaneText(ID_INDICATOR_NUM, bNum ? LoadString(ID_INDICATOR_NUM) : QString());
}

bool CMainFrame::PromptShowsWhole(const QString& strPrompt) const {
    return statusBar()->isVisible() &&
           m_paneMessage->fontMetrics().horizontalAdvance(strPrompt) <= m_paneMessage->contentsRect().width();
}

bool CMainFrame::ShowPromptAsTooltip(QObject* pWatched, const QHelpEvent& event) {
    const QAction* pAction = nullptr;
    QWidget* pWidget = nullptr;
    bool bButton = false;
    if (auto* pMenu = qobject_cast<QMenu*>(pWatched); pMenu != nullptr && pMenu->window() == pMenu) {
        // Only this window's menus: the framework's own (a line edit's context menu) have no prompts.
        if (!menuBar()->findChildren<QMenu*>().contains(pMenu))
            return false;
        pAction = pMenu->actionAt(event.pos());
        pWidget = pMenu;
    } else if (auto* pButton = qobject_cast<QToolButton*>(pWatched);
               pButton != nullptr && pButton->parentWidget() == m_wndToolBar) {
        pAction = pButton->defaultAction();
        pWidget = pButton;
        bButton = true;
    }
    if (pAction == nullptr || pAction->isSeparator() || pAction->menu() != nullptr)
        return false;
    const QString strPrompt = pAction->statusTip();
    if (strPrompt.isEmpty() || PromptShowsWhole(strPrompt))
        return false;
    const QString strTip = bButton ? pAction->toolTip() + QLatin1Char('\n') + strPrompt : strPrompt;
    QToolTip::showText(event.globalPos(), strTip, pWidget, pWidget->rect());
    return true;
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip && ShowPromptAsTooltip(pWatched, *static_cast<QHelpEvent*>(pEvent)))
        return true;
    // Enter anywhere in the locked window (the form is greyed, so the window itself has the keys) unlocks;
    // not in the menu bar, which opens its menus with it. After the key, so the prompt does not open inside it.
    if (pEvent->type() == QEvent::KeyPress && m_doc.IsLocked()) {
        const auto* pKey = static_cast<const QKeyEvent*>(pEvent);
        const auto* pWidget = qobject_cast<const QWidget*>(pWatched);
        if ((pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter) &&
            (pKey->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && pWidget != nullptr &&
            pWidget->window() == this && qobject_cast<const QMenuBar*>(pWidget) == nullptr &&
            QApplication::activePopupWidget() == nullptr) {
            QTimer::singleShot(0, this, [this] { m_router.Execute(ID_FILE_UNLOCK); });
            return true;
        }
    }
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
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* pAction = m_router.Action(ID_FILE_MRU_FILE1 + i);
        if (i < nSize) {
            QString strName = CRecentFileList::AbbreviateName(m_recentFiles[i]);
            strName.replace(QLatin1Char('&'), QStringLiteral("&&"));
            pAction->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(strName));
            pAction->setVisible(true);
        } else {
            // An empty list still shows where its files will go, greyed.
            pAction->setText(QStringLiteral("&Recent File"));
            pAction->setVisible(i == 0 && nSize == 0);
        }
    }
}

void CMainFrame::OnUpdateFrameTitle() {
    // The document's name, marked while it holds unsaved changes.
    setWindowTitle(m_doc.GetTitle() + (m_doc.IsModified() ? QStringLiteral(" *") : QString()) + QStringLiteral(" - ") +
                   LoadString(AFX_IDS_APP_TITLE));
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
    wp.bToolBar = m_wndToolBar->isVisibleTo(this);
    wp.bStatusBar = statusBar()->isVisibleTo(this);
    return wp;
}

void CMainFrame::KeepOnScreen() {
    if (!isVisible() || isMinimized() || isMaximized() || screen() == nullptr)
        return;
    // The grown size first, then where it must stand.
    if (layout() != nullptr)
        layout()->activate();
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    const QRect kept = KeptOnScreen(geometry(), screen()->availableGeometry().marginsRemoved(frame));
    if (kept != geometry())
        setGeometry(kept);
}

QRect CMainFrame::KeptOnScreen(QRect r, const QRect& screen) {
    r.setSize(r.size().boundedTo(screen.size()));
    r.moveLeft(std::clamp(r.left(), screen.left(), screen.left() + screen.width() - r.width()));
    r.moveTop(std::clamp(r.top(), screen.top(), screen.top() + screen.height() - r.height()));
    return r;
}

void CMainFrame::ApplyPlacement(const CWindowPlacement& wp) {
    QRect r(wp.nLeft, wp.nTop, wp.nRight - wp.nLeft, wp.nBottom - wp.nTop);
    if (r.width() <= 0 || r.height() <= 0)
        r.setSize(sizeHint());
    // The window comes back whole on the screen that holds most of it; one saved on a screen that is gone
    // comes back on the primary one.
    const QScreen* pHome = nullptr;
    qint64 nMostArea = 0;
    for (const QScreen* pScreen : QGuiApplication::screens()) {
        const QRect common = pScreen->availableGeometry().intersected(r);
        const qint64 nArea = static_cast<qint64>(common.width()) * common.height();
        if (!common.isEmpty() && nArea > nMostArea) {
            nMostArea = nArea;
            pHome = pScreen;
        }
    }
    if (pHome == nullptr && QGuiApplication::primaryScreen() != nullptr) {
        pHome = QGuiApplication::primaryScreen();
        r.moveTopLeft(pHome->availableGeometry().topLeft());
    }
    if (pHome != nullptr) {
        // The rectangle is the inside of the window: its frame, where the platform knows it by now, must
        // fit on the screen as well.
        create();
        const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
        r = KeptOnScreen(r, pHome->availableGeometry().marginsRemoved(frame));
    }
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
            // The saved state holds the toolbar but not the status bar: the placement brings back both.
            m_wndToolBar->setVisible(wp.bToolBar);
            statusBar()->setVisible(wp.bStatusBar);
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
    OnDestroy();
    hide();
}

bool CMainFrame::RefuseWhileEntering() {
    // An empty database is always in data entry: only what the user typed there holds the window.
    if (!m_pView->IsDataEntry() || (m_pView->IsListEmpty() && !m_pView->HasTypedEntry()))
        return false;
    m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    if (!m_pLock->UnlockBeforeLeaving() || RefuseWhileEntering()) {
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
    // Opened once the drop is over: a password prompt must not keep the file manager waiting on it.
    QTimer::singleShot(0, this, [this, files] { Q_EMIT filesDropped(files); });
}

void CMainFrame::UpdateLockPanes() {
    m_noteTimer.stop();
    SetPaneText(0, LoadString(AFX_IDS_IDLEMESSAGE));
    if (m_doc.IsLocked())
        m_pMessageBar->Show(CMessageBar::ESource::lock, LoadString(IDS_LOCKED_MESSAGE), LoadString(IDS_UNLOCK_BUTTON),
                            [this] { m_router.Execute(ID_FILE_UNLOCK); });
    else
        m_pMessageBar->Clear(CMessageBar::ESource::lock);
    UpdateSitesPane();
}

void CMainFrame::ShowNote(const QString& strNote) {
    SetPaneText(0, strNote);
    m_noteTimer.start();
}

void CMainFrame::OnOptions() {
    COptionsDlg dlg(m_prompts, this);
    dlg.m_nLockMinutes = m_app.m_nLockMinutes;
    dlg.m_bLockOnScreenLock = m_app.m_bLockOnScreenLock;
    if (m_prompts.DoModal(dlg) != IDOK)
        return;
    m_app.m_nLockMinutes = dlg.m_nLockMinutes;
    m_app.m_bLockOnScreenLock = dlg.m_bLockOnScreenLock;
    m_pLock->ApplyLockSettings();
}
