#pragma once

#include "core/database/SiteInfo.h"
#include "core/tools/PasswordStrength.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CBreachList;

// What can be wrong with a site's password, worst first: none at all; seen in a breach, so attackers try
// it first; easy to guess; the same as on other sites, so one site's leak opens the others. Last, a code
// line in the notes that gives no one-time code (a code secret beside the password is the user's choice,
// and no finding).
enum class EFinding { empty, breached, weak, reused, code };

// "empty", "breached", "weak", "reused" or "code".
const char* FindingName(EFinding kind);

struct CFinding {
    std::size_t nSite = 0; // the site's place in the sites checked
    EFinding kind = EFinding::empty;
    std::string strDetail; // why, in words; never the password
    // Within a kind, lower is worse: log10 of the guesses for weak, minus the count for breached and
    // reused.
    double dRank = 0;
};

// A name, user or host name this short is not looked for inside a password: two letters turn up in
// many good passwords by chance.
inline constexpr std::size_t kShortestNameInPassword = 3;
// A reused password's detail names this many of the other sites, then says how many more.
inline constexpr std::size_t kReusedNamesShown = 10;

// One health check over a set of sites. The sites are read, never copied: they must outlive the check and
// stay unchanged while it runs. The quick findings come at once; the strength estimates, which take
// about 15 to 80 microseconds a password, are made in pieces that may run on several threads.
class CHealthCheck {
public:
    explicit CHealthCheck(std::vector<const CSiteInfo*> sites);

    const std::vector<const CSiteInfo*>& Sites() const { return m_sites; }
    // The site's place among the sites of the same name, in record order, from 1.
    std::size_t Nth(std::size_t nSite) const { return m_nth[nSite]; }
    // The site's name, with " --nth N" after it when other sites bear the same name: the companion's
    // words for choosing one of them, used alike in the window and the companion.
    std::string NameOf(std::size_t nSite) const;

    // Empty passwords, and passwords that several sites share.
    void FindEmptyAndReused(std::vector<CFinding>& findings) const;
    // Code lines that give no code, the detail saying which line and why.
    void FindInvalidCodes(std::vector<CFinding>& findings) const;
    // Passwords the breach list holds, each distinct one looked up once, in rising order of its hash.
    // False with strError, and nothing added, when the list cannot answer.
    bool FindBreached(CBreachList& list, std::vector<CFinding>& findings, std::string& strError) const;

    // The strength is estimated once per distinct password: nUnit counts them.
    std::size_t Units() const { return m_groupStart.size() - 1; }
    // Weak passwords among units [nFirst, nFirst + nCount): below "fair", or holding their site's name,
    // user name or host name. Safe to call from several threads at once for separate ranges.
    void FindWeak(std::size_t nFirst, std::size_t nCount, std::vector<CFinding>& findings) const;

    // How many distinct passwords and how many sites the findings about passwords are about: what there is
    // to change, however many findings each has. No password at all counts as one. Code lines are not
    // counted: they are no password to change.
    void CountChanges(const std::vector<CFinding>& findings, std::size_t& nPasswords, std::size_t& nSites) const;

    // Sorts findings worst first: by kind, then rank, then the sites' list order. Not thread-safe: it
    // keeps the sites' sort keys.
    void SortWorstFirst(std::vector<CFinding>& findings) const;
    // Adds more findings to findings already sorted worst first, keeping the order.
    void MergeWorstFirst(std::vector<CFinding>& sorted, std::vector<CFinding> more) const;

private:
    std::vector<const CSiteInfo*> m_sites;
    std::vector<std::size_t> m_nth;
    std::vector<std::size_t> m_namesakes;
    // The sites of each distinct non-empty password, in record order; the groups in order of first use.
    // Group g is m_groupSites[m_groupStart[g]] up to m_groupStart[g + 1].
    std::vector<std::size_t> m_groupSites;
    std::vector<std::size_t> m_groupStart;
    std::vector<std::size_t> m_groupOf; // each site's group; the number of groups for no password
    static constexpr std::size_t kNoGroup = static_cast<std::size_t>(-1);

    std::span<const std::size_t> Group(std::size_t g) const {
        return {m_groupSites.data() + m_groupStart[g], m_groupStart[g + 1] - m_groupStart[g]};
    }
    // The sort keys of the names of the sites that had findings; made when first needed, as they cost.
    mutable std::vector<std::string> m_keys;
    mutable std::vector<bool> m_bKeyMade;

    void NumberNames();
    void GroupPasswords();
    bool Worse(const CFinding& a, const CFinding& b) const;
    void MakeKeys(const std::vector<CFinding>& findings) const;
};

// The whole check at once on nThreads threads (the caller's among them, and at least two with a breach
// list): the strength estimates shared out, and the breach list, when one is given, looked up on one of
// the threads meanwhile. onProgress(done, total) is called on the calling thread now and then.
// False with strError when the breach list failed; the findings are then empty.
bool CheckPasswordHealth(const CHealthCheck& check, CBreachList* pList, unsigned nThreads,
                         std::vector<CFinding>& findings, std::string& strError,
                         const std::function<void(std::size_t, std::size_t)>& onProgress = {});
