// Stands in for the Java runtime: records the command line exactly as it came
// (GetCommandLineA), the argument vector the C runtime split it into (the
// rules the Java launcher splits by), then what a Java runtime would take
// from it, and ends with a chosen exit code.
//   VEL_STUB_REPORT   report file (default: javastub-report.txt beside the program)
//   VEL_STUB_EXIT     exit code (default 0)
//   VEL_STUB_SLEEP_MS time to keep running after the report is written
//   VEL_STUB_QUIET    nothing on the console (for runs that outlive setup)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string environment(const char* name) {
    char value[4096];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string default_report_path() {
    char path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length <= MAX_PATH ? length : 0);
    std::size_t slash = directory.rfind('\\');
    directory.resize(slash == std::string::npos ? 0 : slash + 1);
    return directory + "javastub-report.txt";
}

// What a Java runtime makes of its arguments.
std::string describe(int argc, char** argv) {
    std::string out = "program " + std::string(argc > 0 ? argv[0] : "") + "\n";
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        std::string_view arg = argv[at];
        if (arg == "-cp" && at + 1 < argc) {
            std::string_view path = argv[++at];
            while (true) {
                std::size_t end = path.find(';');
                out += "classpath " + std::string(path.substr(0, end)) + "\n";
                if (end == std::string_view::npos) break;
                path.remove_prefix(end + 1);
            }
        } else if (arg.starts_with("-D")) {
            out += "property " + std::string(arg.substr(2)) + "\n";
        } else {
            out += "option " + std::string(arg) + "\n";
        }
    }
    if (at < argc) out += "main class " + std::string(argv[at++]) + "\n";
    for (; at < argc; ++at) out += "argument " + std::string(argv[at]) + "\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string exit_text = environment("VEL_STUB_EXIT");
    int exit_code = exit_text.empty() ? 0 : std::atoi(exit_text.c_str());
    std::string report = std::string(GetCommandLineA()) + "\n";
    for (int i = 0; i < argc; ++i) report += "argv " + std::string(argv[i]) + "\n";
    report += describe(argc, argv) +
                         "exit code " + std::to_string(exit_code) + "\n";

    std::string report_path = environment("VEL_STUB_REPORT");
    if (report_path.empty()) report_path = default_report_path();
    if (std::FILE* file = std::fopen(report_path.c_str(), "wb")) {
        std::fwrite(report.data(), 1, report.size(), file);
        std::fclose(file);
    }
    if (environment("VEL_STUB_QUIET").empty()) {
        std::printf("[Java runtime stand-in] started, ending with exit code %d\n", exit_code);
        std::fflush(stdout);
    }

    std::string sleep_text = environment("VEL_STUB_SLEEP_MS");
    if (!sleep_text.empty()) Sleep(static_cast<DWORD>(std::atol(sleep_text.c_str())));
    return exit_code;
}
