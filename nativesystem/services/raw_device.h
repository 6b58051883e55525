// Decisions of raw partition validation: the two name forms, the accepted
// partition types and the texts of the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nativesystem::services {

inline constexpr std::string_view kDeviceNamespacePrefix = "\\\\.\\";
// The device path and the detail text each live in this many bytes, NUL included.
constexpr std::size_t kDevicePathSize = 260;
constexpr std::size_t kDetailSize = 260;
// Refusal of a name too long for those buffers.
constexpr std::uint32_t kErrorFilenameTooLong = 206;

struct RawDeviceNames {
    std::string dos_name;     // without the namespace prefix
    std::string device_path;  // with it
};

// Nothing when the device path or a detail text naming the device would not fit.
std::optional<RawDeviceNames> raw_device_names(std::string_view argument);

bool is_accepted_partition_type(std::uint8_t type);

enum class PartitionVerdict { Accepted, NotRecognized, WrongType };
PartitionVerdict partition_verdict(bool recognized, std::uint8_t type);
// Reported for a partition refused by its marks: no system call failed.
constexpr std::uint32_t kErrorUnrecognizedVolume = 1005;

std::string undefined_name_detail(std::string_view dos_name);
std::string invalid_partition_detail(std::string_view dos_name);
std::string valid_partition_detail();

std::string not_recognized_line(std::string_view device_path);
std::string invalid_type_line(std::uint8_t type);

// outcome|error text|detail, in UTF-16 as the system message and the device
// name reach Java.
std::wstring raw_device_result_text(int outcome, std::wstring_view error_text, std::wstring_view detail);

}  // namespace nativesystem::services
