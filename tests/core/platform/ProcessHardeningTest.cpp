#include "core/platform/ProcessHardening.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Run in a child, so the test executable itself stays debuggable: its exit status says what held.
TEST(ProcessHardening, NoCoreFileAndNotDumpable) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const struct rlimit any = {RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_CORE, &any);
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
        const bool bOk = HardenProcess();
        struct rlimit core {};
        ::getrlimit(RLIMIT_CORE, &core);
        const int nStatus = (bOk ? 0 : 1) | (core.rlim_cur == 0 && core.rlim_max == 0 ? 0 : 2) |
                            (::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 ? 0 : 4);
        ::_exit(nStatus);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0) << "1: refused, 2: core file allowed, 4: still dumpable";
}

} // namespace
