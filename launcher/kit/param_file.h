// The kit's parameter file velparam.ini: where it is, the settings read from
// its section [Velmor] with their defaults, and the directories derived from them.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/base/run_result.h"

namespace kit {

constexpr std::string_view kParameterFileName = "velparam.ini";
constexpr std::string_view kParameterSection = "Velmor";
constexpr std::string_view kDefaultKsiVersion = "1.7.0.0.0";
// The UTF-8 byte-order mark, which Windows' profile functions do not recognise.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// Versions live in 32-byte places and counts in 12-byte places.
constexpr std::size_t kMaxVersionLength = 31;
constexpr std::size_t kMaxCountLength = 11;

struct KitSettings {
    std::string jre_location, jre_memory_options, ksi_version, jre_version, ksi_location, ksi_core_location,
        bootstrap, bootstrap_size, thin_jdbc_filename, jre_osdparam, addto_classpath, install_class,
        install_oneclick_class, prereq_config_location, wait_for_completion, copy_threads, source, nls_enabled;
    bool distribution = false;  // DISTRIBUTION=T
};

struct DerivedDirectories {
    std::string java_bin, installer_lib, core_lib, native_lib;
};

enum class ValueForm { Text, Flag };

// A key of section [Velmor]: how it is read and the longest value taken.
struct ParameterKey {
    std::string_view name;
    ValueForm form;
    std::size_t max_length;
};
// Every key of [Velmor] the launcher reads, in its reading order.
extern const std::array<ParameterKey, 19> kParameterKeys;
// The key's entry in kParameterKeys, or nullptr.
const ParameterKey* find_parameter_key(std::string_view name);

// A key's value as read (empty when missing) turned into the setting: an empty
// or over-long value yields the default, a flag keeps its first character.
std::string parameter_value(std::string_view raw, std::string_view default_value, ValueForm form,
                            std::size_t max_length);
// The places searched for the parameter file, in order. Without a program
// directory only the startup location's two places are searched.
std::vector<std::string> parameter_file_candidates(std::string_view startup_location,
                                                   std::string_view program_directory);
// KSI_LOCATION and KSI_CORE_LOCATION of a distribution medium's layout.
std::string distribution_installer_location(std::string_view ksi_version);
std::string distribution_core_location(std::string_view ksi_version);

// Whether a key holds options for the Java virtual machine, whose quotation
// marks must reach it as the author wrote them.
bool holds_java_options(std::string_view key);
// The value of `key` as written in a section's lines (the "key=value" texts
// GetPrivateProfileSectionA gives, each ended by a NUL) when the whole value is
// quoted and the profile functions dropped those marks from `profile_value`;
// otherwise `profile_value` itself.
std::string value_as_written(std::string_view profile_value, std::string_view section_lines, std::string_view key);

// Reads a key of section [Velmor] as it stands in the file; empty when missing.
using RawParameterReader = std::function<std::string(std::string_view key)>;
// Every setting of the file except SOURCE and NLS_ENABLED, in the file's
// reading order. Returns whether the file asks for distribution mode.
bool read_settings(const RawParameterReader& read, const std::string& program_directory, bool jre_location_given,
                   KitSettings& settings);
// SOURCE and NLS_ENABLED with their defaults.
void read_location_settings(const RawParameterReader& read, KitSettings& settings);
DerivedDirectories derive_directories(const KitSettings& settings);
std::vector<std::string> images_directory_candidates(std::string_view startup_location);

// Makes the run's scratch directory and finds the parameter file (the -paramFile
// value in `param_file` first), then reads its settings. On entry
// settings.jre_location holds the -jreLoc value and
// settings.prereq_config_location the command line's value; on success the
// startup location is the program's directory. kErrorReported: no scratch directory.
base::RunResult read_parameter_file(const std::string& program_directory, const std::string& run_timestamp,
                                    bool jre_location_given, std::string& param_file, std::string& scratch_dir,
                                    std::string& startup_location, KitSettings& settings);
// SOURCE and NLS_ENABLED into `settings`, and the directories derived from the settings read before.
DerivedDirectories read_location_parameters(KitSettings& settings, const std::string& param_file);
// The kit's images directory beside the startup location, or empty when there is none.
std::string find_images_directory(const std::string& startup_location);

}  // namespace kit
