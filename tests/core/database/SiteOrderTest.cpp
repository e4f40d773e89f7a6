#include "core/database/SiteOrder.h"
#include "core/platform/Text.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

int Sign(int n) {
    return (n > 0) - (n < 0);
}

CSiteArray SitesNamed(const std::vector<std::string>& names) {
    CSiteArray sites;
    for (const std::string& strName : names)
        sites.push_back(std::make_unique<CSiteInfo>(strName, "", "", "", ""));
    return sites;
}

// The names as the companion's list reads them: side by side in one buffer.
CSiteNameList NameListOf(const std::vector<std::string>& names) {
    CSiteNameList list;
    for (const std::string& strName : names)
        list.AddName([&](std::string& str) { str += strName; });
    return list;
}

std::vector<std::string> NamesInListOrder(const std::vector<std::string>& names) {
    std::vector<std::string> listed;
    for (std::size_t i : SiteListOrder(names))
        listed.push_back(names[i]);
    return listed;
}

// Names that tell a display-text fold from a byte-wise one: accented capitals, Greek final sigma,
// a Deseret capital (outside the 16-bit plane), Windows-1252 bytes that are not UTF-8, punctuation that
// sits between the upper- and lower-case ASCII letters, prefixes of one another, and long shared heads;
// and a NUL, which a damaged file can put in a name, after a name that is otherwise the same.
const std::vector<std::string> kAwkwardNames = {
    "alpha",
    "Alpha",
    "ALPHA",
    "alphabet",
    "alph",
    "",
    "_under",
    "[bracket",
    "Zeta",
    "zeta ",
    "Émile",
    "émile",
    "Ezra",
    "éclair",
    "\xC3\x89"
    "clair",
    "Caf\xE9",
    "caf\xC3\xA9",
    "CAF\xC3\x89",
    "\xCE\xA3\xCE\xBF\xCF\x82",
    "\xCF\x83\xCE\xBF\xCF\x83",
    "\xF0\x90\x90\x80x",
    "\xF0\x90\x90\xA8x",
    "\xF0\x90\x90\xA8y",
    "\xEF\xBC\xA1",
    "\xEF\xBD\x81",
    "stra\xC3\x9F"
    "e",
    "STRASSE",
    "insurance energy water 12",
    "insurance energy water 2",
    "Insurance Energy Water 12",
    "insurance energy water",
    "insurance energy wateR 12 b",
    "1password",
    "~tilde",
    std::string("~tilde\0", 7),
};

} // namespace

TEST(SiteOrder, AgreesWithTheCaseInsensitiveComparisonOfTheDisplayedNames) {
    for (const std::string& a : kAwkwardNames) {
        for (const std::string& b : kAwkwardNames) {
            const int nExpected = Sign(QString::compare(ToDisplayText(a), ToDisplayText(b), Qt::CaseInsensitive));
            EXPECT_EQ(Sign(CompareSiteNames(a, b)), nExpected) << '"' << a << "\" vs \"" << b << '"';
        }
    }
}

TEST(SiteOrder, ListOrderIsSortedAndKeepsEqualNamesInRecordOrder) {
    // Copies of the names make lists of each size at which the sort works differently: insertion alone,
    // a few radix passes, and long runs of equal names through many passes.
    for (int nCopies : {1, 150, 700}) {
        SCOPED_TRACE(nCopies);
        std::vector<std::string> names;
        for (int nCopy = 0; nCopy < nCopies; ++nCopy)
            names.insert(names.end(), kAwkwardNames.begin(), kAwkwardNames.end());
        const std::vector<std::size_t> order = SiteListOrder(names);
        std::vector<std::size_t> each = order;
        std::sort(each.begin(), each.end());
        for (std::size_t i = 0; i < each.size(); ++i)
            ASSERT_EQ(each[i], i) << "every record exactly once";
        for (std::size_t i = 1; i < order.size(); ++i) {
            const int n = CompareSiteNames(names[order[i - 1]], names[order[i]]);
            ASSERT_LE(n, 0) << "at " << i;
            if (n == 0) {
                ASSERT_LT(order[i - 1], order[i]) << "equal names out of record order at " << i;
            }
        }
        // The records' order and the names' order are the same order.
        EXPECT_EQ(SiteListOrder(SitesNamed(names)), order);
        EXPECT_EQ(SiteListOrder(NameListOf(names)), order);
    }
}

TEST(SiteOrder, ListOrderOfAGeneratedListIsTheStableSortByTheComparison) {
    // Names built from a few pieces, so that many share long heads, differ only in case or sort equal,
    // mixed with UTF-8 and Windows-1252 accents, a NUL as a damaged file may hold, names that begin others,
    // and lists of every size the sort treats in its own way: finished by insertion at once, one pass, many.
    const std::vector<std::string> pieces = {"amazon",
                                             "Amazon",
                                             "AMAZON",
                                             " ",
                                             "bank",
                                             "Bank",
                                             "é",
                                             "É",
                                             "\xE9",
                                             "\xC9",
                                             "insurance",
                                             "insurancE",
                                             "0",
                                             "12",
                                             "_",
                                             "[",
                                             "z",
                                             "\xF0\x90\x90\x80",
                                             std::string(1, '\0')};
    std::mt19937 random(7);
    for (std::size_t nCount : {5, 31, 32, 200, 5000}) {
        SCOPED_TRACE(nCount);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < nCount; ++i) {
            std::string strName;
            for (unsigned nPieces = random() % 9; nPieces > 0; --nPieces)
                strName += pieces[random() % pieces.size()];
            names.push_back(strName);
        }
        std::vector<std::size_t> expected(nCount);
        std::iota(expected.begin(), expected.end(), std::size_t{0});
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::size_t a, std::size_t b) { return CompareSiteNames(names[a], names[b]) < 0; });
        EXPECT_EQ(SiteListOrder(names), expected);
        EXPECT_EQ(SiteListOrder(SitesNamed(names)), expected);
        EXPECT_EQ(SiteListOrder(NameListOf(names)), expected);
    }
}

TEST(SiteOrder, AListOfAsciiNamesIsSortedWhereItLiesAsByItsKeys) {
    // A list in ASCII alone is sorted on its own bytes, folded as they are read: the letters' neighbours
    // ('@', '[', '`', '{'), a NUL, and heads shared past one and two eight-byte words, so that names end
    // inside, at and after the edge of a word and the next name's bytes must not count.
    const std::vector<std::string> pieces = {"insurance", "INSURANCE", "Energy ", "a", "Z", "@", "[",
                                             "`",         "{",         "_",       "0", "9", " ", std::string(1, '\0')};
    std::mt19937 random(11);
    for (std::size_t nCount : {1, 31, 32, 200, 5000}) {
        SCOPED_TRACE(nCount);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < nCount; ++i) {
            std::string strName;
            for (unsigned nPieces = random() % 7; nPieces > 0; --nPieces)
                strName += pieces[random() % pieces.size()];
            names.push_back(strName);
        }
        std::vector<std::size_t> expected(nCount);
        std::iota(expected.begin(), expected.end(), std::size_t{0});
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::size_t a, std::size_t b) { return CompareSiteNames(names[a], names[b]) < 0; });
        EXPECT_EQ(SiteListOrder(NameListOf(names)), expected);
    }
}

TEST(SiteOrder, ListsLikeTheSiteList) {
    struct Case {
        std::vector<std::string> names; // in record order
        std::vector<std::string> listed;
    } cases[] = {
        {{}, {}},
        {{"b", "a"}, {"a", "b"}},
        {{"zeta", "Alpha", "beta", "ALPHA", "alpha"}, {"Alpha", "ALPHA", "alpha", "beta", "zeta"}},
        // Accented names sit with their letters' case partners, not among the bytes of their encoding.
        {{"\xC3\x89zra", "zeta",
          "\xC3\xA9"
          "clair"},
         {"zeta",
          "\xC3\xA9"
          "clair",
          "\xC3\x89zra"}},
        // A name sorts before the longer names it begins.
        {{"abc", "ab", "abcd", "AB"}, {"ab", "AB", "abc", "abcd"}},
        // Punctuation between "Z" and "a" in ASCII sorts as it does against the lower case.
        {{"b", "_", "A"}, {"_", "A", "b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamesInListOrder(c.names), c.listed);
        const CSiteNameList list = NameListOf(c.names);
        std::vector<std::string> listed;
        for (std::size_t i : SiteListOrder(list))
            listed.emplace_back(list[i]);
        EXPECT_EQ(listed, c.listed);
    }
}
