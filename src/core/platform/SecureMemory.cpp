#include "core/platform/SecureMemory.h"

#include <sodium.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace {

// Keys are zeroed when made; a larger buffer (a clear record stream) is about to be filled whole.
constexpr std::size_t kZeroedLimit = 4096;

// A clear record stream of a large file goes in pages of its own, asked for as huge pages: in 4 KiB pages
// a stream of 100,000 sites took some 1,500 page faults and, in libsodium's allocator, a fill of every
// byte, together longer than reading the stream.
constexpr std::size_t kLargeFrom = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t PageSize() {
    static const auto nPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return nPage;
}

std::size_t RoundUp(std::size_t n, std::size_t nTo) {
    return (n + nTo - 1) / nTo * nTo;
}

// The large pages' layout: a guard page, the region (whole huge pages), a guard page, with the bytes at the
// region's end so that running past them faults at once, as libsodium's do.
struct CLargeLayout {
    explicit CLargeLayout(std::size_t nSize) : nRegion(RoundUp(nSize, kHugePage)) {}
    std::size_t nRegion;
    std::size_t Mapped() const { return nRegion + 2 * PageSize(); }
};

unsigned char* AllocateLarge(std::size_t nSize) {
    const CLargeLayout layout(nSize);
    // Room to put the region on a huge page's boundary.
    const std::size_t nReserve = layout.Mapped() + kHugePage;
    auto* pReserved =
        static_cast<unsigned char*>(::mmap(nullptr, nReserve, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (pReserved == MAP_FAILED)
        throw std::bad_alloc();
    const auto nAt = reinterpret_cast<std::uintptr_t>(pReserved) + PageSize();
    auto* pRegion = reinterpret_cast<unsigned char*>(RoundUp(nAt, kHugePage));
    unsigned char* pStart = pRegion - PageSize();
    unsigned char* pEnd = pStart + layout.Mapped();
    if (pStart > pReserved)
        ::munmap(pReserved, static_cast<std::size_t>(pStart - pReserved));
    if (pEnd < pReserved + nReserve)
        ::munmap(pEnd, static_cast<std::size_t>(pReserved + nReserve - pEnd));
    if (::mprotect(pRegion, layout.nRegion, PROT_READ | PROT_WRITE) != 0) {
        ::munmap(pStart, layout.Mapped());
        throw std::bad_alloc();
    }
    ::madvise(pRegion, layout.nRegion, MADV_HUGEPAGE);
    ::madvise(pRegion, layout.nRegion, MADV_DONTDUMP);
    unsigned char* p = pRegion + layout.nRegion - nSize;
    // Kept out of swap as libsodium keeps its pages; under a small locking limit at least the bytes used.
    if (::mlock(pRegion, layout.nRegion) != 0) {
        auto* pFirstPage =
            reinterpret_cast<unsigned char*>(reinterpret_cast<std::uintptr_t>(p) / PageSize() * PageSize());
        ::mlock(pFirstPage, static_cast<std::size_t>(pRegion + layout.nRegion - pFirstPage));
    }
    return p;
}

void FreeLarge(unsigned char* p, std::size_t nSize) {
    const CLargeLayout layout(nSize);
    unsigned char* pRegion = p + nSize - layout.nRegion;
    sodium_memzero(p, nSize);
    ::munlock(pRegion, layout.nRegion);
    ::munmap(pRegion - PageSize(), layout.Mapped());
}

unsigned char* Allocate(std::size_t nSize) {
    // libsodium must be ready before its allocator is used; sodium_init is safe to call again.
    if (sodium_init() < 0)
        throw std::bad_alloc();
    if (nSize >= kLargeFrom)
        return AllocateLarge(nSize);
    auto* p = static_cast<unsigned char*>(sodium_malloc(std::max<std::size_t>(nSize, 1)));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

// nCapacity is what was asked of Allocate.
void Free(unsigned char* p, std::size_t nCapacity) {
    if (p == nullptr)
        return;
    if (nCapacity >= kLargeFrom)
        FreeLarge(p, nCapacity);
    else
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
    Free(m_p, m_nCapacity);
}

CSecureBytes::CSecureBytes(CSecureBytes&& other) noexcept
    : m_p(std::exchange(other.m_p, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)),
      m_nCapacity(std::exchange(other.m_nCapacity, 0)) {}

CSecureBytes& CSecureBytes::operator=(CSecureBytes&& other) noexcept {
    if (this != &other) {
        Free(m_p, m_nCapacity);
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
    Free(m_p, m_nCapacity);
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
