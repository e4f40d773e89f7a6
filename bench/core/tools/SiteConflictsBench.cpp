// Finding the same-name sites that differ in 100,000 sites, which the View menu asks after every command
// that changed the sites: once with every name different, and once after a merge that brought a second
// version of one site in a hundred (arg 1).
#include "BenchData.h"
#include "core/tools/SiteConflicts.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kSites = 100000;

CSiteArray Sites(bool bMerged) {
    CSiteArray sites = BenchData::MakeSites(kSites);
    if (bMerged)
        for (std::size_t i = 0; i < kSites; i += 100) {
            auto pOther = std::make_unique<CSiteInfo>(*sites[i]);
            pOther->m_strPswd += "-changed";
            sites.push_back(std::move(pOther));
        }
    return sites;
}

void BM_FindSiteConflicts(benchmark::State& state) {
    const CSiteArray sites = Sites(state.range(0) != 0);
    std::size_t nFound = 0;
    for (auto _ : state) {
        const std::vector<CSiteConflict> conflicts = FindSiteConflicts(sites);
        nFound = conflicts.size();
        benchmark::DoNotOptimize(conflicts.data());
    }
    state.counters["conflicts"] = static_cast<double>(nFound);
}
BENCHMARK(BM_FindSiteConflicts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
