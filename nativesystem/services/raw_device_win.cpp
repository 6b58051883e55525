#include <windows.h>
#include <winioctl.h>
#include <jni.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"
#include "nativesystem/services/raw_device.h"
#include "velmor_ops_mgmt_nativesystem_WindowsNative.h"

namespace nativesystem::services {

namespace {

constexpr std::size_t kFallbackResultSize = 1024;

vel::unique_file open_device(const std::string& device_path) {
    return vel::unique_file(CreateFileA(device_path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

void print_line(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

// Windows fills 144 bytes with the MBR or GPT part at offset 32; the XP-level
// headers we build with must agree.
static_assert(sizeof(PARTITION_INFORMATION_EX) == 144 && offsetof(PARTITION_INFORMATION_EX, Gpt) == 32);

PartitionAnswer mbr_answer(BOOLEAN recognized, BYTE type) {
    PartitionAnswer answer;
    answer.recognized = recognized != FALSE;
    answer.mbr_type = type;
    return answer;
}

PartitionAnswer partition_answer(const PARTITION_INFORMATION_EX& info) {
    if (info.PartitionStyle == PARTITION_STYLE_MBR) {
        return mbr_answer(info.Mbr.RecognizedPartition, info.Mbr.PartitionType);
    }
    PartitionAnswer answer;
    if (info.PartitionStyle != PARTITION_STYLE_GPT) {
        answer.style = PartitionStyle::Unpartitioned;
        return answer;
    }
    const GUID& type = info.Gpt.PartitionType;
    answer.style = PartitionStyle::Gpt;
    answer.gpt_type = {type.Data1, type.Data2, type.Data3, std::to_array(type.Data4)};
    return answer;
}

// The extended request knows MBR and GPT partitions; a driver that does not
// know it is asked the MBR-only request.
std::optional<PartitionAnswer> query_partition(HANDLE device, DWORD& error) {
    PARTITION_INFORMATION_EX extended{};
    DWORD returned = 0;
    if (DeviceIoControl(device, IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &extended, sizeof extended, &returned,
                        nullptr)) {
        return partition_answer(extended);
    }
    if (DWORD failure = GetLastError(); !extended_request_unsupported(failure)) {
        error = failure;
        return std::nullopt;
    }
    PARTITION_INFORMATION partition{};
    if (!DeviceIoControl(device, IOCTL_DISK_GET_PARTITION_INFO, nullptr, 0, &partition, sizeof partition, &returned,
                         nullptr)) {
        error = GetLastError();
        return std::nullopt;
    }
    return mbr_answer(partition.RecognizedPartition, partition.PartitionType);
}

// The file system Windows mounts on the volume; empty for an unformatted one,
// which Windows reports as not recognised.
std::optional<std::string> volume_file_system(const std::string& device_path, DWORD& error) {
    std::string root = device_path + '\\';
    std::array<char, MAX_PATH + 1> name{};
    if (GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name.data(),
                              static_cast<DWORD>(name.size()))) {
        return std::string(name.data());
    }
    error = GetLastError();
    if (error == ERROR_UNRECOGNIZED_VOLUME) return std::string();
    return std::nullopt;
}

// The device opened for reading and writing once it passed the partition
// tests; otherwise nothing, and `error` says why.
vel::unique_file open_raw_partition(const std::string& device_path, DWORD& error) {
    std::optional<PartitionAnswer> answer;
    {
        vel::unique_file device = open_device(device_path);
        if (!device) {
            error = GetLastError();
            return {};
        }
        DISK_GEOMETRY geometry{};
        DWORD returned = 0;
        if (!DeviceIoControl(device.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry,
                             &returned, nullptr)) {
            error = GetLastError();
            return {};
        }
        answer = query_partition(device.get(), error);
        if (!answer) return {};
    }
    // Asked once our handle is closed: while a handle holds an unformatted
    // volume open for block access, Windows may answer otherwise.
    if (needs_file_system(*answer)) {
        std::optional<std::string> file_system = volume_file_system(device_path, error);
        if (!file_system) return {};
        answer->file_system = std::move(*file_system);
    }
    PartitionVerdict verdict = partition_verdict(*answer);
    if (verdict != PartitionVerdict::Accepted) {
        print_line(refusal_line(verdict, *answer, device_path));
        error = kErrorUnrecognizedVolume;
        return {};
    }
    vel::unique_file device = open_device(device_path);
    if (!device) error = GetLastError();
    return device;
}

int check_raw_device(const char* name, vel::unique_file& handle, DWORD& error, std::string& detail) {
    std::optional<RawDeviceNames> names = raw_device_names(name);
    if (!names) {
        error = kErrorFilenameTooLong;
        detail.clear();
        return 0;
    }
    std::string target(kDetailSize, '\0');
    if (QueryDosDeviceA(names->dos_name.c_str(), target.data(), static_cast<DWORD>(target.size())) == 0) {
        error = GetLastError();
        detail = undefined_name_detail(names->dos_name);
        return 0;
    }
    handle = open_raw_partition(names->device_path, error);
    if (!handle) {
        detail = invalid_partition_detail(names->dos_name);
        return 0;
    }
    error = ERROR_SUCCESS;
    detail = valid_partition_detail();
    return 1;
}

std::wstring raw_device_result(int outcome, DWORD error, const std::string& detail) {
    return raw_device_result_text(outcome, error_message(error), wide_from_ansi(detail));
}

// Out of memory: a result all the same, built without the heap, with the
// text of the last error.
jstring raw_device_allocation_failure(JNIEnv* env) noexcept {
    const DWORD error = GetLastError();
    wchar_t* message = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&message), 0,
                   nullptr);
    vel::unique_hlocal owned(message);
    std::array<wchar_t, kFallbackResultSize> text{};
    _snwprintf(text.data(), text.size() - 1, L"0|%ls|WindowsSystem.rawdevice.getResultString: calloc() failed",
               message != nullptr ? message : L"");
    return new_java_string(env, std::wstring_view(text.data()));
}

}  // namespace

}  // namespace nativesystem::services

using namespace nativesystem;
using namespace nativesystem::services;

extern "C" {

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_validateRawDevice(JNIEnv* env, jobject,
                                                                                           jstring device) {
    return result_at_boundary(
        env,
        [&] {
            int outcome = 0;
            DWORD error = ERROR_INVALID_PARAMETER;
            std::string detail;
            {
                JniAnsiString name(env, device);
                vel::unique_file handle;
                if (name) outcome = check_raw_device(name.get(), handle, error, detail);
                if (name.error()) error = name.error();
            }
            return new_java_string(env, raw_device_result(outcome, error, detail));
        },
        raw_device_allocation_failure);
}

}  // extern "C"
