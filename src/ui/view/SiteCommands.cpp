// The commands of the site form that use a stored site: Go URL, Notes, the password copy with its
// clipboard timer, the Edit menu's clipboard commands, and the manual.

#include "ui/view/LockwardenView.h"

#include "core/database/SiteInfo.h"
#include "core/platform/LastError.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Version.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/Clipboard.h"
#include "ui/view/NotesDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kClipboardInterval = 10000;

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

void CLockwardenView::WireSiteCommands() {
    m_shellOpen = [this](const QString& strUrl, ShellDone onDone) { ShellOpen(strUrl, this, std::move(onDone)); };
    m_shellOpenFile = [this](const QString& strPath, ShellDone onDone) {
        ShellOpenFile(strPath, this, std::move(onDone));
    };
    m_strExeDir = QCoreApplication::applicationDirPath();
    m_pClipTimer = new QTimer(this);
    m_pClipTimer->setObjectName(QStringLiteral("ClipboardTimer"));
    m_pClipTimer->setSingleShot(true);
    m_pClipTimer->setInterval(kClipboardInterval);
    connect(m_pClipTimer, &QTimer::timeout, this, [this] { OnTimer(kClipboardTimer); });
    m_editPswd->installEventFilter(this);
    if (auto* pButton = FindControl<QPushButton>(this, IDC_GO_URL))
        connect(pButton, &QPushButton::clicked, this, &CLockwardenView::OnButtonGoUrl);
    if (auto* pButton = FindControl<QPushButton>(this, IDC_NOTES_BUTTON))
        connect(pButton, &QPushButton::clicked, this, &CLockwardenView::OnSiteNotes);
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

void CLockwardenView::RegisterSiteCommands(CCommandRouter& router) {
    router.Register(
        ID_GO_URL, [this] { OnGoUrl(); }, [this](CCmdUI& ui) { OnUpdateGoUrl(ui); });
    router.Register(ID_SITE_NOTES, [this] { OnSiteNotes(); });
    router.Register(ID_DOCUMENTATION, [this] { OnDocumentation(); });
    router.Register(ID_EDIT_COPY, [this] { OnEditCopy(); });
    router.Register(
        ID_EDIT_CUT, [this] { OnEditCut(); }, [this](CCmdUI& ui) { OnUpdateEditCut(ui); });
    router.Register(
        ID_EDIT_PASTE, [this] { OnEditPaste(); }, [this](CCmdUI& ui) { OnUpdateEditPaste(ui); });
    router.Register(
        ID_EDIT_UNDO, [this] { OnEditUndo(); }, [this](CCmdUI& ui) { OnUpdateEditUndo(ui); });
}

// ---- Go URL and the manual ----

// Hands the address over; when the desktop fails, says why and what it was given.
void CLockwardenView::Launch(const std::function<void(const QString&, ShellDone)>& launch, const QString& strAddress) {
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

// ---- Notes ----

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
    Q_EMIT stateChanged();
}

// ---- the password copy ----

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
    const CSiteInfo* pSite = CurrentSite();
    if (pSite == nullptr)
        return;
    m_strClipPswd = pSite->m_strPswd;
    PutTextOnClipboard(m_strClipPswd);
    m_pClipTimer->start();
}

void CLockwardenView::OnTimer(int nIDEvent) {
    if (nIDEvent != kClipboardTimer)
        return;
    ClearClipboardPassword();
}

void CLockwardenView::ClearClipboardPassword() {
    if (m_pClipTimer != nullptr)
        m_pClipTimer->stop();
    // Anything the user has put on the clipboard since is left alone.
    if (!m_strClipPswd.empty() && IsTextOnClipboard(m_strClipPswd))
        EmptyClipboard();
    m_strClipPswd.clear();
}

void CLockwardenView::SetClipboardInterval(int nMilliseconds) {
    m_pClipTimer->setInterval(nMilliseconds);
}

// ---- the Edit menu ----

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
