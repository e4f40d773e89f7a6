// The document's lock: what is dropped and wiped, what is kept, what Unlock asks and reads, and that no lock
// writes anything; classic and sealed files, through the template as the program opens them.

#include "DocScene.h"
#include "FormatBytes.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/framework/DocTemplate.h"
#include "core/platform/FileAccess.h"
#include "core/resources/Resource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using EFileKind = CLockwardenDoc::EFileKind;

const QString kBadPassword = QStringLiteral("Bad file password !");

const std::vector<SiteFields> kSites = {
    {"alpha", "https://alpha.example", "ann", "alpha-secret", "first"},
    {"beta", "", "bob", "beta-secret", ""},
};

struct CScene : CDocScene {
    // A file of kSites under strPassword, classic or sealed, written by a document of its own.
    QString MakeFile(const char* pszName, const std::string& strPassword, bool bSealed,
                     const std::vector<SiteFields>& sites = kSites) {
        const QString strPath = Path(pszName);
        PutDatabase(strPath, sites, bSealed ? EFileKind::sealed : EFileKind::classic, strPassword);
        return strPath;
    }
};

class LockwardenDocLockTest : public ::testing::TestWithParam<bool> {
protected:
    bool Sealed() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Kinds, LockwardenDocLockTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Sealed" : "Classic"; });

// Without unsaved changes the records and the password (or key) go; the file is not touched; Unlock asks for
// the password of that file, refuses a wrong one with the stated message, and reads the file again, so a
// change made meanwhile by another program is what comes back.
TEST_P(LockwardenDocLockTest, WithoutChangesLockDropsEverythingAndUnlockReadsTheFileAgain) {
    CScene scene;
    const QString strPath = scene.MakeFile("lock.lwd", "s3cret", Sealed());
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    const EFileKind kind = Sealed() ? EFileKind::sealed : EFileKind::classic;
    ASSERT_EQ(scene.doc.GetFileKind(), kind);
    ASSERT_TRUE(scene.doc.CanLock());
    const QByteArray before = ReadFile(strPath);
    const FileAccess::CFileStamp stampBefore = FileAccess::GetFileStamp(strPath);
    int nLockChanged = 0;
    int nAboutToDelete = 0;
    QObject::connect(&scene.doc, &CLockwardenDoc::lockChanged, [&] { ++nLockChanged; });
    QObject::connect(&scene.doc, &CDocument::contentsAboutToBeDeleted, [&] { ++nAboutToDelete; });

    scene.doc.Lock(false);
    EXPECT_TRUE(scene.doc.IsLocked());
    EXPECT_FALSE(scene.doc.IsKeepingLockedRecords());
    EXPECT_FALSE(scene.doc.CanLock());
    EXPECT_EQ(nLockChanged, 1);
    EXPECT_EQ(nAboutToDelete, 1);
    EXPECT_TRUE(scene.doc.Sites().empty());
    EXPECT_FALSE(scene.doc.IsSealed());
    EXPECT_EQ(scene.doc.GetFilePassword(), "");
    // The file keeps its kind and its name while locked.
    EXPECT_EQ(scene.doc.GetFileKind(), kind);
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("lock.lwd"));
    EXPECT_FALSE(scene.doc.IsModified());
    // Nothing may write the dropped records as an empty file.
    EXPECT_FALSE(scene.doc.OnSaveDocument(strPath));
    EXPECT_EQ(ReadFile(strPath), before);
    EXPECT_TRUE(FileAccess::GetFileStamp(strPath) == stampBefore);

    // Cancel stays locked.
    scene.prompts.CancelPassword();
    EXPECT_FALSE(scene.doc.Unlock());
    EXPECT_TRUE(scene.doc.IsLocked());
    EXPECT_EQ(scene.prompts.m_shown.at(0).strText, QStringLiteral("password:File:  lock.lwd"));

    // Meanwhile another program changes the file, keeping its password.
    scene.MakeFile("lock.lwd", "s3cret", Sealed(), {{"gamma", "", "", "gamma-secret", ""}});
    scene.prompts.m_shown.clear();
    scene.prompts.EnterPassword("wrong");
    scene.prompts.EnterPassword("s3cret");
    EXPECT_TRUE(scene.doc.Unlock());
    EXPECT_EQ(scene.prompts.Messages(), QStringList{kBadPassword});
    EXPECT_FALSE(scene.doc.IsLocked());
    EXPECT_EQ(nLockChanged, 2);
    EXPECT_EQ(FieldsOf(scene.doc.Sites()), (std::vector<SiteFields>{{"gamma", "", "", "gamma-secret", ""}}));
    EXPECT_EQ(scene.doc.GetFileKind(), kind);
    EXPECT_EQ(scene.doc.GetFilePassword(), "s3cret");
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("lock.lwd"));
}

// With unsaved changes the records stay, unseen by nobody but the document; Unlock checks the password
// against the one kept in memory (the new one, after a change of password not yet saved) and reads nothing.
TEST_P(LockwardenDocLockTest, WithChangesLockKeepsThemAndUnlockChecksTheKeptPassword) {
    CScene scene;
    const QString strPath = scene.MakeFile("kept.lwd", "old-pass", Sealed());
    ASSERT_TRUE(scene.Open(strPath, "old-pass"));
    scene.prompts.EnterPassword("new-pass");
    scene.prompts.EnterPassword("new-pass");
    scene.doc.OnChangeFilePassword();
    scene.doc.AddSite(std::make_unique<CSiteInfo>("gamma", "", "", "g", ""));
    ASSERT_TRUE(scene.doc.IsModified());
    const QByteArray before = ReadFile(strPath);
    const std::vector<SiteFields> records = FieldsOf(scene.doc.Sites());
    scene.prompts.m_shown.clear();

    scene.doc.Lock(false);
    EXPECT_TRUE(scene.doc.IsLocked());
    EXPECT_TRUE(scene.doc.IsKeepingLockedRecords());
    EXPECT_EQ(FieldsOf(scene.doc.Sites()), records);
    // The key stays where it was, in locked memory: the lock keeps it rather than a copy.
    EXPECT_EQ(scene.doc.GetFilePassword(), "new-pass");
    EXPECT_EQ(scene.doc.IsSealed(), Sealed());
    EXPECT_EQ(ReadFile(strPath), before);
    EXPECT_EQ(scene.doc.GetTitle(), QStringLiteral("kept.lwd"));
    EXPECT_TRUE(scene.doc.IsModified());

    // The password of the file on disk is not the one that will save these records.
    scene.prompts.EnterPassword("old-pass");
    scene.prompts.CancelPassword();
    EXPECT_FALSE(scene.doc.Unlock());
    EXPECT_TRUE(scene.doc.IsLocked());
    EXPECT_EQ(scene.prompts.Messages(), QStringList{kBadPassword});
    EXPECT_EQ(scene.prompts.m_passwordFieldsShown.back(), "old-pass") << "each try shows the entry before it";

    scene.prompts.m_shown.clear();
    scene.prompts.EnterPassword("new-pass");
    EXPECT_TRUE(scene.doc.Unlock());
    EXPECT_TRUE(scene.prompts.Messages().isEmpty());
    EXPECT_FALSE(scene.doc.IsLocked());
    EXPECT_EQ(FieldsOf(scene.doc.Sites()), records);
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(scene.doc.GetFilePassword(), "new-pass");
    EXPECT_EQ(scene.doc.IsSealed(), Sealed());
    EXPECT_EQ(ReadFile(strPath), before);

    // And the kept change saves under the new password.
    ASSERT_TRUE(scene.doc.DoFileSave());
    CScene reader;
    ASSERT_TRUE(reader.Open(strPath, "new-pass"));
    EXPECT_EQ(FieldsOf(reader.doc.Sites()), records);
}

// The session's end may save a change kept under the lock; the records and the password are all there.
TEST_P(LockwardenDocLockTest, AKeptChangeCanStillBeSavedWhileLocked) {
    CScene scene;
    const QString strPath = scene.MakeFile("end.lwd", "s3cret", Sealed());
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    scene.doc.AddSite(std::make_unique<CSiteInfo>("gamma", "", "", "g", ""));
    scene.doc.Lock(false);
    ASSERT_TRUE(scene.doc.IsKeepingLockedRecords());
    ASSERT_TRUE(scene.doc.OnSaveDocument(strPath));
    EXPECT_EQ(scene.doc.GetFilePassword(), "s3cret") << "the lock keeps the key through the save";
    EXPECT_TRUE(scene.doc.IsLocked());

    CScene reader;
    ASSERT_TRUE(reader.Open(strPath, "s3cret"));
    EXPECT_EQ(reader.doc.Sites().size(), 3U);
}

// New, or another file opened, ends the lock of the file it replaces.
TEST_P(LockwardenDocLockTest, NewOrAnotherFileEndsTheLock) {
    CScene scene;
    const QString strPath = scene.MakeFile("one.lwd", "s3cret", Sealed());
    const QString strOther = scene.MakeFile("two.lwd", "other", !Sealed());
    ASSERT_TRUE(scene.Open(strPath, "s3cret"));
    scene.doc.Lock(false);
    ASSERT_TRUE(scene.Open(strOther, "other"));
    EXPECT_FALSE(scene.doc.IsLocked());
    EXPECT_EQ(scene.doc.Sites().size(), 2U);

    scene.doc.Lock(false);
    ASSERT_TRUE(scene.doc.IsLocked());
    scene.docTemplate.OnFileNew();
    EXPECT_FALSE(scene.doc.IsLocked());
    EXPECT_EQ(scene.doc.GetFileKind(), EFileKind::noPassword);
}

// A file without a file password cannot be locked.
TEST(LockwardenDocLockNoPasswordTest, AFileWithoutAPasswordCannotBeLocked) {
    CScene scene;
    const QString strPath = scene.MakeFile("open.lwd", "", false);
    ASSERT_TRUE(scene.Open(strPath, ""));
    EXPECT_FALSE(scene.doc.CanLock());
    scene.doc.Lock(false);
    EXPECT_FALSE(scene.doc.IsLocked());
    EXPECT_EQ(scene.doc.Sites().size(), 2U);
}

} // namespace
