#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>

#include "common/ansi_text.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/base/process_flags.h"

namespace base {

namespace {

HANDLE output_handle = nullptr;
bool opened = false;

// Points a C stream at the current standard handle, so printf, reading
// stdin and writing stderr reach the console (or wherever the handle leads).
void rebind_stream(std::FILE* stream, DWORD which, const char* mode, int open_flags) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), open_flags);
    if (fd < 0) return;
    int target = _fileno(stream);
    if (target < 0) {
        // A GUI program's streams may have no descriptor yet: give them one.
        if (!std::freopen("NUL", mode, stream)) return;
        target = _fileno(stream);
    }
    // The descriptor stays open: it owns the standard handle itself.
    if (_dup2(fd, target) != 0) return;
    std::setvbuf(stream, nullptr, _IONBF, 0);
}

}  // namespace

void open_console() {
    AllocConsole();
    opened = true;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const bool have_info = GetConsoleScreenBufferInfo(out, &info) != 0;
    SetConsoleScreenBufferSize(out, COORD{kBufferColumns, kBufferRows});
    SetConsoleTitleA(kConsoleTitle);
    if (have_info) {
        SMALL_RECT window = info.srWindow;
        window.Bottom = static_cast<SHORT>(window.Top + kWindowRows - 1);
        SetConsoleWindowInfo(out, TRUE, &window);
    }
    rebind_stream(stdout, STD_OUTPUT_HANDLE, "w", _O_TEXT | _O_WRONLY);
    rebind_stream(stdin, STD_INPUT_HANDLE, "r", _O_TEXT | _O_RDONLY);
    rebind_stream(stderr, STD_ERROR_HANDLE, "w", _O_TEXT | _O_WRONLY);
}

void refresh_console_handle() {
    const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    output_handle = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

void console_write(std::string_view utf8_text) {
    if (utf8_text.size() > static_cast<std::size_t>(INT_MAX)) return;
    const int source_length = static_cast<int>(utf8_text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), source_length, nullptr, 0);
    // The terminator counts against the limit.
    if (needed <= 0 || static_cast<std::size_t>(needed) + 1 > kWideBufferChars) return;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), source_length, wide.data(), needed) != needed) return;
    if (!output_handle) return;
    // The terminator itself is not written: consoles show it as a stray character.
    DWORD written = 0;
    WriteConsoleW(output_handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

bool console_opened() { return opened; }

void set_console_title(std::string_view title) {
    if (!opened) return;
    const std::string text(title);
    SetConsoleTitleA(text.c_str());
}

void show_error(std::string_view text) {
    if (base::silent_mode) {
        console_write(text);
        return;
    }
    const std::wstring message = vel::wide_from_code_page(CP_UTF8, text);
    const std::wstring caption = vel::wide_from_code_page(CP_UTF8, catalogue::text_or_key("S_KSI"));
    MessageBoxW(nullptr, message.c_str(), caption.c_str(), MB_ICONERROR);
}

std::string utf8_from_ansi(std::string_view ansi_text) {
    const std::wstring wide = vel::wide_from_ansi(ansi_text);
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

void wait_for_enter() {
    if (!base::silent_mode) return;
    console_write(catalogue::text_or_key("S_ENTER_ENTER"));
    // One character; at the end of input getchar returns at once.
    std::getchar();
}

}  // namespace base
