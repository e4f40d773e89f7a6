// The lock as the user meets it in the running program: File > Lock and Ctrl+L, Unlock and Enter, unsaved
// changes and data entry, the windows that go, the clipboard, the idle time, the Options dialog, and the
// screen lock arriving on a bus of the test's own. Each test runs the application with its own settings.

#include "EnvOverride.h"
#include "PrivateBus.h"
#include "ScriptedWndPrompts.h"
#include "WaitActive.h"

#include "core/database/LockwardenDoc.h"
#include "core/framework/MessageBoxButtons.h"
#include "core/platform/FileAccess.h"
#include "core/platform/ProfileStore.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/app/LockController.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/IdleWatch.h"
#include "ui/platform/ScreenLockWatch.h"
#include "ui/tools/CreatePasswordsDlg.h"
#include "ui/tools/PasswordHealthDlg.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kBadPassword = QStringLiteral("Bad file password !");
const QString kLocked = QStringLiteral("Locked: press Enter or choose File > Unlock to see the sites");

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class LockwardenAppLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        m_pApp.reset();
        QGuiApplication::clipboard()->clear();
    }

    QString SettingsFile() const {
        return CProfileStore::FilePathOf(QStringLiteral("Fernhollow"), QStringLiteral("Lockwarden"));
    }
    // alpha, beta and gamma under strPassword.
    QString MakeDatabase(const QString& strName, const std::string& strPassword) {
        const QString strPath = m_home.filePath(strName);
        CAppState state;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(state, prompts);
        doc.SetFileKey(CFileKey::Classic(strPassword));
        for (const char* psz : {"alpha", "beta", "gamma"})
            doc.AddSite(std::make_unique<CSiteInfo>(psz, std::string("https://") + psz + ".example", "ann",
                                                    std::string("pw-") + psz, std::string("notes of ") + psz));
        EXPECT_TRUE(doc.OnSaveDocument(strPath));
        return strPath;
    }
    // Starts with strPath open under its password, the window active.
    void StartWith(const QString& strPath, const std::string& strPassword) {
        m_prompts.EnterPassword(strPassword);
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        ASSERT_TRUE(m_pApp->InitInstance({strPath}));
        Frame().activateWindow();
        ASSERT_TRUE(WaitActive(&Frame()));
        m_prompts.m_shown.clear();
    }
    CMainFrame& Frame() { return *m_pApp->m_pMainFrame; }
    CLockwardenView& View() { return *Frame().GetActiveView(); }
    CLockwardenDoc& Doc() { return *m_pApp->m_pDoc; }
    QAction* Action(int nID) { return m_pApp->m_pRouter->Action(nID); }
    bool Enabled(int nID) {
        m_pApp->m_pRouter->UpdateCommands();
        return Action(nID)->isEnabled();
    }
    template <class T = QLineEdit> T* Field(int nID) { return FindControl<T>(&View(), nID); }
    void Show(const char* pszSite) { View().SelectSite(View().SiteList()->findText(QString::fromLatin1(pszSite))); }
    static QString ClipText() {
        const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
        return pData != nullptr ? pData->text() : QString();
    }
    // The form as shown: site name and the four fields.
    QStringList Form() {
        return {View().SiteList()->currentText(), Field(IDC_URL)->text(), Field(IDC_USER)->text(),
                Field(IDC_PSWD)->text(), Field<QPlainTextEdit>(IDC_NOTES)->toPlainText()};
    }
    // Everything a locked window shows of the file: nothing but its name.
    void ExpectLockedWindow(const QString& strTitle) {
        EXPECT_TRUE(Doc().IsLocked());
        EXPECT_TRUE(View().IsLocked());
        EXPECT_EQ(View().SiteCount(), 0);
        EXPECT_EQ(Form(), (QStringList{QString(), QString(), QString(), QString(), QString()}));
        EXPECT_FALSE(View().isEnabled());
        EXPECT_FALSE(View().IsDataEntry());
        EXPECT_EQ(Frame().windowTitle(), strTitle);
        EXPECT_EQ(Frame().MessageBar().TextOf(CMessageBar::ESource::lock), kLocked);
        ASSERT_NE(Frame().MessageBar().ButtonOf(CMessageBar::ESource::lock), nullptr);
        EXPECT_EQ(Frame().MessageBar().ButtonOf(CMessageBar::ESource::lock)->accessibleName(),
                  QStringLiteral("Unlock"));
        EXPECT_EQ(Frame().PaneText(ID_INDICATOR_SITES), QStringLiteral("Locked"));
        for (const int nID : {ID_FILE_SAVE,         ID_FILE_SAVE_AS,    ID_FILE_SEAL,
                              ID_FILE_SAVE_CLASSIC, ID_FILE_PRINT,      ID_FILE_PRINT_PREVIEW,
                              ID_SITE_ADD,          ID_SITE_EDIT,       ID_SITE_REMOVE,
                              ID_SITE_KEEP,         ID_SITE_CANCEL,     ID_SITE_NOTES,
                              ID_EDIT_FIND,         ID_GO_URL,          ID_EDIT_COPY_PASSWORD,
                              ID_EDIT_COPY_USER,    ID_EDIT_COPY_URL,   ID_EDIT_COPY,
                              ID_EDIT_CUT,          ID_EDIT_PASTE,      ID_EDIT_UNDO,
                              ID_CHANGE_FILE_PSWD,  ID_PASSWORD_HEALTH, ID_FILE_LOCK})
            EXPECT_FALSE(Enabled(nID)) << nID;
        for (const int nID : {ID_FILE_UNLOCK, ID_FILE_NEW, ID_FILE_OPEN, ID_APP_EXIT, ID_OPTIONS, ID_CREATE_PASSWORDS,
                              ID_APP_ABOUT, ID_DOCUMENTATION, ID_VIEW_TOOLBAR})
            EXPECT_TRUE(Enabled(nID)) << nID;
    }
    bool WaitLocked(bool bLocked = true) {
        return QTest::qWaitFor([&] { return Doc().IsLocked() == bLocked; }, 5000);
    }

    QTemporaryDir m_home;
    CTempXdgHome m_xdg;
    // No bus of the desktop's reaches these tests; the ones that want a bus start their own.
    QTemporaryDir m_noBusDir;
    CEnvOverride m_noSessionBus{"DBUS_SESSION_BUS_ADDRESS",
                                "unix:path=" + QFile::encodeName(m_noBusDir.path()) + "/none"};
    CEnvOverride m_noSystemBus{"DBUS_SYSTEM_BUS_ADDRESS",
                               "unix:path=" + QFile::encodeName(m_noBusDir.path()) + "/none"};
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
};

// Ctrl+L empties the window but for the file's name, greys what reads or changes sites and takes our
// password off the clipboard; Cancel stays locked; Enter asks for the password, refuses a wrong one as the
// open does, and brings the sites back with the one that was shown. Nothing is written.
TEST_F(LockwardenAppLockTest, LockAndUnlockThroughTheKeysBringBackTheSiteShown) {
    const QString strPath = MakeDatabase(QStringLiteral("sites.lwd"), "secret");
    StartWith(strPath, "secret");
    const QByteArray before = ReadFile(strPath);
    const FileAccess::CFileStamp stamp = FileAccess::GetFileStamp(strPath);
    Show("beta");
    const QStringList shown = Form();
    ASSERT_EQ(shown.front(), QStringLiteral("beta"));
    EXPECT_TRUE(Enabled(ID_FILE_LOCK));
    EXPECT_FALSE(Enabled(ID_FILE_UNLOCK));
    Action(ID_EDIT_COPY_PASSWORD)->trigger();
    ASSERT_EQ(ClipText(), QStringLiteral("pw-beta"));

    QTest::keyClick(&Frame(), Qt::Key_L, Qt::ControlModifier);
    ExpectLockedWindow(QStringLiteral("sites.lwd - Lockwarden"));
    EXPECT_FALSE(Doc().IsKeepingLockedRecords());
    EXPECT_TRUE(Doc().Sites().empty());
    EXPECT_EQ(Frame().PaneText(ID_INDICATOR_KIND), QStringLiteral("Classic"));
    EXPECT_EQ(ClipText(), QString());
    EXPECT_TRUE(m_prompts.m_shown.empty()) << "nothing unsaved: nothing asked";

    m_prompts.CancelPassword();
    Action(ID_FILE_UNLOCK)->trigger();
    EXPECT_TRUE(Doc().IsLocked());
    EXPECT_EQ(m_prompts.m_shown.back().strText, QStringLiteral("password:File:  sites.lwd"));

    m_prompts.m_shown.clear();
    m_prompts.EnterPassword("wrong");
    m_prompts.EnterPassword("secret");
    QTest::keyClick(&Frame(), Qt::Key_Return);
    ASSERT_TRUE(WaitLocked(false));
    EXPECT_EQ(m_prompts.Messages(), QStringList{kBadPassword});
    EXPECT_EQ(Form(), shown);
    EXPECT_TRUE(View().isEnabled());
    EXPECT_TRUE(View().IsBrowsing());
    EXPECT_EQ(Frame().PaneText(0), QStringLiteral("Ready"));
    EXPECT_EQ(Frame().MessageBar().TextOf(CMessageBar::ESource::lock), QString());
    EXPECT_FALSE(Frame().MessageBar().isVisible());
    EXPECT_EQ(Frame().PaneText(ID_INDICATOR_SITES), QStringLiteral("3 Sites"));
    EXPECT_TRUE(Enabled(ID_EDIT_FIND));
    EXPECT_FALSE(Enabled(ID_FILE_UNLOCK));

    // Text that is no secret of ours stays on the clipboard through a lock.
    QGuiApplication::clipboard()->setText(QStringLiteral("not ours"));
    QTest::keyClick(&Frame(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(Doc().IsLocked());
    EXPECT_EQ(ClipText(), QStringLiteral("not ours"));
    EXPECT_EQ(ReadFile(strPath), before);
    EXPECT_TRUE(FileAccess::GetFileStamp(strPath) == stamp);
}

// Unsaved changes: the menu's Lock asks (Cancel stays, No keeps them for Unlock, Yes saves and locks); the
// automatic lock asks nothing and keeps them; Exit while they are kept asks for the password first and only
// then whether to save.
TEST_F(LockwardenAppLockTest, UnsavedChangesAreAskedAboutByTheMenuKeptByTheAutomaticLockAndAskedAgainAtExit) {
    const QString strPath = MakeDatabase(QStringLiteral("work.lwd"), "secret");
    StartWith(strPath, "secret");
    const QByteArray before = ReadFile(strPath);
    Doc().AddSite(std::make_unique<CSiteInfo>("delta", "", "", "pw-delta", ""));
    const QString strAsk = QStringLiteral("Save changes to work.lwd?");
    // The lock's own question says what its No does, which is not what Exit's No does.
    const QString strLockAsk = QStringLiteral("Save changes to work.lwd before locking?\n\nNo locks the window and "
                                              "keeps the changes, unsaved, until you unlock it.");

    m_prompts.AnswerMessage(IDCANCEL);
    Action(ID_FILE_LOCK)->trigger();
    EXPECT_FALSE(Doc().IsLocked());
    EXPECT_EQ(m_prompts.Messages(), QStringList{strLockAsk});
    EXPECT_EQ(m_prompts.m_shown.back().nType, MB_YESNOCANCEL | MB_ICONQUESTION);

    m_prompts.AnswerMessage(IDNO);
    Action(ID_FILE_LOCK)->trigger();
    ExpectLockedWindow(QStringLiteral("work.lwd * - Lockwarden"));
    EXPECT_TRUE(Doc().IsKeepingLockedRecords());
    EXPECT_EQ(Doc().Sites().size(), 4U);
    EXPECT_EQ(ReadFile(strPath), before);

    m_prompts.m_shown.clear();
    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Frame().Locker().OnUnlock());
    EXPECT_EQ(View().SiteCount(), 4);
    EXPECT_TRUE(Doc().IsModified());

    // Idle time or a locked screen: no question, the change kept.
    Frame().Locker().LockAutomatically();
    EXPECT_TRUE(Doc().IsKeepingLockedRecords());
    EXPECT_TRUE(m_prompts.Messages().isEmpty());
    EXPECT_EQ(ReadFile(strPath), before);

    // Exit: the password first; cancelled, the window stays, locked, and nothing is asked or saved.
    m_prompts.CancelPassword();
    EXPECT_FALSE(Frame().close());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Doc().IsLocked());
    EXPECT_TRUE(m_prompts.Messages().isEmpty());
    m_prompts.EnterPassword("secret");
    m_prompts.AnswerMessage(IDCANCEL);
    EXPECT_FALSE(Frame().close());
    EXPECT_FALSE(Doc().IsLocked());
    ASSERT_GE(m_prompts.m_shown.size(), 2U);
    EXPECT_EQ(m_prompts.m_shown[m_prompts.m_shown.size() - 2].strText, QStringLiteral("password:File:  work.lwd  "));
    EXPECT_EQ(m_prompts.m_shown.back().strText, strAsk);
    EXPECT_EQ(ReadFile(strPath), before);

    // Yes saves, then locks with nothing kept.
    m_prompts.AnswerMessage(IDYES);
    Action(ID_FILE_LOCK)->trigger();
    EXPECT_TRUE(Doc().IsLocked());
    EXPECT_FALSE(Doc().IsKeepingLockedRecords());
    EXPECT_NE(ReadFile(strPath), before);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("work.lwd - Lockwarden"));
    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Frame().Locker().OnUnlock());
    EXPECT_EQ(View().SiteCount(), 4);
}

// Data entry under way is an unsaved change: locking leaves it as Cancel does, keeps what was typed, and
// Unlock brings the form back in data entry on the same site with the typed text, which Keep then stores.
TEST_F(LockwardenAppLockTest, DataEntryIsKeptThroughTheLockAndComesBackAsTyped) {
    const QString strPath = MakeDatabase(QStringLiteral("entry.lwd"), "secret");
    StartWith(strPath, "secret");
    const QByteArray before = ReadFile(strPath);
    Show("beta");
    Action(ID_SITE_EDIT)->trigger();
    ASSERT_TRUE(View().IsEditing());
    Field(IDC_URL)->setText(QStringLiteral("https://typed.example"));
    Field<QPlainTextEdit>(IDC_NOTES)->setPlainText(QStringLiteral("typed notes"));
    const QStringList typed = Form();
    ASSERT_EQ(typed[3], QStringLiteral("pw-beta")) << "the password in plain text in data entry";

    Frame().Locker().LockAutomatically();
    ExpectLockedWindow(QStringLiteral("entry.lwd - Lockwarden"));
    EXPECT_TRUE(Doc().IsKeepingLockedRecords()) << "the entry is an unsaved change";
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_TRUE(m_prompts.Messages().isEmpty());

    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Frame().Locker().OnUnlock());
    EXPECT_TRUE(View().IsDataEntry());
    EXPECT_TRUE(View().IsEditing());
    EXPECT_EQ(Form(), typed);
    EXPECT_FALSE(Enabled(ID_SITE_ADD));
    EXPECT_TRUE(Enabled(ID_SITE_KEEP));

    Action(ID_SITE_KEEP)->trigger();
    EXPECT_EQ(View().SiteCount(), 3);
    Show("beta");
    EXPECT_EQ(Field(IDC_URL)->text(), QStringLiteral("https://typed.example"));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(ReadFile(strPath), before);
}

// An automatic lock closes the Notes and Find windows (as Esc would) and the password health report, and
// leaves the generator, which holds no site.
TEST_F(LockwardenAppLockTest, AnAutomaticLockClosesNotesFindAndTheReportButNotTheGenerator) {
    const QString strPath = MakeDatabase(QStringLiteral("windows.lwd"), "secret");
    StartWith(strPath, "secret");
    Show("gamma");
    Action(ID_CREATE_PASSWORDS)->trigger();
    ASSERT_NE(Frame().m_pCreatePasswordsDlg, nullptr);
    Action(ID_PASSWORD_HEALTH)->trigger();
    ASSERT_NE(Frame().PasswordHealthDlg(), nullptr);

    bool bNotesOpen = false;
    QString strNotesTitle;
    m_prompts.ScriptDialog([&](QDialog& dlg) {
        bNotesOpen = dlg.isVisible();
        strNotesTitle = dlg.windowTitle();
        FindControl<QPlainTextEdit>(&dlg, IDC_NOTES_TEXT)->setPlainText(QStringLiteral("changed"));
        Frame().Locker().LockAutomatically();
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_FALSE(Doc().IsLocked()) << "the lock waits for the window's loop to end";
        return IDOK;
    });
    Action(ID_SITE_NOTES)->trigger();
    EXPECT_TRUE(bNotesOpen);
    ASSERT_TRUE(WaitLocked());
    EXPECT_EQ(strNotesTitle, QStringLiteral("Notes - gamma"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Frame().PasswordHealthDlg() == nullptr; }, 5000));
    ASSERT_NE(Frame().m_pCreatePasswordsDlg, nullptr);
    EXPECT_TRUE(Frame().m_pCreatePasswordsDlg->isVisible());
    EXPECT_TRUE(Enabled(ID_CREATE_PASSWORDS) == false) << "the generator is open, so its command is greyed";

    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Frame().Locker().OnUnlock());
    EXPECT_EQ(Field<QPlainTextEdit>(IDC_NOTES)->toPlainText(), QStringLiteral("notes of gamma")) << "not accepted";
    bool bFindOpen = false;
    QString strFindTitle;
    m_prompts.ScriptDialog([&](QDialog& dlg) {
        bFindOpen = dlg.isVisible();
        strFindTitle = dlg.windowTitle();
        Frame().Locker().LockAutomatically();
        return IDOK;
    });
    Action(ID_EDIT_FIND)->trigger();
    EXPECT_TRUE(bFindOpen);
    ASSERT_TRUE(WaitLocked());
    EXPECT_EQ(strFindTitle, QStringLiteral("Find Site Containing..."));
    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Frame().Locker().OnUnlock());
    EXPECT_EQ(View().SiteList()->currentText(), QStringLiteral("gamma"));
}

// View > Options... sets the idle minutes, which the frame's watch counts from the last input: input puts
// the lock off, and the set minutes without any lock the window. The settings are kept at exit.
TEST_F(LockwardenAppLockTest, TheIdleMinutesOfTheOptionsLockTheWindowAndInputPutsThemOff) {
    const QString strPath = MakeDatabase(QStringLiteral("idle.lwd"), "secret");
    StartWith(strPath, "secret");
    EXPECT_EQ(Frame().Locker().IdleWatch().Interval(), 0) << "never, by default";
    m_prompts.ScriptDialog([](QDialog& dlg) {
        EXPECT_EQ(FindControl<QLineEdit>(&dlg, IDC_LOCK_MINUTES)->text(), QStringLiteral("0"));
        FindControl<QLineEdit>(&dlg, IDC_LOCK_MINUTES)->setText(QStringLiteral("5"));
        return IDOK;
    });
    Action(ID_OPTIONS)->trigger();
    EXPECT_EQ(m_pApp->m_state.m_nLockMinutes, 5);
    EXPECT_EQ(Frame().Locker().IdleWatch().Interval(), 5 * 60 * 1000);

    qint64 nNow = 0;
    Frame().Locker().IdleWatch().SetClock([&] { return nNow; });
    nNow += 4 * 60 * 1000;
    QTest::mouseMove(Field(IDC_URL), QPoint(3, 3));
    nNow += 4 * 60 * 1000;
    Frame().Locker().IdleWatch().Check();
    EXPECT_FALSE(Doc().IsLocked());
    nNow += 60 * 1000;
    Frame().Locker().IdleWatch().Check();
    EXPECT_TRUE(Doc().IsLocked());

    Frame().close();
    m_pApp->ExitInstance();
    CProfileStore store(SettingsFile());
    EXPECT_EQ(store.GetProfileInt(QStringLiteral("settings"), QStringLiteral("nLockMinutes"), -1), 5);
    EXPECT_EQ(store.GetProfileInt(QStringLiteral("settings"), QStringLiteral("bLockOnScreenLock"), -1), 1);
}

// A real ActiveChanged(true) on the session bus locks the window; with the setting off it does not.
TEST_F(LockwardenAppLockTest, AScreenSaverGoingActiveOnTheSessionBusLocksTheWindow) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    const CEnvOverride session("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
    const QString strPath = MakeDatabase(QStringLiteral("bus.lwd"), "secret");
    StartWith(strPath, "secret");
    ASSERT_TRUE(m_pApp->m_pScreenLockWatch->IsWatchingSession());
    const QString strName = QStringLiteral("lockwarden-test-screensaver");
    QDBusConnection saver = QDBusConnection::connectToBus(bus.Address(), strName);
    ASSERT_TRUE(saver.isConnected());
    const auto send = [&] {
        QDBusMessage message =
            QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                       QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"));
        message << true;
        saver.send(message);
    };
    bool bLocked = false;
    for (int i = 0; i < 50 && !bLocked; ++i) {
        send();
        bLocked = QTest::qWaitFor([&] { return Doc().IsLocked(); }, 100);
    }
    EXPECT_TRUE(bLocked);
    EXPECT_TRUE(m_prompts.Messages().isEmpty());

    m_prompts.EnterPassword("secret");
    ASSERT_TRUE(Frame().Locker().OnUnlock());
    m_pApp->m_state.m_bLockOnScreenLock = 0;
    send();
    QTest::qWait(300);
    EXPECT_FALSE(Doc().IsLocked());
    QDBusConnection::disconnectFromBus(strName);
}

// Without any bus the program starts as before, says nothing of it, and locks from the menu all the same.
TEST_F(LockwardenAppLockTest, WithoutAnyBusTheProgramStartsAndRunsAsBefore) {
    const QString strPath = MakeDatabase(QStringLiteral("nobus.lwd"), "secret");
    StartWith(strPath, "secret");
    EXPECT_FALSE(m_pApp->m_pScreenLockWatch->IsWatchingSession());
    EXPECT_FALSE(m_pApp->m_pScreenLockWatch->IsWatchingSystem());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(View().SiteCount(), 3);
    EXPECT_TRUE(m_prompts.m_shown.empty());
    QTest::keyClick(&Frame(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(Doc().IsLocked());
}

// A file without a file password cannot be locked: Lock is greyed, and neither idle time nor the screen locks it.
TEST_F(LockwardenAppLockTest, AFileWithoutAPasswordIsNeverLocked) {
    const QString strPath = MakeDatabase(QStringLiteral("open.lwd"), "");
    StartWith(strPath, "");
    EXPECT_FALSE(Enabled(ID_FILE_LOCK));
    EXPECT_EQ(Frame().PaneText(ID_INDICATOR_KIND), QStringLiteral("No file password"));
    Frame().Locker().LockAutomatically();
    Frame().Locker().OnScreenLocked();
    QTest::qWait(100);
    EXPECT_FALSE(Doc().IsLocked());
    EXPECT_EQ(View().SiteCount(), 3);
}

} // namespace
