#include "cli/CliAnalyze.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "cli/Json.h"
#include "core/tools/BreachList.h"
#include "core/tools/PasswordHealth.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kNothingFound = 0;
constexpr int kFound = 1;
constexpr int kCannotCheck = 2;

// On a terminal, a line that counts the strength estimates as they are made and is wiped at the end.
class CProgress {
public:
    explicit CProgress(std::FILE* pErr) : m_pErr(pErr), m_bTerminal(::isatty(::fileno(pErr)) == 1) {}
    ~CProgress() {
        if (m_bShown)
            std::fputs("\r\033[K", m_pErr);
    }
    void Show(std::size_t nDone, std::size_t nTotal) {
        const auto now = std::chrono::steady_clock::now();
        if (!m_bTerminal || (m_bShown && now - m_last < std::chrono::milliseconds(100)))
            return;
        m_last = now;
        m_bShown = true;
        std::fprintf(m_pErr, "\ranalyze: %zu of %zu passwords checked", nDone, nTotal);
        std::fflush(m_pErr);
    }

private:
    std::FILE* m_pErr;
    bool m_bTerminal;
    bool m_bShown = false;
    std::chrono::steady_clock::time_point m_last;
};

} // namespace

int CmdAnalyze(CCli& cli, const CArgs& args) {
    // The list first: a list that cannot be used fails before the file password is asked for.
    CBreachList list;
    const auto breached = args.Value("--breached");
    std::string strError;
    if (breached && !list.Open(PathOf(*breached), strError)) {
        cli.FailAbout({}, strError);
        return kCannotCheck;
    }
    if (!cli.Open(PathOf(args.positional[0])))
        return kCannotCheck;

    std::vector<const CSiteInfo*> sites;
    for (const auto& pSite : cli.m_doc.Sites())
        sites.push_back(pSite.get());
    const CHealthCheck check(std::move(sites));
    std::vector<CFinding> findings;
    {
        CProgress progress(cli.m_pErr);
        if (!CheckPasswordHealth(
                check, breached ? &list : nullptr, std::max(1u, std::thread::hardware_concurrency()), findings,
                strError, [&progress](std::size_t nDone, std::size_t nTotal) { progress.Show(nDone, nTotal); })) {
            cli.FailAbout({}, strError);
            return kCannotCheck;
        }
    }

    const bool bJson = args.Has("--json");
    std::string& out = cli.m_strOut;
    if (bJson)
        out += "[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const CFinding& finding = findings[i];
        const std::string& strSite = check.Sites()[finding.nSite]->m_strSite;
        if (bJson) {
            out += i == 0 ? "\n  {\"site\": " : ",\n  {\"site\": ";
            Json::AppendString(out, strSite);
            out += ", \"nth\": " + std::to_string(check.Nth(finding.nSite)) + ", \"kind\": \"" +
                   FindingName(finding.kind) + "\", \"detail\": ";
            Json::AppendString(out, finding.strDetail);
            out += "}";
            if (out.size() >= (1 << 16))
                cli.Drain();
            continue;
        }
        std::string strLine = check.NameOf(finding.nSite);
        strLine += ": ";
        strLine += FindingName(finding.kind);
        strLine += ": " + finding.strDetail;
        cli.WriteLine(strLine);
    }
    if (bJson)
        out += findings.empty() ? "]\n" : "\n]\n";
    if (cli.Finish() != kExitOk)
        return kCannotCheck;
    return findings.empty() ? kNothingFound : kFound;
}
