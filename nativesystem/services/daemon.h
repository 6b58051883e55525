// Decisions of the services daemon installation: its fixed definition, the
// paths under the daemon home, the log line and the bound of the start wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nativesystem::services {

inline constexpr const char* kDaemonServiceName = "VelmorPXDService";
inline constexpr const char* kDaemonDependency = "VelmorCMService4q";

// Buffers the paths under the daemon home must fit in, NUL included.
constexpr std::size_t kExecutablePathSize = 1024;
constexpr std::size_t kLogPathSize = 2600;

// A daemon stuck in a pending state gives up after this much waiting.
constexpr std::uint64_t kDaemonStartLimitMs = 5 * 60 * 1000;

// home + "\bin\pxd.exe"; nothing when it does not fit.
std::optional<std::string> daemon_executable_path(std::string_view home);

// The binary path the service is registered with: the executable in quotes
// when it holds a blank, so that Windows cannot start a program named by a
// prefix of it ("C:\Program.exe"); otherwise the executable as it is.
std::string daemon_service_binary(std::string_view executable);

struct DaemonLogPaths {
    std::string directory;  // home + "\nodm\log"
    std::string file;       // directory + "\pxdservice.log"
};
// Nothing when a path does not fit: the log is then not written.
std::optional<DaemonLogPaths> daemon_log_paths(std::string_view home);

// "<date> <time> : (<thread>) : <message>\n"
std::string daemon_log_line(std::string_view date, std::string_view time, std::uint32_t thread_id,
                            std::string_view message);

// The dependency on the cluster manager service as a one-entry list.
std::string daemon_dependency_list();

// "1| " or "0| ": the daemon's result carries no error text.
std::string daemon_result_text(int outcome);

// How long to sleep before the next status read for `wait_hint` after
// `elapsed_ms` of waiting (the service poll rule, never beyond the limit);
// nothing once the limit is used up.
std::optional<std::uint32_t> daemon_wait_sleep(std::uint32_t wait_hint, std::uint64_t elapsed_ms);

}  // namespace nativesystem::services
