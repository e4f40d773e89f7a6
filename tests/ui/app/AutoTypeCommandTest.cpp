// Auto-type in the running window: Edit > Auto-Type into the window the user was in before, the locked window that
// asks for the password and types nothing, the command greyed with the reason where the desktop has no way to
// type, and `lockwarden --auto-type` asking the running window over a session bus of the test's own. The typing
// for real runs on an X display under a window manager (ui_tests_on_x11); elsewhere a typer of the test's records
// what would be typed.
#include "FakePortal.h"
#include "LoginFormRun.h"
#include "PrivateBus.h"
#include "RunningApp.h"

#include "core/resources/Strings.h"
#include "ui/app/AutoTypeCommand.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/platform/KeyTyper.h"
#include "ui/platform/PortalKeyTyper.h"
#include "ui/tools/AutoTypePickerDlg.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QListView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// What auto-type told of its last request, above the status bar.
QString TypingNotice(CRunningApp& app) {
    return app.Frame().MessageBar().TextOf(CMessageBar::ESource::typing);
}

// What auto-type would type, in order, one sequence a row: the texts with Tab and Enter as "\t" and "\n".
class CRecordingTyper : public CKeyTyper {
public:
    explicit CRecordingTyper(QStringList& typed) : m_typed(typed) {}
    bool IsAvailable(std::string&) override { return true; }
    bool Type(const std::vector<AutoTypeSequence::CStep>& steps, std::string&) override {
        QString strTyped;
        for (const AutoTypeSequence::CStep& step : steps)
            strTyped += step.eKind == AutoTypeSequence::CStep::EKind::tab     ? QStringLiteral("\t")
                        : step.eKind == AutoTypeSequence::CStep::EKind::enter ? QStringLiteral("\n")
                                                                              : step.strText;
        m_typed.push_back(strTyped);
        return true;
    }

private:
    QStringList& m_typed;
};

// The names the picker lists, in order.
QStringList Listed(QDialog& dlg) {
    QStringList names;
    const QAbstractItemModel* pModel = static_cast<CAutoTypePickerDlg&>(dlg).List()->model();
    for (int i = 0; i < pModel->rowCount(); ++i)
        names.push_back(pModel->index(i, 0).data().toString());
    return names;
}

const QString kLockwarden = QStringLiteral(LOCKWARDEN_EXE);

// ---- where the desktop offers no way to type ----

class AutoTypeCommandTest : public ::testing::Test {
protected:
    CAutoTypeCommand& Command() { return *m_app.App().m_pAutoType; }
    CRunningApp m_app;
};

// Wayland without the desktop's remote desktop portal: the command greys and says why; the copy commands stay.
TEST_F(AutoTypeCommandTest, WithoutAPortalTheCommandIsGreyedWithTheReasonAndCopyingStays) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    ASSERT_TRUE(m_app.Start({{"alpha", "https://alpha.example", "ann", "pw-alpha", "totp: GEZDGNBVGY3TQOJQ"}}));
    m_app.Show("alpha");
    Command().SetTyper(std::make_unique<CPortalKeyTyper>(bus.Address(), QString()));
    Command().CheckTyper();
    QAction* pAction = m_app.Router().Action(ID_EDIT_AUTO_TYPE);
    EXPECT_FALSE(m_app.Enabled(ID_EDIT_AUTO_TYPE));
    const QString strWhy = QStringLiteral(
        "Auto-Type cannot type here: the desktop has no remote desktop portal, which typing on Wayland needs");
    EXPECT_EQ(pAction->toolTip(), strWhy);
    EXPECT_EQ(pAction->statusTip(), strWhy);
    for (const int nID : {ID_EDIT_COPY_PASSWORD, ID_EDIT_COPY_USER, ID_EDIT_COPY_URL, ID_EDIT_COPY_CODE})
        EXPECT_TRUE(m_app.Enabled(nID)) << nID;

    // A portal that offers a keyboard makes it a command again.
    CFakePortal portal;
    ASSERT_TRUE(ServeFakePortal(portal, bus.Address(), QStringLiteral("fake-portal")));
    Command().SetTyper(std::make_unique<CPortalKeyTyper>(bus.Address(), QString()));
    Command().CheckTyper();
    EXPECT_TRUE(m_app.Enabled(ID_EDIT_AUTO_TYPE));
    EXPECT_EQ(pAction->toolTip(), QStringLiteral("Auto-Type"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
}

// The offscreen desktop, like any without X11 or the portal, has no way to type: greyed from the start.
TEST_F(AutoTypeCommandTest, ADesktopWithoutTypingGreysTheCommand) {
    ASSERT_TRUE(m_app.Start({{"alpha", "", "ann", "pw-alpha", ""}}));
    Command().CheckTyper();
    EXPECT_FALSE(m_app.Enabled(ID_EDIT_AUTO_TYPE));
    EXPECT_EQ(m_app.Router().Action(ID_EDIT_AUTO_TYPE)->toolTip(),
              QStringLiteral("Auto-Type cannot type here: this desktop offers no way to type into another "
                             "program's window"));
}

// A sequence auto-type cannot type says why, types nothing and leaves the window as it was.
TEST_F(AutoTypeCommandTest, ASequenceThatCannotBeTypedSaysWhyAndTypesNothing) {
    QStringList typed;
    ASSERT_TRUE(m_app.Start({{"alpha", "", "ann", "pw-alpha", "autotype: {USERNAME}{TAB}{PASWORD}{ENTER}"},
                             {"beta", "", "bob", "pw-beta", "autotype: {USERNAME}{TAB}{TOTP}"}}));
    Command().SetTyper(std::make_unique<CRecordingTyper>(typed));
    Command().CheckTyper();
    for (const char* pszSite : {"alpha", "beta"}) {
        m_app.Show(pszSite);
        ASSERT_TRUE(m_app.Router().Execute(ID_EDIT_AUTO_TYPE)) << pszSite;
    }
    EXPECT_EQ(m_app.prompts.Messages(),
              (QStringList{QStringLiteral("This site's auto-type sequence cannot be typed: {PASWORD} is not a "
                                          "placeholder auto-type knows"),
                           QStringLiteral("This site's auto-type sequence cannot be typed: {TOTP} names a one-time "
                                          "code, and the site has none")}));
    EXPECT_FALSE(m_app.Frame().isMinimized());
    EXPECT_TRUE(typed.isEmpty());
}

// Asked from outside with no window title to go by (Wayland, here offscreen), the picker asks, the sites typed
// last first; a window of ours that keeps the focus gets nothing, and the status bar says so.
TEST_F(AutoTypeCommandTest, WithoutATitleThePickerAsksTheSitesTypedLastFirst) {
    QStringList typed;
    ASSERT_TRUE(m_app.Start({{"gamma", "", "gil", "pw-gamma", ""},
                             {"alpha", "", "ann", "pw-alpha", ""},
                             {"beta", "", "bob", "pw-beta", ""}}));
    Command().SetTyper(std::make_unique<CRecordingTyper>(typed));
    Command().CheckTyper();
    Command().SetFocusWait(100);
    m_app.App().m_state.NoteAutoTyped(m_app.Path(), false, "gamma");
    m_app.App().m_state.NoteAutoTyped(m_app.Path(), false, "beta");
    QStringList listed;
    m_app.prompts.ScriptDialog([&](QDialog& dlg) {
        listed = Listed(dlg);
        static_cast<CAutoTypePickerDlg&>(dlg).SetFilter(QStringLiteral("alp"));
        return IDOK;
    });
    Command().OnAutoTypeRequest();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("beta"), QStringLiteral("gamma"), QStringLiteral("alpha")}));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return TypingNotice(m_app) == LoadString(IDS_AUTOTYPE_NO_FOCUS) || !typed.isEmpty(); }, 5000));
    EXPECT_EQ(TypingNotice(m_app), LoadString(IDS_AUTOTYPE_NO_FOCUS));
    EXPECT_TRUE(typed.isEmpty());

    // Esc in the picker types nothing and says nothing.
    m_app.prompts.AnswerDialog(IDCANCEL);
    m_app.Frame().MessageBar().Clear(CMessageBar::ESource::typing);
    Command().OnAutoTypeRequest();
    EXPECT_EQ(TypingNotice(m_app), QString());
    EXPECT_EQ(m_app.prompts.m_dialogsShown, (QStringList{QStringLiteral("Auto-Type"), QStringLiteral("Auto-Type")}));
}

// `lockwarden --auto-type` finds the running window on the session bus, which takes the request and answers.
TEST(AutoTypeBusRequest, TheRunningWindowTakesTheRequest) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CRunningApp app(bus.Address().toUtf8());
    ASSERT_TRUE(app.Start({{"alpha", "", "ann", "pw-alpha", ""}}));
    QStringList typed;
    app.App().m_pAutoType->SetTyper(std::make_unique<CRecordingTyper>(typed));
    app.App().m_pAutoType->CheckTyper();
    app.prompts.AnswerDialog(IDCANCEL);
    const CToolRun run = RunTool(kLockwarden, {QStringLiteral("--auto-type")});
    EXPECT_EQ(run.nExit, 0);
    // No title to go by offscreen: the picker asked.
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.prompts.m_dialogsShown.size() == 1; }, 5000));
    EXPECT_EQ(app.prompts.m_dialogsShown, QStringList{QStringLiteral("Auto-Type")});
    EXPECT_TRUE(typed.isEmpty());
}

// ---- typing for real on X11 ----

class AutoTypeCommandOnX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "types on an X display (ui_tests_on_x11)";
    }
    // Starts the app on the sites, then the login form, which takes the focus.
    void StartBoth(CRunningApp& app, const std::vector<SiteFields>& sites) {
        ASSERT_TRUE(app.Start(sites));
        app.App().m_pAutoType->CheckTyper();
        ASSERT_TRUE(app.App().m_pAutoType->CanType()) << app.App().m_pAutoType->WhyNot().toStdString();
        ASSERT_TRUE(m_form.Start());
    }
    // The app's window takes the focus back from the form.
    static void ActivateWindow(CRunningApp& app) {
        app.Frame().activateWindow();
        ASSERT_TRUE(WaitActive(&app.Frame()));
    }

    CLoginFormRun m_form;
};

struct CAutoTypeCase {
    const char* pszName;
    const char* pszNotes;
    const char* pszGot; // the form's two lines
};

class AutoTypeCommandOnX11Typing : public AutoTypeCommandOnX11Test,
                                   public ::testing::WithParamInterface<CAutoTypeCase> {};

// Edit > Auto-Type: the window minimizes, the form gets the focus back and exactly the site's login.
TEST_P(AutoTypeCommandOnX11Typing, TheWindowBeforeGetsExactlyTheLogin) {
    CRunningApp app;
    StartBoth(app, {{"alpha", "https://alpha.example", "ann.lee@example.org", "Tr0ub4dor&3!", GetParam().pszNotes}});
    ActivateWindow(app);
    app.Show("alpha");
    ASSERT_TRUE(app.Router().Execute(ID_EDIT_AUTO_TYPE));
    EXPECT_EQ(m_form.Got(), QByteArray(GetParam().pszGot));
    // The notice waits for the window: showing it would have brought the window back over the login.
    EXPECT_TRUE(app.Frame().isMinimized());
    EXPECT_EQ(TypingNotice(app), QStringLiteral("Auto-Type typed alpha"));
    EXPECT_FALSE(app.Frame().MessageBar().isVisible());
    EXPECT_EQ(app.App().m_state.AutoTypedSitesOf(app.Path()), std::vector<std::string>{"alpha"});
    app.Frame().showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.Frame().MessageBar().isVisible(); }, 3000));
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, AutoTypeCommandOnX11Typing,
    ::testing::Values(CAutoTypeCase{"Default", "notes of alpha", "ann.lee@example.org\nTr0ub4dor&3!\n"},
                      CAutoTypeCase{"Custom",
                                    "notes of alpha\nautotype: {DELAY 20}id-{USERNAME}{TAB}{URL}/{PASSWORD}{ENTER}",
                                    "id-ann.lee@example.org\nhttps://alpha.example/Tr0ub4dor&3!\n"}),
    [](const ::testing::TestParamInfo<CAutoTypeCase>& info) { return std::string(info.param.pszName); });

// Locked, Auto-Type asks for the file password first; cancelled, it types nothing at all.
TEST_F(AutoTypeCommandOnX11Test, ALockedWindowAsksForThePasswordAndTypesNothing) {
    CRunningApp app;
    StartBoth(app, {{"alpha", "", "ann", "pw-alpha", ""}});
    ActivateWindow(app);
    app.Show("alpha");
    ASSERT_TRUE(app.Router().Execute(ID_FILE_LOCK));
    ASSERT_TRUE(app.Doc().IsLocked());
    EXPECT_TRUE(app.Enabled(ID_EDIT_AUTO_TYPE));
    app.prompts.CancelPassword();
    app.Router().Execute(ID_EDIT_AUTO_TYPE);
    EXPECT_EQ(app.prompts.m_shown.size(), 1U);
    EXPECT_TRUE(app.prompts.m_shown.at(0).strText.startsWith(QStringLiteral("password:")));
    EXPECT_TRUE(app.Doc().IsLocked());
    EXPECT_FALSE(app.Frame().isMinimized());
    // The form, given the focus back and Enter, holds nothing.
    ASSERT_EQ(RunTool(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                       QStringLiteral("^Login form$"), QStringLiteral("windowactivate"), QStringLiteral("--sync")})
                  .nExit,
              0);
    ASSERT_TRUE(CLoginFormRun::WaitFocused());
    std::string strError;
    ASSERT_TRUE(MakeX11KeyTyper()->Type({{AutoTypeSequence::CStep::EKind::enter, {}, 0}}, strError)) << strError;
    EXPECT_EQ(m_form.Got(), QByteArray("\n\n"));
}

// `lockwarden --auto-type` while the window runs in the background: the focused window's title names one site,
// which is typed at once; a title that names two brings the picker, and the chosen one is typed.
TEST_F(AutoTypeCommandOnX11Test, ByBusTheFocusedWindowsTitleChoosesTheSite) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CRunningApp app(bus.Address().toUtf8());
    StartBoth(app, {{"Login form", "", "bus-user", "bus-pw", ""}, {"other", "", "x", "y", ""}});
    EXPECT_EQ(RunTool(kLockwarden, {QStringLiteral("--auto-type")}).nExit, 0);
    EXPECT_EQ(m_form.Got(), QByteArray("bus-user\nbus-pw\n"));
    EXPECT_TRUE(app.prompts.m_dialogsShown.isEmpty());
    EXPECT_FALSE(app.Frame().isMinimized());
}

TEST_F(AutoTypeCommandOnX11Test, ByBusATitleNamingTwoSitesBringsThePicker) {
    CPrivateBus bus;
    SKIP_WITHOUT_PRIVATE_BUS(bus);
    CRunningApp app(bus.Address().toUtf8());
    StartBoth(app,
              {{"login", "", "first", "pw-1", ""}, {"form", "", "second", "pw-2", ""}, {"other", "", "x", "y", ""}});
    QStringList listed;
    app.prompts.ScriptDialog([&](QDialog& dlg) {
        listed = Listed(dlg);
        static_cast<CAutoTypePickerDlg&>(dlg).SetFilter(QStringLiteral("for"));
        return IDOK;
    });
    EXPECT_EQ(RunTool(kLockwarden, {QStringLiteral("--auto-type")}).nExit, 0);
    EXPECT_EQ(m_form.Got(), QByteArray("second\npw-2\n"));
    EXPECT_EQ(listed, (QStringList{QStringLiteral("form"), QStringLiteral("login")}));
}

// `lockwarden --auto-type FILE` with no window running: the window started asks for the password, steps aside
// and types for the window that had the focus before it showed.
TEST_F(AutoTypeCommandOnX11Test, AWindowStartedForTheRequestAsksForThePasswordThenTypes) {
    ASSERT_TRUE(m_form.Start());
    CRunningApp app;
    ASSERT_TRUE(app.Launch({{"Login form", "", "started", "pw-started", ""}}, {QStringLiteral("--auto-type")}));
    EXPECT_EQ(m_form.Got(), QByteArray("started\npw-started\n")) << TypingNotice(app).toStdString();
    EXPECT_TRUE(app.Frame().isMinimized());
    ASSERT_EQ(app.prompts.m_shown.size(), 1U);
    EXPECT_TRUE(app.prompts.m_shown.at(0).strText.startsWith(QStringLiteral("password:")));
}

} // namespace
