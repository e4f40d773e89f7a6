// Sealed files at the program's own cost, calibrated for this machine as a new key is (argument 0), and at the
// least cost (1): the key derivation alone, then the open and the save of 100,000 sites end to end through real
// files, beside the classic save of the same sites. The open should take the derivation and at most 60 ms more.

#include "BenchData.h"
#include "BenchFile.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SealedFormat.h"
#include "core/framework/DocTemplate.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using BenchData::kFilePassword;
constexpr int kSites = 100000;

// A cost as "N passes, M MiB".
std::string CostLabel(const SealedFormat::CCost& cost = SealedFormat::NewKeyCost()) {
    return std::to_string(cost.nOps) + " passes, " + std::to_string(cost.nMemKiB / 1024) + " MiB";
}

// The keys' cost for an argument: 0 the program's own, calibrated; 1 the least a file may have, whose short
// derivation lets the open's own share stand out of the long derivation's noise.
SealedFormat::CCost CostOf(const benchmark::State& state) {
    return state.range(0) == 0 ? SealedFormat::NewKeyCost() : SealedFormat::kMinCost;
}

void BM_SealedKeyDerivation(benchmark::State& state) {
    const SealedFormat::CCost cost = CostOf(state);
    for (auto _ : state) {
        std::unique_ptr<SealedFormat::CSealKey> pKey;
        if (SealedFormat::CSealKey::Derive(kFilePassword, cost, pKey) != SealedFormat::EResult::ok) {
            state.SkipWithError("the derivation failed");
            break;
        }
    }
    state.SetLabel(CostLabel(cost));
}
BENCHMARK(BM_SealedKeyDerivation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// A document of kSites, sealed (or not) and saved once to a file in its own folder.
struct CBenchDoc {
    explicit CBenchDoc(bool bSealed, const SealedFormat::CCost& cost = SealedFormat::NewKeyCost()) {
        m_strPath = m_dir.filePath(QStringLiteral("bench.lwd"));
        for (auto& p : BenchData::MakeSites(kSites))
            m_doc.AddSite(std::move(p));
        if (bSealed) {
            // Sealing asks for the new password twice.
            m_doc.SetSealCost(cost);
            m_prompts.EnterPassword(kFilePassword);
            m_prompts.EnterPassword(kFilePassword);
            m_doc.OnSealFile();
        } else {
            m_doc.SetFileKey(CFileKey::Classic(kFilePassword));
        }
        m_bOk = m_dir.isValid() && m_doc.IsSealed() == bSealed && m_doc.DoSave(m_strPath);
    }
    QTemporaryDir m_dir;
    QString m_strPath;
    CAppState m_app;
    CScriptedPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    bool m_bOk = false;
};

void BM_OpenSealed(benchmark::State& state) {
    const SealedFormat::CCost cost = CostOf(state);
    CBenchDoc file(true, cost);
    if (!file.m_bOk) {
        state.SkipWithError("could not write the database");
        return;
    }
    CAppState app;
    CScriptedPrompts prompts;
    CLockwardenDoc doc(app, prompts);
    CSingleDocTemplate docTemplate(doc, prompts);
    for (auto _ : state) {
        state.PauseTiming();
        docTemplate.OnFileNew();
        prompts.EnterPassword(kFilePassword);
        state.ResumeTiming();
        if (!docTemplate.OpenDocumentFile(file.m_strPath) || doc.Sites().size() != kSites) {
            state.SkipWithError("the open failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSites);
    state.SetLabel(CostLabel(cost));
}
BENCHMARK(BM_OpenSealed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Save(benchmark::State& state) {
    CBenchDoc file(state.range(0) != 0);
    if (!file.m_bOk) {
        state.SkipWithError("could not write the database");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        file.m_doc.SetModifiedFlag(true);
        state.ResumeTiming();
        if (!file.m_doc.DoFileSave() || file.m_doc.IsModified()) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSites);
    state.SetLabel(state.range(0) != 0 ? "sealed" : "classic");
}
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
