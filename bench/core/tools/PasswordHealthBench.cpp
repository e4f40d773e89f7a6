// The password health check of 100,000 sites against a breach list of 2 million hashes (about 92 MB, made
// here in a temporary folder): the whole check on one and on two threads, and the breach look-ups alone.
// The list stays in the page cache after the first run, so the figures are warm ones.
#include "BenchData.h"
#include "BreachListFiles.h"
#include "core/tools/BreachList.h"
#include "core/tools/PasswordHealth.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr std::size_t kSites = 100000;
constexpr std::size_t kListHashes = 2000000;

struct CSetUp {
    QTemporaryDir dir;
    CSiteArray sites;
    std::vector<const CSiteInfo*> pointers;
    QString strList;

    CSetUp() {
        sites = BenchData::MakeSites(kSites);
        // As people have them: one site in 50 shares another's password, one in 100 has a common one.
        for (std::size_t i = 0; i < kSites; ++i) {
            if (i % 50 == 49)
                sites[i]->m_strPswd = sites[i - 7]->m_strPswd;
            else if (i % 100 == 1)
                sites[i]->m_strPswd = "password" + std::to_string(i % 1000);
            pointers.push_back(sites[i].get());
        }
        auto entries = BreachListFiles::RandomEntries(kListHashes - 2000, 20240601);
        // One password in 50 of the sites' is in the list.
        for (std::size_t i = 0; i < kSites; i += 50)
            entries.emplace_back(PasswordHashHex(sites[i]->m_strPswd), 1 + i);
        std::sort(entries.begin(), entries.end());
        strList = dir.filePath(QStringLiteral("pwned-sha1-ordered-by-hash.txt"));
        if (!BreachListFiles::WriteBytes(strList, BreachListFiles::Lines(entries, 0)))
            std::fprintf(stderr, "cannot write the breach list\n");
    }
};

CSetUp& SetUp() {
    static CSetUp setUp;
    return setUp;
}

void BM_BreachLookups(benchmark::State& state) {
    CSetUp& s = SetUp();
    const CHealthCheck check(s.pointers);
    std::string strError;
    std::size_t nFound = 0;
    for (auto _ : state) {
        CBreachList list;
        if (!list.Open(s.strList, strError))
            state.SkipWithError(strError.c_str());
        std::vector<CFinding> findings;
        if (!check.FindBreached(list, findings, strError))
            state.SkipWithError(strError.c_str());
        nFound = findings.size();
        benchmark::DoNotOptimize(findings.data());
    }
    state.counters["distinct_passwords"] = static_cast<double>(check.Units());
    state.counters["breached_sites"] = static_cast<double>(nFound);
}
BENCHMARK(BM_BreachLookups)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Everything analyze does after reading the file: the findings, the breach list included (list:1) or not
// (list:0), sorted. The look-ups run beside the strength estimates: with the list the check should take
// hardly longer than without it.
void BM_WholeCheck(benchmark::State& state) {
    CSetUp& s = SetUp();
    std::string strError;
    std::size_t nFindings = 0;
    const bool bList = state.range(1) != 0;
    for (auto _ : state) {
        const CHealthCheck check(s.pointers);
        CBreachList list;
        if (bList && !list.Open(s.strList, strError))
            state.SkipWithError(strError.c_str());
        std::vector<CFinding> findings;
        if (!CheckPasswordHealth(check, bList ? &list : nullptr, static_cast<unsigned>(state.range(0)), findings,
                                 strError))
            state.SkipWithError(strError.c_str());
        nFindings = findings.size();
    }
    state.counters["findings"] = static_cast<double>(nFindings);
}
BENCHMARK(BM_WholeCheck)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->ArgNames({"threads", "list"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// What comes before the estimates can start: the sites numbered by name and grouped by password.
void BM_CheckBuilt(benchmark::State& state) {
    CSetUp& s = SetUp();
    for (auto _ : state) {
        const CHealthCheck check(s.pointers);
        benchmark::DoNotOptimize(check.Units());
    }
}
BENCHMARK(BM_CheckBuilt)->Unit(benchmark::kMillisecond);

// zxcvbn alone, one password: what the strength part costs per site.
void BM_StrengthOfOnePassword(benchmark::State& state) {
    CSetUp& s = SetUp();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EstimateStrength(s.sites[i]->m_strPswd));
        i = (i + 1) % kSites;
    }
}
BENCHMARK(BM_StrengthOfOnePassword)->Unit(benchmark::kMicrosecond);

} // namespace
