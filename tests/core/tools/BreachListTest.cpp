#include "core/tools/BreachList.h"

#include "BreachListFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

namespace {

using BreachListFiles::CEntry;
using BreachListFiles::Text;

CHashHex Hash(const std::string& str) {
    CHashHex hash{};
    std::copy_n(str.begin(), hash.size(), hash.begin());
    return hash;
}

// A hash strictly between two neighbours of the list, made from the lower one.
CHashHex Between(const CHashHex& lower, const CHashHex& upper) {
    CHashHex hash = lower;
    for (int i = 39; i >= 0; --i) {
        if (hash[i] == 'F') {
            hash[i] = '0';
            continue;
        }
        hash[i] = hash[i] == '9' ? 'A' : static_cast<char>(hash[i] + 1);
        break;
    }
    return hash < upper ? hash : lower; // neighbours one apart have nothing between them
}

struct Layout {
    const char* pszName;
    bool bFolder;
    bool bTxt;
    const char* pszEnd;
    bool bFinalLineEnd;
};

class BreachListLayouts : public ::testing::TestWithParam<Layout> {};

// Several blocks per file in both layouts: the range files share four prefixes, the edges of the hash
// space among them.
TEST_P(BreachListLayouts, FindsEveryHashAndNothingElse) {
    const Layout& layout = GetParam();
    const auto entries = BreachListFiles::RandomEntries(4000, 23, {"00000", "5BAA6", "ABCDE", "FFFFF"});
    QTemporaryDir dir;
    QString strPath = dir.filePath(QStringLiteral("list"));
    if (layout.bFolder) {
        ASSERT_TRUE(BreachListFiles::WriteRangeFolder(strPath, entries, layout.bTxt));
    } else {
        std::string strLines = BreachListFiles::Lines(entries, 0, layout.pszEnd);
        if (!layout.bFinalLineEnd)
            strLines.resize(strLines.size() - std::string(layout.pszEnd).size());
        ASSERT_TRUE(BreachListFiles::WriteBytes(strPath, strLines));
    }
    CBreachList list;
    std::string strError;
    ASSERT_TRUE(list.Open(strPath, strError)) << strError;

    std::map<CHashHex, std::uint64_t> expected(entries.begin(), entries.end());
    std::vector<CHashHex> probes;
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        probes.push_back(entries[i].first);
        probes.push_back(Between(entries[i].first, entries[i + 1].first));
    }
    probes.push_back(entries.back().first);
    probes.push_back(Hash(std::string(40, '0')));
    probes.push_back(Hash(std::string(40, 'F')));
    probes.push_back(Hash("12345" + std::string(35, '0'))); // a range with no file

    // Rising order takes the path that reuses the block in hand; a shuffled order the fresh search.
    for (const bool bShuffled : {false, true}) {
        if (bShuffled)
            std::shuffle(probes.begin(), probes.end(), std::mt19937(5));
        for (const CHashHex& hash : probes) {
            std::uint64_t nCount = 99;
            ASSERT_TRUE(list.Lookup(hash, nCount, strError)) << Text(hash) << ": " << strError;
            const auto it = expected.find(hash);
            ASSERT_EQ(nCount, it == expected.end() ? 0u : it->second) << Text(hash) << (bShuffled ? " shuffled" : "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BreachList, BreachListLayouts,
                         ::testing::Values(Layout{"OneFile", false, false, "\n", true},
                                           Layout{"OneFileCrLfNoFinalLineEnd", false, false, "\r\n", false},
                                           Layout{"FolderTxt", true, true, "\n", true},
                                           Layout{"FolderBare", true, false, "\n", true}),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(BreachList, HashOfAPasswordIsItsUpperCaseSha1) {
    EXPECT_EQ(Text(PasswordHashHex("password")), "5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8");
    EXPECT_EQ(Text(PasswordHashHex("")), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

struct BadList {
    const char* pszWhat;
    std::string (*make)(std::vector<CEntry>& entries, std::size_t& nBad); // the list, and the entry spoiled
    const char* pszMessage;
};

// A line spoiled in the middle of a large list: the search for the hash it held must read it, and must
// say what is wrong rather than answer. Every other lookup answers right or fails the same way.
TEST(BreachList, DamagedOrUnsortedListFailsWithAMessageNeverAWrongAnswer) {
    const BadList cases[] = {
        {"a line without its count",
         [](std::vector<CEntry>& e, std::size_t& nBad) {
             nBad = e.size() / 2;
             std::string str = BreachListFiles::Lines(e, 0);
             const auto nAt = str.find(Text(e[nBad].first));
             str.erase(str.find('\n', nAt) - std::to_string(e[nBad].second).size(),
                       std::to_string(e[nBad].second).size());
             return str;
         },
         "is damaged: line "},
        {"a line in lower case",
         [](std::vector<CEntry>& e, std::size_t& nBad) {
             nBad = e.size() / 3;
             std::string str = BreachListFiles::Lines(e, 0);
             const auto nAt = str.find(Text(e[nBad].first));
             for (std::size_t i = nAt; i < nAt + 40; ++i)
                 str[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(str[i])));
             return str;
         },
         "is damaged: line "},
        {"two hundred lines in reverse order",
         [](std::vector<CEntry>& e, std::size_t& nBad) {
             nBad = e.size() / 2;
             std::vector<CEntry> spoiled = e;
             std::reverse(spoiled.begin() + static_cast<std::ptrdiff_t>(nBad) - 100,
                          spoiled.begin() + static_cast<std::ptrdiff_t>(nBad) + 100);
             return BreachListFiles::Lines(spoiled, 0);
         },
         "is not sorted by hash"},
    };
    for (const BadList& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        auto entries = BreachListFiles::RandomEntries(6000, 7);
        std::size_t nBad = 0;
        QTemporaryDir dir;
        const QString strPath = dir.filePath(QStringLiteral("list.txt"));
        ASSERT_TRUE(BreachListFiles::WriteBytes(strPath, c.make(entries, nBad)));
        CBreachList list;
        std::string strError;
        ASSERT_TRUE(list.Open(strPath, strError)) << strError; // the damage is far from both ends

        std::uint64_t nCount = 0;
        EXPECT_FALSE(list.Lookup(entries[nBad].first, nCount, strError));
        EXPECT_NE(strError.find(c.pszMessage), std::string::npos) << strError;
        EXPECT_NE(strError.find("list.txt"), std::string::npos) << strError;
        std::size_t nFailed = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            strError.clear();
            if (!list.Lookup(entries[i].first, nCount, strError)) {
                ++nFailed;
                EXPECT_NE(strError.find(c.pszMessage), std::string::npos) << strError;
                continue;
            }
            EXPECT_EQ(nCount, entries[i].second) << "a wrong answer for entry " << i;
        }
        EXPECT_GT(nFailed, 0u);
    }
}

TEST(BreachList, OpenRefusesListsThatAreNotSortedHashLists) {
    QTemporaryDir dir;
    auto entries = BreachListFiles::RandomEntries(500, 3);
    std::shuffle(entries.begin(), entries.end(), std::mt19937(1));
    // Where the shuffled list first goes down, counted from line 1: the message names that line.
    std::size_t nFirstDown = 1;
    while (entries[nFirstDown - 1].first < entries[nFirstDown].first)
        ++nFirstDown;
    const std::string strDown = "is not sorted by hash: line " + std::to_string(nFirstDown + 1) + " is out of order";
    const struct {
        const char* pszName;
        std::string bytes;
        std::string strMessage;
    } cases[] = {
        {"shuffled.txt", BreachListFiles::Lines(entries, 0), strDown},
        {"csv.txt", "site,url,user,password,notes\r\nBank,,,x,\r\n",
         "is damaged: line 1 is not HASH:COUNT, with 40 upper-case hex digits"},
        {"count-missing.txt",
         "0000000000000000000000000000000000000001:5\n"
         "0000000000000000000000000000000000000002:\n",
         "is damaged: line 2 is not HASH:COUNT"},
        {"one-long-line.txt", std::string(10000, 'A'), "has a line longer than 4096 bytes, line 1:"},
    };
    for (const auto& c : cases) {
        const QString strPath = dir.filePath(QString::fromLatin1(c.pszName));
        ASSERT_TRUE(BreachListFiles::WriteBytes(strPath, c.bytes));
        CBreachList list;
        std::string strError;
        EXPECT_FALSE(list.Open(strPath, strError)) << c.pszName;
        EXPECT_NE(strError.find(c.strMessage), std::string::npos) << c.pszName << ": " << strError;
        EXPECT_FALSE(list.IsOpen());
    }
    CBreachList list;
    std::string strError;
    EXPECT_FALSE(list.Open(dir.filePath(QStringLiteral("missing.txt")), strError));
    EXPECT_NE(strError.find("cannot be read: No such file or directory"), std::string::npos) << strError;
    QDir(dir.path()).mkdir(QStringLiteral("empty"));
    EXPECT_FALSE(list.Open(dir.filePath(QStringLiteral("empty")), strError));
    EXPECT_NE(strError.find("holds no range files"), std::string::npos) << strError;
}

} // namespace
