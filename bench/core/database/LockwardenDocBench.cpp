// The document's open and save, end to end through real files: the open check with its password prompt,
// the full load, and the atomic save with its sync.

#include "BenchFile.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

using BenchData::kFilePassword;

// A fixed pseudo-random sequence, so every run measures the same database.
class CSequence {
public:
    explicit CSequence(std::uint64_t nSeed) : m_n(nSeed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_n += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t Between(std::size_t nLow, std::size_t nHigh) { return nLow + Next() % (nHigh - nLow + 1); }
    std::string Text(std::size_t nLength, const char* pszAlphabet, std::size_t nAlphabet) {
        std::string str(nLength, ' ');
        for (char& c : str)
            c = pszAlphabet[Next() % nAlphabet];
        return str;
    }

private:
    std::uint64_t m_n;
};

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kWords[] = "abcdefghijklmnopqrstuvwxyz    ,.";
constexpr char kPrintable[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&*+-=?@^_";

// Names of 10 to 30 bytes, URLs of about 30, users of about 10, passwords of 12, notes of about 40.
void FillDocument(CLockwardenDoc& doc, int nRecords) {
    CSequence seq(20240611);
    for (int i = 0; i < nRecords; ++i) {
        auto pSite = std::make_unique<CSiteInfo>();
        pSite->m_strSite = seq.Text(seq.Between(10, 30), kLetters, sizeof kLetters - 1);
        pSite->m_strURL = "https://www." + seq.Text(seq.Between(10, 14), kLetters, sizeof kLetters - 1) + ".com/login";
        pSite->m_strUser = seq.Text(seq.Between(8, 12), kLetters, sizeof kLetters - 1);
        pSite->m_strPswd = seq.Text(12, kPrintable, sizeof kPrintable - 1);
        pSite->m_strNotes = seq.Text(seq.Between(30, 50), kWords, sizeof kWords - 1);
        doc.AddSite(std::move(pSite));
    }
}

void BM_OpenDocument(benchmark::State& state) {
    const int nRecords = static_cast<int>(state.range(0));
    const BenchData::CBenchFile file([nRecords](CLockwardenDoc& doc) { FillDocument(doc, nRecords); });
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
        docTemplate.OnFileNew(); // a fresh document, so the next open is a real one
        prompts.EnterPassword(kFilePassword);
        state.ResumeTiming();
        const bool bOpened = docTemplate.OpenDocumentFile(file.m_strPath);
        if (!bOpened || static_cast<int>(doc.Sites().size()) != nRecords) {
            state.SkipWithError("the open failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nRecords);
}
BENCHMARK(BM_OpenDocument)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveDocument(benchmark::State& state) {
    const int nRecords = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("bench.lwd"));
    CAppState app;
    CScriptedPrompts prompts;
    CLockwardenDoc doc(app, prompts);
    doc.SetFileKey(CFileKey::Classic(kFilePassword));
    FillDocument(doc, nRecords);
    if (!dir.isValid() || !doc.DoSave(strPath)) {
        state.SkipWithError("could not write the database");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        doc.SetModifiedFlag(true);
        state.ResumeTiming();
        if (!doc.DoFileSave() || doc.IsModified()) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nRecords);
}
BENCHMARK(BM_SaveDocument)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
