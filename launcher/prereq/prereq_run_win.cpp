#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "launcher/base/console.h"
#include "launcher/prereq/checks.h"
#include "launcher/prereq/prereq_run.h"
#include "launcher/prereq/section_reader.h"
#include "launcher/prereq/show_line.h"

namespace prereq {

namespace {

constexpr DWORD kProfileValueSize = 1024;
constexpr DWORD kVersionInfoSize = 148;

OsVersion query_os_version() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = kVersionInfoSize;
    OsVersion version;
    if (!GetVersionExA(&info)) return version;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.service_pack.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof(info.szCSDVersion)));
    return version;
}

std::string certified_versions(const std::string& param_file) {
    char buffer[kProfileValueSize] = {};
    DWORD length = GetPrivateProfileStringA("Certified Versions", "Windows", "", buffer, sizeof(buffer),
                                            param_file.c_str());
    return std::string(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
}

void wait_for_key() {
    std::getchar();
}

void show_exit_message() {
    show_line("S_EXIT_MSG", {base::utf8_from_ansi(kit::install_log_path())});
}

// What one pass works with.
struct Pass {
    const std::string& param_file;
    const RunOptions& options;
    const OsVersion& version;
    const std::string& scratch_dir;
    RunState& state;
};

enum class EntryOutcome { Passed, Failed, EndsPass };

// The failure text keeps the size of a line; further messages are cut, never
// inside a UTF-8 character.
void add_failure_message(std::string& failure_text, const std::string& message) {
    std::string addition = "\n\n" + base::utf8_from_ansi(message);
    std::size_t room = kMaxLineLength - std::min(failure_text.size(), kMaxLineLength);
    while (room > 0 && room < addition.size() && (static_cast<unsigned char>(addition[room]) & 0xC0) == 0x80) {
        --room;
    }
    failure_text += addition.substr(0, room);
}

// Runs the check an entry names.
EntryOutcome check_entry(const Pass& pass, const std::string& key, const std::string& value) {
    const CheckKey* check = find_check_key(key);
    if (!check) return EntryOutcome::Passed;
    // An unattended run passes over the display-colour entry.
    if (key == "MIN_DISPLAY_COLORS" && pass.options.silent) return EntryOutcome::Passed;
    const std::string message =
        check->failure_message_key ? lookup_failure_message(pass.state, check->failure_message_key, pass.param_file) : "";
    bool met = true;
    if (key == "SERVICE_PACK") {
        met = check_service_pack(value, pass.version);
    } else if (key == "MIN_DISPLAY_COLORS") {
        met = check_display_colors(value);
    } else if (key == "CPU") {
        met = check_cpu(value);
    } else if (key == "SWAP_SPACE") {
        met = check_swap_space(value);
    } else {
        // A lack of temporary space is reported but does not stop the pass.
        return check_temp_space(value, pass.scratch_dir) ? EntryOutcome::Passed : EntryOutcome::Failed;
    }
    if (met) return EntryOutcome::Passed;
    if (!message.empty()) add_failure_message(pass.state.failure_text, message);
    return pass.options.ignore_failures ? EntryOutcome::Failed : EntryOutcome::EndsPass;
}

// The certified-version test of the required pass; Passed when the version is
// certified and the sections of its checks are known.
PassOutcome check_certified_version(const std::string& param_file, const RunOptions& options, const OsVersion& version,
                                    RunState& state) {
    std::string list = certified_versions(param_file);
    std::string actual = version_text(version);
    if (list.empty()) {
        show_line("S_NO_PREQ_RUN");
        return PassOutcome::NoCertifiedVersions;
    }
    show_line("S_CHECKING_REQ_PREREQ");
    std::string failure_message;
    read_key_value("Certified Versions", "CERTIFIED_VERSION_FAILURE_MESSAGE", "", failure_message, param_file,
                   vel::ansi_from_utf16);
    show_line("S_CHECKING_FOR_OS_VERSION");
    kit::log_and_show(base::utf8_from_ansi(format_value_list(list)));
    show_line("S_ACTUAL", {actual});

    if (!value_list_contains(list, actual)) {
        show_line("S_SFAILED_ON_NEWLINE");
        if (!failure_message.empty()) {
            kit::log_and_show("\n\n");
            kit::log_and_show(base::utf8_from_ansi(failure_message));
        }
        if (options.ignore_failures) return PassOutcome::Failed;
        show_exit_message();
        if (!options.silent && !options.no_console) {
            show_line("S_EXIT_CONTINUE");
            wait_for_key();
        }
        return PassOutcome::EndsRun;
    }
    show_line("S_SPASSED_ON_NEWLINE");
    state.required_section = vel::format_checked("%s-%s-%s", {"Windows", actual, "required"});
    state.optional_section = vel::format_checked("%s-%s-%s", {"Windows", actual, "optional"});
    return PassOutcome::Passed;
}

// Under -ignoreSysPrereqs: which failures are passed over.
void show_ignored_failures(const RunState& state, bool required_pass) {
    if (required_pass) {
        show_line("S_IGNORE_REQ_SYS_PREREQ");
        return;
    }
    const char* patches = catalogue::message_text("S_FAILED_PATCHES_1");
    bool patch_failure = patches && *patches && state.failure_text.find(patches) != std::string::npos;
    show_line(patch_failure ? "S_IGNORE_PATCH_SYS_PREREQ" : "S_IGNORE_OPT_SYS_PREREQ");
}

void show_failures(const RunState& state, bool required_pass) {
    if (!state.failure_text.empty()) kit::log_and_show(state.failure_text);
    if (required_pass) {
        show_line("S_FAILED_PRE_REQ_1");
        show_line("S_FAILED_PRE_REQ_2");
        show_line("S_FAILED_PRE_REQ_3");
        show_line("S_FAILED_PRE_REQ_4");
    } else if (state.failure_text.empty()) {
        show_line("S_FAILED_OPTIONAL");
    }
}

// -executeSysPrereqs ends the run once both passes have been reported.
Decision end_after_execution(bool may_ask) {
    show_exit_message();
    if (may_ask) {
        base::console_write(catalogue::format_message("S_EXIT_CONTINUE"));
        wait_for_key();
    }
    return Decision::EndRun;
}

// Asks until the answer is yes or no; true for yes.
bool user_continues() {
    Answer answer;
    do {
        show_line("S_CONTINUE");
        answer = classify_answer(read_answer_line(stdin));
    } while (answer == Answer::AskAgain);
    if (answer == Answer::Yes) {
        show_line("S_CONTINUE_YES");
        return true;
    }
    show_line("S_CONTINUE_NO");
    show_exit_message();
    return false;
}

}  // namespace

std::string lookup_failure_message(const RunState& state, const char* key, const std::string& param_file) {
    std::string message;
    read_key_value(state.required_section, key, "", message, param_file, vel::ansi_from_utf16);
    if (message.empty()) read_key_value(state.optional_section, key, "", message, param_file, vel::ansi_from_utf16);
    return message;
}

PassOutcome prerequisite_pass(const std::string& param_file, const RunOptions& options, bool required_pass,
                              RunState& state, const std::string& scratch_dir) {
    const OsVersion version = query_os_version();
    if (required_pass) {
        const PassOutcome certified = check_certified_version(param_file, options, version, state);
        if (certified != PassOutcome::Passed) return certified;
    }

    const std::string& section = required_pass ? state.required_section : state.optional_section;
    if (section.empty()) return PassOutcome::Passed;
    ConfigSource file = ConfigSource::open(param_file, vel::ansi_from_utf16);
    if (!file.is_open()) return PassOutcome::Passed;
    std::string key, value;
    if (next_section_entry(section, key, value, file) != 0) return PassOutcome::Passed;

    const Pass pass{param_file, options, version, scratch_dir, state};
    PassOutcome result = PassOutcome::Passed;
    while (next_section_entry(std::nullopt, key, value, file) == 0) {
        if (value.empty()) continue;
        const EntryOutcome entry = check_entry(pass, key, value);
        if (entry == EntryOutcome::EndsPass) return PassOutcome::Failed;
        if (entry == EntryOutcome::Failed) result = PassOutcome::Failed;
    }
    return result;
}

Decision run_prerequisites(const std::string& param_file, const std::string& scratch_dir,
                           const std::string& run_timestamp, const RunOptions& options) {
    const kit::InstallLogSession log(scratch_dir, run_timestamp);
    RunState state;
    const bool may_ask = !options.silent && !options.no_console;
    bool required_pass = true;
    for (;;) {
        state.failure_text.clear();
        const PassOutcome outcome = prerequisite_pass(param_file, options, required_pass, state, scratch_dir);
        if (outcome == PassOutcome::EndsRun) return Decision::EndRun;
        if (options.ignore_failures && outcome != PassOutcome::Passed) show_ignored_failures(state, required_pass);
        if (options.execute_only) {
            kit::log_and_show(state.failure_text);
            if (!required_pass) return end_after_execution(may_ask);
        }

        if (outcome == PassOutcome::Passed || outcome == PassOutcome::NoCertifiedVersions ||
            options.ignore_failures || options.execute_only) {
            if (!required_pass) {
                kit::log_and_show("\n");
                return Decision::Proceed;
            }
            if (outcome == PassOutcome::Passed) show_line("S_PRE_REQREQ_PASSED");
            required_pass = false;
            continue;
        }

        show_failures(state, required_pass);
        if (!may_ask) {
            show_exit_message();
            return Decision::EndRun;
        }
        if (!user_continues()) return Decision::EndRun;
        if (!required_pass) return Decision::Proceed;
        show_line("S_PRE_REQ_RETRY_REQ");
    }
}

}  // namespace prereq
