#include "ui/app/AutoTypeCommand.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SiteOrder.h"
#include "core/framework/MessageBoxButtons.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/AutoTypeMatch.h"
#include "ui/app/CodePane.h"
#include "ui/framework/CommandBars.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/ActiveWindow.h"
#include "ui/platform/KeyTyper.h"
#include "ui/platform/PortalKeyTyper.h"
#include "ui/platform/ScreenLockWatch.h"
#include "ui/tools/AutoTypePickerDlg.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QDateTime>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// How often the wait for another window's focus looks (ms).
constexpr int kFocusPoll = 20;

void WipeSteps(std::vector<AutoTypeSequence::CStep>& steps) {
    for (AutoTypeSequence::CStep& step : steps)
        WipeText(step.strText);
    steps.clear();
}

} // namespace

CAutoTypeCommand::CAutoTypeCommand(CLockwardenDoc& doc, CLockwardenView& view, CAppState& app, CWndPrompts& prompts,
                                   CCommandRouter& router, QMainWindow& window, QObject* pParent)
    : QObject(pParent), m_doc(doc), m_view(view), m_app(app), m_prompts(prompts), m_router(router), m_window(window),
      m_pFocusPoll(new QTimer(this)) {
    m_pFocusPoll->setInterval(kFocusPoll);
    connect(m_pFocusPoll, &QTimer::timeout, this, &CAutoTypeCommand::WaitForOtherWindow);
    const QString strPlatform = QGuiApplication::platformName();
    if (strPlatform == QLatin1String("xcb")) {
        m_pActive = std::make_unique<CActiveX11Window>();
        SetTyper(MakeX11KeyTyper());
    } else if (strPlatform.startsWith(QLatin1String("wayland"))) {
        SetTyper(std::make_unique<CPortalKeyTyper>(CScreenLockWatch::SessionBusOfEnvironment(),
                                                   QString::fromStdString(app.m_strPortalToken)));
    } else {
        SetTyper(nullptr);
    }
}

CAutoTypeCommand::~CAutoTypeCommand() {
    WipeSteps(m_steps);
}

void CAutoTypeCommand::RegisterCommands() {
    m_router.Register(
        ID_EDIT_AUTO_TYPE, [this] { OnAutoType(); }, [this](CCmdUI& ui) { OnUpdateAutoType(ui); });
    ShowWhyNot();
    // A greyed entry tells why when the pointer rests on it.
    if (QMenu* pMenu = MenuHolding(m_window, ID_EDIT_AUTO_TYPE))
        pMenu->installEventFilter(this);
}

void CAutoTypeCommand::SetTyper(std::unique_ptr<CKeyTyper> pTyper) {
    m_pTyper = std::move(pTyper);
    m_bChecked = false;
    m_bCanType = false;
    m_strWhyNot.clear();
    if (m_pTyper == nullptr)
        m_strWhyNot = QStringLiteral("this desktop offers no way to type into another program's window");
    else
        QTimer::singleShot(0, this, [this] {
            if (!m_bChecked)
                CheckTyper();
        });
    ShowWhyNot();
}

void CAutoTypeCommand::CheckTyper() {
    m_bChecked = true;
    if (m_pTyper == nullptr)
        return;
    std::string strWhy;
    m_bCanType = m_pTyper->IsAvailable(strWhy);
    m_strWhyNot = m_bCanType ? QString() : QString::fromStdString(strWhy);
    ShowWhyNot();
    m_router.RequestUpdate();
}

void CAutoTypeCommand::ShowWhyNot() {
    if (!m_router.HasHandler(ID_EDIT_AUTO_TYPE))
        return;
    QAction* pAction = m_router.Action(ID_EDIT_AUTO_TYPE);
    if (m_strWhyNot.isEmpty()) {
        pAction->setStatusTip(PromptOf(ID_EDIT_AUTO_TYPE));
        pAction->setToolTip(TooltipOf(ID_EDIT_AUTO_TYPE));
    } else {
        const QString strWhy = LoadString(IDS_AUTOTYPE_UNAVAILABLE).arg(m_strWhyNot);
        pAction->setStatusTip(strWhy);
        pAction->setToolTip(strWhy);
    }
}

bool CAutoTypeCommand::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip && !m_strWhyNot.isEmpty()) {
        auto* pMenu = qobject_cast<QMenu*>(pWatched);
        const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        if (pMenu != nullptr && pMenu->actionAt(pHelp->pos()) == m_router.Action(ID_EDIT_AUTO_TYPE)) {
            QToolTip::showText(pHelp->globalPos(), m_router.Action(ID_EDIT_AUTO_TYPE)->toolTip(), pMenu);
            return true;
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}

void CAutoTypeCommand::OnUpdateAutoType(CCmdUI& ui) const {
    // Locked, it asks for the password first; the site shown before comes back with the sites.
    ui.Enable(m_bCanType && (m_doc.IsLocked() || (m_view.IsBrowsing() && m_view.CurrentSite() != nullptr)));
}

bool CAutoTypeCommand::UnlockFirst() {
    if (m_doc.IsLocked())
        m_router.Execute(ID_FILE_UNLOCK);
    return !m_doc.IsLocked();
}

void CAutoTypeCommand::OnAutoType() {
    if (!m_bChecked)
        CheckTyper();
    if (!UnlockFirst() || !m_bCanType)
        return;
    const CSiteInfo* pSite = m_view.IsBrowsing() ? m_view.CurrentSite() : nullptr;
    std::vector<AutoTypeSequence::CStep> steps;
    if (pSite == nullptr || !StepsOf(*pSite, steps))
        return;
    m_window.showMinimized();
    TypeIntoOtherWindow(*pSite, std::move(steps));
}

void CAutoTypeCommand::NoteFocusedWindow() {
    if (m_pActive == nullptr)
        return;
    m_strNotedTitle = m_pActive->Title();
    m_bTitleNoted = true;
}

void CAutoTypeCommand::OnAutoTypeAfterStart() {
    // The window steps aside once the desktop has activated it: minimized before, it could come up active after.
    auto* pWait = new QTimer(this);
    pWait->setInterval(kFocusPoll);
    auto nWaited = std::make_shared<int>(0);
    connect(pWait, &QTimer::timeout, this, [this, pWait, nWaited] {
        *nWaited += kFocusPoll;
        if (!m_window.isActiveWindow() && *nWaited < m_nFocusWait)
            return;
        pWait->deleteLater();
        pWait->stop();
        OnAutoTypeRequest();
    });
    pWait->start();
}

void CAutoTypeCommand::OnAutoTypeRequest() {
    if (!m_bTitleNoted)
        NoteFocusedWindow();
    const std::string strTitle = std::exchange(m_strNotedTitle, std::string());
    m_bTitleNoted = false;
    if (!m_bChecked)
        CheckTyper();
    if (!UnlockFirst())
        return;
    if (!m_bCanType) {
        Q_EMIT note(LoadString(IDS_AUTOTYPE_UNAVAILABLE).arg(m_strWhyNot));
        return;
    }
    const CSiteArray& sites = m_doc.Sites();
    if (sites.empty()) {
        Q_EMIT note(LoadString(IDS_AUTOTYPE_NO_SITES));
        return;
    }
    // Only X11 tells the focused window's title; elsewhere the picker always asks.
    std::vector<std::size_t> matches;
    if (m_pActive != nullptr) {
        std::vector<AutoTypeMatch::CSiteKeys> keys;
        keys.reserve(sites.size());
        for (const auto& pSite : sites)
            keys.push_back({pSite->m_strSite, pSite->m_strURL});
        matches = AutoTypeMatch::SitesForTitle(strTitle, keys);
    }
    const int nSite = matches.size() == 1 ? static_cast<int>(matches.front()) : Pick(PickerOrder(matches));
    if (nSite < 0)
        return;
    const CSiteInfo& site = *sites[static_cast<std::size_t>(nSite)];
    std::vector<AutoTypeSequence::CStep> steps;
    if (StepsOf(site, steps))
        TypeIntoOtherWindow(site, std::move(steps));
}

bool CAutoTypeCommand::StepsOf(const CSiteInfo& site, std::vector<AutoTypeSequence::CStep>& steps) {
    AutoTypeSequence::CFields fields;
    AssignSecret(fields.strUser, site.m_strUser);
    AssignSecret(fields.strPassword, site.m_strPswd);
    AssignSecret(fields.strURL, site.m_strURL);
    const CShownCode code = CodeOfNotes(site.m_strNotes, QDateTime::currentMSecsSinceEpoch());
    if (code.line.kind == OneTimeCode::ELine::code)
        AssignSecret(fields.strCode, code.strCode);
    else if (code.line.kind != OneTimeCode::ELine::none)
        fields.strCodeError = code.line.Problem();
    std::string strError;
    const bool bParsed =
        AutoTypeSequence::Parse(AutoTypeSequence::SequenceOfNotes(site.m_strNotes), fields, steps, strError);
    for (std::string* pField : {&fields.strUser, &fields.strPassword, &fields.strURL, &fields.strCode})
        WipeString(*pField);
    if (!bParsed) {
        WipeSteps(steps);
        m_prompts.MessageBox(LoadString(IDS_AUTOTYPE_SEQUENCE).arg(QString::fromStdString(strError)),
                             MB_ICONEXCLAMATION | MB_OK);
    }
    return bParsed;
}

void CAutoTypeCommand::TypeIntoOtherWindow(const CSiteInfo& site, std::vector<AutoTypeSequence::CStep> steps) {
    WipeSteps(m_steps);
    m_steps = std::move(steps);
    m_strTypingSite = site.m_strSite;
    // A window of ours with the focus would be typed into: the main window steps aside, as Edit > Auto-Type's does.
    if (OursHasFocus() && !m_window.isMinimized())
        m_window.showMinimized();
    m_nWaited = 0;
    m_pFocusPoll->start();
}

void CAutoTypeCommand::WaitForOtherWindow() {
    // Locked meanwhile: nothing of the file goes anywhere.
    if (m_doc.IsLocked()) {
        m_pFocusPoll->stop();
        WipeSteps(m_steps);
        return;
    }
    if (OtherWindowHasFocus()) {
        m_pFocusPoll->stop();
        TypeNow();
        return;
    }
    m_nWaited += m_pFocusPoll->interval();
    if (m_nWaited >= m_nFocusWait) {
        m_pFocusPoll->stop();
        WipeSteps(m_steps);
        Q_EMIT note(LoadString(IDS_AUTOTYPE_NO_FOCUS));
    }
}

bool CAutoTypeCommand::OursHasFocus() const {
    // X11 tells which window has the focus at once, where Qt takes a moment to let go of its own.
    if (m_pActive != nullptr) {
        if (const unsigned long nActive = m_pActive->Window(); nActive != 0) {
            const QWindowList windows = QGuiApplication::allWindows();
            return std::any_of(windows.begin(), windows.end(), [nActive](const QWindow* pWindow) {
                return pWindow->handle() != nullptr && pWindow->winId() == nActive;
            });
        }
    }
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

bool CAutoTypeCommand::OtherWindowHasFocus() const {
    // Wayland tells no client where the focus went, only that ours let go of it; X11 names the window, and no
    // window at all is no window to type into.
    if (m_pActive != nullptr && m_pActive->Window() == 0)
        return false;
    return !OursHasFocus();
}

void CAutoTypeCommand::TypeNow() {
    std::string strError;
    const bool bTyped = m_pTyper != nullptr && m_pTyper->Type(m_steps, strError);
    WipeSteps(m_steps);
    if (auto* pPortal = dynamic_cast<CPortalKeyTyper*>(m_pTyper.get()); pPortal != nullptr)
        m_app.m_strPortalToken = pPortal->RestoreToken().toStdString();
    if (!bTyped) {
        Q_EMIT note(LoadString(IDS_AUTOTYPE_FAILED).arg(QString::fromStdString(strError)));
        return;
    }
    m_app.NoteAutoTyped(m_doc.GetPathName(), m_doc.GetFileKind() == CLockwardenDoc::EFileKind::sealed, m_strTypingSite);
    Q_EMIT note(LoadString(IDS_AUTOTYPE_TYPED).arg(ToDisplayText(m_strTypingSite)));
}

std::vector<std::size_t> CAutoTypeCommand::PickerOrder(const std::vector<std::size_t>& candidates) const {
    const CSiteArray& sites = m_doc.Sites();
    std::vector<std::size_t> pool;
    for (const std::size_t i : SiteListOrder(sites))
        if (candidates.empty() || std::find(candidates.begin(), candidates.end(), i) != candidates.end())
            pool.push_back(i);
    std::vector<std::size_t> order;
    order.reserve(pool.size());
    for (const std::string& strRecent : m_app.AutoTypedSitesOf(m_doc.GetPathName())) {
        const auto it =
            std::find_if(pool.begin(), pool.end(), [&](std::size_t i) { return sites[i]->m_strSite == strRecent; });
        if (it != pool.end()) {
            order.push_back(*it);
            pool.erase(it);
        }
    }
    order.insert(order.end(), pool.begin(), pool.end());
    return order;
}

int CAutoTypeCommand::Pick(const std::vector<std::size_t>& order) {
    const CSiteArray& sites = m_doc.Sites();
    std::vector<std::string_view> names;
    names.reserve(order.size());
    for (const std::size_t i : order)
        names.push_back(sites[i]->m_strSite);
    // A window of its own over every other: the main window may be minimized.
    CAutoTypePickerDlg dlg(names);
    const auto nRevision = m_doc.Revision();
    if (m_prompts.DoModal(dlg) != IDOK || m_doc.Revision() != nRevision || m_doc.IsLocked())
        return -1;
    const int nChosen = dlg.Chosen();
    return nChosen < 0 ? -1 : static_cast<int>(order[static_cast<std::size_t>(nChosen)]);
}
