// What `lockwarden-cli list` spends its time on with 100,000 sites: reading the records (all of them, or
// the names alone) and putting the names in the site list's order.
#include "FormatBytes.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/platform/Text.h"
#include "core/tools/SiteOrder.h"

#include <QBuffer>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace {

constexpr int kSites = 100000;
const std::string kPassword = "bench-password";

// Two to four words, some capitalised, some with a number: the way people name sites. Repeatable.
std::vector<std::string> SiteNames() {
    static const char* const kWords[] = {"amazon", "bank",   "cloud",   "mail",      "news",   "shop",
                                         "forum",  "wiki",   "game",    "music",     "photo",  "travel",
                                         "work",   "school", "health",  "insurance", "energy", "water",
                                         "phone",  "tax",    "library", "gym",       "club",   "market"};
    std::mt19937 random(20240601);
    std::vector<std::string> names;
    names.reserve(kSites);
    for (int i = 0; i < kSites; ++i) {
        std::string strName;
        const int nWords = 2 + static_cast<int>(random() % 3);
        for (int j = 0; j < nWords; ++j) {
            std::string strWord = kWords[random() % 24];
            const unsigned nCase = random() % 10;
            if (nCase < 3)
                strWord[0] = static_cast<char>(strWord[0] - 'a' + 'A');
            else if (nCase < 4)
                std::transform(strWord.begin(), strWord.end(), strWord.begin(),
                               [](char c) { return static_cast<char>(c - 'a' + 'A'); });
            if (j > 0)
                strName += ' ';
            strName += strWord;
        }
        if (random() % 2 == 0) {
            strName += ' ';
            strName += std::to_string(random() % 1000);
        }
        names.push_back(strName);
    }
    return names;
}

QByteArray Database(const std::vector<std::string>& names) {
    CSiteArray sites;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string n = std::to_string(i);
        sites.push_back(std::make_unique<CSiteInfo>(names[i], "https://example.com/" + n, "user" + n,
                                                    "pw-" + n + "-secret", "note " + n));
    }
    return WriteDatabase(kPassword, sites);
}

template <typename Read> void ReadDatabase(benchmark::State& state, Read read) {
    QByteArray bytes = Database(SiteNames());
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        CArchive ar(&buffer, CArchive::load, 1 << 16);
        std::string strBanner, strCheck;
        SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
        read(ar);
    }
}

void BM_ReadAllRecords(benchmark::State& state) {
    ReadDatabase(state, [](CArchive& ar) {
        CSiteArray sites;
        SiteDatabaseFormat::ReadRecords(ar, kPassword, sites);
        benchmark::DoNotOptimize(sites.data());
    });
}
BENCHMARK(BM_ReadAllRecords)->Unit(benchmark::kMillisecond);

void BM_ReadSiteNamesOnly(benchmark::State& state) {
    ReadDatabase(state, [](CArchive& ar) {
        CSiteNameList names;
        SiteDatabaseFormat::ReadSiteNames(ar, kPassword, names);
        benchmark::DoNotOptimize(names.empty());
    });
}
BENCHMARK(BM_ReadSiteNamesOnly)->Unit(benchmark::kMillisecond);

void BM_SiteListOrder(benchmark::State& state) {
    const std::vector<std::string> names = SiteNames();
    for (auto _ : state)
        benchmark::DoNotOptimize(SiteListOrder(names).data());
}
BENCHMARK(BM_SiteListOrder)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same order the plain way: a stable sort calling the case-insensitive QString comparison.
void BM_StableSortWithQStringCompare(benchmark::State& state) {
    const std::vector<std::string> names = SiteNames();
    for (auto _ : state) {
        std::vector<QString> texts;
        texts.reserve(names.size());
        for (const std::string& strName : names)
            texts.push_back(ToDisplayText(strName));
        std::vector<std::size_t> order(names.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return QString::compare(texts[a], texts[b], Qt::CaseInsensitive) < 0;
        });
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_StableSortWithQStringCompare)->Unit(benchmark::kMillisecond);

} // namespace
