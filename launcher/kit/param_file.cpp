#include "launcher/kit/param_file.h"

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

bool read_settings(const RawParameterReader& read, const std::string& program_directory, bool jre_location_given,
                   KitSettings& settings) {
    const auto text = [&read](std::string_view key, std::string_view default_value,
                              std::size_t max_length = kMaxPathLength) {
        return parameter_value(read(key), default_value, ValueForm::Text, max_length);
    };
    const auto flag = [&read](std::string_view key, std::string_view default_value) {
        return parameter_value(read(key), default_value, ValueForm::Flag, kMaxPathLength);
    };

    const bool distribution = flag("DISTRIBUTION", "F") == "T";
    if (!jre_location_given) settings.jre_location = text("JRE_LOCATION", "");
    settings.jre_memory_options = text("JRE_MEMORY_OPTIONS", "");
    settings.ksi_version = text("KSI_VERSION", kDefaultKsiVersion, kMaxVersionLength);
    settings.jre_version = text("JRE_VERSION", "", kMaxVersionLength);

    const std::string installer_default =
        distribution ? distribution_installer_location(settings.ksi_version) : program_directory;
    const std::string core_default = distribution ? distribution_core_location(settings.ksi_version) : program_directory;
    settings.ksi_location = text("KSI_LOCATION", installer_default);
    settings.ksi_core_location = text("KSI_CORE_LOCATION", core_default);
    settings.bootstrap = flag("BOOTSTRAP", "F");
    settings.bootstrap_size = text("BOOTSTRAP_SIZE", "45");
    settings.thin_jdbc_filename = text("THIN_JDBC_FILENAME", "thindrv12.jar");
    settings.jre_osdparam = text("JRE_OSDPARAM", "");
    settings.addto_classpath = text("ADDTO_CLASSPATH", "");
    settings.install_class = text("INSTALL_CLASS", "velmor.setmgr.kta.ktac.KtacInstaller");
    settings.install_oneclick_class = text("INSTALL_ONECLICK_CLASS", "velmor.setmgr.kto.ktoc.KtocOneClickInstaller");
    if (distribution) settings.bootstrap = "TRUE";
    settings.prereq_config_location = text("PREREQ_CONFIG_LOCATION", settings.prereq_config_location);
    settings.wait_for_completion = flag("WAIT_FOR_COMPLETION", "F");
    settings.copy_threads = text("COPY_THREADS", "0", kMaxCountLength);
    return distribution;
}

void read_location_settings(const RawParameterReader& read, KitSettings& settings) {
    settings.source = parameter_value(read("SOURCE"), "", ValueForm::Text, kMaxPathLength);
    settings.nls_enabled = parameter_value(read("NLS_ENABLED"), "TRUE", ValueForm::Text, kMaxPathLength);
}

DerivedDirectories derive_directories(const KitSettings& settings) {
    DerivedDirectories derived;
    derived.java_bin = settings.jre_location;
    join_path(derived.java_bin, "bin");
    derived.installer_lib = settings.ksi_location + "\\jlib";
    derived.core_lib = settings.ksi_core_location + "\\jlib";
    derived.native_lib = settings.ksi_core_location + "\\lib\\win32";
    return derived;
}

std::vector<std::string> images_directory_candidates(std::string_view program_directory) {
    return {beside_and_above(program_directory, "images", false), beside_and_above(program_directory, "images", true)};
}

}  // namespace kit
