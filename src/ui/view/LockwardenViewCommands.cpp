// The form's commands that use a stored site (Remove, Notes, the clipboard, the edit commands) and Find.
#include "ui/view/LockwardenView.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/Clipboard.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/NotesDlg.h"
#include "ui/view/PasswordFieldGuard.h"
#include "ui/view/SiteFind.h"
#include "ui/view/SiteListModel.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

// ---- the commands that use a stored site ----

namespace {

// The standard edit message to the focused control, whatever it is; an editable list's typing field
// stands behind the list, which holds the focus for it.
void SendEditCommand(const char* pszSlot) {
    QWidget* pWidget = QApplication::focusWidget();
    if (auto* pCombo = qobject_cast<QComboBox*>(pWidget); pCombo != nullptr && pCombo->lineEdit() != nullptr)
        pWidget = pCombo->lineEdit();
    if (pWidget == nullptr)
        return;
    const QByteArray signature = QByteArray(pszSlot) + "()";
    if (pWidget->metaObject()->indexOfSlot(signature.constData()) >= 0)
        QMetaObject::invokeMethod(pWidget, pszSlot);
}

bool ClipboardHasText() {
    std::string strIgnored;
    return GetClipboardText(strIgnored);
}

} // namespace

void CLockwardenView::OnUpdateEditCut(CCmdUI& ui) const {
    ui.Enable(IsDataEntry());
}

// Paste and Undo share one rule: something to paste or to undo with is only typed text.
void CLockwardenView::OnUpdateEditPaste(CCmdUI& ui) const {
    ui.Enable(IsDataEntry() && ClipboardHasText());
}

void CLockwardenView::OnUpdateEditUndo(CCmdUI& ui) const {
    OnUpdateEditPaste(ui);
}

void CLockwardenView::OnSiteRemove() {
    if (m_prompts.MessageBox(LoadString(IDS_REMOVE_SITE), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    const CStateBatch batch(*this);
    m_doc.RemoveSite(CurrentSite());
    if (!IsListEmpty()) {
        m_nCurSite = 0;
    } else {
        m_nCurSite = -1;
        SetReadOnly(false);
        ClearFields();
    }
    SelectItem(m_nCurSite);
    ShowSelected();
    NotifyStateChanged();
}

void CLockwardenView::OnSiteNotes() {
    CNotesDlg dlg(window());
    dlg.m_bLocked = m_bReadOnly;
    dlg.m_strTitle = QStringLiteral("Notes");
    if (!IsListEmpty())
        dlg.m_strTitle += QStringLiteral(" - ") + m_comboSites->itemText(m_nCurSite);
    // Notes typed during data entry are part of what the dialog shows.
    UpdateData(true);
    dlg.m_strText = m_strNotes;
    if (m_prompts.DoModal(dlg) == IDOK && !m_bReadOnly) {
        m_strNotes = dlg.m_strText;
        UpdateData(false);
    }
    NotifyStateChanged();
}

void CLockwardenView::OnEditCopyPassword() {
    const CSiteInfo* pSite = CurrentSite();
    if (IsBrowsing() && pSite != nullptr && !pSite->m_strPswd.empty())
        m_clipboard.Put(pSite->m_strPswd, true);
}

void CLockwardenView::OnEditCopyUser() {
    if (const CSiteInfo* pSite = CurrentSite(); IsBrowsing() && pSite != nullptr)
        PutTextOnClipboard(pSite->m_strUser, false);
}

void CLockwardenView::OnEditCopyUrl() {
    if (const CSiteInfo* pSite = CurrentSite(); IsBrowsing() && pSite != nullptr)
        PutTextOnClipboard(pSite->m_strURL, false);
}

void CLockwardenView::OnEditCopy() {
    SendEditCommand("copy");
}

void CLockwardenView::OnEditCut() {
    SendEditCommand("cut");
}

void CLockwardenView::OnEditPaste() {
    SendEditCommand("paste");
}

void CLockwardenView::OnEditUndo() {
    SendEditCommand("undo");
}

// ---- the addresses and the password field's guard, kept by pieces of their own ----

void CLockwardenView::SetLaunchers(Launcher shellOpen, Launcher shellOpenFile) {
    m_pLinks->SetLaunchers(std::move(shellOpen), std::move(shellOpenFile));
}

void CLockwardenView::SetExeDir(const QString& strExeDir) {
    m_pLinks->SetExeDir(strExeDir);
}

QString CLockwardenView::DocumentationPath(const QString& strExeDir) {
    return CSiteLinks::DocumentationPath(strExeDir);
}

void CLockwardenView::OnUpdateGoUrl(CCmdUI& ui) const {
    m_pLinks->OnUpdateGoUrl(ui);
}

void CLockwardenView::OnGoUrl() {
    m_pLinks->OnGoUrl();
}

void CLockwardenView::OnButtonGoUrl() {
    m_pLinks->OnButtonGoUrl();
}

void CLockwardenView::OnDocumentation() {
    m_pLinks->OnDocumentation();
}

void CLockwardenView::OnKillFocusPswd() {
    m_pPasswordGuard->OnKillFocus();
}

// ---- Find ----

int CLockwardenView::FindSite(const std::string& strText, int& pos, int nStep, int nOffset) const {
    if (!m_bReadOnly)
        return -1;
    return FindInSiteList(*m_pModel, m_nCurSite, strText, pos, nStep, nOffset);
}

void CLockwardenView::FindStep(int nStep, int nOffset) {
    int pos = -1;
    const int i = FindSite(m_app.m_strFind, pos, nStep, nOffset);
    if (i < 0) {
        m_prompts.MessageBeep();
        return;
    }
    SelectSite(i);
    // Folding keeps every character's length, so the match spans as many units of the name as the find
    // text has. The caret goes to the match's end, which scrolls the match into view.
    const auto nLength = static_cast<int>(ToDisplayText(m_app.m_strFind).size());
    m_comboSites->lineEdit()->setSelection(pos, nLength);
}

void CLockwardenView::ReleaseFindBuffer() {
    m_pModel->ReleaseNameBuffer();
}
