#pragma once

#include "core/framework/Prompts.h"

#include <cstdio>

class CSecretInput;

// The prompts seam for lockwarden-cli: the document's messages go to the error stream, and its questions
// get the answer that never loses data. The only question the document asks while the companion runs is
// whether to overwrite a file another program changed since it was read; the answer is No, so that file
// stays as the other program left it and the command fails.
class CCliPrompts : public CPrompts {
public:
    // A terminal allows this many entries of the file password; piped input one, since a second line
    // would be the command's own secret and must not be taken for another guess.
    static constexpr int kTerminalPasswordTries = 3;

    CCliPrompts(CSecretInput& input, std::FILE* pErr);
    ~CCliPrompts() override;
    CCliPrompts(const CCliPrompts&) = delete;
    CCliPrompts& operator=(const CCliPrompts&) = delete;

    int MessageBox(const QString& strText, unsigned nType) override;
    void MessageBeep() override {}
    // Opening a file: the password of that file. After ExpectNewPassword: the file's new password.
    int FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override;
    // The new password was already asked for twice where that is possible: the entry given stands.
    int ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override;
    bool OpenFileDialog(QString&, const QString&) override { return false; }
    // Asked for only when the file is read-only: the companion has no one to ask for another name, so
    // it says why the save stops.
    bool SaveFileDialog(QString& strFileName, const QString&, const QString&) override;

    // The next password prompt asks for a new file password (Change File Pswd) rather than the
    // password of the file being opened.
    void ExpectNewPassword() { m_bNewPassword = true; }
    // A message was shown or a prompt could not be answered: the command has failed.
    bool HasFailed() const { return m_bFailed; }
    // The next prompt opens another file (the other side of a merge): it has its tries of its own.
    void ExpectAnotherFile() { m_nPasswordTries = 0; }
    const QString& File() const { return m_strFile; }
    // Every message from now on concerns this file and names it.
    void SetFile(const QString& strFile) { m_strFile = strFile; }
    // Reports a failure, the companion's own or the document's, as "lockwarden-cli: FILE: text".
    void Fail(const QString& strText) { FailAbout(m_strFile, strText); }
    // The same about another file, or about none when strFile is empty.
    void FailAbout(const QString& strFile, const QString& strText);
    // A message that is not a failure, said the same way.
    void Warn(const QString& strText);

private:
    CSecretInput& m_input;
    std::FILE* m_pErr;
    QString m_strFile;
    bool m_bNewPassword = false;
    std::string m_strNewEntry;
    bool m_bFailed = false;
    int m_nPasswordTries = 0;
};
