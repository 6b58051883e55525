// A Java runtime that dies at once: an access violation, with the system's
// crash dialog switched off as a real runtime does, so the process simply ends
// with the exception code as its exit code.
#include <windows.h>

int main() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
