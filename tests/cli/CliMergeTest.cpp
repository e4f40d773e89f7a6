// lockwarden-cli merge: two files of one person, edited on two machines, brought together by one command
// that loses nothing and never writes the other file.
#include "CliRun.h"
#include "EnvOverride.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Q(const char* psz) {
    return QString::fromUtf8(psz);
}

// A database at strDb under strPassword (sealed or classic) holding the sites given as name and password.
void MakeDatabase(const QString& strDb, const QByteArray& password, bool bSealed,
                  const std::vector<std::pair<const char*, const char*>>& sites) {
    QStringList create{Q("create"), strDb};
    if (bSealed)
        create << Q("--sealed");
    ASSERT_EQ(RunCli(create, password + "\n").nExit, 0);
    for (const auto& [pszName, pszPassword] : sites) {
        const CCliResult r = RunCli({Q("add"), strDb, Q(pszName)}, password + "\n" + pszPassword + "\n");
        ASSERT_EQ(r.nExit, 0) << r.err.constData();
    }
}

TEST(CliMergeTest, MergeAddsWhatTheFileLacksKeepsBothVersionsOfAConflictAndDryRunWritesNothing) {
    for (const bool bSealed : {false, true}) {
        QTemporaryDir dir;
        const QString strMine = dir.filePath(Q("mine.lwd"));
        const QString strOther = dir.filePath(Q("other.lwd"));
        // Classic into sealed and sealed into classic.
        MakeDatabase(strMine, "mine-pw", bSealed, {{"Bank", "b-1"}, {"Mail", "m-1"}});
        MakeDatabase(strOther, "other-pw", !bSealed, {{"Mail", "m-1"}, {"Bank", "b-2"}, {"Shop", "s-1"}});
        const QByteArray mineBefore = ReadFile(strMine);
        const QByteArray otherBefore = ReadFile(strOther);

        const CCliResult dry = RunCli({Q("merge"), strMine, strOther, Q("--dry-run")}, "mine-pw\nother-pw\n");
        EXPECT_EQ(dry.nExit, 0) << dry.err.constData();
        EXPECT_EQ(dry.out, "added: Bank\nadded: Shop\nconflict: Bank\n2 added, 1 in conflict; nothing was written\n");
        EXPECT_EQ(ReadFile(strMine), mineBefore);

        // A wrong password for OTHER: nothing happens, and the message names OTHER.
        const CCliResult wrong = RunCli({Q("merge"), strMine, strOther}, "mine-pw\nmine-pw\n");
        EXPECT_EQ(wrong.nExit, 1);
        EXPECT_EQ(wrong.out, "");
        EXPECT_TRUE(wrong.err.contains("other.lwd: Bad file password !")) << wrong.err.constData();
        EXPECT_EQ(ReadFile(strMine), mineBefore);

        const CCliResult merged = RunCli({Q("merge"), strMine, strOther}, "mine-pw\nother-pw\n");
        EXPECT_EQ(merged.nExit, 0) << merged.err.constData();
        EXPECT_EQ(merged.out, "added: Bank\nadded: Shop\nconflict: Bank\n2 added, 1 in conflict\n");
        EXPECT_EQ(ReadFile(strOther), otherBefore);
        EXPECT_EQ(RunCli({Q("list"), strMine}, "mine-pw\n").out, "Bank\nBank\nMail\nShop\n");
        // Both versions are reached by their place among the sites of that name.
        EXPECT_TRUE(RunCli({Q("show"), strMine, Q("Bank"), Q("--nth"), Q("2"), Q("--reveal")}, "mine-pw\n")
                        .out.contains("b-2"));
        // Merging again finds nothing to add and writes nothing.
        const QByteArray mineMerged = ReadFile(strMine);
        const CCliResult again = RunCli({Q("merge"), strMine, strOther}, "mine-pw\nother-pw\n");
        EXPECT_EQ(again.out, "0 added, 0 in conflict\n");
        EXPECT_EQ(ReadFile(strMine), mineMerged);
    }
}

TEST(CliMergeTest, ConflictsMergesEveryCopyBesideTheFileSavesItAndOnlyThenTrashesTheCopies) {
    QTemporaryDir dir;
    QTemporaryDir data;
    const CEnvOverride xdg("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString strMine = dir.filePath(Q("mine.lwd"));
    const QString strDropbox = Q("mine (laptop's conflicted copy 2026-12-10).lwd");
    const QString strSyncthing = Q("mine.sync-conflict-20261210-231500-ABCDEF7.lwd");
    const QString strLookAlike = Q("mine (copy).lwd");
    MakeDatabase(strMine, "pw", false, {{"Bank", "b-1"}, {"Mail", "m-1"}});
    // The Dropbox copy was saved under another password; the Syncthing copy under the file's own.
    MakeDatabase(dir.filePath(strDropbox), "other-pw", true, {{"Bank", "b-1"}, {"Shop", "s-1"}});
    MakeDatabase(dir.filePath(strSyncthing), "pw", false, {{"Bank", "b-2"}, {"Mail", "m-1"}});
    MakeDatabase(dir.filePath(strLookAlike), "pw", false, {{"Stray", "x"}});
    const QByteArray mineBefore = ReadFile(strMine);

    const CCliResult dry = RunCli({Q("merge"), strMine, Q("--conflicts"), Q("--dry-run")}, "pw\nother-pw\n");
    EXPECT_EQ(dry.nExit, 0) << dry.err.constData();
    EXPECT_EQ(dry.out, "added: Shop\nadded: Bank\nconflict: Bank\n2 conflict copies, 2 added, 1 in conflict; nothing "
                       "was written\n");
    EXPECT_EQ(ReadFile(strMine), mineBefore);
    // The databases made here leave backups of their own beside them (a sync tool's copy has none).
    const QStringList databases{Q("*.lwd")};
    EXPECT_EQ(QDir(dir.path()).entryList(databases, QDir::Files).size(), 4);

    const CCliResult merged = RunCli({Q("merge"), strMine, Q("--conflicts")}, "pw\nother-pw\n");
    EXPECT_EQ(merged.nExit, 0) << merged.err.constData();
    EXPECT_EQ(merged.out,
              QByteArray("added: Shop\nadded: Bank\nconflict: Bank\n2 conflict copies, 2 added, 1 in conflict\n") +
                  "trashed: " + QFile::encodeName(dir.filePath(strDropbox)) +
                  "\ntrashed: " + QFile::encodeName(dir.filePath(strSyncthing)) + "\n");
    EXPECT_EQ(RunCli({Q("list"), strMine}, "pw\n").out, "Bank\nBank\nMail\nShop\n");
    EXPECT_EQ(QDir(dir.path()).entryList(databases, QDir::Files), (QStringList{strLookAlike, Q("mine.lwd")}));
    EXPECT_EQ(QDir(data.filePath(Q("Trash/files"))).entryList(QDir::Files), (QStringList{strDropbox, strSyncthing}));

    // With no copies left it says so and writes nothing.
    const QByteArray mineMerged = ReadFile(strMine);
    const CCliResult none = RunCli({Q("merge"), strMine, Q("--conflicts")}, "pw\n");
    EXPECT_EQ(none.nExit, 0);
    EXPECT_EQ(none.out, "0 conflict copies, 0 added, 0 in conflict\n");
    EXPECT_EQ(ReadFile(strMine), mineMerged);
    EXPECT_EQ(RunCli({Q("merge"), strMine, strMine, Q("--conflicts")}).err.left(49),
              "lockwarden-cli: merge --conflicts takes 1 argumen");
}

// In a folder others may write, a name proves nothing: a link to the user's private database, another
// user's file, a FIFO and a folder bearing a copy's name are named and left alone; the user's own copy
// without a password joins a file that has one only with --include-unprotected.
TEST(CliMergeTest, ConflictsTakeOnlyTheUsersOwnRegularFilesAndAskForUnprotectedOnes) {
    QTemporaryDir dir;
    QTemporaryDir privateDir;
    QTemporaryDir data;
    const CEnvOverride xdg("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString strMine = dir.filePath(Q("mine.lwd"));
    MakeDatabase(strMine, "pw", false, {{"Bank", "b-1"}});
    // The user's private database, under the same password.
    const QString strPrivate = privateDir.filePath(Q("private.lwd"));
    MakeDatabase(strPrivate, "pw", false, {{"Private", "secret-1"}});
    const QByteArray privateBefore = ReadFile(strPrivate);
    const QString strLink = dir.filePath(Q("mine.sync-conflict-20261210-231500-LINK000.lwd"));
    ASSERT_EQ(::symlink(QFile::encodeName(strPrivate).constData(), QFile::encodeName(strLink).constData()), 0);
    const QString strFifo = dir.filePath(Q("mine.sync-conflict-20261210-231500-FIFO000.lwd"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    const QString strFolder = dir.filePath(Q("mine.sync-conflict-20261210-231500-DIR0000.lwd"));
    ASSERT_TRUE(QDir().mkdir(strFolder));
    // Another user's file without a password (as root, a file given to nobody).
    const QString strForeign = dir.filePath(Q("mine (conflicted copy 2026-12-10 231500).lwd"));
    MakeDatabase(strForeign, "", false, {{"Planted", "evil"}});
    const bool bForeign = ::chown(QFile::encodeName(strForeign).constData(), 65534, 65534) == 0;
    // The user's own copy, saved without a password.
    const QString strOwn = dir.filePath(Q("mine (laptop's conflicted copy 2026-12-10).lwd"));
    MakeDatabase(strOwn, "", false, {{"Shop", "s-1"}});
    const QByteArray mineBefore = ReadFile(strMine);

    const CCliResult refused = RunCli({Q("merge"), strMine, Q("--conflicts")}, "pw\n");
    EXPECT_EQ(refused.nExit, 1);
    const struct {
        QString strPath;
        const char* pszReason;
    } expected[] = {
        {strLink, "it is a symbolic link"},
        {strFifo, "it is not a regular file"},
        {strFolder, "it is not a regular file"},
        {strForeign, bForeign ? "it belongs to another user (" : "it has no file password"},
    };
    for (const auto& e : expected)
        EXPECT_TRUE(refused.err.contains(QFile::encodeName(e.strPath) + ": " + e.pszReason)) << e.pszReason << "\n"
                                                                                             << refused.err.constData();
    EXPECT_TRUE(refused.err.contains(QFile::encodeName(strOwn) +
                                     ": it has no file password; it was not merged (--include-unprotected merges it)"))
        << refused.err.constData();
    EXPECT_EQ(refused.out, "0 conflict copies, 0 added, 0 in conflict\n");
    EXPECT_EQ(ReadFile(strMine), mineBefore);

    const CCliResult merged = RunCli({Q("merge"), strMine, Q("--conflicts"), Q("--include-unprotected")}, "pw\n");
    if (bForeign) {
        EXPECT_EQ(merged.nExit, 0) << merged.err.constData();
        EXPECT_EQ(merged.out, "added: Shop\n1 conflict copies, 1 added, 0 in conflict\ntrashed: " +
                                  QFile::encodeName(strOwn) + "\n");
        EXPECT_TRUE(QFile::exists(strForeign));
    }
    EXPECT_EQ(RunCli({Q("list"), strMine}, "pw\n").out, bForeign ? "Bank\nShop\n" : "Bank\nPlanted\nShop\n");
    // Nothing was read through the link, and nothing named as a copy but not one went anywhere.
    EXPECT_EQ(ReadFile(strPrivate), privateBefore);
    EXPECT_TRUE(QFileInfo(strLink).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(strFifo));
    EXPECT_TRUE(QFileInfo(strFolder).isDir());
}

} // namespace
