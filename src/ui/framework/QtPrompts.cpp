#include "ui/framework/QtPrompts.h"

#include "core/framework/MessageBoxButtons.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include <vector>

namespace {

QMessageBox::StandardButton StandardButtonOf(int nId) {
    switch (nId) {
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(unsigned nType) {
    switch (nType & MB_ICONMASK) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int CQtPrompts::MessageBox(const QString& strText, unsigned nType) {
    QMessageBox box(IconOf(nType), LoadString(AFX_IDS_APP_TITLE), strText, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Messages carry file names and other outside text, which must never be taken for markup.
    box.setTextFormat(Qt::PlainText);
    const int nDefaultId = MessageBoxDefault(nType);
    const int nEscapeId = MessageBoxEscape(nType);
    const std::vector<int> buttons = MessageBoxButtons(nType);
    for (int nId : buttons) {
        QPushButton* pButton = box.addButton(StandardButtonOf(nId));
        if (nId == nDefaultId)
            box.setDefaultButton(pButton);
        if (nId == nEscapeId)
            box.setEscapeButton(pButton);
    }
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (int nId : buttons)
        if (StandardButtonOf(nId) == clicked)
            return nId;
    return nEscapeId;
}

void CQtPrompts::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The cursor changes only when events run; user input waits until the work is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CQtPrompts::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void CQtPrompts::MessageBeep() {
    QApplication::beep();
}

int CQtPrompts::FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) {
    return m_runPasswordDlg ? m_runPasswordDlg(*this, strPassword, strFileLabel, QString()) : IDCANCEL;
}

int CQtPrompts::ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) {
    return m_runPasswordDlg ? m_runPasswordDlg(*this, strPassword, strFileLabel, LoadString(IDS_CONFIRM_FILE_PASSWORD))
                            : IDCANCEL;
}

bool CQtPrompts::OpenFileDialog(QString& strPath, const QString& strFilter) {
    QFileDialog dlg(QApplication::activeWindow(), LoadString(AFX_IDS_OPENFILE));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    return RunFileDialog(dlg, strFilter, strPath);
}

bool CQtPrompts::SaveFileDialog(QString& strPath, const QString& strFilter, const QString& strDefExt) {
    QFileDialog dlg(QApplication::activeWindow(), LoadString(AFX_IDS_SAVEFILE));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    QString strSuffix = strDefExt;
    if (strSuffix.startsWith(QLatin1Char('.')))
        strSuffix.remove(0, 1);
    dlg.setDefaultSuffix(strSuffix);
    return RunFileDialog(dlg, strFilter, strPath);
}

bool CQtPrompts::SaveFileDialogTyped(QString& strPath, const QStringList& types, int& nType, const QString& strDefExt) {
    QFileDialog dlg(QApplication::activeWindow(), LoadString(AFX_IDS_SAVEFILE));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(strDefExt.startsWith(QLatin1Char('.')) ? strDefExt.mid(1) : strDefExt);
    dlg.setNameFilters(types);
    dlg.selectNameFilter(types.value(nType));
    if (!strPath.isEmpty())
        dlg.selectFile(strPath);
    if (DoModal(dlg) != IDOK || dlg.selectedFiles().isEmpty())
        return false;
    strPath = dlg.selectedFiles().front();
    nType = std::max<int>(0, static_cast<int>(types.indexOf(dlg.selectedNameFilter())));
    return true;
}

bool CQtPrompts::RunFileDialog(QFileDialog& dlg, const QString& strFilter, QString& strPath) {
    dlg.setNameFilters({strFilter, LoadString(AFX_IDS_ALLFILTER)});
    if (!strPath.isEmpty())
        dlg.selectFile(strPath);
    if (DoModal(dlg) != IDOK || dlg.selectedFiles().isEmpty())
        return false;
    strPath = dlg.selectedFiles().front();
    return true;
}

int CQtPrompts::DoModal(QDialog& dlg) {
    return ResultOfExec(dlg.exec());
}
