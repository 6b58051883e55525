#include "nativesystem/services/service_control.h"

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
    std::string_view name = text.substr(0, text.find('|'));
    if (name.size() > kMaxDependencyNameLength) return std::nullopt;
    std::string list(name);
    list.append(2, '\0');
    return list;
}

bool start_wait_goes_on(std::uint32_t previous_check_point, const ServiceProgress& now) {
    return now.state != kStateRunning && now.state != kStateStopped && now.check_point > previous_check_point;
}

bool stop_wait_goes_on(std::uint32_t previous_check_point, const ServiceProgress& now) {
    return now.state != kStateStopped && now.check_point > previous_check_point;
}

std::uint32_t start_wait_failure_code(const ServiceProgress& last) {
    if (last.exit_code != 0) return last.exit_code;
    return last.state == kStateStopped ? kErrorServiceNotActive : kErrorServiceRequestTimeout;
}

}  // namespace nativesystem::services
