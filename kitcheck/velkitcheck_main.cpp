// velkitcheck [--strict] [KIT_DIRECTORY]: checks the kit whose setup.exe lies
// in KIT_DIRECTORY (default: the current directory). One line per finding;
// exit code 1 when there is an error (with --strict, also a warning), 2 on a
// wrong command line.
#include <cstdio>
#include <string>
#include <string_view>

#include "common/ansi_text.h"
#include "kitcheck/kit_checker.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Paths are read as setup.exe reads them in this code page.
    vel::load_ansi_lead_bytes();
#endif
    bool strict = false;
    std::string directory(".");
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--strict") {
            strict = true;
        } else if (!named && !argument.starts_with("-")) {
            directory = argument;
            named = true;
        } else {
            std::fputs("usage: velkitcheck [--strict] [KIT_DIRECTORY]\n", stderr);
            return 2;
        }
    }
    // Findings in the current directory are named without a prefix.
    std::string shown;
    if (directory != ".") shown = directory;

    const std::vector<kitcheck::Finding> findings = kitcheck::check_kit(kitcheck::directory_kit(directory));
    int errors = 0, warnings = 0;
    for (const kitcheck::Finding& finding : findings) {
        std::printf("%s\n", kitcheck::format_finding(finding, shown, kSeparator).c_str());
        ++(finding.severity == kitcheck::Severity::Error ? errors : warnings);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "velkitcheck: %s: %d error(s), %d warning(s)\n", directory.c_str(), errors, warnings);
    return kitcheck::exit_code(findings, strict);
}
