#include "launcher/launch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/unique_resource.h"

// The Java runtime stand-in lies beside the test program.
namespace {

std::vector<std::string> stub_command(const char* exit_code, const char* sleep_ms) {
    EXPECT_TRUE(SetEnvironmentVariableA("VEL_STUB_EXIT", exit_code)) << GetLastError();
    EXPECT_TRUE(SetEnvironmentVariableA("VEL_STUB_SLEEP_MS", sleep_ms)) << GetLastError();
    EXPECT_TRUE(SetEnvironmentVariableA("VEL_STUB_REPORT", "NUL")) << GetLastError();
    return {"\"java.exe\" ", "-cp", "\"x\"", "Main", ""};
}

LRESULT CALLBACK count_messages(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

TEST(Launch, WaitsForTheExitCode) {
    EXPECT_EQ(launcher::launch_installer(stub_command("5", "0"), true, false), 5);
}

TEST(Launch, WithoutWaitingReportsTheRunningProcess) {
    EXPECT_EQ(launcher::launch_installer(stub_command("0", "1500"), false, false), STILL_ACTIVE);
}

TEST(Launch, SentMessagesAreHandledAndQuitDoesNotEndTheWait) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = count_messages;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "LaunchWaitTest";
    ASSERT_NE(RegisterClassA(&window_class), 0);
    HWND window = CreateWindowExA(0, "LaunchWaitTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  window_class.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int handled = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));

    PostQuitMessage(0);
    std::thread sender([window] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        SendMessageA(window, WM_APP, 0, 0);
    });
    auto started = std::chrono::steady_clock::now();
    int result = launcher::launch_installer(stub_command("7", "1200"), true, false);
    auto waited = std::chrono::steady_clock::now() - started;
    sender.join();
    DestroyWindow(window);

    EXPECT_EQ(result, 7);
    EXPECT_EQ(handled, 1);
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
}
