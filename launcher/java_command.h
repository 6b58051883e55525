// The Java installer's command line: which Java program runs, which main class
// it starts, and the ordered command items that become its command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

inline constexpr std::string_view kRegularInstallerClass = "velmor.setmgr.kta.ktac.KtacInstaller";

// The mode options of the command line that decide the main class.
struct ModeFlags {
    bool preclonesetup = false;
    bool prereqchecker = false;
    bool updatenodelist = false;
    bool attachhome = false;
    bool removehome = false;
    bool addnode = false;
    bool oneclick = false;
};

struct ModeChoice {
    std::string main_class;
    bool forces_no_bootstrap = false;  // the kit runs in place, never staged
    bool distribution_guard = false;   // refused when the kit runs from its medium
    bool doubled = false;              // one-click: the regular command follows as arguments
};

// The first mode that applies wins.
ModeChoice choose_mode(const ModeFlags& flags, bool silent, const std::string& install_class,
                       const std::string& install_oneclick_class);

// "java.exe" or "javaw.exe".
std::string java_program_name(bool debug, bool memory, bool silent, bool no_console);

// Everything the assembly reads, gathered by the main flow.
struct JavaCommandInput {
    std::string java_bin_directory;
    std::string native_library_directory;  // KSI_CORE_LOCATION\lib\win32
    std::string core_archive_directory;    // KSI_CORE_LOCATION\jlib
    std::string archive_directory;         // KSI_LOCATION\jlib
    std::string ksi_core_location;
    std::string program_directory;         // without a final backslash
    std::string jre_location;
    std::string scratch_directory;
    std::string startup_location;
    std::string launcher_path;
    std::string run_timestamp;
    std::string command_line;              // already cut at "-J"

    std::string jre_osdparam;
    std::string jre_memory_options;
    std::string copy_threads;
    std::string nls_enabled;
    std::string prereq_config_location;
    std::string thin_jdbc_filename;
    std::string addto_classpath;
    std::string source;
    bool bootstrap = false;

    std::optional<std::string> jvm_options;
    bool has_mx = false;

    std::string main_class;
    bool doubled = false;

    bool debug = false;
    bool memory = false;
    bool silent = false;
    bool no_console = false;
    bool distribution = false;
    bool external_jre = false;
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
