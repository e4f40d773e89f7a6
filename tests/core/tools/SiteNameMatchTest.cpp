#include "core/tools/SiteNameMatch.h"

#include "core/platform/Text.h"
#include "core/database/SiteOrder.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SiteNameMatch, FindsIgnoringCaseOnTheDisplayedText) {
    struct Case {
        std::string strName;
        std::string strFind;
        bool bFound;
    } cases[] = {
        {"Example Bank", "AMPLE", true},
        {"Example Bank", "bank", true},
        {"Example Bank", "banks", false},
        {"Example", "", true},
        {"\xC3\x89mile", "\xC3\xA9MI", true}, // É found by é
        {"Caf\xE9", "\xC3\x89", true},        // a Windows-1252 é found by a typed É
        {"Caf\xE9", "e", false},
        {"abc", "abcd", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ContainsIgnoringCase(c.strName, c.strFind), c.bFound) << c.strName << " / " << c.strFind;
}

// Where a match lies is counted in the displayed name's units, and it spans as many of them as the find
// text, whatever the bytes of either: the find dialog selects exactly that range in the name field.
TEST(SiteNameMatch, MatchIsPlacedInTheDisplayedNameAndNeverInsideACharacter) {
    struct Case {
        const char* pszWhy;
        std::string strName;
        std::string strFind;
        qsizetype nAt;
        qsizetype nLength;
    } cases[] = {
        {"ASCII, capitals in the name", "xxAbCx", "abc", 2, 3},
        {"ASCII, capitals in the find text", "my bank", "BANK", 3, 4},
        {"not there", "xx", "abc", -1, 3},
        {"two-byte letters before the match count one each", "\xC3\xA9\xC3\xA9t\xC3\xA9", "T\xC3\x89", 2, 2},
        {"Windows-1252 name, UTF-8 find text", "Caf\xE9 Noir", "\xC3\x89 n", 3, 3},
        {"Windows-1252 byte 0x80 is the euro sign", "Price \x80 5", "\xE2\x82\xAC", 6, 1},
        {"a character beyond 16 bits spans two units", "a\xF0\x9F\x94\x91key", "KEY", 3, 3},
        {"the same character beyond 16 bits", "a\xF0\x9F\x94\x91key", "\xF0\x9F\x94\x91", 1, 2},
        {"Kelvin sign folds to k", "Kelvin", "\xE2\x84\xAA", 0, 1},
        {"long s folds to s", "Bass", "\xC5\xBF\xC5\xBF", 2, 2},
        {"no full folding: sharp s is not ss", "Strasse", "\xC3\x9F", -1, 1},
        {"e does not match inside a decomposed \xC3\xA9", "Cafe\xCC\x81", "cafe", -1, 4},
        {"but the decomposed letter itself matches", "Cafe\xCC\x81", "E\xCC\x81", 3, 2},
        {"a later whole letter is still found", "e\xCC\x81 e", "e", 3, 1},
        {"CR LF is one character", "a\r\nb", "\r", -1, 1},
        {"empty find text", "abc", "", 0, 0},
        {"an ASCII name is searched in its lower case", "ABC ABC", "C A", 2, 3},
        {"a match that ends at a capital is found", "xYZ", "yz", 1, 2},
    };
    for (const Case& c : cases) {
        const CSiteNameFinder finder(c.strFind);
        EXPECT_EQ(finder.FindIn(c.strName), c.nAt) << c.pszWhy;
        EXPECT_EQ(finder.MatchLength(), c.nLength) << c.pszWhy;
        // The ready form, which searches over every site read, finds the same.
        std::string strReady;
        const bool bLowerAscii = AppendReadyName(strReady, c.strName);
        EXPECT_EQ(finder.FindIn(CReadyName{strReady, bLowerAscii}), c.nAt) << c.pszWhy;
    }
}

// The find folds as the site order does: two names the list holds for equal are found by each other.
TEST(SiteNameMatch, FoldsAsTheSiteOrderDoes) {
    const std::string pairs[][2] = {
        {"\xC3\x89MILE", "\xC3\xA9mile"},
        {"\xCE\xA3\xCE\xB9\xCF\x83", "\xCF\x83\xCE\xB9\xCF\x82"}, // final and medial sigma
        {"\xE2\x84\xAA", "k"},
        {"CAF\xC3\x89", "caf\xE9"},
    };
    for (const auto& pair : pairs) {
        EXPECT_EQ(CompareSiteNames(pair[0], pair[1]), 0) << pair[0];
        EXPECT_EQ(CSiteNameFinder(pair[1]).FindIn(pair[0]), 0) << pair[0];
        EXPECT_EQ(CSiteNameFinder(pair[0]).FindIn(pair[1]), 0) << pair[1];
    }
}

// The offsets above rest on this: folding never changes how many units a character takes.
TEST(SiteNameMatch, FoldingKeepsTheLengthOfEveryCharacter) {
    for (char32_t c = 0; c < 0x110000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        const QString str = QString::fromUcs4(&c, 1);
        ASSERT_EQ(str.toCaseFolded().size(), str.size()) << std::hex << static_cast<unsigned>(c);
    }
}

} // namespace
