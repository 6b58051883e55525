#include "launcher/launch.h"

#include "launcher/catalogue/catalogue.h"
#include "launcher/child_process.h"
#include "launcher/console.h"
#include "launcher/options.h"

namespace launcher {

int launch_installer(const std::vector<std::string>& items, bool wait, bool debug) {
    std::string command_line = options::join_arguments(items);
    if (debug) {
        console::console_write(catalogue::format_message("S_JVMLOADMSG", {items.empty() ? std::string() : items[0]}));
        console::console_write("\n");
        for (std::string_view piece : console_pieces(command_line)) console::console_write(piece);
        console::console_write("\n");
    }

    const ChildResult child = run_child(command_line, ChildWindow::Shown, wait);
    if (!child.created) {
        console::show_error(catalogue::format_message("S_ERGOSLST", {"CreateKSIProcess()", child.code}));
        console::wait_for_enter();
    }
    return static_cast<int>(child.code);
}

}  // namespace launcher
