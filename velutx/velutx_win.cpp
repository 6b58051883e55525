#include <windows.h>

// Every export of this library forwards to kernel32 (see exports.txt), so the
// last-error code a caller reads is the one of its own preceding call.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
