#pragma once

#include <QDialog>

class CPrompts;
class QCheckBox;
class QLineEdit;

// View > Options...: when the window locks by itself. The minutes without input after which it locks (0:
// never) and whether it locks when the screen locks; the caller reads the members back after IDOK.
class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(CPrompts& prompts, QWidget* pParent = nullptr);

    int m_nLockMinutes = 0;
    int m_bLockOnScreenLock = 1;

    // Exchanges the members with the controls: true reads them (false when the minutes cannot be used, which
    // has then been said), false shows the members.
    bool UpdateData(bool bSaveAndValidate = true);

    // OK: read the controls, then close; the dialog stays while the minutes cannot be used.
    void accept() override;

protected:
    bool DoDataExchange(bool bSaveAndValidate);
    void showEvent(QShowEvent* pEvent) override;

private:
    // The minutes cannot be used: says why, and puts the focus on the box with its text selected.
    void RefuseMinutes(const QString& strText);

    CPrompts& m_prompts;
    QLineEdit* m_pMinutesEdit = nullptr;
    QCheckBox* m_pScreenLockCheck = nullptr;
};
