#include "app/Version.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lockwarden-cli %s\n", LOCKWARDEN_VERSION);
        return 0;
    }
    std::fprintf(stderr, "usage: lockwarden-cli --version\n");
    return 2;
}
