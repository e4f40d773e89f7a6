#include "cli/SecretInput.h"

#include "core/platform/SecureWipe.h"

#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal's settings while echo is off, so an interrupt can put them back before the program dies.
int g_fdEchoOff = -1;
struct termios g_savedTermios {};

void RestoreEchoAndDie(int nSignal) {
    if (g_fdEchoOff >= 0)
        ::tcsetattr(g_fdEchoOff, TCSANOW, &g_savedTermios);
    ::signal(nSignal, SIG_DFL);
    ::raise(nSignal);
}

// Turns echo off for as long as it lives.
class CEchoOff {
public:
    explicit CEchoOff(int fd) {
        if (::tcgetattr(fd, &g_savedTermios) != 0)
            return;
        struct termios quiet = g_savedTermios;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
        g_fdEchoOff = fd;
        for (int nSignal : {SIGINT, SIGTERM, SIGQUIT, SIGHUP})
            m_oldHandlers[m_nHandlers++] = {nSignal, ::signal(nSignal, RestoreEchoAndDie)};
        ::tcsetattr(fd, TCSANOW, &quiet);
    }
    ~CEchoOff() {
        if (g_fdEchoOff < 0)
            return;
        ::tcsetattr(g_fdEchoOff, TCSANOW, &g_savedTermios);
        g_fdEchoOff = -1;
        for (int i = 0; i < m_nHandlers; ++i)
            ::signal(m_oldHandlers[i].nSignal, m_oldHandlers[i].handler);
    }
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;

private:
    struct Handler {
        int nSignal;
        void (*handler)(int);
    };
    Handler m_oldHandlers[4]{};
    int m_nHandlers = 0;
};

} // namespace

CSecretInput::CSecretInput(std::FILE* pIn, std::FILE* pPrompt)
    : m_pIn(pIn), m_pPrompt(pPrompt), m_bTerminal(::isatty(::fileno(pIn)) == 1) {}

bool CSecretInput::ReadLine(std::string& strLine) {
    WipeString(strLine);
    strLine.reserve(kSecretRoom);
    int c = 0;
    while ((c = std::getc(m_pIn)) != EOF && c != '\n') {
        // A longer line moves to a larger buffer; the old one is wiped, not just freed.
        if (strLine.size() == strLine.capacity()) {
            std::string strLarger;
            strLarger.reserve(strLine.capacity() * 2);
            strLarger = strLine;
            WipeString(strLine);
            strLine.swap(strLarger);
        }
        strLine.push_back(static_cast<char>(c));
    }
    if (c == EOF && strLine.empty())
        return false;
    if (!strLine.empty() && strLine.back() == '\r')
        strLine.pop_back();
    return true;
}

bool CSecretInput::ReadRest(std::string& strText) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, m_pIn)) > 0)
        strText.append(buffer, n);
    WipeMemory(buffer, sizeof buffer);
    return std::ferror(m_pIn) == 0;
}

CSecretInput::Result CSecretInput::ReadSecret(const std::string& strPrompt, std::string& strSecret) {
    if (!m_bTerminal)
        return ReadLine(strSecret) ? ok : ended;
    bool bRead = false;
    {
        // Echo goes off before the prompt appears, so nothing typed after the prompt is ever shown.
        CEchoOff echoOff(::fileno(m_pIn));
        std::fputs(strPrompt.c_str(), m_pPrompt);
        std::fflush(m_pPrompt);
        bRead = ReadLine(strSecret);
    }
    std::fputc('\n', m_pPrompt); // the Enter that was not echoed
    std::fflush(m_pPrompt);
    return bRead ? ok : ended;
}

CSecretInput::Result CSecretInput::ReadAnswer(const std::string& strPrompt, std::string& strAnswer) {
    if (!m_bTerminal)
        return ended;
    std::fputs(strPrompt.c_str(), m_pPrompt);
    std::fflush(m_pPrompt);
    return ReadLine(strAnswer) ? ok : ended;
}

CSecretInput::Result CSecretInput::ReadNewSecret(const std::string& strPrompt, std::string& strSecret) {
    const Result result = ReadSecret(strPrompt, strSecret);
    if (result != ok || !m_bTerminal)
        return result;
    std::string strAgain;
    const CWipeOnExit wipe({&strAgain});
    if (ReadSecret("Again: ", strAgain) != ok)
        return ended;
    return strAgain == strSecret ? ok : mismatch;
}
