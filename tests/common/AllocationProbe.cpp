#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define LOCKWARDEN_PROBE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOCKWARDEN_PROBE 0
#endif
#endif
#ifndef LOCKWARDEN_PROBE
#define LOCKWARDEN_PROBE 1
#endif

namespace {
std::atomic<bool> g_bWatching{false};
std::atomic<std::size_t> g_nLargest{0};
std::atomic<std::size_t> g_nTotal{0};
} // namespace

namespace AllocationProbe {

bool Available() {
    return LOCKWARDEN_PROBE != 0;
}

CScope::CScope() {
    g_nLargest = 0;
    g_nTotal = 0;
    g_bWatching = true;
}

CScope::~CScope() {
    g_bWatching = false;
}

std::size_t CScope::Largest() const {
    return g_nLargest;
}

std::size_t CScope::Total() const {
    return g_nTotal;
}

} // namespace AllocationProbe

#if LOCKWARDEN_PROBE
namespace {
void* Allocate(std::size_t n) {
    if (g_bWatching.load(std::memory_order_relaxed)) {
        // Noted before the request is served, so even a request that fails is seen.
        g_nTotal.fetch_add(n, std::memory_order_relaxed);
        std::size_t nSeen = g_nLargest.load(std::memory_order_relaxed);
        while (n > nSeen && !g_nLargest.compare_exchange_weak(nSeen, n, std::memory_order_relaxed)) {
        }
    }
    return std::malloc(n == 0 ? 1 : n);
}
} // namespace

void* operator new(std::size_t n) {
    if (void* p = Allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = Allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return Allocate(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return Allocate(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
#endif
