// The window's open of a large database beside the companion's `list` of the same file, in one run: from
// the file password given to the site list filled and drawn, and from the same password to the names written
// out. The two take turns, so a change in the machine's load weighs on both alike; the ratio is what the
// window costs for every unit of the listing.

#include "BenchData.h"
#include "BenchFile.h"
#include "ScriptedWndPrompts.h"

#include "cli/CliCommands.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <time.h>

namespace {

using BenchData::kFilePassword;

using CClock = std::chrono::steady_clock;

double SecondsSince(CClock::time_point t) {
    return std::chrono::duration<double>(CClock::now() - t).count();
}

// The time this thread has run, the system's work for it included (page faults): on a machine that others
// load too, it tells the two apart more steadily than the clock on the wall.
double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// `lockwarden-cli list FILE` with the password on its standard input and its output thrown away; false when
// it failed.
bool RunList(const QString& strPath, double& dSeconds, double& dCpu) {
    std::string strInput = kFilePassword + "\n";
    std::FILE* pIn = ::fmemopen(strInput.data(), strInput.size(), "r");
    std::FILE* pOut = std::fopen("/dev/null", "w");
    const std::string strFile = strPath.toStdString();
    const char* argv[] = {"lockwarden-cli", "list", strFile.c_str()};
    const double dCpuBefore = ThreadSeconds();
    const CClock::time_point t = CClock::now();
    const int nExit = RunCli(3, argv, pIn, pOut, stderr);
    std::fflush(pOut);
    dSeconds = SecondsSince(t);
    dCpu = ThreadSeconds() - dCpuBefore;
    std::fclose(pOut);
    std::fclose(pIn);
    return nExit == 0;
}

void BM_OpenAgainstList(benchmark::State& state) {
    const auto nSites = static_cast<std::size_t>(state.range(0));
    // The database both read: nSites records of a real database's sizes.
    const BenchData::CBenchFile file([nSites](CLockwardenDoc& doc) {
        for (auto& pSite : BenchData::MakeSites(nSites))
            doc.AddSite(std::move(pSite));
    });
    if (!file.m_bOk) {
        state.SkipWithError("could not write the database");
        return;
    }
    // The window's document, template and form, wired as the application wires them.
    CAppState app;
    CScriptedWndPrompts prompts;
    CLockwardenDoc doc(app, prompts);
    CSingleDocTemplate docTemplate(doc, prompts);
    CSecretClipboard clipboard;
    CLockwardenView view(doc, app, prompts, clipboard);
    QObject::connect(&docTemplate, &CSingleDocTemplate::initialUpdate, &view, &CLockwardenView::OnInitialUpdate);
    view.show();
    QCoreApplication::processEvents();

    double dList = 0, dOpen = 0, dListCpu = 0, dOpenCpu = 0;
    for (auto _ : state) {
        double dListOnce = 0, dListCpuOnce = 0;
        if (!RunList(file.m_strPath, dListOnce, dListCpuOnce)) {
            state.SkipWithError("the listing failed");
            break;
        }
        docTemplate.OnFileNew(); // the records of the last open go before the clock starts
        QCoreApplication::processEvents();
        prompts.EnterPassword(kFilePassword);
        const double dCpuBefore = ThreadSeconds();
        const CClock::time_point t = CClock::now();
        const bool bOpened = docTemplate.OpenDocumentFile(file.m_strPath);
        QCoreApplication::processEvents(); // what the open left for the window to do: layout, drawing
        const double dOpenOnce = SecondsSince(t);
        dOpenCpu += ThreadSeconds() - dCpuBefore;
        if (!bOpened || static_cast<std::size_t>(view.SiteList()->count()) != nSites) {
            state.SkipWithError("the open failed");
            break;
        }
        state.SetIterationTime(dOpenOnce);
        dList += dListOnce;
        dOpen += dOpenOnce;
        dListCpu += dListCpuOnce;
    }
    const auto nRuns = static_cast<double>(state.iterations());
    state.counters["list_ms"] = 1000 * dList / nRuns;
    state.counters["open_ms"] = 1000 * dOpen / nRuns;
    state.counters["open_per_list"] = dList > 0 ? dOpen / dList : 0;
    state.counters["list_cpu_ms"] = 1000 * dListCpu / nRuns;
    state.counters["open_cpu_ms"] = 1000 * dOpenCpu / nRuns;
    state.counters["open_per_list_cpu"] = dListCpu > 0 ? dOpenCpu / dListCpu : 0;
}
BENCHMARK(BM_OpenAgainstList)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
