// The open file followed on disk with a real watcher on a temporary folder: a write in place, a new file
// renamed over it (as Syncthing does), a removal; with and without unsaved changes and in data entry. And
// the two File commands that merge: Merge From... and Merge Conflict Copies....
#include "EnvOverride.h"
#include "FormatBytes.h"
#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/FileReading.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"
#include "core/resources/Resource.h"
#include "ui/app/FileSync.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kReloaded = QStringLiteral("Reloaded from disk");
const QString kChangedNote =
    QStringLiteral("The file changed on disk; Save offers to merge its sites into this document.");
const QString kRemovedNote = QStringLiteral("The file was removed from disk; Save writes it back.");
const QString kCopiesNote = QStringLiteral("Conflict copies of this file lie beside it: File > Merge Conflict Copies.");

const SiteFields kAlpha{"alpha", "https://a.example", "ann", "a-1", ""};
const SiteFields kBeta1{"beta", "", "bob", "b-1", "first beta"};
const SiteFields kBeta2{"beta", "", "bob", "b-2", "second beta"};
const SiteFields kGamma{"gamma", "", "gus", "g-1", ""};
const SiteFields kDelta{"delta", "", "dan", "d-1", ""};

QByteArray Read(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class FileSyncTest : public ::testing::Test {
protected:
    void TearDown() override { m_pApp.reset(); }

    // The database as another machine saves it: a new file renamed over the old one.
    QString Save(const QString& strName, const std::vector<SiteFields>& sites, const std::string& strPassword = "pw") {
        const QString strPath = m_dir.filePath(strName);
        CAppState state;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(state, prompts);
        for (auto& p : MakeSites(sites))
            doc.AddSite(std::move(p));
        doc.SetFileKey(CFileKey::Classic(strPassword));
        prompts.AnswerMessage(IDYES);
        EXPECT_TRUE(doc.OnSaveDocument(strPath));
        return strPath;
    }
    // The same written into the file where it lies.
    void WriteInPlace(const QString& strPath, const std::vector<SiteFields>& sites) {
        const QByteArray bytes = Read(Save(QStringLiteral("staging.tmp"), sites));
        QFile::remove(m_dir.filePath(QStringLiteral("staging.tmp")));
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    std::vector<SiteFields> OnDisk(const QString& strPath) {
        CScriptedPrompts prompts;
        CFileReading reading(prompts);
        EXPECT_TRUE(reading.Open(strPath, "pw"));
        return FieldsOf(reading.Doc().Sites());
    }

    void Start(const QString& strPath) {
        m_prompts.EnterPassword("pw");
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        ASSERT_TRUE(m_pApp->InitInstance({strPath}));
        Sync().SetSettleInterval(0);
        m_prompts.m_shown.clear();
    }
    // Waits for the watcher's report of the change just made; no fixed sleep.
    void WaitForDisk() {
        QSignalSpy spy(&Sync(), &CFileSync::checked);
        ASSERT_TRUE(spy.wait(5000));
    }
    CFileSync& Sync() { return *m_pApp->m_pFileSync; }
    CLockwardenDoc& Doc() { return *m_pApp->m_pDoc; }
    CLockwardenView& View() { return *m_pApp->m_pMainFrame->GetActiveView(); }
    QString Shown() {
        return View().CurrentSite() ? QString::fromStdString(View().CurrentSite()->m_strSite) : QString();
    }
    std::string ShownNotes() { return View().CurrentSite() ? View().CurrentSite()->m_strNotes : std::string(); }
    // The status bar's first pane, and the file's notice above it.
    QString MessagePane() { return m_pApp->m_pMainFrame->PaneText(0); }
    QString FileNotice() { return m_pApp->m_pMainFrame->MessageBar().TextOf(CMessageBar::ESource::file); }
    QAction* Action(int nID) { return m_pApp->m_pRouter->Action(nID); }

    CTempXdgHome m_xdg;
    QTemporaryDir m_dir;
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
};

TEST_F(FileSyncTest, UnmodifiedDocumentFollowsWritesInPlaceRenamesOverAndARemoval) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha, kBeta1, kBeta2});
    Start(strPath);
    // The second of the two sites named beta is shown.
    View().ShowRecord(Doc().Sites()[2].get());
    ASSERT_EQ(ShownNotes(), "second beta");

    WriteInPlace(strPath, {kAlpha, kBeta1, kBeta2, kGamma});
    WaitForDisk();
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta1, kBeta2, kGamma}));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(ShownNotes(), "second beta");
    EXPECT_EQ(MessagePane(), kReloaded);
    EXPECT_TRUE(m_prompts.m_shown.empty()); // the same password, not asked again

    // A new file renamed over the old one, as Syncthing writes: still followed.
    Save(QStringLiteral("shared.lwd"), {kAlpha, kBeta1, kBeta2, kGamma, kDelta});
    WaitForDisk();
    EXPECT_EQ(Doc().Sites().size(), 5u);
    EXPECT_EQ(ShownNotes(), "second beta");
    // Again, under a new password: it is asked for, without a word about the one that no longer fits.
    m_prompts.EnterPassword("new-pw");
    Save(QStringLiteral("shared.lwd"), {kAlpha, kGamma}, "new-pw");
    WaitForDisk();
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kGamma}));
    EXPECT_EQ(Doc().GetFilePassword(), "new-pw");
    EXPECT_EQ(m_prompts.Messages(), QStringList());
    EXPECT_EQ(m_prompts.m_shown.size(), 1u);

    // Removed: the window keeps everything and Save writes it back.
    ASSERT_TRUE(QFile::remove(strPath));
    WaitForDisk();
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kGamma}));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(FileNotice(), kRemovedNote);
    Action(ID_FILE_SAVE)->trigger();
    EXPECT_FALSE(Doc().IsModified());
    CScriptedPrompts prompts;
    CFileReading reading(prompts);
    ASSERT_TRUE(reading.Open(strPath, "new-pw"));
    EXPECT_EQ(FieldsOf(reading.Doc().Sites()), (std::vector<SiteFields>{kAlpha, kGamma}));
}

TEST_F(FileSyncTest, UnsavedChangesAreNotReloadedOverAndSaveMergesTheDiskFirst) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha});
    Start(strPath);
    Doc().AddSite(std::move(MakeSites({kBeta1})[0]));

    Save(QStringLiteral("shared.lwd"), {kAlpha, kGamma}); // the other machine
    WaitForDisk();
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta1}));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(FileNotice(), kChangedNote);

    // The stated question, No, then the merge.
    m_prompts.AnswerMessage(IDNO);
    m_prompts.AnswerMessage(IDYES);
    m_prompts.AnswerMessage(IDOK);
    Action(ID_FILE_SAVE)->trigger();
    EXPECT_EQ(m_prompts.Messages(),
              (QStringList{QStringLiteral("The file on disk has changed!\n\nOverwrite with current document?"),
                           QStringLiteral("Merge the sites of the file on disk into this document, then save?\n\n"
                                          "Nothing is lost: sites that differ are kept in both versions."),
                           QStringLiteral("Sites added from shared.lwd: 1.")}));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(OnDisk(strPath), (std::vector<SiteFields>{kAlpha, kBeta1, kGamma}));
    WaitForDisk(); // our own save is no change to follow
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta1, kGamma}));
    EXPECT_EQ(FileNotice(), QString());
}

TEST_F(FileSyncTest, InDataEntryNothingIsReloadedUntilTheUserIsDone) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha, kBeta1});
    Start(strPath);
    View().OnSiteEdit();
    ASSERT_TRUE(View().IsEditing());

    Save(QStringLiteral("shared.lwd"), {kAlpha, kBeta1, kGamma});
    WaitForDisk();
    EXPECT_TRUE(View().IsEditing());
    EXPECT_EQ(Doc().Sites().size(), 2u);
    EXPECT_EQ(FileNotice(), kChangedNote);
    EXPECT_FALSE(Sync().ShouldReloadNow());

    // Cancel: the waiting change is read in.
    View().OnSiteCancel();
    WaitForDisk();
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta1, kGamma}));
    EXPECT_EQ(MessagePane(), kReloaded);
}

TEST_F(FileSyncTest, MergeFromAndMergeConflictCopiesThroughTheMenu) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha});
    const QString strOther = Save(QStringLiteral("other.lwd"), {kAlpha, kBeta1}, "other-pw");
    const QString strCopy = Save(QStringLiteral("shared.sync-conflict-20261210-231500-ABCDEF7.lwd"), {kGamma});
    Save(QStringLiteral("shared (copy).lwd"), {kDelta});
    Start(strPath);
    EXPECT_EQ(FileNotice(), kCopiesNote);

    m_prompts.ChooseFile(strOther);
    m_prompts.EnterPassword("other-pw");
    m_prompts.AnswerMessage(IDOK);
    Action(ID_FILE_MERGE)->trigger();
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta1}));
    EXPECT_TRUE(Doc().IsModified());
    const QByteArray otherBytes = Read(strOther);

    // The copy has the file's password: not asked. Yes saves first, then trashes the copy.
    m_prompts.m_shown.clear();
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDYES);
    Action(ID_FILE_MERGE_CONFLICTS)->trigger();
    EXPECT_EQ(m_prompts.Messages(),
              (QStringList{QStringLiteral("Sites added from shared.sync-conflict-20261210-231500-ABCDEF7.lwd: 1."),
                           QStringLiteral("Save this document and move the merged copies to the trash?\n\n"
                                          "shared.sync-conflict-20261210-231500-ABCDEF7.lwd")}));
    EXPECT_EQ(OnDisk(strPath), (std::vector<SiteFields>{kAlpha, kBeta1, kGamma}));
    EXPECT_FALSE(QFile::exists(strCopy));
    EXPECT_TRUE(
        QFile::exists(QDir(m_xdg.DataPath())
                          .filePath(QStringLiteral("Trash/files/shared.sync-conflict-20261210-231500-ABCDEF7.lwd"))));
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("shared (copy).lwd"))));
    EXPECT_EQ(Read(strOther), otherBytes);

    m_prompts.m_shown.clear();
    m_prompts.AnswerMessage(IDOK);
    Action(ID_FILE_MERGE_CONFLICTS)->trigger();
    EXPECT_EQ(m_prompts.Messages(), QStringList{QStringLiteral("No conflict copies of this file lie beside it.")});
}

// Each merge that leaves a name with two versions offers to settle them, after its summary: Merge From...,
// Merge Conflict Copies... (before the copies are trashed) and the save's merge. A merge without conflicts
// does not ask (the test above); View > Resolve Conflicts... stays for later.
TEST_F(FileSyncTest, AMergeThatAddsConflictsOffersToResolveThem) {
    const QString kOffer = QStringLiteral("Same-name sites differ after the merge. Resolve them now?");
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha, kBeta1});
    const QString strOther = Save(QStringLiteral("other.lwd"), {kBeta2}, "other-pw");
    Start(strPath);
    m_pApp->m_pRouter->UpdateCommands();
    EXPECT_FALSE(Action(ID_VIEW_RESOLVE_CONFLICTS)->isEnabled());

    // Merge From...: Yes, and the right version kept.
    m_prompts.ChooseFile(strOther);
    m_prompts.EnterPassword("other-pw");
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDYES);
    m_prompts.ScriptDialog([](QDialog& dlg) {
        QTest::mouseClick(FindControl<QPushButton>(&dlg, IDC_KEEP_RIGHT), Qt::LeftButton);
        return IDCANCEL;
    });
    Action(ID_FILE_MERGE)->trigger();
    ASSERT_EQ(m_prompts.Messages().size(), 2);
    EXPECT_TRUE(m_prompts.Messages()[0].startsWith(QStringLiteral("Sites added from other.lwd: 1.")));
    EXPECT_EQ(m_prompts.Messages()[1], kOffer);
    EXPECT_EQ(m_prompts.m_dialogsShown, QStringList{QStringLiteral("Resolve Conflicts")});
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kBeta2}));
    EXPECT_FALSE(Action(ID_VIEW_RESOLVE_CONFLICTS)->isEnabled());

    // The save's merge: No leaves both versions, and the menu offers them.
    Save(QStringLiteral("shared.lwd"), {kAlpha, kBeta1}); // the other machine
    WaitForDisk();
    m_prompts.m_shown.clear();
    m_prompts.AnswerMessage(IDNO);
    m_prompts.AnswerMessage(IDYES);
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDNO);
    Action(ID_FILE_SAVE)->trigger();
    ASSERT_EQ(m_prompts.Messages().size(), 4);
    EXPECT_EQ(m_prompts.Messages()[3], kOffer);
    EXPECT_EQ(m_prompts.m_dialogsShown.size(), 1);
    EXPECT_EQ(OnDisk(strPath), (std::vector<SiteFields>{kAlpha, kBeta2, kBeta1}));
    EXPECT_TRUE(Action(ID_VIEW_RESOLVE_CONFLICTS)->isEnabled());

    // A conflict copy: asked before the copies are trashed.
    Save(QStringLiteral("shared.sync-conflict-20261210-231500-ABCDEF7.lwd"), {{"beta", "", "bob", "b-3", ""}});
    m_prompts.m_shown.clear();
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDNO);
    m_prompts.AnswerMessage(IDNO);
    Action(ID_FILE_MERGE_CONFLICTS)->trigger();
    ASSERT_EQ(m_prompts.Messages().size(), 3);
    EXPECT_EQ(m_prompts.Messages()[1], kOffer);
    EXPECT_TRUE(m_prompts.Messages()[2].startsWith(QStringLiteral("Save this document and move the merged copies")));
}

// A shared folder is anyone's to write: a link bearing a copy's name is named and never read, and a copy
// without a password joins this file, which has one, only when the user says Yes to the question (No is
// the default).
TEST_F(FileSyncTest, MergeConflictCopiesSkipsLinksAndAsksBeforeAnUnprotectedCopy) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha});
    const QString strPrivate = Save(QStringLiteral("private.lwd"), {kDelta});
    const QString strLinkName = QStringLiteral("shared.sync-conflict-20261210-231500-LINK000.lwd");
    ASSERT_TRUE(QFile::link(strPrivate, m_dir.filePath(strLinkName)));
    const QString strCopyName = QStringLiteral("shared.sync-conflict-20261210-231500-UNPROT1.lwd");
    Save(strCopyName, {kGamma}, "");
    Start(strPath);

    const QString strSkipped = QStringLiteral("These files bear a conflict copy's name but are not merged: only your "
                                              "own regular files are.\n\n") +
                               strLinkName + QStringLiteral(": it is a symbolic link");
    const QString strQuestion = strCopyName + QStringLiteral(" has no file password: anyone who could write the "
                                                             "folder could have put its sites there.\n\nMerge them "
                                                             "into this file, which has a password?");
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDNO);
    Action(ID_FILE_MERGE_CONFLICTS)->trigger();
    EXPECT_EQ(m_prompts.Messages(), (QStringList{strSkipped, strQuestion}));
    ASSERT_EQ(m_prompts.m_shown.size(), 2u);
    EXPECT_EQ(m_prompts.m_shown[1].nType, unsigned{MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2});
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha}));
    EXPECT_FALSE(Doc().IsModified());

    m_prompts.m_shown.clear();
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDYES);
    m_prompts.AnswerMessage(IDOK);
    m_prompts.AnswerMessage(IDNO);
    Action(ID_FILE_MERGE_CONFLICTS)->trigger();
    EXPECT_EQ(m_prompts.Messages().mid(0, 3),
              (QStringList{strSkipped, strQuestion,
                           QStringLiteral("Sites added from ") + strCopyName + QStringLiteral(": 1.")}));
    EXPECT_EQ(FieldsOf(Doc().Sites()), (std::vector<SiteFields>{kAlpha, kGamma}));
    EXPECT_TRUE(QFileInfo(m_dir.filePath(strLinkName)).isSymLink());
    EXPECT_EQ(OnDisk(strPrivate), (std::vector<SiteFields>{kDelta}));
}

} // namespace

// A sync tool's conflict copy that appears while the file is open is noticed as one there at the open is.
TEST_F(FileSyncTest, AConflictCopyThatAppearsWhileTheFileIsOpenIsNoted) {
    const QString strPath = Save(QStringLiteral("shared.lwd"), {kAlpha});
    Start(strPath);
    ASSERT_EQ(FileNotice(), QString());

    Save(QStringLiteral("shared.sync-conflict-20261211-101500-ABCDEF7.lwd"), {kGamma});
    WaitForDisk();
    EXPECT_EQ(FileNotice(),
              QStringLiteral("Conflict copies of this file lie beside it: File > Merge Conflict Copies."));
    // Nothing was read in for it.
    EXPECT_EQ(FieldsOf(Doc().Sites()), std::vector<SiteFields>{kAlpha});
    EXPECT_FALSE(Doc().IsModified());
}
