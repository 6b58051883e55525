#include "launcher/kit/param_file.h"

#include <cctype>

#include "launcher/kit/paths.h"

namespace kit {

namespace {

std::string beside_and_above(std::string_view directory, std::string_view name, bool above) {
    std::string path(directory);
    path += above ? "\\..\\" : "\\";
    path += name;
    return path;
}

std::string distribution_location(std::string_view component, std::string_view ksi_version) {
    std::string location = "..\\stage\\Components\\";
    location += component;
    location += '\\';
    location += ksi_version;
    location += "\\1\\DataFiles\\";
    return location;
}

}  // namespace

bool holds_java_options(std::string_view key) { return key == "JRE_MEMORY_OPTIONS" || key == "JRE_OSDPARAM"; }

namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool same_key(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string value_as_written(std::string_view profile_value, std::string_view section_lines, std::string_view key) {
    // The profile functions take a key's first line, its name compared without regard to case.
    std::size_t start = 0;
    while (start < section_lines.size()) {
        std::size_t end = section_lines.find('\0', start);
        if (end == std::string_view::npos) end = section_lines.size();
        const std::string_view line = section_lines.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !same_key(trimmed(line.substr(0, equals)), key)) continue;
        const std::string_view written = trimmed(line.substr(equals + 1));
        const bool whole_quoted = written.size() >= 2 && written.front() == '"' && written.back() == '"';
        if (whole_quoted && written.substr(1, written.size() - 2) == profile_value) return std::string(written);
        break;
    }
    return std::string(profile_value);
}

std::string parameter_value(std::string_view raw, std::string_view default_value, ValueForm form,
                            std::size_t max_length) {
    std::string value(raw.empty() || raw.size() > max_length ? default_value : raw);
    if (form == ValueForm::Flag && value.size() > 1) value.resize(1);
    return value;
}

std::vector<std::string> parameter_file_candidates(std::string_view startup_location,
                                                   std::string_view program_directory) {
    std::vector<std::string> candidates{beside_and_above(startup_location, kParameterFileName, false),
                                        beside_and_above(startup_location, kParameterFileName, true)};
    if (!program_directory.empty()) {
        candidates.push_back(beside_and_above(program_directory, kParameterFileName, false));
        candidates.push_back(beside_and_above(program_directory, kParameterFileName, true));
    }
    return candidates;
}

std::string distribution_installer_location(std::string_view ksi_version) {
    return distribution_location("velmor.swd.ksi", ksi_version);
}

std::string distribution_core_location(std::string_view ksi_version) {
    return distribution_location("velmor.swd.ksi.core", ksi_version);
}

const std::array<ParameterKey, 19> kParameterKeys = {{
    {"DISTRIBUTION", ValueForm::Flag, kMaxPathLength},
    {"JRE_LOCATION", ValueForm::Text, kMaxPathLength},
    {"JRE_MEMORY_OPTIONS", ValueForm::Text, kMaxPathLength},
    {"KSI_VERSION", ValueForm::Text, kMaxVersionLength},
    {"JRE_VERSION", ValueForm::Text, kMaxVersionLength},
    {"KSI_LOCATION", ValueForm::Text, kMaxPathLength},
    {"KSI_CORE_LOCATION", ValueForm::Text, kMaxPathLength},
    {"BOOTSTRAP", ValueForm::Flag, kMaxPathLength},
    {"BOOTSTRAP_SIZE", ValueForm::Text, kMaxPathLength},
    {"THIN_JDBC_FILENAME", ValueForm::Text, kMaxPathLength},
    {"JRE_OSDPARAM", ValueForm::Text, kMaxPathLength},
    {"ADDTO_CLASSPATH", ValueForm::Text, kMaxPathLength},
    {"INSTALL_CLASS", ValueForm::Text, kMaxPathLength},
    {"INSTALL_ONECLICK_CLASS", ValueForm::Text, kMaxPathLength},
    {"PREREQ_CONFIG_LOCATION", ValueForm::Text, kMaxPathLength},
    {"WAIT_FOR_COMPLETION", ValueForm::Flag, kMaxPathLength},
    {"COPY_THREADS", ValueForm::Text, kMaxCountLength},
    {"SOURCE", ValueForm::Text, kMaxPathLength},
    {"NLS_ENABLED", ValueForm::Text, kMaxPathLength},
}};

const ParameterKey* find_parameter_key(std::string_view name) {
    for (const ParameterKey& key : kParameterKeys) {
        if (key.name == name) return &key;
    }
    return nullptr;
}

namespace {

// The setting of a key of kParameterKeys, read with its form and limit.
std::string setting(const RawParameterReader& read, std::string_view name, std::string_view default_value) {
    const ParameterKey* key = find_parameter_key(name);
    return parameter_value(read(name), default_value, key->form, key->max_length);
}

}  // namespace

bool read_settings(const RawParameterReader& read, const std::string& program_directory, bool jre_location_given,
                   KitSettings& settings) {
    const auto value = [&read](std::string_view key, std::string_view default_value) {
        return setting(read, key, default_value);
    };

    const bool distribution = value("DISTRIBUTION", "F") == "T";
    if (!jre_location_given) settings.jre_location = value("JRE_LOCATION", "");
    settings.jre_memory_options = value("JRE_MEMORY_OPTIONS", "");
    settings.ksi_version = value("KSI_VERSION", kDefaultKsiVersion);
    settings.jre_version = value("JRE_VERSION", "");

    const std::string installer_default =
        distribution ? distribution_installer_location(settings.ksi_version) : program_directory;
    const std::string core_default = distribution ? distribution_core_location(settings.ksi_version) : program_directory;
    settings.ksi_location = value("KSI_LOCATION", installer_default);
    settings.ksi_core_location = value("KSI_CORE_LOCATION", core_default);
    settings.bootstrap = value("BOOTSTRAP", "F");
    settings.bootstrap_size = value("BOOTSTRAP_SIZE", "45");
    settings.thin_jdbc_filename = value("THIN_JDBC_FILENAME", "thindrv12.jar");
    settings.jre_osdparam = value("JRE_OSDPARAM", "");
    settings.addto_classpath = value("ADDTO_CLASSPATH", "");
    settings.install_class = value("INSTALL_CLASS", "velmor.setmgr.kta.ktac.KtacInstaller");
    settings.install_oneclick_class = value("INSTALL_ONECLICK_CLASS", "velmor.setmgr.kto.ktoc.KtocOneClickInstaller");
    if (distribution) settings.bootstrap = "TRUE";
    settings.prereq_config_location = value("PREREQ_CONFIG_LOCATION", settings.prereq_config_location);
    settings.wait_for_completion = value("WAIT_FOR_COMPLETION", "F");
    settings.copy_threads = value("COPY_THREADS", "0");
    return distribution;
}

void read_location_settings(const RawParameterReader& read, KitSettings& settings) {
    settings.source = setting(read, "SOURCE", "");
    settings.nls_enabled = setting(read, "NLS_ENABLED", "TRUE");
}

DerivedDirectories derive_directories(const KitSettings& settings) {
    DerivedDirectories derived;
    derived.java_bin = path_under(settings.jre_location, "bin");
    derived.installer_lib = settings.ksi_location + "\\jlib";
    derived.core_lib = settings.ksi_core_location + "\\jlib";
    derived.native_lib = settings.ksi_core_location + "\\lib\\win32";
    return derived;
}

std::vector<std::string> images_directory_candidates(std::string_view startup_location) {
    return {beside_and_above(startup_location, "images", false), beside_and_above(startup_location, "images", true)};
}

}  // namespace kit
