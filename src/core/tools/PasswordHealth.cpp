#include "core/tools/PasswordHealth.h"

#include "core/database/SiteOrder.h"
#include "core/tools/BreachList.h"
#include "core/tools/OneTimeCode.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <thread>

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view str) {
    std::string strLower(str);
    for (char& c : strLower)
        c = LowerAscii(c);
    return strLower;
}

// Whether the lower-case password holds the word, compared as lower case: a word this short holds nothing.
bool Holds(std::string_view strLowerPassword, std::string_view strWord) {
    if (strWord.size() < kShortestNameInPassword || strWord.size() > strLowerPassword.size())
        return false;
    for (std::size_t n = 0; n + strWord.size() <= strLowerPassword.size(); ++n) {
        std::size_t k = 0;
        while (k < strWord.size() && strLowerPassword[n + k] == LowerAscii(strWord[k]))
            ++k;
        if (k == strWord.size())
            return true;
    }
    return false;
}

// Whether the password holds a name of the URL's host worth looking for: every label but the last (the
// top-level domain) and "www".
bool HoldsHostName(std::string_view strLowerPassword, std::string_view strURL) {
    if (const auto nScheme = strURL.find("://"); nScheme != std::string_view::npos)
        strURL.remove_prefix(nScheme + 3);
    strURL = strURL.substr(0, strURL.find_first_of("/?#"));
    if (const auto nAt = strURL.rfind('@'); nAt != std::string_view::npos)
        strURL.remove_prefix(nAt + 1);
    strURL = strURL.substr(0, strURL.find(':'));
    for (auto nDot = strURL.find('.'); nDot != std::string_view::npos; nDot = strURL.find('.')) {
        const std::string_view strLabel = strURL.substr(0, nDot);
        if (strLabel != "www" && Holds(strLowerPassword, strLabel))
            return true;
        strURL.remove_prefix(nDot + 1);
    }
    return false;
}

// Which of the site's own words the password holds, as the detail names it; empty when none. Nothing is
// copied: this runs once per site of a large file.
const char* OwnWordIn(const CSiteInfo& site, std::string_view strLowerPassword) {
    if (Holds(strLowerPassword, site.m_strSite))
        return "holds the site name";
    const std::string_view strUser = site.m_strUser;
    if (Holds(strLowerPassword, strUser) || Holds(strLowerPassword, strUser.substr(0, strUser.find('@'))))
        return "holds the user name";
    if (HoldsHostName(strLowerPassword, site.m_strURL))
        return "holds the site's host name";
    return "";
}

// Numbers each distinct text in order of first arrival. An open-addressed table of small slots, the texts
// themselves viewed where they lie: no node or copy per text, and a table small enough that filling it
// costs less than the numbering (in a file of 100,000 sites, a node per text or slots that held the views
// took longer than everything else before the estimates).
class CDistinctTexts {
public:
    explicit CDistinctTexts(std::size_t nMost) : m_slots(std::bit_ceil(std::max<std::size_t>(16, 2 * nMost))) {
        m_texts.reserve(nMost);
    }

    std::size_t Number(std::string_view str) {
        const std::size_t nHash = std::hash<std::string_view>{}(str);
        const auto nCheck = static_cast<std::uint32_t>(nHash >> 32);
        const std::size_t nMask = m_slots.size() - 1;
        for (std::size_t n = nHash & nMask;; n = (n + 1) & nMask) {
            CSlot& slot = m_slots[n];
            if (slot.nNumberAfter == 0) {
                m_texts.push_back(str);
                slot = {static_cast<std::uint32_t>(m_texts.size()), nCheck};
                return m_texts.size() - 1;
            }
            if (slot.nCheck == nCheck && m_texts[slot.nNumberAfter - 1] == str)
                return slot.nNumberAfter - 1;
        }
    }
    std::size_t Count() const { return m_texts.size(); }

private:
    struct CSlot {
        std::uint32_t nNumberAfter = 0; // the text's number plus one; 0 for a free slot
        std::uint32_t nCheck = 0;       // the hash's upper half, compared before the texts are
    };
    std::vector<CSlot> m_slots;
    std::vector<std::string_view> m_texts;
};

std::string Guesses(double dLog10) {
    return "about 10^" + std::to_string(static_cast<int>(std::floor(dLog10))) + " guesses";
}

} // namespace

const char* FindingName(EFinding kind) {
    switch (kind) {
    case EFinding::empty:
        return "empty";
    case EFinding::breached:
        return "breached";
    case EFinding::weak:
        return "weak";
    case EFinding::reused:
        return "reused";
    case EFinding::code:
        return "code";
    }
    return "";
}

CHealthCheck::CHealthCheck(std::vector<const CSiteInfo*> sites) : m_sites(std::move(sites)) {
    // Names and passwords are numbered apart, side by side in a large file: the estimates wait for this.
    constexpr std::size_t kTwoThreadsFrom = 20000;
    if (m_sites.size() < kTwoThreadsFrom) {
        NumberNames();
        GroupPasswords();
        return;
    }
    const std::jthread names([this] { NumberNames(); });
    GroupPasswords();
}

void CHealthCheck::NumberNames() {
    const std::size_t nSites = m_sites.size();
    m_nth.resize(nSites);
    m_namesakes.resize(nSites);
    CDistinctTexts names(nSites);
    std::vector<std::size_t> nameCounts;
    for (std::size_t i = 0; i < nSites; ++i) {
        const std::size_t nName = names.Number(m_sites[i]->m_strSite);
        if (nName == nameCounts.size())
            nameCounts.push_back(0);
        m_nth[i] = ++nameCounts[nName];
        m_namesakes[i] = nName; // for now
    }
    for (std::size_t i = 0; i < nSites; ++i)
        m_namesakes[i] = nameCounts[m_namesakes[i]];
}

void CHealthCheck::GroupPasswords() {
    const std::size_t nSites = m_sites.size();
    m_groupOf.resize(nSites);
    CDistinctTexts passwords(nSites);
    std::size_t nWithPassword = 0;
    for (std::size_t i = 0; i < nSites; ++i) {
        const std::string_view strPswd = m_sites[i]->m_strPswd;
        m_groupOf[i] = strPswd.empty() ? kNoGroup : passwords.Number(strPswd);
        nWithPassword += strPswd.empty() ? 0 : 1;
    }
    // The groups' sites side by side in one array, each group in record order.
    const std::size_t nGroups = passwords.Count();
    m_groupStart.assign(nGroups + 1, 0);
    for (std::size_t i = 0; i < nSites; ++i) {
        if (m_groupOf[i] == kNoGroup)
            m_groupOf[i] = nGroups;
        else
            ++m_groupStart[m_groupOf[i] + 1];
    }
    std::partial_sum(m_groupStart.begin(), m_groupStart.end(), m_groupStart.begin());
    m_groupSites.resize(nWithPassword);
    std::vector<std::size_t> nextIn(m_groupStart.begin(), m_groupStart.end() - 1);
    for (std::size_t i = 0; i < nSites; ++i)
        if (m_groupOf[i] != nGroups)
            m_groupSites[nextIn[m_groupOf[i]]++] = i;
}

void CHealthCheck::CountChanges(const std::vector<CFinding>& findings, std::size_t& nPasswords,
                                std::size_t& nSites) const {
    std::vector<bool> bSite(m_sites.size());
    std::vector<bool> bGroup(Units() + 1);
    nPasswords = nSites = 0;
    for (const CFinding& finding : findings) {
        if (finding.kind == EFinding::code)
            continue;
        if (!bSite[finding.nSite]) {
            bSite[finding.nSite] = true;
            ++nSites;
        }
        if (!bGroup[m_groupOf[finding.nSite]]) {
            bGroup[m_groupOf[finding.nSite]] = true;
            ++nPasswords;
        }
    }
}

std::string CHealthCheck::NameOf(std::size_t nSite) const {
    std::string strName = m_sites[nSite]->m_strSite;
    if (m_namesakes[nSite] > 1)
        strName += " --nth " + std::to_string(m_nth[nSite]);
    return strName;
}

void CHealthCheck::FindEmptyAndReused(std::vector<CFinding>& findings) const {
    for (std::size_t i = 0; i < m_sites.size(); ++i)
        if (m_sites[i]->m_strPswd.empty())
            findings.push_back({i, EFinding::empty, "no password", 0});
    for (std::size_t g = 0; g < Units(); ++g) {
        const std::span<const std::size_t> group = Group(g);
        if (group.size() < 2)
            continue;
        // Each site's detail names the others, in list order.
        std::vector<std::size_t> listed(group.begin(), group.end());
        std::stable_sort(listed.begin(), listed.end(), [this](std::size_t a, std::size_t b) {
            return CompareSiteNames(m_sites[a]->m_strSite, m_sites[b]->m_strSite) < 0;
        });
        const std::size_t nOthers = group.size() - 1;
        for (std::size_t nSite : group) {
            std::string strDetail =
                "same password as " + std::to_string(nOthers) + (nOthers == 1 ? " other site: " : " other sites: ");
            std::size_t nShown = 0;
            for (std::size_t nOther : listed) {
                if (nOther == nSite)
                    continue;
                if (nShown == kReusedNamesShown) {
                    strDetail += ", and " + std::to_string(nOthers - nShown) + " more";
                    break;
                }
                strDetail += (nShown++ == 0 ? "" : ", ") + NameOf(nOther);
            }
            findings.push_back({nSite, EFinding::reused, std::move(strDetail), -static_cast<double>(group.size())});
        }
    }
}

void CHealthCheck::FindInvalidCodes(std::vector<CFinding>& findings) const {
    for (std::size_t i = 0; i < m_sites.size(); ++i) {
        OneTimeCode::CSettings settings;
        const OneTimeCode::CLine line = OneTimeCode::Read(m_sites[i]->m_strNotes, settings);
        // A counter-based line is a kind this program does not make, not a fault in the line.
        if (line.kind == OneTimeCode::ELine::invalid)
            findings.push_back({i, EFinding::code, line.Problem(), 0});
    }
}

bool CHealthCheck::FindBreached(CBreachList& list, std::vector<CFinding>& findings, std::string& strError) const {
    std::vector<std::pair<CHashHex, std::size_t>> hashes;
    hashes.reserve(Units());
    for (std::size_t g = 0; g < Units(); ++g)
        hashes.emplace_back(PasswordHashHex(m_sites[Group(g).front()]->m_strPswd), g);
    std::sort(hashes.begin(), hashes.end());
    std::vector<CFinding> found;
    for (const auto& [hash, g] : hashes) {
        std::uint64_t nCount = 0;
        if (!list.Lookup(hash, nCount, strError))
            return false;
        if (nCount == 0)
            continue;
        const std::string strDetail =
            "seen " + std::to_string(nCount) + (nCount == 1 ? " time" : " times") + " in the breach list";
        for (std::size_t nSite : Group(g))
            found.push_back({nSite, EFinding::breached, strDetail, -static_cast<double>(nCount)});
    }
    findings.insert(findings.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    return true;
}

void CHealthCheck::FindWeak(std::size_t nFirst, std::size_t nCount, std::vector<CFinding>& findings) const {
    const std::size_t nEnd = std::min(nFirst + nCount, Units());
    for (std::size_t g = nFirst; g < nEnd; ++g) {
        const std::string& strPswd = m_sites[Group(g).front()]->m_strPswd;
        const CStrength strength = EstimateStrength(strPswd);
        const bool bWeak = strength.word < EStrength::fair;
        const auto estimate = [&] {
            return std::string(StrengthWord(strength.word)) + ", " + Guesses(strength.dLog10);
        };
        std::string strLower = Lower(strPswd);
        for (std::size_t nSite : Group(g)) {
            const std::string strOwn = OwnWordIn(*m_sites[nSite], strLower);
            // A password weak only by its site's words gets no strength word: "weak: ...; strong" would
            // say two things at once. The estimate is what it costs an attacker who does not try them.
            if (!strOwn.empty())
                findings.push_back(
                    {nSite, EFinding::weak,
                     bWeak ? strOwn + "; " + estimate()
                           : strOwn + ", which attackers try first; " + Guesses(strength.dLog10) + " otherwise",
                     strength.dLog10});
            else if (bWeak)
                findings.push_back({nSite, EFinding::weak, estimate(), strength.dLog10});
        }
        sodium_memzero(strLower.data(), strLower.size());
    }
}

void CHealthCheck::MakeKeys(const std::vector<CFinding>& findings) const {
    // Once per site that has a finding: comparing names as the list does is costly.
    m_keys.resize(m_sites.size());
    m_bKeyMade.resize(m_sites.size());
    for (const CFinding& finding : findings)
        if (!m_bKeyMade[finding.nSite]) {
            m_keys[finding.nSite] = SiteSortKey(m_sites[finding.nSite]->m_strSite);
            m_bKeyMade[finding.nSite] = true;
        }
}

bool CHealthCheck::Worse(const CFinding& a, const CFinding& b) const {
    if (a.kind != b.kind)
        return a.kind < b.kind;
    if (a.dRank != b.dRank)
        return a.dRank < b.dRank;
    if (a.nSite == b.nSite)
        return false;
    const int nOrder = m_keys[a.nSite].compare(m_keys[b.nSite]);
    return nOrder != 0 ? nOrder < 0 : a.nSite < b.nSite;
}

void CHealthCheck::SortWorstFirst(std::vector<CFinding>& findings) const {
    MakeKeys(findings);
    std::sort(findings.begin(), findings.end(), [this](const CFinding& a, const CFinding& b) { return Worse(a, b); });
}

void CHealthCheck::MergeWorstFirst(std::vector<CFinding>& sorted, std::vector<CFinding> more) const {
    SortWorstFirst(more);
    const auto nMiddle = static_cast<std::ptrdiff_t>(sorted.size());
    sorted.insert(sorted.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    std::inplace_merge(sorted.begin(), sorted.begin() + nMiddle, sorted.end(),
                       [this](const CFinding& a, const CFinding& b) { return Worse(a, b); });
}

bool CheckPasswordHealth(const CHealthCheck& check, CBreachList* pList, unsigned nThreads,
                         std::vector<CFinding>& findings, std::string& strError,
                         const std::function<void(std::size_t, std::size_t)>& onProgress) {
    findings.clear();
    // The strength estimates, once per distinct password, in pieces taken in turn by each thread. The
    // breach list is looked up meanwhile on a thread of its own, which then takes pieces too.
    constexpr std::size_t kPiece = 256;
    const std::size_t nUnits = check.Units();
    nThreads = std::max(1u, std::min<unsigned>(nThreads, static_cast<unsigned>(nUnits / kPiece + 1)));
    std::atomic<std::size_t> nNext{0};
    std::atomic<std::size_t> nDone{0};
    std::vector<std::vector<CFinding>> found(nThreads + 1);
    const auto work = [&](unsigned t, bool bReport) {
        for (std::size_t n; (n = nNext.fetch_add(kPiece)) < nUnits;) {
            check.FindWeak(n, kPiece, found[t]);
            const std::size_t nNow = nDone.fetch_add(std::min(kPiece, nUnits - n)) + std::min(kPiece, nUnits - n);
            if (bReport && onProgress)
                onProgress(nNow, nUnits);
        }
    };
    std::vector<std::thread> threads;
    bool bBreachOk = true;
    std::string strBreachError;
    if (pList != nullptr)
        threads.emplace_back([&] {
            bBreachOk = check.FindBreached(*pList, found[nThreads], strBreachError);
            // A list that cannot answer makes the whole check fail: the estimates left are not made.
            if (!bBreachOk)
                nNext = nUnits;
            work(nThreads, false);
        });
    // The breach thread takes the place of one of the estimating threads.
    for (unsigned t = 1; t + (pList != nullptr ? 1 : 0) < nThreads; ++t)
        threads.emplace_back(work, t, false);
    work(0, true);
    for (std::thread& thread : threads)
        thread.join();
    if (!bBreachOk) {
        strError = strBreachError;
        return false;
    }
    if (onProgress)
        onProgress(nUnits, nUnits);
    check.FindEmptyAndReused(findings);
    check.FindInvalidCodes(findings);
    for (auto& part : found)
        findings.insert(findings.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    check.SortWorstFirst(findings);
    return true;
}
