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

// kPassEndsRun: the version is not certified and failures are not ignored;
// the user has been told and the install log is closed.
enum PassResult { kPassPassed = 0, kPassFailed = 1, kPassNoCertifiedVersions = 3, kPassEndsRun = 4 };

enum class Decision { Proceed, EndRun };

// Whether the installation may go on. On EndRun the user has been told and
// the install log is closed; the run ends with exit code -1.
Decision run_prerequisites(const std::string& param_file, const std::string& scratch_dir,
                           const std::string& run_timestamp, bool silent_mode, bool execute_only, bool ignore_failures,
                           bool no_console);

// One pass (required or optional).
int prerequisite_pass(const std::string& param_file, bool silent_mode, bool ignore_failures, bool required_pass,
                      RunState& state, bool no_console, const std::string& scratch_dir);

// The value of `key` from the required section (1) or else the optional one (2).
int lookup_failure_message(const RunState& state, const char* key, std::string& out, const std::string& param_file);

}  // namespace prereq

namespace prereq {

// Longest answer line the question reads; the rest of a longer line is dropped.
constexpr std::size_t kMaxAnswerLength = 1023;

enum class Answer { Yes, No, AskAgain };

// One answer line from `in` without its line end; nullopt at end of input
// before any character.
std::optional<std::string> read_answer_line(std::FILE* in);
// End of input counts as no, so that a closed input cannot keep the question going.
Answer classify_answer(const std::optional<std::string>& line);

}  // namespace prereq
