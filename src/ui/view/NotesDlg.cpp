#include "ui/view/NotesDlg.h"

#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "ui/framework/DialogBuilder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QShowEvent>

CNotesDlg::CNotesDlg(QWidget* pParent) : QDialog(pParent) {
    CreateDialogFromTemplate(IDD_NOTES, *this);
    m_pEdit = FindControl<QPlainTextEdit>(this, IDC_NOTES_TEXT);
    m_pEdit->installEventFilter(this);
}

bool CNotesDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pEdit && pEvent->type() == QEvent::KeyPress && m_pEdit->isReadOnly()) {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        if (nKey == Qt::Key_Return || nKey == Qt::Key_Enter) {
            pEvent->accept();
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CNotesDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        TakeDisplayLines(m_strText, m_pEdit->toPlainText(), m_strShown);
    } else {
        m_pEdit->setPlainText(ToDisplayText(m_strText));
        m_strShown = m_pEdit->toPlainText();
    }
}

bool CNotesDlg::OnInitDialog() {
    UpdateData(false);
    m_pEdit->setReadOnly(m_bLocked);
    if (!m_strTitle.isEmpty())
        setWindowTitle(m_strTitle);
    setWindowIcon(QApplication::windowIcon());
    m_pEdit->setFocus(Qt::TabFocusReason);
    return true;
}

void CNotesDlg::showEvent(QShowEvent* pEvent) {
    if (!pEvent->spontaneous())
        OnInitDialog();
    QDialog::showEvent(pEvent);
}

void CNotesDlg::accept() {
    UpdateData(true);
    QDialog::accept();
}
