#pragma once

#include <cstdio>
#include <string>

// Where lockwarden-cli takes its secrets from: a terminal, read without echo and with a prompt on the
// error stream, or else the lines of standard input in order. Never an argument or the environment.
class CSecretInput {
public:
    enum Result { ok, ended, mismatch };

    // pIn is read line by line; prompts go to pPrompt, and only when pIn is a terminal.
    CSecretInput(std::FILE* pIn, std::FILE* pPrompt);

    bool IsTerminal() const { return m_bTerminal; }

    // One secret. LF or CR LF ends it and is not part of it. ended when the input has no more lines.
    Result ReadSecret(const std::string& strPrompt, std::string& strSecret);
    // A secret being set: from a terminal it is asked twice and both entries must agree (mismatch
    // otherwise); from other input it is one line.
    Result ReadNewSecret(const std::string& strPrompt, std::string& strSecret);
    // An answer to a question, typed with echo; asked only of a terminal (ended otherwise).
    Result ReadAnswer(const std::string& strPrompt, std::string& strAnswer);

    // The rest of the input, for text that follows the secrets (--notes-file -). False on a read error.
    bool ReadRest(std::string& strText);

private:
    // A line is read into this much room first, so a usual secret never moves.
    static constexpr std::size_t kSecretRoom = 256;
    bool ReadLine(std::string& strLine);

    std::FILE* m_pIn;
    std::FILE* m_pPrompt;
    bool m_bTerminal;
};
