// lockwarden-cli merge: two files of one person, edited on two machines, brought together by one command
// that loses nothing and never writes the other file.
#include "CliRun.h"

#include <QTemporaryDir>

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

} // namespace
