// Runs the rest of its command line with environment variables changed, and
// returns the child's exit code. Wine takes TEMP and TMP of a program it
// starts from its own registry, not from the Linux environment, so a test
// that needs another temporary directory sets it here: each variable
// VEL_SET_<NAME>=<value> becomes <NAME>=<value> for the child.
// VEL_RUN_STDIN names a file that becomes the child's standard input: what a
// user types at a prompt, for programs whose console input the test bed's
// pseudo-terminal does not reach.
#include <windows.h>

#include "tests/wine/command_tail.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/unique_resource.h"

namespace {

constexpr std::string_view kPrefix = "VEL_SET_";

}  // namespace

int main() {
    std::vector<std::pair<std::string, std::string>> changes;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
            const std::string_view text(entry);
            const std::size_t equals = text.find('=', 1);
            if (!text.starts_with(kPrefix) || equals == std::string_view::npos) continue;
            changes.emplace_back(text.substr(kPrefix.size(), equals - kPrefix.size()), text.substr(equals + 1));
        }
        FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : changes) {
        SetEnvironmentVariableA(name.c_str(), value.c_str());
        SetEnvironmentVariableA((std::string(kPrefix) + name).c_str(), nullptr);
    }

    std::string command = own_command_tail();
    if (command.empty()) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    vel::unique_file input;
    char input_path[MAX_PATH];
    const DWORD input_length = GetEnvironmentVariableA("VEL_RUN_STDIN", input_path, sizeof input_path);
    if (input_length > 0 && input_length < sizeof input_path) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        input.reset(CreateFileA(input_path, GENERIC_READ, FILE_SHARE_READ, &inherited, OPEN_EXISTING, 0, nullptr));
        if (!input) return static_cast<int>(GetLastError());
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.get();
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        return static_cast<int>(GetLastError());
    }
    vel::unique_handle thread(info.hThread);
    vel::unique_handle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
