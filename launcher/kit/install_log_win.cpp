#include <windows.h>

#include <cstdio>

#include "common/unique_resource.h"
#include "launcher/base/console.h"
#include "launcher/kit/install_log.h"
#include "launcher/kit/paths.h"
#include "launcher/phase_times.h"

namespace kit {

namespace {

constexpr const char* kInventoryKey = "SOFTWARE\\VELMOR";
constexpr const char* kInventoryKeyWow = "SOFTWARE\\WOW6432NODE\\VELMOR";
constexpr const char* kInventoryValue = "inst_loc";

vel::unique_stdio log_file;
std::string log_path;

// The inventory location, or empty, with the environment references of an
// expandable value expanded. The second key is consulted only when the first
// cannot be opened. Values of a non-text type, or too long for their place,
// count as no inventory.
std::string read_inventory_location() {
    vel::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInventoryKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInventoryKeyWow, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    char data[kPathBufferSize];
    DWORD type = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), kInventoryValue, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    std::string location(data, size);
    if (const auto end = location.find('\0'); end != std::string::npos) location.resize(end);
    if (type == REG_EXPAND_SZ) {
        // %SystemDrive%\Inventory names a place, not a directory called that.
        char expanded[kPathBufferSize];
        const DWORD length = ExpandEnvironmentStringsA(location.c_str(), expanded, sizeof expanded);
        // The ANSI form may need one byte more than it reports: a full buffer counts as too small.
        if (length == 0 || length >= sizeof expanded) return {};
        location = expanded;
    }
    if (location.size() > kMaxPathLength) return {};
    return location;
}

}  // namespace

void open_install_log(const std::string& fallback_directory, const std::string& run_timestamp) {
    const launcher::PhaseScope timed("install log");
    log_file.reset();
    log_path = log_directory(read_inventory_location(), fallback_directory);
    if (make_directories(log_path)) {
        log_path += '\\';
        log_path += log_file_name(run_timestamp);
        if (log_path.size() <= kMaxPathLength) log_file.reset(std::fopen(log_path.c_str(), "a"));
    }
    if (!log_file) log_path.clear();
}

int close_install_log() {
    if (!log_file) return 0;
    const launcher::PhaseScope timed("install log");
    std::FILE* file = log_file.release();
    std::fflush(file);
    return std::fclose(file);
}

void log_write(std::string_view text, bool to_console) {
    if (to_console) base::console_write(text);
    if (!log_file) return;
    const launcher::PhaseScope timed("install log");
    std::fwrite(text.data(), 1, text.size(), log_file.get());
    std::fflush(log_file.get());
}

void log_and_show(std::string_view text) { log_write(text, true); }

void log_text(std::string_view text) { log_write(text, false); }

const std::string& install_log_path() { return log_path; }

}  // namespace kit
