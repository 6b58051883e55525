#include "launcher/java_command.h"

#include <cctype>

#include "common/ansi_text.h"

namespace launcher {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The Java launcher splits its command line by the C runtime's rules, where
// backslashes right before a quotation mark escape it: a value ending in "\"
// would swallow its closing mark. Doubled there, they stand for themselves.
std::string quoted(std::string_view text) {
    const std::size_t trailing = vel::trailing_ansi_chars(text, '\\');
    std::string out;
    out.reserve(text.size() + trailing + 2);
    out += '"';
    out += text;
    out.append(trailing, '\\');
    out += '"';
    return out;
}

// A word as written, for the same rules: each run of backslashes before a
// quotation mark doubled, so the marks still open and close what they did.
std::string with_escaped_quotes(std::string_view word) {
    std::string out;
    std::size_t backslashes = 0;
    for (std::size_t at = 0; at < word.size(); ++at) {
        const char c = word[at];
        if (vel::is_ansi_lead_byte(c)) {
            // A double-byte character: its second byte is never a backslash or a mark.
            backslashes = 0;
            out += word.substr(at, 2);
            ++at;
            continue;
        }
        if (c == '"') out.append(backslashes, '\\');
        backslashes = c == '\\' ? backslashes + 1 : 0;
        out += c;
    }
    return out;
}

std::string property(std::string_view name, std::string_view value, bool quote, bool trailing_space) {
    std::string out = "-Dvelmor.installer.";
    out += name;
    out += '=';
    out += quote ? quoted(value) : std::string(value);
    if (trailing_space) out += ' ';
    return out;
}

// The core as the installer finds it: staged, or KSI_CORE_LOCATION taken from
// the program's directory (installers of this kit expect that form).
std::string installer_core_location(const JavaCommandInput& in) {
    if (in.bootstrap) return in.places.scratch_directory + "\\ksi";
    return in.places.program_directory + "\\" + in.settings.ksi_core_location;
}

}  // namespace

ModeChoice choose_mode(const OptionState& flags, const std::string& install_class,
                       const std::string& install_oneclick_class) {
    if (flags.preclonesetup) return {"velmor.setmgr.kta.ktac.KtacPreCloneSetup", false, true, false};
    if (flags.prereqchecker) return {"velmor.setmgr.ktp.ktpc.ktpcc.KtpccPrereqApp", false, false, false};
    if (flags.updatenodelist) return {"velmor.setmgr.kta.ktac.KtacUpdateNodeList", true, true, false};
    if (flags.attachhome) return {"velmor.setmgr.kta.ktac.KtacAttachHome", false, false, false};
    if (flags.removehome) return {"velmor.setmgr.kta.ktac.KtacRemoveHome", true, true, false};
    if (flags.addnode) return {install_class, true, true, false};
    if (flags.oneclick && flags.silent) return {std::string(kRegularInstallerClass), false, false, false};
    if (flags.oneclick) return {install_oneclick_class, false, false, true};
    return {install_class, false, false, false};
}

std::string java_program_name(bool debug, bool memory, bool silent, bool no_console) {
    return debug || memory || (silent && !no_console) ? "java.exe" : "javaw.exe";
}

bool is_http_location(std::string_view text) {
    constexpr std::string_view scheme = "http://";
    if (text.size() <= scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i]) return false;
    }
    return true;
}

bool is_absolute_location(std::string_view text) {
    if (text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
        (text[2] == '\\' || text[2] == '/')) {
        return true;
    }
    return text.size() >= 2 && text[0] == '\\' && text[1] == '\\';
}

std::string expand_extra_classpath(std::string_view prefix, std::string_view list) {
    std::string out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos) end = list.size();
        if (end > start) {
            out += prefix;
            out += '\\';
            out += list.substr(start, end - start);
            out += ';';
        }
        start = end + 1;
    }
    return out;
}

std::string build_classpath(const JavaCommandInput& in) {
    const std::string& core = in.directories.core_lib;
    const std::string& archives = in.directories.installer_lib;
    std::string path = in.places.scratch_directory;
    for (const char* jar : {"VelInstaller.jar", "quickpath.jar", "docreader2.jar", "nodm.jar", "common.jar",
                            "VelInstallerNet.jar"}) {
        path += ";" + core + "\\" + jar;
    }
    for (const char* jar : {"KitGraphics.jar", "KitGuide.jar", "velmor_ice.jar", "assist4.jar", "assist4-nls.jar",
                            "gwk3.jar", "gwk3-swingaccess.jar", "gwk3-nls.jar", "swingaccess.jar"}) {
        path += ";" + archives + "\\" + jar;
    }
    path += ";" + archives + "\\" + in.settings.thin_jdbc_filename;
    path += ';';
    // Each extra archive ends with ";". No entry names the current drive's
    // root, where any user may create directories the installer would search.
    path += expand_extra_classpath(in.places.scratch_directory, in.settings.addto_classpath);
    path += archives + "\\syscheck.jar";
    for (const char* jar : {"jgwk4.jar", "jgwk4-nls.jar"}) {
        path += ";" + archives + "\\" + jar;
    }
    return quoted(path);
}

void add_source_location(const std::string& source, std::vector<std::string>& items,
                         const std::string& startup_location) {
    if (source.empty()) return;
    std::string location = source;
    if (!is_http_location(source) && !is_absolute_location(source)) {
        location = startup_location;
        if (location.empty() || location.back() != '\\') location += '\\';
        location += source;
    }
    items.emplace_back("-sourceLoc");
    items.push_back(quoted(location) + " ");
}

std::vector<std::string> memory_option_words(std::string_view text) {
    // Blanks outside quotation marks separate the words. A word keeps its
    // marks, so one written in quotes because it holds a blank reaches the
    // Java runtime as one argument. An equals sign stays inside its word:
    // -Dname=value is one option of the Java runtime. A mark that never
    // closes ends the words.
    std::vector<std::string> words;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && is_blank(text[at])) ++at;
        if (at == text.size()) break;
        std::size_t end = at;
        bool in_quotes = false;
        while (end < text.size() && (in_quotes || !is_blank(text[end]))) {
            if (text[end] == '"') in_quotes = !in_quotes;
            ++end;
        }
        if (in_quotes) break;
        words.push_back(with_escaped_quotes(text.substr(at, end - at)));
        at = end;
    }
    return words;
}

JavaCommand assemble_java_command(const JavaCommandInput& in) {
    const kit::KitSettings& settings = in.settings;
    const OptionState& options = in.options;
    JavaCommand command;
    const std::string name = java_program_name(options.debug, options.memory, options.silent, options.no_console);
    command.program_path = in.directories.java_bin.empty() ? name : in.directories.java_bin + "\\" + name;

    std::vector<std::string>& items = command.items;
    items.push_back(quoted(command.program_path) + " ");
    if (!settings.jre_osdparam.empty()) items.push_back(settings.jre_osdparam);
    items.push_back(property("library_loc", in.directories.native_lib, true, false));
    items.push_back(property("ksi_loc", installer_core_location(in), true, false));
    items.push_back(property("bootstrap", in.bootstrap ? "TRUE" : "FALSE", false, false));
    items.push_back(property("startup_location", in.places.startup_location, true, false));
    items.push_back(property("jre_loc", settings.distribution ? settings.jre_location : "..\\..\\jre", true, false));
    if (in.external_jre) items.push_back(property("extjre", "true", true, true));
    if (settings.copy_threads != "0") items.push_back(property("copythreads", settings.copy_threads, false, true));
    items.push_back(property("exec_location", in.places.launcher_path, true, true));
    items.push_back(property("nlsEnabled", settings.nls_enabled, true, true));
    items.push_back(property("prereqConfigLoc", settings.prereq_config_location, true, true));
    if (options.jvm_options) items.push_back(*options.jvm_options);
    if (!settings.jre_memory_options.empty() && !options.has_mx) {
        for (std::string& word : memory_option_words(settings.jre_memory_options)) items.push_back(std::move(word));
    }
    if (options.memory) items.emplace_back("-verbose:gc");
    items.emplace_back("-cp");
    items.push_back(build_classpath(in));
    const std::size_t regular_command = items.size();
    items.push_back(in.mode.main_class);
    if (in.mode.doubled) {
        const std::vector<std::string> regular(items.begin(), items.begin() + regular_command);
        items.insert(items.end(), regular.begin(), regular.end());
        items.emplace_back(kRegularInstallerClass);
    }
    items.emplace_back("-scratchPath");
    items.push_back(quoted(in.places.scratch_directory) + " ");
    add_source_location(settings.source, items, in.places.startup_location);
    items.emplace_back("-sourceType");
    items.emplace_back("network");
    items.emplace_back("-timestamp");
    items.push_back(in.places.run_timestamp);
    items.push_back(in.places.command_line);
    return command;
}

}  // namespace launcher
