// Stand-in for netapi32.dll in the node-accessibility tests: records each
// share probe and answers it as the test asks.
//   VEL_SHARECHECK_LOG     file that receives one line "<server>|<device>" per probe
//   VEL_SHARECHECK_ACCEPT  the one probe ("<server>|<device>") that succeeds
//   VEL_SHARECHECK_ERROR   status a failing probe returns (NERR_NetNameNotFound when unset);
//                          like Windows, the last error is left alone
#include <windows.h>
#include <lmcons.h>
#include <lmerr.h>
#include <lmshare.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/unique_resource.h"

namespace {

std::string variable(const char* name) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return {};
    return std::string(value, length);
}

std::string narrow(const wchar_t* text) {
    if (!text) return "(null)";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "(unconvertible)";
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.pop_back();
    return result;
}

}  // namespace

extern "C" __declspec(dllexport) NET_API_STATUS WINAPI NetShareCheck(LMSTR servername, LMSTR device, LPDWORD type) {
    const std::string probe = narrow(servername) + "|" + narrow(device);
    const std::string log = variable("VEL_SHARECHECK_LOG");
    if (!log.empty()) {
        vel::unique_stdio file(std::fopen(log.c_str(), "ab"));
        if (file) std::fprintf(file.get(), "%s\n", probe.c_str());
    }
    if (probe == variable("VEL_SHARECHECK_ACCEPT")) {
        if (type) *type = STYPE_DISKTREE;
        return NERR_Success;
    }
    const std::string error = variable("VEL_SHARECHECK_ERROR");
    if (!error.empty()) return static_cast<NET_API_STATUS>(std::strtoul(error.c_str(), nullptr, 10));
    return NERR_NetNameNotFound;
}
