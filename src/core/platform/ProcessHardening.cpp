#include "core/platform/ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

bool HardenProcess() {
    const struct rlimit none = {0, 0};
    const bool bNoCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
    // Not dumpable also makes /proc/PID/mem and ptrace refuse other processes of this user.
    const bool bNotDumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return bNoCore && bNotDumpable;
}
