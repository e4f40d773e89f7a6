#include "ScriptedWndPrompts.h"

#include "app/AppState.h"
#include "database/LockwardenDoc.h"
#include "framework/CommandRouter.h"
#include "platform/Clipboard.h"
#include "resources/Resource.h"
#include "resources/Strings.h"
#include "view/LockwardenView.h"
#include "view/SiteListModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

enum class EState { Browsing, Adding, Editing, Empty };

const char* Name(EState s) {
    switch (s) {
    case EState::Browsing:
        return "Browsing";
    case EState::Adding:
        return "Adding";
    case EState::Editing:
        return "Editing";
    case EState::Empty:
        return "Empty";
    }
    return "?";
}

// A view on a document of named sites, hosted without a main window.
class SiteViewTest : public ::testing::Test {
protected:
    void Open(const std::vector<std::string>& names, const std::string& strRemembered = {}) {
        for (const std::string& n : names)
            m_doc.AddSite(std::make_unique<CSiteInfo>(n, "https://" + n, "user-" + n, "pw-" + n, "notes " + n));
        m_app.m_strSiteName = strRemembered;
        m_view.OnInitialUpdate();
    }

    EState State() const {
        if (m_view.m_bReadOnly)
            return EState::Browsing;
        if (m_view.IsListEmpty())
            return EState::Empty;
        return m_view.m_bReplace ? EState::Editing : EState::Adding;
    }

    QString ListItem(int i) const { return m_view.SiteList()->itemText(i); }
    // The list's texts in UTF-8, so expectations can be written as plain literals.
    std::vector<std::string> ListItems() const {
        std::vector<std::string> list;
        for (int i = 0; i < m_view.SiteList()->count(); ++i)
            list.push_back(ListItem(i).toStdString());
        return list;
    }
    QString Field(int nID) const {
        if (nID == IDC_NOTES)
            return m_view.findChild<QPlainTextEdit*>(QStringLiteral("IDC_%1").arg(nID))->toPlainText();
        return m_view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(nID))->text();
    }
    void Type(int nID, const QString& text) {
        if (nID == IDC_SITE) {
            m_view.SiteList()->setEditText(text);
        } else if (nID == IDC_NOTES) {
            m_view.findChild<QPlainTextEdit*>(QStringLiteral("IDC_%1").arg(nID))->setPlainText(text);
        } else {
            m_view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(nID))->setText(text);
        }
    }
    void Click(int nID) {
        auto* pButton = m_view.findChild<QPushButton*>(QStringLiteral("IDC_%1").arg(nID));
        ASSERT_NE(pButton, nullptr) << nID;
        pButton->click();
    }
    std::vector<std::string> DocNames() const {
        std::vector<std::string> names;
        for (const auto& p : m_doc.m_sites)
            names.push_back(p->m_strSite);
        return names;
    }

    CAppState m_app;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    CLockwardenView m_view{m_doc, m_app, m_prompts};
};

// A view of its own for one case of a table, shown so that keys and pop-ups reach it.
struct CShownView {
    CAppState app;
    CScriptedWndPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CLockwardenView view{doc, app, prompts};
    CShownView() {
        view.resize(600, 300);
        view.show();
    }
};

// ---- the state machine ----

enum class EStep { Add, Edit, KeepNamed, KeepUnnamed, Cancel, RemoveYes, RemoveNo };

struct Transition {
    const char* name;
    int nSites; // sites in the document before the steps
    std::vector<EStep> steps;
    EState expected;
    int nExpectedSites;
};

class SiteViewTransitions : public SiteViewTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(SiteViewTransitions, EndsInTheExpectedState) {
    const Transition& t = GetParam();
    std::vector<std::string> names;
    for (int i = 0; i < t.nSites; ++i)
        names.push_back("site" + std::to_string(i));
    Open(names);
    for (EStep step : t.steps) {
        switch (step) {
        case EStep::Add:
            m_view.OnSiteAdd();
            break;
        case EStep::Edit:
            m_view.OnSiteEdit();
            break;
        case EStep::KeepNamed:
            Type(IDC_SITE, QStringLiteral("new site"));
            m_view.OnSiteKeep();
            break;
        case EStep::KeepUnnamed:
            Type(IDC_SITE, QString());
            m_view.OnSiteKeep();
            break;
        case EStep::Cancel:
            m_view.OnSiteCancel();
            break;
        case EStep::RemoveYes:
            m_prompts.AnswerMessage(IDYES);
            m_view.OnSiteRemove();
            break;
        case EStep::RemoveNo:
            m_prompts.AnswerMessage(IDNO);
            m_view.OnSiteRemove();
            break;
        }
    }
    EXPECT_STREQ(Name(State()), Name(t.expected));
    EXPECT_EQ(m_view.SiteCount(), t.nExpectedSites);
    EXPECT_EQ(static_cast<int>(m_doc.m_sites.size()), t.nExpectedSites);
    if (t.expected == EState::Empty)
        EXPECT_EQ(m_view.m_nCurSite, -1);
    else
        EXPECT_GE(m_view.m_nCurSite, 0);
    EXPECT_FALSE(State() == EState::Browsing && m_view.m_bReplace);
}

INSTANTIATE_TEST_SUITE_P(
    States, SiteViewTransitions,
    ::testing::Values(Transition{"InitialEmpty", 0, {}, EState::Empty, 0},
                      Transition{"InitialWithSites", 2, {}, EState::Browsing, 2},
                      Transition{"BrowsingAdd", 2, {EStep::Add}, EState::Adding, 2},
                      Transition{"BrowsingEdit", 2, {EStep::Edit}, EState::Editing, 2},
                      Transition{"AddingKeep", 2, {EStep::Add, EStep::KeepNamed}, EState::Browsing, 3},
                      Transition{"AddingKeepUnnamed", 2, {EStep::Add, EStep::KeepUnnamed}, EState::Adding, 2},
                      Transition{"AddingCancel", 2, {EStep::Add, EStep::Cancel}, EState::Browsing, 2},
                      Transition{"EditingKeep", 2, {EStep::Edit, EStep::KeepNamed}, EState::Browsing, 2},
                      Transition{"EditingKeepUnnamed", 2, {EStep::Edit, EStep::KeepUnnamed}, EState::Editing, 2},
                      Transition{"EditingCancel", 2, {EStep::Edit, EStep::Cancel}, EState::Browsing, 2},
                      Transition{"EmptyKeep", 0, {EStep::KeepNamed}, EState::Browsing, 1},
                      Transition{"EmptyKeepUnnamed", 0, {EStep::KeepUnnamed}, EState::Empty, 0},
                      Transition{"EmptyCancel", 0, {EStep::Cancel}, EState::Empty, 0},
                      Transition{"RemoveConfirmed", 2, {EStep::RemoveYes}, EState::Browsing, 1},
                      Transition{"RemoveDeclined", 2, {EStep::RemoveNo}, EState::Browsing, 2},
                      Transition{"RemoveLast", 1, {EStep::RemoveYes}, EState::Empty, 0},
                      Transition{"RemoveLastThenKeep", 1, {EStep::RemoveYes, EStep::KeepNamed}, EState::Browsing, 1}),
    [](const ::testing::TestParamInfo<Transition>& info) { return std::string(info.param.name); });

// ---- the list ----

TEST_F(SiteViewTest, ListIsSortedWithoutRegardToCaseAndKeepsEqualNamesInInsertionOrder) {
    Open({"beta", "Alpha", "gamma", "alpha", "Beta"});
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"Alpha", "alpha", "beta", "Beta", "gamma"}));
    // Each item refers to its own record.
    EXPECT_EQ(m_view.SiteList()->count(), 5);
    m_view.ShowSite(1);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://alpha"));
    m_view.ShowSite(0);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://Alpha"));
}

TEST_F(SiteViewTest, RememberedNameChoosesTheFirstItemWhoseTrimmedTextOccursInIt) {
    struct Case {
        std::vector<std::string> names;
        std::string remembered;
        std::string shown;
    };
    const Case cases[] = {
        {{"Bank of X", "Bank"}, "Bank of X", "Bank"},      // "Bank" comes first and occurs in it
        {{"Mail", "Bank of X"}, "Bank of X", "Bank of X"}, // an exact match
        {{"Mail", "News"}, "Bank", "Mail"},                // no match: item 0
        {{"Mail", "   ", "Zoo"}, "Zoo", "   "},            // blanks trim to "", which occurs everywhere
        {{"Mail", "News"}, "", "Mail"},                    // nothing remembered
        {{"bank", "Zed"}, "Bank", "bank"},                 // the test is case-sensitive: no match, item 0
        {{"Alpha", "Zed"}, "Zed Alpha", "Alpha"},          // a substring anywhere in the remembered name
    };
    for (const Case& c : cases) {
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        CLockwardenView view(doc, app, prompts);
        for (const std::string& n : c.names)
            doc.AddSite(std::make_unique<CSiteInfo>(n, "", "", "", ""));
        app.m_strSiteName = c.remembered;
        view.OnInitialUpdate();
        EXPECT_EQ(view.SiteList()->currentText().toStdString(), c.shown) << c.remembered;
        EXPECT_TRUE(view.m_bReadOnly);
        // Showing a site remembers its full, untrimmed name.
        EXPECT_EQ(app.m_strSiteName, c.shown);
    }
}

// ---- Keep ----

TEST_F(SiteViewTest, KeepWithAnEmptyNameRefusesAndLeavesTheTyping) {
    Open({"one"});
    m_view.OnSiteAdd();
    Type(IDC_URL, QStringLiteral("typed url"));
    m_view.OnSiteKeep();
    EXPECT_EQ(m_prompts.Messages(), QStringList{LoadString(IDS_SITE_REQUIRED)});
    EXPECT_EQ(m_prompts.m_shown.back().nType, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(State(), EState::Adding);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("typed url"));
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(SiteViewTest, KeepStoresABlanksOnlyNameAndDuplicateNames) {
    Open({"one"});
    m_view.OnSiteAdd();
    Type(IDC_SITE, QStringLiteral("  "));
    m_view.OnSiteKeep();
    m_view.OnSiteAdd();
    Type(IDC_SITE, QStringLiteral("one"));
    Type(IDC_PSWD, QStringLiteral("second"));
    m_view.OnSiteKeep();
    EXPECT_TRUE(m_prompts.Messages().isEmpty());
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"  ", "one", "one"}));
    EXPECT_EQ(DocNames(), (std::vector<std::string>{"one", "  ", "one"}));
    // The new duplicate is browsed, its password masked.
    EXPECT_EQ(State(), EState::Browsing);
    EXPECT_EQ(m_view.m_nCurSite, 2);
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("******"));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(m_doc.GetTitle().endsWith(QStringLiteral(" *")));
}

TEST_F(SiteViewTest, EditThatRenamesMovesTheRecordToTheEndAndTheNameToItsSortedPlace) {
    Open({"apple", "mango", "zebra"});
    m_view.ShowSite(0);
    m_view.ShowSelected();
    m_view.OnSiteEdit();
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("pw-apple")); // plain during entry
    Type(IDC_SITE, QStringLiteral("peach"));
    m_view.OnSiteKeep();
    EXPECT_EQ(DocNames(), (std::vector<std::string>{"mango", "zebra", "peach"}));
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"mango", "peach", "zebra"}));
    EXPECT_EQ(m_view.m_nCurSite, 1);
    EXPECT_EQ(m_view.SiteList()->currentText(), QStringLiteral("peach"));
    // The new record may reuse the old one's freed address; where it sits in the document tells them apart.
    EXPECT_EQ(m_view.CurrentSite(), m_doc.m_sites.back().get());
    EXPECT_EQ(m_view.CurrentSite()->m_strURL, "https://apple"); // the other fields came along
    EXPECT_EQ(State(), EState::Browsing);
}

// Typing a name into the list's edit part is data entry, not a choice from the list: neither Enter nor
// leaving the field may load the site whose name was typed over what the user entered.
TEST_F(SiteViewTest, TypingAnExistingNameDoesNotLoadThatSite) {
    struct Case {
        const char* name;
        bool bEdit;
        Qt::Key leaveBy; // Key_Return, or Key_Tab to move to the next field
    };
    const Case cases[] = {{"AddEnter", false, Qt::Key_Return},
                          {"AddTab", false, Qt::Key_Tab},
                          {"EditEnter", true, Qt::Key_Return},
                          {"EditTab", true, Qt::Key_Tab}};
    for (const Case& c : cases) {
        CShownView shown;
        CLockwardenDoc& doc = shown.doc;
        CLockwardenView& view = shown.view;
        QApplication::setActiveWindow(&view);
        for (const char* n : {"apple", "mango"})
            doc.AddSite(std::make_unique<CSiteInfo>(n, std::string("https://") + n, "u", std::string("pw-") + n, ""));
        view.OnInitialUpdate(); // shows "apple"
        if (c.bEdit)
            view.OnSiteEdit();
        else
            view.OnSiteAdd();
        auto* pUrl = view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(IDC_URL));
        pUrl->setText(QStringLiteral("https://typed"));
        QLineEdit* pName = view.SiteList()->lineEdit();
        pName->setFocus();
        pName->selectAll();
        QTest::keyClicks(pName, QStringLiteral("mango"));
        QTest::keyClick(pName, c.leaveBy);
        QCoreApplication::processEvents();
        EXPECT_EQ(pUrl->text().toStdString(), "https://typed") << c.name;
        EXPECT_EQ(view.m_nCurSite, 0) << c.name;
        EXPECT_EQ(view.SiteList()->currentText().toStdString(), "mango") << c.name;
        view.OnSiteKeep();
        // Edit replaced "apple"; Add added a second "mango". The first "mango" is untouched either way.
        std::vector<std::string> names;
        for (const auto& p : doc.m_sites)
            names.push_back(p->m_strSite + "=" + p->m_strURL);
        const std::vector<std::string> expected =
            c.bEdit ? std::vector<std::string>{"mango=https://mango", "mango=https://typed"}
                    : std::vector<std::string>{"apple=https://apple", "mango=https://mango", "mango=https://typed"};
        EXPECT_EQ(names, expected) << c.name;
    }
}

// ---- Remove ----

TEST_F(SiteViewTest, RemoveAsksWithNoAsDefaultAndShowsTheFirstItemAfterwards) {
    Open({"a", "b", "c"});
    m_view.ShowSite(2);
    m_view.ShowSelected();
    m_prompts.AnswerMessage(IDYES);
    m_view.OnButtonRemove();
    ASSERT_EQ(m_prompts.m_shown.size(), 1u);
    EXPECT_EQ(m_prompts.m_shown[0].strText, LoadString(IDS_REMOVE_SITE));
    EXPECT_EQ(m_prompts.m_shown[0].nType, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(m_view.m_nCurSite, 0);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://a"));
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(SiteViewTest, RemovingTheLastSiteLeavesAnEmptyFormInDataEntry) {
    Open({"only"});
    m_prompts.AnswerMessage(IDYES);
    m_view.OnSiteRemove();
    EXPECT_EQ(State(), EState::Empty);
    EXPECT_TRUE(m_doc.m_sites.empty());
    for (int nID : {IDC_URL, IDC_USER, IDC_PSWD, IDC_NOTES})
        EXPECT_TRUE(Field(nID).isEmpty()) << nID;
    EXPECT_TRUE(m_view.SiteList()->currentText().isEmpty());
    EXPECT_FALSE(m_view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(IDC_URL))->isReadOnly());
}

// ---- masking and the clipboard ----

TEST_F(SiteViewTest, PasswordIsMaskedOneStarPerByteWhileBrowsingAndPlainAfterEdit) {
    m_doc.AddSite(std::make_unique<CSiteInfo>("s", "", "", "p\xC3\xA9!", ""));
    m_view.OnInitialUpdate();
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("****")); // 4 bytes, 3 characters
    EXPECT_TRUE(m_view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(IDC_PSWD))->isReadOnly());
    m_view.OnSiteEdit();
    EXPECT_EQ(Field(IDC_PSWD), QString::fromUtf8("p\xC3\xA9!"));
    m_view.OnSiteCancel();
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("****"));
    EXPECT_EQ(CLockwardenView::MaskPassword(""), "");
}

TEST_F(SiteViewTest, ReturningToBrowsingEmptiesTheClipboardOnlyWhenItHoldsTheShownPassword) {
    struct Case {
        QString clip;
        bool bEmptied;
    };
    const Case cases[] = {{QStringLiteral("pw-site"), true},
                          {QStringLiteral("pw-site "), false},
                          {QStringLiteral("PW-site"), false},
                          {QStringLiteral("something else"), false}};
    Open({"site"});
    for (const Case& c : cases) {
        m_view.OnSiteEdit();
        QGuiApplication::clipboard()->setText(c.clip);
        m_view.OnSiteCancel();
        std::string strClip;
        const bool bHasText = GetClipboardText(strClip) && !strClip.empty();
        EXPECT_EQ(!bHasText, c.bEmptied) << c.clip.toStdString();
    }
}

// ---- the notes field ----

// The field is one line high: a site's notes must show from their first line, wherever the user had
// scrolled the notes of the site shown before.
TEST_F(SiteViewTest, NotesOfTheNextSiteShowFromTheirFirstLine) {
    Open({"a", "b"});
    m_view.resize(600, 300);
    m_view.show();
    auto* pNotes = m_view.findChild<QPlainTextEdit*>(QStringLiteral("IDC_%1").arg(IDC_NOTES));
    ASSERT_NE(pNotes, nullptr);
    m_doc.m_sites[0]->m_strNotes = "first\nsecond\nthird";
    m_doc.m_sites[1]->m_strNotes = "one\ntwo\nthree";
    m_view.ShowSite(0);
    m_view.ShowSelected();
    QCoreApplication::processEvents();
    QScrollBar* pBar = pNotes->verticalScrollBar();
    ASSERT_GT(pBar->maximum(), 0);
    pBar->setValue(pBar->maximum());
    m_view.ShowSite(1);
    m_view.ShowSelected();
    QCoreApplication::processEvents();
    EXPECT_EQ(pBar->value(), 0);
}

// ---- refusals ----

TEST_F(SiteViewTest, ButtonsCheckTheModeThemselves) {
    Open({"a"});
    m_view.OnButtonKeep();
    m_view.OnButtonCancel();
    EXPECT_EQ(m_prompts.m_nBeeps, 2);
    EXPECT_TRUE(m_prompts.Messages().isEmpty());

    m_view.OnButtonAdd();
    EXPECT_EQ(State(), EState::Adding);
    m_view.OnButtonAdd();
    m_view.OnButtonEdit();
    m_view.OnButtonRemove();
    const QString strRefusal = LoadString(IDS_KEEP_OR_CANCEL_FIRST);
    EXPECT_EQ(m_prompts.Messages(), (QStringList{strRefusal, strRefusal, strRefusal}));
    EXPECT_EQ(State(), EState::Adding);
    EXPECT_EQ(m_view.SiteCount(), 1);
}

TEST_F(SiteViewTest, EmptyDocumentRefusesEditAndRemoveButtons) {
    Open({});
    m_view.OnButtonEdit();
    m_view.OnButtonRemove();
    EXPECT_EQ(m_prompts.Messages().size(), 2);
    EXPECT_EQ(State(), EState::Empty);
}

TEST_F(SiteViewTest, OpeningTheListDuringEntryOrWhenEmptyIsRefusedWithAMessage) {
    struct Case {
        std::vector<std::string> names;
        bool bEnter;
        int nMessage; // 0: allowed
    };
    const Case cases[] = {
        {{"a", "b"}, true, IDS_NO_CHANGE_WHILE_ENTERING}, {{}, false, IDS_NO_SITES}, {{"a", "b"}, false, 0}};
    for (const Case& c : cases) {
        CShownView shown;
        CLockwardenDoc& doc = shown.doc;
        CLockwardenView& view = shown.view;
        CScriptedPrompts& prompts = shown.prompts;
        for (const std::string& n : c.names)
            doc.AddSite(std::make_unique<CSiteInfo>(n, "", "", "", ""));
        view.OnInitialUpdate();
        if (c.bEnter)
            view.OnSiteAdd();
        QTest::keyClick(view.SiteList(), Qt::Key_Down, Qt::AltModifier);
        QCoreApplication::processEvents();
        if (c.nMessage == 0) {
            EXPECT_TRUE(prompts.Messages().isEmpty());
            view.SiteList()->hidePopup();
        } else {
            EXPECT_EQ(prompts.Messages(), QStringList{LoadString(c.nMessage)});
            EXPECT_EQ(prompts.m_shown.back().nType, MB_ICONEXCLAMATION | MB_OK);
        }
    }
}

// ---- the menu commands ----

TEST_F(SiteViewTest, MenuCommandsFollowTheirEnablingRules) {
    CCommandRouter router;
    m_view.RegisterCommands(router);
    Open({"a"});
    const auto enabled = [&](int nID) { return router.Action(nID)->isEnabled(); };
    router.UpdateCommands();
    EXPECT_TRUE(enabled(ID_SITE_ADD));
    EXPECT_TRUE(enabled(ID_SITE_EDIT));
    EXPECT_TRUE(enabled(ID_SITE_REMOVE));
    EXPECT_FALSE(enabled(ID_SITE_KEEP));
    EXPECT_FALSE(enabled(ID_SITE_CANCEL));
    router.Action(ID_SITE_ADD)->trigger();
    EXPECT_EQ(State(), EState::Adding);
    EXPECT_FALSE(enabled(ID_SITE_ADD));
    EXPECT_FALSE(enabled(ID_SITE_EDIT));
    EXPECT_TRUE(enabled(ID_SITE_KEEP));
    EXPECT_TRUE(enabled(ID_SITE_CANCEL));
    router.Action(ID_SITE_CANCEL)->trigger();
    EXPECT_EQ(State(), EState::Browsing);
    m_prompts.AnswerMessage(IDYES);
    router.Action(ID_SITE_REMOVE)->trigger();
    EXPECT_EQ(State(), EState::Empty);
    EXPECT_FALSE(enabled(ID_SITE_ADD)); // data entry
    EXPECT_FALSE(enabled(ID_SITE_EDIT));
    EXPECT_TRUE(enabled(ID_SITE_KEEP));
    EXPECT_EQ(router.Action(ID_SITE_ADD)->statusTip(), QStringLiteral("Add new site"));
    EXPECT_EQ(router.Action(ID_SITE_ADD)->toolTip(), QStringLiteral("Add"));
}

// ---- after an open that emptied the document ----

TEST_F(SiteViewTest, InitialUpdateAfterTheDocumentWasEmptiedHoldsNoStaleItems) {
    Open({"a", "b"});
    m_doc.DeleteContents();
    m_view.OnInitialUpdate();
    EXPECT_EQ(m_view.SiteCount(), 0);
    EXPECT_EQ(State(), EState::Empty);
}

} // namespace
