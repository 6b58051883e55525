// Decisions of raw partition validation: the two name forms, the accepted
// partition types and the texts of the result.
#pragma once

#include <array>
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

// A GPT partition type, in the fields of a Windows GUID.
struct PartitionGuid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
    bool operator==(const PartitionGuid&) const = default;
};
inline constexpr PartitionGuid kBasicDataPartition{0xEBD0A0A2, 0xB9E5, 0x4433,
                                                   {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};

enum class PartitionStyle { Mbr, Gpt, Unpartitioned };

// What the partition query answered; for a GPT basic data partition also the
// file system Windows mounts on it (empty or "RAW" when it recognises none).
struct PartitionAnswer {
    PartitionStyle style = PartitionStyle::Mbr;
    bool recognized = false;  // MBR
    std::uint8_t mbr_type = 0;
    PartitionGuid gpt_type;  // GPT
    std::string file_system;
};

// Driver errors that mean the extended partition request is unknown to it, so
// the MBR-only request is asked instead.
bool extended_request_unsupported(std::uint32_t error);
// Only a GPT basic data partition tells by its file system whether it is raw.
bool needs_file_system(const PartitionAnswer& answer);

enum class PartitionVerdict { Accepted, NotRecognized, WrongType, HoldsFileSystem };
PartitionVerdict partition_verdict(bool recognized, std::uint8_t type);
PartitionVerdict partition_verdict(const PartitionAnswer& answer);
// Reported for a partition refused by its marks: no system call failed.
constexpr std::uint32_t kErrorUnrecognizedVolume = 1005;

std::string undefined_name_detail(std::string_view dos_name);
std::string invalid_partition_detail(std::string_view dos_name);
std::string valid_partition_detail();

std::string not_recognized_line(std::string_view device_path);
std::string invalid_type_line(std::uint8_t type);
// The refusal line of a partition, or nothing for an accepted one.
std::string refusal_line(PartitionVerdict verdict, const PartitionAnswer& answer, std::string_view device_path);

// outcome|error text|detail, in UTF-16 as the system message and the device
// name reach Java.
std::wstring raw_device_result_text(int outcome, std::wstring_view error_text, std::wstring_view detail);

}  // namespace nativesystem::services
