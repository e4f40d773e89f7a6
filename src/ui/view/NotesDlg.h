#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QPlainTextEdit;
class QShowEvent;

// A site's notes at full size. Read-only when m_bLocked; the caller reads m_strText back after IDOK. There is
// no Cancel button: Esc and the close box cancel.
class CNotesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNotesDlg(QWidget* pParent = nullptr);

    QString m_strTitle;     // the caption; empty keeps the template's
    bool m_bLocked = false; // the notes cannot be changed
    std::string m_strText;  // the notes, as bytes

    // Exchanges m_strText with the edit: true reads the edit, false shows the member.
    void UpdateData(bool bSaveAndValidate);

    void accept() override;

protected:
    bool OnInitDialog();
    // Enter in read-only notes is nobody's: it neither breaks a line nor closes the window.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    QPlainTextEdit* m_pEdit = nullptr;
    QString m_strShown; // the edit's text as filled, to tell whether the user changed it
};
