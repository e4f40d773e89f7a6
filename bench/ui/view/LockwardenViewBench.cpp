// The site form on a large database: the initial update, one Keep, what the list costs in memory, one
// step of Find Site, and closing the form with its document.

#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"
#include "ui/view/SiteListModel.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <random>

namespace {

std::string RandomName(std::mt19937& rng) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ .-";
    std::uniform_int_distribution<int> len(10, 30);
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string s(static_cast<std::size_t>(len(rng)), ' ');
    for (char& c : s)
        c = kLetters[pick(rng)];
    return s;
}

void Fill(CLockwardenDoc& doc, int n) {
    std::mt19937 rng(42);
    for (int i = 0; i < n; ++i)
        doc.AddSite(std::make_unique<CSiteInfo>(RandomName(rng), "https://www.example.com/login/page", "someuser",
                                                "Pa55word!xyz", "notes about this site, forty bytes long."));
}

// A shown view on a document of n generated sites.
struct CScene {
    explicit CScene(int n) {
        Fill(doc, n);
        view.show();
        QCoreApplication::processEvents();
    }
    CAppState app;
    CScriptedWndPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CSecretClipboard clipboard;
    CLockwardenView view{doc, app, prompts, clipboard};
};

void BM_InitialUpdate(benchmark::State& state) {
    CScene scene(static_cast<int>(state.range(0)));
    CLockwardenView& view = scene.view;
    // What the list holds beyond the records: the heap before and after the first fill.
    const std::size_t nBefore = mallinfo2().uordblks;
    view.OnInitialUpdate();
    QCoreApplication::processEvents();
    const std::size_t nListBytes = mallinfo2().uordblks - nBefore;
    for (auto _ : state) {
        view.OnInitialUpdate();
        QCoreApplication::processEvents();
    }
    state.counters["list_bytes_per_site"] = static_cast<double>(nListBytes) / static_cast<double>(state.range(0));
    state.counters["sites"] = static_cast<double>(view.SiteList()->count());
}
BENCHMARK(BM_InitialUpdate)->Arg(100000)->Unit(benchmark::kMillisecond);

// What closing the window costs: the form with its list and then the document's records go.
void BM_Close(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto pScene = std::make_unique<CScene>(static_cast<int>(state.range(0)));
        pScene->view.OnInitialUpdate();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        pScene.reset();
    }
}
BENCHMARK(BM_Close)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_Keep(benchmark::State& state) {
    CScene scene(static_cast<int>(state.range(0)));
    CLockwardenView& view = scene.view;
    view.OnInitialUpdate();
    std::mt19937 rng(7);
    for (auto _ : state) {
        view.OnSiteAdd();
        view.SiteList()->setEditText(QString::fromStdString(RandomName(rng)));
        view.OnSiteKeep();
    }
    state.counters["sites"] = static_cast<double>(view.SiteList()->count());
}
BENCHMARK(BM_Keep)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_EditKeep(benchmark::State& state) {
    CScene scene(static_cast<int>(state.range(0)));
    CLockwardenView& view = scene.view;
    view.OnInitialUpdate();
    std::mt19937 rng(9);
    for (auto _ : state) {
        view.OnSiteEdit();
        view.SiteList()->setEditText(QString::fromStdString(RandomName(rng)));
        view.OnSiteKeep();
    }
}
BENCHMARK(BM_EditKeep)->Arg(100000)->Unit(benchmark::kMillisecond);

// One step of Find Site when no name matches, the worst case: every entry of the list is searched. The
// text begins with a common letter, so most names are looked into beyond their first byte.
void BM_FindStep(benchmark::State& state) {
    CScene scene(static_cast<int>(state.range(0)));
    CLockwardenView& view = scene.view;
    view.OnInitialUpdate();
    scene.app.m_strFind = "e9";
    int pos = 0;
    if (view.FindSite(scene.app.m_strFind, pos, 1, 0) >= 0)
        state.SkipWithError("the find text matches a site");
    for (auto _ : state)
        view.FindStep(1, 0);
    state.counters["sites"] = static_cast<double>(view.SiteList()->count());
}
BENCHMARK(BM_FindStep)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same step when it is the first since the list changed (or since the find dialog opened): it first
// gathers the names into the buffer the searches read.
void BM_FindStepFirst(benchmark::State& state) {
    CScene scene(static_cast<int>(state.range(0)));
    CLockwardenView& view = scene.view;
    view.OnInitialUpdate();
    scene.app.m_strFind = "e9";
    const auto* pModel = static_cast<const CSiteListModel*>(view.SiteList()->model());
    for (auto _ : state) {
        pModel->ReleaseNameBuffer();
        view.FindStep(1, 0);
    }
}
BENCHMARK(BM_FindStepFirst)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
