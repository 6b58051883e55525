// The prerequisite run: the required and the optional pass over the kit's
// stated requirements for this Windows version, and the decision whether the
// installation may go on.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace prereq {

// The section names and failure text one run hands from pass to pass.
struct RunState {
    std::string required_section;
    std::string optional_section;
    std::string failure_text;
};

// How the command line asks the run to behave.
struct RunOptions {
    bool silent = false;
    bool execute_only = false;     // report every failure, then end the run
    bool ignore_failures = false;  // report failures and go on
    bool no_console = false;
};

// EndsRun: the version is not certified and failures are not ignored; the
// user has been told.
enum class PassOutcome { Passed, Failed, NoCertifiedVersions, EndsRun };

enum class Decision { Proceed, EndRun };

// Whether the installation may go on, with the install log open for the run's
// lines. On EndRun the user has been told; the run ends with exit code -1.
Decision run_prerequisites(const std::string& param_file, const std::string& scratch_dir,
                           const std::string& run_timestamp, const RunOptions& options);

// One pass (required or optional).
PassOutcome prerequisite_pass(const std::string& param_file, const RunOptions& options, bool required_pass,
                              RunState& state, const std::string& scratch_dir);

// The value of `key` from the required section, or else the optional one.
std::string lookup_failure_message(const RunState& state, const char* key, const std::string& param_file);

// Longest answer line the question reads; the rest of a longer line is dropped.
constexpr std::size_t kMaxAnswerLength = 1023;

enum class Answer { Yes, No, AskAgain };

// One answer line from `in` without its line end; nullopt at end of input
// before any character.
std::optional<std::string> read_answer_line(std::FILE* in);
// End of input counts as no, so that a closed input cannot keep the question going.
Answer classify_answer(const std::optional<std::string>& line);

}  // namespace prereq
