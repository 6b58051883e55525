// The parts of the kit checker and what they share.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kitcheck/kit_checker.h"
#include "launcher/kit/param_file.h"

namespace kitcheck {

class Report {
public:
    explicit Report(std::vector<Finding>& out) : out_(out) {}
    void error(std::string_view file, int line, std::string text) { add(file, line, Severity::Error, std::move(text)); }
    void warning(std::string_view file, int line, std::string text) {
        add(file, line, Severity::Warning, std::move(text));
    }
    void note(std::string_view file, int line, std::string text) { add(file, line, Severity::Note, std::move(text)); }

private:
    void add(std::string_view file, int line, Severity severity, std::string text) {
        out_.push_back({std::string(file), line, severity, std::move(text)});
    }
    std::vector<Finding>& out_;
};

struct TextLine {
    int number;
    std::string text;
};
// The lines of a file read in text mode: an LF ends a line, a CR before it is
// dropped, a final line without LF counts.
std::vector<TextLine> text_lines(std::string_view bytes);

// A section of the parameter file as the system's profile reading sees it:
// names without regard to case, blanks around keys and values removed, one
// pair of quotation marks around a value removed, ";" lines are comments.
struct ProfileEntry {
    int line;
    std::string key;
    std::string value;
};
struct ProfileSection {
    int line;
    std::string name;
    std::vector<ProfileEntry> entries;
};
std::vector<ProfileSection> read_profile(std::string_view bytes);
bool same_name(std::string_view a, std::string_view b);
// ASCII letters in lower case, as names are compared without regard to case.
std::string lowered(std::string_view text);
// First section / entry of that name (without regard to case), or nullptr.
const ProfileSection* find_section(const std::vector<ProfileSection>& sections, std::string_view name);
const ProfileEntry* find_entry(const ProfileSection& section, std::string_view key);

// Well-formed UTF-8: no overlong forms, surrogates or values beyond Unicode.
bool valid_utf8(std::string_view text);

// A Windows path that does not start from the kit: "\\..." or "X:...".
bool is_absolute(const std::string& path);

// The whole content of a file of this machine, or nullopt when it cannot be read.
std::optional<std::string> read_whole_file(const std::string& path);

// A path with "." and ".." segments folded and the ".\" prefix dropped.
std::string normal_path(std::string_view path);
bool ends_with_ignoring_case(std::string_view text, std::string_view tail);

// UTF-16 text as this machine's programs read it: UTF-8 on a POSIX host, the
// ANSI code page on Windows (as the system's profile reading converts it).
std::string text_from_utf16(std::u16string_view text);

// The text of velparam.ini as setup.exe's readers see it, after reporting its
// encoding: a UTF-16 file is converted, a UTF-8 byte-order mark dropped.
std::string decode_parameter_file(const std::string& name, std::string_view bytes, Report& report);
void check_parameter_file(const KitFiles& files, const std::string& name, std::string_view bytes, Report& report);
// The lines of [Velmor] that staging findings name (0: not in the file).
struct StagingLines {
    int addto_classpath = 0;
    int bootstrap_size = 0;
};
void check_staging(const KitFiles& files, const std::string& file, const kit::KitSettings& settings,
                   const StagingLines& lines, Report& report);
void check_prerequisites(const std::string& name, std::string_view bytes, Report& report);
void check_catalogues(const KitFiles& files, Report& report);

}  // namespace kitcheck
