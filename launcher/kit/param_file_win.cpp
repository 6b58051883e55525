#include <direct.h>
#include <windows.h>

#include <optional>
#include <utility>

#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/kit/install_log.h"
#include "launcher/kit/param_file.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/staging.h"

namespace kit {

namespace {

// Section lines beyond this are not read for quoted values.
constexpr DWORD kMaxSectionBytes = 1 << 20;

// The lines of section [Velmor] as GetPrivateProfileSectionA gives them:
// unlike a key's value, they keep the quotation marks of a whole quoted value.
std::string section_lines(const std::string& param_file) {
    const std::string section(kParameterSection);
    for (DWORD size = 4096; size <= kMaxSectionBytes; size *= 2) {
        std::string lines(size, '\0');
        const DWORD length = GetPrivateProfileSectionA(section.c_str(), lines.data(), size, param_file.c_str());
        if (length + 2 < size) {
            lines.resize(length);
            return lines;
        }
    }
    return {};
}

RawParameterReader file_reader(const std::string& param_file) {
    return [&param_file](std::string_view key) {
        // One byte more than a value may hold, so that a longer value is seen
        // and refused rather than cut.
        char value[kPathBufferSize + 1];
        const std::string key_name(key);
        const std::string section(kParameterSection);
        const DWORD length = GetPrivateProfileStringA(section.c_str(), key_name.c_str(), "", value, sizeof value,
                                                      param_file.c_str());
        if (length > kMaxPathLength) return std::string();
        const std::string_view read(value, length);
        // "-Dx=C:\My Temp" in quotes, as the whole value, is one option of the
        // Java runtime: the marks that keep it whole must reach it.
        if (!holds_java_options(key) || read.empty()) return std::string(read);
        std::string written = value_as_written(read, section_lines(param_file), key);
        return written.size() > kMaxPathLength ? std::string() : written;
    };
}

// Which parameter file the run reads, in the install log; on the console too
// when it is not the one the command line named.
void log_parameter_file(const std::string& param_file, const std::string& missing_name,
                        const std::string& scratch_dir, const std::string& run_timestamp) {
    const InstallLogSession log(scratch_dir, run_timestamp);
    if (!missing_name.empty()) {
        log_and_show(catalogue::format_message("S_ERUSR_PARAMFILE_NOT_FOUND", {base::utf8_from_ansi(missing_name)}));
        log_and_show(catalogue::format_message("S_DEF_PARAMFILE", {base::utf8_from_ansi(param_file)}));
    } else {
        log_text(catalogue::format_message("S_USING_PARAMFILE", {base::utf8_from_ansi(param_file)}));
    }
}

}  // namespace

base::RunResult read_parameter_file(const std::string& program_directory, const std::string& run_timestamp,
                                    bool jre_location_given, std::string& param_file, std::string& scratch_dir,
                                    std::string& startup_location, KitSettings& settings) {
    std::optional<std::string> scratch = create_scratch_directory(run_timestamp);
    if (!scratch) return base::kErrorReported;
    scratch_dir = std::move(*scratch);

    std::string missing_name;
    if (!param_file.empty() && !path_exists(param_file)) missing_name = std::exchange(param_file, std::string());
    if (param_file.empty()) {
        for (const std::string& candidate : parameter_file_candidates(startup_location, program_directory)) {
            if (path_exists(candidate)) {
                param_file = candidate;
                break;
            }
        }
        if (param_file.empty()) return base::kNoParameterFile;
    }
    param_file = absolute_path(param_file);

    log_parameter_file(param_file, missing_name, scratch_dir, run_timestamp);

    _chdir(startup_location.c_str());
    startup_location = program_directory;

    settings.distribution = read_settings(file_reader(param_file), program_directory, jre_location_given, settings);
    return base::kRunSucceeded;
}

DerivedDirectories read_location_parameters(KitSettings& settings, const std::string& param_file) {
    DerivedDirectories derived = derive_directories(settings);
    read_location_settings(file_reader(param_file), settings);
    return derived;
}

std::string find_images_directory(const std::string& startup_location) {
    for (const std::string& candidate : images_directory_candidates(startup_location)) {
        if (path_exists(candidate)) return candidate;
    }
    return {};
}

}  // namespace kit
