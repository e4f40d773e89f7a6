#include "ScriptedPrompts.h"

#include "core/framework/MessageBoxButtons.h"
#include "core/resources/Resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct BoxCase {
    unsigned nType;
    std::vector<int> buttons;
    int nDefault;
    int nEscape;
};

class MessageBoxButtonsTest : public testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxButtonsTest, ButtonsEnterAndEscOfEachType) {
    const BoxCase& c = GetParam();
    EXPECT_EQ(MessageBoxButtons(c.nType), c.buttons);
    EXPECT_EQ(MessageBoxDefault(c.nType), c.nDefault);
    EXPECT_EQ(MessageBoxEscape(c.nType), c.nEscape);
    // The test double answers an unscripted box as Enter would.
    CScriptedPrompts prompts;
    EXPECT_EQ(prompts.MessageBox(QStringLiteral("?"), c.nType), c.nDefault);
}

INSTANTIATE_TEST_SUITE_P(
    Types, MessageBoxButtonsTest,
    testing::Values(BoxCase{MB_OK | MB_ICONEXCLAMATION, {IDOK}, IDOK, IDOK},
                    BoxCase{MB_OKCANCEL, {IDOK, IDCANCEL}, IDOK, IDCANCEL},
                    BoxCase{MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
                    BoxCase{MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDYES, IDCANCEL},
                    BoxCase{MB_YESNOCANCEL | MB_DEFBUTTON2, {IDYES, IDNO, IDCANCEL}, IDNO, IDCANCEL},
                    BoxCase{MB_YESNOCANCEL | MB_DEFBUTTON3, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDCANCEL},
                    BoxCase{MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDYES, IDNO},
                    BoxCase{MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, IDNO},
                    // A default past the last button means the first: the double used to answer No and
                    // Cancel here while the desktop's box pressed Yes.
                    BoxCase{MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, IDYES, IDNO},
                    BoxCase{MB_YESNOCANCEL | 0x300, {IDYES, IDNO, IDCANCEL}, IDYES, IDCANCEL},
                    BoxCase{MB_OK | MB_DEFBUTTON2, {IDOK}, IDOK, IDOK}));

} // namespace
