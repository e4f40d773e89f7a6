#pragma once

#include "ui/framework/WndPrompts.h"

#include <functional>
#include <utility>

class QFileDialog;

// The desktop side of the prompts seam: real message boxes, beeps, the file password dialog, file
// dialogs and modal runs. Every box and dialog is owned by the application's active window, so it
// opens over whatever the user is looking at.
class CQtPrompts : public CWndPrompts {
public:
    // Runs the file password dialog through the prompts given, with the file label and a caption (empty for
    // the dialog's own); the dialog itself belongs to the application above this layer, which hands it in.
    // Without one, every prompt answers IDCANCEL.
    using PasswordDlgRunner = std::function<int(CWndPrompts&, std::string&, const QString&, const QString&)>;
    explicit CQtPrompts(PasswordDlgRunner runPasswordDlg = {}) : m_runPasswordDlg(std::move(runPasswordDlg)) {}

    // A QMessageBox captioned with the application's title, showing strText as plain text. The MB_*
    // buttons, icon and default button map to Qt's; Esc and the close box answer IDCANCEL when there is a
    // Cancel button, IDNO in a Yes/No box and IDOK in an OK box.
    int MessageBox(const QString& strText, unsigned nType) override;
    void MessageBeep() override;
    // The busy cursor over the whole application, painted before the work that follows starts.
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    // Runs the password dialog handed to the constructor.
    int FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override;
    // The same dialog captioned "Confirm File Password".
    int ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override;
    // QFileDialogs (the desktop's own where it has one) with strFilter and "All Files"; the save dialog
    // adds strDefExt to a name typed without it and asks before replacing an existing file.
    bool OpenFileDialog(QString& strPath, const QString& strFilter) override;
    bool SaveFileDialog(QString& strPath, const QString& strFilter, const QString& strDefExt) override;
    int DoModal(QDialog& dlg) override;
    bool SaveFileDialogTyped(QString& strPath, const QStringList& types, int& nType, const QString& strDefExt) override;

private:
    PasswordDlgRunner m_runPasswordDlg;
    // Offers strFilter and "All Files", proposes strPath, and on OK puts the chosen file there.
    bool RunFileDialog(QFileDialog& dlg, const QString& strFilter, QString& strPath);
};
