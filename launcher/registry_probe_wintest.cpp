#include "launcher/registry_probe.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/unique_resource.h"

namespace {

bool probe_value_present() {
    vel::unique_hkey software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, software.put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(software.get(), "velmor_ksi_tmp", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool probe_key_present() {
    vel::unique_hkey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\velmor_ksi_tmp", 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

TEST(RegistryProbe, WritesAndLeavesNothingBehind) {
    EXPECT_TRUE(launcher::registry_access_granted());
    EXPECT_FALSE(probe_value_present());
    EXPECT_FALSE(probe_key_present());
}

TEST(RegistryProbe, RemovesWhatAnEarlierRunLeftBehind) {
    vel::unique_hkey leftover;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\velmor_ksi_tmp", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              leftover.put(), nullptr),
              ERROR_SUCCESS);
    leftover.reset();
    vel::unique_hkey software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS, software.put()), ERROR_SUCCESS);
    const char old_value[] = "old";
    ASSERT_EQ(RegSetValueExA(software.get(), "velmor_ksi_tmp", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_value),
                             sizeof old_value),
              ERROR_SUCCESS);

    EXPECT_TRUE(launcher::registry_access_granted());
    EXPECT_FALSE(probe_value_present());
    EXPECT_FALSE(probe_key_present());
}
