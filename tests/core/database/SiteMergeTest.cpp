// The merge rule by content, and merging real files (classic and sealed) into the document through the
// program's own open, including the save that finds its file changed on disk.

#include "core/database/SiteMerge.h"
#include "DocScene.h"
#include "FormatBytes.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/FileReading.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"
#include "core/resources/Resource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kChanged = QStringLiteral("The file on disk has changed!\n\nOverwrite with current document?");
const QString kMergeBeforeSave =
    QStringLiteral("Merge the sites of the file on disk into this document, then save?\n\nNothing is lost: sites "
                   "that differ are kept in both versions.");

const SiteFields kBank{"Bank", "https://bank.example", "ann", "b-1", ""};
const SiteFields kBankNewPassword{"Bank", "https://bank.example", "ann", "b-2", ""};
const SiteFields kBankLowerCase{"bank", "https://bank.example", "ann", "b-3", ""};
const SiteFields kMail{"Mail", "", "ann", "m-1", "notes"};
const SiteFields kShop{"Shop", "", "bob", "s-1", ""};

struct CMergeCase {
    const char* pszName;
    std::vector<SiteFields> mine;
    std::vector<SiteFields> other;
    std::vector<SiteFields> added;
    std::vector<std::string> conflicts;
};

TEST(SiteMergeTest, AddsWhatIsMissingKeepsBothVersionsOfAConflictAndCountsEqualSitesOnce) {
    const std::vector<CMergeCase> cases = {
        {"equal", {kBank, kMail}, {kMail, kBank}, {}, {}},
        {"only in mine", {kBank, kMail}, {kBank}, {}, {}},
        {"only in the other", {kBank}, {kBank, kShop}, {kShop}, {}},
        {"same name, other fields", {kBank, kMail}, {kBankNewPassword, kMail}, {kBankNewPassword}, {"Bank"}},
        // Names are compared as the list compares them: without regard to case.
        {"same name in another case", {kBank}, {kBankLowerCase}, {kBankLowerCase}, {"bank"}},
        {"duplicate names on both sides",
         {kBank, kBankNewPassword},
         {kBankNewPassword, kBankLowerCase, kBank, kBankLowerCase},
         {kBankLowerCase},
         {"bank"}},
        {"duplicates within the other file alone are no conflict",
         {kMail},
         {kShop, kShop, kBank, kBankNewPassword},
         {kShop, kBank, kBankNewPassword},
         {}},
        {"into an empty document", {}, {kMail, kBank}, {kMail, kBank}, {}},
        {"from an empty file", {kMail}, {}, {}, {}},
    };
    for (const CMergeCase& c : cases) {
        const CSiteArray mine = MakeSites(c.mine);
        const CSiteArray other = MakeSites(c.other);
        const CMergePlan plan = PlanMerge(mine, other);
        std::vector<SiteFields> added;
        for (const CSiteInfo* pSite : plan.toAdd)
            added.push_back({pSite->m_strSite, pSite->m_strURL, pSite->m_strUser, pSite->m_strPswd, pSite->m_strNotes});
        EXPECT_EQ(added, c.added) << c.pszName;
        EXPECT_EQ(plan.conflicts, c.conflicts) << c.pszName;

        // Merging again adds nothing, and whichever side merges, both end with the same sites.
        CSiteArray merged = MakeSites(c.mine);
        for (const CSiteInfo* pSite : plan.toAdd)
            merged.push_back(std::make_unique<CSiteInfo>(*pSite));
        EXPECT_TRUE(PlanMerge(merged, other).toAdd.empty()) << c.pszName;
        EXPECT_TRUE(PlanMerge(merged, mine).toAdd.empty()) << c.pszName;
    }
}

struct CScene : CDocScene {
    // A file written by a document of its own, classic under strPassword or sealed.
    QString Write(const char* pszName, const std::vector<SiteFields>& sites, const std::string& strPassword,
                  bool bSealed) {
        CAppState otherApp;
        CScriptedPrompts otherPrompts;
        CLockwardenDoc other(otherApp, otherPrompts);
        CSingleDocTemplate otherTemplate(other, otherPrompts);
        otherTemplate.OnFileNew();
        for (auto& p : MakeSites(sites))
            other.AddSite(std::move(p));
        otherPrompts.AnswerMessage(IDYES); // over a file already there
        if (bSealed) {
            otherPrompts.EnterPassword(strPassword);
            otherPrompts.EnterPassword(strPassword);
            other.OnSealFile();
        } else {
            other.SetFileKey(CFileKey::Classic(strPassword));
        }
        const QString strPath = Path(pszName);
        EXPECT_TRUE(other.DoSave(strPath));
        return strPath;
    }
};

QByteArray ReadBytes(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(SiteMergeTest, MergesClassicIntoSealedAndBackWithTheOtherFilesOwnPasswordAndNeverWritesIt) {
    for (const bool bMineSealed : {true, false}) {
        CScene scene;
        const QString strMine = scene.Write("mine.lwd", {kBank, kMail}, "mine-pw", bMineSealed);
        const QString strOther = scene.Write("other.lwd", {kMail, kBankNewPassword, kShop}, "other-pw", !bMineSealed);
        ASSERT_TRUE(scene.Open(strMine, "mine-pw"));
        ASSERT_EQ(scene.doc.IsSealed(), bMineSealed);
        const QByteArray otherBefore = ReadBytes(strOther);

        // A wrong entry is told as the open tells it; the second entry opens the file.
        scene.prompts.EnterPassword("mine-pw");
        scene.prompts.EnterPassword("other-pw");
        CMergeResult result;
        ASSERT_TRUE(MergeFileInto(scene.doc, strOther, scene.prompts, {}, result));
        EXPECT_EQ(result.nAdded, 2u);
        EXPECT_EQ(result.added, (std::vector<std::string>{"Bank", "Shop"}));
        EXPECT_EQ(result.conflicts, (std::vector<std::string>{"Bank"}));
        EXPECT_EQ(FieldsOf(scene.doc.Sites()), (std::vector<SiteFields>{kBank, kMail, kBankNewPassword, kShop}));
        EXPECT_TRUE(scene.doc.IsModified());
        EXPECT_EQ(scene.doc.IsSealed(), bMineSealed);
        EXPECT_EQ(scene.doc.GetFilePassword(), "mine-pw");
        EXPECT_EQ(scene.prompts.m_shown, (std::vector<CScriptedPrompts::Shown>{
                                             {QStringLiteral("password:File:  other.lwd"), 0},
                                             {QStringLiteral("Bad file password !"), MB_ICONEXCLAMATION | MB_OK},
                                             {QStringLiteral("password:File:  other.lwd"), 0}}));
        EXPECT_EQ(ReadBytes(strOther), otherBefore);
        EXPECT_EQ(MergeSummaryText(QStringLiteral("other.lwd"), result),
                  QStringLiteral("Sites added from other.lwd: 2.\n\nThese names now stand more than once, with "
                                 "different fields; View > Resolve Conflicts... shows each pair side by side:\nBank"));

        // A dry run reads and tells, and changes nothing; a second merge adds nothing.
        scene.prompts.EnterPassword("other-pw");
        ASSERT_TRUE(MergeFileInto(scene.doc, strOther, scene.prompts, {}, result, true));
        EXPECT_EQ(result.nAdded, 0u);
        EXPECT_EQ(scene.doc.Sites().size(), 4u);
        // A cancelled prompt merges nothing.
        scene.prompts.CancelPassword();
        EXPECT_FALSE(MergeFileInto(scene.doc, strOther, scene.prompts, {}, result));
        EXPECT_EQ(scene.doc.Sites().size(), 4u);
    }
}

TEST(SiteMergeTest, AKnownPasswordIsTriedFirstAndOnlyAWrongOneBringsThePrompt) {
    CScene scene;
    const QString strSame = scene.Write("same.lwd", {kShop}, "pw", false);
    const QString strOther = scene.Write("other.lwd", {kMail}, "other-pw", true);
    CMergeResult result;
    ASSERT_TRUE(MergeFileInto(scene.doc, strSame, scene.prompts, "pw", result));
    EXPECT_TRUE(scene.prompts.m_shown.empty());
    // The known password fails silently; the prompt starts empty.
    scene.prompts.EnterPassword("other-pw");
    ASSERT_TRUE(MergeFileInto(scene.doc, strOther, scene.prompts, "pw", result));
    EXPECT_EQ(scene.prompts.m_shown,
              (std::vector<CScriptedPrompts::Shown>{{QStringLiteral("password:File:  other.lwd"), 0}}));
    EXPECT_EQ(scene.prompts.m_passwordFieldsShown, (std::vector<std::string>{""}));
    EXPECT_EQ(FieldsOf(scene.doc.Sites()), (std::vector<SiteFields>{kShop, kMail}));
}

// The file changed on disk while the document had changes of its own: the stated question stays, and No
// leads to the merge, after which the save writes both sides' sites.
TEST(SiteMergeTest, SaveOverAFileChangedOnDiskCanMergeItFirstAndThenLosesNeitherSide) {
    CScene scene;
    const QString strPath = scene.Write("shared.lwd", {kBank}, "pw", false);
    ASSERT_TRUE(scene.Open(strPath, "pw"));
    // The window's offer, as the window makes it when the save tells it the file changed.
    QObject::connect(&scene.doc, &CLockwardenDoc::saveFoundChangeOnDisk, [&scene](const QString& strDisk) {
        if (scene.prompts.MessageBox(kMergeBeforeSave, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
        CMergeResult result;
        MergeFileInto(scene.doc, strDisk, scene.prompts, scene.doc.GetFilePassword(), result, false, true);
    });
    scene.doc.AddSite(std::move(MakeSites({kMail})[0]));
    scene.Write("shared.lwd", {kBank, kShop}, "pw", false); // the other machine's save
    ASSERT_TRUE(scene.doc.IsChangedOnDisk(strPath));

    // No, then No again: nothing is written.
    scene.prompts.AnswerMessage(IDNO);
    scene.prompts.AnswerMessage(IDNO);
    EXPECT_FALSE(scene.doc.DoFileSave());
    const QByteArray disk = ReadBytes(strPath);
    // No, then Yes: merged, saved, nothing lost.
    scene.prompts.AnswerMessage(IDNO);
    scene.prompts.AnswerMessage(IDYES);
    EXPECT_TRUE(scene.doc.DoFileSave());
    EXPECT_EQ(scene.prompts.m_shown,
              (std::vector<CScriptedPrompts::Shown>{{kChanged, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
                                                    {kMergeBeforeSave, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
                                                    {kChanged, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
                                                    {kMergeBeforeSave, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2}}));
    EXPECT_NE(ReadBytes(strPath), disk);
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_FALSE(scene.doc.IsChangedOnDisk(strPath));

    CScriptedPrompts readPrompts;
    CFileReading reading(readPrompts);
    ASSERT_TRUE(reading.Open(strPath, "pw"));
    EXPECT_EQ(FieldsOf(reading.Doc().Sites()), (std::vector<SiteFields>{kBank, kMail, kShop}));
}

} // namespace
