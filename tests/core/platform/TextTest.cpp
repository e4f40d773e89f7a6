#include "core/platform/Text.h"
#include "core/platform/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>

namespace {

TEST(LastErrorText, IsTheSystemTextWithoutTrailingWhiteSpace) {
    const QString strText = GetLastErrorText(ENOENT);
    EXPECT_EQ(strText, QString::fromLocal8Bit(std::strerror(ENOENT)).trimmed());
    EXPECT_FALSE(strText.isEmpty());
    EXPECT_FALSE(strText.back().isSpace());
    EXPECT_FALSE(strText.startsWith(QLatin1String("Last Error")));
}

TEST(LastErrorText, ACodeWithoutTextGivesTheNumber) {
    EXPECT_EQ(GetLastErrorText(0), QStringLiteral("Last Error = 0"));
    EXPECT_EQ(GetLastErrorText(12003), QStringLiteral("Last Error = 12003"));
    EXPECT_EQ(GetLastErrorText(99999), QStringLiteral("Last Error = 99999"));
    EXPECT_EQ(GetLastErrorText(-5), QStringLiteral("Last Error = -5"));
}

TEST(LastErrorText, WithoutACodeTakesErrno) {
    errno = EACCES;
    EXPECT_EQ(GetLastErrorText(), GetLastErrorText(EACCES));
    errno = 0;
    EXPECT_EQ(GetLastErrorText(), QStringLiteral("Last Error = 0"));
}

TEST(LastErrorText, AReasonAServiceGaveIsReturnedOnce) {
    SetLastErrorReason(QStringLiteral("  No application can open \"https://x.example\"\n"));
    errno = ENOENT;
    EXPECT_EQ(GetLastErrorText(), QStringLiteral("No application can open \"https://x.example\""));
    errno = ENOENT;
    EXPECT_EQ(GetLastErrorText(), GetLastErrorText(ENOENT));
}

struct DisplayCase {
    const char* pName;
    std::string bytes;
    QString text;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DisplayCase& c, std::ostream* pOut) {
    *pOut << c.pName;
}

class DisplayText : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayText, ShowsTheBytesAs) {
    EXPECT_EQ(ToDisplayText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DisplayText,
    testing::Values(DisplayCase{"Empty", "", QString()}, DisplayCase{"Ascii", "Bank 42", QStringLiteral("Bank 42")},
                    DisplayCase{"Utf8", "caf\xC3\xA9 \xE2\x82\xAC", QStringLiteral("caf\u00e9 \u20ac")},
                    DisplayCase{"Utf8OutsideTheBasicPlane", "\xF0\x9F\x94\x91", QStringLiteral("\U0001F511")},
                    // A leading U+FEFF is part of the text, not a mark to drop: dropping it would change
                    // a field that is edited and kept.
                    DisplayCase{"LeadingByteOrderMarkIsKept", "\xEF\xBB\xBFSite", QStringLiteral("\ufeffSite")},
                    DisplayCase{"Byte80IsTheEuroSign", "\x80", QStringLiteral("\u20ac")},
                    DisplayCase{"ByteE9IsEAcute", "caf\xE9", QStringLiteral("caf\u00e9")},
                    DisplayCase{"UndefinedPositionsStayControls", "\x81\x8D\x8F\x90\x9D",
                                QStringLiteral("\u0081\u008d\u008f\u0090\u009d")},
                    DisplayCase{"Windows1252Punctuation", "\x93quoted\x94 \x96 \x85",
                                QStringLiteral("\u201cquoted\u201d \u2013 \u2026")},
                    // One invalid byte makes the whole text Windows-1252, valid sequences included.
                    DisplayCase{"MixedIsTakenAsWindows1252", "\xC3\xA9\xE9", QStringLiteral("\u00c3\u00a9\u00e9")},
                    DisplayCase{"EncodedSurrogateIsNotUtf8", "\xED\xA0\x80", QStringLiteral("\u00ed\u00a0\u20ac")},
                    DisplayCase{"OverlongIsNotUtf8", "\xC0\xAF", QStringLiteral("\u00c0\u00af")}),
    [](const testing::TestParamInfo<DisplayCase>& info) { return info.param.pName; });

TEST(DisplayText, Utf8GoesBackToTheSameBytes) {
    for (const std::string bytes :
         {"", "plain", "caf\xC3\xA9 \xE2\x82\xAC", "\xF0\x9F\x94\x91 key", "tab\there", "\xEF\xBB\xBFSite"}) {
        EXPECT_TRUE(IsUtf8Text(bytes));
        EXPECT_EQ(FromDisplayText(ToDisplayText(bytes)), bytes);
    }
    for (const std::string bytes : {"\x80", "caf\xE9", "\xC3", "\xED\xA0\x80"})
        EXPECT_FALSE(IsUtf8Text(bytes)) << bytes;
}

TEST(DisplayText, TypedTextBecomesUtf8) {
    EXPECT_EQ(FromDisplayText(QStringLiteral("caf\u00e9 \u20ac")), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(FromDisplayText(QString()), "");
}

} // namespace

TEST(TrimWhiteSpace, CutsBlanksTabsAndLineBreaksAtBothEndsOnly) {
    EXPECT_EQ(TrimWhiteSpace(" \t\r\n\v\fa b\t c \n"), "a b\t c");
    EXPECT_EQ(TrimWhiteSpace("abc"), "abc");
    EXPECT_EQ(TrimWhiteSpace(" \t \n"), "");
    EXPECT_EQ(TrimWhiteSpace(""), "");
    // A no-break space (UTF-8 C2 A0) is text, not white space.
    EXPECT_EQ(TrimWhiteSpace("\xC2\xA0x "), "\xC2\xA0x");
}

TEST(IsAscii, TrueOnlyWithoutAnyByteFrom0x80) {
    EXPECT_TRUE(IsAscii(""));
    EXPECT_TRUE(IsAscii(std::string_view("a\x7F\0z", 4)));
    EXPECT_FALSE(IsAscii("caf\xC3\xA9"));
    EXPECT_FALSE(IsAscii("\x80"));
}
