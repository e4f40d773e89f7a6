#pragma once

#include <QDialog>
#include <QString>

#include <string>

class CWndPrompts;
class QLabel;
class QLineEdit;
class QShowEvent;

// "Enter File Password": the file label above a masked field, OK and Cancel. It checks nothing; the
// caller sets the members, runs it through the prompts seam (CWndPrompts::DoModal) and reads
// m_strPassword after IDOK. After Cancel, Esc or the close box the members keep their values.
class CFilePasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFilePasswordDlg(QWidget* pParent = nullptr);
    // The entry is wiped with the dialog.
    ~CFilePasswordDlg() override;

    // Exchanges the members with the controls: true reads the controls, false shows the members.
    bool UpdateData(bool bSaveAndValidate = true);

    std::string m_strPassword; // the entry as bytes, exactly as typed
    QString m_strFileLabel;    // the line naming the file

    // OK (the button, or Enter): read the field, then close with IDOK.
    void accept() override;

protected:
    void DoDataExchange(bool bSaveAndValidate);
    // Each time the dialog opens: show the members, take the application icon, focus the field.
    bool OnInitDialog();
    void showEvent(QShowEvent* pEvent) override;

private:
    QLineEdit* m_pPasswordEdit = nullptr;
    QLabel* m_pFileLabel = nullptr;
};

// The file password prompt as the desktop shows it: CFilePasswordDlg over the active window, run through
// prompts.DoModal. strPassword fills the field and, on IDOK, receives the entry. A caption that is not
// empty replaces the dialog's own.
int RunFilePasswordDlg(CWndPrompts& prompts, std::string& strPassword, const QString& strFileLabel,
                       const QString& strCaption);
