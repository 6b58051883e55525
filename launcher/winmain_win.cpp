// Entry point of setup.exe: the program path and the command-line tail, unsplit.
#include <windows.h>

#include <string>

#include "common/ansi_text.h"
#include "launcher/main_flow.h"

namespace {

// GetModuleFileNameA may fill at most this many characters of the path.
constexpr DWORD kMaxProgramPathLength = 1024;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    // Every path scan of the run reads the code page's double-byte characters whole.
    vel::load_ansi_lead_bytes();
    std::string program_path(kMaxProgramPathLength + 1, '\0');
    DWORD length = GetModuleFileNameA(nullptr, program_path.data(), kMaxProgramPathLength);
    program_path.resize(length <= kMaxProgramPathLength ? length : 0);
    return launcher::launcher_main(program_path, command_line ? command_line : "");
}
