// Starting the Java installer as a child process and waiting for it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

// The installer's exit code when waited for, the code the system reports for
// it at once otherwise (259 while it runs), or a Windows error code. `debug`
// shows the command line first.
int launch_installer(const std::vector<std::string>& items, bool wait, bool debug);

// Bytes of one console write: safely below the console writer's limit.
constexpr std::size_t kConsolePieceBytes = 1000;

// A long text cut into console-sized pieces, never inside a UTF-8 sequence.
std::vector<std::string_view> console_pieces(std::string_view text, std::size_t piece_bytes = kConsolePieceBytes);

}  // namespace launcher
