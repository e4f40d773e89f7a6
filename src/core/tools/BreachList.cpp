#include "core/tools/BreachList.h"

#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int kHashDigits = 40;
constexpr int kRangeDigits = 5;

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// IsUpperHex by table, for the lines of the list.
const std::array<bool, 256> kUpperHex = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = IsUpperHex(static_cast<char>(c));
    return table;
}();

// Sixteen hex digits from p as a number: where a key stands between two others.
std::uint64_t Leading64(const char* p, int nDigits) {
    std::uint64_t n = 0;
    for (int i = 0; i < 16; ++i) {
        const char c = i < nDigits ? p[i] : '0';
        n = n << 4 | static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return n;
}

std::string Utf8(const QString& str) {
    return str.toStdString();
}

} // namespace

CHashHex PasswordHashHex(std::string_view strPassword) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(strPassword.data(), static_cast<qsizetype>(strPassword.size())), QCryptographicHash::Sha1);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    CHashHex hex{};
    for (int i = 0; i < 20; ++i) {
        const auto b = static_cast<unsigned char>(digest[i]);
        hex[2 * i] = kDigits[b >> 4];
        hex[2 * i + 1] = kDigits[b & 15];
    }
    return hex;
}

// One sorted file of KEY:COUNT lines, where KEY is the hash without its first nSkip digits.
class CBreachList::CSortedFile {
public:
    CSortedFile(QString strName, int nSkip)
        : m_strName(std::move(strName)), m_nKeyLen(kHashDigits - nSkip), m_nSkip(nSkip) {}
    ~CSortedFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CSortedFile(const CSortedFile&) = delete;
    CSortedFile& operator=(const CSortedFile&) = delete;

    bool Open(std::string& strError) {
        // Opened as a database is (a FIFO or a device is refused at once), but never read whole: no limit.
        m_fd = FileAccess::OpenRegularFile(m_strName, FileAccess::kNoSizeLimit);
        struct stat st {};
        if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
            return Fail(strError, "cannot be read: " + Utf8(GetLastErrorText(errno)));
        m_nSize = st.st_size;
        return true;
    }

    // Reads the first and the last block and checks every whole line in them.
    bool CheckEnds(std::string& strError) {
        if (m_nSize == 0)
            return true;
        for (std::int64_t nStart : {std::int64_t{0}, std::max<std::int64_t>(0, m_nSize - kBlock)}) {
            if (!Read(nStart, std::min(kBlock, m_nSize - nStart), strError))
                return false;
            std::size_t a = 0, b = 0;
            if (!WholeLines(0, m_nSize, a, b, strError))
                return false;
            const char* pPrevious = nullptr;
            for (std::size_t s = a; s < b;) {
                CLine line;
                if (!ParseLine(s, b, line, strError))
                    return false;
                if (pPrevious != nullptr && std::memcmp(pPrevious, line.pKey, m_nKeyLen) >= 0)
                    return NotSorted(strError, m_nBufStart + static_cast<std::int64_t>(s));
                pPrevious = line.pKey;
                s = line.nNext;
            }
        }
        return true;
    }

    bool Lookup(const CHashHex& hash, std::uint64_t& nCount, std::string& strError) {
        CSearch search;
        search.pTarget = hash.data() + m_nSkip;
        search.nHi = m_nSize;
        nCount = 0;
        // The block in hand first: the next hash of a rising run is most often in it or just after it.
        if (m_nBufLen > 0) {
            const EResult result = SearchBlock(search, nCount, strError);
            if (result != EResult::narrowed)
                return result == EResult::found || result == EResult::absent;
        }
        while (search.nLo < search.nHi) {
            std::int64_t nStart = search.nLo;
            std::int64_t nLength = search.nHi - search.nLo;
            if (nLength > kBlock) {
                nStart = std::clamp(Guess(search) - kBlock / 4, search.nLo, search.nHi - kBlock);
                nLength = kBlock;
            }
            if (!Read(nStart, nLength, strError))
                return false;
            const EResult result = SearchBlock(search, nCount, strError);
            if (result != EResult::narrowed)
                return result == EResult::found || result == EResult::absent;
        }
        return true;
    }

private:
    enum class EResult { found, absent, narrowed, failed };

    // What is known during one lookup: every line before nLo is below the target, every line from nHi on
    // above it; pLoKey and pHiKey are the keys of the lines just outside, when they have been read.
    struct CSearch {
        const char* pTarget = nullptr;
        std::int64_t nLo = 0;
        std::int64_t nHi = 0;
        std::array<char, kHashDigits> loKey{};
        std::array<char, kHashDigits> hiKey{};
        bool bLoKey = false;
        bool bHiKey = false;
    };

    struct CLine {
        const char* pKey = nullptr;
        std::uint64_t nCount = 0;
        std::size_t nNext = 0; // where the next line starts in the block
    };

    // Where the target should stand between nLo and nHi if the keys in between are spread evenly.
    std::int64_t Guess(const CSearch& search) const {
        const long double dLo = search.bLoKey ? static_cast<long double>(Leading64(search.loKey.data(), m_nKeyLen)) : 0;
        const long double dHi = search.bHiKey ? static_cast<long double>(Leading64(search.hiKey.data(), m_nKeyLen))
                                              : 18446744073709551616.0L;
        const long double dTarget = Leading64(search.pTarget, m_nKeyLen);
        long double dFraction = dHi > dLo ? (dTarget - dLo) / (dHi - dLo) : 0.5L;
        dFraction = std::clamp(dFraction, 0.0L, 1.0L);
        return search.nLo + static_cast<std::int64_t>(dFraction * static_cast<long double>(search.nHi - search.nLo));
    }

    bool Read(std::int64_t nStart, std::int64_t nLength, std::string& strError) {
        m_buf.resize(static_cast<std::size_t>(nLength));
        std::int64_t nDone = 0;
        while (nDone < nLength) {
            const ssize_t n = ::pread(m_fd, m_buf.data() + nDone, static_cast<std::size_t>(nLength - nDone),
                                      static_cast<off_t>(nStart + nDone));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_nBufLen = 0;
                return Fail(strError, n < 0 ? "cannot be read: " + Utf8(GetLastErrorText(errno))
                                            : std::string("became shorter while it was read"));
            }
            nDone += n;
        }
        m_nBufStart = nStart;
        m_nBufLen = nLength;
        return true;
    }

    // The whole lines of the block that lie between nLo and nHi: [a, b) in the block. A block that starts
    // after nLo may start inside a line, which is left out; so may one that ends before nHi.
    bool WholeLines(std::int64_t nLo, std::int64_t nHi, std::size_t& a, std::size_t& b, std::string& strError) const {
        const std::int64_t nFrom = std::max(nLo, m_nBufStart);
        const std::int64_t nTo = std::min(nHi, m_nBufStart + m_nBufLen);
        a = static_cast<std::size_t>(nFrom - m_nBufStart);
        b = static_cast<std::size_t>(std::max(nFrom, nTo) - m_nBufStart);
        if (a >= b)
            return true;
        if (nFrom != nLo) {
            const void* p = std::memchr(m_buf.data() + a, '\n', b - a);
            a = p == nullptr ? b : static_cast<std::size_t>(static_cast<const char*>(p) - m_buf.data()) + 1;
        }
        if (nTo != nHi) {
            const void* p = ::memrchr(m_buf.data() + a, '\n', b - a);
            b = p == nullptr ? a : static_cast<std::size_t>(static_cast<const char*>(p) - m_buf.data()) + 1;
        }
        if (a >= b && m_nBufLen >= kBlock)
            return Fail(strError, "has a line longer than " + std::to_string(kBlock) + " bytes, " + Where(m_nBufStart) +
                                      ": it is not a list of HASH:COUNT lines");
        return true;
    }

    // The line starting at s, which ends before b: KEY:COUNT, then LF or CR LF (or the end of the file).
    bool ParseLine(std::size_t s, std::size_t b, CLine& line, std::string& strError) const {
        const char* p = m_buf.data() + s;
        const void* pEnd = std::memchr(p, '\n', b - s);
        std::size_t nLength = pEnd == nullptr ? b - s : static_cast<std::size_t>(static_cast<const char*>(pEnd) - p);
        line.nNext = s + nLength + (pEnd == nullptr ? 0 : 1);
        if (nLength > 0 && p[nLength - 1] == '\r')
            --nLength;
        bool bGood = nLength >= static_cast<std::size_t>(m_nKeyLen) + 2 && p[m_nKeyLen] == ':';
        for (int i = 0; bGood && i < m_nKeyLen; ++i)
            bGood = kUpperHex[static_cast<unsigned char>(p[i])];
        std::uint64_t nCount = 0;
        for (std::size_t i = m_nKeyLen + 1; bGood && i < nLength; ++i) {
            const auto nDigit = static_cast<unsigned>(p[i] - '0');
            bGood = nDigit <= 9 && nCount <= (std::numeric_limits<std::uint64_t>::max() - nDigit) / 10;
            nCount = nCount * 10 + nDigit;
        }
        if (!bGood)
            return Fail(strError, "is damaged: " + Where(m_nBufStart + static_cast<std::int64_t>(s)) + " is not " +
                                      (m_nSkip == 0 ? "HASH" : "SUFFIX") + ":COUNT, with " + std::to_string(m_nKeyLen) +
                                      " upper-case hex digits");
        line.pKey = p;
        line.nCount = nCount;
        return true;
    }

    // Reads the line at s and narrows the search by it; a line outside what is known is out of order.
    EResult Probe(CSearch& search, std::size_t s, std::size_t b, std::uint64_t& nCount, std::string& strError) {
        CLine line;
        if (!ParseLine(s, b, line, strError))
            return EResult::failed;
        const std::int64_t nAt = m_nBufStart + static_cast<std::int64_t>(s);
        if ((search.bLoKey && std::memcmp(search.loKey.data(), line.pKey, m_nKeyLen) >= 0) ||
            (search.bHiKey && std::memcmp(line.pKey, search.hiKey.data(), m_nKeyLen) >= 0)) {
            NotSorted(strError, nAt);
            return EResult::failed;
        }
        const int nOrder = std::memcmp(search.pTarget, line.pKey, m_nKeyLen);
        if (nOrder == 0) {
            nCount = line.nCount;
            return EResult::found;
        }
        if (nOrder < 0) {
            search.nHi = nAt;
            std::copy_n(line.pKey, m_nKeyLen, search.hiKey.begin());
            search.bHiKey = true;
        } else {
            search.nLo = m_nBufStart + static_cast<std::int64_t>(line.nNext);
            std::copy_n(line.pKey, m_nKeyLen, search.loKey.begin());
            search.bLoKey = true;
        }
        return EResult::narrowed;
    }

    // Searches the whole lines of the block in hand that lie in the search's range: the last and the
    // first line, then by halves. Found, absent (the target falls between two lines, or outside the
    // file), or narrowed to outside the block.
    EResult SearchBlock(CSearch& search, std::uint64_t& nCount, std::string& strError) {
        std::size_t a = 0, b = 0;
        if (!WholeLines(search.nLo, search.nHi, a, b, strError))
            return EResult::failed;
        if (a < b) {
            // The last whole line: its start is after the last LF before b's.
            const void* p = b - a >= 2 ? ::memrchr(m_buf.data() + a, '\n', b - a - 1) : nullptr;
            const std::size_t nLast =
                p == nullptr ? a : static_cast<std::size_t>(static_cast<const char*>(p) - m_buf.data()) + 1;
            EResult result = Probe(search, nLast, b, nCount, strError);
            if (result != EResult::narrowed || m_nBufStart + static_cast<std::int64_t>(nLast) != search.nHi)
                return result == EResult::narrowed ? Settled(search) : result;
            b = nLast;
            if (a < b) {
                result = Probe(search, a, b, nCount, strError);
                if (result != EResult::narrowed || search.nHi == m_nBufStart + static_cast<std::int64_t>(a))
                    return result == EResult::narrowed ? Settled(search) : result;
                a = static_cast<std::size_t>(search.nLo - m_nBufStart);
            }
            // Where the keys say the target stands, twice, then by halves: the keys of a list that is not spread
            // evenly cannot make the search slower than halving.
            for (int nStep = 0; a < b; ++nStep) {
                const std::size_t m = nStep < 2
                                          ? std::clamp(static_cast<std::size_t>(Guess(search) - m_nBufStart), a, b - 1)
                                          : a + (b - a) / 2;
                const void* pBefore = m > a ? ::memrchr(m_buf.data() + a, '\n', m - a) : nullptr;
                const std::size_t s =
                    pBefore == nullptr ? a
                                       : static_cast<std::size_t>(static_cast<const char*>(pBefore) - m_buf.data()) + 1;
                result = Probe(search, s, b, nCount, strError);
                if (result != EResult::narrowed)
                    return result;
                a = static_cast<std::size_t>(std::max(search.nLo - m_nBufStart, std::int64_t{0}));
                b = static_cast<std::size_t>(search.nHi - m_nBufStart);
            }
        }
        return Settled(search);
    }

    static EResult Settled(const CSearch& search) {
        return search.nLo >= search.nHi ? EResult::absent : EResult::narrowed;
    }

    bool NotSorted(std::string& strError, std::int64_t nAt) const {
        return Fail(strError, "is not sorted by hash: " + Where(nAt) + " is out of order with the lines around it");
    }

    // "line N" for the line that holds byte nAt, as an editor or `sed -n Np` finds it. The lines before
    // it are counted only now, when something is wrong: a search never reads them. Where the file can no
    // longer be read, the byte is told instead.
    std::string Where(std::int64_t nAt) const {
        std::vector<char> buf(std::size_t{1} << 16);
        std::int64_t nLine = 1;
        for (std::int64_t nDone = 0; nDone < nAt;) {
            const ssize_t n = ::pread(
                m_fd, buf.data(),
                static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(buf.size()), nAt - nDone)),
                static_cast<off_t>(nDone));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return "the line at byte " + std::to_string(nAt);
            nLine += std::count(buf.data(), buf.data() + n, '\n');
            nDone += n;
        }
        return "line " + std::to_string(nLine);
    }

    bool Fail(std::string& strError, const std::string& strWhy) const {
        strError = "the breach list " + Utf8(QDir::toNativeSeparators(m_strName)) + " " + strWhy;
        return false;
    }

    QString m_strName;
    int m_nKeyLen;
    int m_nSkip;
    int m_fd = -1;
    std::int64_t m_nSize = 0;
    std::vector<char> m_buf;
    std::int64_t m_nBufStart = 0;
    std::int64_t m_nBufLen = 0;
};

CBreachList::CBreachList() = default;
CBreachList::~CBreachList() = default;

bool CBreachList::Open(const QString& strPath, std::string& strError) {
    Close();
    const QFileInfo info(strPath);
    if (info.isDir()) {
        // The downloader's folder: its range files are named by five hex digits, with ".txt" or without.
        QDirIterator it(strPath, QDir::Files);
        while (it.hasNext()) {
            const QString strName = it.next().section(QLatin1Char('/'), -1);
            const QString strStem = strName.endsWith(QLatin1String(".txt")) ? strName.chopped(4) : strName;
            if (strStem.size() == kRangeDigits &&
                std::all_of(strStem.begin(), strStem.end(), [](QChar c) { return IsUpperHex(c.toLatin1()); })) {
                m_bRangeNamesHaveTxt = strStem != strName;
                m_layout = ELayout::rangeFolder;
                m_strPath = strPath;
                return true;
            }
        }
        strError = "the breach list folder " + Utf8(QDir::toNativeSeparators(strPath)) +
                   " holds no range files (named by five hex digits, like 00000.txt)";
        return false;
    }
    auto pFile = std::make_unique<CSortedFile>(strPath, 0);
    if (!pFile->Open(strError) || !pFile->CheckEnds(strError))
        return false;
    m_pFile = std::move(pFile);
    m_layout = ELayout::oneFile;
    m_strPath = strPath;
    return true;
}

void CBreachList::Close() {
    m_pFile.reset();
    m_strRangeName.clear();
    m_layout = ELayout::none;
    m_strPath.clear();
}

bool CBreachList::Lookup(const CHashHex& hash, std::uint64_t& nCount, std::string& strError) {
    nCount = 0;
    if (m_layout == ELayout::rangeFolder) {
        const QString strRange = QString::fromLatin1(hash.data(), kRangeDigits);
        if (strRange != m_strRangeName || m_pFile == nullptr) {
            m_pFile.reset();
            m_strRangeName = strRange;
            const QString strName =
                QDir(m_strPath).filePath(m_bRangeNamesHaveTxt ? strRange + QLatin1String(".txt") : strRange);
            // A range no password of the list falls in may have no file.
            if (!QFileInfo::exists(strName))
                return true;
            auto pFile = std::make_unique<CSortedFile>(strName, kRangeDigits);
            if (!pFile->Open(strError))
                return false;
            m_pFile = std::move(pFile);
        }
        return m_pFile == nullptr || m_pFile->Lookup(hash, nCount, strError);
    }
    if (m_pFile == nullptr) {
        strError = "no breach list is open";
        return false;
    }
    return m_pFile->Lookup(hash, nCount, strError);
}
