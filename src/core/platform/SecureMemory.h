#pragma once

#include <QIODevice>

#include <cstddef>
#include <string>
#include <string_view>

// Bytes that must not reach swap or a core dump and must not outlive their use: held in libsodium's
// locked, guarded pages and wiped when freed. Keys, a sealed file's password and the clear record
// stream of a sealed file live here.
class CSecureBytes {
public:
    CSecureBytes() = default;
    // nSize bytes, zeroed up to a page; a larger buffer is the caller's to fill.
    explicit CSecureBytes(std::size_t nSize);
    CSecureBytes(const char* p, std::size_t nSize);
    ~CSecureBytes();
    CSecureBytes(const CSecureBytes&) = delete;
    CSecureBytes& operator=(const CSecureBytes&) = delete;
    CSecureBytes(CSecureBytes&& other) noexcept;
    CSecureBytes& operator=(CSecureBytes&& other) noexcept;

    unsigned char* data() { return m_p; }
    const unsigned char* data() const { return m_p; }
    std::size_t size() const { return m_nSize; }
    bool empty() const { return m_nSize == 0; }
    std::string_view view() const { return {reinterpret_cast<const char*>(m_p), m_nSize}; }
    // Keeps the first nSize bytes (nSize no more than size()); the rest is wiped.
    void Shrink(std::size_t nSize);
    // Makes room for nSize bytes, keeping what is there (the new ones are the caller's to fill); the old
    // pages are wiped as they are freed.
    void Grow(std::size_t nSize);
    // Makes room for nCapacity bytes without using them, so that a stream of a known size is written
    // into one allocation: locked pages are costly to map, lock and wipe.
    void Reserve(std::size_t nCapacity);
    std::size_t capacity() const { return m_nCapacity; }

private:
    unsigned char* m_p = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};

// A device over secure bytes: an archive reads a clear record stream from it, or writes one into it,
// without the stream ever passing through memory that is freed unwiped.
class CSecureDevice : public QIODevice {
public:
    explicit CSecureDevice(CSecureBytes& bytes) : m_bytes(bytes) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return static_cast<qint64>(m_bytes.size()); }

protected:
    qint64 readData(char* p, qint64 nMax) override;
    qint64 writeData(const char* p, qint64 n) override;

private:
    CSecureBytes& m_bytes;
};
