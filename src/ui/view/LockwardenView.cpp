#include "view/LockwardenView.h"

#include "framework/DialogBuilder.h"

#include "app/AppState.h"
#include "database/LockwardenDoc.h"
#include "framework/CommandRouter.h"
#include "framework/WndPrompts.h"
#include "platform/Clipboard.h"
#include "platform/Text.h"
#include "resources/Resource.h"
#include "resources/Strings.h"
#include "view/SiteListModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {
constexpr const char* kWhiteSpace = " \t\n\v\f\r";

std::string Trimmed(const std::string& s) {
    const std::size_t nFirst = s.find_first_not_of(kWhiteSpace);
    if (nFirst == std::string::npos)
        return {};
    return s.substr(nFirst, s.find_last_not_of(kWhiteSpace) - nFirst + 1);
}
} // namespace

CLockwardenView::CLockwardenView(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_app(app), m_prompts(prompts) {
    CreateControls();
}

CLockwardenView::~CLockwardenView() = default;

std::string CLockwardenView::MaskPassword(const std::string& strPswd) {
    return std::string(strPswd.size(), '*');
}

bool CLockwardenView::IsListEmpty() const {
    return m_pModel->Count() == 0;
}

int CLockwardenView::SiteCount() const {
    return m_pModel->Count();
}

CSiteInfo* CLockwardenView::CurrentSite() const {
    return m_pModel->At(m_nCurSite);
}

std::string CLockwardenView::SiteNameText() const {
    return FromDisplayText(m_comboSites->currentText());
}

void CLockwardenView::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strURL = FromDisplayText(m_editURL->text());
        m_strUser = FromDisplayText(m_editUser->text());
        m_strPswd = FromDisplayText(m_editPswd->text());
        m_strNotes = FromDisplayText(m_editNotes->toPlainText());
    } else {
        m_editURL->setText(ToDisplayText(m_strURL));
        m_editUser->setText(ToDisplayText(m_strUser));
        m_editPswd->setText(ToDisplayText(m_strPswd));
        m_editNotes->setPlainText(ToDisplayText(m_strNotes));
        // The field is one line high and would keep the previous text's scroll position, showing an
        // empty line where these notes begin.
        m_editNotes->verticalScrollBar()->setValue(0);
    }
}

// Selects item i and shows its name in the site-name field, also when it was already selected but the
// field was cleared or typed over.
void CLockwardenView::SelectItem(int i) {
    m_comboSites->setCurrentIndex(i);
    m_comboSites->setEditText(i >= 0 ? m_pModel->NameAt(i) : QString());
}

void CLockwardenView::ClearFields() {
    m_comboSites->setEditText(QString());
    m_strURL.clear();
    m_strUser.clear();
    m_strPswd.clear();
    m_strNotes.clear();
    UpdateData(false);
}

void CLockwardenView::ShowSite(int i) {
    const CSiteInfo* pSite = m_pModel->At(i);
    if (pSite == nullptr)
        return;
    SelectItem(i);
    m_strURL = pSite->m_strURL;
    m_strUser = pSite->m_strUser;
    m_strPswd = pSite->m_strPswd;
    m_strNotes = pSite->m_strNotes;
    UpdateData(false);
}

void CLockwardenView::ShowSelected() {
    if (IsListEmpty()) {
        m_nCurSite = -1;
        OnSiteCancel();
        return;
    }
    int i = m_comboSites->currentIndex();
    if (i < 0 || i >= m_pModel->Count())
        i = m_nCurSite >= 0 && m_nCurSite < m_pModel->Count() ? m_nCurSite : 0;
    const CSiteInfo* pSite = m_pModel->At(i);
    m_strURL = pSite->m_strURL;
    m_strUser = pSite->m_strUser;
    m_strPswd = m_bReadOnly ? MaskPassword(pSite->m_strPswd) : pSite->m_strPswd;
    m_strNotes = pSite->m_strNotes;
    m_nCurSite = i;
    UpdateData(false);
    m_app.m_strSiteName = pSite->m_strSite;
    Q_EMIT stateChanged();
}

void CLockwardenView::SetReadOnly(bool b) {
    m_bReadOnly = b;
    m_comboSites->lineEdit()->setReadOnly(b);
    m_editURL->setReadOnly(b);
    m_editUser->setReadOnly(b);
    m_editPswd->setReadOnly(b);
    m_editNotes->setReadOnly(b);
    if (m_nCurSite >= 0)
        ShowSelected();
    if (b && m_nCurSite >= 0) {
        // Back to browsing: a password of this site left on the clipboard goes.
        std::string strClip;
        const CSiteInfo* pSite = CurrentSite();
        if (pSite != nullptr && GetClipboardText(strClip) && strClip == pSite->m_strPswd)
            EmptyClipboard();
    }
    Q_EMIT stateChanged();
}

void CLockwardenView::OnInitialUpdate() {
    if (m_onResizeParentToFit)
        m_onResizeParentToFit();
    m_pModel->Clear();
    const auto n = static_cast<int>(m_doc.m_sites.size());
    if (n <= 0) {
        m_nCurSite = -1;
        m_bReplace = false;
        ClearFields();
        SetReadOnly(false);
    } else {
        m_pModel->Reset(m_doc.m_sites);
        m_nCurSite = 0;
        for (int i = 0; i < n; ++i) {
            const std::string strName = Trimmed(m_pModel->At(i)->m_strSite);
            if (m_app.m_strSiteName.find(strName) != std::string::npos) {
                m_nCurSite = i;
                break;
            }
        }
        SelectItem(m_nCurSite);
        ShowSelected();
        SetReadOnly(true);
        m_bReplace = false;
    }
    UpdateData(false);
    Q_EMIT stateChanged();
}

void CLockwardenView::OnSiteAdd() {
    SetReadOnly(false);
    ClearFields();
    m_comboSites->setFocus();
    Q_EMIT stateChanged();
}

void CLockwardenView::OnSiteEdit() {
    SetReadOnly(false);
    m_bReplace = true;
    m_comboSites->setFocus();
    Q_EMIT stateChanged();
}

void CLockwardenView::OnSiteKeep() {
    const std::string strName = SiteNameText();
    UpdateData(true);
    if (strName.empty()) {
        m_prompts.MessageBox(LoadString(IDS_SITE_REQUIRED), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    if (m_bReplace) {
        CSiteInfo* pOld = CurrentSite();
        m_pModel->RemoveAt(m_nCurSite);
        m_doc.RemoveSite(pOld);
        m_bReplace = false;
    }
    CSiteInfo* pSite = m_doc.AddSite(std::make_unique<CSiteInfo>(strName, m_strURL, m_strUser, m_strPswd, m_strNotes));
    const int i = m_pModel->Insert(pSite);
    m_nCurSite = i;
    SelectItem(i);
    SetReadOnly(true);
    m_doc.SetModifiedFlag(true);
    Q_EMIT stateChanged();
}

void CLockwardenView::OnSiteCancel() {
    m_bReplace = false;
    if (!IsListEmpty()) {
        ShowSite(m_nCurSite);
        SetReadOnly(true);
    } else {
        ClearFields();
        SetReadOnly(false);
    }
    Q_EMIT stateChanged();
}

void CLockwardenView::OnSiteRemove() {
    if (m_prompts.MessageBox(LoadString(IDS_REMOVE_SITE), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    CSiteInfo* pSite = CurrentSite();
    m_pModel->RemoveAt(m_nCurSite);
    m_doc.RemoveSite(pSite);
    if (!IsListEmpty()) {
        m_nCurSite = 0;
    } else {
        m_nCurSite = -1;
        SetReadOnly(false);
        ClearFields();
    }
    SelectItem(m_nCurSite);
    ShowSelected();
    m_doc.SetModifiedFlag(true);
    Q_EMIT stateChanged();
}

void CLockwardenView::OnButtonAdd() {
    if (m_bReadOnly)
        OnSiteAdd();
    else
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
}

void CLockwardenView::OnButtonEdit() {
    if (m_bReadOnly && !IsListEmpty())
        OnSiteEdit();
    else
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
}

void CLockwardenView::OnButtonRemove() {
    if (m_bReadOnly && !IsListEmpty())
        OnSiteRemove();
    else
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
}

void CLockwardenView::OnButtonKeep() {
    if (!m_bReadOnly)
        OnSiteKeep();
    else
        m_prompts.MessageBeep();
}

void CLockwardenView::OnButtonCancel() {
    if (!m_bReadOnly)
        OnSiteCancel();
    else
        m_prompts.MessageBeep();
}

void CLockwardenView::RegisterCommands(CCommandRouter& router) {
    const auto browsing = [this](CCmdUI& ui) { ui.Enable(m_bReadOnly); };
    const auto browsingWithSites = [this](CCmdUI& ui) { ui.Enable(m_bReadOnly && !IsListEmpty()); };
    const auto entering = [this](CCmdUI& ui) { ui.Enable(!m_bReadOnly); };
    router.Register(
        ID_SITE_ADD, [this] { OnSiteAdd(); }, browsing);
    router.Register(
        ID_SITE_EDIT, [this] { OnSiteEdit(); }, browsingWithSites);
    router.Register(
        ID_SITE_REMOVE, [this] { OnSiteRemove(); }, browsingWithSites);
    router.Register(
        ID_SITE_KEEP, [this] { OnSiteKeep(); }, entering);
    router.Register(
        ID_SITE_CANCEL, [this] { OnSiteCancel(); }, entering);
    RegisterPrintCommands(router);
    connect(this, &CLockwardenView::stateChanged, &router, &CCommandRouter::UpdateCommands);
}

// ---- the drop-down guard ----

bool CLockwardenView::MayDropDown() const {
    return m_bReadOnly && !IsListEmpty();
}

void CLockwardenView::OnDropDownRefused() {
    m_bRefusalPosted = false;
    m_comboSites->hidePopup();
    m_prompts.MessageBox(LoadString(IsListEmpty() ? IDS_NO_SITES : IDS_NO_CHANGE_WHILE_ENTERING),
                         MB_ICONEXCLAMATION | MB_OK);
}

bool CLockwardenView::eventFilter(QObject* pWatched, QEvent* pEvent) {
    bool bOpening = false;
    if (pWatched == m_comboSites) {
        if (pEvent->type() == QEvent::MouseButtonPress || pEvent->type() == QEvent::MouseButtonDblClick) {
            bOpening = true;
        } else if (pEvent->type() == QEvent::KeyPress) {
            const auto* pKey = static_cast<QKeyEvent*>(pEvent);
            bOpening = pKey->key() == Qt::Key_F4 || ((pKey->key() == Qt::Key_Down || pKey->key() == Qt::Key_Up) &&
                                                     (pKey->modifiers() & Qt::AltModifier));
        }
    } else if (pEvent->type() == QEvent::Show) {
        bOpening = true; // the list's popup opened by any other road (a screen reader's action)
    }
    if (bOpening && !MayDropDown()) {
        // Posted, so the list has finished whatever it was doing before it is closed again.
        if (!m_bRefusalPosted) {
            m_bRefusalPosted = true;
            QMetaObject::invokeMethod(this, &CLockwardenView::OnDropDownRefused, Qt::QueuedConnection);
        }
        return pWatched == m_comboSites;
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CLockwardenView::OnSelChangeSites(int i) {
    if (i < 0)
        return;
    ShowSelected();
}

// ---- the form ----

void CLockwardenView::CreateControls() {
    const QSize formSize = CreateFormFromTemplate(IDD_LOCKWARDEN_FORM, *this);
    m_comboSites = FindControl<QComboBox>(this, IDC_SITE);
    m_editURL = FindControl<QLineEdit>(this, IDC_URL);
    m_editUser = FindControl<QLineEdit>(this, IDC_USER);
    m_editPswd = FindControl<QLineEdit>(this, IDC_PSWD);
    m_editNotes = FindControl<QPlainTextEdit>(this, IDC_NOTES);
    resize(formSize);
    WireControls();
}

// Connects the form's controls to the view: the list's model and guard, the buttons' handlers.
void CLockwardenView::WireControls() {
    m_pModel = new CSiteListModel(this);
    m_comboSites->setModel(m_pModel);
    m_comboSites->setInsertPolicy(QComboBox::NoInsert);
    m_comboSites->setCompleter(nullptr);
    m_comboSites->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboSites->setMaxVisibleItems(12);
    if (auto* pListView = qobject_cast<QListView*>(m_comboSites->view()))
        pListView->setUniformItemSizes(true);
    // A typed name that happens to match an item must not select it when the field is left: that would
    // load another site over the entry and make Keep replace that site instead of the one being edited.
    disconnect(m_comboSites->lineEdit(), &QLineEdit::editingFinished, m_comboSites, nullptr);
    m_comboSites->installEventFilter(this);
    m_comboSites->view()->window()->installEventFilter(this);
    connect(m_comboSites, &QComboBox::activated, this, &CLockwardenView::OnSelChangeSites);

    const std::pair<int, void (CLockwardenView::*)()> handlers[] = {{IDC_ADD, &CLockwardenView::OnButtonAdd},
                                                                    {IDC_EDIT, &CLockwardenView::OnButtonEdit},
                                                                    {IDC_REMOVE, &CLockwardenView::OnButtonRemove},
                                                                    {IDC_KEEP, &CLockwardenView::OnButtonKeep},
                                                                    {IDC_CANCEL, &CLockwardenView::OnButtonCancel}};
    for (const auto& [nID, pHandler] : handlers) {
        if (auto* pButton = findChild<QPushButton*>(QStringLiteral("IDC_%1").arg(nID)))
            connect(pButton, &QPushButton::clicked, this, pHandler);
    }
}
