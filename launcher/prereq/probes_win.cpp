#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "common/unique_resource.h"
#include "launcher/prereq/check_logic.h"
#include "launcher/prereq/probes.h"

namespace prereq {

namespace {

constexpr DWORD kPagingBufferSize = 1024;

vel::unique_hkey open_machine_key(const char* subkey) {
    // A failed open leaves no key to close, whatever it wrote to the out-parameter.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    return vel::unique_hkey(key);
}

constexpr double kBytesPerMb = 1024.0 * 1024.0;

// The present size of a paging file the system manages, from its directory
// entry: the system holds the file itself open. "?:" leaves the drive to the
// system, which keeps such a paging file on its own drive. The measure is the
// file, not the memory status: that reports the commit limit, physical
// memory included.
double paging_file_size_mb(std::string_view path) {
    std::string file(path);
    if (file.size() > 2 && file[0] == '?' && file[1] == ':') {
        char windows[MAX_PATH + 1];
        const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH + 1);
        if (length == 0 || length > MAX_PATH) return 0;
        file[0] = windows[0];
    }
    if (file.find_first_of("*?") != std::string::npos) return 0;
    WIN32_FIND_DATAA found;
    vel::unique_find search(FindFirstFileA(file.c_str(), &found));
    if (!search || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
    const ULONGLONG bytes = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return static_cast<double>(bytes) / kBytesPerMb;
}

}  // namespace

int display_bits_per_pixel() {
    vel::unique_hdc dc(CreateCompatibleDC(nullptr));
    if (!dc) return 0;
    return GetDeviceCaps(dc.get(), BITSPIXEL);
}

int cpu_mhz() {
    vel::unique_hkey key = open_machine_key("Hardware\\Description\\System\\CentralProcessor\\0");
    if (!key) return 0;
    DWORD mhz = 0;
    DWORD size = sizeof(mhz);
    if (RegQueryValueExA(key.get(), "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&mhz), &size) != ERROR_SUCCESS)
        return 0;
    return mhz > INT_MAX ? INT_MAX : static_cast<int>(mhz);
}

double paging_space_total() {
    vel::unique_hkey key = open_machine_key("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management");
    if (!key) return 0;
    char data[kPagingBufferSize];
    DWORD size = sizeof(data);
    // A value larger than the buffer (ERROR_MORE_DATA) counts as unreadable.
    if (RegQueryValueExA(key.get(), "PagingFiles", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return 0;
    return paging_total(std::string_view(data, size < sizeof(data) ? size : sizeof(data)), paging_file_size_mb);
}

int free_temp_space_mb(const std::string& root) {
    using FreeSpaceFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (!kernel) return -1;
    auto free_space = reinterpret_cast<FreeSpaceFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    if (!free_space) return -1;
    ULARGE_INTEGER available{}, total{}, total_free{};
    if (free_space(root.c_str(), &available, &total, &total_free) != 1) return -1;
    unsigned long long mb = available.QuadPart >> 20;
    return mb > INT_MAX ? INT_MAX : static_cast<int>(mb);
}

bool hotfix_q246009_installed() {
    return static_cast<bool>(open_machine_key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009"));
}

}  // namespace prereq
