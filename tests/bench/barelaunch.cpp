// The least a launcher like setup can do, the reference of the launcher
// benchmark: a GUI-subsystem program with setup's system imports and console,
// which starts the command line in VEL_BARE_COMMAND the way setup starts the
// installer (handles inherited, a process group of its own), waits for it
// dispatching messages, and returns its exit code. Loading user32, gdi32 and
// advapi32 and opening a console cost much under Wine before any work is done;
// both sides of the comparison pay that.
#include <windows.h>

#include <string>

#include "common/unique_resource.h"
#include "launcher/base/console.h"

namespace {

// Keeps gdi32 and advapi32 in the import table, as setup has them, though
// this program calls neither (user32 comes with the console's message box).
[[gnu::used]] const void* const kSameImports[] = {reinterpret_cast<const void*>(&GetDeviceCaps),
                                                   reinterpret_cast<const void*>(&RegCloseKey)};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    base::open_console();
    base::refresh_console_handle();

    std::string command(32768, '\0');
    const DWORD length =
        GetEnvironmentVariableA("VEL_BARE_COMMAND", command.data(), static_cast<DWORD>(command.size()));
    if (length == 0 || length >= command.size()) return 2;
    command.resize(length);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup, &info)) {
        return static_cast<int>(GetLastError());
    }
    vel::unique_handle thread(info.hThread);
    vel::unique_handle process(info.hProcess);
    HANDLE waited = process.get();
    while (MsgWaitForMultipleObjects(1, &waited, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(waited, &code);
    return static_cast<int>(code);
}
