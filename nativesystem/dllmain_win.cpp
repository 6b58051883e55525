#include <windows.h>

#include "common/ansi_text.h"

// The library keeps no per-thread state, so thread notifications are switched
// off. The code page's lead bytes are read once, before any call scans text.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        vel::load_ansi_lead_bytes();
    }
    return TRUE;
}
