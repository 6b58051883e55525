// Loads the catalogue (exit code 1 when that fails, as setup does), then runs
// its arguments in order:
//   console        open the console          silent      set silent mode
//   write:KEY      console_write of a text   long:N      console_write of N letters
//   error:KEY      show_error of a text      wait        wait_for_enter
//   geometry       print the console's buffer and window size
//   stdout:TEXT / stderr:TEXT   print through the C streams
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/base/process_flags.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!catalogue::load_message_catalogue()) return 1;
    for (int i = 1; i < __argc; ++i) {
        const std::string_view arg = __argv[i];
        const std::string_view value = arg.substr(arg.find(':') + 1);
        if (arg == "console") {
            base::open_console();
            base::refresh_console_handle();
        } else if (arg == "silent") {
            base::silent_mode = true;
        } else if (arg == "wait") {
            base::wait_for_enter();
        } else if (arg == "geometry") {
            CONSOLE_SCREEN_BUFFER_INFO info{};
            if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
                std::printf("buffer %dx%d window %d rows\n", info.dwSize.X, info.dwSize.Y,
                            info.srWindow.Bottom - info.srWindow.Top + 1);
            }
        } else if (arg.starts_with("write:")) {
            base::console_write(catalogue::text_or_key(value));
        } else if (arg.starts_with("long:")) {
            base::console_write(std::string(std::strtoul(std::string(value).c_str(), nullptr, 10), 'L'));
        } else if (arg.starts_with("error:")) {
            base::show_error(catalogue::text_or_key(value));
        } else if (arg.starts_with("stdout:")) {
            std::printf("%.*s\n", static_cast<int>(value.size()), value.data());
        } else if (arg.starts_with("stderr:")) {
            std::fprintf(stderr, "%.*s\n", static_cast<int>(value.size()), value.data());
        }
    }
    catalogue::free_message_catalogue();
    return 0;
}
