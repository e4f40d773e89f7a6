#include "core/database/SiteOrder.h"

#include "core/platform/MemoryPages.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>

namespace {

// Writes the lower case of strName to pOut, as many bytes; false when a byte was not ASCII (and what was
// written is no key).
bool FoldAscii(std::string_view strName, char* pOut) {
    unsigned nAll = 0;
    for (std::size_t i = 0; i < strName.size(); ++i) {
        const auto c = static_cast<unsigned char>(strName[i]);
        nAll |= c;
        pOut[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return nAll < 0x80;
}

// Appends the key of one name. ASCII, by far the common case, folds without building a QString; it gives
// the same bytes as the general path, since case folding maps ASCII to its lower case. The fold and the
// check for ASCII are one pass; a name that turns out not to be ASCII is taken back and folded in full.
void AppendSortKey(std::string& key, std::string_view strName) {
    const std::size_t nStart = key.size();
    key.resize(nStart + strName.size());
    char* const pOut = key.data() + nStart;
    if (FoldAscii(strName, pOut))
        return;
    key.resize(nStart);
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
// anywhere up to its end. The padding sorts a key before any longer key it begins; where a name holds a
// NUL (a damaged file), the lengths settle what the padding cannot.
constexpr std::size_t kPadding = 8;

// Eight key bytes as one number whose order is theirs.
std::uint64_t LoadWord(const char* p) {
    std::uint64_t n;
    std::memcpy(&n, p, sizeof n);
    return __builtin_bswap64(n);
}

// Where the sort reads its keys: Load(nStart, nLength, nOffset) gives the eight key bytes from nOffset of
// the key at nStart, those past its end as zeros.

// Keys in a buffer of their own, each followed by its padding.
struct CPaddedKeys {
    const char* p;
    std::uint64_t Load(std::uint32_t nStart, std::uint32_t, std::uint32_t nOffset) const {
        return LoadWord(p + nStart + nOffset);
    }
};

// ASCII names side by side, read as their keys: each word is folded as it is loaded and the bytes of the
// next name are masked off, so the sort needs no second copy of the names.
struct CFoldedAsciiNames {
    const char* p;
    std::size_t nSize;
    std::uint64_t Load(std::uint32_t nStart, std::uint32_t nLength, std::uint32_t nOffset) const {
        if (nOffset >= nLength)
            return 0;
        const std::size_t nAt = std::size_t{nStart} + nOffset;
        std::uint64_t n = 0;
        if (nSize - nAt >= 8)
            std::memcpy(&n, p + nAt, 8);
        else // the end of the last name
            std::memcpy(&n, p + nAt, nSize - nAt);
        n = __builtin_bswap64(n);
        const std::uint32_t nLeft = nLength - nOffset;
        if (nLeft < 8)
            n &= ~std::uint64_t{0} << (8 * (8 - nLeft));
        // Every byte is below 0x80, so adding to one never carries into the next: the top bit of a byte
        // says whether it reached 'A', and whether it passed 'Z'.
        constexpr std::uint64_t kTop = 0x8080808080808080;
        const std::uint64_t nUpper = (n + 0x3F3F3F3F3F3F3F3F) & ~(n + 0x2525252525252525) & kTop;
        return n | (nUpper >> 2);
    }
};

// The keys of a list side by side, each followed by its padding, in one buffer made for them: room for
// every name's ASCII key is made (and its pages asked for) at once, and nothing is zeroed only to be
// overwritten. Folded names tell as much as the names, so the buffer is wiped when it goes.
class CKeyBuffer {
public:
    explicit CKeyBuffer(std::size_t nCapacity) : m_p(new char[nCapacity]), m_nCapacity(nCapacity) {
        PrefaultMemory(m_p.get(), nCapacity);
    }
    ~CKeyBuffer() { WipeMemory(m_p.get(), m_nSize); }
    CKeyBuffer(const CKeyBuffer&) = delete;
    CKeyBuffer& operator=(const CKeyBuffer&) = delete;

    const char* data() const { return m_p.get(); }
    std::size_t size() const { return m_nSize; }

    // Appends the key of strName and its padding; returns the key's length.
    std::size_t Append(std::string_view strName) {
        MakeRoom(strName.size() + kPadding);
        char* const pOut = m_p.get() + m_nSize;
        if (FoldAscii(strName, pOut)) {
            std::memset(pOut + strName.size(), 0, kPadding);
            m_nSize += strName.size() + kPadding;
            return strName.size();
        }
        // Not ASCII after all: the bytes folded so far go, and the full fold is made.
        WipeMemory(pOut, strName.size());
        std::string key;
        AppendSortKey(key, strName);
        MakeRoom(key.size() + kPadding);
        std::memcpy(m_p.get() + m_nSize, key.data(), key.size());
        std::memset(m_p.get() + m_nSize + key.size(), 0, kPadding);
        m_nSize += key.size() + kPadding;
        const std::size_t nLength = key.size();
        WipeString(key);
        return nLength;
    }

private:
    // A key longer than its name (a folded non-ASCII name) may need more room than was made.
    void MakeRoom(std::size_t n) {
        if (m_nCapacity - m_nSize >= n)
            return;
        const std::size_t nCapacity = std::max(2 * m_nCapacity, m_nSize + n);
        std::unique_ptr<char[]> p(new char[nCapacity]);
        std::memcpy(p.get(), m_p.get(), m_nSize);
        WipeMemory(m_p.get(), m_nSize);
        m_p = std::move(p);
        m_nCapacity = nCapacity;
    }

    std::unique_ptr<char[]> m_p;
    std::size_t m_nCapacity;
    std::size_t m_nSize = 0;
};

// A run of entries that share their first nDepth key bytes and still has to be put in order.
struct CRun {
    std::size_t nBegin;
    std::size_t nEnd;
    std::uint32_t nDepth;
    bool bDealt; // the run lies in the scratch buffer, not yet back in the entries
};

// Runs shorter than this are finished by insertion; the byte counts of a radix pass cost more.
constexpr std::size_t kRadixMinimum = 32;

// A stable most-significant-byte radix sort of the keys: each pass deals a run out by the key byte at its
// depth (a key that has ended goes first), which keeps the record order of every bucket, so equal names
// need no tie-break and no pass ever compares two whole keys. Each entry carries the eight key bytes
// around its depth, read once per eight passes instead of once per byte from the scattered keys; the
// entries come with the words of depth 0, read while their keys were made. A pass deals from one buffer
// into the other and the buckets are sorted where they landed; only finished entries are copied back.
template <typename Entry, typename Keys> void RadixSort(std::vector<Entry>& entries, const Keys& keys) {
    // Scratch the passes deal into: left uninitialized, since every entry is written before it is read.
    const std::unique_ptr<Entry[]> dealt(new Entry[entries.size()]);
    PrefaultMemory(dealt.get(), entries.size() * sizeof(Entry));
    Entry* const pEntries = entries.data();
    Entry* const pScratch = dealt.get();
    const auto finish = [&](const CRun& run) {
        if (run.bDealt)
            std::copy(pScratch + run.nBegin, pScratch + run.nEnd, pEntries + run.nBegin);
    };
    std::vector<CRun> runs{{0, entries.size(), 0, false}};
    const auto less = [&keys](const Entry& a, const Entry& b, std::uint32_t nDepth) {
        // Below depth 8 the entries still hold their first eight key bytes, padding included: a difference
        // there decides (an ended key's zero padding puts it first, as its length would) without a look
        // at the scattered keys.
        if (nDepth < 8) {
            if (a.nWord != b.nWord)
                return a.nWord < b.nWord;
            nDepth = 8;
        }
        const std::uint32_t nCommon = std::min(a.nLength, b.nLength);
        for (std::uint32_t nOffset = nDepth; nOffset < nCommon; nOffset += 8) {
            const std::uint64_t nA = keys.Load(a.nStart, a.nLength, nOffset);
            const std::uint64_t nB = keys.Load(b.nStart, b.nLength, nOffset);
            if (nA != nB)
                return nA < nB;
        }
        return a.nLength < b.nLength;
    };
    while (!runs.empty()) {
        const CRun run = runs.back();
        runs.pop_back();
        Entry* const p = (run.bDealt ? pScratch : pEntries) + run.nBegin;
        const std::size_t n = run.nEnd - run.nBegin;
        if (n < kRadixMinimum) {
            for (std::size_t i = 1; i < n; ++i) {
                const Entry e = p[i];
                std::size_t j = i;
                for (; j > 0 && less(e, p[j - 1], run.nDepth); --j)
                    p[j] = p[j - 1];
                p[j] = e;
            }
            finish(run);
            continue;
        }
        const std::uint32_t nDepth = run.nDepth;
        if (nDepth % 8 == 0 && nDepth > 0)
            for (std::size_t i = 0; i < n; ++i)
                p[i].nWord = keys.Load(p[i].nStart, p[i].nLength, nDepth);
        const unsigned nShift = 56 - 8 * (nDepth % 8);
        const auto bucketOf = [&](const Entry& e) -> std::size_t {
            return e.nLength <= nDepth ? 0 : ((e.nWord >> nShift) & 0xFF) + 1;
        };
        std::array<std::size_t, 258> starts{};
        for (std::size_t i = 0; i < n; ++i)
            ++starts[bucketOf(p[i]) + 1];
        if (starts[bucketOf(p[0]) + 1] == n) {
            // One bucket holds the whole run: nothing moves; ended keys are all equal and done. Otherwise the
            // next pass starts past every byte the run shares in the cached word, short of any key's end.
            if (bucketOf(p[0]) != 0) {
                std::uint64_t nDiff = 0;
                std::uint32_t nShortest = p[0].nLength;
                for (std::size_t i = 1; i < n; ++i) {
                    nDiff |= p[i].nWord ^ p[0].nWord;
                    nShortest = std::min(nShortest, p[i].nLength);
                }
                const std::uint32_t nWordEnd = nDepth - nDepth % 8 + 8;
                const std::uint32_t nShared =
                    nDiff == 0 ? nWordEnd
                               : nDepth - nDepth % 8 + static_cast<std::uint32_t>(__builtin_clzll(nDiff) / 8);
                runs.push_back({run.nBegin, run.nEnd, std::min(nShared, nShortest), run.bDealt});
            } else {
                finish(run);
            }
            continue;
        }
        for (std::size_t b = 1; b < starts.size(); ++b)
            starts[b] += starts[b - 1];
        std::array<std::size_t, 257> next;
        std::copy(starts.begin(), starts.end() - 1, next.begin());
        Entry* const pTo = (run.bDealt ? pEntries : pScratch) + run.nBegin;
        for (std::size_t i = 0; i < n; ++i)
            pTo[next[bucketOf(p[i])]++] = p[i];
        // Ended keys (bucket 0) and lone entries are in place.
        for (std::size_t b = 0; b < 257; ++b) {
            const CRun bucket{run.nBegin + starts[b], run.nBegin + starts[b + 1], nDepth + 1, !run.bDealt};
            if (b != 0 && bucket.nEnd - bucket.nBegin > 1)
                runs.push_back(bucket);
            else
                finish(bucket);
        }
    }
}

struct CEntry {
    std::uint64_t nWord; // the sort's copy of eight key bytes
    std::uint32_t nStart;
    std::uint32_t nLength;
    std::uint32_t nIndex;
};

// The records' indices in the order of the sorted entries.
std::vector<std::size_t> OrderOf(const std::vector<CEntry>& entries) {
    std::vector<std::size_t> order;
    order.reserve(entries.size());
    PrefaultMemory(order.data(), entries.size() * sizeof(std::size_t));
    for (const CEntry& e : entries)
        order.push_back(e.nIndex);
    return order;
}

// nameOf(i) is the name of record i of nCount.
template <typename NameOf> std::vector<std::size_t> ListOrder(std::size_t nCount, NameOf nameOf) {
    // All keys side by side in one buffer, one allocation instead of one per name. The buffers of a large
    // list are filled from end to end at once: their pages are asked for in one go.
    std::size_t nTotal = 0;
    for (std::size_t i = 0; i < nCount; ++i)
        nTotal += nameOf(i).size() + kPadding;
    CKeyBuffer keys(nTotal);
    std::vector<CEntry> entries;
    entries.reserve(nCount);
    PrefaultMemory(entries.data(), nCount * sizeof(CEntry));
    for (std::size_t i = 0; i < nCount; ++i) {
        const std::size_t nStart = keys.size();
        const std::size_t nLength = keys.Append(nameOf(i));
        entries.push_back({LoadWord(keys.data() + nStart), static_cast<std::uint32_t>(nStart),
                           static_cast<std::uint32_t>(nLength), static_cast<std::uint32_t>(i)});
    }
    if (keys.size() > UINT32_MAX || nCount > UINT32_MAX) {
        // Beyond any real database; the slow way is still the right order.
        std::vector<std::size_t> order(nCount);
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return CompareSiteNames(nameOf(a), nameOf(b)) < 0; });
        return order;
    }
    RadixSort(entries, CPaddedKeys{keys.data()});
    return OrderOf(entries);
}

} // namespace

std::string SiteSortKey(std::string_view strName) {
    std::string key;
    key.reserve(strName.size());
    AppendSortKey(key, strName);
    return key;
}

int CompareSiteNames(std::string_view strA, std::string_view strB) {
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
    // The records lie wherever the heap put them: their names are gathered side by side once, and the sort
    // reads that one block, as it reads a listing's.
    std::size_t nText = 0;
    for (const auto& pSite : sites)
        nText += pSite->m_strSite.size();
    CSiteNameList names;
    names.ReserveMore(sites.size(), nText);
    for (const auto& pSite : sites)
        names.AddName([&](std::string& str) { str += pSite->m_strSite; });
    return SiteListOrder(names);
}

std::vector<std::size_t> SiteListOrder(const std::vector<std::string>& names) {
    return ListOrder(names.size(), [&](std::size_t i) -> const std::string& { return names[i]; });
}

std::vector<std::size_t> SiteListOrder(const CSiteNameList& names) {
    // Names all in ASCII, as most lists are, are sorted where they lie, folded as they are read.
    const std::string_view text = names.Text();
    unsigned nAll = 0;
    for (const char c : text)
        nAll |= static_cast<unsigned char>(c);
    if (nAll >= 0x80 || text.size() > UINT32_MAX || names.size() > UINT32_MAX)
        return ListOrder(names.size(), [&](std::size_t i) { return names[i]; });
    const CFoldedAsciiNames keys{text.data(), text.size()};
    std::vector<CEntry> entries;
    entries.reserve(names.size());
    PrefaultMemory(entries.data(), names.size() * sizeof(CEntry));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view strName = names[i];
        const auto nStart = static_cast<std::uint32_t>(strName.data() - text.data());
        const auto nLength = static_cast<std::uint32_t>(strName.size());
        entries.push_back({keys.Load(nStart, nLength, 0), nStart, nLength, static_cast<std::uint32_t>(i)});
    }
    RadixSort(entries, keys);
    return OrderOf(entries);
}
