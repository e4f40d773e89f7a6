#include "core/platform/SecureMemory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A clear record stream of a large file: big enough for the buffer's pages of its own.
constexpr std::size_t kLarge = 6200000;

// The address sanitizer turns mlock into a call that does nothing.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLockingWorks = false;
#else
constexpr bool kLockingWorks = true;
#endif

std::size_t PageSize() {
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// The VmFlags line of the mapping that holds p, from /proc/self/smaps; empty when none does.
std::string FlagsOfMappingAt(const void* p) {
    const auto nAt = reinterpret_cast<std::uintptr_t>(p);
    std::ifstream smaps("/proc/self/smaps");
    bool bInside = false;
    for (std::string strLine; std::getline(smaps, strLine);) {
        std::uintptr_t nFrom = 0, nTo = 0;
        char cDash = 0;
        std::istringstream range(strLine);
        if (range >> std::hex >> nFrom >> cDash >> nTo && cDash == '-' && strLine.find(':') > strLine.find(' ')) {
            bInside = nFrom <= nAt && nAt < nTo;
            continue;
        }
        if (bInside && strLine.rfind("VmFlags:", 0) == 0)
            return strLine;
    }
    return {};
}

// Whether the page that holds p is mapped at all.
bool IsMapped(const void* p) {
    const auto nPage = reinterpret_cast<std::uintptr_t>(p) / PageSize() * PageSize();
    unsigned char c = 0;
    return ::mincore(reinterpret_cast<void*>(nPage), 1, &c) == 0 || errno != ENOMEM;
}

std::string Pattern(std::size_t n) {
    std::string str(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        str[i] = static_cast<char>('A' + (i * 7 + i / 4096) % 61);
    return str;
}

} // namespace

// Small and large, grown across the size where a buffer gets pages of its own, moved: the bytes written
// are the bytes read, and a shrink keeps the head.
TEST(SecureBytes, KeepsItsBytesWhateverItsSize) {
    const std::string strBytes = Pattern(kLarge);
    for (const std::size_t n : {std::size_t{1}, std::size_t{4096}, std::size_t{(1 << 20) - 1}, kLarge}) {
        CSecureBytes bytes(strBytes.data(), n);
        ASSERT_EQ(bytes.view(), std::string_view(strBytes).substr(0, n)) << n;
        bytes.Grow(n + (1 << 20));
        std::memcpy(bytes.data() + n, strBytes.data(), 1 << 20);
        CSecureBytes moved(std::move(bytes));
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(moved.view().substr(0, n), std::string_view(strBytes).substr(0, n)) << n;
        EXPECT_EQ(moved.view().substr(n), std::string_view(strBytes).substr(0, 1 << 20)) << n;
        moved.Shrink(n / 2);
        EXPECT_EQ(moved.view(), std::string_view(strBytes).substr(0, n / 2)) << n;
    }
}

// A large buffer's pages stay out of core dumps and, where the process may lock memory, out of swap; and
// once freed they are given back, guard pages and all.
TEST(SecureBytes, ALargeBuffersPagesAreKeptFromDumpsAndSwapAndGivenBack) {
    const unsigned char* pFirst = nullptr;
    const unsigned char* pLast = nullptr;
    {
        CSecureBytes bytes(kLarge);
        std::memset(bytes.data(), 0x5a, bytes.size());
        pFirst = bytes.data();
        pLast = bytes.data() + bytes.size() - 1;
        for (const unsigned char* p : {pFirst, pLast}) {
            const std::string strFlags = FlagsOfMappingAt(p);
            EXPECT_NE(strFlags.find(" dd"), std::string::npos) << strFlags;
            if (kLockingWorks && ::geteuid() == 0) { // allowed to lock any amount
                EXPECT_NE(strFlags.find(" lo"), std::string::npos) << strFlags;
            }
        }
        // The page past the last byte is a guard: mapped, neither readable nor writable.
        const std::string strGuard = FlagsOfMappingAt(pLast + 1);
        ASSERT_FALSE(strGuard.empty());
        EXPECT_EQ(strGuard.find(" rd"), std::string::npos) << strGuard;
        EXPECT_EQ(strGuard.find(" wr"), std::string::npos) << strGuard;
    }
    EXPECT_FALSE(IsMapped(pFirst));
    EXPECT_FALSE(IsMapped(pLast));
    EXPECT_FALSE(IsMapped(pLast + 1));
}

TEST(SecureBytesDeathTest, WritingPastALargeBufferFaultsAtOnce) {
    EXPECT_DEATH(
        {
            CSecureBytes bytes(kLarge);
            volatile unsigned char* p = bytes.data();
            p[kLarge] = 1;
        },
        "");
}
