#include "ui/tools/FindSiteDlg.h"

#include "core/app/AppState.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/WindowFrame.h"
#include "ui/framework/WndPrompts.h"
#include "ui/view/LockwardenView.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

// Whether an event brings a character to a control, as a character message would on Windows: a key that
// types text, Backspace, and Ctrl with a letter (Ctrl+V pastes, and the text is searched for); text an
// input method commits. Not Delete, which types no character; not Tab, Enter and Esc, which the dialog
// takes for moving the focus, OK and Cancel.
bool BringsCharacter(const QEvent& event) {
    if (event.type() == QEvent::InputMethod)
        return !static_cast<const QInputMethodEvent&>(event).commitString().isEmpty();
    if (event.type() != QEvent::KeyPress)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    switch (key.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return false;
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    if ((key.modifiers() & Qt::ControlModifier) && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return true;
    return !key.text().isEmpty();
}

} // namespace

CFindSiteDlg::CFindSiteDlg(CLockwardenView* pView, CAppState& app) : QDialog(pView), m_pView(pView), m_app(app) {
    CreateDialogFromTemplate(IDD_FIND_SITE, *this);
    m_editFindText = FindControl<QLineEdit>(this, IDC_FIND_TEXT);
    connect(FindControl<QPushButton>(this, IDC_NEXT), &QPushButton::clicked, this, &CFindSiteDlg::OnNext);
    connect(FindControl<QPushButton>(this, IDC_PREVIOUS), &QPushButton::clicked, this, &CFindSiteDlg::OnPrevious);
    for (QWidget* pControl : findChildren<QWidget*>())
        pControl->installEventFilter(this);
}

CFindSiteDlg::~CFindSiteDlg() {
    OnDestroy();
}

bool CFindSiteDlg::UpdateData(bool bSaveAndValidate) {
    DoDataExchange(bSaveAndValidate);
    return true;
}

void CFindSiteDlg::DoDataExchange(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        // A box left as it was shown gives back the very bytes it was given (a text from a Windows
        // settings file may hold bytes that only display as characters).
        const QString strText = m_editFindText->text();
        if (strText != ToDisplayText(m_strFindText))
            m_strFindText = FromDisplayText(strText);
    } else {
        m_editFindText->setText(ToDisplayText(m_strFindText));
    }
}

void CFindSiteDlg::TakeFindText() {
    UpdateData(true);
    m_app.m_strFind = m_strFindText;
}

bool CFindSiteDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (m_bDispatching || !BringsCharacter(*pEvent))
        return QDialog::eventFilter(pWatched, pEvent);
    // The control takes the character first (and passes on what it does not want, as usual), so the
    // search runs with the text as it now stands.
    m_bDispatching = true;
    QCoreApplication::sendEvent(pWatched, pEvent);
    m_bDispatching = false;
    pEvent->accept();
    TakeFindText();
    m_pView->FindStep(1, 0);
    return true;
}

void CFindSiteDlg::OnNext() {
    TakeFindText();
    m_pView->FindStep(1, 1);
}

void CFindSiteDlg::OnPrevious() {
    TakeFindText();
    m_pView->FindStep(-1, -1);
}

void CFindSiteDlg::accept() {
    if (!UpdateData(true))
        return;
    QDialog::accept();
}

void CFindSiteDlg::OnDestroy() {
    // A dialog that never opened has nothing in its box to remember.
    if (m_bOpened)
        TakeFindText();
}

bool CFindSiteDlg::OnInitDialog() {
    MoveToMainWindowCorner(*this, *m_pView->window(), EMainWindowCorner::LowerRight);
    m_strFindText = m_app.m_strFind;
    UpdateData(false);
    m_bOpened = true;
    FindControl<QPushButton>(this, IDOK)->setFocus(Qt::TabFocusReason);
    return true;
}

void CFindSiteDlg::showEvent(QShowEvent* pEvent) {
    // Every modal run opens the dialog afresh; a restore from minimized does not.
    if (!pEvent->spontaneous())
        OnInitDialog();
    QDialog::showEvent(pEvent);
}

int RunFindSiteDlg(CWndPrompts& prompts, CLockwardenView& view, CAppState& app) {
    CFindSiteDlg dlg(&view, app);
    return prompts.DoModal(dlg);
}

CFindSiteCommand::CFindSiteCommand(CLockwardenView& view, CAppState& app, CWndPrompts& prompts)
    : QObject(&view), m_view(view), m_app(app), m_prompts(prompts) {
    connect(&m_view, &CLockwardenView::findRequested, this, &CFindSiteCommand::OnEditFind);
}

void CFindSiteCommand::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_EDIT_FIND, [this] { OnEditFind(); }, [this](CCmdUI& ui) { ui.Enable(m_view.IsBrowsingWithSites()); });
}

void CFindSiteCommand::OnEditFind() {
    if (!m_view.IsBrowsingWithSites()) {
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const std::string strFind = m_app.m_strFind;
    const int nCurSite = m_view.CurrentIndex();
    const int nResult = RunFindSiteDlg(m_prompts, m_view, m_app);
    m_view.ReleaseFindBuffer(); // made by the searches, needed no longer
    if (nResult == IDOK)
        return;
    m_app.m_strFind = strFind;
    if (m_view.CurrentIndex() != nCurSite)
        m_view.SelectSite(nCurSite);
}
