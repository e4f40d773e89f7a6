#include "core/tools/PasswordHealth.h"

#include "BreachListFiles.h"
#include "core/tools/BreachList.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

struct Site {
    const char* pszSite;
    const char* pszURL;
    const char* pszUser;
    const char* pszPswd;
};

class PasswordHealth : public ::testing::Test {
protected:
    void Add(const std::vector<Site>& sites) {
        for (const Site& s : sites)
            m_sites.push_back(std::make_unique<CSiteInfo>(s.pszSite, s.pszURL, s.pszUser, s.pszPswd, ""));
    }
    std::vector<const CSiteInfo*> Pointers() const {
        std::vector<const CSiteInfo*> sites;
        for (const auto& p : m_sites)
            sites.push_back(p.get());
        return sites;
    }
    // "site: kind: detail" lines, worst first.
    std::vector<std::string> Lines(CBreachList* pList = nullptr, unsigned nThreads = 1) {
        const CHealthCheck check(Pointers());
        std::vector<CFinding> findings;
        std::string strError;
        EXPECT_TRUE(CheckPasswordHealth(check, pList, nThreads, findings, strError)) << strError;
        std::vector<std::string> lines;
        for (const CFinding& f : findings)
            lines.push_back(check.NameOf(f.nSite) + ": " + FindingName(f.kind) + ": " + f.strDetail);
        return lines;
    }

    CSiteArray m_sites;
};

const char* const kStrong = "q7#Vk2!pL9xZw4"; // about 10^24 guesses

TEST_F(PasswordHealth, ReusedPasswordsNameTheOtherSitesEmptyOnesAreNotReused) {
    Add({{"mail", "", "", kStrong},
         {"Bank", "", "", kStrong},
         {"shop", "", "", "Zr8$mW2#kQ5!"},
         {"bank", "", "", kStrong},
         {"forum", "", "", ""},
         {"wiki", "", "", ""}});
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "forum: empty: no password",
                           "wiki: empty: no password",
                           "Bank: reused: same password as 2 other sites: bank, mail",
                           "bank: reused: same password as 2 other sites: Bank, mail",
                           "mail: reused: same password as 2 other sites: Bank, bank",
                       }));
}

TEST_F(PasswordHealth, NamesakesAreToldApartAndManyOthersAreCounted) {
    for (int i = 0; i < 13; ++i)
        Add({{"same", "", "", kStrong}});
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 13u);
    // Told apart as the companion chooses one: "--nth N", its place among them in list order.
    EXPECT_EQ(lines[0], "same --nth 1: reused: same password as 12 other sites: same --nth 2, same --nth 3, "
                        "same --nth 4, same --nth 5, same --nth 6, same --nth 7, same --nth 8, same --nth 9, "
                        "same --nth 10, same --nth 11, and 2 more");
    EXPECT_EQ(lines[12].substr(0, lines[12].find(':')), "same --nth 13");
}

// A strong password still counts as weak when it holds the site's own name, user name or host name, in any
// case; names shorter than three characters are not looked for.
TEST_F(PasswordHealth, WeakByZxcvbnOrByHoldingTheSitesOwnWords) {
    Add({{"Amazon", "", "", "xAMAZONq7#Vk2!pL"},
         {"mail", "", "jdoe@example.org", "Jdoe!q7#Vk2pL9"},
         {"wallet", "https://www.paypal.com:443/login", "", "q7#Vk2PayPal!"},
         {"al", "https://al.io", "al", "q7#Vk2!alL9xZw4"},
         {"Gym", "", "", "password"},
         {"club", "", "", "dragon12"}});
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 5u) << "al is no finding";
    EXPECT_EQ(lines[0], "Gym: weak: very weak, about 10^0 guesses");
    EXPECT_EQ(lines[1], "club: weak: weak, about 10^3 guesses");
    EXPECT_NE(lines[2].find(": weak: holds the"), std::string::npos) << lines[2];
    std::string strAll;
    for (const std::string& str : lines)
        strAll += str + "\n";
    // Weak by its name alone: no strength word beside "weak" says otherwise.
    EXPECT_NE(strAll.find("Amazon: weak: holds the site name, which attackers try first; about 10^"), std::string::npos)
        << strAll;
    for (const char* pszWord : {"strong", "good", "fair"})
        EXPECT_EQ(strAll.find(pszWord), std::string::npos) << strAll;
    // Weak both ways: the strength word agrees.
    m_sites.clear();
    Add({{"dragon", "", "", "dragon1"}});
    EXPECT_EQ(Lines(), (std::vector<std::string>{"dragon: weak: holds the site name; very weak, about 10^1 guesses"}));
    EXPECT_NE(strAll.find("mail: weak: holds the user name, which attackers try first; "), std::string::npos) << strAll;
    EXPECT_NE(strAll.find("wallet: weak: holds the site's host name, which attackers try first; "), std::string::npos)
        << strAll;
    for (const std::string& str : lines)
        EXPECT_EQ(str.find("q7#"), std::string::npos) << "a password shown: " << str;
}

TEST_F(PasswordHealth, BreachedComeFirstAfterEmptyMostSeenFirst) {
    Add({{"a", "", "", "q7#Vk2!pL9xZw4"},
         {"b", "", "", "Zr8$mW2#kQ5!"},
         {"c", "", "", "Zr8$mW2#kQ5!"},
         {"d", "", "", ""},
         {"e", "", "", "password"}});
    auto entries = BreachListFiles::RandomEntries(3000, 11);
    entries.emplace_back(PasswordHashHex("q7#Vk2!pL9xZw4"), 2);
    entries.emplace_back(PasswordHashHex("Zr8$mW2#kQ5!"), 1);
    std::sort(entries.begin(), entries.end());
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(BreachListFiles::WriteBytes(strPath, BreachListFiles::Lines(entries, 0)));
    CBreachList list;
    std::string strError;
    ASSERT_TRUE(list.Open(strPath, strError)) << strError;
    EXPECT_EQ(Lines(&list), (std::vector<std::string>{
                                "d: empty: no password",
                                "a: breached: seen 2 times in the breach list",
                                "b: breached: seen 1 time in the breach list",
                                "c: breached: seen 1 time in the breach list",
                                "e: weak: very weak, about 10^0 guesses",
                                "b: reused: same password as 1 other site: c",
                                "c: reused: same password as 1 other site: b",
                            }));
}

// The summary counts what there is to change: distinct passwords and sites, not findings. A site may have
// several findings; sites sharing a password need one new password each but share one to change.
TEST_F(PasswordHealth, ChangesAreCountedAsDistinctPasswordsAndSites) {
    Add({{"a", "", "", "password"},
         {"b", "", "", "password"},
         {"c", "", "", "dragon"},
         {"d", "", "", ""},
         {"e", "", "", ""},
         {"f", "", "", kStrong}});
    const CHealthCheck check(Pointers());
    std::vector<CFinding> findings;
    std::string strError;
    ASSERT_TRUE(CheckPasswordHealth(check, nullptr, 1, findings, strError));
    EXPECT_EQ(findings.size(), 7u); // a and b weak and reused, c weak, d and e empty
    std::size_t nPasswords = 0, nSites = 0;
    check.CountChanges(findings, nPasswords, nSites);
    EXPECT_EQ(nPasswords, 3u); // "password", "dragon", and no password
    EXPECT_EQ(nSites, 5u);
}

// A code line that gives no code is told, last, with its line; a good one, a counter-based one (a kind not
// made, not a fault) and a code secret beside a password are no finding. It is no password to change.
TEST_F(PasswordHealth, AnInvalidCodeLineIsToldNeverACodeBesideThePassword) {
    const struct {
        const char* pszSite;
        const char* pszPswd;
        const char* pszNotes;
    } sites[] = {
        {"good", kStrong, "totp: JBSWY3DPEHPK3PXP"},
        {"steam", "Zr8$mW2#kQ5!x", "otpauth://totp/Steam:al?secret=JBSWY3DPEHPK3PXP&issuer=Steam"},
        {"counter", "Zr8$mW2#kQ6!y", "otpauth://hotp/a?secret=JBSWY3DPEHPK3PXP&counter=3"},
        {"Bad", "Zr8$mW2#kQ7!z", "recovery: in the safe\r\notpauth://totp/a?secret=JBSWY3DPEHPK3PXP&digits=4"},
        {"also bad", "password", "TOTP: JBSWY3DPEHPK3PX1\ntotp: JBSWY3DPEHPK3PXP"},
        {"none", "Zr8$mW2#kQ8!w", "totp is on my phone"},
    };
    for (const auto& site : sites)
        m_sites.push_back(std::make_unique<CSiteInfo>(site.pszSite, "", "", site.pszPswd, site.pszNotes));
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "also bad: weak: very weak, about 10^0 guesses",
                           "also bad: code: line 1 of the notes: the secret is not base32",
                           "Bad: code: line 2 of the notes: digits is not 6, 7 or 8",
                       }));

    const CHealthCheck check(Pointers());
    std::vector<CFinding> findings;
    check.FindInvalidCodes(findings);
    ASSERT_EQ(findings.size(), 2u);
    std::size_t nPasswords = 0, nSites = 0;
    check.CountChanges(findings, nPasswords, nSites);
    EXPECT_EQ(nPasswords, 0u);
    EXPECT_EQ(nSites, 0u);
}

// The strength estimates shared out among threads give what one thread gives, in the same order.
TEST_F(PasswordHealth, TwoThreadsFindWhatOneFinds) {
    const char* const kWords[] = {"password", "dragon", "Summer2019!", "q7#Vk2!pL9xZw4", "abc123", "letmein"};
    std::vector<std::string> passwords;
    for (int i = 0; i < 3000; ++i)
        passwords.push_back(std::string(kWords[i % 6]) + std::to_string(i % 700));
    for (int i = 0; i < 3000; ++i)
        m_sites.push_back(std::make_unique<CSiteInfo>("site" + std::to_string(i % 1000), "", "", passwords[i], ""));
    const std::vector<std::string> one = Lines(nullptr, 1);
    EXPECT_GT(one.size(), 1000u);
    EXPECT_EQ(Lines(nullptr, 2), one);
}

// A large file's names and passwords are numbered on two threads: each site's place among its namesakes and
// each shared password's count are what counting them one by one gives.
TEST_F(PasswordHealth, ALargeFilesNamesakesAndSharedPasswordsAreCountedRight) {
    constexpr int kSites = 30000;
    std::map<std::string, std::size_t> nameCounts, passwordCounts;
    std::vector<std::size_t> nth;
    for (int i = 0; i < kSites; ++i) {
        std::string strName = "site" + std::to_string(i % 9000 * 7 % 11003);
        std::string strPswd = i % 13 == 0 ? std::string() : "pw-" + std::to_string(i * 31 % 17011);
        nth.push_back(++nameCounts[strName]);
        if (!strPswd.empty())
            ++passwordCounts[strPswd];
        m_sites.push_back(std::make_unique<CSiteInfo>(strName, "", "", strPswd, ""));
    }
    const CHealthCheck check(Pointers());
    std::vector<CFinding> findings;
    check.FindEmptyAndReused(findings);
    std::vector<std::string> expected, got;
    for (std::size_t i = 0; i < check.Sites().size(); ++i) {
        const CSiteInfo& site = *check.Sites()[i];
        ASSERT_EQ(check.Nth(i), nth[i]) << i;
        const std::string strName =
            nameCounts[site.m_strSite] > 1 ? site.m_strSite + " --nth " + std::to_string(nth[i]) : site.m_strSite;
        ASSERT_EQ(check.NameOf(i), strName) << i;
        if (site.m_strPswd.empty())
            expected.push_back(strName + ": no password");
        else if (const std::size_t nOthers = passwordCounts[site.m_strPswd] - 1; nOthers > 0)
            expected.push_back(strName + ": same password as " + std::to_string(nOthers) +
                               (nOthers == 1 ? " other site" : " other sites"));
    }
    for (const CFinding& finding : findings)
        got.push_back(check.NameOf(finding.nSite) + ": " + finding.strDetail.substr(0, finding.strDetail.find(':')));
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(check.Units(), passwordCounts.size());
}

TEST_F(PasswordHealth, ABrokenBreachListGivesNoFindingsButTheReason) {
    Add({{"a", "", "", ""}});
    auto entries = BreachListFiles::RandomEntries(3000, 12);
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("list.txt"));
    std::string strLines = BreachListFiles::Lines(entries, 0);
    ASSERT_TRUE(BreachListFiles::WriteBytes(strPath, strLines));
    CBreachList list;
    std::string strError;
    ASSERT_TRUE(list.Open(strPath, strError)) << strError;
    // Damaged after opening: the lookup of "a" (whose hash sorts near the middle) meets the spoiled part.
    std::string strSpoiled = strLines;
    for (std::size_t i = strSpoiled.size() / 4; i < strSpoiled.size() * 3 / 4; ++i)
        if (strSpoiled[i] != '\n')
            strSpoiled[i] = 'x';
    ASSERT_TRUE(BreachListFiles::WriteBytes(strPath, strSpoiled));
    m_sites.push_back(std::make_unique<CSiteInfo>("b", "", "", "a", ""));
    const CHealthCheck check(Pointers());
    std::vector<CFinding> findings;
    ASSERT_EQ(PasswordHashHex("a")[0], '8'); // the middle of the hash space
    EXPECT_FALSE(CheckPasswordHealth(check, &list, 2, findings, strError));
    EXPECT_TRUE(findings.empty());
    EXPECT_NE(strError.find("is damaged: line "), std::string::npos) << strError;
}

} // namespace
