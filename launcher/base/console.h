// Console and message-box output of setup. Texts are UTF-8 from the message
// catalogue and are written to the console as wide characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace base {

constexpr short kBufferColumns = 80;
constexpr short kBufferRows = 2000;
constexpr short kWindowRows = 41;
constexpr const char* kConsoleTitle = "Velmor Kinsetup";
// Wide characters one console_write may convert, its terminator included;
// a longer text writes nothing.
constexpr std::size_t kWideBufferChars = 1023;

// Creates the console, shapes it and binds the standard streams to it.
void open_console();
// Takes the current standard output handle as the one console_write uses.
void refresh_console_handle();
void console_write(std::string_view utf8_text);
// Whether open_console made this process's console.
bool console_opened();
// Sets the title of the console open_console made; nothing without one.
void set_console_title(std::string_view title);
// Silent mode: the console; otherwise a message box captioned with S_KSI,
// shown as Unicode so that the catalogue's characters arrive as written.
void show_error(std::string_view text);
// Silent mode only: the S_ENTER_ENTER prompt, then one character of input.
void wait_for_enter();

// A text that Windows handed over in the ANSI code page (a path, an
// environment or registry value, a line of the parameter file), as UTF-8 for
// a catalogue text. The ANSI text itself stays what Windows is given.
std::string utf8_from_ansi(std::string_view ansi_text);

// Bytes of one console write: safely below the console writer's limit.
constexpr std::size_t kConsolePieceBytes = 1000;

// A long text cut into console-sized pieces, never inside a UTF-8 sequence.
std::vector<std::string_view> console_pieces(std::string_view text, std::size_t piece_bytes = kConsolePieceBytes);

}  // namespace base
