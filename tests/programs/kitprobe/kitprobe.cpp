// kitprobe [temp=<dir>] [out=<file>] param <timestamp> <param file or -> <startup location> [<-jreLoc value>]
// kitprobe [temp=<dir>] [out=<file>] stage <scratch> <installer> <core> <runtime> <runtime version> <images> <prereq>
//                             <unzip directory> <required KB> <distribution 0|1> <copy runtime 0|1>
// kitprobe prompt
// kitprobe remove <directory>      (left=<entries that stayed>)
// Prints what the call returned as name=value lines, into the out file when
// one is named (console lines wrap at the window's width).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <optional>
#include <string_view>

#include "launcher/catalogue/catalogue.h"
#include "launcher/kit/jre_prompt.h"
#include "common/ansi_text.h"
#include "launcher/kit/param_file.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/install_log.h"
#include "launcher/kit/staging.h"
#include "launcher/base/process_flags.h"

namespace {

std::FILE* results = stdout;

void show(const char* name, const std::string& value) {
    std::fprintf(results, "%s=%s\n", name, value.c_str());
    std::fflush(results);
}

int probe_parameter_file(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string timestamp = argv[0];
    std::string param_file = std::string_view(argv[1]) == "-" ? "" : argv[1];
    std::string startup = argv[2];
    kit::KitSettings settings;
    const bool jre_location_given = argc > 3;
    if (jre_location_given) settings.jre_location = argv[3];
    std::string scratch;
    const std::optional<std::string> program_directory = kit::program_directory();
    const int result = program_directory ? kit::read_parameter_file(*program_directory, timestamp, jre_location_given,
                                                                    param_file, scratch, startup, settings)
                                         : base::kErrorReported;
    show("result", std::to_string(result));
    if (result != 0) return 0;
    const kit::DerivedDirectories derived = kit::read_location_parameters(settings, param_file);
    show("param", param_file);
    show("scratch", scratch);
    show("startup", startup);
    show("log", kit::install_log_path());
    show("distribution", settings.distribution ? "1" : "0");
    const std::pair<const char*, const std::string*> values[] = {
        {"JRE_LOCATION", &settings.jre_location}, {"JRE_MEMORY_OPTIONS", &settings.jre_memory_options},
        {"KSI_VERSION", &settings.ksi_version}, {"JRE_VERSION", &settings.jre_version},
        {"KSI_LOCATION", &settings.ksi_location}, {"KSI_CORE_LOCATION", &settings.ksi_core_location},
        {"BOOTSTRAP", &settings.bootstrap}, {"BOOTSTRAP_SIZE", &settings.bootstrap_size},
        {"THIN_JDBC_FILENAME", &settings.thin_jdbc_filename}, {"JRE_OSDPARAM", &settings.jre_osdparam},
        {"ADDTO_CLASSPATH", &settings.addto_classpath}, {"INSTALL_CLASS", &settings.install_class},
        {"INSTALL_ONECLICK_CLASS", &settings.install_oneclick_class},
        {"PREREQ_CONFIG_LOCATION", &settings.prereq_config_location},
        {"WAIT_FOR_COMPLETION", &settings.wait_for_completion}, {"COPY_THREADS", &settings.copy_threads},
        {"SOURCE", &settings.source}, {"NLS_ENABLED", &settings.nls_enabled}, {"java_bin", &derived.java_bin},
        {"installer_lib", &derived.installer_lib}, {"core_lib", &derived.core_lib},
        {"native_lib", &derived.native_lib}};
    for (const auto& [name, value] : values) show(name, *value);
    return 0;
}

int probe_staging(int argc, char** argv) {
    if (argc < 11) return 2;
    std::string installer = argv[1], core = argv[2], runtime = argv[3], images = argv[5], prereq = argv[6];
    const int result = kit::stage_bootstrap(argv[0], installer, core, runtime, argv[4], images, prereq, argv[7],
                                            std::strtoull(argv[8], nullptr, 10), argv[9][0] == '1', argv[10][0] == '1');
    show("result", std::to_string(result));
    show("installer", installer);
    show("core", core);
    show("runtime", runtime);
    show("images", images);
    show("prereq", prereq);
    return 0;
}

int probe_prompt() {
    const auto location = kit::prompt_jre_location();
    show("jre", location ? "[" + *location + "]" : "end of input");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    vel::load_ansi_lead_bytes();
    int next = 1;
    for (; next < argc; ++next) {
        const std::string_view argument = argv[next];
        if (argument.starts_with("temp=")) {
            _putenv_s("TEMP", argv[next] + 5);
        } else if (argument.starts_with("out=")) {
            if (std::FILE* file = std::fopen(argv[next] + 4, "w")) results = file;
        } else {
            break;
        }
    }
    if (next >= argc) return 2;
    base::silent_mode = true;
    catalogue::load_message_catalogue();
    const std::string_view command = argv[next];
    const int rest = argc - next - 1;
    char** arguments = argv + next + 1;
    int result = 2;
    if (command == "param") result = probe_parameter_file(rest, arguments);
    if (command == "stage") result = probe_staging(rest, arguments);
    if (command == "prompt") result = probe_prompt();
    if (command == "remove" && rest >= 1) {
        show("left", std::to_string(kit::remove_tree(arguments[0])));
        result = 0;
    }
    catalogue::free_message_catalogue();
    if (results != stdout) std::fclose(results);
    return result;
}
