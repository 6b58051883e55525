#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/unique_resource.h"
#include "launcher/prereq/check_logic.h"
#include "launcher/prereq/probes.h"

namespace prereq {
namespace {

constexpr const char* kProcessorKey = "Hardware\\Description\\System\\CentralProcessor\\0";

TEST(Probes, ProcessorSpeedIsTheRegistryValue) {
    vel::unique_hkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProcessorKey, 0, KEY_QUERY_VALUE, key.put()), ERROR_SUCCESS);
    DWORD mhz = 0;
    DWORD size = sizeof(mhz);
    ASSERT_EQ(RegQueryValueExA(key.get(), "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&mhz), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(cpu_mhz(), static_cast<int>(mhz));
}

TEST(Probes, FreeSpaceOfTheSystemDriveAndOfNoDrive) {
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof(windows)), 2u);
    std::string root(windows, 3);
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr));
    long long expected = static_cast<long long>(available.QuadPart >> 20);
    EXPECT_LE(std::llabs(free_temp_space_mb(root) - expected), 64);
    // A network path's first three characters name no volume.
    EXPECT_EQ(free_temp_space_mb(drive_root("\\\\server\\share\\temp")), -1);
}

}  // namespace
}  // namespace prereq
