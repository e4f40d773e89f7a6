// lockwarden-cli's reading commands, run as a user runs them, against small fixture files.
#include "CliRun.h"
#include "core/resources/Version.h"

#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace {

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"

// The fixture's records in file order, as the CSV export writes them.
const QByteArray kFixtureCsv = "site,url,user,password,notes\r\n"
                               "zeta,https://zeta.example,zed,z-pass,\r\n"
                               "Alpha,https://alpha.example,al,a1,first alpha\r\n"
                               "beta,,bee,b-pass,\"notes, with \"\"quotes\"\"\r\nand a second line\"\r\n"
                               "\xC3\x89zra,,,e1,\r\n"
                               "ALPHA,,,A2,\r\n"
                               "\xC3\xA9"
                               "clair,,,e2,\r\n"
                               "alpha,,,a3,third\r\n";

struct ReadCase {
    const char* pszWhat;
    QStringList args; // "@" stands for the fixture's path
    QByteArray input;
    int nExit;
    std::optional<QByteArray> out; // exactly, when given
    QStringList errHas;            // texts standard error must hold
};

QStringList WithFixture(QStringList args) {
    for (QString& strArg : args)
        if (strArg == QLatin1String("@"))
            strArg = DataFile(kFixture);
    return args;
}

void Check(const ReadCase& c) {
    SCOPED_TRACE(c.pszWhat);
    const CCliResult r = RunCli(WithFixture(c.args), c.input);
    EXPECT_EQ(r.nExit, c.nExit) << r.err.constData();
    if (c.out) {
        EXPECT_EQ(r.out, *c.out);
    }
    for (const QString& strText : c.errHas)
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(strText)) << "stderr: " << r.err.constData();
    if (c.nExit != 0) {
        EXPECT_TRUE(r.out.isEmpty()) << "nothing goes out after a failure";
    }
}

QStringList Args(std::initializer_list<const char*> list) {
    QStringList args;
    for (const char* p : list)
        args << QString::fromUtf8(p);
    return args;
}

} // namespace

TEST(CliRead, ListFindShowExportOnAFileWithAPassword) {
    const QByteArray kListed = "Alpha\nALPHA\nalpha\nbeta\nzeta\n\xC3\xA9"
                               "clair\n\xC3\x89zra\n";
    const ReadCase cases[] = {
        {"list: case-insensitive, equal names in file order, accents beside their letters",
         Args({"list", "@"}),
         "fixture\n",
         0,
         kListed,
         {}},
        {"a CR LF line end is not part of the password", Args({"list", "@"}), "fixture\r\n", 0, kListed, {}},
        {"a wrong password from a pipe is not tried again with the next line",
         Args({"list", "@"}),
         "nope\nfixture\n",
         1,
         QByteArray(),
         {QStringLiteral("Bad file password !")}},
        {"a trailing space makes the password wrong",
         Args({"list", "@"}),
         "fixture \n",
         1,
         QByteArray(),
         {QStringLiteral("Bad file password !")}},
        {"no password on standard input",
         Args({"list", "@"}),
         "",
         1,
         QByteArray(),
         {QStringLiteral("has a password and none was given")}},
        {"find ignores case, in list order", Args({"find", "@", "LPH"}), "fixture\n", 0, "Alpha\nALPHA\nalpha\n", {}},
        {"find folds accented capitals",
         Args({"find", "@", "\xC3\x89"}),
         "fixture\n",
         0,
         "\xC3\xA9"
         "clair\n\xC3\x89zra\n",
         {}},
        {"find searches names only, and nothing found is status 1",
         Args({"find", "@", "example"}),
         "fixture\n",
         1,
         "",
         {}},
        {"show: the first in list order named exactly so, password masked byte by byte",
         Args({"show", "@", "alpha"}),
         "fixture\n",
         0,
         "Site:  alpha\nURL:  \nUser:  \nPswd:  **\n\nthird\n",
         {}},
        {"show --reveal",
         Args({"show", "@", "Alpha", "--reveal"}),
         "fixture\n",
         0,
         "Site:  Alpha\nURL:  https://alpha.example\nUser:  al\nPswd:  a1\n\nfirst alpha\n",
         {}},
        {"show: notes go out as stored",
         Args({"show", "@", "beta"}),
         "fixture\n",
         0,
         "Site:  beta\nURL:  \nUser:  bee\nPswd:  ******\n\nnotes, with \"quotes\"\r\nand a second line\n",
         {}},
        {"show: without an exact name, a single name in another case is taken",
         Args({"show", "@", "BETA"}),
         "fixture\n",
         0,
         "Site:  beta\nURL:  \nUser:  bee\nPswd:  ******\n\nnotes, with \"quotes\"\r\nand a second line\n",
         {}},
        {"show: case folded as the list folds it, accents too",
         Args({"show", "@",
               "\xC3\x89"
               "CLAIR"}),
         "fixture\n",
         0,
         "Site:  \xC3\xA9"
         "clair\nURL:  \nUser:  \nPswd:  **\n",
         {}},
        {"show: several names in other cases ask for --nth",
         Args({"show", "@", "alPHA"}),
         "fixture\n",
         1,
         QByteArray(),
         {QStringLiteral("3 sites are named \"alPHA\" without regard to case; choose one with --nth 1 to 3")}},
        {"show: --nth counts them in list order",
         Args({"show", "@", "alPHA", "--nth=2"}),
         "fixture\n",
         0,
         "Site:  ALPHA\nURL:  \nUser:  \nPswd:  **\n",
         {}},
        {"show: an exact name wins over names in another case",
         Args({"show", "@", "ALPHA"}),
         "fixture\n",
         0,
         "Site:  ALPHA\nURL:  \nUser:  \nPswd:  **\n",
         {}},
        {"show: no name at all",
         Args({"show", "@", "gamma"}),
         "fixture\n",
         1,
         QByteArray(),
         {QStringLiteral("no site is named \"gamma\"")}},
        {"export: file order, clear text, a warning",
         Args({"export", "@"}),
         "fixture\n",
         0,
         kFixtureCsv,
         {QStringLiteral("clear text")}},
        {"options may come first; -- ends them",
         Args({"show", "--reveal", "--", "@", "ALPHA"}),
         "fixture\n",
         0,
         "Site:  ALPHA\nURL:  \nUser:  \nPswd:  A2\n",
         {}},
    };
    for (const ReadCase& c : cases)
        Check(c);
}

TEST(CliRead, ExportsJsonAsTheProgramShowsTheText) {
    const CCliResult r =
        RunCli({QStringLiteral("export"), DataFile(kFixture), QStringLiteral("--format=json")}, "fixture\n");
    ASSERT_EQ(r.nExit, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("[\n  {\"site\": \"zeta\", \"url\": \"https://zeta.example\", \"user\": \"zed\", "
                                 "\"password\": \"z-pass\", \"notes\": \"\"},\n"));
    EXPECT_TRUE(r.out.contains("{\"site\": \"beta\", \"url\": \"\", \"user\": \"bee\", \"password\": \"b-pass\", "
                               "\"notes\": \"notes, with \\\"quotes\\\"\\r\\nand a second line\"}"));
    EXPECT_TRUE(r.out.contains("{\"site\": \"\xC3\x89zra\""));
    EXPECT_TRUE(r.out.endsWith("\"notes\": \"third\"}\n]\n"));
}

TEST(CliRead, ForeignDamagedAndMissingFiles) {
    const QString strMissing = QDir::temp().filePath(QStringLiteral("lockwarden-cli-no-such-file.lwd"));
    const ReadCase cases[] = {
        {"a foreign banner",
         Args({"list", LOCKWARDEN_TEST_DATA "/foreign-banner-in-lower-case.lwd"}),
         "",
         1,
         QByteArray(),
         {QStringLiteral("This is not an Lockwarden file;")}},
        {"ends inside the check string",
         Args({"show", LOCKWARDEN_TEST_DATA "/truncated-in-check-string.lwd", "a"}),
         "",
         1,
         QByteArray(),
         {QStringLiteral("The end of an unnamed file was reached before all of it could be read.")}},
        {"ends inside a record",
         Args({"export", LOCKWARDEN_TEST_DATA "/truncated-in-record.lwd"}),
         "",
         1,
         QByteArray(),
         {QStringLiteral("Unexpected file format.")}},
        {"ends inside a record, reading names alone",
         Args({"list", LOCKWARDEN_TEST_DATA "/truncated-in-record.lwd"}),
         "",
         1,
         QByteArray(),
         {QStringLiteral("Unexpected file format.")}},
        {"not there",
         QStringList{QStringLiteral("list"), strMissing},
         "",
         1,
         QByteArray(),
         {strMissing + QStringLiteral(" was not found.")}},
        {"a folder", Args({"list", LOCKWARDEN_TEST_DATA}), "", 1, QByteArray(), {QStringLiteral("Is a directory")}},
    };
    for (const ReadCase& c : cases)
        Check(c);
}

TEST(CliRead, UsageErrorsExitWithTwo) {
    const QStringList usage = {QStringLiteral("usage: lockwarden-cli")};
    const ReadCase cases[] = {
        {"no command", {}, "", 2, QByteArray(), usage},
        {"unknown command", Args({"lsit", "@"}), "", 2, QByteArray(), usage},
        {"missing argument", Args({"show", "@"}), "", 2, QByteArray(), usage},
        {"extra argument", Args({"list", "@", "more"}), "", 2, QByteArray(), usage},
        {"unknown option", Args({"add", "@", "site", "--password"}), "", 2, QByteArray(), usage},
        {"bad format", Args({"export", "@", "--format", "xml"}), "", 2, QByteArray(), usage},
        {"value missing", Args({"export", "@", "--format"}), "", 2, QByteArray(), usage},
        {"bad length", Args({"generate", "--length", "8x"}), "", 2, QByteArray(), usage},
        {"length beyond the limit", Args({"generate", "--length=4097"}), "", 2, QByteArray(), usage},
        {"a flag with a value", Args({"show", "@", "a", "--reveal=yes"}), "", 2, QByteArray(), usage},
        {"edit with nothing to change", Args({"edit", "@", "alpha"}), "", 2, QByteArray(), usage},
        {"two ways to a new password", Args({"edit", "@", "alpha", "--password", "--generate"}), "", 2, QByteArray(),
         usage},
    };
    for (const ReadCase& c : cases)
        Check(c);
}

TEST(CliRead, HelpAndVersion) {
    const CCliResult version = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.out, "lockwarden-cli " LOCKWARDEN_VERSION "\n");
    const CCliResult help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.nExit, 0);
    EXPECT_TRUE(help.out.startsWith("usage: lockwarden-cli create FILE [--sealed [--cost SECONDS]]\n"));
    EXPECT_TRUE(help.out.contains("lockwarden-cli seal FILE [--cost SECONDS]\n"));
    EXPECT_TRUE(help.out.contains("lockwarden-cli unseal FILE [--yes]\n"));
    EXPECT_TRUE(help.out.contains("lockwarden-cli rm FILE SITE [--nth N]\n"));
    EXPECT_TRUE(help.out.contains("--nth N chooses one by its place among them in list order (from 1)"));
    EXPECT_TRUE(help.err.isEmpty());
}

TEST(CliRead, AFullStandardOutputIsAFailure) {
    CCliOptions options;
    options.strStdoutFile = QStringLiteral("/dev/full");
    const CCliResult r = RunCli({QStringLiteral("list"), DataFile(kFixture)}, "fixture\n", options);
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(r.err.contains("No space left on device")) << r.err.constData();
}

TEST(CliRead, GenerateDrawsFromTheChosenClasses) {
    struct Case {
        QStringList args;
        int nLines;
        int nLength;
        QString strPattern;
    } cases[] = {
        {{}, 1, 8, QStringLiteral("[a-zA-Z0-9!@#$%&*?+=_-]")},
        {{QStringLiteral("--count"), QStringLiteral("50"), QStringLiteral("--length=20")},
         50,
         20,
         QStringLiteral("[a-zA-Z0-9!@#$%&*?+=_-]")},
        {{QStringLiteral("--no-mixed-case"), QStringLiteral("--no-digits"), QStringLiteral("--no-punctuation"),
          QStringLiteral("--count=20")},
         20,
         8,
         QStringLiteral("[a-z]")},
        {{QStringLiteral("--no-punctuation"), QStringLiteral("--count=20")}, 20, 8, QStringLiteral("[a-zA-Z0-9]")},
        {{QStringLiteral("--length"), QStringLiteral("0"), QStringLiteral("--count=3")}, 3, 0, QStringLiteral("x")},
    };
    for (const Case& c : cases) {
        const CCliResult r = RunCli(QStringList{QStringLiteral("generate")} + c.args);
        ASSERT_EQ(r.nExit, 0) << r.err.constData();
        const QStringList lines = QString::fromLatin1(r.out).split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), c.nLines + 1) << r.out.constData(); // the last line end leaves an empty piece
        const QRegularExpression pattern(QStringLiteral("^(%1){%2}$").arg(c.strPattern).arg(c.nLength));
        for (int i = 0; i < c.nLines; ++i)
            EXPECT_TRUE(pattern.match(lines[i]).hasMatch()) << lines[i].toStdString();
    }
    // Fifty passwords of twenty characters from 74: the same password twice would be a broken source.
    const CCliResult r =
        RunCli({QStringLiteral("generate"), QStringLiteral("--count=50"), QStringLiteral("--length=20")});
    const QStringList lines = QString::fromLatin1(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(QSet<QString>(lines.begin(), lines.end()).size(), 50);
}

// Every message says who speaks and, when a file is concerned, which file, before the program's own words.
TEST(CliRead, MessagesNameTheProgramAndTheFile) {
    const QString strFixture = DataFile(kFixture);
    const QString strTruncated = DataFile("truncated-in-record.lwd");
    const QByteArray fixture = QFile::encodeName(strFixture);
    struct Case {
        const char* pszWhat;
        QStringList args;
        QByteArray input;
        int nExit;
        QByteArray err; // exactly
    } cases[] = {
        {"a wrong password",
         {QStringLiteral("list"), strFixture},
         "wrong\n",
         1,
         "lockwarden-cli: " + fixture + ": Bad file password !\n"},
        {"a damaged file",
         {QStringLiteral("list"), strTruncated},
         "",
         1,
         "lockwarden-cli: " + QFile::encodeName(strTruncated) + ": Unexpected file format.\n"},
        {"the companion's own words",
         {QStringLiteral("show"), strFixture, QStringLiteral("gamma")},
         "fixture\n",
         1,
         "lockwarden-cli: " + fixture + ": no site is named \"gamma\"\n"},
        {"no password given",
         {QStringLiteral("list"), strFixture},
         "",
         1,
         "lockwarden-cli: " + fixture + ": the file has a password and none was given.\n"},
        {"the export's warning",
         {QStringLiteral("export"), strFixture},
         "fixture\n",
         0,
         "lockwarden-cli: " + fixture + ": warning: the export shows every password in clear text.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = RunCli(c.args, c.input);
        EXPECT_EQ(r.nExit, c.nExit);
        EXPECT_EQ(r.err, c.err);
    }
    CCliOptions options;
    options.strStdoutFile = QStringLiteral("/dev/full");
    const CCliResult full = RunCli({QStringLiteral("list"), strFixture}, "fixture\n", options);
    EXPECT_EQ(full.err, "lockwarden-cli: standard output: No space left on device\n");
}
