// Secrets typed at a terminal: lockwarden-cli runs with a pseudo-terminal as its standard input and
// error, and the test types at the other end only after each prompt has appeared.
#include "CliRun.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

class CTerminalRun {
public:
    explicit CTerminalRun(const QStringList& args) {
        m_fdMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fdMaster < 0 || ::grantpt(m_fdMaster) != 0 || ::unlockpt(m_fdMaster) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        const QByteArray slave = ::ptsname(m_fdMaster);
        m_process.setProgram(QStringLiteral(LOCKWARDEN_CLI));
        m_process.setArguments(args);
        m_process.setChildProcessModifier([slave] {
            const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY);
            if (fd < 0 || ::dup2(fd, 0) < 0 || ::dup2(fd, 2) < 0)
                ::_exit(126);
        });
        m_process.start();
        if (!m_process.waitForStarted())
            ADD_FAILURE() << "lockwarden-cli did not start";
    }
    ~CTerminalRun() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
        if (m_fdMaster >= 0)
            ::close(m_fdMaster);
    }

    // Reads the terminal until strText has appeared; false after a long wait without it.
    bool WaitFor(const QByteArray& strText) {
        while (!m_screen.contains(strText)) {
            pollfd pfd{m_fdMaster, POLLIN, 0};
            if (::poll(&pfd, 1, 20000) <= 0)
                return false;
            char buffer[512];
            const ssize_t n = ::read(m_fdMaster, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            m_screen.append(buffer, n);
        }
        return true;
    }
    // Types after the next prompt, which must be strPrompt.
    void TypeAfter(const QByteArray& strPrompt, const QByteArray& line) {
        ASSERT_TRUE(WaitFor(strPrompt)) << "no prompt \"" << strPrompt.constData() << "\" in: " << m_screen.constData();
        m_screen.clear(); // the next wait needs the next prompt
        ASSERT_EQ(::write(m_fdMaster, line.constData(), static_cast<size_t>(line.size())), line.size());
    }
    int Finish() {
        if (!m_process.waitForFinished(60000))
            return -1;
        WaitFor(QByteArray("\x01never")); // collect the rest; ends when the terminal closes
        return m_process.exitCode();
    }

    QByteArray m_screen; // what appeared since the last prompt
    QProcess m_process;

private:
    int m_fdMaster = -1;
};

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"

// create at a terminal, typing the two entries of the new password; the exit status and what the
// terminal showed after the second prompt.
std::pair<int, QByteArray> CreateAtTerminal(const QString& strDb, const QByteArray& first, const QByteArray& second) {
    CTerminalRun run({QStringLiteral("create"), strDb});
    run.TypeAfter("New file password: ", first);
    run.TypeAfter("Again: ", second);
    const int nExit = run.Finish();
    return {nExit, run.m_screen};
}

} // namespace

TEST(CliTerminal, CreateAsksTwiceWithoutEcho) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("tty.lwd"));
    const auto [nExit, screen] = CreateAtTerminal(strDb, "typed secret\n", "typed secret\n");
    EXPECT_EQ(nExit, 0);
    EXPECT_FALSE(screen.contains("typed secret"));
    EXPECT_EQ(RunCli({QStringLiteral("list"), strDb}, "typed secret\n").nExit, 0);
}

TEST(CliTerminal, EntriesThatDifferCreateNothing) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("tty.lwd"));
    const auto [nExit, screen] = CreateAtTerminal(strDb, "one\n", "two\n");
    EXPECT_EQ(nExit, 1);
    EXPECT_TRUE(screen.contains("the two entries differ")) << screen.constData();
    EXPECT_FALSE(QFileInfo::exists(strDb));
}

TEST(CliTerminal, AWrongPasswordMayBeTypedAgain) {
    CTerminalRun run({QStringLiteral("list"), DataFile(kFixture)});
    run.TypeAfter("Password: ", "wrong\n");
    run.TypeAfter("Password: ", "fixture\n");
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_EQ(run.m_process.readAllStandardOutput(), "Alpha\nALPHA\nalpha\nbeta\nzeta\n\xC3\xA9"
                                                     "clair\n\xC3\x89zra\n");
}

TEST(CliTerminal, ThreeWrongPasswordsEndIt) {
    CTerminalRun run({QStringLiteral("list"), DataFile(kFixture)});
    for (int i = 0; i < 3; ++i)
        run.TypeAfter("Password: ", "wrong\n");
    EXPECT_EQ(run.Finish(), 1);
    EXPECT_TRUE(run.m_screen.contains("Bad file password !"));
    EXPECT_FALSE(run.m_screen.contains("Password: "));
    EXPECT_TRUE(run.m_process.readAllStandardOutput().isEmpty());
}

// analyze counts the passwords it checks on the terminal and wipes the count before it ends; the findings
// go to standard output alone.
TEST(CliTerminal, AnalyzeShowsItsProgressOnTheTerminalOnly) {
    CTerminalRun run({QStringLiteral("analyze"), DataFile(kFixture)});
    run.TypeAfter("Password: ", "fixture\n");
    EXPECT_EQ(run.Finish(), 1);
    EXPECT_TRUE(run.m_screen.contains("\ranalyze: 7 of 7 passwords checked")) << run.m_screen.constData();
    EXPECT_TRUE(run.m_screen.endsWith("\r\033[K")) << run.m_screen.constData();
    const QByteArray out = run.m_process.readAllStandardOutput();
    EXPECT_FALSE(out.contains("analyze: ")) << out.constData();
    EXPECT_TRUE(out.contains(": weak: ")) << out.constData();
}

// unseal asks on a terminal, and only "y" writes the classic file.
TEST(CliTerminal, UnsealAsksFirst) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray classic = ReadFile(strDb);
    // The sealed file takes a new password.
    ASSERT_EQ(RunCli({QStringLiteral("seal"), strDb}, "fixture\nsealed-pw\n").nExit, 0);
    const QByteArray sealed = ReadFile(strDb);
    for (const auto& [answer, bUnsealed] : {std::pair<QByteArray, bool>{"\n", false}, {"y\n", true}}) {
        CTerminalRun run({QStringLiteral("unseal"), strDb});
        run.TypeAfter("Password: ", "sealed-pw\n");
        run.TypeAfter("Save it as a classic file? [y/N] ", answer);
        EXPECT_EQ(run.Finish(), bUnsealed ? 0 : 1);
        if (!bUnsealed) {
            EXPECT_EQ(ReadFile(strDb), sealed);
        }
    }
    // Classic again under the sealed file's password: the same records as before, byte for byte once the
    // old password is back.
    ASSERT_EQ(RunCli({QStringLiteral("passwd"), strDb}, "sealed-pw\nfixture\n").nExit, 0);
    EXPECT_EQ(ReadFile(strDb), classic);
}
