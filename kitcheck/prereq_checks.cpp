// The prerequisite sections of velparam.ini: the certified versions and the
// Windows-<version>-required/-optional sections, read line by line with the
// prerequisite reader's own rules.
#include <algorithm>
#include <map>
#include <set>

#include "kitcheck/checks.h"
#include "launcher/prereq/check_logic.h"
#include "launcher/prereq/section_reader.h"

namespace kitcheck {

namespace {

constexpr std::string_view kCertifiedSection = "Certified Versions";

bool is_number(std::string_view text, bool fraction) {
    bool digits = false, point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && fraction && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

// "major.minor" as setup.exe writes the running version ("%lu.%lu").
bool is_version(std::string_view text) {
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) return false;
    const std::string_view major = text.substr(0, point), minor = text.substr(point + 1);
    const auto plain = [](std::string_view n) { return is_number(n, false) && (n.size() == 1 || n[0] != '0'); };
    return plain(major) && plain(minor);
}

std::vector<std::string_view> split_commas(std::string_view list) {
    std::vector<std::string_view> entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        entries.push_back(list.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) return entries;
        start = comma + 1;
    }
}

struct SectionName {
    std::string version;
    bool required = false;
};

// Windows-<version>-required / -optional, compared as the reader compares.
std::optional<SectionName> pass_section(std::string_view name) {
    constexpr std::string_view kPrefix = "Windows-";
    for (bool required : {true, false}) {
        const std::string_view suffix = required ? "-required" : "-optional";
        if (name.size() > kPrefix.size() + suffix.size() && name.starts_with(kPrefix) && name.ends_with(suffix)) {
            return SectionName{std::string(name.substr(kPrefix.size(), name.size() - kPrefix.size() - suffix.size())),
                               required};
        }
    }
    return std::nullopt;
}

std::string number_text(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

// The value a reader would take if it kept to what the line shows.
std::string apparent_value(const std::string& line) {
    const std::size_t equals = line.find('=');
    std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    prereq::trim_blanks(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    prereq::trim_blanks(value);
    if (!value.empty() && prereq::is_blank(value[0])) value.clear();
    return value;
}

void check_value(const prereq::CheckKey& check, const std::string& value, const std::string& file, int line,
                 Report& report) {
    const std::string entry = std::string(check.name) + "=" + value;
    switch (check.value) {
        case prereq::CheckValue::LevelList:
            for (std::string_view level : split_commas(value)) {
                if (level.find_first_of(" \t") != std::string_view::npos)
                    report.error(file, line,
                                 entry + ": \"" + std::string(level) +
                                     "\" holds a blank, but setup.exe compares the level alone (such as 6a)");
            }
            return;
        case prereq::CheckValue::Integer: {
            const int number = prereq::read_integer(value);
            if (number <= 0) {
                report.error(file, line,
                             entry + ": setup.exe reads no number above 0 here, so the check gives no verdict");
            } else if (!is_number(value, false)) {
                report.warning(file, line, entry + " is read as " + std::to_string(number));
            }
            return;
        }
        case prereq::CheckValue::Real: {
            const double number = prereq::read_real(value);
            if (number <= 0) {
                const std::string_view name = check.name;
                const char* outcome = name == "SWAP_SPACE"   ? "so the check always fails"
                                      : name == "TEMP_SPACE" ? "so the check always passes"
                                                             : "so the check gives no verdict";
                report.error(file, line, entry + ": setup.exe reads no number above 0 here, " + outcome);
            } else if (!is_number(value, true)) {
                report.warning(file, line, entry + " is read as " + number_text(number));
            }
            return;
        }
    }
}

// What an unknown key of a requirement section is taken for: no check runs
// for it, so a misspelling silently drops the requirement.
std::string unknown_check_key(const std::string& key, const std::string& section,
                              const std::vector<std::string_view>& known) {
    constexpr std::string_view kFailureSuffix = "_FAILURE_MESSAGE";
    if (key.ends_with(kFailureSuffix)) {
        const prereq::CheckKey* check = prereq::find_check_key(key.substr(0, key.size() - kFailureSuffix.size()));
        if (check && !check->failure_message_key)
            return key + " in [" + section + "]: " + check->name +
                   " has no failure message, setup.exe never shows this text (only SERVICE_PACK, "
                   "MIN_DISPLAY_COLORS and CPU have one)";
    }
    std::string text = "unknown key " + key + " in [" + section + "]: setup.exe passes it over, so no check runs for it";
    const std::string nearest = nearest_name(key, known);
    if (same_name(nearest, key)) {
        text += " (key names are case-sensitive here: write " + nearest + ")";
    } else if (!nearest.empty()) {
        text += " (did you mean " + nearest + "?)";
    }
    return text;
}

// The certified versions, read as the system's profile reading reads the list.
std::set<std::string> certified_versions(const std::string& file, std::string_view bytes, Report& report) {
    std::set<std::string> listed;
    const std::vector<ProfileSection> profile = read_profile(bytes);
    const ProfileSection* certified = find_section(profile, kCertifiedSection);
    const ProfileEntry* windows = certified ? find_entry(*certified, "Windows") : nullptr;
    if (!windows) return listed;
    for (std::string_view version : split_commas(windows->value)) {
        if (version.empty()) continue;  // passed over
        if (is_version(version)) {
            listed.emplace(version);
        } else {
            report.error(file, windows->line,
                         "Windows=" + windows->value + ": \"" + std::string(version) +
                             "\" never matches: setup.exe compares major.minor exactly, such as 6.1");
        }
    }
    return listed;
}

// The keys a pass section may hold: the checks and their failure messages.
std::vector<std::string_view> pass_section_keys() {
    std::vector<std::string_view> keys;
    for (const prereq::CheckKey& check : prereq::kCheckKeys) {
        keys.push_back(check.name);
        if (check.failure_message_key) keys.push_back(check.failure_message_key);
    }
    return keys;
}

bool is_failure_message_key(const std::string& key) {
    for (const prereq::CheckKey& check : prereq::kCheckKeys) {
        if (check.failure_message_key && key == check.failure_message_key) return true;
    }
    return false;
}

struct VersionSections {
    std::set<std::string> checks;                 // check keys of its two read sections
    std::map<std::string, int> failure_messages;  // failure-message key -> line
};

// The line-by-line read of the pass sections, as far as it has come.
struct PassRead {
    const std::string& file;
    Report& report;
    std::set<std::string> listed;          // the certified versions
    std::vector<std::string_view> known;   // the keys a pass section may hold
    std::map<std::string, int> headers{};  // pass sections read, with their lines
    std::map<std::string, VersionSections> versions{};
    std::string section{};  // the pass section being read, or empty
    std::string version{};  // its Windows version
};

// A header that would name a pass section but for its letter case.
void report_miscased_pass_section(const PassRead& read, const std::string& name, int number) {
    const std::string low = lowered(name);
    constexpr std::size_t kPrefixLength = 8, kSuffixLength = 9;  // "windows-", "-required"
    if (low.size() <= kPrefixLength + kSuffixLength || !low.starts_with("windows-") ||
        !(low.ends_with("-required") || low.ends_with("-optional")))
        return;
    const std::string version = name.substr(kPrefixLength, name.size() - kPrefixLength - kSuffixLength);
    if (read.listed.count(version)) {
        const std::string meant = "Windows-" + version + (low.ends_with("-required") ? "-required" : "-optional");
        read.report.error(read.file, number,
                          "[" + name + "] differs from [" + meant +
                              "] only by letter case: setup.exe compares section names exactly, so it "
                              "never reads this section and its checks do not run");
    } else {
        read.report.warning(read.file, number,
                            "[" + name +
                                "]: section names are case-sensitive; setup.exe looks for "
                                "[Windows-<version>-required] and [Windows-<version>-optional]");
    }
}

// A section header (as section_header left it, its "[" at `open`): the pass
// section that setup.exe reads from here on, if any.
void read_header(PassRead& read, const std::string& line, std::size_t open, int number) {
    read.section.clear();
    const std::size_t close = line.find(']', open + 1);
    const std::string name = line.substr(open + 1, close - open - 1);
    const std::optional<SectionName> pass = pass_section(name);
    if (!pass) {
        report_miscased_pass_section(read, name, number);
        return;
    }
    if (!prereq::header_matches(line, name)) {
        read.report.warning(read.file, number,
                            open > 0 ? "[" + name +
                                           "] is indented: the prerequisite reader only matches a "
                                           "header that starts in the first column"
                                     : "[" + name +
                                           "] has text after its \"]\": the prerequisite reader never "
                                           "matches it");
        return;
    }
    if (!read.listed.count(pass->version)) {
        read.report.warning(read.file, number,
                            "[" + name +
                                "] belongs to no version listed in [Certified Versions]: setup.exe never "
                                "reads it");
        return;
    }
    const auto [earlier, first] = read.headers.emplace(name, number);
    if (!first) {
        read.report.warning(read.file, number,
                            "[" + name + "] given again: setup.exe reads only the section on line " +
                                std::to_string(earlier->second));
        return;
    }
    read.section = name;
    read.version = pass->version;
}

// An entry line of the pass section being read.
void read_entry(PassRead& read, const std::string& line, int number) {
    std::string key, value;
    if (!prereq::split_entry(line, key, value)) {
        read.report.warning(read.file, number,
                            "a line without a key ends [" + read.section + "]: setup.exe reads no entry below it");
        read.section.clear();
        return;
    }
    if (key[0] == ';' || key[0] == '#') return;  // meant as a comment; matches no key
    const prereq::CheckKey* check = prereq::find_check_key(key);
    const bool failure_message = is_failure_message_key(key);
    if (!check && !failure_message) {
        read.report.error(read.file, number, unknown_check_key(key, read.section, read.known));
        return;
    }
    const std::string apparent = apparent_value(line);
    if (value != apparent) {
        read.report.warning(read.file, number,
                            key + ": the prerequisite reader takes the value \"" + value + "\", not \"" + apparent +
                                "\" (a blank before \"=\" leaves no value; a value holding \"=\" needs quotes)");
    } else if (value.empty()) {
        read.report.warning(read.file, number, key + " has no value: setup.exe passes it over");
    }
    if (value.empty()) return;
    if (failure_message) {
        read.versions[read.version].failure_messages.emplace(key, number);
        return;
    }
    read.versions[read.version].checks.insert(key);
    check_value(*check, value, read.file, number, read.report);
}

// A failure message shows only when its check runs for the same version.
void report_unshown_failure_messages(const PassRead& read) {
    for (const auto& [name, sections] : read.versions) {
        for (const auto& [key, line] : sections.failure_messages) {
            for (const prereq::CheckKey& check : prereq::kCheckKeys) {
                if (!check.failure_message_key || key != check.failure_message_key || sections.checks.count(check.name))
                    continue;
                read.report.warning(
                    read.file, line,
                    key + " without a " + check.name + " check for Windows " + name + ": setup.exe never shows it");
            }
        }
    }
}

}  // namespace

void check_prerequisites(const std::string& file, std::string_view bytes, Report& report) {
    PassRead read{.file = file,
                  .report = report,
                  .listed = certified_versions(file, bytes, report),
                  .known = pass_section_keys()};
    for (const TextLine& text_line : text_lines(bytes)) {
        std::string line = text_line.text;
        if (line.size() > prereq::kMaxLineLength) {
            line.resize(prereq::kMaxLineLength);
            report.warning(file, text_line.number,
                           "line longer than " + std::to_string(prereq::kMaxLineLength) +
                               " characters: the prerequisite reader takes only its beginning");
        }
        if (std::all_of(line.begin(), line.end(), prereq::is_blank)) continue;
        if (const std::optional<std::size_t> open = prereq::section_header(line)) {
            read_header(read, line, *open, text_line.number);
        } else if (!read.section.empty()) {
            read_entry(read, line, text_line.number);
        }
    }
    report_unshown_failure_messages(read);
}

}  // namespace kitcheck
