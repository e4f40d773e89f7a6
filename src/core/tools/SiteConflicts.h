#pragma once

#include "core/database/SiteInfo.h"

#include <cstddef>
#include <utility>
#include <vector>

// Sites that share a name but not a login. The merge keeps both versions of a site that changed on two
// machines; here they are found again for the user to settle. Names are the same as the site list compares
// them (case-folded, see SiteOrder.h), so "Bank" and "BANK" are one name; sites that differ only in the
// spelling of their name, or not at all, are not a conflict.

// Whether two sites differ in what a conflict is about: their URL, user name, password or notes.
bool LoginsDiffer(const CSiteInfo& a, const CSiteInfo& b);

// One name's versions.
struct CSiteConflict {
    // The distinct versions, in the record order of their first site. Each holds the sites that are exact
    // copies of one another (all five fields), in record order: they are one version to the user.
    std::vector<std::vector<const CSiteInfo*>> versions;
    // The versions to compare two at a time, (left, right) with left < right: every pair whose logins
    // differ, (0, 1), (0, 2), (1, 2)... A name with more than kMostVersionsPairedAll versions (a damaged
    // file, not two machines) pairs the first version with each other one, so the pairs stay as many as
    // the sites.
    std::vector<std::pair<std::size_t, std::size_t>> pairs;

    static constexpr std::size_t kMostVersionsPairedAll = 50;
};

// Every name whose sites hold more than one login, in the list's order of names. One pass over the
// sites with a hash of their folded names; only names that occur more than once are looked at again.
std::vector<CSiteConflict> FindSiteConflicts(const CSiteArray& sites);
