#include "launcher/main_flow.h"

#include <windows.h>

#include <cstdio>

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

JavaCommandInput java_command_input(const kit::KitSettings& settings, const kit::DerivedDirectories& derived,
                                    const options::OptionState& state, const ModeChoice& mode, bool bootstrap,
                                    const std::string& scratch_dir, const std::string& startup_location,
                                    const std::string& command_line) {
    JavaCommandInput in;
    in.java_bin_directory = derived.java_bin;
    in.native_library_directory = derived.native_lib;
    in.core_archive_directory = derived.core_lib;
    in.archive_directory = derived.installer_lib;
    in.ksi_core_location = settings.ksi_core_location;
    kit::GetCurrentDir(in.program_directory);
    in.jre_location = settings.jre_location;
    in.scratch_directory = scratch_dir;
    in.startup_location = startup_location;
    in.launcher_path = launcher_path;
    in.run_timestamp = run_timestamp;
    in.command_line = command_line;
    in.jre_osdparam = settings.jre_osdparam;
    in.jre_memory_options = settings.jre_memory_options;
    in.copy_threads = settings.copy_threads;
    in.nls_enabled = settings.nls_enabled;
    in.prereq_config_location = settings.prereq_config_location;
    in.thin_jdbc_filename = settings.thin_jdbc_filename;
    in.addto_classpath = settings.addto_classpath;
    in.source = settings.source;
    in.bootstrap = bootstrap;
    in.jvm_options = state.jvm_options;
    in.has_mx = state.has_mx;
    in.main_class = mode.main_class;
    in.doubled = mode.doubled;
    in.debug = debug_mode;
    in.memory = memory_mode;
    in.silent = silent_mode;
    in.no_console = state.no_console;
    in.distribution = distribution_mode;
    in.external_jre = external_jre;
    return in;
}

}  // namespace

int launcher_main(std::vector<std::string>& vector) {
    phase_start();
    run_timestamp = make_run_timestamp();
    if (catalogue::load_message_catalogue() != 0) return 1;
    phase_mark("catalogue");

    std::string param_file;
    std::string prereq_config_location;
    std::string jre_location;
    options::read_early_options(vector[0], vector[1], param_file, jre_location);

    options::OptionState state{};
    state.tool_name = kDefaultToolName;
    const std::string uncut_command_line = vector[1];
    options::scan_options(vector[1], state, prereq_config_location);
    phase_mark("options");
    if (!state.no_console) {
        console::open_console();
        console::refresh_console_handle();
    }
    phase_mark("console");

    std::string startup_location = find_startup_location(vector[0]);
    std::string scratch_dir;
    kit::KitSettings settings;
    settings.jre_location = jre_location;
    settings.prereq_config_location = prereq_config_location;
    const int parameter_result = kit::read_parameter_file(param_file, scratch_dir, startup_location, settings);
    phase_mark("parameter file");

    ModeFlags flags;
    flags.preclonesetup = state.preclonesetup;
    flags.prereqchecker = state.prereqchecker;
    flags.updatenodelist = state.updatenodelist;
    flags.attachhome = state.attachhome;
    flags.removehome = state.removehome;
    flags.addnode = state.addnode;
    flags.oneclick = state.oneclick;
    const ModeChoice mode = choose_mode(flags, silent_mode, settings.install_class, settings.install_oneclick_class);
    if (mode.forces_no_bootstrap) settings.bootstrap.assign(1, 'F');

    if (mode.distribution_guard && distribution_mode) {
        console::show_error(
            catalogue::format_message("S_ERRORINVOKINGFROMCD",
                                      {options::upper_copy(console::utf8_from_ansi(uncut_command_line))}));
        return -1;
    }

    if (state.prereqchecker) {
        if (settings.prereq_config_location.empty()) {
            console::console_write(catalogue::format_message("S_ERR_PREREQ_CONFIG_LOC"));
            return -1;
        }
        if (!kit::path_exists(settings.prereq_config_location)) {
            std::string text =
                catalogue::format_message("S_ERR_INVALID_PREREQ_CONFIG_LOC",
                                          {console::utf8_from_ansi(settings.prereq_config_location)});
            std::fputs(text.c_str(), stdout);
            std::fflush(stdout);
            return -1;
        }
    }

    if (!state.help) {
        console::console_write(catalogue::format_message("S_STARTINSTALLERMSG", {state.tool_name}));
        prereq::run_prerequisites(param_file, scratch_dir, run_timestamp, silent_mode, state.execute_sysprereqs,
                                  state.ignore_sysprereqs, state.no_console);
    }
    phase_mark("prerequisite run");

    if (parameter_result == -2) {
        console::show_error(catalogue::format_message("S_ERVELPARAMNFD"));
        console::wait_for_enter();
        return -2;
    }
    if (parameter_result != 0) return parameter_result;

    std::string images_directory;
    kit::find_images_directory(startup_location, images_directory);

    const long long bootstrap_megabytes = parse_bootstrap_size(settings.bootstrap_size);
    const bool bootstrap = flag_set(settings.bootstrap);
    // A size out of range is refused like a failed staging: nothing is started
    // from a scratch directory that was never filled.
    bool staging_failed = false;
    if (bootstrap) {
        if (bootstrap_megabytes < 0 || bootstrap_megabytes > kMaxBootstrapMegabytes) {
            console::show_error(catalogue::format_message("S_ERBOOTSTRAP_RANGE", {kMaxBootstrapMegabytes}));
            staging_failed = true;
        } else {
            console::console_write(vel::format_checked(
                "%s %s. %s",
                {catalogue::text_or_key("S_BOOTSTRAPMSG"), console::utf8_from_ansi(scratch_dir),
                 catalogue::text_or_key("S_WAITMSG")}));
            if (jre_location_given) {
                external_jre = true;
            } else if (settings.jre_location.empty()) {
                std::optional<std::string> answer;
                if (!state.no_console) answer = kit::prompt_jre_location();
                if (!answer) {
                    console::show_error(catalogue::format_message("S_JRELOC_ERROR_NOCONSOLE_WIN"));
                    return -1;
                }
                settings.jre_location = *answer;
                external_jre = true;
            }
            const int staged = kit::stage_bootstrap(
                scratch_dir, settings.ksi_location, settings.ksi_core_location, settings.jre_location,
                settings.jre_version, images_directory, settings.prereq_config_location, startup_location,
                static_cast<unsigned long long>(bootstrap_megabytes) * 1024ULL, distribution_mode, !external_jre);
            if (staged == kit::kStagingFailed) {
                staging_failed = true;
                console::show_error(catalogue::format_message(
                    "S_ERBOOTSTRAP",
                    {console::utf8_from_ansi(scratch_dir),
                     bootstrap_megabytes == 0 ? kReportedDefaultMegabytes : bootstrap_megabytes}));
            }
        }
    }

    kit::DerivedDirectories derived;
    kit::read_location_parameters(settings, param_file, derived);

    const bool wait = !bootstrap || flag_set(settings.wait_for_completion) || state.wait_requested;
    int result = 0;
    JavaCommand command;
    if (staging_failed) {
        result = -1;
    } else {
        if (debug_mode) {
            console::console_write(catalogue::text_or_key("S_LDLIBPATH_VAR"));
            const std::string path = console::utf8_from_ansi(environment_value("PATH"));
            for (std::string_view piece : console_pieces(path)) console::console_write(piece);
            console::console_write("\n");
        }
        command = assemble_java_command(
            java_command_input(settings, derived, state, mode, bootstrap, scratch_dir, startup_location, vector[1]));
        if (!kit::path_exists(command.program_path)) {
            console::show_error(
                catalogue::format_message("S_ERJRENFD", {console::utf8_from_ansi(command.program_path), "1.3.1"}));
            result = -1;
        }
    }

    phase_mark("staging and command line");
    if (probe_registry_access() != 1) {
        console::show_error(catalogue::format_message("S_ERR_REG_ACCESS"));
        return -1;
    }
    phase_mark("registry probe");

    std::string temp;
    kit::temp_directory(temp);
    if (!kit::path_exists(temp)) temp = kit::kFallbackTempDirectory;
    if (bootstrap) SetCurrentDirectoryA(temp.c_str());

    if (result == 0) {
        result = launch_installer(command.items, wait);
    } else {
        console::wait_for_enter();
    }
    if (wait) kit::remove_tree(scratch_dir);
    catalogue::free_message_catalogue();
    phase_mark("clean-up");
    return result;
}

}  // namespace launcher
