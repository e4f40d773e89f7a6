#pragma once

#include "core/tools/PasswordPool.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class CAppState;
class CPrompts;
class CSecretClipboard;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// "Create Passwords": the modeless password generator. It takes the length and the three character classes
// from the application state when it opens and hands them back when its window is destroyed; in between it
// shows one new password, or puts a hundred on the clipboard. The main frame creates it and keeps it in its
// slot; the window says it is gone (postNcDestroy), which empties the slot, and deletes itself.
class CCreatePasswordsDlg : public QDialog {
    Q_OBJECT
public:
    CCreatePasswordsDlg(CAppState& app, CPrompts& prompts, CSecretClipboard& clipboard);
    ~CCreatePasswordsDlg() override;

    // Gives the window its owner and fills it (OnInitDialog); it appears when the caller shows it.
    void Create(QWidget* pParentWnd);
    // Reads the window, hands the values back, hides it, empties the frame's slot and deletes the object
    // (from the event loop, so a handler of its own may call this). Once only.
    void DestroyWindow();

    // Exchanges the members with the controls: true reads the controls (false when the length box does
    // not hold a usable length, which has then been reported), false shows the members.
    bool UpdateData(bool bSaveAndValidate = true);

    // "Create a Password": reads the window and shows a new password of the length read.
    void OnCreatePassword();
    // "100 Pswds on Clipboard": a hundred passwords, one per CR LF-ended line, with the values as last read.
    void OnPasswordsToClipboard();

    // Esc: nothing. The window has no Cancel; only its close box ends it.
    void reject() override {}

    QString m_strNewPassword;
    std::uint32_t m_nLength = 0;
    int m_bMixedCase = 0;
    int m_bNumbers = 0;
    int m_bPunctuation = 0;

    // Where the random bytes come from: the operating system; tests hand in a replay.
    PasswordPool::RandomBytes m_random = PasswordPool::SystemRandomBytes;

Q_SIGNALS:
    // The window is gone and the object goes right after: the frame empties its slot.
    void postNcDestroy();

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    bool DoDataExchange(bool bSaveAndValidate);
    void OnInitDialog();
    void OnDestroy();
    void PostNcDestroy();

    std::string Pool() const;
    // A password of nLength from strPool; a failing random source is reported and gives false.
    bool MakePassword(const std::string& strPool, std::size_t nLength, std::string& strPassword);
    // The length cannot be used: says why, and puts the focus on the length box with its text selected.
    void RefuseLength(int nMessage);
    // The line under the new password: zxcvbn's word for it, or nothing while there is none.
    void ShowStrength();

    CAppState& m_app;
    CPrompts& m_prompts;
    CSecretClipboard& m_clipboard;
    QLineEdit* m_pLengthEdit = nullptr;
    QLineEdit* m_pNewPasswordEdit = nullptr;
    QCheckBox* m_pMixedCaseCheck = nullptr;
    QCheckBox* m_pNumbersCheck = nullptr;
    QCheckBox* m_pPunctuationCheck = nullptr;
    QPushButton* m_pCreateButton = nullptr;
    QLabel* m_pStrengthLabel = nullptr;
    bool m_bDestroyed = false;
};
