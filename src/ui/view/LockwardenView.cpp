#include "ui/view/LockwardenView.h"

#include "ui/framework/DialogBuilder.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/Clipboard.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/PasswordFieldGuard.h"
#include "ui/view/SiteCombo.h"
#include "ui/view/SiteListModel.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

CLockwardenView::CLockwardenView(CLockwardenDoc& doc, CAppState& app, CWndPrompts& prompts, CSecretClipboard& clipboard,
                                 QWidget* pParent)
    : QWidget(pParent), m_doc(doc), m_app(app), m_prompts(prompts), m_clipboard(clipboard) {
    CreateControls();
    FollowDocument();
}

// A password of ours still on the clipboard goes with the form that showed it.
CLockwardenView::~CLockwardenView() {
    m_clipboard.Clear();
}

CLockwardenView::CStateBatch::~CStateBatch() {
    if (--m_view.m_nBatch == 0 && m_view.m_bStatePending) {
        m_view.m_bStatePending = false;
        Q_EMIT m_view.stateChanged();
    }
}

void CLockwardenView::NotifyStateChanged() {
    if (m_nBatch > 0)
        m_bStatePending = true;
    else
        Q_EMIT stateChanged();
}

// The list follows the document: whoever adds, replaces or removes a site, the list has the same records.
void CLockwardenView::FollowDocument() {
    connect(&m_doc, &CLockwardenDoc::siteAdded, this, [this](CSiteInfo* pSite) { m_pModel->Insert(pSite); });
    connect(&m_doc, &CLockwardenDoc::siteReplaced, this, [this](CSiteInfo* pOld, CSiteInfo* pNew) {
        m_pModel->RemoveAt(m_pModel->IndexOf(pOld));
        m_pModel->Insert(pNew);
    });
    connect(&m_doc, &CLockwardenDoc::siteAboutToBeRemoved, this,
            [this](CSiteInfo* pSite) { m_pModel->RemoveAt(m_pModel->IndexOf(pSite)); });
    connect(&m_doc, &CLockwardenDoc::contentsAboutToBeDeleted, this, &CLockwardenView::OnDeleteContents);
    connect(&m_doc, &CLockwardenDoc::aboutToLock, this, &CLockwardenView::OnAboutToLock);
    connect(&m_doc, &CLockwardenDoc::lockChanged, this, &CLockwardenView::OnLockChanged);
}

bool CLockwardenView::IsListEmpty() const {
    return m_pModel->Count() == 0;
}

bool CLockwardenView::HasTypedEntry() const {
    if (!IsDataEntry())
        return false;
    return !m_comboSites->currentText().isEmpty() || !m_editURL->text().isEmpty() || !m_editUser->text().isEmpty() ||
           !m_editPswd->text().isEmpty() || !m_editNotes->toPlainText().isEmpty() || !m_strNotes.empty();
}

int CLockwardenView::SiteCount() const {
    return m_pModel->Count();
}

CSiteInfo* CLockwardenView::CurrentSite() const {
    return m_pModel->At(m_nCurSite);
}

CSiteInfo CLockwardenView::ShownSite() const {
    const QString strName = m_nCurSite >= 0 && m_nCurSite < SiteCount() ? m_pModel->NameAt(m_nCurSite) : QString();
    return CSiteInfo(FromDisplayText(strName), m_strURL, m_strUser, m_strPswd, m_strNotes);
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
    // Wiped, not just emptied: clear() would leave all but the first byte of the last site's fields.
    for (std::string* pField : {&m_strURL, &m_strUser, &m_strPswd, &m_strNotes})
        WipeString(*pField);
    UpdateData(false);
}

void CLockwardenView::ShowSite(int i) {
    const CSiteInfo* pSite = m_pModel->At(i);
    if (pSite == nullptr)
        return;
    SelectItem(i);
    AssignSecret(m_strURL, pSite->m_strURL);
    AssignSecret(m_strUser, pSite->m_strUser);
    AssignSecret(m_strPswd, pSite->m_strPswd);
    AssignSecret(m_strNotes, pSite->m_strNotes);
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
    // The fields of the site shown before are wiped where they lived, whatever the new ones' length.
    AssignSecret(m_strURL, pSite->m_strURL);
    AssignSecret(m_strUser, pSite->m_strUser);
    AssignSecret(m_strPswd, m_bReadOnly ? MaskPassword(pSite->m_strPswd) : pSite->m_strPswd);
    AssignSecret(m_strNotes, pSite->m_strNotes);
    m_nCurSite = i;
    UpdateData(false);
    m_app.m_strSiteName = pSite->m_strSite;
    m_app.RememberSite(m_doc.GetPathName(), m_doc.GetFileKind() == CLockwardenDoc::EFileKind::sealed, pSite->m_strSite);
    NotifyStateChanged();
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
    const CStateBatch batch(*this);
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
    NotifyStateChanged();
}

void CLockwardenView::OnInitialUpdate() {
    const CStateBatch batch(*this);
    // Another document (or the same file opened anew) is shown: a lock of the one before is over.
    ForgetLockedState();
    Q_EMIT resizeParentToFit();
    m_pModel->Clear();
    const auto n = static_cast<int>(m_doc.Sites().size());
    if (n <= 0) {
        m_nCurSite = -1;
        m_bReplace = false;
        ClearFields();
        SetReadOnly(false);
    } else {
        m_pModel->Reset(m_doc.Sites());
        // A file shows the site last shown in it, not the one another file showed; an untitled document
        // keeps what was shown.
        if (!m_doc.GetPathName().isEmpty())
            m_app.m_strSiteName = m_app.LastSiteOf(m_doc.GetPathName());
        m_nCurSite = std::max(0, CShownSite::Remembered(m_app.m_strSiteName).FindIn(*m_pModel));
        SelectItem(m_nCurSite);
        ShowSelected();
        SetReadOnly(true);
        m_bReplace = false;
    }
    UpdateData(false);
    NotifyStateChanged();
}

void CLockwardenView::OnDeleteContents() {
    const CStateBatch batch(*this);
    m_pModel->Clear();
    m_nCurSite = -1;
    m_bReplace = false;
    ClearFields();
    // The records remembered while locked are gone; their names are still there to look for.
    if (m_pLocked != nullptr)
        m_pLocked->shown.LoseRecord();
    // A locked form takes no entry.
    SetReadOnly(IsLocked());
}

void CLockwardenView::OnSiteAdd() {
    const CStateBatch batch(*this);
    SetReadOnly(false);
    ClearFields();
    m_comboSites->setFocus();
    NotifyStateChanged();
}

void CLockwardenView::OnSiteEdit() {
    const CStateBatch batch(*this);
    SetReadOnly(false);
    m_bReplace = true;
    m_comboSites->setFocus();
    NotifyStateChanged();
}

void CLockwardenView::OnSiteKeep() {
    const CStateBatch batch(*this);
    std::string strName = SiteNameText();
    // An edited site whose name was left alone keeps its bytes, as its other fields do.
    if (m_bReplace && CurrentSite() != nullptr && m_comboSites->currentText() == m_pModel->NameAt(m_nCurSite))
        strName = CurrentSite()->m_strSite;
    UpdateData(true);
    if (strName.empty()) {
        m_prompts.MessageBox(LoadString(IDS_SITE_REQUIRED), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    auto pKept = std::make_unique<CSiteInfo>(strName, m_strURL, m_strUser, m_strPswd, m_strNotes);
    // The list follows the document's announcement; the kept site is then shown where it landed.
    CSiteInfo* pSite =
        m_bReplace ? m_doc.ReplaceSite(CurrentSite(), std::move(pKept)) : m_doc.AddSite(std::move(pKept));
    // The document refuses a name with a control character (one pasted in); the entry stays as typed.
    if (pSite == nullptr) {
        m_prompts.MessageBox(LoadString(IDS_SITE_NAME_CONTROL_KEEP), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    m_bReplace = false;
    const int i = m_pModel->IndexOf(pSite);
    m_nCurSite = i;
    SelectItem(i);
    SetReadOnly(true);
    NotifyStateChanged();
}

void CLockwardenView::OnSiteCancel() {
    const CStateBatch batch(*this);
    m_bReplace = false;
    if (!IsListEmpty()) {
        ShowSite(m_nCurSite);
        SetReadOnly(true);
    } else {
        ClearFields();
        SetReadOnly(false);
    }
    NotifyStateChanged();
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
    m_pLinks->RegisterCommands(router);
    router.Register(ID_SITE_NOTES, [this] { OnSiteNotes(); });
    router.Register(ID_EDIT_COPY, [this] { OnEditCopy(); });
    router.Register(
        ID_EDIT_CUT, [this] { OnEditCut(); }, [this](CCmdUI& ui) { OnUpdateEditCut(ui); });
    router.Register(
        ID_EDIT_PASTE, [this] { OnEditPaste(); }, [this](CCmdUI& ui) { OnUpdateEditPaste(ui); });
    router.Register(
        ID_EDIT_UNDO, [this] { OnEditUndo(); }, [this](CCmdUI& ui) { OnUpdateEditUndo(ui); });
    const auto browsingWithSites = [this](CCmdUI& ui) { ui.Enable(IsBrowsingWithSites()); };
    router.Register(
        ID_EDIT_COPY_PASSWORD, [this] { OnEditCopyPassword(); }, browsingWithSites);
    router.Register(
        ID_EDIT_COPY_USER, [this] { OnEditCopyUser(); }, browsingWithSites);
    router.Register(
        ID_EDIT_COPY_URL, [this] { OnEditCopyUrl(); }, browsingWithSites);
    connect(this, &CLockwardenView::stateChanged, &router, &CCommandRouter::UpdateCommands);
}

bool CLockwardenView::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // In data entry Enter in a one-line field keeps the site, as a form's default button would; the notes
    // take it as a line break.
    if (pEvent->type() == QEvent::KeyPress && IsDataEntry() &&
        (pWatched == m_comboSites || pWatched == m_comboSites->lineEdit() || pWatched == m_editURL ||
         pWatched == m_editUser || pWatched == m_editPswd)) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if ((pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter) &&
            (pKey->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            OnButtonKeep();
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CLockwardenView::OnSelChangeSites(int i) {
    if (i < 0)
        return;
    ShowSelected();
}

void CLockwardenView::SelectSite(int i) {
    if (!m_bReadOnly || i < 0 || i >= SiteCount())
        return;
    const CStateBatch batch(*this);
    m_nCurSite = i;
    SelectItem(i);
    ShowSelected();
}

bool CLockwardenView::ShowRecord(const CSiteInfo* pSite) {
    const int i = m_pModel->IndexOf(pSite);
    if (!m_bReadOnly || i < 0)
        return false;
    SelectSite(i);
    return true;
}

// ---- the form ----

// The controls grow with the form as the template anchors them: the list and the fields widen, the notes
// also deepen, and the buttons keep their column at the right edge.
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

// Connects the form's controls to the view and its pieces: the list's model, type-ahead and guard, the
// password field's guard, the buttons' handlers.
void CLockwardenView::WireControls() {
    m_pModel = new CSiteListModel(this);
    m_pSiteCombo = std::make_unique<CSiteCombo>(
        *m_comboSites, *m_pModel, m_prompts, [this] { return IsBrowsing(); }, [this](int i) { SelectSite(i); });
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
    m_pLinks = std::make_unique<CSiteLinks>([this]() -> const std::string& { return m_strURL; }, m_prompts);
    for (QWidget* pField :
         std::initializer_list<QWidget*>{m_comboSites, m_comboSites->lineEdit(), m_editURL, m_editUser, m_editPswd})
        pField->installEventFilter(this);
    m_pPasswordGuard = std::make_unique<CPasswordFieldGuard>(
        *m_editPswd, m_clipboard,
        CPasswordFieldGuard::CForm{[this] { return IsBrowsing(); },
                                   [this]() -> const std::string& { return m_strPswd; },
                                   [this]() -> const std::string* {
                                       const CSiteInfo* pSite = CurrentSite();
                                       return pSite != nullptr ? &pSite->m_strPswd : nullptr;
                                   }});
    if (auto* pButton = FindControl<QPushButton>(this, IDC_GO_URL))
        connect(pButton, &QPushButton::clicked, m_pLinks.get(), &CSiteLinks::OnButtonGoUrl);
    if (auto* pButton = FindControl<QPushButton>(this, IDC_NOTES_BUTTON))
        connect(pButton, &QPushButton::clicked, this, &CLockwardenView::OnSiteNotes);
    // The Find button runs the command's own handler, which checks the mode itself.
    connect(FindControl<QPushButton>(this, IDC_FIND), &QPushButton::clicked, this, &CLockwardenView::findRequested);
}
