#include "BenchData.h"

#include "core/database/FieldCipher.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include <QBuffer>
#include <QByteArray>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <random>

namespace {

const std::string kKey = "Tr0ub4dor&3x"; // 12 bytes
const std::string kFilePassword = "correct horse";
// The buffer the document loads and saves through.
constexpr int kDocumentBufferSize = 1 << 16;

std::string MegabyteOfText() {
    std::mt19937 rng(7);
    return BenchData::RandomText(rng, std::size_t{1} << 20);
}

void RunCipher(benchmark::State& state, std::string (*pCipher)(std::string, std::string), const std::string& strText) {
    for (auto _ : state) {
        std::string strOut = pCipher(kKey, strText);
        benchmark::DoNotOptimize(strOut.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(strText.size()));
}

void BM_Encipher(benchmark::State& state) {
    RunCipher(state, EncipherText, MegabyteOfText());
}
BENCHMARK(BM_Encipher);

void BM_Decipher(benchmark::State& state) {
    RunCipher(state, DecipherText, EncipherText(kKey, MegabyteOfText()));
}
BENCHMARK(BM_Decipher);

QByteArray WriteToMemory(const CSiteArray& sites) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store, kDocumentBufferSize);
    SiteDatabaseFormat::Write(ar, kFilePassword, sites);
    return bytes;
}

CSiteArray ReadFromMemory(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load, kDocumentBufferSize);
    std::string strBanner, strCheck;
    SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
    CSiteArray sites;
    SiteDatabaseFormat::ReadRecords(ar, kFilePassword, sites);
    return sites;
}

void BM_WriteDatabase(benchmark::State& state) {
    const CSiteArray sites = BenchData::MakeSites(static_cast<std::size_t>(state.range(0)));
    std::int64_t nFileBytes = 0;
    for (auto _ : state) {
        const QByteArray bytes = WriteToMemory(sites);
        nFileBytes = bytes.size();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * nFileBytes);
    state.counters["FileBytes"] = static_cast<double>(nFileBytes);
}
BENCHMARK(BM_WriteDatabase)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadDatabase(benchmark::State& state) {
    const QByteArray bytes = WriteToMemory(BenchData::MakeSites(static_cast<std::size_t>(state.range(0))));

    // What the loaded records occupy on the heap, against the size of the file they came from.
    malloc_trim(0);
    const std::size_t nBefore = mallinfo2().uordblks;
    CSiteArray probe = ReadFromMemory(bytes);
    const std::size_t nAfter = mallinfo2().uordblks;
    if (probe.size() != static_cast<std::size_t>(state.range(0)))
        state.SkipWithError("the records did not load");
    probe.clear();

    for (auto _ : state) {
        CSiteArray sites = ReadFromMemory(bytes);
        benchmark::DoNotOptimize(sites.data());
        state.PauseTiming();
        sites.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes.size());
    state.counters["FileBytes"] = static_cast<double>(bytes.size());
    state.counters["HeapBytes"] = static_cast<double>(nAfter - nBefore);
    state.counters["HeapPerFileByte"] = static_cast<double>(nAfter - nBefore) / static_cast<double>(bytes.size());
}
BENCHMARK(BM_ReadDatabase)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
