// The document following its own file on disk: what each look finds, what a removal does to it, and a
// reload that would open the file weaker than it was.
#include "DocScene.h"

#include "core/framework/MessageBoxButtons.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <optional>

namespace {

using EDiskChange = CLockwardenDoc::EDiskChange;
using EKind = CLockwardenDoc::EFileKind;

const SiteFields kAlpha{"alpha", "https://a.example", "ann", "a-1", "first"};
const SiteFields kBeta{"beta", "", "bob", "b-1", ""};

// Runs events until the document's next look at its file, or nMs: what the look found, nothing without one.
std::optional<EDiskChange> NextLook(CLockwardenDoc& doc, int nMs = 5000) {
    std::optional<EDiskChange> found;
    QEventLoop loop;
    QObject::connect(&doc, &CLockwardenDoc::changedOnDisk, &loop, [&](EDiskChange change) {
        found = change;
        loop.quit();
    });
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
    return found;
}

class LockwardenDocDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strPath = m_scene.Path("sites.lwd");
        PutDatabase(m_strPath, {kAlpha}, EKind::classic, "pw");
        ASSERT_TRUE(m_scene.Open(m_strPath, "pw"));
        Doc().FollowFileOnDisk();
        Doc().SetSettleInterval(0);
    }
    CLockwardenDoc& Doc() { return m_scene.doc; }
    std::optional<EDiskChange> NextLook() { return ::NextLook(Doc()); }

    CDocScene m_scene;
    QString m_strPath;
};

TEST_F(LockwardenDocDiskTest, EachLookTellsWhatItFoundAndARemovalLeavesTheOnlyCopyModified) {
    EXPECT_EQ(Doc().Followed(), m_strPath);

    // Written anew by another program, renamed over the file as sync tools do: followed on.
    PutDatabase(m_strPath, {kAlpha, kBeta}, EKind::classic, "pw");
    EXPECT_EQ(NextLook(), EDiskChange::changed);
    // Nothing is read in by the look itself: whoever shows the document decides.
    EXPECT_EQ(FieldsOf(Doc().Sites()), std::vector<SiteFields>{kAlpha});
    EXPECT_FALSE(Doc().IsModified());

    ASSERT_TRUE(Doc().Reload());
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta}));
    EXPECT_TRUE(m_scene.prompts.m_shown.empty()); // the same password, not asked again

    // Our own save is no change.
    Doc().SetModifiedFlag(true);
    ASSERT_TRUE(Doc().DoFileSave());
    EXPECT_EQ(NextLook(), EDiskChange::same);

    ASSERT_TRUE(QFile::remove(m_strPath));
    EXPECT_EQ(NextLook(), EDiskChange::removed);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta}));
}

TEST_F(LockwardenDocDiskTest, AFileRemovedWhileLockedWithItsRecordsDroppedLeavesNothingUnsaved) {
    Doc().Lock(false);
    ASSERT_TRUE(Doc().IsLocked());
    ASSERT_FALSE(Doc().IsKeepingLockedRecords());
    ASSERT_TRUE(QFile::remove(m_strPath));
    EXPECT_EQ(NextLook(), EDiskChange::removed);
    EXPECT_FALSE(Doc().IsModified());
    // And nothing reloads a locked document.
    EXPECT_FALSE(Doc().Reload());
}

TEST_F(LockwardenDocDiskTest, AReloadThatWouldOpenTheFileWeakerAsksAndNoLeavesTheDocumentAsItWas) {
    // The file on disk loses its password.
    PutDatabase(m_strPath, {kAlpha, kBeta}, EKind::noPassword, "");
    EXPECT_EQ(NextLook(), EDiskChange::changed);
    const std::uint64_t nRevision = Doc().Revision();

    m_scene.prompts.AnswerMessage(IDNO);
    EXPECT_FALSE(Doc().Reload());
    ASSERT_EQ(m_scene.prompts.MessageBoxes().size(), 1u);
    EXPECT_EQ(m_scene.prompts.MessageBoxes()[0].nType, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    EXPECT_TRUE(m_scene.prompts.Messages()[0].contains(QStringLiteral("sites.lwd")));
    EXPECT_EQ(FieldsOf(Doc().Sites()), std::vector<SiteFields>{kAlpha});
    EXPECT_EQ(Doc().GetFileKind(), EKind::classic);
    EXPECT_EQ(Doc().GetFilePassword(), "pw");
    EXPECT_EQ(Doc().Revision(), nRevision);

    // Yes: read in as it now is, weaker.
    m_scene.prompts.m_shown.clear();
    m_scene.prompts.AnswerMessage(IDYES);
    EXPECT_TRUE(Doc().Reload());
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta}));
    EXPECT_EQ(Doc().GetFileKind(), EKind::noPassword);
}

// The frame's caption and the file's following hang on these: each told once per change, never for none.
TEST_F(LockwardenDocDiskTest, PathAndModifiedChangesAreToldOnceEach) {
    int nPaths = 0;
    std::vector<bool> modified;
    QObject::connect(&Doc(), &CDocument::pathChanged, [&] { ++nPaths; });
    QObject::connect(&Doc(), &CDocument::modifiedChanged, [&](bool bModified) { modified.push_back(bModified); });

    Doc().SetModifiedFlag(true);
    Doc().SetModifiedFlag(true);
    const QString strOther = m_scene.Path("other.lwd");
    m_scene.prompts.ChooseFile(strOther);
    Doc().OnSaveAs();
    EXPECT_EQ(Doc().GetPathName(), strOther);
    EXPECT_EQ(Doc().Followed(), strOther);
    // The same path again is no change.
    ASSERT_TRUE(Doc().DoFileSave());
    m_scene.docTemplate.OnFileNew();

    EXPECT_EQ(nPaths, 2); // Save As, New
    EXPECT_EQ(modified, (std::vector<bool>{true, false}));
    EXPECT_EQ(Doc().Followed(), QString());
    EXPECT_EQ(Doc().GetTitle(), LoadString(AFX_IDS_UNTITLED));
}

// A reading of another file (a merge's other side, the companion) follows nothing.
TEST(LockwardenDocDiskFollowing, OnlyADocumentAskedToFollowLooksAtTheDisk) {
    CDocScene scene;
    const QString strPath = scene.Path("sites.lwd");
    PutDatabase(strPath, {kAlpha}, EKind::classic, "pw");
    ASSERT_TRUE(scene.Open(strPath, "pw"));
    PutDatabase(strPath, {kAlpha, kBeta}, EKind::classic, "pw");
    EXPECT_EQ(NextLook(scene.doc, 700), std::nullopt);
    EXPECT_EQ(scene.doc.Followed(), QString());
}

} // namespace
