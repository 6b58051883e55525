// The install log: installActions<run timestamp>.log in the inventory's logs
// directory, or in the caller's fallback directory when no inventory is known.
#pragma once

#include <string>
#include <string_view>

namespace kit {

// The log directory for an inventory location read from the registry.
std::string log_directory(std::string_view inventory, std::string_view fallback_directory);
std::string log_file_name(std::string_view run_timestamp);

void open_install_log(const std::string& fallback_directory, const std::string& run_timestamp);
int close_install_log();
void log_write(std::string_view text, bool to_console);
void log_and_show(std::string_view text);
void log_text(std::string_view text);
// Path of the log last opened; empty when that opening failed.
const std::string& install_log_path();

// The install log, open for the life of the object: whichever way a step
// ends, the log is closed.
class InstallLogSession {
public:
    InstallLogSession(const std::string& fallback_directory, const std::string& run_timestamp) {
        open_install_log(fallback_directory, run_timestamp);
    }
    ~InstallLogSession() { close_install_log(); }
    InstallLogSession(const InstallLogSession&) = delete;
    InstallLogSession& operator=(const InstallLogSession&) = delete;
};

}  // namespace kit
