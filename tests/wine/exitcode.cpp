// Test-bed helper: runs a command line, waits for it and prints its full
// 32-bit exit code on the last line of standard output ("exit code N"),
// since a Linux process status keeps only the low eight bits.
// The command line is taken from the environment variable VEL_RUN_COMMAND
// exactly as it stands (Wine re-quotes the arguments of its own command line);
// without it, the rest of this program's command line is run. With
// VEL_EXIT_FILE the exit code is also written to that file, where no child
// sharing the console can break it up.
#include <windows.h>

#include "command_tail.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main() {
    // Read as Unicode: a command in a double-byte code page comes back cut
    // short from GetEnvironmentVariableA under Wine.
    std::vector<wchar_t> from_environment(32768);
    const DWORD length = GetEnvironmentVariableW(L"VEL_RUN_COMMAND", from_environment.data(),
                                                 static_cast<DWORD>(from_environment.size()));
    const bool from_variable = length > 0 && length < from_environment.size();
    std::string tail(own_command_tail());
    if (from_variable) SetEnvironmentVariableW(L"VEL_RUN_COMMAND", nullptr);
    std::vector<wchar_t> exit_file(MAX_PATH);
    const DWORD exit_file_length =
        GetEnvironmentVariableW(L"VEL_EXIT_FILE", exit_file.data(), static_cast<DWORD>(exit_file.size()));
    if (exit_file_length >= exit_file.size()) exit_file[0] = L'\0';
    SetEnvironmentVariableW(L"VEL_EXIT_FILE", nullptr);
    if (!from_variable && tail.empty()) {
        std::fprintf(stderr, "usage: exitcode <program> [arguments...], or VEL_RUN_COMMAND\n");
        return 2;
    }
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    if (from_variable) {
        STARTUPINFOW start{};
        start.cb = sizeof start;
        started = CreateProcessW(nullptr, from_environment.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                                 &process);
    } else {
        STARTUPINFOA start{};
        start.cb = sizeof start;
        started = CreateProcessA(nullptr, tail.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    }
    if (!started) {
        std::printf("exit code failed-to-start %lu\n", GetLastError());
        return 3;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (exit_file_length > 0 && exit_file[0] != L'\0') {
        if (FILE* file = _wfopen(exit_file.data(), L"w")) {
            std::fprintf(file, "%lu\n", code);
            std::fclose(file);
        }
    }
    std::printf("\nexit code %lu\n", code);
    std::fflush(stdout);
    return 0;
}
