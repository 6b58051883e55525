#include "launcher/options.h"

#include "common/ansi_text.h"

namespace launcher {

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr std::string_view kJvmOptionsMark = "-J";

struct FlagOption {
    std::string_view text;
    void (*apply)(OptionState&);
};

// Tested in this order against the upper-case command line.
constexpr FlagOption kFlagOptions[] = {
    {"-PRECLONESETUP", [](OptionState& s) { s.preclonesetup = true; }},
    {"-UPDATENODELIST", [](OptionState& s) { s.updatenodelist = true; }},
    {"-ATTACHHOME", [](OptionState& s) { s.attachhome = true; s.silent = true; }},
    {"-REMOVEHOME", [](OptionState& s) { s.removehome = true; }},
    {"-ADDNODE", [](OptionState& s) { s.addnode = true; }},
    {"-PREREQCHECKER", [](OptionState& s) { s.prereqchecker = true; s.tool_name = kPrereqCheckerToolName; }},
    {"-SILENT", [](OptionState& s) { s.silent = true; }},
    {"-WAITFORCOMPLETION", [](OptionState& s) { s.wait_requested = true; }},
    {"-HELP", [](OptionState& s) { s.help = true; s.silent = true; }},
    {"-DEBUG", [](OptionState& s) { s.debug = true; }},
    {"-MEMORY", [](OptionState& s) { s.memory = true; }},
    {"-IGNORESYSPREREQS", [](OptionState& s) { s.ignore_sysprereqs = true; }},
    {"-EXECUTESYSPREREQS", [](OptionState& s) { s.execute_sysprereqs = true; }},
    {"-NOCONSOLE", [](OptionState& s) { s.no_console = true; }},
};

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The text of a value in quotation marks, when `value` starts with one and
// the marks close.
std::optional<std::string_view> quoted_text(std::string_view value) {
    const std::size_t start = value.find_first_not_of(kWhiteSpace);
    if (start == std::string_view::npos || value[start] != '"') return std::nullopt;
    const std::size_t end = value.find('"', start + 1);
    if (end == std::string_view::npos) return std::nullopt;
    return value.substr(start + 1, end - start - 1);
}

}  // namespace

std::string join_arguments(std::span<const std::string> strings) {
    std::string joined;
    for (const std::string& s : strings) {
        joined += s;
        joined += ' ';
    }
    return joined;
}

void trim_value(std::string& text) {
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    text.erase(last == std::string::npos ? 0 : last + 1);
    text.erase(0, text.find_first_not_of(kWhiteSpace));
}

std::string upper_copy(std::string_view source) {
    std::string copy(source);
    for (char& c : copy) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return copy;
}

void extract_option_value(std::string_view key, std::string_view joined, std::string& out) {
    if (joined.empty()) return;
    const std::size_t at = joined.find(key);
    if (at == std::string_view::npos) {
        trim_value(out);
        return;
    }
    const std::string_view rest = joined.substr(at + key.size());
    std::string value;
    if (const auto quoted = quoted_text(rest)) {
        // Users quote paths with blanks; the marks are not part of the path.
        value = *quoted;
    } else {
        value = rest.substr(0, rest.find(" -", 1));
        trim_value(value);
    }
    if (value.size() > kMaxValueLength) {
        trim_value(out);
        return;
    }
    out = std::move(value);
}

EarlyOptions read_early_options(const std::string& program_path, const std::string& command_line) {
    const std::string entries[] = {program_path, command_line};
    const std::string joined = join_arguments(entries);
    EarlyOptions early;
    extract_option_value("-paramFile", joined, early.param_file);
    if (contains(joined, "-jreLoc")) {
        extract_option_value("-jreLoc", joined, early.jre_location);
        early.jre_location_given = true;
    }
    return early;
}

std::string location_assignment(std::string_view argument, LocationKey location_key) {
    // The value follows its own key (any case) and ends at the first blank
    // outside quotation marks, so later options are not part of it.
    const bool from_location = location_key == LocationKey::FromLocation;
    const std::string_view key = from_location ? "FROM_LOCATION=" : "PREREQ_CONFIG_LOCATION=";
    const std::size_t at = upper_copy(argument).find(key);
    if (at == std::string::npos) return {};
    std::size_t pos = argument.find_first_not_of('=', at + key.size());
    std::string value;
    for (bool in_quotes = false; pos < argument.size(); ++pos) {
        const char c = argument[pos];
        if (c == '"') {
            in_quotes = !in_quotes;
        } else if (!in_quotes && (c == ' ' || c == '\t')) {
            break;
        } else {
            value += c;
        }
    }
    if (value.empty()) return {};
    if (from_location) {
        const std::size_t slash = vel::rfind_ansi_char(value, "\\");
        if (slash != std::string::npos) value.erase(slash);
        value += "\\prereq";
    }
    if (value.size() > kMaxValueLength) return {};
    return value;
}

OptionState scan_and_cut_options(std::string& command_line) {
    OptionState state;
    const std::string upper = upper_copy(command_line);
    const std::size_t jvm_mark = command_line.find(kJvmOptionsMark);
    if (jvm_mark != std::string::npos) {
        state.jvm_options = command_line.substr(jvm_mark + kJvmOptionsMark.size());
        command_line.erase(jvm_mark);
        state.has_mx = contains(*state.jvm_options, "-mx");
    }
    for (const FlagOption& option : kFlagOptions) {
        if (contains(upper, option.text)) option.apply(state);
    }
    if (contains(upper, "PREREQ_CONFIG_LOCATION")) {
        state.prereq_config_location = location_assignment(command_line, LocationKey::PrereqConfig);
    }
    if (contains(upper, "-ONECLICK")) state.oneclick = true;
    if (contains(upper, "FROM_LOCATION") && state.prereq_config_location.empty()) {
        state.prereq_config_location = location_assignment(command_line, LocationKey::FromLocation);
    }
    return state;
}

}  // namespace launcher
