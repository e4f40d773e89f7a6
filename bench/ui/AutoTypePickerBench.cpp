// The auto-type picker over 100,000 sites: one key typed in its box, the list narrowed and its first site chosen.
#include "BenchData.h"

#include "ui/tools/AutoTypePickerDlg.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>

#include <string_view>
#include <vector>

namespace {

// The picker shown over n generated sites' names.
struct CPickerScene {
    explicit CPickerScene(std::size_t n) : sites(BenchData::MakeSites(n)) {
        std::vector<std::string_view> names;
        names.reserve(sites.size());
        for (const auto& pSite : sites)
            names.push_back(pSite->m_strSite);
        pDlg = std::make_unique<CAutoTypePickerDlg>(names);
        pDlg->show();
        QCoreApplication::processEvents();
    }
    CSiteArray sites;
    std::unique_ptr<CAutoTypePickerDlg> pDlg;
};

void BM_PickerOneKey(benchmark::State& state) {
    CPickerScene scene(static_cast<std::size_t>(state.range(0)));
    CAutoTypePickerDlg& dlg = *scene.pDlg;
    // Each round is one key: "c" typed after "ab", as a user narrows; the box is set back untimed.
    for (auto _ : state) {
        state.PauseTiming();
        dlg.SetFilter(QStringLiteral("ab"));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        dlg.SetFilter(QStringLiteral("abc"));
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(dlg.ShownCount());
    }
    state.counters["shown"] = dlg.ShownCount();
}
BENCHMARK(BM_PickerOneKey)->Arg(100000)->Unit(benchmark::kMillisecond);

// The first key, which searches every name.
void BM_PickerFirstKey(benchmark::State& state) {
    CPickerScene scene(static_cast<std::size_t>(state.range(0)));
    CAutoTypePickerDlg& dlg = *scene.pDlg;
    for (auto _ : state) {
        state.PauseTiming();
        dlg.SetFilter(QString());
        QCoreApplication::processEvents();
        state.ResumeTiming();
        dlg.SetFilter(QStringLiteral("a"));
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(dlg.ShownCount());
    }
    state.counters["shown"] = dlg.ShownCount();
}
BENCHMARK(BM_PickerFirstKey)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
