#pragma once

#include "core/tools/BreachList.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

// Breach lists made on the spot, in both layouts the program reads.
namespace BreachListFiles {

using CEntry = std::pair<CHashHex, std::uint64_t>;

inline std::string Text(const CHashHex& hash) {
    return std::string(hash.data(), hash.size());
}

// nCount random hashes with random counts, sorted; each begins with one of the given prefixes when any are
// given (so that range files hold many lines each).
inline std::vector<CEntry> RandomEntries(std::size_t nCount, unsigned nSeed,
                                         const std::vector<std::string>& prefixes = {}) {
    std::mt19937_64 random(nSeed);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::vector<CEntry> entries(nCount);
    for (auto& [hash, n] : entries) {
        for (char& c : hash)
            c = kDigits[random() % 16];
        if (!prefixes.empty()) {
            const std::string& strPrefix = prefixes[random() % prefixes.size()];
            std::copy(strPrefix.begin(), strPrefix.end(), hash.begin());
        }
        n = 1 + random() % 100000;
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const CEntry& a, const CEntry& b) { return a.first == b.first; }),
                  entries.end());
    return entries;
}

inline std::string Lines(const std::vector<CEntry>& entries, std::size_t nSkip, const char* pszEnd = "\n") {
    std::string str;
    str.reserve(entries.size() * 50);
    for (const auto& [hash, n] : entries)
        str.append(hash.data() + nSkip, hash.size() - nSkip).append(":").append(std::to_string(n)).append(pszEnd);
    return str;
}

inline bool WriteBytes(const QString& strPath, const std::string& bytes) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// The downloader's folder: one file per five-digit prefix that occurs, "SUFFIX:COUNT" lines.
inline bool WriteRangeFolder(const QString& strFolder, const std::vector<CEntry>& entries, bool bTxt = true) {
    QDir().mkpath(strFolder);
    for (std::size_t i = 0; i < entries.size();) {
        std::size_t j = i;
        while (j < entries.size() &&
               std::equal(entries[i].first.begin(), entries[i].first.begin() + 5, entries[j].first.begin()))
            ++j;
        const QString strName =
            QString::fromLatin1(entries[i].first.data(), 5) + (bTxt ? QStringLiteral(".txt") : QString());
        if (!WriteBytes(QDir(strFolder).filePath(strName),
                        Lines(std::vector<CEntry>(entries.begin() + static_cast<std::ptrdiff_t>(i),
                                                  entries.begin() + static_cast<std::ptrdiff_t>(j)),
                              5)))
            return false;
        i = j;
    }
    return true;
}

} // namespace BreachListFiles
