#include "launcher/base/child_process.h"

#include <windows.h>

#include "common/unique_resource.h"

namespace base {

namespace {

// The calling thread's last error, never 0.
DWORD last_error() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// Dispatches what is sent to this thread until the child ends; ERROR_SUCCESS
// then, or the error of a failed wait (waiting again would spin for ever).
DWORD wait_dispatching(HANDLE process) {
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return ERROR_SUCCESS;
        if (woken != WAIT_OBJECT_0 + 1) return last_error();
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

ChildResult run_child(const std::string& command_line, ChildWindow window, bool wait) {
    std::string line = command_line;  // CreateProcessA may write into its command line
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = window == ChildWindow::Shown ? SW_SHOWNORMAL : SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup, &started)) {
        return {false, last_error()};
    }
    const vel::unique_handle process(started.hProcess);
    vel::unique_handle(started.hThread).reset();

    if (wait) {
        const DWORD error = wait_dispatching(process.get());
        if (error != ERROR_SUCCESS) return {true, error};
    }
    DWORD exit_code = 0;
    if (!GetExitCodeProcess(process.get(), &exit_code)) return {true, last_error()};
    return {true, exit_code};
}

}  // namespace base
