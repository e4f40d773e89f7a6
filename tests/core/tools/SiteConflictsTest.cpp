// Which same-name sites are conflicts: names compared as the list compares them, exact copies as one version,
// the pairs to compare, and the order of the names.
#include "core/tools/SiteConflicts.h"

#include "FormatBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Versions = std::vector<std::vector<std::size_t>>;
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;

struct CFound {
    Versions versions; // by the sites' indices
    Pairs pairs;
    bool operator==(const CFound&) const = default;
};

std::ostream& operator<<(std::ostream& os, const CFound& found) {
    os << "{";
    for (const auto& version : found.versions) {
        os << "[";
        for (const std::size_t i : version)
            os << i << " ";
        os << "]";
    }
    os << " pairs";
    for (const auto& [nLeft, nRight] : found.pairs)
        os << " " << nLeft << "-" << nRight;
    return os << "}";
}

std::vector<CFound> Find(const CSiteArray& sites) {
    std::vector<CFound> found;
    for (const CSiteConflict& conflict : FindSiteConflicts(sites)) {
        CFound f{{}, conflict.pairs};
        for (const auto& version : conflict.versions) {
            f.versions.emplace_back();
            for (const CSiteInfo* pSite : version) {
                std::size_t i = 0;
                while (i < sites.size() && sites[i].get() != pSite)
                    ++i;
                f.versions.back().push_back(i);
            }
        }
        found.push_back(std::move(f));
    }
    return found;
}

const SiteFields kBank{"Bank", "https://bank.example", "ann", "b-1", "card 1"};
const SiteFields kMail{"Mail", "", "ann", "m-1", ""};

SiteFields With(SiteFields fields, std::size_t nField, const char* pszValue) {
    fields[nField] = pszValue;
    return fields;
}

struct CConflictCase {
    const char* pszName;
    std::vector<SiteFields> sites;
    std::vector<CFound> expected;
};

TEST(SiteConflictsTest, GroupsNamesAsTheListComparesThemAndPairsVersionsWhoseLoginsDiffer) {
    const CConflictCase cases[] = {
        {"no name twice", {kBank, kMail}, {}},
        {"identical duplicates", {kBank, kMail, kBank}, {}},
        {"only the name's case differs", {kBank, With(kBank, 0, "BANK")}, {}},
        {"same name in another case", {kBank, With(With(kBank, 0, "bANK"), 3, "b-2")}, {{{{0}, {1}}, {{0, 1}}}}},
        {"the URL differs", {kBank, With(kBank, 1, "https://bank.example/login")}, {{{{0}, {1}}, {{0, 1}}}}},
        {"the user differs", {kBank, kMail, With(kBank, 2, "bob")}, {{{{0}, {2}}, {{0, 1}}}}},
        {"the password differs", {kBank, With(kBank, 3, "b-2")}, {{{{0}, {1}}, {{0, 1}}}}},
        {"the notes differ", {kBank, With(kBank, 4, "card 2")}, {{{{0}, {1}}, {{0, 1}}}}},
        {"three versions",
         {kBank, kMail, With(kBank, 3, "b-2"), With(kBank, 3, "b-3")},
         {{{{0}, {2}, {3}}, {{0, 1}, {0, 2}, {1, 2}}}}},
        // A version's copies are one version: keeping the other removes them all.
        {"copies of a version", {kBank, With(kBank, 3, "b-2"), kBank}, {{{{0, 2}, {1}}, {{0, 1}}}}},
        // Spelled otherwise with the same login: a version of its own, but no pair with its twin.
        {"a twin in another case",
         {kBank, With(kBank, 0, "bank"), With(kBank, 3, "b-2")},
         {{{{0}, {1}, {2}}, {{0, 2}, {1, 2}}}}},
        {"names folded beyond ASCII",
         {{"\xC3\x89mile", "", "", "1", ""}, {"\xC3\xA9mile", "", "", "2", ""}},
         {{{{0}, {1}}, {{0, 1}}}}},
        // In the list's order: alpha before zeta, whatever the record order.
        {"the names in list order",
         {{"zeta", "", "", "1", ""}, {"Alpha", "", "", "1", ""}, {"zeta", "", "", "2", ""}, {"alpha", "", "", "2", ""}},
         {{{{1}, {3}}, {{0, 1}}}, {{{0}, {2}}, {{0, 1}}}}},
    };
    for (const CConflictCase& c : cases)
        EXPECT_EQ(Find(MakeSites(c.sites)), c.expected) << c.pszName;
}

// Among many different names the few that repeat are found, and nothing else, however the names' hashes
// crowd the table.
TEST(SiteConflictsTest, FindsTheFewRepeatedNamesAmongThousands) {
    std::vector<SiteFields> sites;
    for (int i = 0; i < 20000; ++i)
        sites.push_back({"site " + std::to_string(i), "", "", "p" + std::to_string(i), ""});
    sites.push_back({"SITE 17", "", "", "other", ""});
    sites.push_back({"site 19999", "", "", "p19999", ""}); // an exact copy: no conflict
    sites.push_back({"Site 5000", "", "", "changed", ""});
    EXPECT_EQ(Find(MakeSites(sites)),
              (std::vector<CFound>{{{{17}, {20000}}, {{0, 1}}}, {{{5000}, {20002}}, {{0, 1}}}}));
}

// Two machines make a handful of versions; a file with more than the limit pairs the first with each other
// one, so a damaged file with one name thousands of times does not ask for millions of comparisons.
TEST(SiteConflictsTest, ManyVersionsOfOneNamePairTheFirstWithEachOther) {
    for (const std::size_t nVersions :
         {CSiteConflict::kMostVersionsPairedAll, CSiteConflict::kMostVersionsPairedAll + 1}) {
        std::vector<SiteFields> sites;
        for (std::size_t i = 0; i < nVersions; ++i)
            sites.push_back({"x", "", "", std::to_string(i), ""});
        const std::vector<CSiteConflict> conflicts = FindSiteConflicts(MakeSites(sites));
        ASSERT_EQ(conflicts.size(), 1u);
        const Pairs& pairs = conflicts[0].pairs;
        if (nVersions <= CSiteConflict::kMostVersionsPairedAll) {
            EXPECT_EQ(pairs.size(), nVersions * (nVersions - 1) / 2);
            EXPECT_EQ(pairs.back(), std::make_pair(nVersions - 2, nVersions - 1));
        } else {
            EXPECT_EQ(pairs.size(), nVersions - 1);
            EXPECT_EQ(pairs.back(), std::make_pair(std::size_t{0}, nVersions - 1));
        }
    }
}

} // namespace
