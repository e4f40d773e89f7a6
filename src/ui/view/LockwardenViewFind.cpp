// Find Site: the view's command and the two searches that the find dialog runs on the site list.

#include "ui/view/LockwardenView.h"

#include "core/app/AppState.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/SiteNameMatch.h"
#include "ui/framework/WndPrompts.h"
#include "ui/view/SiteListModel.h"

#include <QComboBox>
#include <QLineEdit>

void CLockwardenView::OnEditFind() {
    if (!m_bReadOnly || IsListEmpty()) {
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const std::string strFind = m_app.m_strFind;
    const int nCurSite = m_nCurSite;
    const int nResult = m_runFindSiteDlg ? m_runFindSiteDlg() : IDCANCEL;
    m_pModel->ReleaseNameBuffer(); // made by the searches, needed no longer
    if (nResult == IDOK)
        return;
    m_app.m_strFind = strFind;
    if (m_nCurSite != nCurSite) {
        m_nCurSite = nCurSite;
        SelectItem(nCurSite);
        ShowSelected();
    }
}

void CLockwardenView::ShowRecord(const CSiteInfo* pSite) {
    if (!IsBrowsing())
        return;
    for (int i = 0; i < SiteCount(); ++i)
        if (m_pModel->At(i) == pSite) {
            SelectItem(i);
            ShowSelected();
            return;
        }
}

int CLockwardenView::FindSite(const std::string& strText, int& pos, int nStep, int nOffset) const {
    const int count = m_pModel->Count();
    if (strText.empty() || !m_bReadOnly || count <= 0 || m_nCurSite < 0)
        return -1;
    nStep = (nStep > 0) - (nStep < 0);
    const CSiteNameFinder finder(strText); // folded once, not once per entry
    // Reduced into the list at once, so no offset can overflow the sum.
    int i = static_cast<int>((static_cast<long long>(m_nCurSite) + nOffset) % count);
    for (int n = 0; n < count; ++n) {
        i = (i + count) % count;
        const qsizetype nAt = finder.FindIn(m_pModel->ReadyNameAt(i));
        pos = static_cast<int>(nAt);
        if (nAt >= 0)
            return i;
        i += nStep;
    }
    return -1;
}

void CLockwardenView::FindStep(int nStep, int nOffset) {
    int pos = -1;
    const int i = FindSite(m_app.m_strFind, pos, nStep, nOffset);
    if (i < 0) {
        m_prompts.MessageBeep();
        return;
    }
    m_nCurSite = i;
    SelectItem(i);
    ShowSelected();
    // Folding keeps every character's length, so the match spans as many units of the name as the find
    // text has. The caret goes to the match's end, which scrolls the match into view.
    const auto nLength = static_cast<int>(ToDisplayText(m_app.m_strFind).size());
    m_comboSites->lineEdit()->setSelection(pos, nLength);
}
