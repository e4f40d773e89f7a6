// The window on a real Wayland compositor (tests/ui/on-wayland starts a private headless sway): keys typed by
// the compositor's own virtual keyboard (wtype), the clipboard and the primary selection read back by another
// client (wl-paste), and the focus given to another program. Elsewhere these tests skip; the ctest that runs
// them under sway fails on a skip.
#include "EnvOverride.h"
#include "FakeNotifications.h"
#include "PrivateBus.h"
#include "RunTool.h"
#include "ScriptedWndPrompts.h"
#include "WaitActive.h"

#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/tools/CreatePasswordsDlg.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

namespace {

const char* const kFixture = "list-order-mixed-case-with-password.lwd"; // password "fixture"

// Types through the compositor's virtual keyboard, as a user's keys arrive.
bool Type(const QStringList& args) {
    return RunTool(QStringLiteral("wtype"), args).nExit == 0;
}

// Presses strKey with the modifiers held ("ctrl", "shift"), as a user's shortcut arrives.
bool TypeChord(const QStringList& modifiers, const QString& strKey) {
    QStringList args;
    for (const QString& strModifier : modifiers)
        args << QStringLiteral("-M") << strModifier;
    // A named key (Home, Return) goes by its keysym name, a character as text.
    if (strKey.size() > 1)
        args << QStringLiteral("-k");
    args << strKey;
    for (const QString& strModifier : modifiers)
        args << QStringLiteral("-m") << strModifier;
    return Type(args);
}

// The clipboard (or the primary selection) as another program reads it; nExit is 1 when it holds nothing.
CToolRun Paste(const QStringList& args = {}) {
    return RunTool(QStringLiteral("wl-paste"), QStringList{QStringLiteral("--no-newline")} + args);
}

// What Qt's Wayland plugin says while a test runs (it warns where a request cannot be met on Wayland).
// Waits until another program finds the clipboard empty; last is what it found last.
bool WaitClipboardEmpty(CToolRun& last, int nTimeout) {
    return QTest::qWaitFor(
        [&] {
            last = Paste();
            return last.nExit != 0;
        },
        nTimeout);
}

class CWaylandWarnings {
public:
    CWaylandWarnings() {
        s_pActive = this;
        m_previous = qInstallMessageHandler(&CWaylandWarnings::Handle);
    }
    ~CWaylandWarnings() {
        qInstallMessageHandler(m_previous);
        s_pActive = nullptr;
    }
    CWaylandWarnings(const CWaylandWarnings&) = delete;
    CWaylandWarnings& operator=(const CWaylandWarnings&) = delete;

    QStringList Messages() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& strText) {
        if (s_pActive != nullptr && type != QtDebugMsg && QByteArray(context.category).startsWith("qt.qpa")) {
            const std::lock_guard<std::mutex> lock(s_pActive->m_mutex);
            s_pActive->m_messages << strText;
        }
    }
    static inline CWaylandWarnings* s_pActive = nullptr;
    QtMessageHandler m_previous = nullptr;
    std::mutex m_mutex;
    QStringList m_messages;
};

class WaylandDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            GTEST_SKIP() << "runs on a Wayland compositor (tests/ui/on-wayland)";
        ASSERT_TRUE(m_dir.isValid());
        m_strPath = m_dir.filePath(QStringLiteral("sites.lwd"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(LOCKWARDEN_TEST_DATA "/") + QLatin1String(kFixture), m_strPath));
        QFile::setPermissions(m_strPath, QFile::ReadOwner | QFile::WriteOwner);
        m_prompts.EnterPassword("fixture");
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        ASSERT_TRUE(m_pApp->InitInstance({m_strPath}));
        ASSERT_TRUE(WaitActive(&Frame())) << "the compositor gave the new window no keyboard focus";
        m_prompts.m_shown.clear();
    }
    void TearDown() override {
        if (m_other.state() != QProcess::NotRunning) {
            m_other.kill();
            m_other.waitForFinished();
        }
        if (m_pApp != nullptr) {
            Frame().close();
            m_pApp->ExitInstance();
        }
    }

    CMainFrame& Frame() { return *m_pApp->m_pMainFrame; }
    CLockwardenView& View() { return *Frame().GetActiveView(); }
    CLockwardenDoc& Doc() { return *m_pApp->m_pDoc; }
    QAction* Action(int nID) { return m_pApp->m_pRouter->Action(nID); }
    void Show(const char* pszSite) { View().SelectSite(View().SiteList()->findText(QString::fromLatin1(pszSite))); }
    QString ShownPassword() { return FindControl<QLineEdit>(&View(), IDC_PSWD)->text(); }

    // Another program's window, which the compositor gives the focus as it maps it.
    bool StartAnotherProgram() {
        m_other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--another-program")});
        return m_other.waitForStarted(5000) && QTest::qWaitFor([&] { return !Frame().isActiveWindow(); }, 5000);
    }

    QTemporaryDir m_dir;
    QString m_strPath;
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
    QProcess m_other;
};

// The window is the compositor's own client, not an X11 one through a bridge; the keys a user types lock it
// (Ctrl+L) and unlock it (Enter, then the password), and the site shown comes back.
TEST_F(WaylandDesktopTest, KeysTypedOnTheDesktopLockAndUnlockTheWindow) {
    const QByteArray tree = RunTool(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")}).out;
    EXPECT_TRUE(tree.contains("\"name\": \"sites.lwd - Lockwarden\"")) << tree.constData();
    EXPECT_TRUE(tree.contains("\"shell\": \"xdg_shell\""));
    EXPECT_FALSE(tree.contains("\"shell\": \"xwayland\""));
    const QStringList sites = [&] {
        QStringList names;
        for (int i = 0; i < View().SiteList()->count(); ++i)
            names << View().SiteList()->itemText(i);
        return names;
    }();
    ASSERT_GE(sites.size(), 2);
    View().SelectSite(1);
    const QString strShown = View().SiteList()->currentText();

    ASSERT_TRUE(TypeChord({QStringLiteral("ctrl")}, QStringLiteral("l")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc().IsLocked(); }, 5000));
    EXPECT_EQ(View().SiteCount(), 0);

    m_prompts.EnterPassword("fixture");
    ASSERT_TRUE(Type({QStringLiteral("-k"), QStringLiteral("Return")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Doc().IsLocked(); }, 5000));
    EXPECT_EQ(View().SiteCount(), sites.size());
    EXPECT_EQ(View().SiteList()->currentText(), strShown);
}

// Copy Password puts the password out with the password managers' hint, as another program sees it; it is
// taken off after the interval while another program has the focus, and a copy the user made meanwhile stays.
TEST_F(WaylandDesktopTest, ACopiedPasswordCarriesTheHintAndIsTakenOffWhileAnotherProgramHasTheFocus) {
    View().SelectSite(0);
    Frame().SecretClipboard().SetInterval(1500);
    Action(ID_EDIT_COPY_PASSWORD)->trigger();
    const QString strPassword = QString::fromStdString(Frame().SecretClipboard().Secret());
    ASSERT_FALSE(strPassword.isEmpty());

    const CToolRun types = Paste({QStringLiteral("--list-types")});
    EXPECT_EQ(types.nExit, 0);
    EXPECT_TRUE(types.out.contains("x-kde-passwordManagerHint")) << types.out.constData();
    QByteArray hint;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            hint = Paste({QStringLiteral("--type"), QStringLiteral("x-kde-passwordManagerHint")}).out;
            return !hint.isEmpty();
        },
        3000));
    EXPECT_EQ(hint, QByteArrayLiteral("secret"));
    EXPECT_EQ(Paste().out, strPassword.toUtf8());

    ASSERT_TRUE(StartAnotherProgram()) << "the other program did not take the focus";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Frame().SecretClipboard().Secret().empty(); }, 5000));
    CToolRun after;
    EXPECT_TRUE(WaitClipboardEmpty(after, 3000)) << "still on the clipboard: " << after.out.constData();
    EXPECT_TRUE(after.out.isEmpty());

    // Text the user copies elsewhere is theirs: a later clear of ours leaves it. (Back in our window first: a
    // compositor may refuse a clipboard change from a window without the focus.)
    m_other.kill();
    m_other.waitForFinished();
    ASSERT_TRUE(WaitActive(&Frame()));
    ASSERT_EQ(RunTool(QStringLiteral("wl-copy"), {QStringLiteral("the user's own text")}).nExit, 0);
    // Copied with the keys: a compositor takes a clipboard change only with an input newer than the last one.
    ASSERT_TRUE(TypeChord({QStringLiteral("ctrl"), QStringLiteral("shift")}, QStringLiteral("c")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Frame().SecretClipboard().Secret().empty(); }, 3000));
    ASSERT_EQ(Paste().out, strPassword.toUtf8());
    ASSERT_EQ(RunTool(QStringLiteral("wl-copy"), {QStringLiteral("copied later")}).nExit, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Frame().SecretClipboard().Secret().empty(); }, 5000));
    EXPECT_EQ(Paste().out, QByteArrayLiteral("copied later"));
}

// The primary selection (the middle button's paste) may receive a selected user name but never a password.
TEST_F(WaylandDesktopTest, ASelectedPasswordNeverReachesThePrimarySelection) {
    View().SelectSite(0);
    Action(ID_SITE_EDIT)->trigger();
    ASSERT_TRUE(View().IsDataEntry());
    auto* pUser = FindControl<QLineEdit>(&View(), IDC_USER);
    auto* pPswd = FindControl<QLineEdit>(&View(), IDC_PSWD);
    pUser->setText(QStringLiteral("ann"));
    pPswd->setText(QStringLiteral("Pw-never-primary"));

    // Selected with the keys, as a user does: focus the field, select all (shift+Home after End).
    const auto selectByKeys = [](QLineEdit* pEdit) {
        pEdit->setFocus();
        pEdit->end(false);
        return TypeChord({QStringLiteral("shift")}, QStringLiteral("Home")) &&
               QTest::qWaitFor([pEdit] { return pEdit->selectedText() == pEdit->text(); }, 3000);
    };
    ASSERT_TRUE(selectByKeys(pUser));
    EXPECT_TRUE(QTest::qWaitFor([] { return Paste({QStringLiteral("--primary")}).out == "ann"; }, 3000))
        << "the compositor's primary selection did not take a selected user name";
    ASSERT_TRUE(selectByKeys(pPswd));
    QTest::qWait(300);
    EXPECT_NE(Paste({QStringLiteral("--primary")}).out, QByteArrayLiteral("Pw-never-primary"));
    Action(ID_SITE_CANCEL)->trigger();
}

// The generator and Find place themselves beside the main window on X11; on Wayland the compositor places
// windows, so they open as the main window's transient children, and nothing warns or fails.
TEST_F(WaylandDesktopTest, TheGeneratorAndFindOpenAsTheMainWindowsChildren) {
    CWaylandWarnings warnings;
    Action(ID_CREATE_PASSWORDS)->trigger();
    QWidget* pGenerator = nullptr;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (qobject_cast<CCreatePasswordsDlg*>(pWidget) != nullptr && pWidget->isVisible())
            pGenerator = pWidget;
    ASSERT_NE(pGenerator, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pGenerator));
    EXPECT_EQ(pGenerator->windowHandle()->transientParent(), Frame().windowHandle());
    pGenerator->close();

    bool bFindShown = false;
    m_prompts.ScriptDialog([&](QDialog& dlg) {
        bFindShown =
            QTest::qWaitForWindowExposed(&dlg) && dlg.windowHandle()->transientParent() == Frame().windowHandle();
        return IDCANCEL;
    });
    ASSERT_TRUE(TypeChord({QStringLiteral("ctrl")}, QStringLiteral("f")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_prompts.m_dialogsShown.size() == 1; }, 3000));
    EXPECT_TRUE(bFindShown);
    EXPECT_EQ(warnings.Messages(), QStringList());
}

// A desktop that kept our password through every clear (GNOME's compositor ignores a window in the background,
// and here wl-copy is not there to help): the status bar says so, and so does a notice of the desktop's whose click
// brings the window forward and empties the clipboard from there.
TEST_F(WaylandDesktopTest, APasswordTheDesktopKeptIsToldAndTheNoticesClickClearsIt) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    const CEnvOverride session("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
    CFakeNotificationService service(bus.Address());
    ASSERT_TRUE(service.IsReady());

    View().SelectSite(0);
    ASSERT_TRUE(TypeChord({QStringLiteral("ctrl"), QStringLiteral("shift")}, QStringLiteral("c")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Frame().SecretClipboard().Secret().empty(); }, 3000));
    const QByteArray password = QByteArray::fromStdString(Frame().SecretClipboard().Secret());
    ASSERT_EQ(Paste().out, password);

    // As the check finds it after a refused clear.
    Q_EMIT Frame().SecretClipboard().stillOnClipboard();
    EXPECT_EQ(Frame().MessageBar().TextOf(CMessageBar::ESource::clipboard),
              QStringLiteral("The password is still on the clipboard"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.Calls().size() == 1; }, 3000));
    const QVariantList args = service.Calls()[0].arguments();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[4].toString(), QStringLiteral("The password is still on the clipboard: click to clear it"));
    EXPECT_EQ(args[5].toStringList(), (QStringList{QStringLiteral("default"), QStringLiteral("Clear")}));

    QTest::qWait(200); // the desktop's answer with the notice's id
    service.Signal("ActionInvoked", {QVariant::fromValue(uint{41}), QStringLiteral("default")});
    CToolRun after;
    EXPECT_TRUE(WaitClipboardEmpty(after, 5000)) << "still on the clipboard: " << after.out.constData();
    EXPECT_EQ(Frame().MessageBar().TextOf(CMessageBar::ESource::clipboard), QString());
}

} // namespace
