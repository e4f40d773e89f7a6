// The companion with sealed files, run as a user runs it: create --sealed, seal, unseal, info, and the
// other commands on a sealed file. These use the program's own key derivation cost.

#include "CliRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"
const QByteArray kSealedBanner = QByteArray("\x16Lockwarden Sealed File");
const QByteArray kClassicBanner = QByteArray("\x16Lockwarden Version 1.0");

TEST(CliSeal, CreateSealedThenEveryCommandWorksOnIt) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("new.lwd"));
    const CCliResult created = RunCli({QStringLiteral("create"), strDb, QStringLiteral("--sealed")}, "pw\n");
    ASSERT_EQ(created.nExit, 0) << created.err.constData();
    EXPECT_TRUE(ReadFile(strDb).startsWith(kSealedBanner));

    const CCliResult added =
        RunCli({QStringLiteral("add"), strDb, QStringLiteral("Bank"), QStringLiteral("--user"), QStringLiteral("me")},
               "pw\nsite-secret\n");
    ASSERT_EQ(added.nExit, 0) << added.err.constData();
    EXPECT_FALSE(ReadFile(strDb).contains("site-secret"));
    EXPECT_TRUE(ReadFile(strDb).startsWith(kSealedBanner)); // a save keeps the kind

    const CCliResult shown =
        RunCli({QStringLiteral("show"), strDb, QStringLiteral("Bank"), QStringLiteral("--reveal")}, "pw\n");
    ASSERT_EQ(shown.nExit, 0) << shown.err.constData();
    EXPECT_TRUE(shown.out.contains("site-secret")) << shown.out.constData();

    const CCliResult wrong = RunCli({QStringLiteral("list"), strDb}, "PW\n");
    EXPECT_EQ(wrong.nExit, 1);
    EXPECT_TRUE(wrong.err.contains("Bad file password !")) << wrong.err.constData();
    EXPECT_TRUE(wrong.out.isEmpty());

    // info never asks for the password, given or not: what is sealed stays so.
    for (const QByteArray& input : {QByteArray("pw\n"), QByteArray()}) {
        const CCliResult info = RunCli({QStringLiteral("info"), strDb}, input);
        EXPECT_EQ(info.nExit, 0) << info.err.constData();
        EXPECT_EQ(info.out, "kind: sealed\nkey derivation: Argon2id, 3 passes, 64 MiB\n");
        EXPECT_TRUE(info.err.isEmpty()) << info.err.constData();
    }
}

TEST(CliSeal, CreateSealedRefusesAnEmptyPassword) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("new.lwd"));
    const CCliResult created = RunCli({QStringLiteral("create"), strDb, QStringLiteral("--sealed")}, "\n");
    EXPECT_EQ(created.nExit, 1);
    EXPECT_TRUE(created.err.contains("A sealed file needs a file password.")) << created.err.constData();
    EXPECT_FALSE(QFile::exists(strDb));
}

// Sealing and unsealing again gives back the classic file byte for byte: same records, same order, same
// password.
TEST(CliSeal, SealThenUnsealGivesTheClassicFileBack) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray classic = ReadFile(strDb);

    const CCliResult sealed = RunCli({QStringLiteral("seal"), strDb}, "fixture\n");
    ASSERT_EQ(sealed.nExit, 0) << sealed.err.constData();
    const QByteArray sealedBytes = ReadFile(strDb);
    EXPECT_TRUE(sealedBytes.startsWith(kSealedBanner));

    const CCliResult again = RunCli({QStringLiteral("seal"), strDb}, "fixture\n");
    EXPECT_EQ(again.nExit, 1);
    EXPECT_TRUE(again.err.contains("already sealed")) << again.err.constData();

    // From a script without --yes nothing is written.
    const CCliResult refused = RunCli({QStringLiteral("unseal"), strDb}, "fixture\n");
    EXPECT_EQ(refused.nExit, 1);
    EXPECT_TRUE(refused.err.contains("--yes")) << refused.err.constData();
    EXPECT_EQ(ReadFile(strDb), sealedBytes);

    const CCliResult unsealed = RunCli({QStringLiteral("unseal"), strDb, QStringLiteral("--yes")}, "fixture\n");
    ASSERT_EQ(unsealed.nExit, 0) << unsealed.err.constData();
    EXPECT_EQ(ReadFile(strDb), classic);
}

TEST(CliSeal, SealAFileWithoutPasswordAsksForOne) {
    QTemporaryDir dir;
    const QString strDb = dir.filePath(QStringLiteral("open.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
    // The file password's line comes first, empty, then the new password.
    const CCliResult refused = RunCli({QStringLiteral("seal"), strDb}, "\n\n");
    EXPECT_EQ(refused.nExit, 1);
    EXPECT_TRUE(refused.err.contains("A sealed file needs a file password.")) << refused.err.constData();
    EXPECT_FALSE(ReadFile(strDb).startsWith(kSealedBanner));

    const CCliResult sealed = RunCli({QStringLiteral("seal"), strDb}, "\nnew-pw\n");
    ASSERT_EQ(sealed.nExit, 0) << sealed.err.constData();
    EXPECT_EQ(RunCli({QStringLiteral("list"), strDb}, "new-pw\n").nExit, 0);
}

TEST(CliSeal, InfoOnClassicFilesNeedsNoPassword) {
    QTemporaryDir dir;
    const CCliResult withPassword = RunCli({QStringLiteral("info"), DataFile(kFixture)});
    ASSERT_EQ(withPassword.nExit, 0) << withPassword.err.constData();
    EXPECT_TRUE(withPassword.out.startsWith("kind: classic\nsites: ")) << withPassword.out.constData();

    const QString strDb = dir.filePath(QStringLiteral("open.lwd"));
    ASSERT_EQ(RunCli({QStringLiteral("create"), strDb}, "\n").nExit, 0);
    const CCliResult open = RunCli({QStringLiteral("info"), strDb});
    EXPECT_EQ(open.out, "kind: classic, no file password\nsites: 0\n");

    const CCliResult foreign = RunCli({QStringLiteral("info"), DataFile("foreign-banner-in-lower-case.lwd")});
    EXPECT_EQ(foreign.nExit, 1);
    EXPECT_TRUE(foreign.err.contains("This is not an Lockwarden file;")) << foreign.err.constData();
}

} // namespace
