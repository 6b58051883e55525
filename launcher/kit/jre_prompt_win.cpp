#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/kit/jre_prompt.h"
#include "launcher/kit/paths.h"

namespace kit {

namespace {

void discard_waiting_input() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode)) FlushConsoleInputBuffer(input);
}

enum class LineRead { Line, TooLong, EndOfInput };

// One line from standard input without its line end.
LineRead read_line(std::string& line) {
    line.clear();
    bool too_long = false;
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        if (line.size() < kMaxPromptLineLength) {
            line += static_cast<char>(c);
        } else {
            too_long = true;
        }
    }
    if (c == EOF && line.empty() && !too_long) return LineRead::EndOfInput;
    if (!line.empty() && line.back() == '\r' && !too_long) line.pop_back();
    return too_long ? LineRead::TooLong : LineRead::Line;
}

// A line typed at the console comes in the console's input code page, which
// need not be the ANSI code page of the path functions (850 against 1252 on a
// German system). Nothing when the line has no exact ANSI form.
std::optional<std::string> ansi_from_console(const std::string& line) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const UINT console_code_page = GetConsoleCP();
    if (line.empty() || !GetConsoleMode(input, &mode) || console_code_page == 0 || console_code_page == GetACP()) {
        return line;
    }
    const int length = static_cast<int>(line.size());
    const int wide_length =
        MultiByteToWideChar(console_code_page, MB_ERR_INVALID_CHARS, line.data(), length, nullptr, 0);
    if (wide_length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(console_code_page, MB_ERR_INVALID_CHARS, line.data(), length, wide.data(), wide_length);
    // A UTF-8 code page takes neither the flag nor the pointer, and has every character.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL used_default = FALSE;
    const int needed = WideCharToMultiByte(CP_ACP, flags, wide.data(), wide_length, nullptr, 0, nullptr,
                                           utf8 ? nullptr : &used_default);
    if (needed <= 0 || used_default) return std::nullopt;
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), wide_length, ansi.data(), needed, nullptr, nullptr);
    return ansi;
}

}  // namespace

// Input typed before a question is discarded; the question comes after the
// discarding, so an answer typed as soon as it shows is never lost.
std::optional<std::string> prompt_jre_location() {
    discard_waiting_input();
    base::console_write("\n");
    base::console_write(catalogue::text_or_key("S_SPECIFY_JRE_LOCATION_WIN"));
    std::string line;
    for (;;) {
        const LineRead read = read_line(line);
        if (read == LineRead::EndOfInput) return std::nullopt;
        if (read == LineRead::Line && !line.empty()) {
            const std::optional<std::string> location = ansi_from_console(line);
            if (location && path_exists(java_launcher_candidate(*location))) return location;
        }
        discard_waiting_input();
        base::console_write("\n");
        base::console_write(catalogue::text_or_key("S_SPECIFY_VALID_JRE_LOCATION"));
    }
}

}  // namespace kit
