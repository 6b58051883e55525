// Starting a child process of setup and waiting for it while the thread keeps
// handling the messages sent to it.
#pragma once

#include <string>

namespace base {

enum class ChildWindow { Shown, Hidden };

struct ChildResult {
    bool created = false;
    // The exit code (STILL_ACTIVE for a child not waited for that still runs),
    // or a Windows error code when creating, waiting or reading the code failed.
    // A failure never reads as 0, which callers take for success.
    unsigned long code = 0;
};

// Runs `command_line` in a new process group with inherited handles,
// environment and current directory. With `wait` the call returns when the
// child has ended; a quit message is taken off the queue, not dispatched, and
// does not end the wait.
ChildResult run_child(const std::string& command_line, ChildWindow window, bool wait);

}  // namespace base
