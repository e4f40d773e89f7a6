#include "core/platform/MemoryPages.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The mappings a bus error may hit; the signal handler reads them, so they are plain atomics.
struct CGuardedRange {
    std::atomic<std::uintptr_t> nBegin{0};
    std::atomic<std::uintptr_t> nEnd{0};
    std::atomic<bool> bCut{false};
};
constexpr int kSlots = 8;
CGuardedRange g_ranges[kSlots];
std::atomic<bool> g_bSlotTaken[kSlots];
std::uintptr_t g_nPageSize = 4096;
struct sigaction g_previous {};
std::once_flag g_installed;
bool g_bHandlerInstalled = false;

void OnBusError(int nSignal, siginfo_t* pInfo, void* pContext) {
    const auto nAddress = reinterpret_cast<std::uintptr_t>(pInfo->si_addr);
    for (CGuardedRange& range : g_ranges) {
        if (nAddress < range.nBegin.load() || nAddress >= range.nEnd.load())
            continue;
        // The page the file no longer has reads as zeros; the faulting read then runs again and succeeds.
        void* pPage = reinterpret_cast<void*>(nAddress & ~(g_nPageSize - 1));
        if (::mmap(pPage, g_nPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            range.bCut.store(true);
            return;
        }
        break;
    }
    // Not a mapping of ours: the fault is met as it would have been without this handler.
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(nSignal, pInfo, pContext);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(nSignal);
        return;
    }
    ::sigaction(SIGBUS, &g_previous, nullptr);
    if (pInfo->si_code <= 0) // sent, not a fault that happens again on return
        ::raise(nSignal);
}

void InstallHandler() {
    g_nPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    g_bHandlerInstalled = ::sigaction(SIGBUS, &action, &g_previous) == 0;
}

} // namespace

void PrefaultMemory(void* p, std::size_t n) {
    static const auto nPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto nStart = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t nFirst = (nStart + nPageSize - 1) & ~(nPageSize - 1);
    const std::uintptr_t nEnd = (nStart + n) & ~(nPageSize - 1);
    if (nEnd > nFirst)
        (void)::madvise(reinterpret_cast<void*>(nFirst), nEnd - nFirst, MADV_POPULATE_WRITE);
}

CMappedFile::~CMappedFile() {
    Unmap();
}

bool CMappedFile::Map(int fd) {
    Unmap();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode)) {
        errno = ENODEV;
        return false;
    }
    if (st.st_size == 0)
        return true;
    std::call_once(g_installed, InstallHandler);
    int nSlot = 0;
    for (; nSlot < kSlots; ++nSlot) {
        bool bFree = false;
        if (g_bSlotTaken[nSlot].compare_exchange_strong(bFree, true))
            break;
    }
    if (!g_bHandlerInstalled || nSlot == kSlots) {
        if (nSlot < kSlots)
            g_bSlotTaken[nSlot].store(false);
        errno = EBUSY;
        return false;
    }
    const auto nSize = static_cast<std::size_t>(st.st_size);
    // Populated at once: one call maps every page the system holds, rather than one fault per page.
    void* p = ::mmap(nullptr, nSize, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (p == MAP_FAILED) {
        g_bSlotTaken[nSlot].store(false);
        return false;
    }
    m_pData = static_cast<char*>(p);
    m_nSize = nSize;
    m_nSlot = nSlot;
    CGuardedRange& range = g_ranges[nSlot];
    range.bCut.store(false);
    range.nBegin.store(reinterpret_cast<std::uintptr_t>(p));
    range.nEnd.store(reinterpret_cast<std::uintptr_t>(p) + nSize);
    return true;
}

bool CMappedFile::WasCut() const {
    return m_nSlot >= 0 && g_ranges[m_nSlot].bCut.load();
}

void CMappedFile::Unmap() {
    if (m_nSlot >= 0) {
        CGuardedRange& range = g_ranges[m_nSlot];
        range.nEnd.store(0);
        range.nBegin.store(0);
        g_bSlotTaken[m_nSlot].store(false);
        m_nSlot = -1;
    }
    if (m_pData != nullptr)
        ::munmap(m_pData, m_nSize);
    m_pData = nullptr;
    m_nSize = 0;
}
