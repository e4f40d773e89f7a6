#include "tools/SiteOrder.h"

#include "platform/Text.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <thread>

namespace {

// Appends the key of one name. ASCII, by far the common case, folds without building a QString; it gives
// the same bytes as the general path, since case folding maps ASCII to its lower case.
void AppendSortKey(std::string& key, std::string_view strName) {
    if (IsAscii(strName)) {
        const std::size_t nStart = key.size();
        key.resize(nStart + strName.size());
        std::transform(strName.begin(), strName.end(), key.begin() + static_cast<std::ptrdiff_t>(nStart),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; });
        return;
    }
    // Simple case folding, unit for unit the fold that the case-insensitive QString comparison applies.
    // Each unit is written on its own (a surrogate too) in UTF-8 form: a prefix-free code that keeps the
    // order of the values it encodes, so the bytes compare as the units do.
    const QString strFolded = ToDisplayText(strName).toCaseFolded();
    for (const QChar ch : strFolded) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            key.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            key.push_back(static_cast<char>(0xC0 | (u >> 6)));
            key.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            key.push_back(static_cast<char>(0xE0 | (u >> 12)));
            key.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            key.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
}

// Every key in the sort buffer is followed by this many zero bytes, so eight bytes can be loaded from
// anywhere up to its end. Names hold no NUL byte: the padding sorts a key before any longer key it begins.
constexpr std::size_t kPadding = 16;

// Eight key bytes as one number whose order is theirs.
std::uint64_t LoadWord(const char* p) {
    std::uint64_t n;
    std::memcpy(&n, p, sizeof n);
    return __builtin_bswap64(n);
}

// Below this many names the buckets cost more than they save, and below the second a second thread does.
constexpr std::size_t kBucketSortMinimum = 4096;
constexpr std::size_t kParallelSortMinimum = 20000;

// First a counting sort on the first two key bytes, which keeps the record order; then each run of
// names that share them is sorted on its own. A large list leaves half of the runs to a second thread.
template <typename Entry, typename Less> void SortInBuckets(std::vector<Entry>& entries, const Less& less) {
    constexpr std::size_t kBuckets = std::size_t{1} << 16;
    std::vector<std::uint32_t> starts(kBuckets + 1, 0);
    for (const Entry& e : entries)
        ++starts[(e.nHead[0] >> 48) + 1];
    for (std::size_t i = 1; i <= kBuckets; ++i)
        starts[i] += starts[i - 1];
    std::vector<Entry> sorted(entries.size());
    {
        std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
        for (const Entry& e : entries)
            sorted[next[e.nHead[0] >> 48]++] = e;
    }
    const auto sortRuns = [&](std::size_t nFirstBucket, std::size_t nEndBucket) {
        for (std::size_t i = nFirstBucket; i < nEndBucket; ++i)
            if (starts[i + 1] - starts[i] > 1)
                std::sort(sorted.begin() + starts[i], sorted.begin() + starts[i + 1], less);
    };
    if (sorted.size() >= kParallelSortMinimum && std::thread::hardware_concurrency() > 1) {
        const std::size_t nMiddle = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), sorted.size() / 2) - starts.begin());
        std::thread first([&] { sortRuns(0, nMiddle); });
        sortRuns(nMiddle, kBuckets);
        first.join();
    } else {
        sortRuns(0, kBuckets);
    }
    entries.swap(sorted);
}

// nameOf(i) is the name of record i of nCount.
template <typename NameOf> std::vector<std::size_t> ListOrder(std::size_t nCount, NameOf nameOf) {
    // All keys side by side in one buffer, one allocation instead of one per name; each entry carries
    // what most comparisons need, so sorting seldom looks further.
    struct CEntry {
        std::uint64_t nHead[2]; // the first sixteen key bytes
        std::uint32_t nStart;
        std::uint32_t nLength;
        std::uint32_t nIndex;
    };
    std::size_t nTotal = 0;
    for (std::size_t i = 0; i < nCount; ++i)
        nTotal += nameOf(i).size() + kPadding;
    std::string keys;
    keys.reserve(nTotal);
    std::vector<CEntry> entries;
    entries.reserve(nCount);
    for (std::size_t i = 0; i < nCount; ++i) {
        const std::size_t nStart = keys.size();
        AppendSortKey(keys, nameOf(i));
        const std::size_t nLength = keys.size() - nStart;
        keys.append(kPadding, '\0');
        entries.push_back({{0, 0},
                           static_cast<std::uint32_t>(nStart),
                           static_cast<std::uint32_t>(nLength),
                           static_cast<std::uint32_t>(i)});
    }
    if (keys.size() > UINT32_MAX || nCount > UINT32_MAX) {
        // Beyond any real database; the slow way is still the right order.
        std::vector<std::size_t> order(nCount);
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return CompareSiteNames(nameOf(a), nameOf(b)) < 0; });
        return order;
    }
    const char* const pKeys = keys.data();
    for (CEntry& e : entries) {
        e.nHead[0] = LoadWord(pKeys + e.nStart);
        e.nHead[1] = LoadWord(pKeys + e.nStart + 8);
    }
    // The index breaks ties, so equal names keep their record order without a stable sort.
    const auto less = [pKeys](const CEntry& a, const CEntry& b) {
        if (a.nHead[0] != b.nHead[0])
            return a.nHead[0] < b.nHead[0];
        if (a.nHead[1] != b.nHead[1])
            return a.nHead[1] < b.nHead[1];
        const std::uint32_t nCommon = std::min(a.nLength, b.nLength);
        for (std::uint32_t nOffset = 16; nOffset < nCommon; nOffset += 8) {
            const std::uint64_t nA = LoadWord(pKeys + a.nStart + nOffset);
            const std::uint64_t nB = LoadWord(pKeys + b.nStart + nOffset);
            if (nA != nB)
                return nA < nB;
        }
        if (a.nLength != b.nLength)
            return a.nLength < b.nLength;
        return a.nIndex < b.nIndex;
    };
    if (entries.size() < kBucketSortMinimum) {
        std::sort(entries.begin(), entries.end(), less);
    } else {
        SortInBuckets(entries, less);
    }
    std::vector<std::size_t> order;
    order.reserve(entries.size());
    for (const CEntry& e : entries)
        order.push_back(e.nIndex);
    return order;
}

} // namespace

std::string SiteSortKey(std::string_view strName) {
    std::string key;
    key.reserve(strName.size());
    AppendSortKey(key, strName);
    return key;
}

int CompareSiteNames(const std::string& strA, const std::string& strB) {
    // While both names are ASCII each byte is one character in either decoding, so the first folded
    // difference decides; only a pair that meets a non-ASCII byte first needs the keys.
    const std::size_t n = std::min(strA.size(), strB.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(strA[i]);
        const auto b = static_cast<unsigned char>(strB[i]);
        if ((a | b) >= 0x80)
            return SiteSortKey(strA).compare(SiteSortKey(strB));
        const int nA = a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a;
        const int nB = b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b;
        if (nA != nB)
            return nA - nB;
    }
    return strA.size() < strB.size() ? -1 : strA.size() > strB.size() ? 1 : 0;
}

std::vector<std::size_t> SiteListOrder(const CSiteArray& sites) {
    return ListOrder(sites.size(), [&](std::size_t i) -> const std::string& { return sites[i]->m_strSite; });
}

std::vector<std::size_t> SiteListOrder(const std::vector<std::string>& names) {
    return ListOrder(names.size(), [&](std::size_t i) -> const std::string& { return names[i]; });
}
