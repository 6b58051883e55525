#include "launcher/launch.h"

#include <windows.h>

#include "common/unique_resource.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/console.h"
#include "launcher/options.h"
#include "launcher/phase_times.h"
#include "launcher/process_flags.h"

namespace launcher {

namespace {

// Dispatches what was sent to this thread until the child ends. A quit
// message does not end the wait; a wait that fails does, with its error.
DWORD wait_dispatching(HANDLE process) {
    while (true) {
        DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return ERROR_SUCCESS;
        if (woken == WAIT_FAILED) return GetLastError();
        if (woken != WAIT_OBJECT_0 + 1) continue;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

int launch_installer(const std::vector<std::string>& items, bool wait) {
    std::string command_line = options::join_arguments(items);
    if (debug_mode) {
        const std::string program = items.empty() ? std::string() : console::utf8_from_ansi(items[0]);
        console::console_write(catalogue::format_message("S_JVMLOADMSG", {program}));
        console::console_write("\n");
        // Shown as UTF-8; Windows is handed the ANSI command line itself.
        const std::string shown = console::utf8_from_ansi(command_line);
        for (std::string_view piece : console_pieces(shown)) console::console_write(piece);
        console::console_write("\n");
    }

    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESHOWWINDOW;
    start.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr,
                        nullptr, &start, &created)) {
        DWORD error = GetLastError();
        console::show_error(catalogue::format_message("S_ERGOSLST", {"CreateKSIProcess()", error}));
        console::wait_for_enter();
        return static_cast<int>(error);
    }
    vel::unique_handle process(created.hProcess);
    vel::unique_handle thread(created.hThread);
    thread.reset();
    phase_mark("process start");

    if (wait) {
        DWORD error = wait_dispatching(process.get());
        if (error != ERROR_SUCCESS) return static_cast<int>(error);
    }
    phase_mark("installer run");
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return static_cast<int>(GetLastError());
    return static_cast<int>(code);
}

}  // namespace launcher
