#include "app/Version.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Lockwarden %s\n", LOCKWARDEN_VERSION);
            return 0;
        }
    }
    std::printf("Lockwarden %s\n", LOCKWARDEN_VERSION);
    return 0;
}
