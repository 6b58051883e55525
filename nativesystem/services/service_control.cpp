#include "nativesystem/services/service_control.h"

#include <algorithm>

#include "common/ansi_text.h"

namespace nativesystem::services {

namespace {
constexpr std::size_t kShortestNode = 3;
constexpr std::string_view kMachinePrefix = "\\\\";
}  // namespace

bool is_local_node(std::string_view node) {
    return node == kLocalNode;
}

bool make_machine_name(const char* node, std::string& out, std::size_t out_size) {
    out.clear();
    if (node == nullptr) return false;
    std::string_view text(node);
    if (text.size() < kShortestNode) return false;
    if (text.starts_with(kMachinePrefix)) {
        if (text.size() >= out_size) return false;
        out = text;
        return true;
    }
    if (text.size() + kMachinePrefix.size() >= out_size) return false;
    out = kMachinePrefix;
    out += text;
    return true;
}

CreateSettings apply_create_defaults(CreateSettings requested) {
    CreateSettings settings = requested;
    if (settings.desired_access == 0) settings.desired_access = kAllAccess;
    if (settings.service_type == 0) settings.service_type = kOwnProcess;
    if (settings.start_type == 0) settings.start_type = kDemandStart;
    if (settings.error_control == 0) settings.error_control = kErrorNormal;
    return settings;
}

std::optional<std::string> make_dependency_list(std::string_view text) {
    // In a double-byte code page the second byte of a character may be '|'.
    std::string_view name = text.substr(0, vel::find_ansi_char(text, "|"));
    if (name.size() > kMaxDependencyNameLength) return std::nullopt;
    std::string list(name);
    list.append(2, '\0');
    return list;
}

std::uint32_t service_poll_ms(std::uint32_t wait_hint) {
    return std::clamp<std::uint32_t>(wait_hint / 10, kShortestPollMs, kLongestPollMs);
}

ServiceWait begin_service_wait(const ServiceProgress& first, std::uint64_t now_ms) {
    return {now_ms, now_ms, first.check_point};
}

WaitVerdict service_wait_verdict(ServiceWait& wait, const ServiceProgress& now, std::uint64_t now_ms,
                                 std::uint32_t wanted, std::uint64_t ceiling_ms) {
    if (now.state == wanted || now.state == kStateStopped) return WaitVerdict::arrived;
    if (now_ms - wait.started_ms >= ceiling_ms) return WaitVerdict::ceiling;
    if (now.check_point > wait.check_point) {
        wait.check_point = now.check_point;
        wait.progress_ms = now_ms;
        return WaitVerdict::go_on;
    }
    return now_ms - wait.progress_ms >= now.wait_hint ? WaitVerdict::stalled : WaitVerdict::go_on;
}

std::uint32_t start_wait_failure_code(const ServiceProgress& last) {
    if (last.exit_code != 0) return last.exit_code;
    return last.state == kStateStopped ? kErrorServiceNotActive : kErrorServiceRequestTimeout;
}

std::uint32_t start_wait_failure_code(const ServiceProgress& last, WaitVerdict verdict) {
    return verdict == WaitVerdict::ceiling ? kErrorServiceRequestTimeout : start_wait_failure_code(last);
}

}  // namespace nativesystem::services
