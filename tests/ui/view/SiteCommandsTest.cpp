#include "FakeOpener.h"
#include "ScriptedWndPrompts.h"
#include "WaitActive.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/platform/LastError.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/resources/Version.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/Clipboard.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <memory>
#include <vector>

namespace {

struct CSite {
    std::string name, url, pswd, notes;
};

// A shown, active view with its commands registered, on a document of the given sites. Launches are
// recorded instead of reaching the desktop unless a test puts the real ones back.
class SiteCommandsTest : public ::testing::Test {
protected:
    // The clipboard timer runs out now.
    void TimeUp() {
        m_clipboard.SetInterval(1);
        m_clipboard.Timer()->start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_clipboard.Timer()->isActive(); }, 5000));
    }
    void Open(const std::vector<CSite>& sites) {
        for (const CSite& s : sites)
            m_doc.AddSite(std::make_unique<CSiteInfo>(s.name, s.url, "user", s.pswd, s.notes));
        m_view.RegisterCommands(m_router);
        m_view.SetLaunchers(
            [this](const QString& strUrl, const ShellDone& onDone) {
                m_opened.push_back(strUrl);
                Answer(onDone);
            },
            [this](const QString& strPath, const ShellDone& onDone) {
                m_opened.push_back(QStringLiteral("file:") + strPath);
                Answer(onDone);
            });
        m_view.OnInitialUpdate();
        m_view.resize(600, 300);
        m_view.show();
        m_view.activateWindow();
        ASSERT_TRUE(WaitActive(&m_view));
        QGuiApplication::clipboard()->clear();
    }
    void Answer(const ShellDone& onDone) const {
        if (!m_bLaunchWorks)
            SetLastErrorReason(QStringLiteral("offline"));
        onDone(m_bLaunchWorks);
    }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    template <class T = QWidget> T* Control(int nID) const { return FindControl<T>(&m_view, nID); }
    QLineEdit* Pswd() const { return Control<QLineEdit>(IDC_PSWD); }
    bool Enabled(int nID) {
        m_router.UpdateCommands();
        return m_router.Action(nID)->isEnabled();
    }
    QString ClipText() const {
        const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
        return pData != nullptr ? pData->text() : QString();
    }
    // The user selects nChars of the masked password, copies them and moves to the URL field.
    void CopyMaskAndLeave(int nChars) {
        Pswd()->setFocus();
        Pswd()->setSelection(0, nChars);
        m_router.Execute(ID_EDIT_COPY);
        Control(IDC_URL)->setFocus();
    }

    CAppState m_app;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    CSecretClipboard m_clipboard;
    CLockwardenView m_view{m_doc, m_app, m_prompts, m_clipboard};
    CCommandRouter m_router;
    QStringList m_opened;
    bool m_bLaunchWorks = true;
};

// ---- the password copy ----

TEST_F(SiteCommandsTest, TheWholeMaskCopiedAndLeftPutsTheRealPasswordOutUntilTheTimerEmptiesIt) {
    Open({{"bank", "https://bank.example", "s3cret!", ""}});
    CopyMaskAndLeave(7);
    const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(pData, nullptr);
    EXPECT_EQ(pData->data(QStringLiteral("text/plain")), QByteArray("s3cret!"));
    EXPECT_EQ(pData->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    EXPECT_EQ(m_clipboard.Secret(), "s3cret!");
    EXPECT_EQ(Pswd()->text(), QStringLiteral("*******")) << "the field still shows the mask";
    QTimer* pTimer = m_clipboard.Timer();
    EXPECT_TRUE(pTimer->isActive());
    EXPECT_TRUE(pTimer->isSingleShot());
    EXPECT_EQ(pTimer->interval(), 10000);

    m_clipboard.SetInterval(1);
    m_clipboard.Timer()->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pTimer->isActive(); }, 5000));
    std::string strClip;
    EXPECT_FALSE(GetClipboardText(strClip) && !strClip.empty());
    EXPECT_TRUE(m_clipboard.Secret().empty());
}

// A password written on Windows goes out as the characters the user would see typed, and is still
// recognised as ours when the time is up.
TEST_F(SiteCommandsTest, AWindowsPasswordGoesOutAsItsCharactersAndIsClearedAllTheSame) {
    Open({{"bank", "", "p\xE9\x80!", ""}});
    CopyMaskAndLeave(4);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")),
              QByteArray("p\xC3\xA9\xE2\x82\xAC!"));
    TimeUp();
    EXPECT_TRUE(ClipText().isEmpty());
}

// The mask has a star per character, so the whole mask of a password with accents is its character count.
TEST_F(SiteCommandsTest, TheWholeMaskOfAUtf8PasswordIsItsCharacters) {
    Open({{"bank", "", "p\xC3\xA9\xE2\x82\xAC!", ""}});
    EXPECT_EQ(Pswd()->text(), QStringLiteral("****"));
    CopyMaskAndLeave(4);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")),
              QByteArray("p\xC3\xA9\xE2\x82\xAC!"));
    EXPECT_EQ(m_clipboard.Secret(), "p\xC3\xA9\xE2\x82\xAC!");
}

TEST_F(SiteCommandsTest, PartOfTheMaskOrDataEntryLeavesTheClipboardAlone) {
    Open({{"bank", "", "s3cret!", ""}});
    CopyMaskAndLeave(3);
    EXPECT_EQ(ClipText(), QStringLiteral("***"));
    EXPECT_FALSE(m_clipboard.Timer()->isActive());

    // During data entry the field shows the password itself; leaving it adds nothing to what was copied.
    m_view.OnSiteEdit();
    Pswd()->setFocus();
    Pswd()->setSelection(0, 3);
    m_router.Execute(ID_EDIT_COPY);
    Control(IDC_URL)->setFocus();
    EXPECT_EQ(ClipText(), QStringLiteral("s3c"));
}

// A password copied from its own field during data entry is a secret like any other: by the menu, by the
// field's own keys, or cut, it goes out with the hint and goes again after the interval.
TEST_F(SiteCommandsTest, APasswordCopiedFromItsFieldInDataEntryGoesOutAsASecret) {
    Open({{"bank", "", "s3cret!", ""}});
    const std::function<void()> copies[] = {
        [&] { m_router.Execute(ID_EDIT_COPY); },
        [&] { QTest::keySequence(Pswd(), QKeySequence::Copy); },
        [&] { QTest::keySequence(Pswd(), QKeySequence::Cut); },
    };
    for (const auto& copy : copies) {
        m_view.OnSiteEdit();
        Pswd()->setFocus();
        Pswd()->setSelection(1, 4);
        copy();
        EXPECT_EQ(ClipText(), QStringLiteral("3cre"));
        EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")),
                  QByteArrayLiteral("secret"));
        EXPECT_EQ(m_clipboard.Secret(), "3cre");
        EXPECT_TRUE(m_clipboard.Timer()->isActive());
        TimeUp();
        EXPECT_EQ(ClipText(), QString());
        m_view.OnSiteCancel();
    }
    // Text copied from the other fields is the user's own business.
    m_view.OnSiteEdit();
    Control(IDC_URL)->setFocus();
    Control<QLineEdit>(IDC_URL)->setText(QStringLiteral("https://bank.example"));
    Control<QLineEdit>(IDC_URL)->selectAll();
    m_router.Execute(ID_EDIT_COPY);
    EXPECT_EQ(ClipText(), QStringLiteral("https://bank.example"));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("x-kde-passwordManagerHint")));
    EXPECT_FALSE(m_clipboard.Timer()->isActive());
}

// A site without a password shows an empty mask; tabbing through it must not wipe what the user copied
// elsewhere (a picture, say) with an empty text.
TEST_F(SiteCommandsTest, AnEmptyPasswordNeverReplacesTheClipboard) {
    Open({{"bank", "", "", ""}});
    auto* pImage = new QMimeData;
    pImage->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    QGuiApplication::clipboard()->setMimeData(pImage);
    Pswd()->setFocus();
    Control(IDC_URL)->setFocus();
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/png")));
    EXPECT_FALSE(m_clipboard.Timer()->isActive());
}

TEST_F(SiteCommandsTest, AClipboardReplacedMeanwhileIsLeftAlone) {
    Open({{"bank", "", "s3cret!", ""}});
    CopyMaskAndLeave(7);
    QGuiApplication::clipboard()->setText(QStringLiteral("copied since"));
    TimeUp();
    EXPECT_EQ(ClipText(), QStringLiteral("copied since"));
    EXPECT_TRUE(m_clipboard.Secret().empty());
    EXPECT_FALSE(m_clipboard.Timer()->isActive());
}

// The second copy replaces the password and starts the full interval again: here a shorter one, which
// only the restarted timer runs with.
TEST_F(SiteCommandsTest, ANewCopyRestartsTheTimer) {
    Open({{"alpha", "", "first-pw", ""}, {"beta", "", "second", ""}});
    CopyMaskAndLeave(8);
    EXPECT_EQ(m_clipboard.Secret(), "first-pw");
    m_clipboard.SetInterval(1);
    m_view.ShowSite(1);
    m_view.ShowSelected();
    CopyMaskAndLeave(6);
    EXPECT_EQ(m_clipboard.Secret(), "second");
    EXPECT_EQ(ClipText(), QStringLiteral("second"));
    EXPECT_LE(m_clipboard.Timer()->remainingTime(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_clipboard.Timer()->isActive(); }, 5000));
    EXPECT_TRUE(ClipText().isEmpty());
}

TEST_F(SiteCommandsTest, TheProgramsEndClearsOurPasswordAndNothingElse) {
    for (bool bReplaced : {false, true}) {
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        doc.AddSite(std::make_unique<CSiteInfo>("bank", "", "", "s3cret!", ""));
        {
            CSecretClipboard clipboard;
            CLockwardenView view(doc, app, prompts, clipboard);
            view.OnInitialUpdate();
            QGuiApplication::clipboard()->setText(QStringLiteral("*******"));
            view.OnKillFocusPswd();
            ASSERT_EQ(ClipText(), QStringLiteral("s3cret!"));
            if (bReplaced)
                QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
        }
        EXPECT_EQ(ClipText(), bReplaced ? QStringLiteral("mine") : QString());
    }
}

// ---- Go URL ----

TEST_F(SiteCommandsTest, GoUrlFollowsTheUrlLastTakenIntoTheView) {
    Open({{"bank", "https://bank.example", "", ""}});
    EXPECT_TRUE(Enabled(ID_GO_URL));

    // After Add the field is empty, and typing does not reach the view until the form is pulled.
    m_view.OnSiteAdd();
    EXPECT_FALSE(Enabled(ID_GO_URL));
    QTest::keyClicks(Control<QLineEdit>(IDC_URL), QStringLiteral("www.typed.example"));
    EXPECT_FALSE(Enabled(ID_GO_URL));
    m_prompts.AnswerDialog(IDCANCEL);
    m_router.Execute(ID_SITE_NOTES);
    EXPECT_TRUE(Enabled(ID_GO_URL));
    m_router.Execute(ID_GO_URL);
    m_view.OnSiteCancel();

    // After Edit the stored URL goes, not the one being typed.
    m_view.OnSiteEdit();
    Control<QLineEdit>(IDC_URL)->setText(QStringLiteral("https://changed.example"));
    m_router.Execute(ID_GO_URL);
    EXPECT_EQ(m_opened, (QStringList{QStringLiteral("www.typed.example"), QStringLiteral("https://bank.example")}));
    EXPECT_TRUE(m_prompts.Messages().isEmpty());
}

TEST_F(SiteCommandsTest, TheGoUrlButtonBeepsForAnEmptyUrl) {
    Open({{"bank", "", "", ""}, {"shop", "https://shop.example", "", ""}});
    Control<QPushButton>(IDC_GO_URL)->click();
    EXPECT_EQ(m_prompts.m_nBeeps, 1);
    EXPECT_TRUE(m_opened.isEmpty());
    m_view.ShowSite(1);
    m_view.ShowSelected();
    Control<QPushButton>(IDC_GO_URL)->click();
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("https://shop.example")});
    EXPECT_EQ(m_prompts.m_nBeeps, 1);
}

// The real launch: the opener's own words, a blank line, and the address; a refused address never
// reaches the opener.
TEST_F(SiteCommandsTest, AFailingOpenerIsReportedWithItsReasonAndTheUrl) {
    struct Case {
        const char* url;
        QString message;
        bool bReachesOpener;
    };
    const Case cases[] = {
        {"https://bank.example", QStringLiteral("no browser here\n\nhttps://bank.example"), true},
        {"file:///etc/passwd", LoadString(IDS_ADDRESS_REFUSED) + QStringLiteral("\n\nfile:///etc/passwd"), false},
    };
    for (const Case& c : cases) {
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        doc.AddSite(std::make_unique<CSiteInfo>("bank", c.url, "", "", ""));
        CSecretClipboard clipboard;
        CLockwardenView view(doc, app, prompts, clipboard);
        view.OnInitialUpdate();
        CFakeOpener opener(4, QStringLiteral("no browser here"));
        view.OnGoUrl();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.Messages().isEmpty(); }, 10000)) << c.url;
        EXPECT_EQ(prompts.Messages(), QStringList{c.message});
        EXPECT_EQ(prompts.m_shown.back().nType, MB_ICONEXCLAMATION | MB_OK);
        EXPECT_EQ(opener.Log().isEmpty(), !c.bReachesOpener);
        EXPECT_TRUE(view.IsBrowsing());
    }
}

// Through the real launch: blanks around a stored URL and a bare host name do not stop Go URL, and the
// site keeps its URL as it was typed.
TEST_F(SiteCommandsTest, GoUrlOpensAPastedUrlWithBlanksAndABareHostAsHttps) {
    struct Case {
        const char* url;
        QByteArray opened;
    };
    const Case cases[] = {
        {"  https://bank.example ", "https://bank.example\n"},
        {"bank.example.com", "https://bank.example.com\n"},
        {"www.bank.example", "https://www.bank.example\n"},
    };
    for (const Case& c : cases) {
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        doc.AddSite(std::make_unique<CSiteInfo>("bank", c.url, "", "", ""));
        CSecretClipboard clipboard;
        CLockwardenView view(doc, app, prompts, clipboard);
        view.OnInitialUpdate();
        CFakeOpener opener(0);
        view.OnGoUrl();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !opener.Log().isEmpty(); }, 10000)) << c.url;
        QTest::qWait(50);
        EXPECT_EQ(opener.Log(), c.opened) << c.url;
        EXPECT_EQ(prompts.Messages(), QStringList()) << c.url;
        EXPECT_EQ(view.ShownSite().m_strURL, c.url);
        EXPECT_EQ(doc.Sites().front()->m_strURL, c.url);
    }
}

// ---- Notes ----

TEST_F(SiteCommandsTest, NotesAreTitledByTheCurrentListItem) {
    struct Case {
        std::vector<CSite> sites;
        bool bAdd;
        const char* title;
    };
    const Case cases[] = {
        {{}, false, "Notes"},
        {{{"Bank", "", "", ""}, {"Shop", "", "", ""}}, false, "Notes - Bank"},
        {{{"Bank", "", "", ""}, {"Shop", "", "", ""}}, true, "Notes - Bank"}, // the site shown before Add
    };
    for (const Case& c : cases) {
        CAppState app;
        CScriptedWndPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        for (const CSite& site : c.sites)
            doc.AddSite(std::make_unique<CSiteInfo>(site.name, "", "", "", ""));
        CSecretClipboard clipboard;
        CLockwardenView view(doc, app, prompts, clipboard);
        view.OnInitialUpdate();
        if (c.bAdd)
            view.OnSiteAdd();
        QString strTitle;
        prompts.ScriptDialog([&strTitle](QDialog& dlg) {
            strTitle = dlg.windowTitle();
            return IDCANCEL;
        });
        view.OnSiteNotes();
        EXPECT_EQ(strTitle.toStdString(), c.title);
    }
}

TEST_F(SiteCommandsTest, NotesWhileBrowsingAreReadOnlyAndOkChangesNothing) {
    Open({{"bank", "", "", "the notes"}});
    bool bReadOnly = false;
    m_prompts.ScriptDialog([&bReadOnly](QDialog& dlg) {
        auto* pEdit = FindControl<QPlainTextEdit>(&dlg, IDC_NOTES_TEXT);
        bReadOnly = pEdit->isReadOnly();
        EXPECT_EQ(pEdit->toPlainText(), QStringLiteral("the notes"));
        pEdit->setPlainText(QStringLiteral("changed"));
        return IDOK;
    });
    m_router.Execute(ID_SITE_NOTES);
    EXPECT_TRUE(bReadOnly);
    EXPECT_EQ(m_view.ShownSite().m_strNotes, "the notes");
    EXPECT_EQ(Control<QPlainTextEdit>(IDC_NOTES)->toPlainText(), QStringLiteral("the notes"));
    EXPECT_EQ(m_doc.Sites()[0]->m_strNotes, "the notes");
    EXPECT_EQ(m_prompts.m_dialogsShown.size(), 1);
}

TEST_F(SiteCommandsTest, NotesDuringDataEntryShowWhatWasTypedAndOkWritesBack) {
    Open({{"bank", "", "", "stored"}});
    m_view.OnSiteEdit();
    Control<QPlainTextEdit>(IDC_NOTES)->setPlainText(QStringLiteral("typed"));
    m_prompts.ScriptDialog([](QDialog& dlg) {
        auto* pEdit = FindControl<QPlainTextEdit>(&dlg, IDC_NOTES_TEXT);
        EXPECT_FALSE(pEdit->isReadOnly());
        EXPECT_EQ(pEdit->toPlainText(), QStringLiteral("typed"));
        pEdit->setPlainText(QStringLiteral("typed\nat length"));
        return IDOK;
    });
    m_router.Execute(ID_SITE_NOTES);
    EXPECT_EQ(m_view.ShownSite().m_strNotes, "typed\r\nat length");
    EXPECT_EQ(Control<QPlainTextEdit>(IDC_NOTES)->toPlainText(), QStringLiteral("typed\nat length"));

    m_prompts.ScriptDialog([](QDialog& dlg) {
        FindControl<QPlainTextEdit>(&dlg, IDC_NOTES_TEXT)->setPlainText(QStringLiteral("thrown away"));
        return IDCANCEL;
    });
    m_router.Execute(ID_SITE_NOTES);
    EXPECT_EQ(Control<QPlainTextEdit>(IDC_NOTES)->toPlainText(), QStringLiteral("typed\nat length"));
    m_view.OnSiteKeep();
    EXPECT_EQ(m_doc.Sites()[0]->m_strNotes, "typed\r\nat length");
}

// Pulling the form for the dialog must not turn the bytes of fields nobody touched into other bytes:
// a site from Windows keeps its password, URL and notes exactly through Edit, Notes and Keep.
TEST_F(SiteCommandsTest, FieldsLeftAloneKeepTheirBytesThroughNotesAndKeep) {
    Open({{"caf\xE9", "http://caf\xE9.example", "p\xE9\x80!", "line\r\nnext \xE9"}});
    m_view.OnSiteEdit();
    m_prompts.AnswerDialog(IDOK);
    m_router.Execute(ID_SITE_NOTES);
    m_view.OnSiteKeep();
    ASSERT_EQ(m_doc.Sites().size(), 1u);
    const CSiteInfo& site = *m_doc.Sites()[0];
    EXPECT_EQ(site.m_strURL, "http://caf\xE9.example");
    EXPECT_EQ(site.m_strPswd, "p\xE9\x80!");
    EXPECT_EQ(site.m_strNotes, "line\r\nnext \xE9");
}

// ---- the Edit menu ----

TEST_F(SiteCommandsTest, EditCommandsGoToTheFocusedFieldAndFollowTheirRules) {
    Open({{"bank", "https://bank.example", "", ""}});
    // Browsing: only Copy.
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    EXPECT_FALSE(Enabled(ID_EDIT_CUT));
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(ID_SITE_NOTES));
    EXPECT_TRUE(Enabled(ID_DOCUMENTATION));

    // The site list's typing field copies through the list, which holds the focus for it.
    m_view.SiteList()->setFocus();
    m_view.SiteList()->lineEdit()->selectAll();
    m_router.Execute(ID_EDIT_COPY);
    EXPECT_EQ(ClipText(), QStringLiteral("bank"));

    m_view.OnSiteEdit();
    EXPECT_TRUE(Enabled(ID_EDIT_CUT));
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    auto* pUrl = Control<QLineEdit>(IDC_URL);
    pUrl->setFocus();
    pUrl->setSelection(0, 8);
    m_router.Execute(ID_EDIT_CUT);
    EXPECT_EQ(ClipText(), QStringLiteral("https://"));
    EXPECT_EQ(pUrl->text(), QStringLiteral("bank.example"));
    pUrl->setCursorPosition(pUrl->text().size());
    m_router.Execute(ID_EDIT_PASTE);
    EXPECT_EQ(pUrl->text(), QStringLiteral("bank.examplehttps://"));
    m_router.Execute(ID_EDIT_UNDO);
    EXPECT_EQ(pUrl->text(), QStringLiteral("bank.example"));

    // No text on the clipboard: Paste and Undo are off even during data entry.
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(ID_EDIT_CUT));
}

TEST_F(SiteCommandsTest, EditCommandsWithoutAFocusedFieldDoNothing) {
    Open({{"bank", "https://bank.example", "", ""}});
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    Control<QPushButton>(IDC_ADD)->setFocus();
    m_router.Execute(ID_EDIT_COPY);
    EXPECT_EQ(ClipText(), QStringLiteral("kept"));
    m_view.clearFocus();
    QApplication::focusWidget() ? QApplication::focusWidget()->clearFocus() : void();
    m_router.Execute(ID_EDIT_COPY);
    EXPECT_EQ(ClipText(), QStringLiteral("kept"));
}

// ---- the manual ----

TEST_F(SiteCommandsTest, TheManualIsTheInstalledCopyElseTheBuiltOneElseTheMakersAddress) {
    QTemporaryDir prefix;
    const QString strBin = prefix.filePath(QStringLiteral("bin"));
    QDir().mkpath(strBin);
    EXPECT_TRUE(CLockwardenView::DocumentationPath(strBin).isEmpty());

    const auto place = [](const QString& strPath) {
        QDir().mkpath(QFileInfo(strPath).path());
        QFile f(strPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    const QString strBuilt = QDir(strBin).filePath(QStringLiteral("LockwardenDoc.pdf"));
    place(strBuilt);
    EXPECT_EQ(CLockwardenView::DocumentationPath(strBin), strBuilt);
    const QString strInstalled =
        QDir::cleanPath(strBin + QStringLiteral("/" LOCKWARDEN_DOC_FROM_BIN "/LockwardenDoc.pdf"));
    place(strInstalled);
    EXPECT_EQ(CLockwardenView::DocumentationPath(strBin), strInstalled);
    EXPECT_TRUE(strInstalled.startsWith(prefix.filePath(QStringLiteral("share/doc/"))));

    Open({{"bank", "", "", ""}});
    m_view.SetExeDir(strBin);
    m_router.Execute(ID_DOCUMENTATION);
    m_view.SetExeDir(prefix.filePath(QStringLiteral("elsewhere")));
    m_bLaunchWorks = false;
    m_router.Execute(ID_DOCUMENTATION);
    EXPECT_EQ(m_opened, (QStringList{QStringLiteral("file:") + strInstalled, QStringLiteral(LOCKWARDEN_DOC_ADDRESS)}));
    EXPECT_EQ(m_prompts.Messages(),
              QStringList{QStringLiteral("offline\n\n") + QStringLiteral(LOCKWARDEN_DOC_ADDRESS)});
    EXPECT_EQ(QStringLiteral(LOCKWARDEN_DOC_ADDRESS),
              QStringLiteral("http://fernhollow.example/programs/LockwardenDoc.pdf#page=1&view=fitH"));
}

} // namespace

// On X11 selecting text feeds the selection that the middle button pastes, which nobody ever clears: a
// password selected in its field must never be there. (Only a desktop with that selection can show it.)
TEST_F(SiteCommandsTest, APasswordSelectedInItsFieldNeverFeedsTheMiddleButtonSelection) {
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (!pClipboard->supportsSelection())
        GTEST_SKIP() << "this desktop has no selection clipboard";
    Open({{"bank", "", "s3cret!", ""}});
    m_view.OnSiteEdit();
    // A mouse selection ends with the button's release, which hands the selection to the desktop.
    const auto selectWithMouse = [](QLineEdit* pEdit) {
        pEdit->setFocus();
        pEdit->selectAll();
        QTest::mouseRelease(pEdit, Qt::LeftButton, {}, QPoint(2, 2));
    };
    selectWithMouse(Control<QLineEdit>(IDC_USER));
    EXPECT_EQ(pClipboard->text(QClipboard::Selection), QStringLiteral("user"));
    selectWithMouse(Pswd());
    EXPECT_TRUE(Pswd()->hasSelectedText());
    EXPECT_EQ(pClipboard->text(QClipboard::Selection), QString());
}

// Copy Password, Copy User Name and Copy URL take the shown site's field in one step while browsing: the
// password as a secret for the clipboard's interval, the other two as plain text; in data entry they stand
// greyed and do nothing.
TEST_F(SiteCommandsTest, CopyPasswordUserAndUrlInOneStep) {
    Open({{"bank", "https://bank.example", "s3cret!", ""}});
    const QString strHint = QStringLiteral("x-kde-passwordManagerHint");
    ASSERT_TRUE(m_router.Execute(ID_EDIT_COPY_PASSWORD));
    EXPECT_EQ(ClipText(), QStringLiteral("s3cret!"));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(strHint), QByteArrayLiteral("secret"));
    EXPECT_TRUE(m_clipboard.Timer()->isActive());
    TimeUp();
    EXPECT_EQ(ClipText(), QString());

    const struct {
        int nID;
        const char* pszText;
    } plain[] = {{ID_EDIT_COPY_USER, "user"}, {ID_EDIT_COPY_URL, "https://bank.example"}};
    for (const auto& c : plain) {
        ASSERT_TRUE(m_router.Execute(c.nID));
        EXPECT_EQ(ClipText(), QString::fromUtf8(c.pszText));
        EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(strHint));
        EXPECT_FALSE(m_clipboard.Timer()->isActive());
    }

    m_view.OnSiteEdit();
    QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
    for (const int nID : {ID_EDIT_COPY_PASSWORD, ID_EDIT_COPY_USER, ID_EDIT_COPY_URL}) {
        EXPECT_FALSE(m_router.Query(nID).m_bEnabled) << nID;
        EXPECT_FALSE(m_router.Execute(nID)) << nID;
    }
    EXPECT_EQ(ClipText(), QStringLiteral("mine"));
}
