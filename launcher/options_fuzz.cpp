// A command line of any bytes through the early options and the option scan:
// values stay within their 1024-byte places, the cut at "-J" keeps everything
// before it, and a location value never holds a quotation mark.
#include "launcher/options.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string key = in.ConsumeRandomLengthString(32);
    const launcher::LocationKey location_key =
        in.ConsumeBool() ? launcher::LocationKey::FromLocation : launcher::LocationKey::PrereqConfig;
    const std::string command_line = in.ConsumeRemainingBytesAsString();

    std::string out = "  previous value  ";
    launcher::extract_option_value(key, command_line, out);
    if (out.size() > launcher::kMaxValueLength && out != "  previous value  ") __builtin_trap();

    const launcher::EarlyOptions early = launcher::read_early_options("C:\\kit\\setup.exe", command_line);
    if (early.param_file.size() > launcher::kMaxValueLength || early.jre_location.size() > launcher::kMaxValueLength)
        __builtin_trap();

    const std::string location = launcher::location_assignment(command_line, location_key);
    if (location.size() > launcher::kMaxValueLength) __builtin_trap();
    // Quotation marks are removed, and a blank is only kept inside them.
    if (location.find('"') != std::string::npos) __builtin_trap();
    if (location.find_first_of(" \t") != std::string::npos && command_line.find('"') == std::string::npos)
        __builtin_trap();

    std::string scanned = command_line;
    const launcher::OptionState state = launcher::scan_and_cut_options(scanned);
    if (command_line.compare(0, scanned.size(), scanned) != 0) __builtin_trap();
    if (state.jvm_options && scanned.size() + 2 + state.jvm_options->size() != command_line.size()) __builtin_trap();
    if (state.prereq_config_location.size() > launcher::kMaxValueLength) __builtin_trap();

    const std::string upper = launcher::upper_copy(command_line);
    if (upper.size() != command_line.size()) __builtin_trap();
    std::string trimmed = command_line;
    launcher::trim_value(trimmed);
    if (trimmed.size() > command_line.size()) __builtin_trap();
    return 0;
}
