#include "nativesystem/services/raw_device.h"

#include <algorithm>
#include <array>

#include "common/checked_format.h"

namespace nativesystem::services {

namespace {
constexpr std::array<std::uint8_t, 6> kAcceptedTypes = {0x01, 0x04, 0x06, 0x0B, 0x0C, 0x0E};
constexpr std::string_view kUndefinedName = "%s does not point to a logical partition";
constexpr std::string_view kInvalidPartition = "Invalid logical partition for symbolic link %s";
// Not supported (STATUS_INVALID_DEVICE_REQUEST, STATUS_NOT_IMPLEMENTED, STATUS_NOT_SUPPORTED).
constexpr std::array<std::uint32_t, 2> kUnsupportedRequestErrors = {1, 50};
// Windows names the volume it mounts for block access only "RAW".
constexpr std::string_view kNoFileSystem = "RAW";

std::string guid_text(const PartitionGuid& guid) {
    const auto& d = guid.data4;
    return vel::format_checked("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                               {unsigned{guid.data1}, unsigned{guid.data2}, unsigned{guid.data3}, unsigned{d[0]},
                                unsigned{d[1]}, unsigned{d[2]}, unsigned{d[3]}, unsigned{d[4]}, unsigned{d[5]},
                                unsigned{d[6]}, unsigned{d[7]}});
}
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

bool extended_request_unsupported(std::uint32_t error) {
    return std::find(kUnsupportedRequestErrors.begin(), kUnsupportedRequestErrors.end(), error) !=
           kUnsupportedRequestErrors.end();
}

bool needs_file_system(const PartitionAnswer& answer) {
    return answer.style == PartitionStyle::Gpt && answer.gpt_type == kBasicDataPartition;
}

PartitionVerdict partition_verdict(bool recognized, std::uint8_t type) {
    if (!recognized) return PartitionVerdict::NotRecognized;
    if (!is_accepted_partition_type(type)) return PartitionVerdict::WrongType;
    return PartitionVerdict::Accepted;
}

// On GPT only a basic data partition without a file system is raw, as an MBR
// partition of a FAT type (0x06 is what Windows gives one it did not format).
// Every other GPT type is refused: the EFI system partition holds the boot
// files, the reserved (MSR) and recovery partitions belong to Windows, the LDM
// metadata and data partitions to the dynamic-disk volume manager, and vendor
// types to their makers; writing to any of them breaks what owns it.
PartitionVerdict partition_verdict(const PartitionAnswer& answer) {
    switch (answer.style) {
    case PartitionStyle::Mbr:
        return partition_verdict(answer.recognized, answer.mbr_type);
    case PartitionStyle::Gpt:
        if (answer.gpt_type != kBasicDataPartition) return PartitionVerdict::WrongType;
        if (!answer.file_system.empty() && answer.file_system != kNoFileSystem) {
            return PartitionVerdict::HoldsFileSystem;
        }
        return PartitionVerdict::Accepted;
    case PartitionStyle::Unpartitioned:
        break;
    }
    return PartitionVerdict::NotRecognized;
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

std::string refusal_line(PartitionVerdict verdict, const PartitionAnswer& answer, std::string_view device_path) {
    switch (verdict) {
    case PartitionVerdict::Accepted:
        break;
    case PartitionVerdict::NotRecognized:
        return not_recognized_line(device_path);
    case PartitionVerdict::WrongType:
        if (answer.style == PartitionStyle::Gpt) {
            return vel::format_checked("Invalid partition type (%s)\n", {guid_text(answer.gpt_type)});
        }
        return invalid_type_line(answer.mbr_type);
    case PartitionVerdict::HoldsFileSystem:
        return vel::format_checked("Partition %s holds a file system (%s).\n", {device_path, answer.file_system});
    }
    return {};
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
