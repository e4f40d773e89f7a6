#include "core/platform/SecureMemory.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Keys are zeroed when made; a larger buffer (a clear record stream) is about to be filled whole.
constexpr std::size_t kZeroedLimit = 4096;

unsigned char* Allocate(std::size_t nSize) {
    // libsodium must be ready before its allocator is used; sodium_init is safe to call again.
    if (sodium_init() < 0)
        throw std::bad_alloc();
    // Locked pages are also the quicker for a large stream: they are mapped in one go rather than one
    // page fault at a time.
    auto* p = static_cast<unsigned char*>(sodium_malloc(std::max<std::size_t>(nSize, 1)));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void Free(unsigned char* p) {
    if (p != nullptr)
        sodium_free(p); // which wipes the pages before it gives them back
}

} // namespace

CSecureBytes::CSecureBytes(std::size_t nSize) : m_p(Allocate(nSize)), m_nSize(nSize), m_nCapacity(nSize) {
    if (nSize <= kZeroedLimit)
        sodium_memzero(m_p, std::max<std::size_t>(nSize, 1));
}

CSecureBytes::CSecureBytes(const char* p, std::size_t nSize) : CSecureBytes(nSize) {
    if (nSize > 0)
        std::memcpy(m_p, p, nSize);
}

CSecureBytes::~CSecureBytes() {
    Free(m_p);
}

CSecureBytes::CSecureBytes(CSecureBytes&& other) noexcept
    : m_p(std::exchange(other.m_p, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)),
      m_nCapacity(std::exchange(other.m_nCapacity, 0)) {}

CSecureBytes& CSecureBytes::operator=(CSecureBytes&& other) noexcept {
    if (this != &other) {
        Free(m_p);
        m_p = std::exchange(other.m_p, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
        m_nCapacity = std::exchange(other.m_nCapacity, 0);
    }
    return *this;
}

void CSecureBytes::Shrink(std::size_t nSize) {
    if (nSize >= m_nSize)
        return;
    sodium_memzero(m_p + nSize, m_nSize - nSize);
    m_nSize = nSize;
}

void CSecureBytes::Reserve(std::size_t nCapacity) {
    if (nCapacity <= m_nCapacity)
        return;
    unsigned char* p = Allocate(nCapacity);
    if (m_nSize > 0)
        std::memcpy(p, m_p, m_nSize);
    Free(m_p);
    m_p = p;
    m_nCapacity = nCapacity;
}

void CSecureBytes::Grow(std::size_t nSize) {
    if (nSize <= m_nSize)
        return;
    // Doubling keeps a stream written piece by piece from copying itself once per piece.
    if (nSize > m_nCapacity)
        Reserve(std::max(nSize, m_nCapacity * 2));
    m_nSize = nSize;
}

qint64 CSecureDevice::readData(char* p, qint64 nMax) {
    const qint64 nPos = pos();
    const qint64 n = std::min<qint64>(nMax, static_cast<qint64>(m_bytes.size()) - nPos);
    if (n <= 0)
        return 0;
    std::memcpy(p, m_bytes.data() + nPos, static_cast<std::size_t>(n));
    return n;
}

qint64 CSecureDevice::writeData(const char* p, qint64 n) {
    const auto nPos = static_cast<std::size_t>(pos());
    m_bytes.Grow(nPos + static_cast<std::size_t>(n));
    std::memcpy(m_bytes.data() + nPos, p, static_cast<std::size_t>(n));
    return n;
}
