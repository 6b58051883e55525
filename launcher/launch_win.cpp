#include "launcher/launch.h"

#include <windows.h>

#include "launcher/catalogue/catalogue.h"
#include "launcher/base/child_process.h"
#include "launcher/base/console.h"
#include "launcher/options.h"
#include "launcher/phase_times.h"

namespace launcher {

namespace {

BOOL WINAPI ignore_break(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE; }

// Ctrl+C and Ctrl+Break in the console belong to the installer, which runs on
// in its own process group: setup outlives them, so it still cleans up and
// returns the installer's result.
class BreakIgnored {
public:
    BreakIgnored() { SetConsoleCtrlHandler(ignore_break, TRUE); }
    ~BreakIgnored() { SetConsoleCtrlHandler(ignore_break, FALSE); }
    BreakIgnored(const BreakIgnored&) = delete;
    BreakIgnored& operator=(const BreakIgnored&) = delete;
};

}  // namespace

int launch_installer(const std::vector<std::string>& items, bool wait, bool debug) {
    std::string command_line = join_arguments(items);
    if (debug) {
        const std::string program = items.empty() ? std::string() : base::utf8_from_ansi(items[0]);
        base::console_write(catalogue::format_message("S_JVMLOADMSG", {program}));
        base::console_write("\n");
        // Shown as UTF-8; Windows is handed the ANSI command line itself.
        const std::string shown = base::utf8_from_ansi(command_line);
        for (std::string_view piece : base::console_pieces(shown)) base::console_write(piece);
        base::console_write("\n");
    }

    const base::ChildResult child = [&] {
        if (!wait) return base::run_child(command_line, base::ChildWindow::Shown, false);
        const BreakIgnored while_waiting;
        return base::run_child(command_line, base::ChildWindow::Shown, true);
    }();
    if (!child.created) {
        base::show_error(catalogue::format_message("S_ERGOSLST", {"CreateKSIProcess()", child.code}));
        base::wait_for_enter();
    }
    // Creating the process and the run itself: the bare launcher does both too.
    phase_mark("installer run");
    return static_cast<int>(child.code);
}

}  // namespace launcher
