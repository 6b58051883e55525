// Entry point of setup.exe: the program path and the command-line tail, unsplit.
#include <windows.h>

#include <string>

#include "common/ansi_text.h"
#include "launcher/main_flow.h"

namespace {

// The longest program path the run takes.
constexpr std::size_t kMaxProgramPathLength = 1023;
// SetDefaultDllDirectories' flag, missing from the Windows XP headers.
constexpr DWORD kSearchSystem32 = 0x00000800;

// setup.exe runs elevated from a download folder: the system components it
// uses (message boxes, themes, the console) load DLLs that are no KnownDLLs,
// which the loader would look for in the program's directory first. Both
// functions are looked up: the first came with Windows 8 (and an update of
// Vista and 7), the second with Windows XP SP1.
void restrict_dll_search() {
    const HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (!kernel) return;
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    using SetDirectory = BOOL(WINAPI*)(LPCWSTR);
    if (FARPROC found = GetProcAddress(kernel, "SetDefaultDllDirectories")) {
        reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(found))(kSearchSystem32);
    }
    // An empty directory also drops the current directory from the search.
    if (FARPROC found = GetProcAddress(kernel, "SetDllDirectoryW")) {
        reinterpret_cast<SetDirectory>(reinterpret_cast<void*>(found))(L"");
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    restrict_dll_search();
    // Every path scan of the run reads the code page's double-byte characters whole.
    vel::load_ansi_lead_bytes();
    // Without a path the catalogue cannot be found, and the run ends there.
    const vel::AnsiProgramPath program = vel::program_path_in_ansi(kMaxProgramPathLength);
    return launcher::launcher_main(program.path, command_line ? command_line : "");
}
