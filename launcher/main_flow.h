// The launcher's main flow: from the command line to the installer's exit code.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace launcher {

// The whole run, from the program's full path and the command-line tail as
// typed to the process exit code.
int launcher_main(const std::string& program_path, const std::string& command_tail);

std::string make_run_timestamp();
std::string format_run_timestamp(const std::tm& local_time);

// The directory part of the program path ("." when it has none).
std::string find_startup_location(std::string_view program_path);

}  // namespace launcher
