// The protection of the file as the document keeps it: sealing takes a new password, a save that makes the
// file stronger leaves no weaker backup behind, a file found weaker than it was is never opened without a
// question, a locked document with its records dropped has nothing unsaved, a save too large to open again
// is refused, and the cost of a new key is calibrated.

#include "DocScene.h"
#include "FormatBytes.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/FileReading.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/framework/DocTemplate.h"
#include "core/platform/FileAccess.h"
#include "core/resources/Resource.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

namespace SF = SealedFormat;
using EFileKind = CLockwardenDoc::EFileKind;

const QString kNeedsNewPassword =
    QStringLiteral("The sealed file needs a new password: the classic one can be read from any old copy of the file.");
const QString kWiped = QStringLiteral("overwritten with zeros and removed");
const QString kUnreachable = QStringLiteral(
    "Copies this program cannot reach may still hold an earlier version: copies and backups made elsewhere, and a "
    "sync service's version history. Delete those yourself.");

const std::vector<SiteFields> kSites = {
    {"alpha", "https://alpha.example", "ann", "alpha-secret", "first"},
    {"beta", "", "bob", "beta-secret", ""},
};

struct CScene : CDocScene {
    CScene() {
        for (auto& p : MakeSites(kSites))
            doc.AddSite(std::move(p));
        // As a file just read: an open asks nothing about them.
        doc.SetModifiedFlag(false);
    }
    // A file at strPath of the given kind, written by another program.
    static void PutFile(const QString& strPath, EFileKind kind, const std::string& strPassword = "pw",
                        const std::vector<SiteFields>& sites = kSites) {
        PutDatabase(strPath, sites, kind, strPassword);
    }
    // The document saved at strPath twice over, so that its backup holds the file as it is now.
    void SaveTwice(const QString& strPath) {
        ASSERT_TRUE(doc.DoSave(strPath));
        doc.SetModifiedFlag(true);
        ASSERT_TRUE(doc.DoFileSave());
        ASSERT_TRUE(QFileInfo::exists(strPath + QStringLiteral(".bak")));
        prompts.m_shown.clear();
    }
};

// Seal is offered the classic file's own password, as typed, with blanks around it, or in another case:
// the first two are refused with the stated message before the second entry is asked for, and nothing
// changes; a new password seals.
TEST(LockwardenDocProtectionTest, SealingRefusesTheClassicPassword) {
    struct Case {
        const char* pszWhat;
        std::vector<std::string> entries;
        bool bSealed;
    };
    const std::vector<Case> cases = {
        {"the classic password", {"pw"}, false},
        {"the classic password with blanks", {"  pw "}, false},
        {"another case is another password", {"PW", "PW"}, true},
        {"a new password", {"new-pw", "new-pw"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CScene scene;
        scene.doc.SetFileKey(CFileKey::Classic("pw"));
        scene.SaveTwice(scene.Path("c.lwd"));
        for (const std::string& str : c.entries)
            scene.prompts.EnterPassword(str);
        scene.doc.OnSealFile();
        EXPECT_EQ(scene.doc.IsSealed(), c.bSealed);
        EXPECT_EQ(scene.doc.IsModified(), c.bSealed);
        if (!c.bSealed) {
            EXPECT_EQ(scene.prompts.Messages(), QStringList{kNeedsNewPassword});
            // Refused at the first entry: no second one was asked for.
            EXPECT_EQ(scene.prompts.m_shown.size(), 2u);
            EXPECT_EQ(scene.doc.GetFilePassword(), "pw");
            continue;
        }
        EXPECT_TRUE(scene.prompts.Messages().isEmpty());
        EXPECT_EQ(scene.doc.GetFilePassword(), c.entries.front());
    }
}

// A save that makes the file stronger (a first password, sealing, a new password) leaves no backup under the
// weaker protection: the old one is overwritten and removed, none of the replaced version is made, and the
// message says so and names what the program cannot reach. A save of the same strength keeps its backup.
TEST(LockwardenDocProtectionTest, AStrongerSaveWipesTheWeakerBackup) {
    struct Case {
        const char* pszWhat;
        std::string strPassword; // of the file as first saved
        bool bSeal;              // else a new password
    };
    const std::vector<Case> cases = {
        {"no password, then one", "", false},
        {"classic, then sealed", "pw", true},
        {"no password, then sealed", "", true},
        {"classic, then a new password", "pw", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CScene scene;
        scene.doc.SetFileKey(CFileKey::Classic(c.strPassword));
        const QString strPath = scene.Path("s.lwd");
        const QString strBackup = strPath + QStringLiteral(".bak");
        scene.SaveTwice(strPath);
        const QByteArray weak = ReadFile(strBackup);
        // The backup's pages, as the file system holds them, to see that they were overwritten.
        QFile held(strBackup);
        ASSERT_TRUE(held.open(QIODevice::ReadOnly));

        scene.prompts.EnterPassword("stronger");
        scene.prompts.EnterPassword("stronger");
        if (c.bSeal)
            scene.doc.OnSealFile();
        else
            scene.doc.OnChangeFilePassword();
        ASSERT_TRUE(scene.doc.IsStrengthening());
        ASSERT_TRUE(scene.doc.DoFileSave());
        EXPECT_FALSE(QFileInfo::exists(strBackup));
        EXPECT_EQ(held.readAll(), QByteArray(weak.size(), '\0'));
        ASSERT_EQ(scene.prompts.Messages().size(), 1);
        const QString strMessage = scene.prompts.Messages().front();
        EXPECT_TRUE(strMessage.startsWith(QStringLiteral("s.lwd is now better protected than its earlier versions. "
                                                         "Its backup s.lwd.bak, which held the earlier version, was "
                                                         "overwritten with zeros and removed.")))
            << strMessage.toStdString();
        EXPECT_TRUE(strMessage.endsWith(kUnreachable)) << strMessage.toStdString();
        EXPECT_EQ(scene.prompts.MessageBoxes().front().nType, static_cast<unsigned>(MB_ICONINFORMATION | MB_OK));
        EXPECT_FALSE(scene.doc.IsStrengthening());

        // The same strength again: the backup is kept as always, and nothing is said.
        scene.prompts.m_shown.clear();
        scene.doc.SetModifiedFlag(true);
        ASSERT_TRUE(scene.doc.DoFileSave());
        EXPECT_TRUE(QFileInfo::exists(strBackup));
        EXPECT_TRUE(scene.prompts.Messages().isEmpty());
        CScene reader;
        ASSERT_TRUE(reader.Open(strBackup, "stronger"));
    }
}

// Other names of the file (hard links) are told, and never overwritten: zeros written through the backup's
// name would reach a file the user keeps under another name.
TEST(LockwardenDocProtectionTest, OtherNamesAreToldAndKept) {
    CScene scene;
    scene.doc.SetFileKey(CFileKey::Classic("pw"));
    const QString strPath = scene.Path("h.lwd");
    scene.SaveTwice(strPath);
    const QString strKept = scene.Path("kept-by-the-user.lwd");
    const QString strBackupTwin = scene.Path("backup-twin");
    ASSERT_EQ(::link(QFile::encodeName(strPath).constData(), QFile::encodeName(strKept).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(strPath + QStringLiteral(".bak")).constData(),
                     QFile::encodeName(strBackupTwin).constData()),
              0);
    const QByteArray twin = ReadFile(strBackupTwin);
    scene.prompts.EnterPassword("stronger");
    scene.prompts.EnterPassword("stronger");
    scene.doc.OnSealFile();
    ASSERT_TRUE(scene.doc.DoFileSave());
    EXPECT_FALSE(QFileInfo::exists(strPath + QStringLiteral(".bak")));
    EXPECT_EQ(ReadFile(strBackupTwin), twin);
    ASSERT_EQ(scene.prompts.Messages().size(), 1);
    const QString strMessage = scene.prompts.Messages().front();
    EXPECT_TRUE(strMessage.contains(QStringLiteral("Its backup h.lwd.bak, which held the earlier version, was removed; "
                                                   "1 other name(s) of that file (hard links) still hold it.")))
        << strMessage.toStdString();
    EXPECT_TRUE(strMessage.contains(QStringLiteral("The file has 1 other name(s) on this disk (hard links), which "
                                                   "still hold the earlier version.")))
        << strMessage.toStdString();
}

// A reload, an open of a known file, or an Unlock that finds the file weaker than it was asks, naming the
// file and both kinds, No by default; No leaves everything as it was, Yes reads it.
TEST(LockwardenDocProtectionTest, AWeakerFileIsNeverOpenedSilently) {
    struct Case {
        EFileKind was;
        EFileKind now;
        QString strWas;
        QString strNow;
    };
    const std::vector<Case> cases = {
        {EFileKind::sealed, EFileKind::classic, QStringLiteral("a sealed file"),
         QStringLiteral("a classic file with a file password")},
        {EFileKind::sealed, EFileKind::noPassword, QStringLiteral("a sealed file"),
         QStringLiteral("a file without a file password")},
        {EFileKind::classic, EFileKind::noPassword, QStringLiteral("a classic file with a file password"),
         QStringLiteral("a file without a file password")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strWas.toStdString() + " -> " + c.strNow.toStdString());
        const QString strQuestion = QStringLiteral("w.lwd was %1 when this program last read or wrote it; the file "
                                                   "there now is %2.\n\nIf you did not change it yourself, someone "
                                                   "may want your sites saved under weaker protection.\n\nOpen it "
                                                   "anyway?")
                                        .arg(c.strWas, c.strNow);
        const CScriptedPrompts::Shown asked{strQuestion, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2};
        CScene scene;
        const QString strPath = scene.Path("w.lwd");
        CScene::PutFile(strPath, c.was);
        ASSERT_TRUE(scene.Open(strPath, "pw"));
        ASSERT_EQ(scene.doc.GetFileKind(), c.was);

        // Unlock after the records were dropped: another program put a weaker file in its place.
        scene.doc.Lock(false);
        CScene::PutFile(strPath, c.now, "pw", {{"planted", "", "", "x", ""}});
        scene.prompts.m_shown.clear();
        EXPECT_FALSE(scene.doc.Unlock()); // unscripted: No, the default
        EXPECT_EQ(scene.prompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{asked});
        EXPECT_TRUE(scene.doc.IsLocked());
        EXPECT_EQ(scene.doc.GetFileKind(), c.was);

        // The reading a reload takes its sites from, told the kind of the document it is for.
        CScriptedPrompts readingPrompts;
        CFileReading reading(readingPrompts);
        reading.Doc().ExpectFileKind(strPath, c.was);
        EXPECT_FALSE(reading.Open(strPath, "pw"));
        EXPECT_EQ(readingPrompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{asked});

        // Another document of the same window (the same memory) opening the file: the same question.
        CLockwardenDoc second(scene.app, readingPrompts);
        CSingleDocTemplate secondTemplate(second, readingPrompts);
        readingPrompts.m_shown.clear();
        EXPECT_FALSE(secondTemplate.OpenDocumentFile(strPath));
        EXPECT_EQ(readingPrompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{asked});

        // Yes reads it, and the window knows it as what it is now.
        scene.prompts.m_shown.clear();
        scene.prompts.AnswerMessage(IDYES);
        scene.prompts.EnterPassword("pw");
        EXPECT_TRUE(scene.doc.Unlock());
        EXPECT_FALSE(scene.doc.IsLocked());
        EXPECT_EQ(scene.doc.GetFileKind(), c.now);
        EXPECT_EQ(FieldsOf(scene.doc.Sites()), (std::vector<SiteFields>{{"planted", "", "", "x", ""}}));
        EXPECT_EQ(scene.app.KnownFileKind(strPath), static_cast<int>(c.now));
    }
}

// A file as strong as it was, or stronger, opens without a word.
TEST(LockwardenDocProtectionTest, AFileAsStrongOrStrongerOpensWithoutAQuestion) {
    CScene scene;
    const QString strPath = scene.Path("s.lwd");
    CScene::PutFile(strPath, EFileKind::classic);
    ASSERT_TRUE(scene.Open(strPath, "pw"));
    scene.doc.Lock(false);
    CScene::PutFile(strPath, EFileKind::sealed);
    scene.prompts.m_shown.clear();
    scene.prompts.EnterPassword("pw");
    EXPECT_TRUE(scene.doc.Unlock());
    EXPECT_TRUE(scene.prompts.Messages().isEmpty());
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::sealed);
}

// Locked with its records dropped, the document has nothing unsaved, whatever tries to mark it: its file
// gone, a change announced.
TEST(LockwardenDocProtectionTest, ALockedDocumentWithDroppedRecordsHasNothingUnsaved) {
    CScene scene;
    const QString strPath = scene.Path("gone.lwd");
    CScene::PutFile(strPath, EFileKind::classic);
    ASSERT_TRUE(scene.Open(strPath, "pw"));
    scene.doc.Lock(false);
    ASSERT_TRUE(QFile::remove(strPath));
    scene.doc.SetModifiedFlag(true);
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("gone.lwd"));
    // "Save changes?" is never asked: there is nothing to save.
    EXPECT_TRUE(scene.doc.SaveModified());
    EXPECT_TRUE(scene.prompts.m_shown.empty());
    EXPECT_FALSE(QFileInfo::exists(strPath));
}

// A save whose file would be larger than the open reads is refused with its message, and nothing is written:
// the file on disk and its backup stay as they were.
TEST(LockwardenDocProtectionTest, ASaveTooLargeToOpenAgainWritesNothing) {
    CScene scene;
    const QString strPath = scene.Path("big.lwd");
    scene.SaveTwice(strPath);
    const QByteArray before = ReadFile(strPath);
    const QByteArray backup = ReadFile(strPath + QStringLiteral(".bak"));
    scene.doc.AddSite(std::make_unique<CSiteInfo>("huge", "", "", "", std::string(FileAccess::kMaxFileSize, 'n')));
    EXPECT_FALSE(scene.doc.DoFileSave());
    ASSERT_EQ(scene.prompts.Messages().size(), 1);
    EXPECT_EQ(scene.prompts.Messages().front(),
              QStringLiteral("Failed to save document.\n\n%1: The file would be 257 MB, more than the 256 MB this "
                             "program opens; nothing was written.")
                  .arg(strPath));
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(ReadFile(strPath), before);
    EXPECT_EQ(ReadFile(strPath + QStringLiteral(".bak")), backup);
}

// The cost of a new key: libsodium's moderate memory where the machine has it, never less than 64 MiB, and
// the passes that fill the time asked for, within what a reader accepts.
TEST(LockwardenDocProtectionTest, TheCostOfANewKeyIsCalibrated) {
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    struct Case {
        std::uint64_t nMachine;
        double fPerPass;
        double fTarget;
        SF::CCost expected;
    };
    const std::vector<Case> cases = {
        {16 * kGiB, 0.25, 1.0, {4, 256 * 1024}},  {16 * kGiB, 0.1, 1.0, {10, 256 * 1024}},
        {1 * kGiB, 0.06, 1.0, {16, 64 * 1024}},   // a small machine: the floor's memory, the most passes
        {16 * kGiB, 0.01, 1.0, {16, 256 * 1024}}, // a fast one: no more than a reader takes
        {16 * kGiB, 3.0, 1.0, {1, 256 * 1024}},   // a slow one: one pass
        {16 * kGiB, 0.25, 2.0, {8, 256 * 1024}},  // a longer time asked for
        {16 * kGiB, 0.0, 1.0, {16, 256 * 1024}},  // a pass too quick to time
    };
    for (const Case& c : cases) {
        const SF::CCost cost = SF::ChooseCost(c.nMachine, c.fPerPass, c.fTarget);
        EXPECT_EQ(cost, c.expected) << c.nMachine << " " << c.fPerPass << " " << c.fTarget;
        EXPECT_TRUE(SF::IsCostAllowed(cost));
    }
    // Measured on this machine: at least the floor's memory, and a cost every reader accepts.
    const SF::CCost measured = SF::CalibrateCost(0.1);
    EXPECT_GE(measured.nMemKiB, SF::kFloorMemKiB);
    EXPECT_TRUE(SF::IsCostAllowed(measured));
}

// The calibration's clock counts the derivation's own work: time the thread spends waiting for the processor
// (here: asleep) would make a pass look slow on a busy machine and the key too cheap.
TEST(LockwardenDocProtectionTest, TheCalibrationTimesWorkNotWaiting) {
    const double fBeforeSleep = SF::ThreadProcessorSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(SF::ThreadProcessorSeconds() - fBeforeSleep, 0.1);
    const double fBeforeWork = SF::ThreadProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    volatile std::uint64_t nSpin = 0;
    while (SF::ThreadProcessorSeconds() - fBeforeWork < 0.05 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
        nSpin = nSpin + 1;
    EXPECT_GE(SF::ThreadProcessorSeconds() - fBeforeWork, 0.05);
}

} // namespace
