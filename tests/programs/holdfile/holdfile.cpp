// Holds a file open without sharing, so that no other program can read it:
// the copy that fails halfway. Prints "held" once the file is open, and lets
// go after the given seconds or when the file named third appears.
//   holdfile <file> <seconds> [stop file]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/unique_resource.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    vel::unique_file held(CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!held) {
        std::printf("failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[2])) * 1000;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        if (argc > 3 && GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    return 0;
}
