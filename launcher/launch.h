// Starting the Java installer as a child process and waiting for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace launcher {

// The installer's exit code when waited for, the code the system reports for
// it at once otherwise (259 while it runs), or a Windows error code. `debug`
// shows the command line first.
int launch_installer(const std::vector<std::string>& items, bool wait, bool debug);

}  // namespace launcher
