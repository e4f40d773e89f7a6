// Typing for real on an X display under a window manager (ui_tests_on_x11): another program's login form has the
// focus and receives exactly what the sequence types, characters the keyboard layout lacks included. Elsewhere
// these tests skip; that ctest fails on a skip.
#include "LoginFormRun.h"
#include "RunTool.h"

#include "ui/platform/KeyTyper.h"

#include "core/tools/AutoTypeSequence.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class X11KeyTyperTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "types on an X display (ui_tests_on_x11)";
        m_pTyper = MakeX11KeyTyper();
        std::string strWhy;
        ASSERT_TRUE(m_pTyper->IsAvailable(strWhy)) << strWhy;
    }
    // Types the sequence for fields; the form's record once it submitted, else what went wrong.
    QByteArray TypeInto(const std::string& strSequence, const AutoTypeSequence::CFields& fields) {
        std::vector<AutoTypeSequence::CStep> steps;
        std::string strError;
        if (!AutoTypeSequence::Parse(strSequence, fields, steps, strError))
            return QByteArray("parse: ") + strError.c_str();
        if (!m_form.Start())
            return "the login form did not get the focus";
        if (!m_pTyper->Type(steps, strError))
            return QByteArray("type: ") + strError.c_str();
        return m_form.Got();
    }

    std::unique_ptr<CKeyTyper> m_pTyper;
    CLoginFormRun m_form;
};

struct CTypingCase {
    const char* pszName;
    const char* pszSequence;
    AutoTypeSequence::CFields fields;
    const char* pszGot; // the form's two lines
};

class X11KeyTyperTyping : public X11KeyTyperTest, public ::testing::WithParamInterface<CTypingCase> {};

TEST_P(X11KeyTyperTyping, TheFormGetsExactlyTheFields) {
    EXPECT_EQ(TypeInto(GetParam().pszSequence, GetParam().fields), QByteArray(GetParam().pszGot));
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, X11KeyTyperTyping,
    ::testing::Values(CTypingCase{"Default",
                                  "{USERNAME}{TAB}{PASSWORD}{ENTER}",
                                  {"ann.lee@example.org", "Tr0ub4dor&3!~", "", "", ""},
                                  "ann.lee@example.org\nTr0ub4dor&3!~\n"},
                      // Upper case, shifted punctuation and braces, a pause, and text of the sequence's own.
                      CTypingCase{"Custom",
                                  "{DELAY 50}me-{USERNAME}{TAB}{{}{PASSWORD}{}}{ENTER}",
                                  {"Bob", "P@ss \"Q\" |^`", "", "", ""},
                                  "me-Bob\n{P@ss \"Q\" |^`}\n"},
                      // Characters the layout lacks go on a spare key for the moment they are typed.
                      CTypingCase{"OutsideTheLayout",
                                  "{USERNAME}{TAB}{PASSWORD}{ENTER}",
                                  {"zoë",
                                   "caf\xC3\xA9-\xE2\x82\xAC"
                                   "5-\xC3\xA9",
                                   "", "", ""},
                                  "zoë\ncafé-€5-é\n"}),
    [](const ::testing::TestParamInfo<CTypingCase>& info) { return std::string(info.param.pszName); });

bool Xdotool(const QStringList& args) {
    return RunTool(QStringLiteral("xdotool"), args).nExit == 0;
}

// The user still holds Shift from the keys that started auto-type, and Caps Lock is on: neither changes a
// character typed, and Caps Lock is on again after.
TEST_F(X11KeyTyperTest, AHeldShiftAndCapsLockChangeNothing) {
    ASSERT_TRUE(Xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")}));
    ASSERT_TRUE(Xdotool({QStringLiteral("keydown"), QStringLiteral("shift")}));
    const QByteArray got = TypeInto("{USERNAME}{TAB}{PASSWORD}{ENTER}", {"ann", "aB1-xY", "", "", ""});
    const QByteArray settings = RunTool(QStringLiteral("xset"), {QStringLiteral("q")}).out;
    Xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
    Xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    EXPECT_EQ(got, QByteArray("ann\naB1-xY\n"));
    EXPECT_TRUE(settings.contains("Caps Lock:   on")) << settings.constData();
}

} // namespace
