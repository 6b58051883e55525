// The least a launcher can do: start the command line in VEL_BARE_COMMAND the
// way setup starts the installer (handles inherited, a process group of its
// own) and return its exit code. The reference of the launcher benchmark.
#include <windows.h>

#include <string>

#include "common/unique_resource.h"

int main() {
    std::string command(32768, '\0');
    const DWORD length = GetEnvironmentVariableA("VEL_BARE_COMMAND", command.data(), static_cast<DWORD>(command.size()));
    if (length == 0 || length >= command.size()) return 2;
    command.resize(length);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup, &info)) {
        return static_cast<int>(GetLastError());
    }
    vel::unique_handle thread(info.hThread);
    vel::unique_handle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
