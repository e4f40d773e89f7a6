#include "cli/CliCommands.h"

#include <malloc.h>
#include <sys/resource.h>

int main(int argc, char** argv) {
    // A core dump would hold the file password and every record in clear text.
    const struct rlimit noCore { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &noCore);
    // One short run: large blocks come from the heap and stay there, so memory freed by one step is
    // reused by the next instead of being mapped afresh, page by page.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 30);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::mallopt(M_TOP_PAD, 16 << 20);
    return RunCli(argc, argv, stdin, stdout, stderr);
}
