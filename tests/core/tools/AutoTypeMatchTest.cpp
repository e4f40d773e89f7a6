#include "core/tools/AutoTypeMatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(AutoTypeMatch, TheHostIsLowerCaseWithoutWwwAndABareHostIsRead) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {"https://www.Bank.Example/login?x=1", "bank.example"},
        {"bank.example/login", "bank.example"},
        {"  http://mail.example:8443/ ", "mail.example"},
        {"www.example", "example"},
        {"www.", "www."},
        {"", ""},
    };
    for (const auto& [pszURL, pszHost] : cases)
        EXPECT_EQ(AutoTypeMatch::HostOf(pszURL), pszHost) << pszURL;
}

// A browser's title names the page's site or host; either finds the site, in any case. Names and hosts too short
// to mean anything are not looked for, and a site named in no part of the title is not found.
TEST(AutoTypeMatch, SitesAreFoundByHostOrNameInTheTitle) {
    const std::vector<AutoTypeMatch::CSiteKeys> sites{
        {"Bank", "https://www.bank.example/login"}, // 0
        {"Mail", "mail.example"},                   // 1
        {"ab", "https://ab.io"},                    // 2: the name is too short, the host is not
        {"Forum", ""},                              // 3
        {"Café", "https://caf\xC3\xA9.example"},    // 4
        {"x", "https://x"},                         // 5: too short either way
    };
    const auto find = [&](const char* pszTitle) { return AutoTypeMatch::SitesForTitle(pszTitle, sites); };
    EXPECT_EQ(find("Sign in - BANK.EXAMPLE - Chromium"), (std::vector<std::size_t>{0}));
    EXPECT_EQ(find("Inbox (3) - mail.example — Mozilla Firefox"), (std::vector<std::size_t>{1}));
    EXPECT_EQ(find("My bank and my forum"), (std::vector<std::size_t>{0, 3}));
    EXPECT_EQ(find("Login at ab.io"), (std::vector<std::size_t>{2}));
    EXPECT_EQ(find("Menu du CAFÉ"), (std::vector<std::size_t>{4}));
    EXPECT_EQ(find("x - Terminal"), (std::vector<std::size_t>{}));
    EXPECT_EQ(find(""), (std::vector<std::size_t>{}));
}

} // namespace
