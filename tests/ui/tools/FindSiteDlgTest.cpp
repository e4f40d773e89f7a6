#include "EnvOverride.h"
#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/tools/FindSiteDlg.h"
#include "ui/view/LockwardenView.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A shown view on a document of named sites, its Find command running the real dialog through scripted
// prompts. The view is its own main window.
struct CFindScene {
    CAppState app;
    CScriptedWndPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CSecretClipboard clipboard;
    CLockwardenView view{doc, app, prompts, clipboard};
    CFindSiteCommand findSite{view, app, prompts};

    // names in file order; strCurrent: the site shown when Find starts.
    CFindScene(const std::vector<std::string>& names, const std::string& strCurrent, const std::string& strFind) {
        for (const std::string& n : names)
            doc.AddSite(std::make_unique<CSiteInfo>(n, "https://url.example/" + n, "user", "pswd", "notes"));
        app.m_strSiteName = strCurrent;
        app.m_strFind = strFind;
        view.setGeometry(120, 80, 600, 300);
        view.show();
        view.OnInitialUpdate();
        EXPECT_EQ(Current(), strCurrent);
    }

    std::string Current() const { return view.CurrentSite() != nullptr ? view.CurrentSite()->m_strSite : "(none)"; }
    QLineEdit* NameField() const { return view.SiteList()->lineEdit(); }

    // Runs Find with the script acting on the live dialog, which then ends with the script's answer.
    int Find(std::function<int(CFindSiteDlg&)> script) {
        prompts.ScriptDialog([script](QDialog& dlg) { return script(static_cast<CFindSiteDlg&>(dlg)); });
        const int nShown = static_cast<int>(prompts.m_dialogsShown.size());
        findSite.OnEditFind();
        EXPECT_EQ(prompts.m_dialogsShown.size(), nShown + 1);
        return nShown;
    }
};

QLineEdit* FindBox(const QDialog& dlg) {
    return FindControl<QLineEdit>(&dlg, IDC_FIND_TEXT);
}

void Press(const QDialog& dlg, int nID) {
    FindControl<QPushButton>(&dlg, nID)->click();
}

// ---- the searches ----

enum class EAction { Type, Backspace, Next, Previous };

struct FindCase {
    const char* pszWhy;
    std::vector<std::string> names; // file order
    std::string strCurrent;
    std::string strFind; // remembered when the dialog opens
    EAction action;
    const char* pszTyped; // for EAction::Type, UTF-8
    std::string strExpectedSite;
    int nSelStart; // -1: nothing selected in the name field
    int nSelLength;
    int nBeeps;
};

class FindSiteSearches : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindSiteSearches, LeaveTheExpectedSiteSelectionAndBeep) {
    const FindCase& c = GetParam();
    CFindScene scene(c.names, c.strCurrent, c.strFind);
    std::string strSite;
    int nSelStart = -2;
    int nSelLength = -2;
    scene.Find([&](CFindSiteDlg& dlg) {
        QLineEdit* pBox = FindBox(dlg);
        switch (c.action) {
        case EAction::Type:
            QTest::keyClicks(pBox, QString::fromUtf8(c.pszTyped));
            break;
        case EAction::Backspace:
            QTest::keyClick(pBox, Qt::Key_Backspace);
            break;
        case EAction::Next:
            Press(dlg, IDC_NEXT);
            break;
        case EAction::Previous:
            Press(dlg, IDC_PREVIOUS);
            break;
        }
        strSite = scene.Current();
        nSelStart = scene.NameField()->selectionStart();
        nSelLength = static_cast<int>(scene.NameField()->selectedText().size());
        return IDOK;
    });
    EXPECT_EQ(strSite, c.strExpectedSite);
    EXPECT_EQ(nSelStart, c.nSelStart);
    EXPECT_EQ(nSelLength, c.nSelLength);
    EXPECT_EQ(scene.prompts.m_nBeeps, c.nBeeps);
    EXPECT_EQ(scene.Current(), c.strExpectedSite); // OK keeps it
    EXPECT_TRUE(scene.prompts.Messages().isEmpty());
}

const std::vector<std::string> kGreek = {"gamma", "alpha", "beta", "delta"}; // listed alpha beta delta gamma

INSTANTIATE_TEST_SUITE_P(Table, FindSiteSearches,
                         ::testing::Values(FindCase{"a typed character the current name holds keeps it", kGreek,
                                                    "delta", "", EAction::Type, "l", "delta", 2, 1, 0},
                                           FindCase{"typing on searches after the current entry", kGreek, "alpha", "",
                                                    EAction::Type, "et", "beta", 1, 2, 0},
                                           FindCase{"typing wraps to the top", kGreek, "delta", "", EAction::Type, "lp",
                                                    "alpha", 1, 2, 0},
                                           FindCase{"Next with only the current site matching comes back to it", kGreek,
                                                    "beta", "bet", EAction::Next, "", "beta", 0, 3, 0},
                                           FindCase{"Previous with only the current site matching comes back to it",
                                                    kGreek, "beta", "bet", EAction::Previous, "", "beta", 0, 3, 0},
                                           FindCase{"Next steps past the current match", kGreek, "alpha", "a",
                                                    EAction::Next, "", "beta", 3, 1, 0},
                                           FindCase{"Previous on the first entry goes on at the last", kGreek, "alpha",
                                                    "a", EAction::Previous, "", "gamma", 1, 1, 0},
                                           FindCase{"Next on the last entry goes on at the first", kGreek, "gamma", "a",
                                                    EAction::Next, "", "alpha", 0, 1, 0},
                                           FindCase{"entries are searched in list order, not file order",
                                                    {"a-x", "c-x", "b-x"},
                                                    "a-x",
                                                    "x",
                                                    EAction::Next,
                                                    "",
                                                    "b-x",
                                                    2,
                                                    1,
                                                    0},
                                           FindCase{"a text only in URL, user, password or notes beeps", kGreek, "beta",
                                                    "", EAction::Type, "url", "beta", -1, 0, 3},
                                           FindCase{"a text matching nothing beeps and changes nothing", kGreek, "beta",
                                                    "zz", EAction::Next, "", "beta", -1, 0, 1},
                                           FindCase{"Backspace to an empty text beeps", kGreek, "beta", "t",
                                                    EAction::Backspace, "", "beta", -1, 0, 1},
                                           FindCase{"Backspace searches with the shorter text", kGreek, "alpha", "ammx",
                                                    EAction::Backspace, "", "gamma", 1, 3, 0},
                                           FindCase{"lower case finds upper case and selects those letters",
                                                    {"zz", "My BANK"},
                                                    "zz",
                                                    "",
                                                    EAction::Type,
                                                    "bank",
                                                    "My BANK",
                                                    3,
                                                    4,
                                                    0},
                                           FindCase{"\xC3\x89 finds \xC3\xA9 after a two-byte letter",
                                                    {"zz", "\xC3\xA9t\xC3\xA9"},
                                                    "zz",
                                                    "",
                                                    EAction::Type,
                                                    "T\xC3\x89",
                                                    "\xC3\xA9t\xC3\xA9",
                                                    1,
                                                    2,
                                                    0},
                                           FindCase{"Windows-1252 bytes are searched as the characters shown",
                                                    {"zz", "Caf\xE9 Noir"},
                                                    "zz",
                                                    "",
                                                    EAction::Type,
                                                    "\xC3\x89 N",
                                                    "Caf\xE9 Noir",
                                                    3,
                                                    3,
                                                    0},
                                           FindCase{"a character of two units is selected whole",
                                                    {"zz", "\xF0\x9F\x94\x91 key"},
                                                    "zz",
                                                    "\xF0\x9F\x94\x91",
                                                    EAction::Next,
                                                    "",
                                                    "\xF0\x9F\x94\x91 key",
                                                    0,
                                                    2,
                                                    0},
                                           FindCase{"no match inside a decomposed letter",
                                                    {"zz", "Cafe\xCC\x81"},
                                                    "zz",
                                                    "",
                                                    EAction::Type,
                                                    "cafe",
                                                    "Cafe\xCC\x81",
                                                    0,
                                                    3,
                                                    1}),
                         [](const ::testing::TestParamInfo<FindCase>& info) { return std::to_string(info.index); });

// The nStep argument counts by its sign only, so a step of 5 is a step of 1.
TEST(FindSite, StepsBySignAndSkipsWhenNotBrowsing) {
    CFindScene scene({"a1", "a2", "a3", "b"}, "a1", "");
    int pos = -7;
    EXPECT_EQ(scene.view.FindSite("A", pos, 5, 1), 1);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(scene.view.FindSite("b", pos, -9, -1), 3);
    EXPECT_EQ(scene.view.FindSite("3", pos, 0, 0), -1); // a step of 0 looks at the same entry every time
    EXPECT_EQ(pos, -1);
    EXPECT_EQ(scene.view.FindSite("", pos, 1, 0), -1);
    scene.view.OnSiteEdit();
    EXPECT_EQ(scene.view.FindSite("a", pos, 1, 0), -1);
}

// The searches read the names from a buffer of the list's; every change to the list is seen.
TEST(FindSite, SeesSitesAddedRenamedAndRemovedSinceTheLastSearch) {
    CFindScene scene({"alpha", "beta"}, "alpha", "");
    int pos = -1;
    EXPECT_EQ(scene.view.FindSite("b", pos, 1, 0), 1);
    scene.view.OnSiteAdd();
    scene.view.SiteList()->setEditText(QStringLiteral("0-new"));
    scene.view.OnSiteKeep();
    EXPECT_EQ(scene.view.FindSite("new", pos, 1, 0), 0);
    EXPECT_EQ(scene.view.FindSite("b", pos, 1, 0), 2);
    scene.view.OnSiteEdit();
    scene.view.SiteList()->setEditText(QStringLiteral("gamma"));
    scene.view.OnSiteKeep(); // "0-new" becomes "gamma", the last in the list
    EXPECT_EQ(scene.view.FindSite("new", pos, 1, 0), -1);
    EXPECT_EQ(scene.view.FindSite("mm", pos, 1, 0), 2);
    EXPECT_EQ(pos, 2);
    scene.prompts.AnswerMessage(IDYES);
    scene.view.OnSiteRemove();
    EXPECT_EQ(scene.view.FindSite("mm", pos, 1, 0), -1);
    EXPECT_EQ(scene.view.FindSite("ph", pos, 1, 0), 0);
}

// ---- what reaches the dialog as a character ----

TEST(FindSiteDlg, DeleteStartsNoSearchUntilTheNextCharacterOrButton) {
    CFindScene scene({"alpha", "beta"}, "alpha", "zbeta");
    std::vector<std::string> sites;
    scene.Find([&](CFindSiteDlg& dlg) {
        QLineEdit* pBox = FindBox(dlg);
        pBox->setFocus();
        pBox->setCursorPosition(0);
        // As X11 delivers it: the key carries the DEL character as its text, yet types none.
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
        QApplication::sendEvent(pBox, &del);
        EXPECT_EQ(pBox->text(), QStringLiteral("beta"));
        sites.push_back(scene.Current());
        EXPECT_EQ(scene.app.m_strFind, "zbeta"); // not taken over either
        QTest::keyClick(pBox, Qt::Key_End);
        sites.push_back(scene.Current());
        Press(dlg, IDC_NEXT);
        sites.push_back(scene.Current());
        return IDOK;
    });
    EXPECT_EQ(sites, (std::vector<std::string>{"alpha", "alpha", "beta"}));
    EXPECT_EQ(scene.prompts.m_nBeeps, 0);
    EXPECT_EQ(scene.app.m_strFind, "beta");
}

TEST(FindSiteDlg, CtrlVPastesAndSearchesWithThePastedText) {
    CFindScene scene({"alpha", "beta", "gamma"}, "alpha", "");
    QGuiApplication::clipboard()->setText(QStringLiteral("MM"));
    scene.Find([&](CFindSiteDlg& dlg) {
        QTest::keyClick(FindBox(dlg), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(FindBox(dlg)->text(), QStringLiteral("MM"));
        return IDOK;
    });
    EXPECT_EQ(scene.Current(), "gamma");
    EXPECT_EQ(scene.app.m_strFind, "MM");
}

// A character that reaches a button searches too, with the text the box holds.
TEST(FindSiteDlg, ACharacterTypedOnAButtonSearchesWithTheBoxText) {
    CFindScene scene({"alpha", "beta", "gamma"}, "alpha", "mm");
    scene.Find([&](CFindSiteDlg& dlg) {
        QTest::keyClick(FindControl<QPushButton>(&dlg, IDOK), Qt::Key_X);
        EXPECT_EQ(scene.Current(), "gamma");
        return IDOK;
    });
    EXPECT_EQ(scene.prompts.m_nBeeps, 0);
}

TEST(FindSiteDlg, EnterPressesOkOrTheFocusedButton) {
    CFindScene scene({"alpha", "beta", "gamma"}, "alpha", "a");
    bool bStillOpen = false;
    const int nShown = scene.Find([&](CFindSiteDlg& dlg) {
        auto* pNext = FindControl<QPushButton>(&dlg, IDC_NEXT);
        pNext->setFocus();
        QTest::keyClick(pNext, Qt::Key_Return);
        bStillOpen = dlg.isVisible();
        EXPECT_EQ(scene.Current(), "beta");
        FindBox(dlg)->setFocus();
        QTest::keyClick(FindBox(dlg), Qt::Key_Return);
        return IDCANCEL; // too late: Enter has ended it with OK
    });
    EXPECT_EQ(nShown, 0);
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(scene.Current(), "beta"); // kept: the dialog ended with OK
    EXPECT_EQ(scene.prompts.m_nBeeps, 0);
}

// ---- how the dialog ends ----

TEST(FindSiteDlg, CancelEscAndTheCloseBoxPutBackTheSiteAndTheText) {
    const std::function<void(QDialog&)> endings[] = {
        [](QDialog& dlg) { Press(dlg, IDCANCEL); },
        [](QDialog& dlg) { QTest::keyClick(FindBox(dlg), Qt::Key_Escape); },
        [](QDialog& dlg) { dlg.close(); },
    };
    for (const auto& end : endings) {
        CFindScene scene({"alpha", "beta", "gamma", "delta"}, "beta", "old");
        const std::string strShownBefore = scene.view.SiteList()->currentText().toStdString();
        std::vector<std::string> hits;
        scene.Find([&](CFindSiteDlg& dlg) {
            QTest::keyClicks(FindBox(dlg), QStringLiteral("a")); // "olda": nothing
            FindBox(dlg)->setText(QStringLiteral("a"));
            Press(dlg, IDC_NEXT);
            hits.push_back(scene.Current());
            Press(dlg, IDC_NEXT);
            hits.push_back(scene.Current());
            end(dlg);
            return IDOK; // the dialog has ended already
        });
        EXPECT_EQ(hits, (std::vector<std::string>{"delta", "gamma"}));
        EXPECT_EQ(scene.Current(), "beta");
        EXPECT_EQ(scene.view.CurrentIndex(), 1);
        EXPECT_EQ(scene.view.SiteList()->currentText().toStdString(), strShownBefore);
        EXPECT_EQ(scene.app.m_strSiteName, "beta");
        EXPECT_EQ(scene.app.m_strFind, "old");
    }
}

TEST(FindSiteDlg, OkKeepsTheSiteAndTheTextWhichComeBackAfterARestart) {
    CTempXdgHome home;
    {
        CFindScene scene({"alpha", "beta", "gamma"}, "alpha", "");
        scene.Find([](CFindSiteDlg& dlg) {
            QTest::keyClicks(FindBox(dlg), QStringLiteral("amm"));
            return IDOK;
        });
        EXPECT_EQ(scene.Current(), "gamma");
        EXPECT_EQ(scene.app.m_strFind, "amm");
        // The box shows the text again the next time.
        QString strShown;
        scene.Find([&](CFindSiteDlg& dlg) {
            strShown = FindBox(dlg)->text();
            return IDCANCEL;
        });
        EXPECT_EQ(strShown, QStringLiteral("amm"));
        CProfileStore store(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
        scene.app.WriteSettings(store);
    }
    CFindScene restarted({"alpha", "beta", "gamma"}, "alpha", "");
    CProfileStore store(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
    restarted.app.ReadSettings(store);
    EXPECT_EQ(restarted.app.m_strFind, "amm");
    QString strShown;
    restarted.Find([&](CFindSiteDlg& dlg) {
        strShown = FindBox(dlg)->text();
        Press(dlg, IDC_NEXT);
        return IDOK;
    });
    EXPECT_EQ(strShown, QStringLiteral("amm"));
    EXPECT_EQ(restarted.Current(), "gamma");
}

// A remembered text that is not UTF-8 (a settings file from Windows) survives a dialog that left it alone.
TEST(FindSiteDlg, AnUntouchedTextKeepsItsBytes) {
    CFindScene scene({"alpha", "Caf\xE9"}, "alpha", "f\xE9");
    scene.Find([](CFindSiteDlg& dlg) {
        Press(dlg, IDC_NEXT);
        return IDOK;
    });
    EXPECT_EQ(scene.Current(), "Caf\xE9");
    EXPECT_EQ(scene.app.m_strFind, "f\xE9");
}

// ---- opening ----

TEST(FindSiteDlg, OpensAtTheMainWindowsLowerRightCornerWithTheFocusOnOk) {
    CFindScene scene({"alpha"}, "alpha", "");
    QRect rcDialog;
    std::vector<int> tabOrder;
    scene.Find([&](CFindSiteDlg& dlg) {
        rcDialog = dlg.frameGeometry();
        tabOrder.push_back(ControlId(dlg.focusWidget()));
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
            tabOrder.push_back(ControlId(dlg.focusWidget()));
        }
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Find Site Containing..."));
        return IDCANCEL;
    });
    const QRect rcMain = scene.view.frameGeometry();
    EXPECT_EQ(rcDialog.x() + rcDialog.width(), rcMain.x() + rcMain.width());
    EXPECT_EQ(rcDialog.y() + rcDialog.height(), rcMain.y() + rcMain.height());
    EXPECT_LT(rcDialog.width(), rcMain.width());
    EXPECT_EQ(tabOrder, (std::vector<int>{IDOK, IDCANCEL, IDC_NEXT, IDC_PREVIOUS, IDC_FIND_TEXT, IDOK}));
    EXPECT_EQ(scene.prompts.m_nBeeps, 0); // Tab is no character
}

TEST(FindSiteDlg, EveryControlHasAnAccessibleName) {
    CFindScene scene({"alpha"}, "alpha", "");
    CFindSiteDlg dlg(&scene.view, scene.app);
    for (QWidget* pControl : dlg.findChildren<QWidget*>()) {
        if (ControlId(pControl) == 0)
            continue;
        QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(pControl);
        ASSERT_NE(pInterface, nullptr);
        EXPECT_FALSE(pInterface->text(QAccessible::Name).isEmpty()) << ControlId(pControl);
    }
}

// ---- the command and the button ----

TEST(FindSiteCommand, IsEnabledWhileBrowsingAndTheButtonRefusesOtherwise) {
    CFindScene scene({"alpha", "beta"}, "alpha", "");
    CCommandRouter router;
    scene.view.RegisterCommands(router);
    scene.findSite.RegisterCommands(router);
    QAction* pFind = router.Action(ID_EDIT_FIND);
    router.UpdateCommands();
    EXPECT_TRUE(pFind->isEnabled());
    EXPECT_EQ(pFind->statusTip(), QStringLiteral("Find the Site with specified text"));
    EXPECT_EQ(pFind->toolTip(), QStringLiteral("Find Ctrl+F"));

    scene.prompts.AnswerDialog(IDCANCEL);
    pFind->trigger();
    scene.prompts.AnswerDialog(IDCANCEL);
    FindControl<QPushButton>(&scene.view, IDC_FIND)->click();
    EXPECT_EQ(scene.prompts.m_dialogsShown, QStringList(2, QStringLiteral("Find Site Containing...")));

    scene.view.OnSiteAdd();
    router.UpdateCommands();
    EXPECT_FALSE(pFind->isEnabled());
    FindControl<QPushButton>(&scene.view, IDC_FIND)->click();
    EXPECT_EQ(scene.prompts.m_dialogsShown.size(), 2);
    ASSERT_EQ(scene.prompts.MessageBoxes().size(), 1u);
    EXPECT_EQ(scene.prompts.MessageBoxes()[0],
              (CScriptedPrompts::Shown{LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK}));

    CFindScene empty({}, "(none)", "");
    empty.findSite.OnEditFind();
    EXPECT_EQ(empty.prompts.Messages(), QStringList{LoadString(IDS_KEEP_OR_CANCEL_FIRST)});
    EXPECT_TRUE(empty.prompts.m_dialogsShown.isEmpty());
}

} // namespace
