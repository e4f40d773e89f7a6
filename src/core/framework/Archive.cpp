#include "core/framework/Archive.h"

#include "core/platform/SecureWipe.h"

#include <QIODevice>
#include <QString>

#include <sodium.h>

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTagBit = 0x8000;
constexpr std::uint16_t kUnicodeMarker = 0xFFFE;
constexpr std::uint16_t kMaxClassNameLength = 63;
} // namespace

const char* CArchiveException::what() const noexcept {
    switch (m_cause) {
    case endOfFile:
        return "archive: unexpected end of file";
    case badClass:
        return "archive: unknown class";
    case badSchema:
        return "archive: unknown schema";
    case badIndex:
        return "archive: bad class index";
    case writeError:
        return "archive: write error";
    case generic:
        break;
    }
    return "archive: unexpected format";
}

CArchive::CArchive(QIODevice* pDevice, Mode nMode, int nBufferSize)
    : m_pDevice(pDevice), m_nMode(nMode), m_nBufferSize(static_cast<std::size_t>(std::max(nBufferSize, 16))) {
    if (m_nMode == store)
        m_buffer.reserve(m_nBufferSize);
}

CArchive::CArchive(const char* pBytes, std::size_t nBytes)
    : m_pDevice(nullptr), m_nMode(load), m_nBufferSize(nBytes), m_pData(pBytes), m_nSize(nBytes) {}

CArchive::~CArchive() {
    // A storing archive that was not flushed loses nothing silently: callers flush to learn of errors,
    // and a destructor must not throw.
    if (m_nMode == store && !m_buffer.empty() && m_pDevice != nullptr)
        m_pDevice->write(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
    // The buffer may have held a sealed file's clear records: wiped, all of it, before it is freed.
    m_buffer.resize(m_buffer.capacity());
    sodium_memzero(m_buffer.data(), m_buffer.size());
}

// ---- storing ----

void CArchive::WriteBytes(const char* p, std::size_t n) {
    // A block larger than the buffer goes to the device at once rather than through the buffer.
    if (n >= m_nBufferSize) {
        Flush();
        if (m_pDevice->write(p, static_cast<qint64>(n)) != static_cast<qint64>(n))
            throw CArchiveException(CArchiveException::writeError);
        return;
    }
    m_buffer.append(p, n);
    if (m_buffer.size() >= m_nBufferSize)
        Flush();
}

void CArchive::WriteByte(std::uint8_t n) {
    m_buffer.push_back(static_cast<char>(n));
    if (m_buffer.size() >= m_nBufferSize)
        Flush();
}

void CArchive::WriteWord(std::uint16_t n) {
    const char b[2] = {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)};
    WriteBytes(b, 2);
}

void CArchive::WriteDWord(std::uint32_t n) {
    const char b[4] = {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                       static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
    WriteBytes(b, 4);
}

void CArchive::WriteString(std::string_view str) {
    const std::size_t n = str.size();
    if (n < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<std::uint16_t>(n));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDWord(static_cast<std::uint32_t>(n));
    }
    WriteBytes(str.data(), n);
}

void CArchive::WriteClassTag(std::string_view strClassName, std::uint16_t nSchema) {
    if (m_nClasses == 0) {
        WriteWord(kNewClassTag);
        WriteWord(nSchema);
        WriteWord(static_cast<std::uint16_t>(strClassName.size()));
        WriteBytes(strClassName.data(), strClassName.size());
        m_nClasses = 1;
    } else {
        WriteWord(static_cast<std::uint16_t>(kClassTagBit | 1));
    }
}

void CArchive::Flush() {
    if (m_nMode != store || m_buffer.empty())
        return;
    const qint64 nWritten = m_pDevice->write(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
    const bool bOk = nWritten == static_cast<qint64>(m_buffer.size());
    WipeMemory(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    if (!bOk)
        throw CArchiveException(CArchiveException::writeError);
}

// ---- loading ----

std::int64_t CArchive::BytesLeft() const {
    const std::int64_t nBuffered = static_cast<std::int64_t>(m_nSize - m_nPos);
    if (m_pDevice == nullptr)
        return nBuffered;
    if (m_pDevice->isSequential())
        return -1;
    return nBuffered + (m_pDevice->size() - m_pDevice->pos());
}

void CArchive::CheckAvailable(std::uint64_t n) const {
    const std::int64_t nLeft = BytesLeft();
    if (nLeft >= 0 && n > static_cast<std::uint64_t>(nLeft))
        throw CArchiveException(CArchiveException::endOfFile);
}

// Makes at least nWanted bytes (or all that is left) available after m_nPos.
void CArchive::Fill(std::size_t nWanted) {
    if (m_pDevice == nullptr) // memory holds all there is
        return;
    if (m_nPos > 0) {
        m_buffer.erase(0, m_nPos);
        m_nPos = 0;
    }
    while (m_buffer.size() < nWanted) {
        const std::size_t nOld = m_buffer.size();
        const std::size_t nChunk = std::max(m_nBufferSize, nWanted - nOld);
        m_buffer.resize(nOld + nChunk);
        const qint64 nRead = m_pDevice->read(m_buffer.data() + nOld, static_cast<qint64>(nChunk));
        m_buffer.resize(nOld + static_cast<std::size_t>(std::max<qint64>(nRead, 0)));
        if (nRead <= 0)
            break;
    }
    m_pData = m_buffer.data();
    m_nSize = m_buffer.size();
}

void CArchive::ReadRaw(char* p, std::size_t n) {
    if (m_nSize - m_nPos < n) {
        Fill(n);
        if (m_nSize - m_nPos < n)
            throw CArchiveException(CArchiveException::endOfFile);
    }
    std::memcpy(p, m_pData + m_nPos, n);
    m_nPos += n;
}

std::uint8_t CArchive::ReadByte() {
    if (m_nPos < m_nSize) // the usual case: already read ahead
        return static_cast<std::uint8_t>(m_pData[m_nPos++]);
    char b;
    ReadRaw(&b, 1);
    return static_cast<std::uint8_t>(b);
}

std::uint16_t CArchive::ReadWord() {
    unsigned char b[2];
    if (m_nSize - m_nPos >= 2) { // the usual case: already read ahead
        std::memcpy(b, m_pData + m_nPos, 2);
        m_nPos += 2;
    } else {
        ReadRaw(reinterpret_cast<char*>(b), 2);
    }
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t CArchive::ReadDWord() {
    unsigned char b[4];
    if (m_nSize - m_nPos >= 4) {
        std::memcpy(b, m_pData + m_nPos, 4);
        m_nPos += 4;
    } else {
        ReadRaw(reinterpret_cast<char*>(b), 4);
    }
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// The length forms: one byte, 0xFF + word, 0xFF 0xFFFF + dword. The word 0xFFFE marks a string
// stored in 16-bit characters, whose length follows in the same forms.
std::uint32_t CArchive::ReadStringLength(bool& bUnicode) {
    bUnicode = false;
    const std::uint8_t b = ReadByte();
    if (b < 0xFF)
        return b;
    const std::uint16_t w = ReadWord();
    if (w == kUnicodeMarker) {
        bUnicode = true;
        return 0;
    }
    if (w < 0xFFFF)
        return w;
    return ReadDWord();
}

std::string CArchive::ReadString() {
    std::string str;
    AppendString(str);
    return str;
}

void CArchive::AppendString(std::string& str) {
    bool bUnicode = false;
    std::uint32_t n = ReadStringLength(bUnicode);
    if (bUnicode) {
        n = ReadStringLength(bUnicode);
        if (bUnicode) // the marker twice has no meaning
            throw CArchiveException(CArchiveException::generic);
        CheckAvailable(std::uint64_t{n} * 2);
        std::string raw;
        ReadLong(raw, std::size_t{n} * 2);
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.data()), static_cast<qsizetype>(n));
        const QByteArray utf8 = text.toUtf8();
        str.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        return;
    }
    if (m_nSize - m_nPos >= n) {
        str.append(m_pData + m_nPos, n);
        m_nPos += n;
        return;
    }
    CheckAvailable(n);
    ReadLong(str, n);
}

void CArchive::SkipString() {
    bool bUnicode = false;
    std::uint64_t n = ReadStringLength(bUnicode);
    if (bUnicode) {
        n = std::uint64_t{ReadStringLength(bUnicode)} * 2;
        if (bUnicode)
            throw CArchiveException(CArchiveException::generic);
    }
    if (m_nSize - m_nPos >= n) {
        m_nPos += static_cast<std::size_t>(n);
        return;
    }
    CheckAvailable(n);
    n -= m_nSize - m_nPos;
    m_nPos = m_nSize;
    while (n > 0) {
        Fill(static_cast<std::size_t>(std::min<std::uint64_t>(n, m_nBufferSize)));
        const std::size_t nStep = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_nSize - m_nPos));
        if (nStep == 0)
            throw CArchiveException(CArchiveException::endOfFile);
        m_nPos += nStep;
        n -= nStep;
    }
}

// Takes what the buffer holds, then reads the rest straight from the device onto the string, so a long
// string is never held twice. A device that knows its size had the length checked already; from a pipe
// the string grows with what actually arrives, never with the length the stream claims.
void CArchive::ReadLong(std::string& str, std::size_t n) {
    const std::size_t nBuffered = std::min(n, m_nSize - m_nPos);
    const std::size_t nEnd = str.size() + n;
    str.append(m_pData + m_nPos, nBuffered);
    m_nPos += nBuffered;
    const bool bSizeKnown = BytesLeft() >= 0;
    if (str.size() < nEnd && m_pDevice == nullptr)
        throw CArchiveException(CArchiveException::endOfFile);
    while (str.size() < nEnd) {
        const std::size_t nOld = str.size();
        std::size_t nStep = nEnd - nOld;
        if (!bSizeKnown) {
            // Fill the room the string has before asking for more, then ask for no more than it holds.
            const std::size_t nRoom = str.capacity() > nOld ? str.capacity() - nOld : std::max(m_nBufferSize, nOld);
            nStep = std::min(nStep, nRoom);
        }
        str.resize(nOld + nStep);
        const qint64 nRead = m_pDevice->read(str.data() + nOld, static_cast<qint64>(nStep));
        str.resize(nOld + static_cast<std::size_t>(std::max<qint64>(nRead, 0)));
        if (nRead <= 0)
            throw CArchiveException(CArchiveException::endOfFile);
    }
}

void CArchive::ReadClassTag(std::string_view strClassName, std::uint16_t nSchema) {
    const std::uint16_t nTag = ReadWord();
    if (nTag == kNewClassTag) {
        const std::uint16_t nReadSchema = ReadWord();
        const std::uint16_t nLen = ReadWord();
        if (nLen > kMaxClassNameLength)
            throw CArchiveException(CArchiveException::generic);
        char name[kMaxClassNameLength];
        ReadRaw(name, nLen);
        if (std::string_view(name, nLen) != strClassName)
            throw CArchiveException(CArchiveException::badClass);
        if (nReadSchema != nSchema)
            throw CArchiveException(CArchiveException::badSchema);
        ++m_nClasses;
        return;
    }
    if ((nTag & kClassTagBit) == 0) // a null object, a back-reference to an object, the long-tag form
        throw CArchiveException(CArchiveException::generic);
    const int nIndex = nTag & ~kClassTagBit;
    if (nIndex < 1 || nIndex > m_nClasses)
        throw CArchiveException(CArchiveException::badIndex);
}
