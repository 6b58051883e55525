#include "launcher/main_flow.h"

#include <windows.h>

#include <cstdio>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/java_command.h"
#include "launcher/kit/jre_prompt.h"
#include "launcher/kit/param_file.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/staging.h"
#include "launcher/launch.h"
#include "launcher/options.h"
#include "launcher/phase_times.h"
#include "launcher/prereq/prereq_run.h"
#include "launcher/base/process_flags.h"
#include "launcher/registry_probe.h"
#include "launcher/base/run_result.h"

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
    RunPlaces places;
    std::string uncut_command_tail;
    EarlyOptions early;
    OptionState options;
    std::string param_file;
    kit::KitSettings settings;
    kit::DerivedDirectories directories;
    ModeChoice mode;
    bool bootstrap = false;
    bool external_jre = false;  // the runtime is used where it is, not staged
    bool wait = false;
};

// The early options, then the scan, which sets the output settings every
// later step relies on.
void scan_command_line(Run& run) {
    run.early = read_early_options(run.places.launcher_path, run.places.command_line);
    run.options = scan_and_cut_options(run.places.command_line);
    base::silent_mode = run.options.silent;
    base::debug_mode = run.options.debug;
    std::string& location = run.options.prereq_config_location;
    if (!location.empty()) location = kit::absolute_path(location);
}

void open_and_bind_console() {
    base::open_console();
    base::refresh_console_handle();
}

// A relative runtime location is checked against the startup location, the
// current directory by then; a staged run moves into the temporary directory
// before the runtime starts, so the location is made absolute at once.
void make_runtime_location_absolute(std::string& location) {
    if (!location.empty() && !is_absolute_location(location)) location = kit::absolute_path(location);
}

// The parameter file, and the mode of the run its settings and the options decide.
base::RunResult read_parameters(Run& run) {
    RunPlaces& places = run.places;
    places.startup_location = find_startup_location(places.launcher_path);
    run.param_file = run.early.param_file;
    run.settings.jre_location = run.early.jre_location;
    run.settings.prereq_config_location = run.options.prereq_config_location;
    std::optional<std::string> program_directory = kit::program_directory();
    if (program_directory) places.program_directory = std::move(*program_directory);
    const base::RunResult result = program_directory
                                 ? kit::read_parameter_file(places.program_directory, places.run_timestamp,
                                                            run.early.jre_location_given, run.param_file,
                                                            places.scratch_directory, places.startup_location,
                                                            run.settings)
                                 : base::kErrorReported;
    if (result == base::kRunSucceeded) make_runtime_location_absolute(run.settings.jre_location);

    run.mode = choose_mode(run.options, run.settings.install_class, run.settings.install_oneclick_class);
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
    base::show_error(catalogue::format_message("S_ERPARAMFILE_UTF8", {base::utf8_from_ansi(run.param_file)}));
    base::wait_for_enter();
    return true;
}

// Modes that cannot run as asked; true once the user has been told.
bool mode_refused(const Run& run) {
    if (run.mode.distribution_guard && run.settings.distribution) {
        const std::string command = upper_copy(base::utf8_from_ansi(run.uncut_command_tail));
        base::show_error(catalogue::format_message("S_ERRORINVOKINGFROMCD", {command}));
        return true;
    }
    if (!run.options.prereqchecker) return false;
    const std::string& location = run.settings.prereq_config_location;
    if (location.empty()) {
        base::console_write(catalogue::format_message("S_ERR_PREREQ_CONFIG_LOC"));
        return true;
    }
    if (!kit::path_exists(location)) {
        base::console_write(
            catalogue::format_message("S_ERR_INVALID_PREREQ_CONFIG_LOC", {base::utf8_from_ansi(location)}));
        return true;
    }
    return false;
}

// The start message and the prerequisite run; false when the run ends here.
bool prerequisites_allow(const Run& run) {
    const OptionState& state = run.options;
    base::console_write(catalogue::format_message("S_STARTINSTALLERMSG", {state.tool_name}));
    const prereq::RunOptions options{.silent = state.silent,
                                     .execute_only = state.execute_sysprereqs,
                                     .ignore_failures = state.ignore_sysprereqs,
                                     .no_console = state.no_console};
    return prereq::run_prerequisites(run.param_file, run.places.scratch_directory, run.places.run_timestamp,
                                     options) == prereq::Decision::Proceed;
}

// A run reported to the user that cannot go on, one whose staging failed
// (reported; end_failed_staging ends the run), or one that may go on.
enum class StagingStep { Stop, Failed, Ready };

// Copies the kit into the scratch directory when the parameter file asks
// for it, after finding the runtime to use.
StagingStep stage_kit(Run& run) {
    run.bootstrap = flag_set(run.settings.bootstrap);
    if (!run.bootstrap) return StagingStep::Ready;

    kit::KitSettings& settings = run.settings;
    const long long megabytes = kit::parse_bootstrap_size(settings.bootstrap_size);
    // A size out of range is refused like a failed staging: nothing is started
    // from a scratch directory that was never filled.
    if (megabytes < 0 || megabytes > kit::kMaxBootstrapMegabytes) {
        base::show_error(catalogue::format_message("S_ERBOOTSTRAP_RANGE", {kit::kMaxBootstrapMegabytes}));
        return StagingStep::Failed;
    }
    base::console_write(vel::format_checked(
        "%s %s. %s", {catalogue::text_or_key("S_BOOTSTRAPMSG"), base::utf8_from_ansi(run.places.scratch_directory),
         catalogue::text_or_key("S_WAITMSG")}));
    if (run.early.jre_location_given) {
        run.external_jre = true;
    } else if (settings.jre_location.empty()) {
        std::optional<std::string> answer;
        if (!run.options.no_console) answer = kit::prompt_jre_location();
        if (!answer) {
            base::show_error(catalogue::format_message("S_JRELOC_ERROR_NOCONSOLE_WIN"));
            return StagingStep::Stop;
        }
        settings.jre_location = *answer;
        make_runtime_location_absolute(settings.jre_location);
        run.external_jre = true;
    }
    const RunPlaces& places = run.places;
    std::string images_directory = kit::find_images_directory(places.startup_location);
    const kit::StagingResult staged = kit::stage_bootstrap(
        places.scratch_directory, settings.ksi_location, settings.ksi_core_location, settings.jre_location,
        settings.jre_version, images_directory, settings.prereq_config_location, places.startup_location,
        static_cast<unsigned long long>(megabytes) * 1024ULL, settings.distribution, !run.external_jre);
    if (staged != kit::kStagingFailed) return StagingStep::Ready;
    const long long reported = megabytes == 0 ? kit::kReportedDefaultMegabytes : megabytes;
    base::show_error(
        catalogue::format_message("S_ERBOOTSTRAP", {base::utf8_from_ansi(places.scratch_directory), reported}));
    return StagingStep::Failed;
}

void show_search_path() {
    base::console_write(catalogue::text_or_key("S_LDLIBPATH_VAR"));
    const std::string path = base::utf8_from_ansi(environment_value("PATH"));
    for (std::string_view piece : base::console_pieces(path)) base::console_write(piece);
    base::console_write("\n");
}

// The installer's command; nullopt once the user has been told that its
// runtime is missing.
std::optional<JavaCommand> assemble_command(const Run& run) {
    if (run.options.debug) show_search_path();
    JavaCommand command = assemble_java_command(
        {run.settings, run.directories, run.options, run.mode, run.places, run.bootstrap, run.external_jre});
    if (!kit::path_exists(command.program_path)) {
        const std::string program = base::utf8_from_ansi(command.program_path);
        base::show_error(catalogue::format_message("S_ERJRENFD", {program, "1.3.1"}));
        return std::nullopt;
    }
    return command;
}

// The installer of a bootstrap run inherits the temporary directory as its
// current directory, not the kit's.
void enter_temp_directory(const Run& run) {
    std::string temp = kit::temp_directory();
    if (!kit::path_exists(temp)) temp = kit::kFallbackTempDirectory;
    if (run.bootstrap) SetCurrentDirectoryA(temp.c_str());
}

base::RunResult report_missing_parameter_file() {
    base::show_error(catalogue::format_message("S_ERVELPARAMNFD"));
    base::wait_for_enter();
    return base::kNoParameterFile;
}

bool registry_writable() {
    if (registry_access_granted()) return true;
    base::show_error(catalogue::format_message("S_ERR_REG_ACCESS"));
    return false;
}

// The installer's exit code, or kErrorReported once the user has seen why
// it cannot start.
int start_installer(const Run& run, const std::optional<JavaCommand>& command) {
    if (command) return launch_installer(command->items, run.wait, run.options.debug);
    base::wait_for_enter();
    return base::kErrorReported;
}

// The scratch directory only goes when the installer no longer runs from it.
void clean_up(const Run& run) {
    if (run.wait) {
        const std::string& scratch = run.places.scratch_directory;
        const std::size_t left = kit::remove_tree(scratch);
        if (left > 0) {
            base::console_write(catalogue::format_message(
                "S_ERCLEANUP", {static_cast<unsigned long long>(left), base::utf8_from_ansi(scratch)}));
        }
    }
    catalogue::free_message_catalogue();
}

// A failed staging has been reported: nothing is started, and the scratch
// directory goes as it would after a waited-for installer.
int end_failed_staging(const Run& run) {
    base::wait_for_enter();
    clean_up(run);
    return base::kErrorReported;
}

// Without a catalogue the loader's report goes to standard error, which a
// program started from Explorer does not have: a box says it in English,
// unless the run is silent.
void report_missing_catalogue(std::string command_tail) {
    if (scan_and_cut_options(command_tail).silent) return;
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
    run.places.launcher_path = program_path;
    run.places.command_line = run.uncut_command_tail = command_tail;
    run.places.run_timestamp = make_run_timestamp();
    if (!catalogue::load_message_catalogue()) {
        report_missing_catalogue(command_tail);
        return base::kNoCatalogue;
    }
    phase_mark("catalogue");

    scan_command_line(run);
    phase_mark("options");
    if (!run.options.no_console) open_and_bind_console();
    phase_mark("console");
    const base::RunResult parameters = read_parameters(run);
    phase_mark("parameter file");
    if (parameters == base::kRunSucceeded && parameter_file_refused(run)) return base::kErrorReported;
    if (mode_refused(run)) return base::kErrorReported;
    if (!run.options.help && !prerequisites_allow(run)) return base::kErrorReported;
    phase_mark("prerequisite run");
    if (parameters == base::kNoParameterFile) return report_missing_parameter_file();
    if (parameters != base::kRunSucceeded) return parameters;

    const StagingStep staging = stage_kit(run);
    if (staging == StagingStep::Stop) return base::kErrorReported;
    run.wait = !run.bootstrap || flag_set(run.settings.wait_for_completion) || run.options.wait_requested;
    if (staging == StagingStep::Failed) return end_failed_staging(run);
    run.directories = kit::read_location_parameters(run.settings, run.param_file);
    const std::optional<JavaCommand> command = assemble_command(run);
    phase_mark("staging and command line");
    if (!registry_writable()) return base::kErrorReported;
    phase_mark("registry probe");
    enter_temp_directory(run);
    const int result = start_installer(run, command);
    clean_up(run);
    phase_mark("clean-up");
    return result;
}

}  // namespace launcher
