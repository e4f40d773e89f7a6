#include "framework/QtPrompts.h"

#include "resources/Resource.h"
#include "resources/Strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace {

using ButtonList = std::vector<std::pair<QMessageBox::StandardButton, int>>;

// The buttons of an MB_* type in Windows' order, which is the order MB_DEFBUTTONn counts in.
ButtonList ButtonsOf(unsigned nType) {
    switch (nType & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    default:
        return {{QMessageBox::Ok, IDOK}};
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

// Esc and the close box: Cancel where there is one, else No, else the OK of a plain box.
int EscapeIdOf(const ButtonList& buttons) {
    int nId = buttons.front().second;
    for (const auto& button : buttons)
        if (button.second == IDCANCEL || (button.second == IDNO && nId != IDCANCEL))
            nId = button.second;
    return nId;
}

} // namespace

int CQtPrompts::MessageBox(const QString& strText, unsigned nType) {
    QMessageBox box(IconOf(nType), LoadString(AFX_IDS_APP_TITLE), strText, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Messages carry file names and other outside text, which must never be taken for markup.
    box.setTextFormat(Qt::PlainText);
    const ButtonList buttons = ButtonsOf(nType);
    const int nEscapeId = EscapeIdOf(buttons);
    std::size_t nDefault = (nType & MB_DEFMASK) >> 8;
    if (nDefault >= buttons.size()) // as Windows does, a default past the last button means the first
        nDefault = 0;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* pButton = box.addButton(buttons[i].first);
        if (i == nDefault)
            box.setDefaultButton(pButton);
        if (buttons[i].second == nEscapeId)
            box.setEscapeButton(pButton);
    }
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const auto& button : buttons)
        if (button.first == clicked)
            return button.second;
    return nEscapeId;
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
