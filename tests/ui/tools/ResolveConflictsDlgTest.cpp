// The Resolve Conflicts window over a real document, offscreen: the pairs, the two versions side by side with
// the differing fields marked, keeping one, the other or both through the document, the keyboard, and the
// View menu's command with its offer after a merge.
#include "ui/tools/ResolveConflictsDlg.h"

#include "FormatBytes.h"
#include "ScriptedWndPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

const SiteFields kBank1{"Bank", "https://bank.example", "ann", "b-1", "card 1"};
const SiteFields kBank2{"BANK", "https://bank.example", "ann", "b-22", "card 2"};
const SiteFields kBank3{"Bank", "https://bank.example/new", "ann", "b-1", "card 1"};
const SiteFields kMail{"Mail", "", "ann", "m-1", ""};

const QString kNone = QStringLiteral("No same-name sites differ.");

// The rows of fields: label, left value, right value.
constexpr std::array<std::array<int, 3>, 5> kRows = {{
    {IDC_RESOLVE_SITE_LABEL, IDC_RESOLVE_LEFT_SITE, IDC_RESOLVE_RIGHT_SITE},
    {IDC_RESOLVE_URL_LABEL, IDC_RESOLVE_LEFT_URL, IDC_RESOLVE_RIGHT_URL},
    {IDC_RESOLVE_USER_LABEL, IDC_RESOLVE_LEFT_USER, IDC_RESOLVE_RIGHT_USER},
    {IDC_RESOLVE_PSWD_LABEL, IDC_RESOLVE_LEFT_PSWD, IDC_RESOLVE_RIGHT_PSWD},
    {IDC_RESOLVE_NOTES_LABEL, IDC_RESOLVE_LEFT_NOTES, IDC_RESOLVE_RIGHT_NOTES},
}};

class ResolveConflictsDlgTest : public ::testing::Test {
protected:
    void Fill(const std::vector<SiteFields>& sites) {
        for (auto& p : MakeSites(sites))
            m_doc.AddSite(std::move(p));
        m_doc.SetModifiedFlag(false);
    }
    CResolveConflictsDlg& Open() {
        m_pDlg = std::make_unique<CResolveConflictsDlg>(m_doc);
        m_pDlg->show();
        return *m_pDlg;
    }
    template <typename T = QWidget> T* Control(int nID) const { return FindControl<T>(m_pDlg.get(), nID); }
    void Press(int nID) { QTest::mouseClick(Control<QPushButton>(nID), Qt::LeftButton); }
    QString Value(int nID) const {
        if (const auto* pLine = Control<QLineEdit>(nID))
            return pLine->text();
        return Control<QPlainTextEdit>(nID)->toPlainText();
    }
    // Each row's label and its two values as "label: left | right".
    QStringList Shown() const {
        QStringList rows;
        for (const auto& [nLabel, nLeft, nRight] : kRows)
            rows << Control<QLabel>(nLabel)->text() + QStringLiteral(": ") + Value(nLeft) + QStringLiteral(" | ") +
                        Value(nRight);
        return rows;
    }
    // The label of each row, when its marks agree: a row that differs is marked with "≠", in bold on its label
    // and both values, and with "differs" for a screen reader on both; a row that does not, none of these.
    QStringList Marks() const {
        QStringList marks;
        for (const auto& [nLabel, nLeft, nRight] : kRows) {
            const QLabel* pLabel = Control<QLabel>(nLabel);
            const bool bSign = pLabel->text().startsWith(QStringLiteral("\u2260 "));
            const QString strDescription = bSign ? QStringLiteral("differs") : QString();
            const bool bAgree = pLabel->font().bold() == bSign && Control(nLeft)->font().bold() == bSign &&
                                Control(nRight)->font().bold() == bSign &&
                                Control(nLeft)->accessibleDescription() == strDescription &&
                                Control(nRight)->accessibleDescription() == strDescription;
            marks << (bAgree ? pLabel->text() : QStringLiteral("marked in part: ") + pLabel->text());
        }
        return marks;
    }
    QString Status() const { return Control<QLabel>(IDC_RESOLVE_STATUS)->text(); }

    CAppState m_app;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    std::unique_ptr<CResolveConflictsDlg> m_pDlg;
};

TEST_F(ResolveConflictsDlgTest, ShowsEachPairSideBySideAndMarksExactlyTheFieldsThatDiffer) {
    Fill({kBank1, kMail, kBank2, kBank3});
    CResolveConflictsDlg& dlg = Open();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Resolve Conflicts"));
    EXPECT_EQ(dlg.PairTexts(), (QStringList{QStringLiteral("Bank: 1 of 3"), QStringLiteral("Bank: 2 of 3"),
                                            QStringLiteral("Bank: 3 of 3")}));
    EXPECT_EQ(dlg.CurrentRow(), 0);
    EXPECT_EQ(Status(), QStringLiteral("Pairs to settle: 3. The left site comes first in the file."));
    // The first and second versions: the name's spelling, the password and the notes differ.
    EXPECT_EQ(Shown(), (QStringList{
                           QStringLiteral("\u2260 Site: Bank | BANK"),
                           QStringLiteral("URL: https://bank.example | https://bank.example"),
                           QStringLiteral("User: ann | ann"),
                           QStringLiteral("\u2260 Pswd: *** | ****"),
                           QStringLiteral("\u2260 Notes: card 1 | card 2"),
                       }));
    EXPECT_EQ(Marks(), (QStringList{QStringLiteral("\u2260 Site"), QStringLiteral("URL"), QStringLiteral("User"),
                                    QStringLiteral("\u2260 Pswd"), QStringLiteral("\u2260 Notes")}));

    // The first and third: only the URL. Passwords of the same length look alike masked; Show shows them.
    Press(IDC_SKIP);
    EXPECT_EQ(dlg.CurrentRow(), 1);
    EXPECT_EQ(Marks(), (QStringList{QStringLiteral("Site"), QStringLiteral("\u2260 URL"), QStringLiteral("User"),
                                    QStringLiteral("Pswd"), QStringLiteral("Notes")}));
    Press(IDC_SKIP);
    EXPECT_EQ(Shown()[3], QStringLiteral("\u2260 Pswd: **** | ***"));
    QTest::mouseClick(Control<QCheckBox>(IDC_RESOLVE_SHOW_PSWD), Qt::LeftButton);
    EXPECT_EQ(Shown()[3], QStringLiteral("\u2260 Pswd: b-22 | b-1"));
    QTest::mouseClick(Control<QCheckBox>(IDC_RESOLVE_SHOW_PSWD), Qt::LeftButton);
    EXPECT_EQ(Shown()[3], QStringLiteral("\u2260 Pswd: **** | ***"));
    EXPECT_FALSE(m_doc.IsModified());
}

// Every control has its name, the values are read in pairs row by row with Tab, and Esc closes.
TEST_F(ResolveConflictsDlgTest, NamesTabOrderAndEscape) {
    Fill({kBank1, kBank2});
    CResolveConflictsDlg& dlg = Open();
    QStringList chain;
    QWidget* pFirst = Control(IDC_RESOLVE_PAIRS);
    QWidget* pWidget = pFirst;
    do {
        if ((pWidget->focusPolicy() & Qt::TabFocus) && pWidget->isEnabled() && pWidget->window() == &dlg)
            chain << pWidget->accessibleName();
        pWidget = pWidget->nextInFocusChain();
    } while (pWidget != pFirst);
    EXPECT_EQ(chain,
              (QStringList{QStringLiteral("Pairs"), QStringLiteral("Left Site"), QStringLiteral("Right Site"),
                           QStringLiteral("Left URL"), QStringLiteral("Right URL"), QStringLiteral("Left User"),
                           QStringLiteral("Right User"), QStringLiteral("Left Pswd"), QStringLiteral("Right Pswd"),
                           QStringLiteral("Left Notes"), QStringLiteral("Right Notes"),
                           QStringLiteral("Show passwords"), QStringLiteral("Keep Left"), QStringLiteral("Keep Right"),
                           QStringLiteral("Keep Both"), QStringLiteral("Skip"), QStringLiteral("Close")}));
    EXPECT_EQ(Control(IDC_RESOLVE_STATUS)->accessibleName(), QStringLiteral("Status"));

    QTest::keyClick(Control(IDC_RESOLVE_PAIRS), Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(m_doc.Sites().size(), 2u);
}

struct CKeepCase {
    const char* pszName;
    std::vector<SiteFields> sites;
    int nButton;
    std::vector<SiteFields> left; // the sites afterwards
    QStringList pairs;            // the pairs listed afterwards
    bool bModified;
};

TEST_F(ResolveConflictsDlgTest, KeepsLeftRightOrBothThroughTheDocument) {
    const CKeepCase cases[] = {
        {"Keep Left removes the right version", {kBank1, kMail, kBank2}, IDC_KEEP_LEFT, {kBank1, kMail}, {}, true},
        {"Keep Right removes the left version with its copies",
         {kBank1, kBank2, kMail, kBank1},
         IDC_KEEP_RIGHT,
         {kBank2, kMail},
         {},
         true},
        {"Keep Both changes nothing and settles the pair",
         {kBank1, kBank2},
         IDC_KEEP_BOTH,
         {kBank1, kBank2},
         {},
         false},
        {"Skip changes nothing and leaves the pair",
         {kBank1, kBank2},
         IDC_SKIP,
         {kBank1, kBank2},
         {QStringLiteral("Bank: 1 of 1")},
         false},
    };
    for (const CKeepCase& c : cases) {
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        for (auto& p : MakeSites(c.sites))
            doc.AddSite(std::move(p));
        doc.SetModifiedFlag(false);
        CResolveConflictsDlg dlg(doc);
        dlg.show();
        QTest::mouseClick(FindControl<QPushButton>(&dlg, c.nButton), Qt::LeftButton);
        EXPECT_EQ(FieldsOf(doc.Sites()), c.left) << c.pszName;
        EXPECT_EQ(dlg.PairTexts(), c.pairs) << c.pszName;
        EXPECT_EQ(doc.IsModified(), c.bModified) << c.pszName;
        EXPECT_EQ(FindControl<QLabel>(&dlg, IDC_RESOLVE_STATUS)->text() == kNone, c.pairs.isEmpty()) << c.pszName;
    }
}

// Three versions settled one pair at a time: the pairs are counted anew as they go, a version that goes takes
// its pairs with it, and the last decision leaves the window with nothing to do but close.
TEST_F(ResolveConflictsDlgTest, ThreeVersionsSettledPairByPair) {
    Fill({kBank1, kMail, kBank2, kBank3});
    CResolveConflictsDlg& dlg = Open();
    Press(IDC_KEEP_BOTH);
    EXPECT_EQ(dlg.PairTexts(), (QStringList{QStringLiteral("Bank: 1 of 2"), QStringLiteral("Bank: 2 of 2")}));
    EXPECT_EQ(Shown()[0], QStringLiteral("Site: Bank | Bank")); // the first and third versions
    Press(IDC_SKIP);
    Press(IDC_SKIP);
    EXPECT_EQ(dlg.CurrentRow(), 0); // round to the first again

    // The first version goes, the third stays; the second and third remain to compare.
    Press(IDC_KEEP_RIGHT);
    EXPECT_EQ(FieldsOf(m_doc.Sites()), (std::vector<SiteFields>{kMail, kBank2, kBank3}));
    EXPECT_EQ(dlg.PairTexts(), QStringList{QStringLiteral("BANK: 1 of 1")});
    Press(IDC_KEEP_LEFT);
    EXPECT_EQ(FieldsOf(m_doc.Sites()), (std::vector<SiteFields>{kMail, kBank2}));
    EXPECT_EQ(dlg.PairTexts(), QStringList());
    EXPECT_EQ(Status(), kNone);
    for (const int nID : {IDC_KEEP_LEFT, IDC_KEEP_RIGHT, IDC_KEEP_BOTH, IDC_SKIP})
        EXPECT_FALSE(Control(nID)->isEnabled()) << nID;
    EXPECT_EQ(Shown()[0], QStringLiteral("Site:  | "));
    EXPECT_EQ(m_pDlg->focusWidget(), Control(IDCANCEL));
    EXPECT_TRUE(m_doc.IsModified());
}

// The sites shown may change under the window (a reload, a removal elsewhere): it lists what is there.
TEST_F(ResolveConflictsDlgTest, FollowsTheDocument) {
    Fill({kBank1, kBank2, kMail});
    CResolveConflictsDlg& dlg = Open();
    m_doc.RemoveSite(m_doc.Sites()[1].get());
    EXPECT_EQ(dlg.PairTexts(), QStringList());
    EXPECT_EQ(Status(), kNone);
    m_doc.AddSite(std::move(MakeSites({kBank3})[0]));
    EXPECT_EQ(dlg.PairTexts(), QStringList{QStringLiteral("Bank: 1 of 1")});
    EXPECT_EQ(Marks()[1], QStringLiteral("\u2260 URL"));
    m_doc.DeleteContents();
    EXPECT_EQ(dlg.PairTexts(), QStringList());
    EXPECT_EQ(Shown()[1], QStringLiteral("URL:  | "));
}

// A password shown here is for reading: it cannot be selected, so neither Ctrl+C nor the X11 selection takes
// it. Enter presses the button that has the focus, and none from the list.
TEST_F(ResolveConflictsDlgTest, AShownPasswordCannotBeTakenAndEnterPressesOnlyTheFocusedButton) {
    Fill({kBank1, kBank2});
    Open();
    QTest::mouseClick(Control<QCheckBox>(IDC_RESOLVE_SHOW_PSWD), Qt::LeftButton);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    for (const int nID : {IDC_RESOLVE_LEFT_PSWD, IDC_RESOLVE_RIGHT_PSWD}) {
        auto* pEdit = Control<QLineEdit>(nID);
        QTest::mouseDClick(pEdit, Qt::LeftButton, {}, QPoint(8, pEdit->height() / 2));
        QTest::mousePress(pEdit, Qt::LeftButton, {}, QPoint(1, pEdit->height() / 2));
        QTest::mouseMove(pEdit, QPoint(pEdit->width() - 2, pEdit->height() / 2));
        QTest::mouseRelease(pEdit, Qt::LeftButton, {}, QPoint(pEdit->width() - 2, pEdit->height() / 2));
        pEdit->setFocus();
        QTest::keyClick(pEdit, Qt::Key_Home);
        QTest::keyClick(pEdit, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClick(pEdit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(pEdit, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(pEdit->selectedText(), QString()) << nID;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << nID;
    }
    EXPECT_EQ(Shown()[3], QStringLiteral("\u2260 Pswd: b-1 | b-22"));

    QTest::keyClick(Control(IDC_RESOLVE_PAIRS), Qt::Key_Return);
    EXPECT_EQ(m_doc.Sites().size(), 2u);
    EXPECT_TRUE(m_pDlg->isVisible());
    Control(IDC_KEEP_RIGHT)->setFocus();
    QTest::keyClick(Control(IDC_KEEP_RIGHT), Qt::Key_Return);
    EXPECT_EQ(FieldsOf(m_doc.Sites()), std::vector<SiteFields>{kBank2});
}

// The command on a view of its own: View > Resolve Conflicts... is enabled while browsing and same-name sites
// differ; the offer after a merge asks first and opens the window on Yes.
class ResolveConflictsCommandTest : public ::testing::Test {
protected:
    ResolveConflictsCommandTest() {
        m_command.RegisterCommands(m_router);
        m_view.show();
    }
    void Fill(const std::vector<SiteFields>& sites) {
        for (auto& p : MakeSites(sites))
            m_doc.AddSite(std::move(p));
        m_view.OnInitialUpdate();
    }
    bool Enabled() {
        m_router.UpdateCommands();
        return m_router.Action(ID_VIEW_RESOLVE_CONFLICTS)->isEnabled();
    }

    CAppState m_app;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    CSecretClipboard m_clipboard;
    CLockwardenView m_view{m_doc, m_app, m_prompts, m_clipboard};
    CResolveConflictsCommand m_command{m_view, m_doc, m_prompts};
    CCommandRouter m_router;
};

TEST_F(ResolveConflictsCommandTest, IsEnabledWhileBrowsingAndSameNameSitesDiffer) {
    Fill({kBank1, kMail, kBank1});
    EXPECT_FALSE(Enabled()) << "identical duplicates";
    m_doc.AddSite(std::move(MakeSites({kBank2})[0]));
    EXPECT_TRUE(Enabled()) << "a second version";
    m_view.OnSiteAdd();
    EXPECT_FALSE(Enabled()) << "a site being entered";
    m_view.OnSiteCancel();
    EXPECT_TRUE(Enabled()) << "browsing again";
    m_doc.RemoveSite(m_doc.Sites()[3].get());
    EXPECT_FALSE(Enabled()) << "settled";
}

TEST_F(ResolveConflictsCommandTest, TheOfferAfterAMergeAsksAndOpensTheWindowOnYes) {
    Fill({kBank1, kBank2});
    m_prompts.AnswerMessage(IDNO);
    m_command.OfferAfterMerge();
    EXPECT_EQ(m_prompts.Messages(),
              QStringList{QStringLiteral("Same-name sites differ after the merge. Resolve them now?")});
    EXPECT_EQ(m_prompts.MessageBoxes().back().nType, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(m_prompts.m_dialogsShown.isEmpty());

    m_prompts.AnswerMessage(IDYES);
    m_prompts.ScriptDialog([](QDialog& dlg) {
        QTest::mouseClick(FindControl<QPushButton>(&dlg, IDC_KEEP_RIGHT), Qt::LeftButton);
        return IDCANCEL;
    });
    m_command.OfferAfterMerge();
    EXPECT_EQ(m_prompts.m_dialogsShown, QStringList{QStringLiteral("Resolve Conflicts")});
    EXPECT_EQ(FieldsOf(m_doc.Sites()), std::vector<SiteFields>{kBank2});

    // Nothing left to settle: no question.
    m_prompts.m_shown.clear();
    m_command.OfferAfterMerge();
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

} // namespace
