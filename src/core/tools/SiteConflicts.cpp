#include "core/tools/SiteConflicts.h"

#include "core/database/SiteOrder.h"
#include "core/platform/SecureWipe.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

constexpr std::size_t kNone = SIZE_MAX;

std::uint64_t HashOf(std::string_view str) {
    return std::hash<std::string_view>{}(str);
}

// FNV-1a over the bytes of a name's list key (SiteOrder.h). An ASCII name's key is its lower case, hashed as it
// is read, with no key made; any other name's key is made first. Both ways give one hash for one key.
std::uint64_t FoldedNameHash(std::string_view strName) {
    const auto hash = [](std::string_view str, bool bLower) {
        std::uint64_t n = 0xCBF29CE484222325ull;
        for (const char c : str) {
            auto u = static_cast<unsigned char>(c);
            if (bLower && u >= 'A' && u <= 'Z')
                u += 'a' - 'A';
            n = (n ^ u) * 0x100000001B3ull;
        }
        return n;
    };
    if (std::none_of(strName.begin(), strName.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return hash(strName, true);
    std::string strKey = SiteSortKey(strName);
    const std::uint64_t n = hash(strKey, false);
    WipeString(strKey);
    return n;
}

bool SameFields(const CSiteInfo& a, const CSiteInfo& b) {
    return a.m_strSite == b.m_strSite && !LoginsDiffer(a, b);
}

std::uint64_t FieldsHash(const CSiteInfo& site) {
    std::uint64_t n = 0;
    for (const std::string* p : {&site.m_strSite, &site.m_strURL, &site.m_strUser, &site.m_strPswd, &site.m_strNotes})
        n = (n ^ HashOf(*p)) * 0x100000001B3ull;
    return n;
}

// The sites of one name, in record order, as a conflict; one with no pairs is none.
CSiteConflict ConflictOf(const std::vector<const CSiteInfo*>& namesakes) {
    CSiteConflict conflict;
    // Exact copies found by a hash of their fields: a name may stand thousands of times in a damaged file.
    std::unordered_multimap<std::uint64_t, std::size_t> byFields;
    for (const CSiteInfo* pSite : namesakes) {
        const std::uint64_t nHash = FieldsHash(*pSite);
        std::size_t nVersion = kNone;
        for (auto [it, end] = byFields.equal_range(nHash); it != end && nVersion == kNone; ++it)
            if (SameFields(*conflict.versions[it->second].front(), *pSite))
                nVersion = it->second;
        if (nVersion == kNone) {
            byFields.emplace(nHash, conflict.versions.size());
            conflict.versions.push_back({pSite});
        } else {
            conflict.versions[nVersion].push_back(pSite);
        }
    }
    const std::size_t nVersions = conflict.versions.size();
    const std::size_t nLefts = nVersions > CSiteConflict::kMostVersionsPairedAll ? 1 : nVersions;
    for (std::size_t nLeft = 0; nLeft < nLefts; ++nLeft)
        for (std::size_t nRight = nLeft + 1; nRight < nVersions; ++nRight)
            if (LoginsDiffer(*conflict.versions[nLeft].front(), *conflict.versions[nRight].front()))
                conflict.pairs.emplace_back(nLeft, nRight);
    return conflict;
}

} // namespace

bool LoginsDiffer(const CSiteInfo& a, const CSiteInfo& b) {
    return a.m_strURL != b.m_strURL || a.m_strUser != b.m_strUser || a.m_strPswd != b.m_strPswd ||
           a.m_strNotes != b.m_strNotes;
}

std::vector<CSiteConflict> FindSiteConflicts(const CSiteArray& sites) {
    const std::size_t nSites = sites.size();
    if (nSites < 2)
        return {};
    // An open hash table by the hash of each folded name, twice as many slots as sites: a slot holds the
    // first and last site of a chain, next[] links the rest in record order. Names that merely share a
    // hash share a chain; they are told apart by their keys below, among the few chains of two or more.
    struct CSlot {
        std::uint64_t nHash;
        std::size_t nFirst = kNone;
        std::size_t nLast = kNone;
    };
    const std::size_t nSlots = std::bit_ceil(2 * nSites);
    std::vector<CSlot> slots(nSlots);
    std::vector<std::size_t> next(nSites, kNone);
    std::vector<std::size_t> shared; // the slots of chains of two or more
    for (std::size_t i = 0; i < nSites; ++i) {
        const std::uint64_t nHash = FoldedNameHash(sites[i]->m_strSite);
        // FNV's low bits mix poorly; the slot is taken from all of them.
        std::size_t nSlot = (nHash ^ (nHash >> 29) ^ (nHash >> 47)) & (nSlots - 1);
        while (slots[nSlot].nFirst != kNone && slots[nSlot].nHash != nHash)
            nSlot = (nSlot + 1) & (nSlots - 1);
        CSlot& slot = slots[nSlot];
        if (slot.nFirst == kNone) {
            slot = {nHash, i, i};
            continue;
        }
        if (slot.nFirst == slot.nLast)
            shared.push_back(nSlot);
        next[slot.nLast] = i;
        slot.nLast = i;
    }

    // Each name's conflict with its key, which orders them as the list does.
    std::vector<std::pair<std::string, CSiteConflict>> found;
    for (const std::size_t nSlot : shared) {
        std::vector<std::pair<std::string, std::vector<const CSiteInfo*>>> names;
        for (std::size_t i = slots[nSlot].nFirst; i != kNone; i = next[i]) {
            std::string strName = SiteSortKey(sites[i]->m_strSite);
            auto it = std::find_if(names.begin(), names.end(), [&](const auto& name) { return name.first == strName; });
            if (it == names.end())
                it = names.emplace(names.end(), std::move(strName), std::vector<const CSiteInfo*>{});
            else
                WipeString(strName);
            it->second.push_back(sites[i].get());
        }
        for (auto& [strName, namesakes] : names) {
            CSiteConflict conflict;
            if (namesakes.size() > 1)
                conflict = ConflictOf(namesakes);
            if (conflict.pairs.empty())
                WipeString(strName);
            else
                found.emplace_back(std::move(strName), std::move(conflict));
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CSiteConflict> conflicts;
    conflicts.reserve(found.size());
    for (auto& [strName, conflict] : found) {
        WipeString(strName);
        conflicts.push_back(std::move(conflict));
    }
    return conflicts;
}
