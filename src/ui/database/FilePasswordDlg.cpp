#include "ui/database/FilePasswordDlg.h"

#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/WndPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

CFilePasswordDlg::~CFilePasswordDlg() {
    WipeString(m_strPassword);
}

CFilePasswordDlg::CFilePasswordDlg(QWidget* pParent) : QDialog(pParent) {
    CreateDialogFromTemplate(IDD_FILE_PASSWORD, *this);
    m_pPasswordEdit = FindControl<QLineEdit>(this, IDC_FILE_PASSWORD);
    m_pFileLabel = FindControl<QLabel>(this, IDC_FILE_LABEL);
}

bool CFilePasswordDlg::UpdateData(bool bSaveAndValidate) {
    DoDataExchange(bSaveAndValidate);
    return true;
}

void CFilePasswordDlg::DoDataExchange(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        // A field left as it was shown gives back the very bytes it was given: a password written on
        // Windows may hold bytes that only display as characters and would not survive the round trip.
        const QString strText = m_pPasswordEdit->text();
        if (strText != ToDisplayText(m_strPassword)) {
            std::string strEntry = FromDisplayText(strText);
            AssignSecret(m_strPassword, strEntry);
            WipeString(strEntry);
        }
        // The label cannot be edited, so the member already holds what it shows.
    } else {
        m_pPasswordEdit->setText(ToDisplayText(m_strPassword));
        // A long file name loses its middle rather than its extension; the whole line stays in the
        // tooltip and is what a screen reader reads.
        const QString strShown =
            m_pFileLabel->fontMetrics().elidedText(m_strFileLabel, Qt::ElideMiddle, m_pFileLabel->width());
        m_pFileLabel->setText(strShown);
        m_pFileLabel->setToolTip(strShown != m_strFileLabel ? m_strFileLabel : QString());
        m_pFileLabel->setAccessibleName(m_strFileLabel);
        m_pPasswordEdit->setAccessibleDescription(m_strFileLabel);
    }
}

bool CFilePasswordDlg::OnInitDialog() {
    UpdateData(false);
    setWindowIcon(QApplication::windowIcon());
    // The first tab stop takes the focus with its text selected, so typing replaces a previous entry.
    m_pPasswordEdit->setFocus(Qt::TabFocusReason);
    m_pPasswordEdit->selectAll();
    return true;
}

void CFilePasswordDlg::showEvent(QShowEvent* pEvent) {
    // Every modal run opens the dialog afresh, as a new window would; a restore from minimized does not.
    if (!pEvent->spontaneous())
        OnInitDialog();
    QDialog::showEvent(pEvent);
}

void CFilePasswordDlg::accept() {
    if (!UpdateData(true))
        return;
    QDialog::accept();
}

int RunFilePasswordDlg(CWndPrompts& prompts, std::string& strPassword, const QString& strFileLabel,
                       const QString& strCaption) {
    CFilePasswordDlg dlg(QApplication::activeWindow());
    if (!strCaption.isEmpty())
        dlg.setWindowTitle(strCaption);
    AssignSecret(dlg.m_strPassword, strPassword);
    dlg.m_strFileLabel = strFileLabel;
    const int nResult = prompts.DoModal(dlg);
    if (nResult == IDOK)
        AssignSecret(strPassword, dlg.m_strPassword);
    return nResult;
}
