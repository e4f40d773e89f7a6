// What lockwarden-cli leaves where others could read it, and input that must not hang it: its memory,
// the export file, the notes, special files and what a stored field sends to a terminal.
#include "CliRun.h"
#include "cli/CliCommands.h"
#include "core/tools/BreachList.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"

mode_t ModeOf(const QString& strPath) {
    struct stat st {};
    ::stat(QFile::encodeName(strPath).constData(), &st);
    return st.st_mode & 07777;
}

QByteArray Native(const QString& strPath) {
    return QFile::encodeName(strPath);
}

// The program's arguments as /proc shows them to everybody.
QByteArray CommandLineOf(qint64 nPid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(nPid));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

constexpr uid_t kNobody = 65534;

} // namespace

// A waiting add holds the file password and every site. It runs as an ordinary user (the tests may run
// as root, who may read anything): not dumpable, its /proc/PID files belong to root, so /proc/PID/mem and
// ptrace refuse the user's other processes.
TEST(CliHardening, AWaitingCommandsMemoryIsClosedToTheUsersOtherProcesses) {
    const bool bRoot = ::getuid() == 0;
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    ASSERT_EQ(::chmod(Native(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chown(Native(strDb).constData(), kNobody, kNobody), 0);
    QProcess process;
    process.setProgram(QStringLiteral(LOCKWARDEN_CLI));
    process.setArguments({QStringLiteral("add"), strDb, QStringLiteral("waiting")});
    process.setChildProcessModifier([bRoot] {
        if (bRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(126);
    });
    process.start();
    ASSERT_TRUE(process.waitForStarted());
    process.write("fixture\n"); // the site password never comes: it waits at that prompt
    const qint64 nPid = process.processId();
    // Changing user before the program starts makes the child briefly not dumpable whatever the program
    // does; once the program runs (its own arguments show) and has had time to reach the prompt, the
    // state is its own.
    QElapsedTimer timer;
    timer.start();
    while (!CommandLineOf(nPid).contains("waiting") && timer.elapsed() < 10000)
        QThread::msleep(10);
    ASSERT_TRUE(CommandLineOf(nPid).contains("waiting"));
    QThread::msleep(500);
    ASSERT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().constData();

    struct stat st {};
    ASSERT_EQ(::stat(QStringLiteral("/proc/%1/mem").arg(nPid).toUtf8().constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u) << "the user's other processes may read its memory";
    // Another process of that user is refused its memory.
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        if (bRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        const int fd = ::open(QStringLiteral("/proc/%1/mem").arg(nPid).toUtf8().constData(), O_RDONLY);
        ::_exit(fd < 0 ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(reader, &nStatus, 0), reader);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << "its memory could be opened";
    process.kill();
    process.waitForFinished();
}

// The clear-text export goes to a file only its owner may read, never over a file already there or
// through a link left at the path, unless --force; to a redirected standard output others may read, the
// user is warned.
TEST(CliHardening, ExportOutputIsOwnerOnlyAndRefusesWhatIsThere) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QString strCsv = dir.filePath(QStringLiteral("clear.csv"));
    const mode_t nOldMask = ::umask(022);
    const CCliResult plain = RunCli({QStringLiteral("export"), strDb}, "fixture\n");
    const CCliResult made = RunCli({QStringLiteral("export"), strDb, QStringLiteral("--output"), strCsv}, "fixture\n");
    ::umask(nOldMask);
    ASSERT_EQ(made.nExit, 0) << made.err.constData();
    EXPECT_EQ(made.out, QByteArray());
    EXPECT_EQ(ReadFile(strCsv), plain.out);
    EXPECT_EQ(ModeOf(strCsv), 0600u);

    // Already there, or a link to somewhere: refused, and nothing written; a link even with --force, which
    // would lead every password into the file it points at.
    const QString strTarget = dir.filePath(QStringLiteral("target"));
    WriteFile(strTarget, "theirs");
    const QString strLink = dir.filePath(QStringLiteral("link.csv"));
    ASSERT_EQ(::symlink(Native(strTarget).constData(), Native(strLink).constData()), 0);
    for (const QStringList& output :
         {QStringList{strCsv}, QStringList{strLink}, QStringList{strLink, QStringLiteral("--force")}}) {
        const QString& strPath = output.first();
        WriteFile(strTarget, "theirs");
        const CCliResult r =
            RunCli(QStringList{QStringLiteral("export"), strDb, QStringLiteral("--output")} + output, "fixture\n");
        EXPECT_EQ(r.nExit, 1);
        EXPECT_TRUE(r.err.contains(Native(strPath) + ": ")) << r.err.constData();
        EXPECT_EQ(ReadFile(strTarget), "theirs");
    }
    // --force replaces the file, and makes it owner-only.
    ASSERT_EQ(::chmod(Native(strTarget).constData(), 0644), 0);
    const CCliResult forced =
        RunCli({QStringLiteral("export"), strDb, QStringLiteral("--output"), strTarget, QStringLiteral("--force")},
               "fixture\n");
    EXPECT_EQ(forced.nExit, 0) << forced.err.constData();
    EXPECT_EQ(ReadFile(strTarget), plain.out);
    EXPECT_EQ(ModeOf(strTarget), 0600u);
    EXPECT_EQ(RunCli({QStringLiteral("export"), strDb, QStringLiteral("--force")}, "fixture\n").nExit, 2);

    // Standard output redirected to a file others may read: said on the error stream.
    const QString strRedirected = dir.filePath(QStringLiteral("redirected.csv"));
    WriteFile(strRedirected, {});
    for (const mode_t nMode : {0644u, 0600u}) {
        ASSERT_EQ(::chmod(Native(strRedirected).constData(), nMode), 0);
        CCliOptions options;
        options.strStdoutFile = strRedirected;
        const CCliResult r = RunCli({QStringLiteral("export"), strDb}, "fixture\n", options);
        EXPECT_EQ(r.nExit, 0);
        EXPECT_EQ(r.err.contains("standard output is a file that others may read"), nMode == 0644u) << nMode;
    }
}

// Notes from a file or from standard input after the secrets, never from the command line; their line
// breaks are stored as the program's notes field stores them.
TEST(CliHardening, NotesComeFromAFileOrStandardInput) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QString strNotes = dir.filePath(QStringLiteral("notes.txt"));
    WriteFile(strNotes, "PIN 4711\nrecovery: abc\r\nlast\n");
    const CCliResult fromFile =
        RunCli({QStringLiteral("add"), strDb, QStringLiteral("bank"), QStringLiteral("--notes-file"), strNotes},
               "fixture\npw\n");
    ASSERT_EQ(fromFile.nExit, 0) << fromFile.err.constData();
    const CCliResult fromInput = RunCli(
        {QStringLiteral("add"), strDb, QStringLiteral("mail"), QStringLiteral("--notes-file"), QStringLiteral("-")},
        "fixture\nmailpw\nfirst\nsecond\n");
    ASSERT_EQ(fromInput.nExit, 0) << fromInput.err.constData();
    const CCliResult edited = RunCli({QStringLiteral("edit"), strDb, QStringLiteral("mail"),
                                      QStringLiteral("--password"), QStringLiteral("--notes-file=-")},
                                     "fixture\nnewpw\nedited\n");
    ASSERT_EQ(edited.nExit, 0) << edited.err.constData();

    const CCliResult json =
        RunCli({QStringLiteral("export"), strDb, QStringLiteral("--format"), QStringLiteral("json")}, "fixture\n");
    EXPECT_TRUE(json.out.contains(R"("site": "bank", "url": "", "user": "", "password": "pw", )"
                                  R"("notes": "PIN 4711\r\nrecovery: abc\r\nlast"})"))
        << json.out.constData();
    EXPECT_TRUE(json.out.contains(R"("site": "mail", "url": "", "user": "", "password": "newpw", "notes": "edited"})"))
        << json.out.constData();

    const CCliResult both = RunCli({QStringLiteral("add"), strDb, QStringLiteral("x"), QStringLiteral("--notes"),
                                    QStringLiteral("a"), QStringLiteral("--notes-file"), strNotes});
    EXPECT_EQ(both.nExit, 2);
    const CCliResult fifo = RunCli({QStringLiteral("add"), strDb, QStringLiteral("x"), QStringLiteral("--notes-file"),
                                    QStringLiteral("/dev/zero")},
                                   "fixture\npw\n");
    EXPECT_EQ(fifo.nExit, 1);
    EXPECT_TRUE(fifo.err.contains("/dev/zero: This is not a regular file")) << fifo.err.constData();
}

// A FIFO or a device named as the database or the CSV file is refused at once, with a reason; nothing
// waits for a writer or reads without end.
TEST(CliHardening, SpecialFilesAreRefusedAtOnce) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QString strFifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(Native(strFifo).constData(), 0600), 0);
    const QString strLink = dir.filePath(QStringLiteral("link-to-fifo"));
    ASSERT_EQ(::symlink(Native(strFifo).constData(), Native(strLink).constData()), 0);
    const QString strHuge = dir.filePath(QStringLiteral("huge.csv"));
    WriteFile(strHuge, "Site,URL,User,Password,Notes\r\n");
    ASSERT_EQ(::truncate(Native(strHuge).constData(), (std::int64_t{256} << 20) + 1), 0);
    // A breach list folder whose range file for one of the file's passwords ("z-pass") is a FIFO.
    const QString strRanges = dir.filePath(QStringLiteral("ranges"));
    ASSERT_TRUE(QDir().mkdir(strRanges));
    WriteFile(strRanges + QStringLiteral("/FFFFF.txt"), "");
    const QString strRange = QString::fromLatin1(PasswordHashHex("z-pass").data(), 5);
    ASSERT_NE(strRange, QStringLiteral("FFFFF"));
    ASSERT_EQ(::mkfifo(Native(strRanges + QLatin1Char('/') + strRange + QStringLiteral(".txt")).constData(), 0600), 0);
    const QByteArray notRegular = ": This is not a regular file";
    const struct {
        QStringList args;
        int nExit;
        QByteArray reason;
    } cases[] = {
        {{QStringLiteral("list"), strFifo}, 1, Native(strFifo) + ": " + "Failed to open document."},
        {{QStringLiteral("import"), strDb, strFifo}, 1, Native(strFifo) + notRegular},
        {{QStringLiteral("import"), strDb, QStringLiteral("/dev/zero")}, 1, "/dev/zero" + notRegular},
        {{QStringLiteral("import"), strDb, strHuge}, 1, Native(strHuge) + ": The file is larger than 256 MB"},
        {{QStringLiteral("info"), strFifo}, 1, Native(strFifo) + notRegular},
        {{QStringLiteral("info"), strLink}, 1, Native(strLink) + notRegular},
        {{QStringLiteral("info"), QStringLiteral("/dev/zero")}, 1, "/dev/zero" + notRegular},
        {{QStringLiteral("info"), dir.path()}, 1, Native(dir.path()) + ": Is a directory"},
        {{QStringLiteral("info"), strHuge}, 1, Native(strHuge) + ": The file is larger than 256 MB"},
        {{QStringLiteral("analyze"), strDb, QStringLiteral("--breached"), strFifo},
         2,
         "fifo cannot be read" + notRegular},
        {{QStringLiteral("analyze"), strDb, QStringLiteral("--breached"), strLink},
         2,
         "link-to-fifo cannot be read" + notRegular},
        {{QStringLiteral("analyze"), strDb, QStringLiteral("--breached"), QStringLiteral("/dev/zero")},
         2,
         "/dev/zero cannot be read" + notRegular},
        {{QStringLiteral("analyze"), strDb, QStringLiteral("--breached"), strRanges},
         2,
         Native(strRange) + ".txt cannot be read" + notRegular},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QElapsedTimer timer;
        timer.start();
        const CCliResult r = RunCli(c.args, "fixture\n");
        EXPECT_EQ(r.nExit, c.nExit);
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.constData();
        EXPECT_LT(timer.elapsed(), 10000);
    }
}

// Escape sequences stored in a field reach a terminal only as visible text; a pipe gets the bytes as
// stored, which scripts rely on.
TEST(CliHardening, ControlCharactersAreEscapedOnATerminalOnly) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray title = "\x1b]0;owned\x07";
    ASSERT_EQ(RunCli({QStringLiteral("add"), strDb, QStringLiteral("evil"), QStringLiteral("--user"),
                      QString::fromUtf8(title + "ann\xc2\x9b"), QStringLiteral("--notes"),
                      QStringLiteral("line1\r\nline2\rhidden")},
                     "fixture\npw\n")
                  .nExit,
              0);
    const QStringList show = {QStringLiteral("show"), strDb, QStringLiteral("evil")};
    const CCliResult piped = RunCli(show, "fixture\n");
    EXPECT_TRUE(piped.out.contains("User:  " + title + "ann\xc2\x9b\n")) << piped.out.constData();
    EXPECT_TRUE(piped.out.contains("line1\r\nline2\rhidden\n"));

    // The same through a terminal, driving the companion's library with a pseudo-terminal as its output.
    const int fdMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(fdMaster, 0);
    ASSERT_EQ(::grantpt(fdMaster), 0);
    ASSERT_EQ(::unlockpt(fdMaster), 0);
    struct termios raw {};
    const int fdSlave = ::open(::ptsname(fdMaster), O_RDWR | O_NOCTTY);
    ASSERT_GE(fdSlave, 0);
    ::tcgetattr(fdSlave, &raw);
    ::cfmakeraw(&raw); // no translation of line ends on the way
    ::tcsetattr(fdSlave, TCSANOW, &raw);
    std::FILE* pOut = ::fdopen(fdSlave, "w");
    std::FILE* pIn = ::fmemopen(const_cast<char*>("fixture\n"), 8, "r");
    std::FILE* pErr = std::tmpfile();
    const QByteArray path = Native(strDb);
    for (const char* pszCommand : {"show", "list"}) {
        const char* argv[] = {"lockwarden-cli", pszCommand, path.constData(), "evil"};
        std::rewind(pIn);
        EXPECT_EQ(RunCli(std::strcmp(pszCommand, "show") == 0 ? 4 : 3, argv, pIn, pOut, pErr), 0);
    }
    std::fclose(pOut);
    QByteArray screen;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fdMaster, buffer, sizeof buffer)) > 0)
        screen.append(buffer, n);
    ::close(fdMaster);
    std::fclose(pIn);
    std::fclose(pErr);
    EXPECT_TRUE(screen.contains("User:  \\x1b]0;owned\\x07ann\\x9b\n")) << screen.constData();
    EXPECT_TRUE(screen.contains("line1\nline2\\x0dhidden\n")) << screen.constData();
    EXPECT_FALSE(screen.contains('\x1b'));
    EXPECT_FALSE(screen.contains('\x07'));
}

// A database made without a password is only encoded: the user is told at once.
TEST(CliHardening, CreateWithoutAPasswordWarns) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("open.lwd"));
    const CCliResult r = RunCli({QStringLiteral("create"), strDb}, "\n");
    EXPECT_EQ(r.nExit, 0);
    EXPECT_EQ(r.err, "lockwarden-cli: " + Native(strDb) + ": No file password: anyone who has the file can read it.\n");
    const CCliResult withPassword =
        RunCli({QStringLiteral("create"), dir.filePath(QStringLiteral("closed.lwd"))}, "secret\n");
    EXPECT_EQ(withPassword.err, QByteArray());
}
