// velparam.ini's section [Velmor]: its keys and values, and the locations and
// archives they name, resolved as setup.exe resolves them.
#include <algorithm>
#include <cctype>

#include "kitcheck/checks.h"
#include "launcher/java_command.h"
#include "launcher/kit/param_file.h"
#include "launcher/kit/staging.h"

namespace kitcheck {

namespace {

// setup.exe's own directory, which relative locations start from.
constexpr std::string_view kProgramDirectory = ".";

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool is_location_key(std::string_view key) {
    return key == "JRE_LOCATION" || key == "KSI_LOCATION" || key == "KSI_CORE_LOCATION" ||
           key == "PREREQ_CONFIG_LOCATION" || key == "SOURCE";
}

// What a location's value must not hold: characters no Windows path takes, a
// colon other than a drive's, and quotation marks, which would end the
// quoting of the value on the installer's command line.
std::string location_form_problem(std::string_view value) {
    const std::size_t bad = value.find_first_of("\"*?<>|");
    if (bad != std::string_view::npos)
        return std::string("holds the character ") + value[bad] + ", which no Windows path takes";
    const std::size_t colon = value.find(':', 2);
    if (colon != std::string_view::npos ||
        (value.size() >= 2 && value[1] == ':' && !std::isalpha(static_cast<unsigned char>(value[0]))))
        return "holds a colon that is not a drive's";
    return {};
}

// The machine type in a Windows program's or library's PE header.
std::optional<unsigned> pe_machine(std::string_view bytes) {
    constexpr std::size_t kHeaderOffsetAt = 0x3C;
    const auto byte = [&bytes](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])); };
    if (bytes.size() < kHeaderOffsetAt + 4 || !bytes.starts_with("MZ")) return std::nullopt;
    const std::size_t header = byte(kHeaderOffsetAt) | byte(kHeaderOffsetAt + 1) << 8 |
                               byte(kHeaderOffsetAt + 2) << 16 | static_cast<std::size_t>(byte(kHeaderOffsetAt + 3)) << 24;
    if (header > bytes.size() || bytes.size() - header < 6 || bytes.substr(header, 4) != std::string_view("PE\0\0", 4))
        return std::nullopt;
    return byte(header + 4) | byte(header + 5) << 8;
}

bool is_64_bit_machine(unsigned machine) {
    constexpr unsigned kAmd64 = 0x8664, kArm64 = 0xAA64, kItanium = 0x0200;
    return machine == kAmd64 || machine == kArm64 || machine == kItanium;
}

// A Java virtual machine loads only libraries of its own width.
void check_runtime_width(const KitFiles& files, const std::string& java, std::string_view java_shown,
                         const std::string& native_lib, const std::string& file, int line, Report& report) {
    const std::optional<std::string> program = files.kind(java) == EntryKind::File ? files.read(java) : std::nullopt;
    const std::optional<unsigned> machine = program ? pe_machine(*program) : std::nullopt;
    if (!machine) return;
    const bool wide = is_64_bit_machine(*machine);
    std::vector<std::string> others;
    for (const std::string& name : files.list(native_lib)) {
        if (!ends_with_ignoring_case(name, ".dll")) continue;
        const std::optional<std::string> library = files.read(native_lib + "\\" + name);
        const std::optional<unsigned> library_machine = library ? pe_machine(*library) : std::nullopt;
        if (library_machine && is_64_bit_machine(*library_machine) != wide) others.push_back(name);
    }
    if (others.empty()) return;
    const char* java_width = wide ? "64-bit" : "32-bit";
    const char* library_width = wide ? "32-bit" : "64-bit";
    std::string named = others.front();
    if (others.size() > 1) named += " and " + std::to_string(others.size() - 1) + " more";
    report.error(file, line,
                 std::string(java_shown) + " (" + normal_path(java) + ") is a " + java_width + " program, but " +
                     normal_path(native_lib) + " holds " + library_width + " libraries (" + named +
                     "): its Java virtual machine cannot load them; use a " + library_width + " Java runtime");
}

// The key of [Velmor] an entry names (without regard to case), or nullptr.
const kit::ParameterKey* parameter_key(std::string_view name) {
    for (const kit::ParameterKey& key : kit::kParameterKeys) {
        if (same_name(key.name, name)) return &key;
    }
    return nullptr;
}

std::string unknown_parameter_key(const std::string& key) {
    std::vector<std::string_view> known;
    for (const kit::ParameterKey& candidate : kit::kParameterKeys) known.push_back(candidate.name);
    std::string text = "unknown key " + key + ": setup.exe does not read it";
    const std::string nearest = nearest_name(key, known);
    if (!nearest.empty()) text += " (did you mean " + nearest + "?)";
    return text;
}

void check_bootstrap_size(const ProfileEntry& entry, const std::string& file, Report& report) {
    const std::string& value = entry.value;
    const long long megabytes = kit::parse_bootstrap_size(value);
    if (megabytes < 0 || megabytes > kit::kMaxBootstrapMegabytes) {
        report.error(file, entry.line,
                     "BOOTSTRAP_SIZE=" + value + " is out of range: setup.exe takes 0 to " +
                         std::to_string(kit::kMaxBootstrapMegabytes) + " (megabytes)");
    } else if (!all_digits(value)) {
        report.warning(file, entry.line, "BOOTSTRAP_SIZE=" + value + " is read as " + std::to_string(megabytes));
    }
}

// The value of an entry setup.exe reads (an empty one takes the default).
void check_parameter_value(const kit::ParameterKey& key, const ProfileEntry& entry, const std::string& file,
                           Report& report) {
    const std::string& value = entry.value;
    const std::string name(key.name);
    if (value.empty()) return;
    if (value.size() > key.max_length) {
        report.error(file, entry.line,
                     name + " has " + std::to_string(value.size()) + " characters, more than the " +
                         std::to_string(key.max_length) + " setup.exe takes: it uses the default instead");
        return;
    }
    if (key.form == kit::ValueForm::Flag && value[0] != 'T' && value[0] != 'F') {
        report.error(file, entry.line,
                     name + "=" + value + ": setup.exe reads only the first letter, " + value.substr(0, 1) +
                         ", and takes anything but T as FALSE (write TRUE or FALSE)");
    } else if (name == "BOOTSTRAP_SIZE") {
        check_bootstrap_size(entry, file, report);
    } else if (name == "COPY_THREADS" && !all_digits(value)) {
        report.error(file, entry.line, "COPY_THREADS=" + value + " is not a number");
    } else if (is_location_key(name) && !(name == "SOURCE" && launcher::is_http_location(value))) {
        const std::string problem = location_form_problem(value);
        if (!problem.empty()) report.error(file, entry.line, name + "=" + value + " " + problem);
    }
}

void check_entries(const ProfileSection& section, const std::string& file, Report& report) {
    std::vector<const ProfileEntry*> seen;
    for (const ProfileEntry& entry : section.entries) {
        const kit::ParameterKey* key = parameter_key(entry.key);
        if (!key) {
            report.warning(file, entry.line, unknown_parameter_key(entry.key));
            continue;
        }
        const auto earlier = std::find_if(seen.begin(), seen.end(), [&entry](const ProfileEntry* other) {
            return same_name(other->key, entry.key);
        });
        if (earlier != seen.end()) {
            report.warning(file, entry.line,
                           std::string(key->name) + " given again: setup.exe reads only line " +
                               std::to_string((*earlier)->line));
            continue;
        }
        seen.push_back(&entry);
        check_parameter_value(*key, entry, file, report);
    }
}

// The section [Velmor], when the file has one.
struct VelmorSection {
    const ProfileSection* section = nullptr;
    int line_of(std::string_view key) const {
        const ProfileEntry* entry = section ? find_entry(*section, key) : nullptr;
        return entry ? entry->line : 0;
    }
    std::string value_of(std::string_view key) const {
        const ProfileEntry* entry = section ? find_entry(*section, key) : nullptr;
        return entry ? entry->value : std::string();
    }
};

// The settings as setup.exe takes them, from the values as it reads them.
kit::KitSettings settings_as_read(const VelmorSection& velmor) {
    const kit::RawParameterReader read = [&velmor](std::string_view key) { return velmor.value_of(key); };
    kit::KitSettings settings;
    const bool distribution = kit::read_settings(read, std::string(kProgramDirectory), false, settings);
    kit::read_location_settings(read, settings);
    settings.distribution = distribution;
    return settings;
}

constexpr std::string_view kRuntimeNotSet =
    "JRE_LOCATION is not set: setup.exe asks for the Java runtime or takes it from -jreLoc";

// The locations the settings name, looked at in the kit's files.
struct LocationCheck {
    const KitFiles& files;
    const std::string& file;
    Report& report;

    // nullopt when the path cannot be looked at here (reported as a warning).
    std::optional<EntryKind> look_at(const std::string& path, int line, std::string_view what) {
        const std::optional<EntryKind> found = files.kind(path);
        if (!found)
            report.warning(file, line,
                           std::string(what) + " (" + normal_path(path) + ") cannot be checked on this machine");
        return found;
    }

    void require(const std::string& path, EntryKind wanted, int line, std::string_view what, bool asked) {
        const std::optional<EntryKind> found = look_at(path, line, what);
        if (!found || *found == wanted) return;
        std::string text = std::string(what) + " (" + normal_path(path) + ") is missing";
        if (asked) {
            report.warning(file, line, text + ": setup.exe needs -jreLoc");
        } else {
            report.error(file, line, text);
        }
    }

    void require_archives(const std::string& directory, int line, std::string_view what) {
        const std::optional<EntryKind> found = look_at(directory, line, what);
        if (!found) return;
        if (*found == EntryKind::Directory) {
            for (const std::string& name : files.list(directory)) {
                if (ends_with_ignoring_case(name, ".jar")) return;
            }
        }
        report.error(file, line,
                     std::string(what) + " (" + normal_path(directory) + ") holds no .jar archives to expand");
    }
};

// Distribution mode: unzip.exe and the archives it expands.
void check_distribution(LocationCheck& check, const kit::KitSettings& settings, const VelmorSection& velmor) {
    if (check.files.kind("unzip.exe") != EntryKind::File)
        check.report.error(check.file, velmor.line_of("DISTRIBUTION"),
                           "unzip.exe is missing beside setup.exe: distribution mode expands the archives with it");
    check.require_archives(settings.ksi_location, velmor.line_of("KSI_LOCATION"), "KSI_LOCATION");
    check.require_archives(settings.ksi_core_location, velmor.line_of("KSI_CORE_LOCATION"), "KSI_CORE_LOCATION");
    const int jre_line = velmor.line_of("JRE_LOCATION");
    if (settings.jre_location.empty()) {
        check.report.warning(check.file, jre_line, std::string(kRuntimeNotSet));
    } else {
        check.require_archives(settings.jre_location, jre_line, "JRE_LOCATION");
    }
}

// A kit that runs where it lies: its library directories and its Java runtime.
void check_laid_out_kit(LocationCheck& check, const kit::KitSettings& settings, const VelmorSection& velmor) {
    const kit::DerivedDirectories derived = kit::derive_directories(settings);
    const int installer_line = velmor.line_of("KSI_LOCATION");
    const int core_line = velmor.line_of("KSI_CORE_LOCATION");
    const int jre_line = velmor.line_of("JRE_LOCATION");
    check.require(derived.installer_lib, EntryKind::Directory, installer_line, "KSI_LOCATION\\jlib", false);
    check.require(derived.core_lib, EntryKind::Directory, core_line, "KSI_CORE_LOCATION\\jlib", false);
    check.require(derived.native_lib, EntryKind::Directory, core_line, "KSI_CORE_LOCATION\\lib\\win32", false);
    if (settings.jre_location.empty() && settings.bootstrap.starts_with("T")) {
        check.report.warning(check.file, jre_line, std::string(kRuntimeNotSet));
        return;
    }
    // Without JRE_LOCATION the runtime is looked for in bin beside setup.exe,
    // unless -jreLoc names one.
    const bool asked = settings.jre_location.empty();
    const std::string what = asked ? "bin" : "JRE_LOCATION\\bin";
    check.require(derived.java_bin + "\\java.exe", EntryKind::File, jre_line, what + "\\java.exe", asked);
    check.require(derived.java_bin + "\\javaw.exe", EntryKind::File, jre_line, what + "\\javaw.exe", asked);
    check_runtime_width(check.files, derived.java_bin + "\\java.exe", what + "\\java.exe", derived.native_lib,
                        check.file, jre_line, check.report);
}

}  // namespace

void check_parameter_file(const KitFiles& files, const std::string& name, std::string_view bytes, Report& report) {
    const std::vector<ProfileSection> sections = read_profile(bytes);
    const VelmorSection velmor{find_section(sections, kit::kParameterSection)};
    if (!velmor.section) {
        report.warning(name, 0, "no section [Velmor]: every setting takes its default");
    } else {
        check_entries(*velmor.section, name, report);
    }

    const kit::KitSettings settings = settings_as_read(velmor);
    if (!settings.jre_location.empty() && !is_absolute(settings.jre_location))
        report.note(name, velmor.line_of("JRE_LOCATION"),
                    "JRE_LOCATION=" + settings.jre_location +
                        " is relative: setup.exe takes it from its own directory, wherever it is started from");
    check_staging(files, name, settings, {velmor.line_of("ADDTO_CLASSPATH"), velmor.line_of("BOOTSTRAP_SIZE")},
                  report);
    LocationCheck check{files, name, report};
    if (settings.distribution) {
        check_distribution(check, settings, velmor);
    } else {
        check_laid_out_kit(check, settings, velmor);
    }
}

}  // namespace kitcheck
