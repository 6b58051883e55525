#include "launcher/main_flow.h"

#include <windows.h>

#include <cstdio>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/console.h"
#include "launcher/java_command.h"
#include "launcher/kit/jre_prompt.h"
#include "launcher/kit/param_file.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/staging.h"
#include "launcher/launch.h"
#include "launcher/options.h"
#include "launcher/phase_times.h"
#include "launcher/prereq/prereq_run.h"
#include "launcher/process_flags.h"
#include "launcher/registry_probe.h"
#include "launcher/run_result.h"

namespace launcher {

namespace {

bool flag_set(const std::string& flag) { return !flag.empty() && flag[0] == 'T'; }

std::string environment_value(const char* name) {
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) return {};
    std::string value(needed, '\0');
    DWORD length = GetEnvironmentVariableA(name, value.data(), needed);
    value.resize(length < needed ? length : 0);
    return value;
}

// What the run has learnt so far; the steps below read and fill it.
struct Run {
    std::string program_path;
    std::string command_tail;  // cut at "-J" by the option scan
    std::string uncut_command_tail;
    std::string timestamp;
    options::EarlyOptions early;
    options::OptionState options;
    std::string startup_location;
    std::string scratch_dir;
    std::string param_file;
    kit::KitSettings settings;
    ModeChoice mode;
    bool bootstrap = false;
    bool external_jre = false;  // the runtime is used where it is, not staged
    bool wait = false;
};

JavaCommandInput java_command_input(const Run& run, const kit::DerivedDirectories& derived) {
    const kit::KitSettings& settings = run.settings;
    JavaCommandInput in;
    in.java_bin_directory = derived.java_bin;
    in.native_library_directory = derived.native_lib;
    in.core_archive_directory = derived.core_lib;
    in.archive_directory = derived.installer_lib;
    in.ksi_core_location = settings.ksi_core_location;
    kit::GetCurrentDir(in.program_directory);
    in.jre_location = settings.jre_location;
    in.scratch_directory = run.scratch_dir;
    in.startup_location = run.startup_location;
    in.launcher_path = run.program_path;
    in.run_timestamp = run.timestamp;
    in.command_line = run.command_tail;
    in.jre_osdparam = settings.jre_osdparam;
    in.jre_memory_options = settings.jre_memory_options;
    in.copy_threads = settings.copy_threads;
    in.nls_enabled = settings.nls_enabled;
    in.prereq_config_location = settings.prereq_config_location;
    in.thin_jdbc_filename = settings.thin_jdbc_filename;
    in.addto_classpath = settings.addto_classpath;
    in.source = settings.source;
    in.bootstrap = run.bootstrap;
    in.jvm_options = run.options.jvm_options;
    in.has_mx = run.options.has_mx;
    in.main_class = run.mode.main_class;
    in.doubled = run.mode.doubled;
    in.debug = run.options.debug;
    in.memory = run.options.memory;
    in.silent = run.options.silent;
    in.no_console = run.options.no_console;
    in.distribution = settings.distribution;
    in.external_jre = run.external_jre;
    return in;
}

// The early options, then the scan, which sets the output settings every
// later step relies on.
void scan_command_line(Run& run) {
    run.early = options::read_early_options(run.program_path, run.command_tail);
    run.options = options::scan_options(run.command_tail);
    silent_mode = run.options.silent;
    debug_mode = run.options.debug;
    std::string& location = run.options.prereq_config_location;
    if (!location.empty()) kit::absolute_path(location, location);
}

void open_and_bind_console() {
    console::open_console();
    console::refresh_console_handle();
}

// A relative runtime location is checked against the startup location, the
// current directory by then; a staged run moves into the temporary directory
// before the runtime starts, so the location is made absolute at once.
void make_runtime_location_absolute(std::string& location) {
    if (!location.empty() && !is_absolute_location(location)) kit::absolute_path(location, location);
}

// The parameter file, and the mode of the run its settings and the options decide.
RunResult read_parameters(Run& run) {
    run.startup_location = find_startup_location(run.program_path);
    run.param_file = run.early.param_file;
    run.settings.jre_location = run.early.jre_location;
    run.settings.prereq_config_location = run.options.prereq_config_location;
    const RunResult result = kit::read_parameter_file(run.param_file, run.scratch_dir, run.startup_location,
                                                      run.settings, run.timestamp, run.early.jre_location_given);
    if (result == kRunSucceeded) make_runtime_location_absolute(run.settings.jre_location);

    const options::OptionState& state = run.options;
    ModeFlags flags;
    flags.preclonesetup = state.preclonesetup;
    flags.prereqchecker = state.prereqchecker;
    flags.updatenodelist = state.updatenodelist;
    flags.attachhome = state.attachhome;
    flags.removehome = state.removehome;
    flags.addnode = state.addnode;
    flags.oneclick = state.oneclick;
    run.mode = choose_mode(flags, state.silent, run.settings.install_class, run.settings.install_oneclick_class);
    if (run.mode.forces_no_bootstrap) run.settings.bootstrap.assign(1, 'F');
    return result;
}

// Windows' profile functions take a UTF-8 byte-order mark for part of the
// first line, so the keys of the file's first section would silently take
// their defaults: such a file is refused, naming it and the mark.
bool parameter_file_refused(const Run& run) {
    char start[kit::kUtf8Mark.size()] = {};
    vel::unique_stdio file(std::fopen(run.param_file.c_str(), "rb"));
    if (!file || std::fread(start, 1, sizeof start, file.get()) != sizeof start ||
        std::string_view(start, sizeof start) != kit::kUtf8Mark) {
        return false;
    }
    console::show_error(catalogue::format_message("S_ERPARAMFILE_UTF8", {console::utf8_from_ansi(run.param_file)}));
    console::wait_for_enter();
    return true;
}

// Modes that cannot run as asked; true once the user has been told.
bool mode_refused(const Run& run) {
    if (run.mode.distribution_guard && run.settings.distribution) {
        console::show_error(
            catalogue::format_message("S_ERRORINVOKINGFROMCD", {options::upper_copy(console::utf8_from_ansi(run.uncut_command_tail))}));
        return true;
    }
    if (!run.options.prereqchecker) return false;
    const std::string& location = run.settings.prereq_config_location;
    if (location.empty()) {
        console::console_write(catalogue::format_message("S_ERR_PREREQ_CONFIG_LOC"));
        return true;
    }
    if (!kit::path_exists(location)) {
        console::console_write(
            catalogue::format_message("S_ERR_INVALID_PREREQ_CONFIG_LOC", {console::utf8_from_ansi(location)}));
        return true;
    }
    return false;
}

// The start message and the prerequisite run; false when the run ends here.
bool prerequisites_allow(const Run& run) {
    const options::OptionState& state = run.options;
    console::console_write(catalogue::format_message("S_STARTINSTALLERMSG", {state.tool_name}));
    return prereq::run_prerequisites(run.param_file, run.scratch_dir, run.timestamp, state.silent,
                                     state.execute_sysprereqs, state.ignore_sysprereqs,
                                     state.no_console) == prereq::Decision::Proceed;
}

// A run reported to the user that cannot go on, one whose staging failed
// (the installer is then not started), or one that may go on.
enum class StagingStep { Stop, Failed, Ready };

// Copies the kit into the scratch directory when the parameter file asks
// for it, after finding the runtime to use.
StagingStep stage_kit(Run& run) {
    std::string images_directory;
    kit::find_images_directory(run.startup_location, images_directory);
    run.bootstrap = flag_set(run.settings.bootstrap);
    if (!run.bootstrap) return StagingStep::Ready;

    kit::KitSettings& settings = run.settings;
    const long long megabytes = parse_bootstrap_size(settings.bootstrap_size);
    // A size out of range is refused like a failed staging: nothing is started
    // from a scratch directory that was never filled.
    if (megabytes < 0 || megabytes > kMaxBootstrapMegabytes) {
        console::show_error(catalogue::format_message("S_ERBOOTSTRAP_RANGE", {kMaxBootstrapMegabytes}));
        return StagingStep::Failed;
    }
    console::console_write(vel::format_checked(
        "%s %s. %s", {catalogue::text_or_key("S_BOOTSTRAPMSG"), console::utf8_from_ansi(run.scratch_dir),
         catalogue::text_or_key("S_WAITMSG")}));
    if (run.early.jre_location_given) {
        run.external_jre = true;
    } else if (settings.jre_location.empty()) {
        std::optional<std::string> answer;
        if (!run.options.no_console) answer = kit::prompt_jre_location();
        if (!answer) {
            console::show_error(catalogue::format_message("S_JRELOC_ERROR_NOCONSOLE_WIN"));
            return StagingStep::Stop;
        }
        settings.jre_location = *answer;
        make_runtime_location_absolute(settings.jre_location);
        run.external_jre = true;
    }
    const kit::StagingResult staged = kit::stage_bootstrap(
        run.scratch_dir, settings.ksi_location, settings.ksi_core_location, settings.jre_location,
        settings.jre_version, images_directory, settings.prereq_config_location, run.startup_location,
        static_cast<unsigned long long>(megabytes) * 1024ULL, settings.distribution, !run.external_jre);
    if (staged != kit::kStagingFailed) return StagingStep::Ready;
    console::show_error(catalogue::format_message(
        "S_ERBOOTSTRAP", {console::utf8_from_ansi(run.scratch_dir), megabytes == 0 ? kReportedDefaultMegabytes : megabytes}));
    return StagingStep::Failed;
}

// The installer's command; kErrorReported when it cannot be started.
RunResult assemble_command(Run& run, StagingStep staging, JavaCommand& command) {
    kit::DerivedDirectories derived;
    kit::read_location_parameters(run.settings, run.param_file, derived);
    run.wait = !run.bootstrap || flag_set(run.settings.wait_for_completion) || run.options.wait_requested;
    if (staging == StagingStep::Failed) return kErrorReported;

    if (run.options.debug) {
        console::console_write(catalogue::text_or_key("S_LDLIBPATH_VAR"));
        const std::string path = console::utf8_from_ansi(environment_value("PATH"));
        for (std::string_view piece : console_pieces(path)) console::console_write(piece);
        console::console_write("\n");
    }
    command = assemble_java_command(java_command_input(run, derived));
    if (!kit::path_exists(command.program_path)) {
        console::show_error(catalogue::format_message("S_ERJRENFD", {console::utf8_from_ansi(command.program_path), "1.3.1"}));
        return kErrorReported;
    }
    return kRunSucceeded;
}

// The installer of a bootstrap run inherits the temporary directory as its
// current directory, not the kit's.
void enter_temp_directory(const Run& run) {
    std::string temp;
    kit::temp_directory(temp);
    if (!kit::path_exists(temp)) temp = kit::kFallbackTempDirectory;
    if (run.bootstrap) SetCurrentDirectoryA(temp.c_str());
}

RunResult report_missing_parameter_file() {
    console::show_error(catalogue::format_message("S_ERVELPARAMNFD"));
    console::wait_for_enter();
    return kNoParameterFile;
}

bool registry_writable() {
    if (probe_registry_access() == 1) return true;
    console::show_error(catalogue::format_message("S_ERR_REG_ACCESS"));
    return false;
}

// The installer's exit code, or `prepared` once the user has seen the error.
int start_installer(const Run& run, RunResult prepared, const JavaCommand& command) {
    if (prepared == kRunSucceeded) return launch_installer(command.items, run.wait, run.options.debug);
    console::wait_for_enter();
    return prepared;
}

// The scratch directory only goes when the installer no longer runs from it.
void clean_up(const Run& run) {
    if (run.wait) {
        const std::size_t left = kit::remove_tree(run.scratch_dir);
        if (left > 0) {
            console::console_write(catalogue::format_message(
                "S_ERCLEANUP", {static_cast<unsigned long long>(left), console::utf8_from_ansi(run.scratch_dir)}));
        }
    }
    catalogue::free_message_catalogue();
}

// Without a catalogue the loader's report goes to standard error, which a
// program started from Explorer does not have: a box says it in English,
// unless the run is silent.
void report_missing_catalogue(std::string command_tail) {
    if (options::scan_options(command_tail).silent) return;
    const std::wstring text = L"Setup could not read its message files (cons.nls).\nIt looked for them in " +
                              vel::program_directory_wide() + L"\\resource";
    MessageBoxW(nullptr, text.c_str(), L"Setup", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

// A run that stops early returns at once: the scratch directory and the
// catalogue are left to the end of the process.
int launcher_main(const std::string& program_path, const std::string& command_tail) {
    phase_start();
    Run run;
    run.program_path = program_path;
    run.command_tail = run.uncut_command_tail = command_tail;
    run.timestamp = make_run_timestamp();
    if (catalogue::load_message_catalogue() != 0) {
        report_missing_catalogue(command_tail);
        return kNoCatalogue;
    }
    phase_mark("catalogue");

    scan_command_line(run);
    phase_mark("options");
    if (!run.options.no_console) open_and_bind_console();
    phase_mark("console");
    const RunResult parameters = read_parameters(run);
    phase_mark("parameter file");
    if (parameters == kRunSucceeded && parameter_file_refused(run)) return kErrorReported;
    if (mode_refused(run)) return kErrorReported;
    if (!run.options.help && !prerequisites_allow(run)) return kErrorReported;
    phase_mark("prerequisite run");
    if (parameters == kNoParameterFile) return report_missing_parameter_file();
    if (parameters != kRunSucceeded) return parameters;

    const StagingStep staging = stage_kit(run);
    if (staging == StagingStep::Stop) return kErrorReported;
    JavaCommand command;
    const RunResult prepared = assemble_command(run, staging, command);
    phase_mark("staging and command line");
    if (!registry_writable()) return kErrorReported;
    phase_mark("registry probe");
    enter_temp_directory(run);
    const int result = start_installer(run, prepared, command);
    clean_up(run);
    phase_mark("clean-up");
    return result;
}

}  // namespace launcher
