// The constant-time drivers' input: the one file named on the command line.
#pragma once

#include <cstdio>

// The file opened for reading, or null after saying why (usage or the
// system's error) on stderr.
inline std::FILE* OpenDriverInput(int argc, char** argv, const char* what)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s %s\n", argv[0], what);
        return nullptr;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr)
        std::perror(argv[1]);
    return f;
}
