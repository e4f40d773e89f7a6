#include "EnvOverride.h"
#include "ScriptedWndPrompts.h"

#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/platform/ProfileStore.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/WndPrompts.h"
#include "ui/tools/CreatePasswordsDlg.h"
#include "ui/tools/PasswordHealthDlg.h"
#include "ui/view/LockwardenView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <cstdio>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>

namespace {

// The application's prompts: scripted boxes and password prompts, and a count of modal dialogs run.
class CAppPrompts : public CWndPrompts {
public:
    int MessageBox(const QString& strText, unsigned nType) override { return m_s.MessageBox(strText, nType); }
    void MessageBeep() override { m_s.MessageBeep(); }
    int FilePasswordPrompt(std::string& strPassword, const QString& strLabel) override {
        return m_s.FilePasswordPrompt(strPassword, strLabel);
    }
    int ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strLabel) override {
        return m_s.ConfirmFilePasswordPrompt(strPassword, strLabel);
    }
    bool OpenFileDialog(QString& strPath, const QString& strFilter) override {
        return m_s.OpenFileDialog(strPath, strFilter);
    }
    bool SaveFileDialog(QString& strPath, const QString& strFilter, const QString& strDefExt) override {
        return m_s.SaveFileDialog(strPath, strFilter, strDefExt);
    }
    int DoModal(QDialog&) override {
        ++m_nModal;
        return IDCANCEL;
    }
    CScriptedPrompts m_s;
    int m_nModal = 0;
};

// Each test runs the application against its own settings and data folders.
class LockwardenAppTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_home.isValid()); }
    void TearDown() override { m_pApp.reset(); }

    QString SettingsFile() const {
        return CProfileStore::FilePathOf(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
    }
    // Settings as a previous run left them.
    void Preset(const QString& strSection, const QString& strKey, const QVariant& value) {
        CProfileStore store(SettingsFile());
        if (value.typeId() == QMetaType::Int)
            store.WriteProfileInt(strSection, strKey, value.toInt());
        else
            store.WriteProfileString(strSection, strKey, value.toString());
    }
    QString Stored(const QString& strSection, const QString& strKey, bool* pFound = nullptr) const {
        CProfileStore store(SettingsFile());
        return store.GetProfileString(strSection, strKey, {}, pFound);
    }

    // A real database file with one site, protected by strPassword.
    QString MakeDatabase(const QString& strName, const std::string& strPassword, const std::string& strSite = "alpha") {
        const QString strPath = m_home.filePath(strName);
        CAppState state;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(state, prompts);
        doc.SetFileKey(CFileKey::Classic(strPassword));
        doc.AddSite(std::make_unique<CSiteInfo>(strSite, "https://a.example", "ann", "pw", "notes"));
        EXPECT_TRUE(doc.OnSaveDocument(strPath));
        return strPath;
    }

    bool Start(const QStringList& args = {}) {
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        return m_pApp->InitInstance(args);
    }
    CMainFrame& Frame() { return *m_pApp->m_pMainFrame; }
    CLockwardenView& View() { return *Frame().GetActiveView(); }
    QAction* Action(int nID) { return m_pApp->m_pRouter->Action(nID); }

    QTemporaryDir m_home;
    CTempXdgHome m_xdg;
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
};

// The two File commands stand each for its kind of file, and the kind pane follows every change: a
// classic file sealed, saved, opened again, and saved back as classic.
TEST_F(LockwardenAppTest, SealAndSaveAsClassicFollowTheKindOfFile) {
    const QString strPath = MakeDatabase(QStringLiteral("kinds.lwd"), "secret");
    const QByteArray classic = [&] {
        QFile file(strPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const auto kindPane = [&] {
        return Frame().findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_KIND))->text();
    };
    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Start({strPath}));
    m_pApp->m_pRouter->UpdateCommands();
    EXPECT_EQ(kindPane(), QStringLiteral("Classic"));
    EXPECT_TRUE(Action(ID_FILE_SEAL)->isEnabled());
    EXPECT_FALSE(Action(ID_FILE_SAVE_CLASSIC)->isEnabled());

    const auto kindTip = [&] {
        return Frame().findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_KIND))->toolTip();
    };
    EXPECT_EQ(kindTip(), QStringLiteral("Classic: obscured, not encrypted; anyone with the file can read it"));

    // The sealed file takes a new password, twice, and is saved at once.
    m_prompts.EnterPassword("sealed-pw");
    m_prompts.EnterPassword("sealed-pw");
    Action(ID_FILE_SEAL)->trigger();
    EXPECT_EQ(kindPane(), QStringLiteral("Sealed"));
    EXPECT_EQ(kindTip(), QStringLiteral("Sealed: encrypted and authenticated; only the file password opens it"));
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("kinds.lwd - Lockwarden"));
    EXPECT_FALSE(Action(ID_FILE_SEAL)->isEnabled());
    EXPECT_TRUE(Action(ID_FILE_SAVE_CLASSIC)->isEnabled());
    {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith("\x16Lockwarden Sealed File"));
    }

    m_prompts.AnswerMessage(IDYES);
    Action(ID_FILE_SAVE_CLASSIC)->trigger();
    EXPECT_EQ(kindPane(), QStringLiteral("Classic"));
    // The classic password back, and the file is the one it was, byte for byte.
    m_prompts.EnterPassword("secret");
    m_prompts.EnterPassword("secret");
    m_pApp->m_pDoc->OnChangeFilePassword();
    Action(ID_FILE_SAVE)->trigger();
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), classic);
    EXPECT_TRUE(m_prompts.Messages().contains(QStringLiteral(
        "A classic file only obscures its sites: anyone who has the file can read every password in it.\n\n"
        "Save this file as a classic file?")));
}

// A change of kind that is not saved yet is marked in the kind pane, and told in its tooltip; Seal on an
// untitled document asks where first, and when nothing is saved the document stays what it was.
TEST_F(LockwardenAppTest, TheKindPaneMarksAChangeOfKindNotSavedAndSealAsksWhereFirst) {
    ASSERT_TRUE(Start());
    const auto pane = [&] { return Frame().findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_KIND)); };
    m_pApp->m_pRouter->UpdateCommands();
    EXPECT_EQ(pane()->text(), QStringLiteral("No file password"));
    EXPECT_EQ(pane()->toolTip(), QStringLiteral("No file password: anyone with the file can read it"));

    m_prompts.EnterPassword("first-pw");
    m_prompts.EnterPassword("first-pw");
    m_pApp->m_pDoc->OnChangeFilePassword();
    m_pApp->m_pRouter->UpdateCommands();
    EXPECT_EQ(pane()->text(), QStringLiteral("Classic (not saved)"));
    EXPECT_EQ(pane()->toolTip(), QStringLiteral("Classic: obscured, not encrypted; anyone with the file can read it\n"
                                                "Not saved yet: the file on disk is still a file without a file "
                                                "password."));

    // Seal, then no place chosen: nothing written, the document classic as it was, still modified.
    m_prompts.EnterPassword("sealed-pw");
    m_prompts.EnterPassword("sealed-pw");
    m_prompts.CancelFileDialog();
    Action(ID_FILE_SEAL)->trigger();
    EXPECT_FALSE(m_pApp->m_pDoc->IsSealed());
    EXPECT_EQ(m_pApp->m_pDoc->GetFilePassword(), "first-pw");
    EXPECT_TRUE(m_pApp->m_pDoc->IsModified());
    EXPECT_EQ(pane()->text(), QStringLiteral("Classic (not saved)"));

    // A place chosen: sealed and saved there.
    const QString strPath = m_home.filePath(QStringLiteral("new.lwd"));
    m_prompts.EnterPassword("sealed-pw");
    m_prompts.EnterPassword("sealed-pw");
    m_prompts.ChooseFile(strPath);
    Action(ID_FILE_SEAL)->trigger();
    EXPECT_TRUE(m_pApp->m_pDoc->IsSealed());
    EXPECT_FALSE(m_pApp->m_pDoc->IsModified());
    EXPECT_EQ(pane()->text(), QStringLiteral("Sealed"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\x16Lockwarden Sealed File"));
}

TEST_F(LockwardenAppTest, FirstStartShowsANewEmptyDocumentAndWritesEverythingAtExit) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Untitled - Lockwarden"));
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(View().IsListEmpty());
    m_pApp->m_pRouter->UpdateCommands();
    EXPECT_FALSE(Action(ID_START_WITH_MRU)->isChecked());
    EXPECT_TRUE(m_prompts.m_shown.empty());
    EXPECT_EQ(Frame().m_nActivateCount, 2);
    EXPECT_FALSE(Frame().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Frame().windowFlags() & Qt::WindowMinimizeButtonHint);

    Frame().close();
    EXPECT_EQ(m_pApp->ExitInstance(), 0);
    // The settings with their defaults, the text included (empty, but there), and the lock's two. The last
    // site shown is kept per file instead (see TheLastSiteShownIsKeptPerFileAndNeverForASealedOne).
    const std::pair<const char*, const char*> settings[] = {
        {"bMixedCase", "1"}, {"bNumbers", "1"}, {"bPuncuation", "1"},  {"bOpenMRU", "0"},         {"nLength", "8"},
        {"bHidePswd", "1"},  {"strFind", ""},   {"nLockMinutes", "0"}, {"bLockOnScreenLock", "1"}};
    for (const auto& [pszKey, pszValue] : settings) {
        bool bFound = false;
        EXPECT_EQ(Stored(QStringLiteral("settings"), QString::fromLatin1(pszKey), &bFound),
                  QString::fromLatin1(pszValue))
            << pszKey;
        EXPECT_TRUE(bFound) << pszKey;
    }
    EXPECT_FALSE(Stored(QStringLiteral("mainWindow"), QStringLiteral("rect")).isEmpty());
    EXPECT_EQ(Stored(QStringLiteral("mainWindow"), QStringLiteral("icon")), QStringLiteral("0"));
    EXPECT_FALSE(Stored(QStringLiteral("Lockwarden-Summary"), QStringLiteral("state")).isEmpty());
}

TEST_F(LockwardenAppTest, StartWithMRUAndAnEmptyListStartsWithANewDocument) {
    Preset(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), 1);
    ASSERT_TRUE(Start());
    EXPECT_EQ(m_pApp->m_pDoc->GetTitle(), QStringLiteral("Untitled"));
    EXPECT_TRUE(m_prompts.m_shown.empty());
    m_pApp->m_pRouter->UpdateCommands();
    EXPECT_TRUE(Action(ID_START_WITH_MRU)->isChecked());
}

TEST_F(LockwardenAppTest, StartWithMRUReopensTheNewestFileWithItsPassword) {
    const QString strNewest = MakeDatabase(QStringLiteral("newest.lwd"), "secret");
    const QString strOlder = MakeDatabase(QStringLiteral("older.lwd"), "other");
    Preset(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), 1);
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strNewest);
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File2"), strOlder);
    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("newest.lwd - Lockwarden"));
    EXPECT_EQ(View().SiteCount(), 1);
    EXPECT_EQ(Frame().PaneText(ID_INDICATOR_SITES), QStringLiteral("1 Sites"));
    EXPECT_EQ(Frame().m_nActivateCount, 2);
}

TEST_F(LockwardenAppTest, StartWithMRUAndTheNewestFileDeletedContinuesAndKeepsTheEntry) {
    const QString strGone = m_home.filePath(QStringLiteral("gone.lwd"));
    Preset(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), 1);
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strGone);
    ASSERT_TRUE(Start());
    EXPECT_EQ(m_prompts.Messages().size(), 1) << "the document's own failure message";
    EXPECT_EQ(m_pApp->m_pDoc->GetTitle(), QStringLiteral("Untitled"));
    EXPECT_TRUE(Frame().isVisible());
    // Only the first activation used the saved placement.
    EXPECT_EQ(Frame().m_nActivateCount, 1);
    Frame().close();
    m_pApp->ExitInstance();
    EXPECT_EQ(Stored(QStringLiteral("Recent File List"), QStringLiteral("File1")), strGone);
}

TEST_F(LockwardenAppTest, StartWithMRUAndThePasswordPromptCancelledContinuesWithANewDocument) {
    const QString strFile = MakeDatabase(QStringLiteral("locked.lwd"), "secret");
    Preset(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), 1);
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strFile);
    m_prompts.CancelPassword();
    ASSERT_TRUE(Start());
    EXPECT_EQ(m_prompts.m_passwordFieldsShown.size(), 1u);
    EXPECT_EQ(m_pApp->m_pDoc->GetTitle(), QStringLiteral("Untitled"));
    EXPECT_TRUE(View().IsListEmpty());
    EXPECT_EQ(m_pApp->m_recentFiles[0], strFile);
}

TEST_F(LockwardenAppTest, AFileOnTheCommandLineWinsOverStartWithMRU) {
    const QString strRecent = MakeDatabase(QStringLiteral("recent.lwd"), "r");
    const QString strNamed = MakeDatabase(QStringLiteral("named.lwd"), "n", "named-site");
    Preset(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), 1);
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strRecent);
    m_prompts.EnterPassword("n");
    ASSERT_TRUE(Start({strNamed}));
    ASSERT_EQ(m_prompts.m_shown.size(), 1u) << "one password prompt, for the named file";
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("named.lwd - Lockwarden"));
    EXPECT_EQ(m_pApp->m_recentFiles[0], strNamed);
    EXPECT_EQ(Frame().m_nActivateCount, 2) << "the second run of the command only activates the window";
}

TEST_F(LockwardenAppTest, ANamedFileThatCannotBeOpenedEndsTheStart) {
    EXPECT_FALSE(Start({m_home.filePath(QStringLiteral("missing.lwd"))}));
    EXPECT_EQ(m_pApp->m_nExitCode, 1);
    EXPECT_EQ(m_prompts.Messages().size(), 1);
    m_pApp->ExitInstance();
    EXPECT_TRUE(QFile::exists(SettingsFile())) << "settings are written back after a failed start";
    EXPECT_TRUE(Stored(QStringLiteral("mainWindow"), QStringLiteral("rect")).isEmpty())
        << "a window never shown leaves no placement";
}

// Print Setup belongs to the application: enabled with or without sites, in either mode, and it runs the
// print dialog through the seam.
TEST_F(LockwardenAppTest, PrintSetupIsAlwaysEnabled) {
    const QString strFile = MakeDatabase(QStringLiteral("p.lwd"), "");
    ASSERT_TRUE(Start());
    CCommandRouter& router = *m_pApp->m_pRouter;
    EXPECT_TRUE(router.Query(ID_FILE_PRINT_SETUP).m_bEnabled) << "empty list, data entry";
    ASSERT_TRUE(m_pApp->OpenDocumentFile(strFile));
    EXPECT_TRUE(router.Query(ID_FILE_PRINT_SETUP).m_bEnabled) << "browsing";
    View().OnSiteEdit();
    EXPECT_TRUE(router.Query(ID_FILE_PRINT_SETUP).m_bEnabled) << "editing";
    EXPECT_TRUE(router.Execute(ID_FILE_PRINT_SETUP));
    EXPECT_EQ(m_prompts.m_dialogsShown, QStringList{QStringLiteral("Print Setup")});
}

TEST_F(LockwardenAppTest, TheToggleFlipsInMemoryAndOnlyTheStateAtExitIsStored) {
    Preset(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), 5);
    ASSERT_TRUE(Start());
    CCommandRouter& router = *m_pApp->m_pRouter;
    router.UpdateCommands();
    EXPECT_TRUE(Action(ID_START_WITH_MRU)->isChecked()) << "5 counts as set";
    const bool expected[] = {false, true, false};
    for (bool b : expected) {
        router.Execute(ID_START_WITH_MRU);
        EXPECT_EQ(Action(ID_START_WITH_MRU)->isChecked(), b);
        EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("bOpenMRU")), QStringLiteral("5"))
            << "nothing is stored before the exit";
    }
    Frame().close();
    m_pApp->ExitInstance();
    EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("bOpenMRU")), QStringLiteral("0"));
}

TEST_F(LockwardenAppTest, SavedPlacementIsTakenOnTheFirstTwoActivationsOnly) {
    Preset(QStringLiteral("mainWindow"), QStringLiteral("rect"), QStringLiteral("0100   0120 0600  0520"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame().geometry(), QRect(100, 120, 500, 400));
    Frame().setGeometry(QRect(30, 40, 820, 630));
    m_pApp->m_pRouter->Execute(ID_FILE_NEW);
    EXPECT_EQ(Frame().geometry().topLeft(), QPoint(30, 40)) << "File > New leaves the window where it is";
    Frame().close();
    m_pApp->ExitInstance();
    EXPECT_EQ(Stored(QStringLiteral("mainWindow"), QStringLiteral("rect")).left(9), QStringLiteral("0030 0040"));
}

TEST_F(LockwardenAppTest, ThreeNumbersInTheSavedRectAreIgnored) {
    Preset(QStringLiteral("mainWindow"), QStringLiteral("rect"), QStringLiteral("0100 0120 0500"));
    ASSERT_TRUE(Start());
    EXPECT_NE(Frame().geometry().topLeft(), QPoint(100, 120));
    EXPECT_EQ(Frame().m_nActivateCount, 2) << "an unusable placement still counts";
}

TEST_F(LockwardenAppTest, CloseIsRefusedWhileASiteIsBeingEnteredAndTheListIsNotEmpty) {
    const QString strFile = MakeDatabase(QStringLiteral("g.lwd"), "");
    ASSERT_TRUE(Start({strFile}));
    View().OnSiteAdd();
    EXPECT_FALSE(Frame().close());
    EXPECT_EQ(m_prompts.Messages(),
              QStringList{QStringLiteral("You are entering or changing data.\n\nYou must Keep or Cancel first.")});
    EXPECT_EQ(m_prompts.m_shown.back().nType, MB_ICONEXCLAMATION | MB_OK);
    View().OnSiteCancel();
    EXPECT_TRUE(Frame().close());
}

// New, Open, a recent file and dropped files would throw the entry away as Close would: the close
// guard's message, and nothing else happens. Browsing, or with an empty list, they go ahead.
TEST_F(LockwardenAppTest, NewAndOpenAreRefusedWhileASiteIsBeingEntered) {
    const QString strFile = MakeDatabase(QStringLiteral("g.lwd"), "");
    const QString strOther = MakeDatabase(QStringLiteral("other.lwd"), "", "other-site");
    const QString kRefusal = QStringLiteral("You are entering or changing data.\n\nYou must Keep or Cancel first.");
    struct Case {
        const char* pszName;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"New", [&] { m_pApp->m_pRouter->Execute(ID_FILE_NEW); }},
        {"Open", [&] { m_pApp->m_pRouter->Execute(ID_FILE_OPEN); }},
        {"recent file", [&] { m_pApp->m_pRouter->Execute(ID_FILE_MRU_FILE1 + 1); }},
        {"dropped file", [&] { m_pApp->OnDropFiles({strOther}); }},
    };
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strOther);
    ASSERT_TRUE(Start({strFile}));
    ASSERT_EQ(m_pApp->m_recentFiles[1], strOther);
    for (const bool bEditing : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.pszName) + (bEditing ? " while editing" : " while adding"));
            if (bEditing)
                View().OnSiteEdit();
            else
                View().OnSiteAdd();
            View().SiteList()->setEditText(QStringLiteral("typed"));
            m_prompts.m_shown.clear();

            c.run();

            EXPECT_EQ(m_prompts.MessageBoxes(),
                      (std::vector<CScriptedPrompts::Shown>{{kRefusal, MB_ICONEXCLAMATION | MB_OK}}));
            EXPECT_EQ(m_prompts.m_shown.size(), 1u) << "no file dialog, no password prompt";
            EXPECT_EQ(Frame().windowTitle(), QStringLiteral("g.lwd - Lockwarden"));
            EXPECT_FALSE(View().IsBrowsing());
            EXPECT_EQ(View().SiteList()->currentText(), QStringLiteral("typed"));
            View().OnSiteCancel();
        }
    }
    m_prompts.m_shown.clear();
    m_pApp->OnDropFiles({strOther});
    EXPECT_TRUE(m_prompts.m_shown.empty());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("other.lwd - Lockwarden"));
}

// A log-out while "Unexpected file format." shows: the document is emptied under the previous file's
// path and the new file's password; the end of the session must not write that over the previous file.
// While the message shows, the site list holds no item of a destroyed record.
TEST_F(LockwardenAppTest, EndOfSessionDuringADamagedOpenSavesNothing) {
    const QString strFile = MakeDatabase(QStringLiteral("e.lwd"), "old");
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray previous = file.readAll();
    file.close();
    const QString strDamaged = MakeDatabase(QStringLiteral("damaged.lwd"), "new", "bravo");
    ASSERT_TRUE(QFile::resize(strDamaged, QFileInfo(strDamaged).size() - 3));
    m_prompts.EnterPassword("old");
    ASSERT_TRUE(Start({strFile}));
    m_pApp->m_pDoc->SetModifiedFlag(true); // saved by the end of the session whatever its state
    m_prompts.AnswerMessage(IDNO);         // not before the open
    m_prompts.EnterPassword("new");
    int nItems = -1;
    bool bBrowsing = true;
    m_prompts.m_onMessageBox = [&](const QString& strText) {
        if (strText != QStringLiteral("Unexpected file format."))
            return;
        nItems = View().SiteList()->count();
        bBrowsing = View().IsBrowsing();
        m_pApp->OnEndSession();
    };

    EXPECT_FALSE(m_pApp->OpenDocumentFile(strDamaged));

    EXPECT_EQ(m_prompts.Messages(),
              (QStringList{QStringLiteral("Save changes to e.lwd?"), QStringLiteral("Unexpected file format.")}));
    EXPECT_EQ(nItems, 0);
    EXPECT_FALSE(bBrowsing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), previous);
}

// Change File Pswd from the Edit menu: greyed while the database has no sites, and once one is kept it
// asks for the new password twice, then marks the document.
TEST_F(LockwardenAppTest, ChangeFilePasswordThroughTheMenu) {
    ASSERT_TRUE(Start());
    QMenu* pEdit = nullptr;
    for (QAction* pMenuAction : Frame().menuBar()->actions())
        if (pMenuAction->text() == QStringLiteral("&Edit"))
            pEdit = pMenuAction->menu();
    ASSERT_NE(pEdit, nullptr);
    ASSERT_TRUE(pEdit->actions().contains(Action(ID_CHANGE_FILE_PSWD)));
    Q_EMIT pEdit->aboutToShow();
    EXPECT_FALSE(Action(ID_CHANGE_FILE_PSWD)->isEnabled());

    View().SiteList()->setEditText(QStringLiteral("alpha"));
    View().OnSiteKeep();
    Q_EMIT pEdit->aboutToShow();
    ASSERT_TRUE(Action(ID_CHANGE_FILE_PSWD)->isEnabled());
    m_prompts.EnterPassword("n3w");
    m_prompts.EnterPassword("n3w");
    m_prompts.m_shown.clear();
    Action(ID_CHANGE_FILE_PSWD)->trigger();

    EXPECT_EQ(m_prompts.m_shown,
              (std::vector<CScriptedPrompts::Shown>{{QStringLiteral("password:File:  Untitled  "), 0},
                                                    {QStringLiteral("confirm:File:  Untitled  "), 0}}));
    EXPECT_EQ(m_pApp->m_pDoc->GetFilePassword(), "n3w");
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Untitled * - Lockwarden"));
}

// The settings hold the last site's name: the file is the user's alone, whether the exit creates it or
// finds it readable by all.
TEST_F(LockwardenAppTest, SettingsFileIsWrittenOwnerOnly) {
    for (const bool bExisting : {false, true}) {
        SCOPED_TRACE(bExisting ? "existing 0644 file" : "new file");
        QFile::remove(SettingsFile());
        if (bExisting) {
            Preset(QStringLiteral("settings"), QStringLiteral("nLength"), 12);
            ASSERT_TRUE(QFile::setPermissions(SettingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther));
        }
        ASSERT_TRUE(Start());
        m_pApp->m_state.m_strFind = "bank";
        Frame().close();
        m_pApp->ExitInstance();
        m_pApp.reset();
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(SettingsFile()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("strFind")), QStringLiteral("bank"));
        EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("nLength")),
                  bExisting ? QStringLiteral("12") : QStringLiteral("8"));
    }
}

TEST_F(LockwardenAppTest, AnEmptyListClosesEvenInDataEntry) {
    ASSERT_TRUE(Start());
    ASSERT_FALSE(View().IsBrowsing());
    EXPECT_TRUE(Frame().close());
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

TEST_F(LockwardenAppTest, AModifiedDocumentAsksAndCancelKeepsTheWindowOpen) {
    ASSERT_TRUE(Start());
    m_pApp->m_pDoc->SetModifiedFlag(true);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Untitled * - Lockwarden"));
    m_prompts.AnswerMessage(IDCANCEL);
    EXPECT_FALSE(Frame().close());
    EXPECT_EQ(m_prompts.Messages(), QStringList{QStringLiteral("Save changes to Untitled?")});
    m_prompts.AnswerMessage(IDNO);
    EXPECT_TRUE(Frame().close());
}

TEST_F(LockwardenAppTest, EndOfSessionSavesToThePathWithoutAsking) {
    const QString strFile = MakeDatabase(QStringLiteral("e.lwd"), "");
    ASSERT_TRUE(Start({strFile}));
    m_pApp->m_pDoc->AddSite(std::make_unique<CSiteInfo>("beta", "", "", "", ""));
    m_pApp->m_pDoc->SetModifiedFlag(true);
    m_pApp->OnEndSession();
    EXPECT_TRUE(m_prompts.m_shown.empty());
    EXPECT_FALSE(Frame().isVisible());
    m_pApp->ExitInstance();

    CAppState state;
    CScriptedPrompts prompts;
    CLockwardenDoc doc(state, prompts);
    ASSERT_TRUE(doc.OnOpenDocument(strFile));
    EXPECT_EQ(doc.Sites().size(), 2u);
    EXPECT_FALSE(Stored(QStringLiteral("mainWindow"), QStringLiteral("rect")).isEmpty());
}

// A sync tool replaces the file while it is open and untouched here: the end of the session has nothing
// of its own to save, and writes nothing over the other program's file, nor asks.
TEST_F(LockwardenAppTest, EndOfSessionLeavesAnUnmodifiedFileAsAnotherProgramLeftIt) {
    const QString strFile = MakeDatabase(QStringLiteral("e.lwd"), "");
    ASSERT_TRUE(Start({strFile}));
    const QString strOther = MakeDatabase(QStringLiteral("other.lwd"), "", "synced");
    QFile other(strOther);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    const QByteArray synced = other.readAll();
    other.close();
    ASSERT_EQ(::rename(QFile::encodeName(strOther).constData(), QFile::encodeName(strFile).constData()), 0);

    m_pApp->OnEndSession();

    EXPECT_TRUE(m_prompts.m_shown.empty());
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), synced);
}

TEST_F(LockwardenAppTest, DroppedFilesOpenOneAfterAnotherAndJoinTheRecentList) {
    const QString strA = MakeDatabase(QStringLiteral("a.lwd"), "");
    const QString strB = MakeDatabase(QStringLiteral("b.lwd"), "");
    ASSERT_TRUE(Start());
    m_pApp->OnDropFiles({strA, strB});
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("b.lwd - Lockwarden"));
    EXPECT_EQ(m_pApp->m_recentFiles.Entries(), (QStringList{strB, strA}));
    Q_EMIT Frame().RecentFilesMenu()->aboutToShow();
    EXPECT_EQ(Action(ID_FILE_MRU_FILE1)->text(), QStringLiteral("&1 ") + CRecentFileList::AbbreviateName(strB));
    EXPECT_TRUE(Action(ID_FILE_MRU_FILE1 + 1)->isVisible());
    EXPECT_FALSE(Action(ID_FILE_MRU_FILE1 + 2)->isVisible());
}

TEST_F(LockwardenAppTest, ARecentFileThatCannotBeOpenedLeavesTheMenu) {
    const QString strGone = m_home.filePath(QStringLiteral("gone.lwd"));
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strGone);
    ASSERT_TRUE(Start());
    m_pApp->m_pRouter->UpdateCommands();
    ASSERT_TRUE(Action(ID_FILE_MRU_FILE1)->isEnabled());
    m_pApp->m_pRouter->Execute(ID_FILE_MRU_FILE1);
    EXPECT_EQ(m_pApp->m_recentFiles.GetSize(), 0);
    EXPECT_FALSE(Action(ID_FILE_MRU_FILE1)->isEnabled());
}

TEST_F(LockwardenAppTest, UnregisterRemovesTheSettingsAndTheExitWritesOnlyTheSettingsBack) {
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), QStringLiteral("/x.lwd"));
    Preset(QStringLiteral("mainWindow"), QStringLiteral("rect"), QStringLiteral("1 2 3 4"));
    EXPECT_FALSE(Start({QStringLiteral("-Unregister")}));
    EXPECT_EQ(m_pApp->m_nExitCode, 0);
    EXPECT_EQ(m_prompts.Messages(), QStringList{LoadString(AFX_IDP_UNREG_DONE)});
    EXPECT_FALSE(QFile::exists(SettingsFile()));
    m_pApp->ExitInstance();
    bool bFound = false;
    Stored(QStringLiteral("settings"), QStringLiteral("bOpenMRU"), &bFound);
    EXPECT_TRUE(bFound);
    Stored(QStringLiteral("Recent File List"), QStringLiteral("File1"), &bFound);
    EXPECT_FALSE(bFound);
    Stored(QStringLiteral("mainWindow"), QStringLiteral("rect"), &bFound);
    EXPECT_FALSE(bFound);
}

TEST_F(LockwardenAppTest, UnregisterWithEmbeddingShowsNothing) {
    EXPECT_FALSE(Start({QStringLiteral("/unregserver"), QStringLiteral("-Embedding")}));
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

TEST_F(LockwardenAppTest, NotYetBuiltCommandsStandDisabledAndTheToolbarTogglesItsBar) {
    ASSERT_TRUE(Start());
    CCommandRouter& router = *m_pApp->m_pRouter;
    router.UpdateCommands();
    for (int nID : {ID_EDIT_FIND, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        EXPECT_FALSE(Action(nID)->isEnabled()) << nID;
    for (int nID : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_APP_EXIT, ID_FILE_PRINT_SETUP})
        EXPECT_TRUE(Action(nID)->isEnabled()) << nID;
    EXPECT_TRUE(Action(ID_VIEW_TOOLBAR)->isChecked());
    router.Execute(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(Frame().ToolBar()->isVisibleTo(&Frame()));
    EXPECT_FALSE(Action(ID_VIEW_TOOLBAR)->isChecked());
    EXPECT_EQ(Action(ID_EDIT_COPY)->shortcuts().size(), 2);
    EXPECT_EQ(Action(ID_FILE_SAVE)->statusTip(), QStringLiteral("Save the active document"));
    EXPECT_EQ(Frame().PaneText(0), QStringLiteral("Ready"));
}

TEST_F(LockwardenAppTest, CreatePasswordsIsEnabledExactlyWhileNoGeneratorExists) {
    ASSERT_TRUE(Start());
    CCommandRouter& router = *m_pApp->m_pRouter;
    QAction* pItem = Action(ID_CREATE_PASSWORDS);
    router.UpdateCommands();
    EXPECT_TRUE(pItem->isEnabled());
    EXPECT_EQ(pItem->statusTip(), QStringLiteral("Create Passwords"));
    EXPECT_EQ(Frame().m_pCreatePasswordsDlg, nullptr);

    ASSERT_TRUE(router.Execute(ID_CREATE_PASSWORDS));
    const QPointer<CCreatePasswordsDlg> pFirst = Frame().m_pCreatePasswordsDlg;
    ASSERT_FALSE(pFirst.isNull());
    EXPECT_TRUE(pFirst->isVisible());
    EXPECT_EQ(pFirst->parentWidget(), &Frame());
    EXPECT_FALSE(pItem->isEnabled());
    EXPECT_FALSE(router.Execute(ID_CREATE_PASSWORDS));
    EXPECT_EQ(Frame().m_pCreatePasswordsDlg, pFirst.data());

    // Esc leaves it open; the close box ends it and frees the slot.
    QTest::keyClick(pFirst.data(), Qt::Key_Escape);
    EXPECT_TRUE(pFirst->isVisible());
    EXPECT_EQ(Frame().m_pCreatePasswordsDlg, pFirst.data());
    EXPECT_FALSE(pItem->isEnabled());
    pFirst->close();
    EXPECT_EQ(Frame().m_pCreatePasswordsDlg, nullptr);
    EXPECT_TRUE(pItem->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pFirst.isNull());

    ASSERT_TRUE(router.Execute(ID_CREATE_PASSWORDS));
    EXPECT_NE(Frame().m_pCreatePasswordsDlg, nullptr);
    EXPECT_FALSE(pItem->isEnabled());
    EXPECT_TRUE(m_prompts.m_shown.empty());
}

TEST_F(LockwardenAppTest, ClosingTheMainWindowWithTheGeneratorOpenStoresItsValues) {
    ASSERT_TRUE(Start());
    m_pApp->m_pRouter->Execute(ID_CREATE_PASSWORDS);
    CCreatePasswordsDlg* pDlg = Frame().m_pCreatePasswordsDlg;
    ASSERT_NE(pDlg, nullptr);
    FindControl<QLineEdit>(pDlg, IDC_LENGTH)->setText(QStringLiteral("13"));
    FindControl<QCheckBox>(pDlg, IDC_NUMBERS)->setChecked(false);
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(Frame().m_pCreatePasswordsDlg, nullptr);
    EXPECT_EQ(m_pApp->ExitInstance(), 0);
    EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("nLength")), QStringLiteral("13"));
    EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("bNumbers")), QStringLiteral("0"));
    EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("bMixedCase")), QStringLiteral("1"));
    EXPECT_TRUE(m_prompts.m_shown.empty());

    // The next run opens with them; an emptied length box is reported once and the stored length stays.
    m_pApp.reset();
    ASSERT_TRUE(Start());
    m_pApp->m_pRouter->Execute(ID_CREATE_PASSWORDS);
    pDlg = Frame().m_pCreatePasswordsDlg;
    ASSERT_NE(pDlg, nullptr);
    EXPECT_EQ(FindControl<QLineEdit>(pDlg, IDC_LENGTH)->text(), QStringLiteral("13"));
    EXPECT_FALSE(FindControl<QCheckBox>(pDlg, IDC_NUMBERS)->isChecked());
    FindControl<QLineEdit>(pDlg, IDC_LENGTH)->clear();
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(m_pApp->ExitInstance(), 0);
    EXPECT_EQ(m_prompts.Messages(), QStringList{QStringLiteral("Please enter a positive integer.")});
    EXPECT_EQ(Stored(QStringLiteral("settings"), QStringLiteral("nLength")), QStringLiteral("13"));
}

} // namespace

namespace {

TEST_F(LockwardenAppTest, AboutRunsTheAboutBoxModally) {
    ASSERT_TRUE(Start());
    m_pApp->m_pRouter->UpdateCommands();
    ASSERT_TRUE(Action(ID_APP_ABOUT)->isEnabled());
    Action(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(m_prompts.m_dialogsShown.size(), 1);
    Action(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(m_prompts.m_dialogsShown.size(), 2);
}

} // namespace

namespace {

// What a screen reader hears for a widget: the accessibility interface's name.
QString AccessibleNameOf(QWidget* pWidget) {
    QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(pWidget);
    return pInterface != nullptr ? pInterface->text(QAccessible::Name) : QString();
}

TEST_F(LockwardenAppTest, EveryControlOfTheMainWindowHasAnAccessibleName) {
    ASSERT_TRUE(Start());
    QStringList unnamed;
    const QList<QWidget*> widgets = Frame().findChildren<QWidget*>();
    for (QWidget* pWidget : widgets) {
        const bool bInteractive =
            qobject_cast<QAbstractButton*>(pWidget) != nullptr || qobject_cast<QLineEdit*>(pWidget) != nullptr ||
            qobject_cast<QComboBox*>(pWidget) != nullptr || qobject_cast<QPlainTextEdit*>(pWidget) != nullptr;
        // The combo box's own line edit is reached through the combo box.
        if (!bInteractive || !pWidget->isVisibleTo(&Frame()) || qobject_cast<QComboBox*>(pWidget->parentWidget()))
            continue;
        if (AccessibleNameOf(pWidget).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(pWidget->objectName(),
                                                     QString::fromLatin1(pWidget->metaObject()->className()));
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();

    // The form's fields are named by their labels, the buttons by their captions.
    const std::pair<int, const char*> expected[] = {{IDC_SITE, "Site"},   {IDC_URL, "URL"},
                                                    {IDC_USER, "User"},   {IDC_PSWD, "Pswd"},
                                                    {IDC_NOTES, "Notes"}, {IDC_ADD, "Add"},
                                                    {IDC_KEEP, "Keep"},   {IDC_GO_URL, "Go URL"},
                                                    {IDC_FIND, "Find"},   {IDC_NOTES_BUTTON, "Notes..."}};
    for (const auto& [nID, pszName] : expected) {
        QWidget* pControl = FindControl<QWidget>(&View(), nID);
        ASSERT_NE(pControl, nullptr) << nID;
        EXPECT_EQ(AccessibleNameOf(pControl), QString::fromLatin1(pszName)) << nID;
    }
}

TEST_F(LockwardenAppTest, TabWalksTheFormInTemplateOrder) {
    ASSERT_TRUE(Start());
    Frame().activateWindow();
    const int order[] = {IDC_SITE, IDC_URL, IDC_USER, IDC_PSWD, IDC_NOTES};
    QWidget* pFirst = FindControl<QWidget>(&View(), order[0]);
    ASSERT_NE(pFirst, nullptr);
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget* pFrom = FindControl<QWidget>(&View(), order[i]);
        QWidget* pNext = pFrom->nextInFocusChain();
        // A combo box's line edit sits between it and the next control in the chain.
        while (pNext != nullptr && (pNext->focusPolicy() & Qt::TabFocus) == 0)
            pNext = pNext->nextInFocusChain();
        if (qobject_cast<QComboBox*>(pNext != nullptr ? pNext->parentWidget() : nullptr))
            pNext = pNext->nextInFocusChain();
        ASSERT_NE(pNext, nullptr);
        EXPECT_EQ(pNext->objectName(), QStringLiteral("IDC_%1").arg(order[i + 1])) << "after " << order[i];
    }
}

} // namespace

namespace {

TEST_F(LockwardenAppTest, ARecentFileLeavesTheListOnlyWhenItIsGone) {
    const QString strKept = MakeDatabase(QStringLiteral("kept.lwd"), "secret");
    const QString strGone = MakeDatabase(QStringLiteral("gone.lwd"), "");
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File1"), strKept);
    Preset(QStringLiteral("Recent File List"), QStringLiteral("File2"), strGone);
    ASSERT_TRUE(Start());
    ASSERT_EQ(m_pApp->m_recentFiles.GetSize(), 2);

    // The password prompt is cancelled (unscripted): the file is still there, and so is its entry.
    Action(ID_FILE_MRU_FILE1)->trigger();
    EXPECT_EQ(m_pApp->m_recentFiles.GetSize(), 2);
    EXPECT_EQ(m_pApp->m_recentFiles[0], strKept);

    ASSERT_TRUE(QFile::remove(strGone));
    Action(ID_FILE_MRU_FILE1 + 1)->trigger();
    EXPECT_EQ(m_pApp->m_recentFiles.GetSize(), 1);
    EXPECT_EQ(m_pApp->m_recentFiles[0], strKept);
}

} // namespace

namespace {

TEST_F(LockwardenAppTest, TheSitesPaneCountsAcrossKeepRemoveNewAndOpen) {
    const QString strFile = MakeDatabase(QStringLiteral("one.lwd"), "pw");
    ASSERT_TRUE(Start());
    const auto pane = [&] { return Frame().PaneText(ID_INDICATOR_SITES); };
    EXPECT_EQ(pane(), QStringLiteral("0 Sites"));
    EXPECT_TRUE(Frame().findChild<QLabel*>(QStringLiteral("ID_%1").arg(ID_INDICATOR_SITES))->alignment() &
                Qt::AlignHCenter);

    View().SiteList()->setEditText(QStringLiteral("first"));
    m_pApp->m_pRouter->Execute(ID_SITE_KEEP);
    EXPECT_EQ(pane(), QStringLiteral("1 Sites"));
    m_pApp->m_pRouter->Execute(ID_SITE_ADD);
    View().SiteList()->setEditText(QStringLiteral("second"));
    m_pApp->m_pRouter->Execute(ID_SITE_KEEP);
    EXPECT_EQ(pane(), QStringLiteral("2 Sites"));
    m_prompts.AnswerMessage(IDYES);
    m_pApp->m_pRouter->Execute(ID_SITE_REMOVE);
    EXPECT_EQ(pane(), QStringLiteral("1 Sites"));

    m_prompts.AnswerMessage(IDNO); // do not save the changes
    m_pApp->m_pRouter->Execute(ID_FILE_NEW);
    EXPECT_EQ(pane(), QStringLiteral("0 Sites"));
    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(m_pApp->OpenDocumentFile(strFile));
    EXPECT_EQ(pane(), QStringLiteral("1 Sites"));
}

// Paste and Undo follow the clipboard as it changes, with no command run in between.
TEST_F(LockwardenAppTest, PasteAndUndoFollowTheClipboard) {
    ASSERT_TRUE(Start());
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(Action(ID_EDIT_PASTE)->isEnabled());
    EXPECT_FALSE(Action(ID_EDIT_UNDO)->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    EXPECT_TRUE(Action(ID_EDIT_PASTE)->isEnabled());
    EXPECT_TRUE(Action(ID_EDIT_UNDO)->isEnabled());
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(Action(ID_EDIT_PASTE)->isEnabled());
    EXPECT_FALSE(Action(ID_EDIT_UNDO)->isEnabled());
}

// The site last looked at comes back per file, in this run and the next: never another file's, and never
// written for a sealed file, whose site names are as secret as the rest of it. The one name that an earlier
// version kept for every file is removed from the settings.
TEST_F(LockwardenAppTest, TheLastSiteShownIsKeptPerFileAndNeverForASealedOne) {
    const auto make = [&](const QString& strName, bool bSealed, const std::vector<std::string>& names) {
        const QString strPath = m_home.filePath(strName);
        CAppState state;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(state, prompts);
        for (const std::string& strSite : names)
            doc.AddSite(std::make_unique<CSiteInfo>(strSite, "", "", "site-pw", ""));
        if (!bSealed)
            doc.SetFileKey(CFileKey::Classic("pw"));
        if (bSealed) {
            doc.SetSealCost(SealedFormat::kMinCost);
            // Sealing asks for its password twice.
            prompts.EnterPassword("pw");
            prompts.EnterPassword("pw");
            doc.OnSealFile();
            EXPECT_TRUE(doc.IsSealed());
        }
        EXPECT_TRUE(doc.OnSaveDocument(strPath));
        return strPath;
    };
    const QString strA = make(QStringLiteral("a.lwd"), false, {"alpha", "bravo", "charlie"});
    const QString strB = make(QStringLiteral("b.lwd"), false, {"alpha", "echo"});
    const QString strSealed = make(QStringLiteral("s.lwd"), true, {"alpha", "hidden-name"});
    Preset(QStringLiteral("settings"), QStringLiteral("strSiteName"), QStringLiteral("charlie"));
    const auto show = [&](const char* pszSite) {
        for (const auto& pSite : m_pApp->m_pDoc->Sites())
            if (pSite->m_strSite == pszSite) {
                ASSERT_TRUE(View().ShowRecord(pSite.get()));
            }
    };
    const auto shown = [&] { return View().CurrentSite() ? View().CurrentSite()->m_strSite : std::string(); };
    const auto open = [&](const QString& strPath) {
        m_prompts.EnterPassword("pw");
        ASSERT_TRUE(m_pApp->OpenDocumentFile(strPath));
    };

    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(Start({strA}));
    EXPECT_EQ(shown(), "alpha"); // the old setting is nobody's last site
    show("bravo");
    open(strB);
    EXPECT_EQ(shown(), "alpha");
    show("echo");
    open(strA);
    EXPECT_EQ(shown(), "bravo");
    open(strSealed);
    show("hidden-name");
    open(strB);
    EXPECT_EQ(shown(), "echo");
    open(strSealed);
    EXPECT_EQ(shown(), "hidden-name"); // in this run only
    Frame().close();
    m_pApp->ExitInstance();
    m_pApp.reset();

    QFile settings(SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_FALSE(text.contains("hidden-name")) << text.constData();
    EXPECT_FALSE(text.contains("strSiteName")) << text.constData();

    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(Start({strA}));
    EXPECT_EQ(shown(), "bravo");
    open(strB);
    EXPECT_EQ(shown(), "echo");
    open(strSealed);
    EXPECT_EQ(shown(), "alpha");
}

} // namespace

// A Keep touches the document, its title, the list and the mode; the menus are refreshed once for it,
// whether it comes from the menu or from the form's button, and once more for nothing afterwards.
TEST_F(LockwardenAppTest, OneKeepRefreshesTheCommandsOnce) {
    ASSERT_TRUE(Start({MakeDatabase(QStringLiteral("one.lwd"), "")}));
    QSignalSpy refreshes(m_pApp->m_pRouter.get(), &CCommandRouter::commandsUpdated);
    const auto keepNamed = [&](const QString& strName, const std::function<void()>& keep) {
        View().OnSiteAdd();
        View().SiteList()->setEditText(strName);
        QCoreApplication::processEvents();
        refreshes.clear();
        keep();
        QCoreApplication::processEvents();
        EXPECT_EQ(refreshes.count(), 1) << strName.toStdString();
    };
    keepNamed(QStringLiteral("by menu"), [&] { m_pApp->m_pRouter->Execute(ID_SITE_KEEP); });
    keepNamed(QStringLiteral("by button"), [&] { FindControl<QPushButton>(&View(), IDC_KEEP)->click(); });
    EXPECT_EQ(View().SiteCount(), 3);
    EXPECT_TRUE(Action(ID_FILE_SAVE)->isEnabled());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("one.lwd * - Lockwarden"));
}

// A change made to the document by anything but the form (a reload or a merge will) reaches the list, the
// sites pane and the commands all the same.
TEST_F(LockwardenAppTest, AChangeMadeOutsideTheFormReachesTheListThePaneAndTheCommands) {
    ASSERT_TRUE(Start({MakeDatabase(QStringLiteral("one.lwd"), "")}));
    CLockwardenDoc& doc = *m_pApp->m_pDoc;
    CSiteInfo* pBeta = doc.AddSite(std::make_unique<CSiteInfo>("beta", "", "", "", ""));
    doc.ReplaceSite(doc.Sites()[0].get(), std::make_unique<CSiteInfo>("gamma", "", "", "", ""));
    QCoreApplication::processEvents();
    EXPECT_EQ(View().SiteCount(), 2);
    EXPECT_EQ(View().SiteList()->itemText(0), QStringLiteral("beta"));
    EXPECT_EQ(View().SiteList()->itemText(1), QStringLiteral("gamma"));
    EXPECT_EQ(Frame().PaneText(ID_INDICATOR_SITES), QStringLiteral("2 Sites"));
    doc.RemoveSite(pBeta);
    doc.RemoveSite(doc.Sites()[0].get());
    QCoreApplication::processEvents();
    EXPECT_EQ(View().SiteCount(), 0);
    EXPECT_EQ(Frame().PaneText(ID_INDICATOR_SITES), QStringLiteral("0 Sites"));
    EXPECT_FALSE(Action(ID_CHANGE_FILE_PSWD)->isEnabled());
}

// The first site typed into a new database is not lost to a close, New, Open or a drop: the form holds
// typed, unkept text, and the window says so as it does with sites. Cancel empties it, and then it goes.
TEST_F(LockwardenAppTest, TypedTextInTheFormOfAnEmptyDatabaseHoldsTheWindow) {
    const QString strOther = MakeDatabase(QStringLiteral("other.lwd"), "");
    const struct {
        int nField;
        const char* pszName;
    } fields[] = {{IDC_SITE, "site"}, {IDC_URL, "url"}, {IDC_USER, "user"}, {IDC_PSWD, "pswd"}, {IDC_NOTES, "notes"}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.pszName);
        m_prompts.m_shown.clear();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(View().IsListEmpty());
        if (f.nField == IDC_SITE)
            View().SiteList()->setEditText(QStringLiteral("bank"));
        else if (f.nField == IDC_NOTES)
            FindControl<QPlainTextEdit>(&View(), f.nField)->setPlainText(QStringLiteral("typed"));
        else
            FindControl<QLineEdit>(&View(), f.nField)->setText(QStringLiteral("typed"));
        EXPECT_FALSE(Frame().close());
        m_pApp->OnFileNew();
        m_pApp->OnFileOpen();
        m_pApp->m_recentFiles.Add(strOther);
        m_pApp->OnOpenRecentFile(0);
        Q_EMIT Frame().filesDropped({strOther});
        const CScriptedPrompts::Shown refusal{LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK};
        EXPECT_EQ(m_prompts.m_shown, (std::vector<CScriptedPrompts::Shown>(5, refusal)));
        EXPECT_TRUE(View().IsListEmpty());
        EXPECT_EQ(m_pApp->m_pDoc->GetPathName(), QString());

        View().OnSiteCancel();
        EXPECT_TRUE(Frame().close());
        m_pApp.reset();
    }
}

TEST_F(LockwardenAppTest, PasswordHealthFollowsTheViewAndShowsTheChosenSite) {
    const QString strPath = m_home.filePath(QStringLiteral("health.lwd"));
    {
        CAppState state;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(state, prompts);
        doc.AddSite(std::make_unique<CSiteInfo>("alpha", "", "", "q7#Vk2!pL9xZw4", ""));
        doc.AddSite(std::make_unique<CSiteInfo>("beta", "", "", "q7#Vk2!pL9xZw4", ""));
        doc.AddSite(std::make_unique<CSiteInfo>("gamma", "", "", "Zr8$mW2#kQ5!x", ""));
        ASSERT_TRUE(doc.OnSaveDocument(strPath));
    }
    ASSERT_TRUE(Start({strPath}));
    ASSERT_EQ(View().SiteCount(), 3);
    Action(ID_PASSWORD_HEALTH)->trigger();
    const QPointer<CPasswordHealthDlg> pDlg = Frame().PasswordHealthDlg();
    ASSERT_FALSE(pDlg.isNull());
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_FALSE(pDlg->isModal());
    EXPECT_EQ(pDlg->parentWidget(), &Frame());
    ASSERT_EQ(pDlg->Findings().size(), 2u); // alpha and beta share a password

    // A row chosen shows its site in the form.
    auto* pList = FindControl<QTreeView>(pDlg.data(), IDC_HEALTH_FINDINGS);
    pList->setCurrentIndex(pList->model()->index(1, 0));
    EXPECT_EQ(View().CurrentSite()->m_strSite, "beta");
    EXPECT_EQ(pDlg->Findings().size(), 2u);

    // While a site is being entered, a chosen row leaves the form alone.
    View().OnSiteAdd();
    const int nCurrent = View().CurrentIndex();
    pList->setCurrentIndex(pList->model()->index(0, 0));
    EXPECT_TRUE(View().IsDataEntry());
    EXPECT_EQ(View().CurrentIndex(), nCurrent);
    View().OnSiteCancel();
    EXPECT_EQ(View().CurrentSite()->m_strSite, "beta");

    // Remove through the view: the report follows.
    m_prompts.AnswerMessage(IDYES);
    View().OnSiteRemove();
    EXPECT_EQ(View().SiteCount(), 2);
    for (int i = 0; i < 1000 && pDlg->IsChecking(); ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(pDlg->Findings().empty());

    // The menu item brings the open report forward rather than opening another.
    Action(ID_PASSWORD_HEALTH)->trigger();
    EXPECT_EQ(Frame().PasswordHealthDlg(), pDlg.data());
}
