// The document with sealed files: sealing, opening, saving, changing the password and going back to
// classic, driven through the template as the program drives it, with real files in a temporary folder.

#include "DocScene.h"
#include "FormatBytes.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/DocTemplate.h"
#include "core/resources/Resource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sodium.h>

#include <sys/stat.h>

namespace {

namespace SF = SealedFormat;
using EFileKind = CLockwardenDoc::EFileKind;

const QString kBadPassword = QStringLiteral("Bad file password !");
const QString kNotOurs = QStringLiteral("This is not an Lockwarden file;");
const QString kEndOfFile = QStringLiteral("The end of an unnamed file was reached before all of it could be read.");
const QString kNeedsPassword = QStringLiteral("A sealed file needs a file password.");
const QString kDamaged = QStringLiteral(
    "This sealed file is damaged: it does not pass its integrity check.\n\nNothing was loaded from it. Open a "
    "backup copy instead.");
const QString kClassicWarning = QStringLiteral("A classic file only obscures its sites: anyone who has the file can "
                                               "read every password in it.\n\nSave this file as a classic file?");

const std::vector<SiteFields> kSites = {
    {"alpha", "https://alpha.example", "ann", "alpha-secret", "first"},
    {"beta", "", "bob", "beta-secret", ""},
};

struct CScene : CDocScene {
    void AddSites(const std::vector<SiteFields>& records) {
        for (auto& p : MakeSites(records))
            doc.AddSite(std::move(p));
        doc.SetModifiedFlag(true);
    }
    bool Open(const QString& strPath, const std::string& strPassword) {
        prompts.EnterPassword(strPassword);
        return docTemplate.OpenDocumentFile(strPath);
    }
    void Forget() {
        prompts.m_shown.clear();
        prompts.m_passwordFieldsShown.clear();
    }
    // A sealed file holding kSites under strPassword, written by the document.
    QString MakeSealed(const char* pszName, const std::string& strPassword) {
        AddSites(kSites);
        prompts.EnterPassword(strPassword);
        prompts.EnterPassword(strPassword);
        doc.OnSealFile();
        const QString strPath = Path(pszName);
        EXPECT_TRUE(doc.DoSave(strPath));
        Forget();
        return strPath;
    }
};

TEST(LockwardenDocSealedTest, SealedFileRoundTripsAndHidesItsSites) {
    CScene scene;
    scene.AddSites(kSites);
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::noPassword);
    scene.doc.SetModifiedFlag(false);
    scene.prompts.EnterPassword("s3cret");
    scene.prompts.EnterPassword("s3cret");
    scene.doc.OnSealFile();
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::sealed);
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(scene.prompts.m_nWaitCursorsBegun, 1);
    EXPECT_EQ(scene.prompts.m_nWaitCursors, 0);
    // Its password lives with the sealed key, not as the field cipher's key.
    EXPECT_TRUE(scene.doc.IsSealed());
    EXPECT_EQ(scene.doc.GetFilePassword(), "s3cret");

    const QString strPath = scene.Path("sealed.lwd");
    ASSERT_TRUE(scene.doc.DoSave(strPath));
    const QByteArray bytes = ReadFile(strPath);
    EXPECT_TRUE(SF::HasBanner(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    for (const char* psz : {"alpha", "secret", "bob", "https"})
        EXPECT_FALSE(bytes.contains(psz)) << psz;
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(strPath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    CScene other;
    ASSERT_TRUE(other.Open(strPath, "s3cret"));
    EXPECT_EQ(FieldsOf(other.doc.Sites()), kSites);
    EXPECT_EQ(other.doc.GetFileKind(), EFileKind::sealed);
    EXPECT_FALSE(other.doc.IsModified());
    EXPECT_TRUE(other.prompts.Messages().isEmpty());
    EXPECT_EQ(other.prompts.m_nWaitCursorsBegun, 1);
    EXPECT_EQ(other.prompts.m_nWaitCursors, 0);
}

TEST(LockwardenDocSealedTest, SaveKeepsTheSaltTakesANewNonceAndDerivesNothing) {
    CScene scene;
    const QString strPath = scene.MakeSealed("a.lwd", "pw");
    const QByteArray before = ReadFile(strPath);
    const int nDerived = scene.prompts.m_nWaitCursorsBegun;
    scene.AddSites({{"gamma", "", "", "g", ""}});
    ASSERT_TRUE(scene.doc.DoFileSave());
    const QByteArray after = ReadFile(strPath);
    EXPECT_EQ(scene.prompts.m_nWaitCursorsBegun, nDerived);
    EXPECT_EQ(after.left(SF::kNonceAt), before.left(SF::kNonceAt)); // banner, version, cost and salt
    EXPECT_NE(after.mid(SF::kNonceAt, SF::kNonceSize), before.mid(SF::kNonceAt, SF::kNonceSize));
}

TEST(LockwardenDocSealedTest, WrongPasswordIsAskedAgainAndCancelChangesNothing) {
    CScene maker;
    const QString strPath = maker.MakeSealed("a.lwd", "right");

    CScene scene;
    scene.prompts.EnterPassword("wrong");
    ASSERT_TRUE(scene.Open(strPath, "right"));
    EXPECT_EQ(scene.prompts.Messages(), QStringList{kBadPassword});
    EXPECT_EQ(scene.prompts.m_passwordFieldsShown, (std::vector<std::string>{"", "wrong"}));
    EXPECT_EQ(FieldsOf(scene.doc.Sites()), kSites);

    CScene cancelled;
    cancelled.AddSites({{"mine", "", "", "", ""}});
    cancelled.doc.SetModifiedFlag(false);
    cancelled.doc.SetFileKey(CFileKey::Classic("old"));
    cancelled.prompts.EnterPassword("wrong");
    cancelled.prompts.CancelPassword();
    EXPECT_FALSE(cancelled.docTemplate.OpenDocumentFile(strPath));
    EXPECT_EQ(FieldsOf(cancelled.doc.Sites()), (std::vector<SiteFields>{{"mine", "", "", "", ""}}));
    EXPECT_EQ(cancelled.doc.GetFilePassword(), "old");
    EXPECT_EQ(cancelled.doc.GetFileKind(), EFileKind::classic);
}

TEST(LockwardenDocSealedTest, NewPasswordTakesANewSaltAndAnEmptyOneIsRefused) {
    CScene scene;
    const QString strPath = scene.MakeSealed("a.lwd", "first");
    const QByteArray before = ReadFile(strPath);

    scene.prompts.EnterPassword("");
    scene.prompts.EnterPassword("");
    scene.doc.OnChangeFilePassword();
    EXPECT_EQ(scene.prompts.Messages(), QStringList{kNeedsPassword});
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetFilePassword(), "first");

    scene.Forget();
    scene.prompts.EnterPassword("second");
    scene.prompts.EnterPassword("second");
    scene.doc.OnChangeFilePassword();
    EXPECT_TRUE(scene.doc.IsModified());
    ASSERT_TRUE(scene.doc.DoFileSave());
    const QByteArray after = ReadFile(strPath);
    EXPECT_NE(after.mid(SF::kSaltAt, SF::kSaltSize), before.mid(SF::kSaltAt, SF::kSaltSize));

    CScene old;
    old.prompts.EnterPassword("first");
    old.prompts.CancelPassword();
    EXPECT_FALSE(old.docTemplate.OpenDocumentFile(strPath));
    EXPECT_EQ(old.prompts.Messages(), QStringList{kBadPassword});
    CScene reopened;
    ASSERT_TRUE(reopened.Open(strPath, "second"));
    EXPECT_EQ(FieldsOf(reopened.doc.Sites()), kSites);
}

// Sealing always asks for a new password, twice; the classic file's own is refused (see
// LockwardenDocProtectionTest).
TEST(LockwardenDocSealedTest, SealingAsksForANewPassword) {
    struct Case {
        const char* pszWhat;
        std::string strClassicPassword;
        std::vector<std::string> entries;
        QStringList expectedMessages;
        bool bSealed;
    };
    const std::vector<Case> cases = {
        {"classic with a password, a new one entered twice", "pw", {"new", "new"}, {}, true},
        {"classic with a password, cancelled", "pw", {}, {}, false},
        {"none, entered twice", "", {"new", "new"}, {}, true},
        {"none, empty entry", "", {""}, {kNeedsPassword}, false},
        {"none, blanks only", "", {"   "}, {kNeedsPassword}, false},
        {"none, entries differ",
         "",
         {"new", "nwe"},
         {QStringLiteral("The passwords do not match.\n\nThe file "
                         "password is not changed.")},
         false},
        {"none, cancelled", "", {}, {}, false},
    };
    for (const Case& c : cases) {
        CScene scene;
        scene.AddSites(kSites);
        scene.doc.SetModifiedFlag(false);
        scene.doc.SetFileKey(CFileKey::Classic(c.strClassicPassword));
        for (const std::string& str : c.entries)
            scene.prompts.EnterPassword(str);
        scene.doc.OnSealFile();
        EXPECT_EQ(scene.prompts.Messages(), c.expectedMessages) << c.pszWhat;
        EXPECT_EQ(scene.doc.IsSealed(), c.bSealed) << c.pszWhat;
        EXPECT_EQ(scene.doc.IsModified(), c.bSealed) << c.pszWhat;
        EXPECT_EQ(scene.prompts.m_nWaitCursors, 0) << c.pszWhat;
        if (c.bSealed) {
            EXPECT_EQ(scene.doc.GetFilePassword(), "new");
            EXPECT_FALSE(scene.doc.OnUpdateSealFile());
            EXPECT_TRUE(scene.doc.OnUpdateSaveAsClassic());
        }
    }
}

TEST(LockwardenDocSealedTest, SaveAsClassicWarnsAndWritesTheClassicBytes) {
    CScene scene;
    const QString strPath = scene.MakeSealed("a.lwd", "pw");
    const QByteArray sealed = ReadFile(strPath);

    scene.doc.OnSaveAsClassic(); // unscripted: the default button, No
    ASSERT_EQ(scene.prompts.MessageBoxes().size(), 1u);
    EXPECT_EQ(scene.prompts.MessageBoxes()[0],
              (CScriptedPrompts::Shown{kClassicWarning, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2}));
    EXPECT_TRUE(scene.doc.IsSealed());
    EXPECT_EQ(ReadFile(strPath), sealed);

    scene.prompts.AnswerMessage(IDYES);
    scene.doc.OnSaveAsClassic();
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::classic);
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_EQ(ReadFile(strPath), WriteDatabase("pw", MakeSites(kSites)));
    CScene reopened;
    ASSERT_TRUE(reopened.Open(strPath, "pw"));
    EXPECT_EQ(reopened.doc.GetFileKind(), EFileKind::classic);
    EXPECT_EQ(FieldsOf(reopened.doc.Sites()), kSites);
}

TEST(LockwardenDocSealedTest, SaveAsClassicThatSavesNothingLeavesTheFileSealed) {
    CScene scene;
    scene.AddSites(kSites);
    scene.prompts.EnterPassword("pw");
    scene.prompts.EnterPassword("pw");
    scene.doc.OnSealFile();
    scene.prompts.AnswerMessage(IDYES);
    scene.prompts.CancelFileDialog(); // untitled: Save asks for a name
    scene.doc.OnSaveAsClassic();
    EXPECT_TRUE(scene.doc.IsSealed());
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::sealed);
}

// Every byte flipped, every length cut, a byte appended: each refused with its message, before or after
// the password as the place of the damage decides, and the open document and the file untouched.
TEST(LockwardenDocSealedTest, DamageAnywhereIsRefusedAndLoadsNothing) {
    CScene maker;
    maker.AddSites({{"a", "b", "c", "d", "e"}});
    maker.prompts.EnterPassword("pw");
    maker.prompts.EnterPassword("pw");
    maker.doc.OnSealFile();
    const QString strPath = maker.Path("a.lwd");
    ASSERT_TRUE(maker.doc.DoSave(strPath));
    const QByteArray good = ReadFile(strPath);

    CScene scene;
    scene.AddSites({{"mine", "", "", "", ""}});
    scene.doc.SetModifiedFlag(false);
    scene.doc.SetFileKey(CFileKey::Classic("old"));
    const QString strDamaged = scene.Path("damaged.lwd");
    const auto check = [&](const QByteArray& bytes, const std::string& strWhat) {
        WriteFile(strDamaged, bytes);
        scene.Forget();
        // The right password, always: where none is asked for it waits for the next file.
        scene.prompts.EnterPassword("pw");
        EXPECT_FALSE(scene.docTemplate.OpenDocumentFile(strDamaged)) << strWhat;
        const QStringList messages = scene.prompts.Messages();
        const std::size_t nPrompts = scene.prompts.m_passwordFieldsShown.size();
        const auto n = static_cast<std::size_t>(bytes.size());
        if (n < SF::kBannerSize) {
            EXPECT_EQ(messages, QStringList{kEndOfFile}) << strWhat;
        } else if (bytes.left(SF::kBannerSize) != good.left(SF::kBannerSize)) {
            EXPECT_EQ(messages, QStringList{kNotOurs}) << strWhat;
            EXPECT_EQ(nPrompts, 0u) << strWhat;
        } else {
            EXPECT_EQ(messages, QStringList{kDamaged}) << strWhat;
            // Damage in the header is told before the password is asked for; past it, once the password is
            // proven right.
            const bool bHeaderIntact =
                n >= SF::kMinFileSize && bytes.left(SF::kHeaderSize) == good.left(SF::kHeaderSize);
            EXPECT_EQ(nPrompts, bHeaderIntact ? 1u : 0u) << strWhat;
        }
        EXPECT_EQ(FieldsOf(scene.doc.Sites()), (std::vector<SiteFields>{{"mine", "", "", "", ""}})) << strWhat;
        EXPECT_EQ(scene.doc.GetFilePassword(), "old") << strWhat;
        EXPECT_FALSE(scene.doc.IsSealed()) << strWhat;
        EXPECT_EQ(ReadFile(strDamaged), bytes) << strWhat;
    };
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bytes = good;
        bytes[i] = static_cast<char>(bytes[i] ^ 0x20);
        check(bytes, "byte " + std::to_string(i) + " flipped");
    }
    for (qsizetype n = 0; n < good.size(); ++n)
        check(good.left(n), "cut at " + std::to_string(n));
    check(good + QByteArray("\0", 1), "one byte appended");
    check(good + good, "the file twice");
}

// A header that claims 4 TiB and carries a right checksum: refused before the password is asked for, so
// no derivation, and no memory for it, ever happens.
TEST(LockwardenDocSealedTest, HugeCostIsRefusedBeforeAnyDerivation) {
    CScene maker;
    const QString strPath = maker.MakeSealed("a.lwd", "pw");
    QByteArray bytes = ReadFile(strPath);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[static_cast<qsizetype>(SF::kMemAt + i)] = '\xFF';
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    crypto_generichash(p + SF::kSumAt, SF::kSumSize, p, SF::kSumAt, nullptr, 0);
    WriteFile(strPath, bytes);

    CScene scene;
    EXPECT_FALSE(scene.Open(strPath, "pw"));
    EXPECT_EQ(scene.prompts.Messages().join(QStringLiteral("|")).toStdString(),
              QStringList{QStringLiteral("This sealed file asks for a key derivation of 1 passes over 4194303.999 MiB, "
                                         "outside what Lockwarden accepts (1 to 16 passes, 8 to 1024 MiB).\n\n"
                                         "It was not opened.")}
                  .join(QStringLiteral("|"))
                  .toStdString());
    EXPECT_TRUE(scene.prompts.m_passwordFieldsShown.empty());
    EXPECT_EQ(scene.prompts.m_nWaitCursorsBegun, 0);
}

// A classic file opened and saved is the same bytes; its kind follows its password.
TEST(LockwardenDocSealedTest, ClassicFilesStayClassicAndByteExact) {
    for (const std::string& strPassword : {std::string("pw"), std::string()}) {
        CScene scene;
        const QString strPath = scene.Path("classic.lwd");
        const QByteArray classic = WriteDatabase(strPassword, MakeSites(kSites));
        WriteFile(strPath, classic);
        if (!strPassword.empty())
            scene.prompts.EnterPassword(strPassword);
        ASSERT_TRUE(scene.docTemplate.OpenDocumentFile(strPath));
        EXPECT_EQ(scene.doc.GetFileKind(), strPassword.empty() ? EFileKind::noPassword : EFileKind::classic);
        scene.doc.SetModifiedFlag(true);
        ASSERT_TRUE(scene.doc.DoFileSave());
        EXPECT_EQ(ReadFile(strPath), classic);
        EXPECT_EQ(scene.prompts.m_nWaitCursorsBegun, 0);
    }
}

// After a sealed file, New and a classic open leave nothing of its key behind.
TEST(LockwardenDocSealedTest, NewAndClassicOpenForgetTheKey) {
    CScene scene;
    scene.MakeSealed("a.lwd", "pw");
    ASSERT_TRUE(scene.docTemplate.OnFileNew());
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::noPassword);

    scene.MakeSealed("b.lwd", "pw");
    const QString strClassic = scene.Path("c.lwd");
    WriteFile(strClassic, WriteDatabase("", MakeSites(kSites)));
    ASSERT_TRUE(scene.docTemplate.OpenDocumentFile(strClassic));
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::noPassword);
}

} // namespace

// A sealed file opened after another file is the file a later save compares with the disk: its own
// stamp, not the one of the file open before it. And the open tells the sites' followers, as a classic
// open does.
TEST(LockwardenDocSealedTest, ASealedFileOpenedAfterAnotherSavesWithoutTheDiskChangeQuestion) {
    CScene maker;
    const QString strSealed = maker.MakeSealed("sealed.lwd", "s3cret");
    CScene classicMaker;
    classicMaker.AddSites(kSites);
    const QString strClassic = classicMaker.Path("classic.lwd");
    ASSERT_TRUE(classicMaker.doc.DoSave(strClassic));

    CScene scene;
    ASSERT_TRUE(scene.docTemplate.OpenDocumentFile(strClassic));
    int nChanges = 0;
    QObject::connect(&scene.doc, &CLockwardenDoc::sitesChanged, [&] { ++nChanges; });
    ASSERT_TRUE(scene.Open(strSealed, "s3cret"));
    EXPECT_EQ(scene.doc.Sites().size(), kSites.size());
    EXPECT_EQ(nChanges, 2); // emptied, then loaded
    scene.Forget();
    scene.doc.RemoveSite(scene.doc.Sites()[0].get());
    EXPECT_TRUE(scene.doc.DoFileSave());
    EXPECT_TRUE(scene.prompts.m_shown.empty()) << scene.prompts.Messages().join(QStringLiteral(" | ")).toStdString();
}

// A save keeps the version it replaces as NAME.lwd.bak, for a classic and a sealed file alike: after a
// password change the backup still opens with the old password, and the file with the new one. With
// bBackupOnSave off no backup is made.
// A new password makes the file stronger: the backup under the old one does not stay beside it, and the
// file opens with the new one only.
TEST(LockwardenDocSealedTest, NoBackupOpensWithTheOldPasswordAfterAPasswordChange) {
    for (const bool bSealed : {false, true}) {
        for (const int bBackupOnSave : {1, 0}) {
            SCOPED_TRACE(std::string(bSealed ? "sealed" : "classic") + (bBackupOnSave ? "" : ", no backup"));
            CScene scene;
            scene.app.m_bBackupOnSave = bBackupOnSave;
            scene.AddSites(kSites);
            scene.prompts.EnterPassword("old");
            scene.prompts.EnterPassword("old");
            if (bSealed)
                scene.doc.OnSealFile();
            else
                scene.doc.OnChangeFilePassword();
            const QString strPath = scene.Path("sites.lwd");
            ASSERT_TRUE(scene.doc.DoSave(strPath));
            const QByteArray oldBytes = ReadFile(strPath);
            EXPECT_FALSE(QFile::exists(strPath + QStringLiteral(".bak")));

            scene.prompts.EnterPassword("new");
            scene.prompts.EnterPassword("new");
            scene.doc.OnChangeFilePassword();
            ASSERT_TRUE(scene.doc.DoFileSave());
            EXPECT_EQ(scene.doc.GetFileKind(), bSealed ? EFileKind::sealed : EFileKind::classic);

            if (!bBackupOnSave) {
                EXPECT_FALSE(QFile::exists(strPath + QStringLiteral(".bak")));
                continue;
            }
            EXPECT_FALSE(QFile::exists(strPath + QStringLiteral(".bak")));
            EXPECT_NE(ReadFile(strPath), oldBytes);
            CScene old;
            old.prompts.EnterPassword("old");
            old.prompts.CancelPassword();
            EXPECT_FALSE(old.docTemplate.OpenDocumentFile(strPath));
            CScene current;
            ASSERT_TRUE(current.Open(strPath, "new"));
            EXPECT_EQ(FieldsOf(current.doc.Sites()), kSites);
        }
    }
}
