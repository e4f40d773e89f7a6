// The form's commands that use a stored site (Remove, Go URL, Notes, the clipboard, the edit commands) and Find.
#include "ui/view/LockwardenView.h"

#include "ui/framework/DialogBuilder.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/resources/Version.h"
#include "core/tools/SiteNameMatch.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/Clipboard.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/NotesDlg.h"
#include "ui/view/SiteFind.h"
#include "ui/view/SiteListModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

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

void CLockwardenView::SetLaunchers(Launcher shellOpen, Launcher shellOpenFile) {
    m_shellOpen = std::move(shellOpen);
    m_shellOpenFile = std::move(shellOpenFile);
}

void CLockwardenView::OnUpdateGoUrl(CCmdUI& ui) const {
    ui.Enable(!m_strURL.empty());
}

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

// Hands the address over; when the desktop fails, says why and what it was given.
void CLockwardenView::Launch(const Launcher& launch, const QString& strAddress) {
    launch(strAddress, [this, strAddress](bool bOpened) {
        if (!bOpened)
            m_prompts.MessageBox(GetLastErrorText() + QStringLiteral("\n\n") + strAddress, MB_ICONEXCLAMATION | MB_OK);
    });
}

void CLockwardenView::OnGoUrl() {
    Launch(m_shellOpen, ToDisplayText(m_strURL));
}

void CLockwardenView::OnButtonGoUrl() {
    if (m_strURL.empty())
        m_prompts.MessageBeep();
    else
        OnGoUrl();
}

QString CLockwardenView::DocumentationPath(const QString& strExeDir) {
    const QDir exeDir(strExeDir);
    const QString candidates[] = {exeDir.filePath(QStringLiteral(LOCKWARDEN_DOC_FROM_BIN "/LockwardenDoc.pdf")),
                                  exeDir.filePath(QStringLiteral("LockwardenDoc.pdf"))};
    for (const QString& strPath : candidates) {
        const QFileInfo info(strPath);
        if (info.isFile())
            return QDir::cleanPath(info.absoluteFilePath());
    }
    return {};
}

// A local copy goes to the opener as a plain path: the opener takes no fragment on a file, and the
// viewer opens at page 1 anyway. The maker's address keeps its fragment for the browser's viewer.
void CLockwardenView::OnDocumentation() {
    const QString strPath = DocumentationPath(m_strExeDir);
    if (!strPath.isEmpty())
        Launch(m_shellOpenFile, strPath);
    else
        Launch(m_shellOpen, QStringLiteral(LOCKWARDEN_DOC_ADDRESS));
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

void CLockwardenView::OnKillFocusPswd() {
    if (!m_bReadOnly)
        return;
    // A site without a password shows an empty mask, which an empty or non-text clipboard would match:
    // there is nothing to copy then, and the clipboard stays as it is.
    if (m_strPswd.empty())
        return;
    std::string strClip;
    GetClipboardText(strClip);
    if (strClip != m_strPswd)
        return;
    if (const CSiteInfo* pSite = CurrentSite())
        m_clipboard.Put(pSite->m_strPswd, true);
}

// Told while the copy is being made, before anyone else can ask for it: the plain copy is replaced by the
// same text with the hint and the timer, so no clipboard manager keeps it.
void CLockwardenView::OnClipboardChanged() {
    if (!IsDataEntry() || !m_editPswd->hasSelectedText())
        return;
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const QMimeData* pData = pClipboard->mimeData();
    // Not every desktop says who owns the clipboard; the field's selection landing there unmarked is ours.
    if (pData == nullptr || pData->hasFormat(QStringLiteral("x-kde-passwordManagerHint")))
        return;
    const QString strSelected = m_editPswd->selectedText();
    if (pData->text() == strSelected)
        m_clipboard.Put(FromDisplayText(strSelected), true);
}

// The selection the desktop pastes with the middle button is never cleared by anyone: a password must
// not be in it at all.
void CLockwardenView::OnSelectionChanged() {
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (!IsDataEntry() || !pClipboard->ownsSelection() || !m_editPswd->hasSelectedText())
        return;
    if (pClipboard->text(QClipboard::Selection) == m_editPswd->selectedText())
        pClipboard->clear(QClipboard::Selection);
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
