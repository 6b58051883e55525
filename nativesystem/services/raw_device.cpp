#include "nativesystem/services/raw_device.h"

#include <algorithm>
#include <array>

#include "common/checked_format.h"

namespace nativesystem::services {

namespace {
constexpr std::array<std::uint8_t, 6> kAcceptedTypes = {0x01, 0x04, 0x06, 0x0B, 0x0C, 0x0E};
constexpr std::string_view kUndefinedName = "%s does not point to a logical partition";
constexpr std::string_view kInvalidPartition = "Invalid logical partition for symbolic link %s";
}  // namespace

std::optional<RawDeviceNames> raw_device_names(std::string_view argument) {
    RawDeviceNames names;
    if (argument.size() > kDeviceNamespacePrefix.size() && argument.starts_with(kDeviceNamespacePrefix)) {
        names.dos_name = argument.substr(kDeviceNamespacePrefix.size());
        names.device_path = argument;
    } else {
        names.dos_name = argument;
        names.device_path = std::string(kDeviceNamespacePrefix) + std::string(argument);
    }
    bool fits = names.device_path.size() < kDevicePathSize &&
                undefined_name_detail(names.dos_name).size() < kDetailSize &&
                invalid_partition_detail(names.dos_name).size() < kDetailSize;
    if (!fits) return std::nullopt;
    return names;
}

bool is_accepted_partition_type(std::uint8_t type) {
    return std::find(kAcceptedTypes.begin(), kAcceptedTypes.end(), type) != kAcceptedTypes.end();
}

PartitionVerdict partition_verdict(bool recognized, std::uint8_t type) {
    if (!recognized) return PartitionVerdict::NotRecognized;
    if (!is_accepted_partition_type(type)) return PartitionVerdict::WrongType;
    return PartitionVerdict::Accepted;
}

std::string undefined_name_detail(std::string_view dos_name) {
    return vel::format_checked(kUndefinedName, {dos_name});
}

std::string invalid_partition_detail(std::string_view dos_name) {
    return vel::format_checked(kInvalidPartition, {dos_name});
}

std::string valid_partition_detail() {
    return vel::format_checked("%d", {1});
}

std::string not_recognized_line(std::string_view device_path) {
    return vel::format_checked("Partition %s, not marked as a recognized partition.\n", {device_path});
}

std::string invalid_type_line(std::uint8_t type) {
    return vel::format_checked("Invalid partition type (%d)\n", {static_cast<int>(type)});
}

std::wstring raw_device_result_text(int outcome, std::wstring_view error_text, std::wstring_view detail) {
    std::wstring text = std::to_wstring(outcome);
    text += L'|';
    text += error_text;
    text += L'|';
    text += detail;
    return text;
}

}  // namespace nativesystem::services
