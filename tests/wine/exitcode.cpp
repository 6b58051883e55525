// Test-bed helper: runs a command line, waits for it and prints its full
// 32-bit exit code on the last line of standard output ("exit code N"),
// since a Linux process status keeps only the low eight bits.
// The command line is taken from the environment variable VEL_RUN_COMMAND
// exactly as it stands (Wine re-quotes the arguments of its own command line);
// without it, the rest of this program's command line is run.
#include <windows.h>

#include "command_tail.h"

#include <cstdio>
#include <cstring>
#include <string>

int main() {
    char from_environment[32768];
    DWORD length = GetEnvironmentVariableA("VEL_RUN_COMMAND", from_environment, sizeof from_environment);
    const char* line = own_command_tail();
    if (length > 0 && length < sizeof from_environment) {
        line = from_environment;
        SetEnvironmentVariableA("VEL_RUN_COMMAND", nullptr);
    }
    if (!*line) {
        std::fprintf(stderr, "usage: exitcode <program> [arguments...], or VEL_RUN_COMMAND\n");
        return 2;
    }
    std::string command(line);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
        std::printf("exit code failed-to-start %lu\n", GetLastError());
        return 3;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    std::printf("\nexit code %lu\n", code);
    std::fflush(stdout);
    return 0;
}
