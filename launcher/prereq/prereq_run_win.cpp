#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "launcher/console.h"
#include "launcher/prereq/prereq_run.h"
#include "launcher/prereq/probes.h"
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
    show_line("S_EXIT_MSG", {console::utf8_from_ansi(kit::install_log_path())});
}

// Runs the check an entry names; false when the pass has to stop at once.
bool check_entry(const std::string& key, const std::string& value, const std::string& param_file, bool silent_mode,
                 bool ignore_failures, const OsVersion& version, RunState& state, const std::string& scratch_dir,
                 int& result) {
    const CheckKey* check = find_check_key(key);
    if (!check) return true;
    // An unattended run passes over the display-colour entry.
    if (key == "MIN_DISPLAY_COLORS" && silent_mode) return true;
    std::string message;
    if (check->failure_message_key) lookup_failure_message(state, check->failure_message_key, message, param_file);
    int failed = 0;
    if (key == "SERVICE_PACK") {
        failed = check_service_pack(value, version);
    } else if (key == "MIN_DISPLAY_COLORS") {
        failed = check_display_colors(value);
    } else if (key == "CPU") {
        failed = check_cpu(value);
    } else if (key == "SWAP_SPACE") {
        failed = check_swap_space(value);
    } else {
        // A lack of temporary space is reported but does not stop the pass.
        if (check_temp_space(value, scratch_dir)) result = kPassFailed;
        return true;
    }
    if (!failed) return true;
    result = kPassFailed;
    if (!message.empty()) {
        // The failure text keeps the size of a line; further messages are cut.
        std::string addition = "\n\n" + console::utf8_from_ansi(message);
        std::size_t room = kMaxLineLength - std::min(state.failure_text.size(), kMaxLineLength);
        // A cut never splits a UTF-8 character.
        while (room > 0 && room < addition.size() && (static_cast<unsigned char>(addition[room]) & 0xC0) == 0x80) {
            --room;
        }
        state.failure_text += addition.substr(0, room);
    }
    return ignore_failures;
}

}  // namespace

int lookup_failure_message(const RunState& state, const char* key, std::string& out, const std::string& param_file) {
    read_key_value(state.required_section, key, "", out, param_file, vel::ansi_from_utf16);
    if (!out.empty()) return 1;
    read_key_value(state.optional_section, key, "", out, param_file, vel::ansi_from_utf16);
    return 2;
}

int prerequisite_pass(const std::string& param_file, bool silent_mode, bool ignore_failures, bool required_pass,
                      RunState& state, bool no_console, const std::string& scratch_dir) {
    OsVersion version = query_os_version();

    if (required_pass) {
        std::string list = certified_versions(param_file);
        std::string actual = version_text(version);
        if (list.empty()) {
            show_line("S_NO_PREQ_RUN");
            return kPassNoCertifiedVersions;
        }
        show_line("S_CHECKING_REQ_PREREQ");
        std::string failure_message;
        read_key_value("Certified Versions", "CERTIFIED_VERSION_FAILURE_MESSAGE", "", failure_message, param_file,
                       vel::ansi_from_utf16);
        show_line("S_CHECKING_FOR_OS_VERSION");
        kit::log_and_show(console::utf8_from_ansi(format_value_list(list)));
        show_line("S_ACTUAL", {actual});

        if (!value_list_contains(list, actual)) {
            show_line("S_SFAILED_ON_NEWLINE");
            if (!failure_message.empty()) {
                kit::log_and_show("\n\n");
                kit::log_and_show(console::utf8_from_ansi(failure_message));
            }
            if (ignore_failures) return kPassFailed;
            show_exit_message();
            if (!silent_mode && !no_console) {
                show_line("S_EXIT_CONTINUE");
                wait_for_key();
            }
            kit::close_install_log();
            return kPassEndsRun;
        }
        show_line("S_SPASSED_ON_NEWLINE");
        state.required_section = vel::format_checked("%s-%s-%s", {"Windows", actual, "required"});
        state.optional_section = vel::format_checked("%s-%s-%s", {"Windows", actual, "optional"});
    }

    const std::string& section = required_pass ? state.required_section : state.optional_section;
    if (section.empty()) return kPassPassed;
    ConfigSource file = ConfigSource::open(param_file, vel::ansi_from_utf16);
    if (!file.is_open()) return kPassPassed;
    std::string key, value;
    if (next_section_entry(section, key, value, file) != 0) return kPassPassed;

    int result = kPassPassed;
    while (next_section_entry(std::nullopt, key, value, file) == 0) {
        if (value.empty()) continue;
        if (!check_entry(key, value, param_file, silent_mode, ignore_failures, version, state, scratch_dir, result))
            return kPassFailed;
    }
    return result;
}

Decision run_prerequisites(const std::string& param_file, const std::string& scratch_dir,
                           const std::string& run_timestamp, bool silent_mode, bool execute_only, bool ignore_failures,
                           bool no_console) {
    kit::open_install_log(scratch_dir, run_timestamp);
    RunState state;
    bool required_pass = true;
    bool may_ask = !silent_mode && !no_console;

    for (;;) {
        state.failure_text.clear();
        int f = prerequisite_pass(param_file, silent_mode, ignore_failures, required_pass, state, no_console,
                                  scratch_dir);
        if (f == kPassEndsRun) return Decision::EndRun;

        if (ignore_failures && f != kPassPassed) {
            if (required_pass) {
                show_line("S_IGNORE_REQ_SYS_PREREQ");
            } else {
                const char* patches = catalogue::message_text("S_FAILED_PATCHES_1");
                bool patch_failure = patches && *patches && state.failure_text.find(patches) != std::string::npos;
                show_line(patch_failure ? "S_IGNORE_PATCH_SYS_PREREQ" : "S_IGNORE_OPT_SYS_PREREQ");
            }
        }

        if (execute_only) {
            kit::log_and_show(state.failure_text);
            if (!required_pass) {
                show_exit_message();
                kit::close_install_log();
                if (may_ask) {
                    console::console_write(catalogue::format_message("S_EXIT_CONTINUE"));
                    wait_for_key();
                }
                return Decision::EndRun;
            }
        }

        if (f == kPassPassed || f == kPassNoCertifiedVersions || ignore_failures || execute_only) {
            if (required_pass) {
                if (f == kPassPassed) show_line("S_PRE_REQREQ_PASSED");
                required_pass = false;
                continue;
            }
            kit::log_and_show("\n");
            kit::close_install_log();
            return Decision::Proceed;
        }

        if (!state.failure_text.empty()) kit::log_and_show(state.failure_text);
        if (required_pass) {
            show_line("S_FAILED_PRE_REQ_1");
            show_line("S_FAILED_PRE_REQ_2");
            show_line("S_FAILED_PRE_REQ_3");
            show_line("S_FAILED_PRE_REQ_4");
        } else if (state.failure_text.empty()) {
            show_line("S_FAILED_OPTIONAL");
        }

        if (!may_ask) {
            show_exit_message();
            kit::close_install_log();
            return Decision::EndRun;
        }

        Answer answer;
        do {
            show_line("S_CONTINUE");
            answer = classify_answer(read_answer_line(stdin));
        } while (answer == Answer::AskAgain);

        if (answer == Answer::No) {
            show_line("S_CONTINUE_NO");
            show_exit_message();
            kit::close_install_log();
            return Decision::EndRun;
        }
        show_line("S_CONTINUE_YES");
        if (!required_pass) {
            kit::close_install_log();
            return Decision::Proceed;
        }
        show_line("S_PRE_REQ_RETRY_REQ");
    }
}

}  // namespace prereq
