// Loads the DLL named on the command line and exits with 0, or with the
// loader's error code when it cannot be loaded.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module) {
        DWORD code = GetLastError();
        std::printf("LoadLibraryA failed: %lu\n", code);
        return static_cast<int>(code);
    }
    FreeLibrary(module);
    return 0;
}
