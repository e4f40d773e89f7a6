#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

class QIODevice;

// An archive failure. The cause decides which message the user sees.
class CArchiveException : public std::exception {
public:
    enum Cause {
        generic,   // a tag or string form this layout does not use
        endOfFile, // the stream ended inside an item
        badClass,  // a class name other than the one registered
        badSchema, // the registered class with another schema
        badIndex,  // a reference to a class that was never described
        writeError // the device refused bytes
    };
    explicit CArchiveException(Cause cause) : m_cause(cause) {}
    const char* what() const noexcept override;
    Cause m_cause;
};

// A sequential byte stream in the archive's layout: little-endian integers, length-prefixed strings and
// the object tags of one registered class. A loading archive reads its device through a buffer of the
// given size; a storing archive collects bytes and hands them to the device when the buffer fills and
// on Flush. Lengths and counts read from the stream are checked against what the device still holds
// before anything is allocated, so a damaged file cannot make the reader reserve memory it never fills.
class CArchive {
public:
    enum Mode { load, store };
    static constexpr int kDefaultBufferSize = 4096;

    CArchive(QIODevice* pDevice, Mode nMode, int nBufferSize = kDefaultBufferSize);
    // A loading archive over bytes already in memory (a mapped file): it reads them where they are,
    // copying nothing but the strings it returns. The bytes must outlive the archive.
    CArchive(const char* pBytes, std::size_t nBytes);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_nMode == load; }
    bool IsStoring() const { return m_nMode == store; }

    // Storing.
    void WriteByte(std::uint8_t n);
    void WriteWord(std::uint16_t n);
    void WriteDWord(std::uint32_t n);
    void WriteBytes(const char* p, std::size_t n);
    void WriteString(std::string_view str);
    // The tag of the next object of the one registered class: its description the first time, a reference after.
    void WriteClassTag(std::string_view strClassName, std::uint16_t nSchema);
    void Flush();

    // Loading.
    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDWord();
    std::string ReadString();
    // Reads one string onto the end of str: many strings can share one buffer.
    void AppendString(std::string& str);
    // Reads past one string without keeping it; fails where ReadString would.
    void SkipString();
    // Reads an object tag and checks it names the registered class with its schema.
    void ReadClassTag(std::string_view strClassName, std::uint16_t nSchema);
    // Bytes still to be read, or -1 when the device cannot say (a pipe).
    std::int64_t BytesLeft() const;

private:
    void Fill(std::size_t nWanted);
    void ReadRaw(char* p, std::size_t n);
    std::uint32_t ReadStringLength(bool& bUnicode);
    void ReadLong(std::string& str, std::size_t n);
    void CheckAvailable(std::uint64_t n) const;

    QIODevice* m_pDevice; // null for an archive over memory
    Mode m_nMode;
    std::size_t m_nBufferSize;
    std::string m_buffer;          // storing: bytes not yet written; loading from a device: bytes read ahead
    const char* m_pData = nullptr; // loading: the bytes at hand, m_buffer's or the memory's
    std::size_t m_nSize = 0;       // loading: how many there are
    std::size_t m_nPos = 0;        // loading: next unread byte of m_pData
    int m_nClasses = 0;            // loading: classes described so far; storing: 1 once the class was described
};
