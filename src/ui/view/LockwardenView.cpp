#include "ui/view/LockwardenView.h"

#include "ui/framework/DialogBuilder.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/Clipboard.h"
#include "ui/view/SiteListModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

CLockwardenView::CLockwardenView(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_app(app), m_prompts(prompts) {
    CreateControls();
    m_doc.m_onDeleteContents = [this] { OnDeleteContents(); };
}

CLockwardenView::~CLockwardenView() {
    ClearClipboardPassword();
    m_doc.m_onDeleteContents = nullptr;
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
        // A field the user left alone keeps its bytes.
        TakeDisplayText(m_strURL, m_editURL->text(), m_strShown[0]);
        TakeDisplayText(m_strUser, m_editUser->text(), m_strShown[1]);
        TakeDisplayText(m_strPswd, m_editPswd->text(), m_strShown[2]);
        TakeDisplayLines(m_strNotes, m_editNotes->toPlainText(), m_strShown[3]);
    } else {
        m_editURL->setText(ToDisplayText(m_strURL));
        m_editUser->setText(ToDisplayText(m_strUser));
        m_editPswd->setText(ToDisplayText(m_strPswd));
        m_editNotes->setPlainText(ToDisplayText(m_strNotes));
        m_strShown = {m_editURL->text(), m_editUser->text(), m_editPswd->text(), m_editNotes->toPlainText()};
        // setText leaves the cursor at the end, which would hide the start of a long text (a URL's domain).
        for (QLineEdit* pEdit : {m_editURL, m_editUser, m_editPswd})
            pEdit->setCursorPosition(0);
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
    m_comboSites->lineEdit()->setCursorPosition(0);
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

// Read-only fields are drawn on the window's colour, as the desktop draws fields that cannot be typed in,
// so browsing and data entry differ at a glance; editable ones go back to the palette they inherit.
static void SetReadOnlyLook(QWidget* pField, bool bReadOnly) {
    if (!bReadOnly) {
        pField->setPalette(QPalette());
        return;
    }
    QPalette pal = pField->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Base, pal.color(group, QPalette::Window));
    pField->setPalette(pal);
}

void CLockwardenView::SetReadOnly(bool b) {
    m_bReadOnly = b;
    m_comboSites->lineEdit()->setReadOnly(b);
    m_editURL->setReadOnly(b);
    m_editUser->setReadOnly(b);
    m_editPswd->setReadOnly(b);
    m_editNotes->setReadOnly(b);
    for (QWidget* pField :
         std::initializer_list<QWidget*>{m_comboSites->lineEdit(), m_editURL, m_editUser, m_editPswd, m_editNotes})
        SetReadOnlyLook(pField, b);
    if (m_nCurSite >= 0)
        ShowSelected();
    if (b && m_nCurSite >= 0) {
        // Back to browsing: a password of this site left on the clipboard goes.
        const CSiteInfo* pSite = CurrentSite();
        if (pSite != nullptr && IsTextOnClipboard(pSite->m_strPswd))
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
            const std::string strName = TrimWhiteSpace(m_pModel->At(i)->m_strSite);
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

void CLockwardenView::OnDeleteContents() {
    m_pModel->Clear();
    m_nCurSite = -1;
    m_bReplace = false;
    ClearFields();
    SetReadOnly(false);
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
    std::string strName = SiteNameText();
    // An edited site whose name was left alone keeps its bytes, as its other fields do.
    if (m_bReplace && CurrentSite() != nullptr && m_comboSites->currentText() == m_pModel->NameAt(m_nCurSite))
        strName = CurrentSite()->m_strSite;
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
    if (IsBrowsing())
        OnSiteAdd();
    else
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
}

void CLockwardenView::OnButtonEdit() {
    if (IsBrowsingWithSites())
        OnSiteEdit();
    else
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
}

void CLockwardenView::OnButtonRemove() {
    if (IsBrowsingWithSites())
        OnSiteRemove();
    else
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
}

void CLockwardenView::OnButtonKeep() {
    if (IsDataEntry())
        OnSiteKeep();
    else
        m_prompts.MessageBeep();
}

void CLockwardenView::OnButtonCancel() {
    if (IsDataEntry())
        OnSiteCancel();
    else
        m_prompts.MessageBeep();
}

void CLockwardenView::OnUpdateSiteAdd(CCmdUI& ui) const {
    ui.Enable(IsBrowsing());
}

void CLockwardenView::OnUpdateSiteEdit(CCmdUI& ui) const {
    ui.Enable(IsBrowsingWithSites());
}

void CLockwardenView::OnUpdateSiteRemove(CCmdUI& ui) const {
    ui.Enable(IsBrowsingWithSites());
}

void CLockwardenView::OnUpdateSiteKeep(CCmdUI& ui) const {
    ui.Enable(IsDataEntry());
}

void CLockwardenView::OnUpdateSiteCancel(CCmdUI& ui) const {
    ui.Enable(IsDataEntry());
}

void CLockwardenView::OnUpdateEditFind(CCmdUI& ui) const {
    ui.Enable(IsBrowsingWithSites());
}

void CLockwardenView::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_SITE_ADD, [this] { OnSiteAdd(); }, [this](CCmdUI& ui) { OnUpdateSiteAdd(ui); });
    router.Register(
        ID_SITE_EDIT, [this] { OnSiteEdit(); }, [this](CCmdUI& ui) { OnUpdateSiteEdit(ui); });
    router.Register(
        ID_SITE_REMOVE, [this] { OnSiteRemove(); }, [this](CCmdUI& ui) { OnUpdateSiteRemove(ui); });
    router.Register(
        ID_SITE_KEEP, [this] { OnSiteKeep(); }, [this](CCmdUI& ui) { OnUpdateSiteKeep(ui); });
    router.Register(
        ID_SITE_CANCEL, [this] { OnSiteCancel(); }, [this](CCmdUI& ui) { OnUpdateSiteCancel(ui); });
    RegisterSiteCommands(router);
    router.Register(
        ID_EDIT_FIND, [this] { OnEditFind(); }, [this](CCmdUI& ui) { OnUpdateEditFind(ui); });
    RegisterPrintCommands(router);
    connect(this, &CLockwardenView::stateChanged, &router, &CCommandRouter::UpdateCommands);
}

// ---- the drop-down guard ----

bool CLockwardenView::MayDropDown() const {
    return IsBrowsingWithSites();
}

void CLockwardenView::OnDropDownRefused() {
    m_bRefusalPosted = false;
    m_comboSites->hidePopup();
    m_prompts.MessageBox(LoadString(IsListEmpty() ? IDS_NO_SITES : IDS_NO_CHANGE_WHILE_ENTERING),
                         MB_ICONEXCLAMATION | MB_OK);
}

bool CLockwardenView::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_editPswd) {
        // A menu or pop-up opening keeps the field focused; the focus only leaves when it goes elsewhere.
        if (pEvent->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(pEvent)->reason() != Qt::PopupFocusReason)
            OnKillFocusPswd();
        return QWidget::eventFilter(pWatched, pEvent);
    }
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
        if (auto* pButton = FindControl<QPushButton>(this, nID))
            connect(pButton, &QPushButton::clicked, this, pHandler);
    }
    WireSiteCommands();
    // The Find button runs the command's own handler, which checks the mode itself.
    connect(FindControl<QPushButton>(this, IDC_FIND), &QPushButton::clicked, this, &CLockwardenView::OnEditFind);
}
