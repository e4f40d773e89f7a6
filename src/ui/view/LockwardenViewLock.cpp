// The form under the lock: what it keeps of the shown site and an entry under way, and how it comes back.
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

// ---- the lock ----

void CLockwardenView::Lock() {
    if (m_bLocked)
        return;
    const CStateBatch batch(*this);
    m_comboSites->hidePopup();
    if (const CSiteInfo* pShown = CurrentSite()) {
        m_pLockedSite = pShown;
        m_strLockedSite = pShown->m_strSite;
    }
    if (HasPendingEntry()) {
        // The entry as Keep would take it.
        UpdateData(true);
        m_lockedEntry.bActive = true;
        m_lockedEntry.bReplace = m_bReplace;
        m_lockedEntry.pSite = m_bReplace ? CurrentSite() : nullptr;
        m_lockedEntry.strSite = SiteNameText();
        m_lockedEntry.strURL = m_strURL;
        m_lockedEntry.strUser = m_strUser;
        m_lockedEntry.strPswd = m_strPswd;
        m_lockedEntry.strNotes = m_strNotes;
    }
    // Leaving data entry as Cancel does takes this site's password off the clipboard too.
    if (IsDataEntry())
        OnSiteCancel();
    m_bLocked = true;
    m_pModel->Clear();
    m_nCurSite = -1;
    m_bReplace = false;
    ClearFields();
    SetReadOnly(true);
    // Emptied first: the password field losing the focus then has nothing to copy.
    setEnabled(false);
    NotifyStateChanged();
}

int CLockwardenView::FindLockedSite(const CSiteInfo* pSite, const std::string& strSite) const {
    if (pSite != nullptr) {
        if (const int i = m_pModel->IndexOf(pSite); i >= 0)
            return i;
    }
    if (strSite.empty())
        return -1;
    for (int i = 0; i < SiteCount(); ++i)
        if (m_pModel->At(i)->m_strSite == strSite)
            return i;
    return -1;
}

void CLockwardenView::Unlock() {
    if (!m_bLocked)
        return;
    const CStateBatch batch(*this);
    m_bLocked = false;
    setEnabled(true);
    m_pModel->Clear();
    m_bReplace = false;
    if (m_doc.Sites().empty()) {
        m_nCurSite = -1;
        ClearFields();
        SetReadOnly(false);
    } else {
        m_pModel->Reset(m_doc.Sites());
        const int i = FindLockedSite(m_pLockedSite, m_strLockedSite);
        m_nCurSite = i >= 0 ? i : 0;
        SelectItem(m_nCurSite);
        ShowSelected();
        SetReadOnly(true);
    }
    if (m_lockedEntry.bActive) {
        // Data entry comes back on the site it was on, with the texts as they were typed.
        const CLockedEntry& entry = m_lockedEntry;
        const int nEdited = entry.bReplace ? FindLockedSite(entry.pSite, m_strLockedSite) : -1;
        if (nEdited >= 0) {
            m_nCurSite = nEdited;
            SelectItem(nEdited);
        }
        SetReadOnly(false);
        m_bReplace = nEdited >= 0;
        m_comboSites->setEditText(ToDisplayText(entry.strSite));
        m_comboSites->lineEdit()->setCursorPosition(0);
        m_strURL = entry.strURL;
        m_strUser = entry.strUser;
        m_strPswd = entry.strPswd;
        m_strNotes = entry.strNotes;
        UpdateData(false);
        m_comboSites->setFocus();
    }
    ForgetLockedState();
    NotifyStateChanged();
}

void CLockwardenView::ForgetLockedState() {
    if (m_bLocked) {
        m_bLocked = false;
        setEnabled(true);
    }
    m_pLockedSite = nullptr;
    WipeString(m_strLockedSite);
    m_lockedEntry.bActive = false;
    m_lockedEntry.bReplace = false;
    m_lockedEntry.pSite = nullptr;
    for (std::string* pText : {&m_lockedEntry.strSite, &m_lockedEntry.strURL, &m_lockedEntry.strUser,
                               &m_lockedEntry.strPswd, &m_lockedEntry.strNotes})
        WipeString(*pText);
}
