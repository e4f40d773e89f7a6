// Reads arbitrary bytes as a one-file breach list and looks hashes up in it. A list may be refused, and a
// lookup may fail, but only with a reason; a list whose every line is HASH:COUNT in rising order of hash
// is never refused, finds each of its hashes with its count, and nothing else.
#include "core/tools/BreachList.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The list's entries when every line is well formed and the hashes rise; false otherwise.
bool ParseWellFormed(std::string_view text, std::map<std::string, std::uint64_t>& entries) {
    // An empty file is an empty list; a lone line feed is one blank line, which is not HASH:COUNT.
    if (text.empty())
        return true;
    if (text.back() == '\n')
        text.remove_suffix(1);
    std::string strPrevious;
    for (std::size_t nStart = 0; nStart <= text.size();) {
        std::size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string_view::npos)
            nEnd = text.size();
        std::string_view line = text.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() < 42 || line[40] != ':' || !std::all_of(line.begin(), line.begin() + 40, IsUpperHex))
            return false;
        std::uint64_t nCount = 0;
        for (const char c : line.substr(41)) {
            const auto nDigit = static_cast<unsigned>(c - '0');
            if (nDigit > 9 || nCount > (UINT64_MAX - nDigit) / 10)
                return false;
            nCount = nCount * 10 + nDigit;
        }
        std::string strHash(line.substr(0, 40));
        if (!strPrevious.empty() && strHash <= strPrevious)
            return false;
        strPrevious = strHash;
        entries[strHash] = nCount;
    }
    return true;
}

CHashHex Hash(std::string_view str) {
    CHashHex hash{};
    std::copy_n(str.begin(), hash.size(), hash.begin());
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    // The list lives in memory but is opened by name, as a downloaded list is.
    const int fd = ::memfd_create("breach-list", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::abort();
    const QString strPath = QStringLiteral("/proc/self/fd/%1").arg(fd);

    std::map<std::string, std::uint64_t> entries;
    const bool bWellFormed = ParseWellFormed(text, entries);
    std::vector<std::string> probes{std::string(40, '0'), std::string(40, 'F'),
                                    "5BAA61E4C9B93F3F0682250B6CF8331B7EE68FD8"};
    for (const auto& [strHash, nCount] : entries)
        probes.push_back(strHash);
    // Hashes taken from anywhere in the text, well formed or not, reach the lines around them.
    for (std::size_t n = 0; n + 40 <= text.size() && probes.size() < 64; n += 41)
        if (std::all_of(text.begin() + n, text.begin() + n + 40, IsUpperHex))
            probes.emplace_back(text.substr(n, 40));

    CBreachList list;
    std::string strError;
    if (!list.Open(strPath, strError)) {
        if (bWellFormed || strError.empty())
            std::abort();
        ::close(fd);
        return 0;
    }
    // Rising order reuses the block in hand; falling order searches afresh each time.
    std::sort(probes.begin(), probes.end());
    for (const bool bFalling : {false, true}) {
        if (bFalling)
            std::reverse(probes.begin(), probes.end());
        for (const std::string& strProbe : probes) {
            std::uint64_t nCount = 0;
            strError.clear();
            if (!list.Lookup(Hash(strProbe), nCount, strError)) {
                if (bWellFormed || strError.empty())
                    std::abort();
                continue;
            }
            if (bWellFormed) {
                const auto it = entries.find(strProbe);
                if (nCount != (it == entries.end() ? 0 : it->second))
                    std::abort();
            }
        }
    }
    ::close(fd);
    return 0;
}
