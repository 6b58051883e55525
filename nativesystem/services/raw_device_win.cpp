#include <windows.h>
#include <winioctl.h>
#include <jni.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>

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

// The device opened for reading and writing once it passed the partition
// tests; otherwise nothing, and `error` says why.
vel::unique_file open_raw_partition(const std::string& device_path, DWORD& error) {
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
    PARTITION_INFORMATION partition{};
    if (!DeviceIoControl(device.get(), IOCTL_DISK_GET_PARTITION_INFO, nullptr, 0, &partition, sizeof partition,
                         &returned, nullptr)) {
        error = GetLastError();
        return {};
    }
    switch (partition_verdict(partition.RecognizedPartition != FALSE, partition.PartitionType)) {
    case PartitionVerdict::NotRecognized:
        print_line(not_recognized_line(device_path));
        error = kErrorUnrecognizedVolume;
        return {};
    case PartitionVerdict::WrongType:
        print_line(invalid_type_line(partition.PartitionType));
        error = kErrorUnrecognizedVolume;
        return {};
    case PartitionVerdict::Accepted:
        break;
    }
    device.reset();
    device = open_device(device_path);
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
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0,
                   nullptr);
    vel::unique_hlocal owned(message);
    std::array<char, kFallbackResultSize> text{};
    std::snprintf(text.data(), text.size(), "%d%c%s%cWindowsSystem.rawdevice.getResultString: calloc() failed", 0,
                  '|', message != nullptr ? message : "", '|');
    return new_java_string(env, text.data());
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
