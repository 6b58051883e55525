// velkitcheck [--strict] [KIT_DIRECTORY]: checks the kit whose setup.exe lies
// in KIT_DIRECTORY (default: the current directory). One line per finding;
// exit code 1 when there is an error (with --strict, also a warning), 2 on a
// wrong command line.
// velkitcheck --init DIRECTORY: writes a new kit to start from.
// velkitcheck --make-catalogue TEXT NLS / --dump-catalogue NLS: a message
// catalogue from its text form, and back (to standard output).
#include <cstdio>
#include <string>
#include <string_view>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "kitcheck/catalogue_text.h"
#include "kitcheck/checks.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

constexpr const char* kUsage =
    "usage: velkitcheck [--strict] [KIT_DIRECTORY]\n"
    "       velkitcheck --init DIRECTORY\n"
    "       velkitcheck --make-catalogue TEXT NLS\n"
    "       velkitcheck --dump-catalogue NLS\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

void print_problems(const std::string& file, const std::vector<kitcheck::CatalogueProblem>& problems) {
    for (const kitcheck::CatalogueProblem& problem : problems) {
        const kitcheck::Finding finding{file, problem.line, kitcheck::Severity::Error, problem.text};
        std::fprintf(stderr, "%s\n", kitcheck::format_finding(finding, "", kSeparator).c_str());
    }
}

int make_catalogue(const std::string& text_file, const std::string& catalogue_file) {
    const std::optional<std::string> text = kitcheck::read_whole_file(text_file);
    if (!text) {
        std::fprintf(stderr, "velkitcheck: %s cannot be read\n", text_file.c_str());
        return 1;
    }
    const kitcheck::CatalogueConversion made = kitcheck::make_catalogue(*text);
    print_problems(text_file, made.problems);
    if (!made.problems.empty()) return 1;
    vel::unique_stdio out(std::fopen(catalogue_file.c_str(), "wb"));
    if (!out || std::fwrite(made.output.data(), 1, made.output.size(), out.get()) != made.output.size() ||
        std::fflush(out.get()) != 0) {
        std::fprintf(stderr, "velkitcheck: %s cannot be written\n", catalogue_file.c_str());
        return 1;
    }
    return 0;
}

int dump_catalogue(const std::string& catalogue_file) {
    const std::optional<std::string> bytes = kitcheck::read_whole_file(catalogue_file);
    if (!bytes) {
        std::fprintf(stderr, "velkitcheck: %s cannot be read\n", catalogue_file.c_str());
        return 1;
    }
    const kitcheck::CatalogueConversion dumped = kitcheck::dump_catalogue(*bytes);
    std::fwrite(dumped.output.data(), 1, dumped.output.size(), stdout);
    std::fflush(stdout);
    print_problems(catalogue_file, dumped.problems);
    return dumped.problems.empty() ? 0 : 1;
}

int init_kit(const std::string& directory) {
    if (!kitcheck::is_new_directory(directory)) {
        std::fprintf(stderr, "velkitcheck: %s is not empty: a new kit goes into a new directory\n", directory.c_str());
        return 1;
    }
    for (const kitcheck::StarterFile& file : kitcheck::starter_kit()) {
        if (!kitcheck::write_kit_file(directory, file.path, file.bytes)) {
            std::fprintf(stderr, "velkitcheck: %s%c%s cannot be written\n", directory.c_str(), kSeparator,
                         file.path.c_str());
            return 1;
        }
    }
    const bool launcher_copied = kitcheck::copy_launcher_into(directory);
    std::printf("velkitcheck: a new kit in %s. Still to put in:\n", directory.c_str());
    for (std::string_view placeholder : kitcheck::starter_kit_placeholders()) {
        if (launcher_copied && placeholder.starts_with("setup.exe")) continue;
        std::printf("  %.*s\n", static_cast<int>(placeholder.size()), placeholder.data());
    }
    return 0;
}

int check_kit_directory(const std::string& directory, bool strict) {
    // Findings in the current directory are named without a prefix.
    const std::string shown = directory == "." ? std::string() : directory;
    const std::vector<kitcheck::Finding> findings = kitcheck::check_kit(kitcheck::directory_kit(directory));
    int errors = 0, warnings = 0, notes = 0;
    for (const kitcheck::Finding& finding : findings) {
        std::printf("%s\n", kitcheck::format_finding(finding, shown, kSeparator).c_str());
        ++(finding.severity == kitcheck::Severity::Error     ? errors
           : finding.severity == kitcheck::Severity::Warning ? warnings
                                                             : notes);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "velkitcheck: %s: %d error(s), %d warning(s), %d note(s)\n", directory.c_str(), errors,
                 warnings, notes);
    return kitcheck::exit_code(findings, strict);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Paths are read as setup.exe reads them in this code page.
    vel::load_ansi_lead_bytes();
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments[0] == "--init")
        return arguments.size() == 2 ? init_kit(arguments[1]) : usage();
    if (!arguments.empty() && arguments[0] == "--make-catalogue")
        return arguments.size() == 3 ? make_catalogue(arguments[1], arguments[2]) : usage();
    if (!arguments.empty() && arguments[0] == "--dump-catalogue")
        return arguments.size() == 2 ? dump_catalogue(arguments[1]) : usage();

    bool strict = false;
    std::string directory(".");
    bool named = false;
    for (const std::string& argument : arguments) {
        if (argument == "--strict") {
            strict = true;
        } else if (!named && !argument.starts_with("-")) {
            directory = argument;
            named = true;
        } else {
            return usage();
        }
    }
    return check_kit_directory(directory, strict);
}
