// The installer's command assembled from settings of any text: the runtime
// program comes first, the user's command line last, each memory option word
// comes from the setting, and the main class stands where the modes put it.
#include "launcher/java_command.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    kit::KitSettings settings;
    kit::DerivedDirectories directories;
    launcher::RunPlaces places;
    for (std::string* field : {&directories.java_bin, &directories.native_lib, &directories.core_lib,
                               &directories.installer_lib, &settings.ksi_core_location, &places.program_directory,
                               &settings.jre_location, &places.scratch_directory, &places.startup_location,
                               &places.launcher_path, &places.run_timestamp, &settings.jre_osdparam,
                               &settings.jre_memory_options, &settings.copy_threads, &settings.nls_enabled,
                               &settings.prereq_config_location, &settings.thin_jdbc_filename,
                               &settings.addto_classpath, &settings.source}) {
        *field = in.ConsumeRandomLengthString(300);
    }
    launcher::OptionState options;
    const bool bootstrap = in.ConsumeBool();
    if (in.ConsumeBool()) options.jvm_options = in.ConsumeRandomLengthString(300);
    options.has_mx = in.ConsumeBool();
    options.debug = in.ConsumeBool();
    options.memory = in.ConsumeBool();
    options.silent = in.ConsumeBool();
    options.no_console = in.ConsumeBool();
    settings.distribution = in.ConsumeBool();
    const bool external_jre = in.ConsumeBool();

    for (bool* flag : {&options.preclonesetup, &options.prereqchecker, &options.updatenodelist, &options.attachhome,
                       &options.removehome, &options.addnode, &options.oneclick}) {
        *flag = in.ConsumeBool();
    }
    const std::string install_class = in.ConsumeRandomLengthString(100);
    const std::string oneclick_class = in.ConsumeRandomLengthString(100);
    const launcher::ModeChoice mode = launcher::choose_mode(options, install_class, oneclick_class);
    places.command_line = in.ConsumeRemainingBytesAsString();
    const launcher::JavaCommandInput input{settings, directories, options, mode, places, bootstrap, external_jre};

    const launcher::JavaCommand command = launcher::assemble_java_command(input);
    if (command.items.empty() || command.items.front() != "\"" + command.program_path + "\" ") __builtin_trap();
    if (command.items.back() != places.command_line) __builtin_trap();
    if (std::find(command.items.begin(), command.items.end(), mode.main_class) == command.items.end())
        __builtin_trap();
    if (mode.doubled && std::find(command.items.begin(), command.items.end(),
                                  launcher::kRegularInstallerClass) == command.items.end())
        __builtin_trap();

    // Each word is one argument: its marks pair up and no blank stands outside them.
    for (const std::string& word : launcher::memory_option_words(settings.jre_memory_options)) {
        bool in_quotes = false;
        for (char c : word) {
            if (c == '"') in_quotes = !in_quotes;
            if (!in_quotes && (c == ' ' || c == '\t')) __builtin_trap();
        }
        if (word.empty() || in_quotes) __builtin_trap();
    }
    const std::string classpath = launcher::build_classpath(input);
    if (classpath.size() < 2 || classpath.front() != '"' || classpath.back() != '"') __builtin_trap();
    std::vector<std::string> items;
    launcher::add_source_location(settings.source, items, places.startup_location);
    if (settings.source.empty() != items.empty()) __builtin_trap();
    return 0;
}
