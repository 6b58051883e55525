#include <windows.h>

#include <cstdio>

#include "launcher/catalogue/catalogue.h"
#include "launcher/console.h"
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

}  // namespace

// Input typed before a question is discarded; the question comes after the
// discarding, so an answer typed as soon as it shows is never lost.
std::optional<std::string> prompt_jre_location() {
    discard_waiting_input();
    console::console_write("\n");
    console::console_write(catalogue::text_or_key("S_SPECIFY_JRE_LOCATION_WIN"));
    std::string line;
    for (;;) {
        const LineRead read = read_line(line);
        if (read == LineRead::EndOfInput) return std::nullopt;
        if (read == LineRead::Line && !line.empty() && path_exists(java_launcher_candidate(line))) return line;
        discard_waiting_input();
        console::console_write("\n");
        console::console_write(catalogue::text_or_key("S_SPECIFY_VALID_JRE_LOCATION"));
    }
}

}  // namespace kit
