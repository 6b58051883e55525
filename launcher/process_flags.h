// Process-wide values of the launcher that several subsystems read. Each is
// written once, early in the run, before any reader needs it.
#pragma once

#include <string>

namespace launcher {

extern bool silent_mode;         // -SILENT, -HELP, -ATTACHHOME
extern bool debug_mode;          // -DEBUG
extern bool memory_mode;         // -MEMORY
extern bool jre_location_given;  // -jreLoc
extern bool distribution_mode;   // DISTRIBUTION=T in the parameter file
extern bool external_jre;        // bootstrap run using the runtime where it is

// The run timestamp ("%Y-%m-%d_%I-%M-%S%p"), made once at start.
extern std::string run_timestamp;
// Full path of the running program (argument vector entry 0).
extern std::string launcher_path;

}  // namespace launcher
