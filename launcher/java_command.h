// The Java installer's command line: which Java program runs, which main class
// it starts, and the ordered command items that become its command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/kit/param_file.h"
#include "launcher/options.h"

namespace launcher {

inline constexpr std::string_view kRegularInstallerClass = "velmor.setmgr.kta.ktac.KtacInstaller";

struct ModeChoice {
    std::string main_class;
    bool forces_no_bootstrap = false;  // the kit runs in place, never staged
    bool distribution_guard = false;   // refused when the kit runs from its medium
    bool doubled = false;              // one-click: the regular command follows as arguments
};

// The first mode option that applies wins.
ModeChoice choose_mode(const OptionState& options, const std::string& install_class,
                       const std::string& install_oneclick_class);

// "java.exe" or "javaw.exe".
std::string java_program_name(bool debug, bool memory, bool silent, bool no_console);

// The places of this run that the command names, as the main flow found them.
struct RunPlaces {
    std::string program_directory;  // without a final backslash
    std::string scratch_directory;
    std::string startup_location;
    std::string launcher_path;
    std::string run_timestamp;
    std::string command_line;  // cut at "-J" by the option scan
};

// Everything the assembly reads, where the main flow keeps it.
struct JavaCommandInput {
    const kit::KitSettings& settings;
    const kit::DerivedDirectories& directories;
    const OptionState& options;
    const ModeChoice& mode;
    const RunPlaces& places;
    bool bootstrap = false;
    bool external_jre = false;  // the runtime is used where it is, not staged
};

struct JavaCommand {
    std::string program_path;
    std::vector<std::string> items;
};

JavaCommand assemble_java_command(const JavaCommandInput& in);

// ADDTO_CLASSPATH entries, each prefixed and followed by ";".
std::string expand_extra_classpath(std::string_view prefix, std::string_view list);

// The quoted classpath item.
std::string build_classpath(const JavaCommandInput& in);

// Adds "-sourceLoc" and the quoted location; nothing for an empty source.
void add_source_location(const std::string& source, std::vector<std::string>& items,
                         const std::string& startup_location);

bool is_http_location(std::string_view text);

// A drive path (C:\x) or a network path (\\server\share\x).
bool is_absolute_location(std::string_view text);

// The words of JRE_MEMORY_OPTIONS, each one item.
std::vector<std::string> memory_option_words(std::string_view text);

}  // namespace launcher
