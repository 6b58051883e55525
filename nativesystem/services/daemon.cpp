#include "nativesystem/services/daemon.h"

#include <algorithm>

#include "common/checked_format.h"
#include "nativesystem/services/service_control.h"

namespace nativesystem::services {

namespace {
constexpr std::string_view kExecutableSuffix = "\\bin\\pxd.exe";
constexpr std::string_view kLogDirectorySuffix = "\\nodm\\log";
constexpr std::string_view kLogFileName = "\\pxdservice.log";

bool fits(const std::string& path, std::size_t buffer_size) {
    return path.size() < buffer_size;
}
}  // namespace

std::optional<std::string> daemon_executable_path(std::string_view home) {
    std::string path(home);
    path += kExecutableSuffix;
    if (!fits(path, kExecutablePathSize)) return std::nullopt;
    return path;
}

std::string daemon_service_binary(std::string_view executable) {
    if (executable.find_first_of(" \t") == std::string_view::npos) return std::string(executable);
    std::string quoted = "\"";
    quoted += executable;
    quoted += '"';
    return quoted;
}

std::optional<DaemonLogPaths> daemon_log_paths(std::string_view home) {
    DaemonLogPaths paths;
    paths.directory = std::string(home) + std::string(kLogDirectorySuffix);
    paths.file = paths.directory + std::string(kLogFileName);
    if (!fits(paths.file, kLogPathSize)) return std::nullopt;
    return paths;
}

std::string daemon_log_line(std::string_view date, std::string_view time, std::uint32_t thread_id,
                            std::string_view message) {
    std::string line = vel::format_checked("%s %s : ", {date, time});
    line += vel::format_checked("(%d) : ", {static_cast<unsigned long>(thread_id)});
    line += message;
    line += '\n';
    return line;
}

std::string daemon_dependency_list() {
    std::string list(kDaemonDependency);
    list.append(2, '\0');
    return list;
}

std::string daemon_result_text(int outcome) {
    return vel::format_checked("%d|%s", {outcome, " "});
}

std::optional<std::uint32_t> daemon_wait_sleep(std::uint32_t wait_hint, std::uint64_t elapsed_ms) {
    if (elapsed_ms >= kDaemonStartLimitMs) return std::nullopt;
    std::uint64_t remaining = kDaemonStartLimitMs - elapsed_ms;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(service_poll_ms(wait_hint), remaining));
}

}  // namespace nativesystem::services
