#pragma once

#include "core/framework/MessageBoxButtons.h"
#include "core/framework/Prompts.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// A prompts double: answers come from a script, and everything shown is recorded in order.
// An unscripted message box answers its default button; an unscripted password prompt or file
// dialog cancels. CPrompts is a virtual base so that the window-level double can add dialog scripting.
class CScriptedPrompts : public virtual CPrompts {
public:
    struct Shown {
        QString strText;    // message text, or "password:"/"confirm:" + label, or "open:"/"save:" + proposed path
        unsigned nType = 0; // MB_* flags of a message box
        bool operator==(const Shown&) const = default;
    };

    int MessageBox(const QString& strText, unsigned nType) override {
        m_shown.push_back({strText, nType});
        if (m_onMessageBox)
            m_onMessageBox(strText);
        if (!m_messageAnswers.empty()) {
            const int n = m_messageAnswers.front();
            m_messageAnswers.pop_front();
            return n;
        }
        return MessageBoxDefault(nType);
    }
    void MessageBeep() override { ++m_nBeeps; }
    int FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override {
        return PasswordPrompt(QStringLiteral("password:"), strPassword, strFileLabel);
    }
    // Answered from the same script as the first prompt; shown as "confirm:" + label.
    int ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override {
        return PasswordPrompt(QStringLiteral("confirm:"), strPassword, strFileLabel);
    }
    int PasswordPrompt(const QString& strKind, std::string& strPassword, const QString& strFileLabel) {
        m_shown.push_back({strKind + strFileLabel, 0});
        m_passwordFieldsShown.push_back(strPassword);
        if (m_onPasswordPrompt)
            m_onPasswordPrompt();
        if (m_passwordAnswers.empty())
            return 2; // IDCANCEL
        const auto answer = m_passwordAnswers.front();
        m_passwordAnswers.pop_front();
        if (!answer.first)
            return 2;
        strPassword = answer.second;
        return 1; // IDOK
    }
    void BeginWaitCursor() override {
        ++m_nWaitCursors;
        ++m_nWaitCursorsBegun;
    }
    void EndWaitCursor() override { --m_nWaitCursors; }
    bool OpenFileDialog(QString& strPath, const QString&) override {
        return FileAnswer(QStringLiteral("open:"), strPath);
    }
    bool SaveFileDialog(QString& strPath, const QString&, const QString&) override {
        return FileAnswer(QStringLiteral("save:"), strPath);
    }

    // Scripting.
    void AnswerMessage(int nId) { m_messageAnswers.push_back(nId); }
    void EnterPassword(const std::string& str) { m_passwordAnswers.push_back({true, str}); }
    void CancelPassword() { m_passwordAnswers.push_back({false, {}}); }
    void ChooseFile(const QString& strPath) { m_fileAnswers.push_back({true, strPath}); }
    void CancelFileDialog() { m_fileAnswers.push_back({false, {}}); }

    // What was shown: message boxes only, in order, with their texts and styles.
    std::vector<Shown> MessageBoxes() const {
        std::vector<Shown> boxes;
        for (const Shown& s : m_shown)
            if (!s.strText.startsWith(QStringLiteral("password:")) &&
                !s.strText.startsWith(QStringLiteral("confirm:")) && !s.strText.startsWith(QStringLiteral("open:")) &&
                !s.strText.startsWith(QStringLiteral("save:")))
                boxes.push_back(s);
        return boxes;
    }
    // Their texts only.
    QStringList Messages() const {
        QStringList list;
        for (const Shown& s : MessageBoxes())
            list.push_back(s.strText);
        return list;
    }

    std::vector<Shown> m_shown;
    std::vector<std::string> m_passwordFieldsShown; // the field's content each time the prompt opened
    // Runs while the password prompt is up, as another program might act while the user types.
    std::function<void()> m_onPasswordPrompt;
    // Runs while a message box is up, as a signal or another program might act while it shows.
    std::function<void(const QString&)> m_onMessageBox;
    int m_nBeeps = 0;
    int m_nWaitCursors = 0;      // busy cursors begun and not yet ended
    int m_nWaitCursorsBegun = 0; // busy cursors begun in all

private:
    bool FileAnswer(const QString& strKind, QString& strPath) {
        m_shown.push_back({strKind + strPath, 0});
        if (m_fileAnswers.empty())
            return false;
        const auto answer = m_fileAnswers.front();
        m_fileAnswers.pop_front();
        if (answer.first)
            strPath = answer.second;
        return answer.first;
    }

    std::deque<int> m_messageAnswers;
    std::deque<std::pair<bool, std::string>> m_passwordAnswers;
    std::deque<std::pair<bool, QString>> m_fileAnswers;
};

inline void PrintTo(const CScriptedPrompts::Shown& s, std::ostream* pOut) {
    *pOut << '"' << s.strText.toStdString() << "\" (0x" << std::hex << s.nType << std::dec << ')';
}
