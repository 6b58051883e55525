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
    launcher::JavaCommandInput input;
    for (std::string* field : {&input.java_bin_directory, &input.native_library_directory,
                               &input.core_archive_directory, &input.archive_directory, &input.ksi_core_location,
                               &input.program_directory, &input.jre_location, &input.scratch_directory,
                               &input.startup_location, &input.launcher_path, &input.run_timestamp,
                               &input.jre_osdparam, &input.jre_memory_options, &input.copy_threads,
                               &input.nls_enabled, &input.prereq_config_location, &input.thin_jdbc_filename,
                               &input.addto_classpath, &input.source}) {
        *field = in.ConsumeRandomLengthString(300);
    }
    input.bootstrap = in.ConsumeBool();
    if (in.ConsumeBool()) input.jvm_options = in.ConsumeRandomLengthString(300);
    input.has_mx = in.ConsumeBool();
    input.debug = in.ConsumeBool();
    input.memory = in.ConsumeBool();
    input.silent = in.ConsumeBool();
    input.no_console = in.ConsumeBool();
    input.distribution = in.ConsumeBool();
    input.external_jre = in.ConsumeBool();

    launcher::ModeFlags flags;
    for (bool* flag : {&flags.preclonesetup, &flags.prereqchecker, &flags.updatenodelist, &flags.attachhome,
                       &flags.removehome, &flags.addnode, &flags.oneclick}) {
        *flag = in.ConsumeBool();
    }
    const std::string install_class = in.ConsumeRandomLengthString(100);
    const std::string oneclick_class = in.ConsumeRandomLengthString(100);
    const launcher::ModeChoice mode = launcher::choose_mode(flags, input.silent, install_class, oneclick_class);
    input.main_class = mode.main_class;
    input.doubled = mode.doubled;
    input.command_line = in.ConsumeRemainingBytesAsString();

    const launcher::JavaCommand command = launcher::assemble_java_command(input);
    if (command.items.empty() || command.items.front() != "\"" + command.program_path + "\" ") __builtin_trap();
    if (command.items.back() != input.command_line) __builtin_trap();
    if (std::find(command.items.begin(), command.items.end(), input.main_class) == command.items.end())
        __builtin_trap();
    if (mode.doubled && std::find(command.items.begin(), command.items.end(),
                                  launcher::kRegularInstallerClass) == command.items.end())
        __builtin_trap();

    // Each word is one argument: its marks pair up and no blank stands outside them.
    for (const std::string& word : launcher::memory_option_words(input.jre_memory_options)) {
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
    launcher::add_source_location(input.source, items, input.startup_location);
    if (input.source.empty() != items.empty()) __builtin_trap();
    return 0;
}
