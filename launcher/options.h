// The launcher's command-line options. Recognition is loose: an option counts
// as given wherever its text occurs in the one command-line string.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace launcher {

// Option values and location settings live in 1024-byte places.
constexpr std::size_t kMaxValueLength = 1023;
constexpr std::string_view kDefaultToolName = "Kinsetup";
constexpr std::string_view kPrereqCheckerToolName = "Prerequisite Checker";

// The strings in order, each followed by one space.
std::string join_arguments(std::span<const std::string> strings);
// The text after `key` up to the next " -", trimmed; a value in quotation
// marks is the quoted text, whole. `out` is only trimmed when the key is absent.
void extract_option_value(std::string_view key, std::string_view joined, std::string& out);
void trim_value(std::string& text);
std::string upper_copy(std::string_view source);

struct OptionState {
    bool silent = false;  // -SILENT, -HELP, -ATTACHHOME
    bool debug = false;
    bool memory = false;
    bool help = false;
    bool wait_requested = false;
    bool no_console = false;
    bool ignore_sysprereqs = false;
    bool execute_sysprereqs = false;
    bool preclonesetup = false;
    bool updatenodelist = false;
    bool attachhome = false;
    bool removehome = false;
    bool addnode = false;
    bool prereqchecker = false;
    bool oneclick = false;
    bool has_mx = false;
    std::optional<std::string> jvm_options;
    std::string tool_name{kDefaultToolName};
    // From PREREQ_CONFIG_LOCATION= or FROM_LOCATION=, not yet made absolute.
    std::string prereq_config_location;
};

struct EarlyOptions {
    std::string param_file;
    std::string jre_location;
    bool jre_location_given = false;
};

// -paramFile and -jreLoc from program path and command line joined.
EarlyOptions read_early_options(const std::string& program_path, const std::string& command_line);

// The flags and values of `command_line`, which is cut at "-J": the rest
// becomes the JVM options.
OptionState scan_and_cut_options(std::string& command_line);

enum class LocationKey { PrereqConfig, FromLocation };

// The value of PREREQ_CONFIG_LOCATION=, or the directory of the value of
// FROM_LOCATION= with "\prereq" appended; empty when there is none or it
// does not fit its place. A value ends at the first blank outside quotation
// marks, which are removed.
std::string location_assignment(std::string_view argument, LocationKey key);

}  // namespace launcher
