// What `lockwarden-cli list` spends its time on with 100,000 sites: reading the records (all of them, or
// the names alone) and putting the names in the site list's order. The names come in the two kinds that
// bench/cli-list-vs-sort times: words (long shared beginnings) and random (longer fields, short runs).
#include "FormatBytes.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/platform/Text.h"
#include "core/database/SiteOrder.h"

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

std::string RandomText(std::mt19937& random, std::size_t nLength, std::string_view strAlphabet) {
    std::string str(nLength, ' ');
    for (char& c : str)
        c = strAlphabet[random() % strAlphabet.size()];
    return str;
}

constexpr std::string_view kAlphanumeric = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// Random names of 10 to 30 letters, digits and a little punctuation. Repeatable.
std::vector<std::string> RandomNames() {
    std::mt19937 random(20240602);
    std::vector<std::string> names;
    names.reserve(kSites);
    for (int i = 0; i < kSites; ++i)
        names.push_back(RandomText(random, 1, kAlphanumeric) +
                        RandomText(random, 8 + random() % 20,
                                   "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._ ") +
                        RandomText(random, 1, kAlphanumeric));
    return names;
}

// Argument 0: words; 1: random names.
std::vector<std::string> NamesOfKind(const benchmark::State& state) {
    return state.range(0) == 0 ? SiteNames() : RandomNames();
}

// The words come with short fields as the word file's CSV gives them; random names with URLs of about 30
// bytes and notes of 30 to 50.
QByteArray Database(const std::vector<std::string>& names, bool bLongFields) {
    std::mt19937 random(20240603);
    CSiteArray sites;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string n = std::to_string(i);
        if (bLongFields)
            sites.push_back(std::make_unique<CSiteInfo>(
                names[i],
                "https://" + RandomText(random, 13, kAlphanumeric) + ".com/" + RandomText(random, 6, kAlphanumeric),
                RandomText(random, 10, kAlphanumeric), RandomText(random, 16, kAlphanumeric),
                RandomText(random, 30 + random() % 21, kAlphanumeric)));
        else
            sites.push_back(std::make_unique<CSiteInfo>(names[i], "https://example.com/" + n, "user" + n,
                                                        "pw-" + n + "-secret", "note " + n));
    }
    return WriteDatabase(kPassword, sites);
}

// The records read the way a load reads them: an archive straight over the file's bytes in memory.
template <typename Read> void ReadDatabase(benchmark::State& state, Read read) {
    const QByteArray bytes = Database(NamesOfKind(state), state.range(0) != 0);
    for (auto _ : state) {
        CArchive ar(bytes.constData(), static_cast<std::size_t>(bytes.size()));
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
BENCHMARK(BM_ReadAllRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadSiteNamesOnly(benchmark::State& state) {
    ReadDatabase(state, [](CArchive& ar) {
        CSiteNameList names;
        SiteDatabaseFormat::ReadSiteNames(ar, kPassword, names);
        benchmark::DoNotOptimize(names.empty());
    });
}
BENCHMARK(BM_ReadSiteNamesOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SiteListOrder(benchmark::State& state) {
    const std::vector<std::string> names = NamesOfKind(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(SiteListOrder(names).data());
}
BENCHMARK(BM_SiteListOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The names as lockwarden-cli list holds them, side by side in one buffer: a list in ASCII is sorted
// on its own bytes.
void BM_SiteListOrderOfANameList(benchmark::State& state) {
    const std::vector<std::string> names = NamesOfKind(state);
    CSiteNameList list;
    for (const std::string& strName : names)
        list.AddName([&](std::string& str) { str += strName; });
    for (auto _ : state)
        benchmark::DoNotOptimize(SiteListOrder(list).data());
}
BENCHMARK(BM_SiteListOrderOfANameList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
