#include "cli/CliCommands.h"
#include "core/platform/ProcessHardening.h"

#include <malloc.h>

int main(int argc, char** argv) {
    // Before anything is read: the file password and every record will be in this memory.
    HardenProcess();
    // One short run: large blocks come from the heap and stay there, so memory freed by one step is
    // reused by the next instead of being mapped afresh, page by page.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 30);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::mallopt(M_TOP_PAD, 16 << 20);
    return RunCli(argc, argv, stdin, stdout, stderr);
}
