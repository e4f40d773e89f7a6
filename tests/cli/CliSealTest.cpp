// The companion with sealed files, run as a user runs it: create --sealed, seal, unseal, info, and the
// other commands on a sealed file. These use the program's own key derivation cost.

#include "CliRun.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"
const QByteArray kSealedBanner = QByteArray("\x16Lockwarden Sealed File");
const QByteArray kClassicBanner = QByteArray("\x16Lockwarden Version 1.0");

// The cost line info gives for the sealed file at strPath, read from its header: passes and memory as
// calibrated, which must lie within what a reader takes and never below 64 MiB.
QString CostLine(const QString& strPath) {
    const QByteArray bytes = ReadFile(strPath);
    const auto u32 = [&bytes](int nAt) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[nAt])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[nAt + 1])) << 8 |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[nAt + 2])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[nAt + 3])) << 24;
    };
    const unsigned nOps = u32(23 + 3);
    const unsigned nMemKiB = u32(23 + 7);
    EXPECT_GE(nOps, 1u);
    EXPECT_LE(nOps, 16u);
    EXPECT_TRUE(nMemKiB == 64 * 1024 || nMemKiB == 256 * 1024) << nMemKiB;
    return QStringLiteral("key derivation: Argon2id, %1 passes, %2 MiB\n").arg(nOps).arg(nMemKiB / 1024);
}

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

    // The cost was calibrated for this machine: at least 64 MiB, never more passes than a reader takes.
    // info tells it and never asks for the password, given or not: what is sealed stays so.
    const QString strCost = CostLine(strDb);
    for (const QByteArray& input : {QByteArray("pw\n"), QByteArray()}) {
        const CCliResult info = RunCli({QStringLiteral("info"), strDb}, input);
        EXPECT_EQ(info.nExit, 0) << info.err.constData();
        EXPECT_EQ(QString::fromUtf8(info.out), QStringLiteral("kind: sealed\n") + strCost);
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

// Sealing and unsealing again, then the old password back, gives back the classic file byte for byte: same
// records, same order, same password.
TEST(CliSeal, SealThenUnsealGivesTheClassicFileBack) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray classic = ReadFile(strDb);

    const CCliResult sealed = RunCli({QStringLiteral("seal"), strDb}, "fixture\nsealed-pw\n");
    ASSERT_EQ(sealed.nExit, 0) << sealed.err.constData();
    const QByteArray sealedBytes = ReadFile(strDb);
    EXPECT_TRUE(sealedBytes.startsWith(kSealedBanner));

    const CCliResult again = RunCli({QStringLiteral("seal"), strDb}, "sealed-pw\n");
    EXPECT_EQ(again.nExit, 1);
    EXPECT_TRUE(again.err.contains("already sealed")) << again.err.constData();

    // From a script without --yes nothing is written.
    const CCliResult refused = RunCli({QStringLiteral("unseal"), strDb}, "sealed-pw\n");
    EXPECT_EQ(refused.nExit, 1);
    EXPECT_TRUE(refused.err.contains("--yes")) << refused.err.constData();
    EXPECT_EQ(ReadFile(strDb), sealedBytes);

    const CCliResult unsealed = RunCli({QStringLiteral("unseal"), strDb, QStringLiteral("--yes")}, "sealed-pw\n");
    ASSERT_EQ(unsealed.nExit, 0) << unsealed.err.constData();
    ASSERT_EQ(RunCli({QStringLiteral("passwd"), strDb}, "sealed-pw\nfixture\n").nExit, 0);
    EXPECT_EQ(ReadFile(strDb), classic);
}

// The classic password can be read from any old copy of the classic file: the sealed file refuses it, and
// the classic version does not stay beside it as its backup.
TEST(CliSeal, SealRefusesTheClassicPasswordAndLeavesNoClassicBackup) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    const QByteArray classic = ReadFile(strDb);
    // An earlier save left the classic version as the backup.
    WriteFile(strDb + QStringLiteral(".bak"), classic);

    for (const QByteArray& entry : {QByteArray("fixture\n"), QByteArray("fixture\n  fixture \n")}) {
        const QByteArray input = entry == "fixture\n" ? QByteArray("fixture\nfixture\n") : entry;
        const CCliResult refused = RunCli({QStringLiteral("seal"), strDb}, input);
        EXPECT_EQ(refused.nExit, 1);
        EXPECT_TRUE(refused.err.contains("The sealed file needs a new password: the classic one can be read from "
                                         "any old copy of the file."))
            << refused.err.constData();
        EXPECT_EQ(ReadFile(strDb), classic);
    }

    const CCliResult sealed =
        RunCli({QStringLiteral("seal"), strDb, QStringLiteral("--cost"), QStringLiteral("0.1")}, "fixture\nnew-pw\n");
    ASSERT_EQ(sealed.nExit, 0) << sealed.err.constData();
    EXPECT_TRUE(ReadFile(strDb).startsWith(kSealedBanner));
    EXPECT_FALSE(QFileInfo::exists(strDb + QStringLiteral(".bak")));
    EXPECT_TRUE(sealed.err.contains("was overwritten with zeros and removed")) << sealed.err.constData();
    EXPECT_TRUE(sealed.err.contains("sync service's version history")) << sealed.err.constData();
    EXPECT_EQ(RunCli({QStringLiteral("list"), strDb}, "fixture\n").nExit, 1);
    EXPECT_EQ(RunCli({QStringLiteral("list"), strDb}, "new-pw\n").nExit, 0);
    CostLine(strDb);

    // A save of the same strength keeps its backup, sealed too.
    ASSERT_EQ(RunCli({QStringLiteral("add"), strDb, QStringLiteral("More")}, "new-pw\nsite-pw\n").nExit, 0);
    EXPECT_TRUE(ReadFile(strDb + QStringLiteral(".bak")).startsWith(kSealedBanner));
}

TEST(CliSeal, CostTakesSecondsWithinBounds) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, kFixture);
    for (const char* pszCost : {"0", "0.05", "61", "one", ""}) {
        const CCliResult refused =
            RunCli({QStringLiteral("seal"), strDb, QStringLiteral("--cost"), QString::fromLatin1(pszCost)},
                   "fixture\nnew-pw\n");
        EXPECT_EQ(refused.nExit, 2) << pszCost;
        EXPECT_TRUE(refused.err.contains("--cost takes seconds from 0.1 to 60")) << refused.err.constData();
    }
    const CCliResult plain = RunCli({QStringLiteral("create"), dir.filePath(QStringLiteral("c.lwd")),
                                     QStringLiteral("--cost"), QStringLiteral("1")},
                                    "pw\n");
    EXPECT_EQ(plain.nExit, 2);
    EXPECT_TRUE(plain.err.contains("--cost goes with --sealed")) << plain.err.constData();
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
    // A file that had no password is stronger now: its backup, readable by anyone, is gone.
    EXPECT_FALSE(QFileInfo::exists(strDb + QStringLiteral(".bak")));
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
