#include "FormatBytes.h"
#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/Clipboard.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"
#include "ui/view/SiteListModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
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
class LockwardenViewTest : public ::testing::Test {
protected:
    void Open(const std::vector<std::string>& names, const std::string& strRemembered = {}) {
        for (const std::string& n : names)
            m_doc.AddSite(std::make_unique<CSiteInfo>(n, "https://" + n, "user-" + n, "pw-" + n, "notes " + n));
        // As a file just opened: nothing to save yet.
        m_doc.SetModifiedFlag(false);
        m_app.m_strSiteName = strRemembered;
        m_view.OnInitialUpdate();
    }

    EState State() const {
        if (m_view.IsBrowsing())
            return EState::Browsing;
        if (m_view.IsListEmpty())
            return EState::Empty;
        return m_view.IsEditing() ? EState::Editing : EState::Adding;
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
            return FindControl<QPlainTextEdit>(&m_view, nID)->toPlainText();
        return FindControl<QLineEdit>(&m_view, nID)->text();
    }
    void Type(int nID, const QString& text) {
        if (nID == IDC_SITE) {
            m_view.SiteList()->setEditText(text);
        } else if (nID == IDC_NOTES) {
            FindControl<QPlainTextEdit>(&m_view, nID)->setPlainText(text);
        } else {
            FindControl<QLineEdit>(&m_view, nID)->setText(text);
        }
    }
    void Click(int nID) {
        auto* pButton = FindControl<QPushButton>(&m_view, nID);
        ASSERT_NE(pButton, nullptr) << nID;
        pButton->click();
    }
    std::vector<std::string> DocNames() const {
        std::vector<std::string> names;
        for (const auto& p : m_doc.Sites())
            names.push_back(p->m_strSite);
        return names;
    }

    CAppState m_app;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    CSecretClipboard m_clipboard;
    CLockwardenView m_view{m_doc, m_app, m_prompts, m_clipboard};
};

// A view of its own for one case of a table, shown so that keys and pop-ups reach it.
struct CShownView {
    CAppState app;
    CScriptedWndPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CSecretClipboard clipboard;
    CLockwardenView view{doc, app, prompts, clipboard};
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

class LockwardenViewTransitions : public LockwardenViewTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(LockwardenViewTransitions, EndsInTheExpectedState) {
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
    EXPECT_EQ(static_cast<int>(m_doc.Sites().size()), t.nExpectedSites);
    if (t.expected == EState::Empty)
        EXPECT_EQ(m_view.CurrentIndex(), -1);
    else
        EXPECT_GE(m_view.CurrentIndex(), 0);
    EXPECT_FALSE(State() == EState::Browsing && m_view.IsEditing());
}

INSTANTIATE_TEST_SUITE_P(
    States, LockwardenViewTransitions,
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

TEST_F(LockwardenViewTest, ListIsSortedWithoutRegardToCaseAndKeepsEqualNamesInInsertionOrder) {
    Open({"beta", "Alpha", "gamma", "alpha", "Beta"});
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"Alpha", "alpha", "beta", "Beta", "gamma"}));
    // Each item refers to its own record.
    EXPECT_EQ(m_view.SiteList()->count(), 5);
    m_view.ShowSite(1);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://alpha"));
    m_view.ShowSite(0);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://Alpha"));
}

TEST_F(LockwardenViewTest, RememberedNameChoosesTheFirstItemWhoseTrimmedTextOccursInIt) {
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
        CSecretClipboard clipboard;
        CLockwardenView view(doc, app, prompts, clipboard);
        for (const std::string& n : c.names)
            doc.AddSite(std::make_unique<CSiteInfo>(n, "", "", "", ""));
        app.m_strSiteName = c.remembered;
        view.OnInitialUpdate();
        EXPECT_EQ(view.SiteList()->currentText().toStdString(), c.shown) << c.remembered;
        EXPECT_TRUE(view.IsBrowsing());
        // Showing a site remembers its full, untrimmed name.
        EXPECT_EQ(app.m_strSiteName, c.shown);
    }
}

// ---- Keep ----

TEST_F(LockwardenViewTest, KeepWithAnEmptyNameRefusesAndLeavesTheTyping) {
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

// A tab pasted into the name: the document refuses it, the form says so and keeps the typing; Edit of a site
// whose name came with a control character from its file keeps that name as it was.
TEST_F(LockwardenViewTest, KeepWithAControlCharacterInTheNameRefusesAndLeavesTheTyping) {
    Open({"one"});
    m_view.OnSiteAdd();
    Type(IDC_SITE, QStringLiteral("tab\there"));
    Type(IDC_URL, QStringLiteral("typed url"));
    m_view.OnSiteKeep();
    EXPECT_EQ(m_prompts.Messages(), QStringList{LoadString(IDS_SITE_NAME_CONTROL_KEEP)});
    EXPECT_EQ(m_prompts.m_shown.back().nType, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(State(), EState::Adding);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("typed url"));
    EXPECT_EQ(m_doc.Sites().size(), 1u);
    EXPECT_FALSE(m_doc.IsModified());
    m_view.OnSiteCancel();

    m_doc.AddReadSite(std::make_unique<CSiteInfo>("read\tname", "", "", "", ""));
    m_view.ShowRecord(m_doc.Sites().back().get());
    m_view.OnSiteEdit();
    Type(IDC_URL, QStringLiteral("changed"));
    m_prompts.m_shown.clear();
    m_view.OnSiteKeep();
    EXPECT_TRUE(m_prompts.Messages().isEmpty());
    EXPECT_EQ(State(), EState::Browsing);
    ASSERT_EQ(m_doc.Sites().size(), 2u);
    EXPECT_EQ(m_doc.Sites().back()->m_strSite, "read\tname");
    EXPECT_EQ(m_doc.Sites().back()->m_strURL, "changed");
}

TEST_F(LockwardenViewTest, KeepStoresABlanksOnlyNameAndDuplicateNames) {
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
    EXPECT_EQ(m_view.CurrentIndex(), 2);
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("******"));
    EXPECT_TRUE(m_doc.IsModified());
    // The frame marks its caption; the document keeps its name (none here, without a template).
    EXPECT_EQ(m_doc.GetTitle(), QString());
}

TEST_F(LockwardenViewTest, EditThatRenamesMovesTheRecordToTheEndAndTheNameToItsSortedPlace) {
    Open({"apple", "mango", "zebra"});
    m_view.ShowSite(0);
    m_view.ShowSelected();
    m_view.OnSiteEdit();
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("pw-apple")); // plain during entry
    Type(IDC_SITE, QStringLiteral("peach"));
    m_view.OnSiteKeep();
    EXPECT_EQ(DocNames(), (std::vector<std::string>{"mango", "zebra", "peach"}));
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"mango", "peach", "zebra"}));
    EXPECT_EQ(m_view.CurrentIndex(), 1);
    EXPECT_EQ(m_view.SiteList()->currentText(), QStringLiteral("peach"));
    // The new record may reuse the old one's freed address; where it sits in the document tells them apart.
    EXPECT_EQ(m_view.CurrentSite(), m_doc.Sites().back().get());
    EXPECT_EQ(m_view.CurrentSite()->m_strURL, "https://apple"); // the other fields came along
    EXPECT_EQ(State(), EState::Browsing);
}

// Typing a name into the list's edit part is data entry, not a choice from the list: neither Enter (which
// keeps the entry) nor leaving the field may load the site whose name was typed over what the user entered.
TEST_F(LockwardenViewTest, TypingAnExistingNameDoesNotLoadThatSite) {
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
        auto* pUrl = FindControl<QLineEdit>(&view, IDC_URL);
        pUrl->setText(QStringLiteral("https://typed"));
        QLineEdit* pName = view.SiteList()->lineEdit();
        pName->setFocus();
        pName->selectAll();
        QTest::keyClicks(pName, QStringLiteral("mango"));
        QTest::keyClick(pName, c.leaveBy);
        QCoreApplication::processEvents();
        EXPECT_EQ(pUrl->text().toStdString(), "https://typed") << c.name;
        EXPECT_EQ(view.SiteList()->currentText().toStdString(), "mango") << c.name;
        if (c.leaveBy == Qt::Key_Tab) {
            EXPECT_EQ(view.CurrentIndex(), 0) << c.name;
            view.OnSiteKeep();
        } else {
            // Enter kept what was typed, and the form shows the kept site.
            EXPECT_TRUE(view.IsBrowsing()) << c.name;
            EXPECT_EQ(view.CurrentSite()->m_strURL, "https://typed") << c.name;
        }
        // Edit replaced "apple"; Add added a second "mango". The first "mango" is untouched either way.
        std::vector<std::string> names;
        for (const auto& p : doc.Sites())
            names.push_back(p->m_strSite + "=" + p->m_strURL);
        const std::vector<std::string> expected =
            c.bEdit ? std::vector<std::string>{"mango=https://mango", "mango=https://typed"}
                    : std::vector<std::string>{"apple=https://apple", "mango=https://mango", "mango=https://typed"};
        EXPECT_EQ(names, expected) << c.name;
    }
}

// ---- Remove ----

TEST_F(LockwardenViewTest, RemoveAsksWithNoAsDefaultAndShowsTheFirstItemAfterwards) {
    Open({"a", "b", "c"});
    m_view.ShowSite(2);
    m_view.ShowSelected();
    m_prompts.AnswerMessage(IDYES);
    m_view.OnButtonRemove();
    ASSERT_EQ(m_prompts.m_shown.size(), 1u);
    EXPECT_EQ(m_prompts.m_shown[0].strText, LoadString(IDS_REMOVE_SITE));
    EXPECT_EQ(m_prompts.m_shown[0].nType, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(m_view.CurrentIndex(), 0);
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://a"));
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(LockwardenViewTest, RemovingTheLastSiteLeavesAnEmptyFormInDataEntry) {
    Open({"only"});
    m_prompts.AnswerMessage(IDYES);
    m_view.OnSiteRemove();
    EXPECT_EQ(State(), EState::Empty);
    EXPECT_TRUE(m_doc.Sites().empty());
    for (int nID : {IDC_URL, IDC_USER, IDC_PSWD, IDC_NOTES})
        EXPECT_TRUE(Field(nID).isEmpty()) << nID;
    EXPECT_TRUE(m_view.SiteList()->currentText().isEmpty());
    EXPECT_FALSE(FindControl<QLineEdit>(&m_view, IDC_URL)->isReadOnly());
}

// ---- masking and the clipboard ----

TEST_F(LockwardenViewTest, PasswordIsMaskedOneStarPerCharacterWhileBrowsingAndPlainAfterEdit) {
    m_doc.AddSite(std::make_unique<CSiteInfo>("s", "", "", "p\xC3\xA9!", ""));
    m_view.OnInitialUpdate();
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("***")); // 4 bytes, 3 characters
    EXPECT_TRUE(FindControl<QLineEdit>(&m_view, IDC_PSWD)->isReadOnly());
    m_view.OnSiteEdit();
    EXPECT_EQ(Field(IDC_PSWD), QString::fromUtf8("p\xC3\xA9!"));
    m_view.OnSiteCancel();
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("***"));
    EXPECT_EQ(MaskPassword(""), "");
}

// Every way back to browsing checks the clipboard: Keep, Cancel and an initial update. The password goes
// on the clipboard as the program puts it there, so one written on Windows (bytes that are not UTF-8)
// is recognised too.
TEST_F(LockwardenViewTest, EveryWayBackToBrowsingEmptiesTheClipboardOfTheShownPassword) {
    enum class EWay { Keep, Cancel, InitialUpdate };
    const std::pair<EWay, const char*> ways[] = {
        {EWay::Keep, "Keep"}, {EWay::Cancel, "Cancel"}, {EWay::InitialUpdate, "initial update"}};
    const std::pair<std::string, const char*> passwords[] = {
        {"pw-site", "ASCII"}, {"caf\xC3\xA9", "UTF-8"}, {"caf\xE9 \x80", "Windows-1252"}};
    for (const auto& [way, pszWay] : ways) {
        for (const auto& [strPswd, pszKind] : passwords) {
            SCOPED_TRACE(std::string(pszWay) + ", " + pszKind);
            CAppState app;
            CScriptedWndPrompts prompts;
            CLockwardenDoc doc{app, prompts};
            CSecretClipboard clipboard;
            CLockwardenView view{doc, app, prompts, clipboard};
            doc.AddSite(std::make_unique<CSiteInfo>("site", "", "", strPswd, ""));
            doc.AddSite(std::make_unique<CSiteInfo>("zzz", "", "", strPswd + "!", ""));
            view.OnInitialUpdate();
            if (way != EWay::InitialUpdate)
                view.OnSiteEdit();
            for (const std::string& strClip : {strPswd + "!", strPswd}) {
                ASSERT_TRUE(PutTextOnClipboard(strClip));
                switch (way) {
                case EWay::Keep:
                    view.OnSiteKeep();
                    view.OnSiteEdit();
                    break;
                case EWay::Cancel:
                    view.OnSiteCancel();
                    view.OnSiteEdit();
                    break;
                case EWay::InitialUpdate:
                    view.OnInitialUpdate();
                    break;
                }
                ASSERT_EQ(view.CurrentSite()->m_strSite, "site");
                EXPECT_EQ(QGuiApplication::clipboard()->text().isEmpty(), strClip == strPswd)
                    << "clipboard holding " << (strClip == strPswd ? "the" : "another") << " password";
            }
        }
    }
}

TEST_F(LockwardenViewTest, ReturningToBrowsingEmptiesTheClipboardOnlyWhenItHoldsTheShownPassword) {
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

// At the form's own size the field is one line high: a site's notes must show from their first line,
// wherever the user had scrolled the notes of the site shown before.
TEST_F(LockwardenViewTest, NotesOfTheNextSiteShowFromTheirFirstLine) {
    Open({"a", "b"});
    m_view.resize(m_view.minimumSize());
    m_view.show();
    auto* pNotes = FindControl<QPlainTextEdit>(&m_view, IDC_NOTES);
    ASSERT_NE(pNotes, nullptr);
    m_doc.Sites()[0]->m_strNotes = "first\nsecond\nthird";
    m_doc.Sites()[1]->m_strNotes = "one\ntwo\nthree";
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

// ---- the look of the modes ----

// While browsing the fields are drawn on the window's colour, as read-only fields are; in data entry on the
// ordinary base colour of fields that take typing.
TEST_F(LockwardenViewTest, ReadOnlyFieldsAreDrawnOnTheWindowColour) {
    const QPalette appPalette = QApplication::palette();
    ASSERT_NE(appPalette.color(QPalette::Base), appPalette.color(QPalette::Window));
    const auto bases = [&] {
        std::vector<QColor> colors{m_view.SiteList()->lineEdit()->palette().color(QPalette::Base)};
        for (int nID : {IDC_URL, IDC_USER, IDC_PSWD, IDC_NOTES})
            colors.push_back(FindControl<QWidget>(&m_view, nID)->palette().color(QPalette::Base));
        return colors;
    };
    const std::vector<QColor> grey(5, appPalette.color(QPalette::Window));
    const std::vector<QColor> white(5, appPalette.color(QPalette::Base));
    Open({"a"});
    EXPECT_EQ(bases(), grey) << "browsing";
    m_view.OnSiteEdit();
    EXPECT_EQ(bases(), white) << "editing";
    m_view.OnSiteCancel();
    EXPECT_EQ(bases(), grey) << "after Cancel";
    m_view.OnSiteAdd();
    EXPECT_EQ(bases(), white) << "adding";
}

// ---- long texts ----

// A one-line field scrolls to its cursor, and setText leaves the cursor at the end: a long URL would show
// its path and hide its domain. Every shown site starts each field, the name included, at its beginning.
TEST_F(LockwardenViewTest, LongTextsShowFromTheirFirstCharacter) {
    const std::string strLong(200, 'x');
    m_doc.AddSite(std::make_unique<CSiteInfo>("site " + strLong, "https://example.org/" + strLong, "user" + strLong,
                                              "pw" + strLong, ""));
    m_doc.AddSite(std::make_unique<CSiteInfo>("other", "", "", "", ""));
    m_view.resize(400, 300);
    m_view.show();
    m_view.OnInitialUpdate();
    const auto cursors = [&] {
        std::vector<int> positions{m_view.SiteList()->lineEdit()->cursorPosition()};
        for (int nID : {IDC_URL, IDC_USER, IDC_PSWD})
            positions.push_back(FindControl<QLineEdit>(&m_view, nID)->cursorPosition());
        return positions;
    };
    const std::vector<int> atStart{0, 0, 0, 0};
    ASSERT_EQ(ListItem(1).left(5), QStringLiteral("site "));
    m_view.ShowSite(1);
    m_view.ShowSelected();
    EXPECT_EQ(cursors(), atStart) << "browsing";
    m_view.OnSiteEdit();
    EXPECT_EQ(Field(IDC_PSWD).size(), 202);
    EXPECT_EQ(cursors(), atStart) << "editing, the password in plain text";
    m_view.OnSiteCancel();
    EXPECT_EQ(cursors(), atStart) << "after Cancel";
}

// ---- refusals ----

TEST_F(LockwardenViewTest, ButtonsCheckTheModeThemselves) {
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

TEST_F(LockwardenViewTest, EmptyDocumentRefusesEditAndRemoveButtons) {
    Open({});
    m_view.OnButtonEdit();
    m_view.OnButtonRemove();
    const CScriptedPrompts::Shown refusal{LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK};
    EXPECT_EQ(m_prompts.MessageBoxes(), (std::vector<CScriptedPrompts::Shown>{refusal, refusal}));
    EXPECT_EQ(State(), EState::Empty);
}

// Cancel after Add comes back to the site that was shown before Add, not to the first one.
TEST_F(LockwardenViewTest, CancelAfterAddReturnsToTheSiteShownBeforeAdd) {
    Open({"alpha", "bravo", "charlie"}, "bravo");
    ASSERT_EQ(m_view.CurrentIndex(), 1);
    m_view.OnSiteAdd();
    Type(IDC_SITE, QStringLiteral("delta"));
    Type(IDC_URL, QStringLiteral("https://delta"));
    m_view.OnSiteCancel();
    EXPECT_EQ(State(), EState::Browsing);
    EXPECT_EQ(m_view.CurrentIndex(), 1);
    EXPECT_EQ(m_view.SiteList()->currentText(), QStringLiteral("bravo"));
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://bravo"));
    EXPECT_EQ(Field(IDC_PSWD), QStringLiteral("********"));
    EXPECT_EQ(m_app.m_strSiteName, "bravo");
}

// ---- what Keep stores ----

// A field the user left alone keeps its bytes through Edit and Keep: CR LF line breaks in the notes (which
// the notes field shows as one break), a non-breaking space, and bytes written on Windows. Breaks typed
// into the notes are stored as CR LF.
TEST_F(LockwardenViewTest, KeepStoresUntouchedFieldsByteForByteAndTypedBreaksAsCrLf) {
    const CSiteInfo original("caf\xE9", "https://x.example/\xE9", "ann\xA0lee", "p\xE9w",
                             "one\r\ntwo\rthree\nfour\xA0");
    struct Case {
        const char* pszName;
        int nField; // the field typed into, or 0 for none
        QString strTyped;
        CSiteInfo expected;
    };
    const std::vector<Case> cases = {
        {"nothing changed", 0, {}, original},
        {"only the URL", IDC_URL, QStringLiteral("https://y.example"),
         CSiteInfo(original.m_strSite, "https://y.example", original.m_strUser, original.m_strPswd,
                   original.m_strNotes)},
        {"the notes", IDC_NOTES, QStringLiteral("first\nsecond\n"),
         CSiteInfo(original.m_strSite, original.m_strURL, original.m_strUser, original.m_strPswd,
                   "first\r\nsecond\r\n")},
        {"the name", IDC_SITE, QStringLiteral("Caf\u00e9"),
         CSiteInfo("Caf\xC3\xA9", original.m_strURL, original.m_strUser, original.m_strPswd, original.m_strNotes)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc{app, prompts};
        CSecretClipboard clipboard;
        CLockwardenView view{doc, app, prompts, clipboard};
        doc.AddSite(std::make_unique<CSiteInfo>(original));
        view.OnInitialUpdate();
        view.OnSiteEdit();
        if (c.nField == IDC_SITE)
            view.SiteList()->setEditText(c.strTyped);
        else if (c.nField == IDC_NOTES)
            view.findChild<QPlainTextEdit*>(QStringLiteral("IDC_%1").arg(c.nField))->setPlainText(c.strTyped);
        else if (c.nField != 0)
            view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(c.nField))->setText(c.strTyped);
        view.OnSiteKeep();
        ASSERT_EQ(doc.Sites().size(), 1u);
        const CSiteInfo& kept = *doc.Sites()[0];
        EXPECT_EQ(kept.m_strSite, c.expected.m_strSite);
        EXPECT_EQ(kept.m_strURL, c.expected.m_strURL);
        EXPECT_EQ(kept.m_strUser, c.expected.m_strUser);
        EXPECT_EQ(kept.m_strPswd, c.expected.m_strPswd);
        EXPECT_EQ(kept.m_strNotes, c.expected.m_strNotes);
    }
}

TEST_F(LockwardenViewTest, NotesTypedForANewSiteAreStoredWithCrLf) {
    Open({});
    Type(IDC_SITE, QStringLiteral("new"));
    Type(IDC_NOTES, QStringLiteral("line one\nline two"));
    m_view.OnSiteKeep();
    ASSERT_EQ(m_doc.Sites().size(), 1u);
    EXPECT_EQ(m_doc.Sites()[0]->m_strNotes, "line one\r\nline two");
}

TEST_F(LockwardenViewTest, OpeningTheListDuringEntryOrWhenEmptyIsRefusedWithAMessage) {
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

TEST_F(LockwardenViewTest, MenuCommandsFollowTheirEnablingRules) {
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

// An open whose records turn out damaged empties the document and then says "Unexpected file format.":
// while that shows, the list holds no item of a destroyed record and the form is empty.
TEST_F(LockwardenViewTest, DamagedOpenLeavesNoItemOfADestroyedRecordWhileItsMessageShows) {
    Open({"a", "b"});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strPath = dir.filePath(QStringLiteral("damaged.lwd"));
    CSiteArray sites;
    sites.push_back(std::make_unique<CSiteInfo>("x", "", "", "", ""));
    const QByteArray whole = WriteDatabase("", sites);
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(whole.left(whole.size() - 2));
    file.close();
    int nItems = -1;
    int nCurSite = 0;
    QString strURL;
    m_prompts.m_onMessageBox = [&](const QString&) {
        nItems = m_view.SiteList()->count();
        nCurSite = m_view.CurrentIndex();
        strURL = Field(IDC_URL);
    };

    EXPECT_FALSE(m_doc.OnOpenDocument(strPath));

    EXPECT_EQ(m_prompts.Messages(), QStringList{QStringLiteral("Unexpected file format.")});
    EXPECT_EQ(nItems, 0);
    EXPECT_EQ(nCurSite, -1);
    EXPECT_EQ(strURL, QString());
    EXPECT_EQ(State(), EState::Empty);
}

TEST_F(LockwardenViewTest, InitialUpdateAfterTheDocumentWasEmptiedHoldsNoStaleItems) {
    Open({"a", "b"});
    m_doc.DeleteContents();
    m_view.OnInitialUpdate();
    EXPECT_EQ(m_view.SiteCount(), 0);
    EXPECT_EQ(State(), EState::Empty);
}

} // namespace

// In data entry Enter in any one-line field keeps the site; in the notes it breaks the line; while browsing
// it changes nothing.
TEST_F(LockwardenViewTest, EnterInAOneLineFieldKeepsTheSite) {
    for (const int nField : {IDC_SITE, IDC_URL, IDC_USER, IDC_PSWD}) {
        SCOPED_TRACE(nField);
        m_view.OnSiteAdd();
        Type(IDC_SITE, QStringLiteral("new %1").arg(nField));
        Type(IDC_URL, QStringLiteral("https://typed"));
        QWidget* pField = nField == IDC_SITE ? static_cast<QWidget*>(m_view.SiteList()->lineEdit())
                                             : FindControl<QLineEdit>(&m_view, nField);
        QTest::keyClick(pField, nField == IDC_PSWD ? Qt::Key_Enter : Qt::Key_Return);
        EXPECT_EQ(State(), EState::Browsing);
        EXPECT_EQ(m_view.CurrentSite()->m_strSite, QStringLiteral("new %1").arg(nField).toStdString());
        EXPECT_EQ(m_view.CurrentSite()->m_strURL, "https://typed");
    }
    EXPECT_EQ(m_doc.Sites().size(), 4u);

    m_view.OnSiteAdd();
    Type(IDC_SITE, QStringLiteral("with notes"));
    auto* pNotes = FindControl<QPlainTextEdit>(&m_view, IDC_NOTES);
    pNotes->setPlainText(QStringLiteral("one"));
    pNotes->moveCursor(QTextCursor::End);
    QTest::keyClick(pNotes, Qt::Key_Return);
    EXPECT_EQ(State(), EState::Adding);
    EXPECT_EQ(pNotes->toPlainText(), QStringLiteral("one\n"));
    // An empty name is refused as the Keep button refuses it.
    Type(IDC_SITE, QString());
    QTest::keyClick(FindControl<QLineEdit>(&m_view, IDC_USER), Qt::Key_Return);
    EXPECT_EQ(m_prompts.Messages(), QStringList{LoadString(IDS_SITE_REQUIRED)});
    m_view.OnSiteCancel();

    QTest::keyClick(FindControl<QLineEdit>(&m_view, IDC_URL), Qt::Key_Return);
    EXPECT_EQ(State(), EState::Browsing);
    EXPECT_EQ(m_doc.Sites().size(), 4u);
}

// Browsing, letters typed on the closed list go to the first site whose name begins with them, without
// regard to case; a letter that no name begins with beeps and changes nothing. In data entry letters are
// typing, as always.
TEST_F(LockwardenViewTest, LettersTypedOnTheClosedListGoToTheFirstSiteBeginningWithThem) {
    Open({"mango", "Banana", "apple", "blueberry", "bank"});
    QComboBox* pList = m_view.SiteList();
    const auto shown = [&] { return m_view.CurrentSite()->m_strSite; };
    QTest::keyClicks(pList, QStringLiteral("b"));
    EXPECT_EQ(shown(), "Banana");
    QTest::keyClicks(pList, QStringLiteral("an"));
    EXPECT_EQ(shown(), "Banana");
    QTest::keyClicks(pList, QStringLiteral("k"));
    EXPECT_EQ(shown(), "bank");
    EXPECT_EQ(Field(IDC_URL), QStringLiteral("https://bank"));
    // "bankm" names nothing; the last letter alone starts a new word.
    QTest::keyClicks(pList, QStringLiteral("M"));
    EXPECT_EQ(shown(), "mango");
    EXPECT_EQ(m_prompts.m_nBeeps, 0);
    QTest::keyClicks(pList, QStringLiteral("z"));
    EXPECT_EQ(shown(), "mango");
    EXPECT_EQ(m_prompts.m_nBeeps, 1);

    m_view.OnSiteAdd();
    QTest::keyClicks(pList, QStringLiteral("bl"));
    EXPECT_EQ(pList->currentText(), QStringLiteral("bl"));
    EXPECT_EQ(State(), EState::Adding);
}

// The document owns the lock: locked by anyone (here with no window around the form), the form empties and
// greys itself, and Unlock brings back the very one of several same-name sites, with an entry under way.
TEST_F(LockwardenViewTest, TheFormFollowsTheDocumentsOwnLockAndComesBackOnTheSameNamesake) {
    Open({"Bank", "bank", "Bank", "Mail"});
    m_doc.SetFileKey(CFileKey::Classic("pw"));
    ASSERT_TRUE(m_view.ShowRecord(m_doc.Sites()[2].get())); // the second "Bank"
    m_view.OnSiteEdit();
    Type(IDC_USER, QStringLiteral("typed"));

    m_doc.Lock(false);
    ASSERT_TRUE(m_doc.IsLocked());
    EXPECT_TRUE(m_view.IsLocked());
    EXPECT_FALSE(m_view.isEnabled());
    EXPECT_EQ(m_view.SiteList()->count(), 0);
    for (const int nID : {IDC_URL, IDC_USER, IDC_PSWD, IDC_NOTES})
        EXPECT_EQ(Field(nID), QString()) << nID;

    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(m_doc.Unlock());
    EXPECT_FALSE(m_view.IsLocked());
    EXPECT_TRUE(m_view.isEnabled());
    EXPECT_EQ(m_view.CurrentSite(), m_doc.Sites()[2].get());
    EXPECT_EQ(State(), EState::Editing);
    EXPECT_EQ(Field(IDC_USER), QStringLiteral("typed"));
}
