#include "ui/app/OptionsDlg.h"

#include "core/app/AppState.h"
#include "core/framework/Prompts.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/DialogBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QShowEvent>

COptionsDlg::COptionsDlg(CPrompts& prompts, QWidget* pParent) : QDialog(pParent), m_prompts(prompts) {
    CreateDialogFromTemplate(IDD_OPTIONS, *this);
    m_pMinutesEdit = FindControl<QLineEdit>(this, IDC_LOCK_MINUTES);
    m_pScreenLockCheck = FindControl<QCheckBox>(this, IDC_LOCK_ON_SCREEN_LOCK);
}

bool COptionsDlg::UpdateData(bool bSaveAndValidate) {
    return DoDataExchange(bSaveAndValidate);
}

bool COptionsDlg::DoDataExchange(bool bSaveAndValidate) {
    if (!bSaveAndValidate) {
        m_pMinutesEdit->setText(QString::number(m_nLockMinutes));
        m_pScreenLockCheck->setChecked(m_bLockOnScreenLock != 0);
        return true;
    }
    const QString strMinutes = m_pMinutesEdit->text().trimmed();
    bool bNumber = false;
    const qlonglong nMinutes = strMinutes.toLongLong(&bNumber);
    if (!bNumber || nMinutes < 0) {
        RefuseMinutes(LoadString(AFX_IDP_PARSE_UINT));
        return false;
    }
    if (nMinutes > CAppState::kMaxLockMinutes) {
        RefuseMinutes(LoadString(IDS_LOCK_MINUTES_RANGE).arg(CAppState::kMaxLockMinutes));
        return false;
    }
    m_nLockMinutes = static_cast<int>(nMinutes);
    m_bLockOnScreenLock = m_pScreenLockCheck->isChecked() ? 1 : 0;
    return true;
}

void COptionsDlg::RefuseMinutes(const QString& strText) {
    m_prompts.MessageBox(strText, MB_ICONEXCLAMATION | MB_OK);
    m_pMinutesEdit->setFocus(Qt::OtherFocusReason);
    m_pMinutesEdit->selectAll();
}

void COptionsDlg::showEvent(QShowEvent* pEvent) {
    if (!pEvent->spontaneous()) {
        UpdateData(false);
        setWindowIcon(QApplication::windowIcon());
        m_pMinutesEdit->setFocus(Qt::TabFocusReason);
        m_pMinutesEdit->selectAll();
    }
    QDialog::showEvent(pEvent);
}

void COptionsDlg::accept() {
    if (!UpdateData(true))
        return;
    QDialog::accept();
}
