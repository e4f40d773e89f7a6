#include "core/tools/AutoTypeSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using AutoTypeSequence::CStep;
using EKind = CStep::EKind;

CStep Text(const char* psz) {
    return CStep{EKind::text, QString::fromUtf8(psz), 0};
}
const CStep kTab{EKind::tab, QString(), 0};
const CStep kEnter{EKind::enter, QString(), 0};
CStep Delay(int n) {
    return CStep{EKind::delay, QString(), n};
}

AutoTypeSequence::CFields Fields() {
    return {"ann", "Pw-{x}\xC3\xA9\xE2\x82\xAC", "https://bank.example", "123456", ""};
}

struct CParseCase {
    const char* pszSequence;
    std::vector<CStep> steps;
};

class AutoTypeParse : public ::testing::TestWithParam<CParseCase> {};

TEST_P(AutoTypeParse, GivesTheStepsInOrder) {
    std::vector<CStep> steps;
    std::string strError;
    ASSERT_TRUE(AutoTypeSequence::Parse(GetParam().pszSequence, Fields(), steps, strError)) << strError;
    EXPECT_EQ(steps, GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, AutoTypeParse,
    ::testing::Values(
        // The default: user name, Tab, password (braces and all, as stored), Enter.
        CParseCase{"{USERNAME}{TAB}{PASSWORD}{ENTER}", {Text("ann"), kTab, Text("Pw-{x}é€"), kEnter}},
        CParseCase{"{username}{Tab}{password}{enter}", {Text("ann"), kTab, Text("Pw-{x}é€"), kEnter}},
        // Plain text joins the fields around it into one run of characters.
        CParseCase{"login {USERNAME}@corp{DELAY 250}{TOTP}", {Text("login ann@corp"), Delay(250), Text("123456")}},
        CParseCase{"{URL}{ENTER}{DELAY 0}", {Text("https://bank.example"), kEnter, Delay(0)}},
        CParseCase{"{{}{}}{{}", {Text("{}{")}}, CParseCase{"", {}}));

struct CBadCase {
    const char* pszSequence;
    const char* pszError;
};

class AutoTypeRefuse : public ::testing::TestWithParam<CBadCase> {};

// A sequence that cannot be typed whole is not typed at all: half a login is worse than none.
TEST_P(AutoTypeRefuse, NamesTheReasonAndGivesNoSteps) {
    std::vector<CStep> steps{Text("left over")};
    std::string strError;
    AutoTypeSequence::CFields fields = Fields();
    fields.strCode.clear();
    EXPECT_FALSE(AutoTypeSequence::Parse(GetParam().pszSequence, fields, steps, strError));
    EXPECT_EQ(strError, GetParam().pszError);
    EXPECT_TRUE(steps.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, AutoTypeRefuse,
    ::testing::Values(CBadCase{"{USERNAME}{TAB", "the sequence has a \"{\" without its \"}\""},
                      CBadCase{"{PASSWORD}{CLEARFIELD}", "{CLEARFIELD} is not a placeholder auto-type knows"},
                      CBadCase{"{DELAY 10001}", "{DELAY 10001} is not a delay of 0 to 10000 milliseconds"},
                      CBadCase{"{DELAY -1}", "{DELAY -1} is not a delay of 0 to 10000 milliseconds"},
                      CBadCase{"{DELAY 5x}", "{DELAY 5x} is not a delay of 0 to 10000 milliseconds"},
                      CBadCase{"{TOTP}", "{TOTP} names a one-time code, and the site has none"}));

TEST(AutoTypeSequence, AMalformedCodeLineIsTheReason) {
    AutoTypeSequence::CFields fields = Fields();
    fields.strCode.clear();
    fields.strCodeError = "the secret is not base32";
    std::vector<CStep> steps;
    std::string strError;
    EXPECT_FALSE(AutoTypeSequence::Parse("{TOTP}", fields, steps, strError));
    EXPECT_EQ(strError, "{TOTP}: the secret is not base32");
}

// The notes' first autotype line gives the sequence, the word in any case and the blanks around it ignored; CR LF
// notes as the files keep them. Without one, the default.
TEST(AutoTypeSequence, TheNotesLineOverridesTheDefault) {
    EXPECT_EQ(AutoTypeSequence::SequenceOfNotes(""), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(AutoTypeSequence::SequenceOfNotes("pin 1234\r\nmy autotype: no"), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(AutoTypeSequence::SequenceOfNotes("first\r\n  AutoType:  {PASSWORD}{ENTER} \r\nautotype: {URL}"),
              "{PASSWORD}{ENTER}");
    EXPECT_EQ(AutoTypeSequence::SequenceOfNotes("autotype:{USERNAME}"), "{USERNAME}");
}

} // namespace
