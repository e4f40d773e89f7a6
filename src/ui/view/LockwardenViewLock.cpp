// The form under the lock: what it keeps of the shown site and an entry under way, and how it comes back.
#include "ui/view/LockwardenView.h"

#include "core/database/LockwardenDoc.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "ui/view/SiteListModel.h"

#include <QComboBox>
#include <QLineEdit>

// ---- the lock ----

CLockwardenView::CLockSnapshot::~CLockSnapshot() {
    for (std::string* pText : {&strSite, &strURL, &strUser, &strPswd, &strNotes})
        WipeString(*pText);
}

bool CLockwardenView::IsLocked() const {
    return m_pLocked != nullptr || m_doc.IsLocked();
}

CShownSite CLockwardenView::Shown(CShownSite::ERecords records) const {
    return CShownSite(*m_pModel, m_nCurSite, records);
}

bool CLockwardenView::ShowShown(const CShownSite& shown) {
    const int i = shown.FindIn(*m_pModel);
    return i >= 0 && ShowRecord(m_pModel->At(i));
}

void CLockwardenView::OnAboutToLock(bool bRecordsStay) {
    if (m_pLocked != nullptr)
        return;
    const CStateBatch batch(*this);
    m_comboSites->hidePopup();
    auto pLocked = std::make_unique<CLockSnapshot>();
    pLocked->shown = Shown(bRecordsStay ? CShownSite::ERecords::stay : CShownSite::ERecords::go);
    if (HasPendingEntry()) {
        // The entry as Keep would take it.
        UpdateData(true);
        pLocked->bEntry = true;
        pLocked->bReplace = m_bReplace;
        pLocked->strSite = SiteNameText();
        pLocked->strURL = m_strURL;
        pLocked->strUser = m_strUser;
        pLocked->strPswd = m_strPswd;
        pLocked->strNotes = m_strNotes;
    }
    // Leaving data entry as Cancel does takes this site's password off the clipboard too.
    if (IsDataEntry())
        OnSiteCancel();
    m_pLocked = std::move(pLocked);
    m_pModel->Clear();
    m_nCurSite = -1;
    m_bReplace = false;
    ClearFields();
    SetReadOnly(true);
    // Emptied first: the password field losing the focus then has nothing to copy.
    setEnabled(false);
    NotifyStateChanged();
}

void CLockwardenView::OnLockChanged() {
    // Still locked, or never locked here: nothing to bring back.
    if (m_doc.IsLocked() || m_pLocked == nullptr)
        return;
    const CStateBatch batch(*this);
    const std::unique_ptr<CLockSnapshot> pLocked = std::move(m_pLocked);
    setEnabled(true);
    m_pModel->Clear();
    m_bReplace = false;
    if (m_doc.Sites().empty()) {
        m_nCurSite = -1;
        ClearFields();
        SetReadOnly(false);
    } else {
        m_pModel->Reset(m_doc.Sites());
        const int i = pLocked->shown.FindIn(*m_pModel);
        m_nCurSite = i >= 0 ? i : 0;
        SelectItem(m_nCurSite);
        ShowSelected();
        SetReadOnly(true);
    }
    if (pLocked->bEntry) {
        // Data entry comes back on the site it was on, with the texts as they were typed.
        const int nEdited = pLocked->bReplace ? pLocked->shown.FindIn(*m_pModel) : -1;
        if (nEdited >= 0) {
            m_nCurSite = nEdited;
            SelectItem(nEdited);
        }
        SetReadOnly(false);
        m_bReplace = nEdited >= 0;
        m_comboSites->setEditText(ToDisplayText(pLocked->strSite));
        m_comboSites->lineEdit()->setCursorPosition(0);
        m_strURL = pLocked->strURL;
        m_strUser = pLocked->strUser;
        m_strPswd = pLocked->strPswd;
        m_strNotes = pLocked->strNotes;
        UpdateData(false);
        m_comboSites->setFocus();
    }
    NotifyStateChanged();
}

void CLockwardenView::ForgetLockedState() {
    if (m_pLocked == nullptr)
        return;
    m_pLocked.reset();
    setEnabled(true);
}
