// prereqprobe <parameter file> <scratch directory> <run timestamp> [flags]
// flags: any of s (silent), e (execute only), i (ignore failures), n (no console).
// Loads the catalogue beside the program, opens the console and runs the
// prerequisite checks; exits 0 when they let the installation go on, -1 when
// they end the run.
#include <cstring>
#include <string>

#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/prereq/prereq_run.h"
#include "launcher/base/process_flags.h"

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const char* flags = argc > 4 ? argv[4] : "";
    bool silent = std::strchr(flags, 's') != nullptr;
    bool no_console = std::strchr(flags, 'n') != nullptr;
    if (!catalogue::load_message_catalogue()) return 1;
    base::silent_mode = silent;
    if (!no_console) {
        base::open_console();
        base::refresh_console_handle();
    }
    const prereq::RunOptions options{.silent = silent,
                                     .execute_only = std::strchr(flags, 'e') != nullptr,
                                     .ignore_failures = std::strchr(flags, 'i') != nullptr,
                                     .no_console = no_console};
    const prereq::Decision decision = prereq::run_prerequisites(argv[1], argv[2], argv[3], options);
    if (decision == prereq::Decision::EndRun) return -1;
    catalogue::free_message_catalogue();
    return 0;
}
