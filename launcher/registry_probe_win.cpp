#include "launcher/registry_probe.h"

#include <windows.h>

#include "common/unique_resource.h"

namespace launcher {

bool registry_access_granted() {
    static constexpr char kProbeName[] = "velmor_ksi_tmp";
    static constexpr char kProbeValue[] = "temp value";
    static char kProbeClass[] = "temp key";

    vel::unique_hkey software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS, software.put()) != ERROR_SUCCESS) return false;
    if (RegSetValueExA(software.get(), kProbeName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kProbeValue),
                       sizeof kProbeValue) != ERROR_SUCCESS) {
        return false;
    }
    RegDeleteValueA(software.get(), kProbeName);

    vel::unique_hkey probe;
    DWORD disposition = 0;
    if (RegCreateKeyExA(software.get(), kProbeName, 0, kProbeClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        probe.put(), &disposition) != ERROR_SUCCESS) {
        return false;
    }
    RegDeleteKeyA(software.get(), kProbeName);
    return true;
}

}  // namespace launcher
