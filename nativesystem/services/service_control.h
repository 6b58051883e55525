// Decisions of the service operations on nodes: machine names, create
// defaults, the dependency list and the start and stop waits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nativesystem::services {

// The machine-name buffer handed to the service control manager.
constexpr std::size_t kMachineNameSize = 100;
// A one-entry dependency list: the name and two NULs in this many bytes.
constexpr std::size_t kDependencyListSize = 1024;
constexpr std::size_t kMaxDependencyNameLength = kDependencyListSize - 2;

constexpr std::string_view kLocalNode = "localnode";

// Windows values, spelled out so the decisions build without <windows.h>.
constexpr std::uint32_t kAllAccess = 0xF01FF;
constexpr std::uint32_t kOwnProcess = 0x10;
constexpr std::uint32_t kDemandStart = 3;
constexpr std::uint32_t kErrorNormal = 1;
constexpr std::uint32_t kStateStopped = 1;
constexpr std::uint32_t kStateRunning = 4;
constexpr std::uint32_t kErrorServiceRequestTimeout = 1053;
constexpr std::uint32_t kErrorServiceNotActive = 1062;

// Outcome of one worker: 1 or 0, and for 0 the Windows error of the failed step.
struct OperationResult {
    int outcome = 0;
    std::uint32_t error = 0;
};

// The fields of a service status that the waits look at.
struct ServiceProgress {
    std::uint32_t state = 0;
    std::uint32_t check_point = 0;
    std::uint32_t wait_hint = 0;
    std::uint32_t exit_code = 0;
};

struct CreateSettings {
    std::uint32_t desired_access = 0;
    std::uint32_t service_type = 0;
    std::uint32_t start_type = 0;
    std::uint32_t error_control = 0;
};

// Only the exact, case-sensitive "localnode" names the local machine.
bool is_local_node(std::string_view node);

// `\\node` for a plain node, the node itself when it starts with two
// backslashes; false (and `out` empty) for a missing, too short or too long node.
bool make_machine_name(const char* node, std::string& out, std::size_t out_size);

// Zero stands for the usual setting: callers cannot ask for the Windows value 0.
CreateSettings apply_create_defaults(CreateSettings requested);

// The name before the first '|' (the whole text when there is none), ended by
// two NULs; nothing when the name is longer than the list allows.
std::optional<std::string> make_dependency_list(std::string_view text);

// A start or stop wait gives up after this long, however the service reports.
constexpr std::uint64_t kServiceWaitCeilingMs = 3 * 60 * 1000;
// Status reads come a tenth of the wait hint apart, within these bounds.
constexpr std::uint32_t kShortestPollMs = 1000;
constexpr std::uint32_t kLongestPollMs = 10000;

// How long to sleep before the next status read of a service with this hint.
std::uint32_t service_poll_ms(std::uint32_t wait_hint);

// A wait in progress, on a millisecond clock of the caller's choice.
struct ServiceWait {
    std::uint64_t started_ms = 0;
    std::uint64_t progress_ms = 0;  // when the check point last grew
    std::uint32_t check_point = 0;
};

enum class WaitVerdict {
    go_on,
    arrived,  // the wanted state, or stopped while starting
    stalled,  // the check point did not grow within the wait hint
    ceiling,  // kServiceWaitCeilingMs (or the given ceiling) used up
};

ServiceWait begin_service_wait(const ServiceProgress& first, std::uint64_t now_ms);

// What a fresh status read means for a wait for `wanted` (kStateRunning or
// kStateStopped); updates the remembered check point. A service must raise its
// check point within each wait hint; a start also ends when it stops.
WaitVerdict service_wait_verdict(ServiceWait& wait, const ServiceProgress& now, std::uint64_t now_ms,
                                 std::uint32_t wanted, std::uint64_t ceiling_ms = kServiceWaitCeilingMs);

// The error reported when a start wait ends without the service running.
std::uint32_t start_wait_failure_code(const ServiceProgress& last);
std::uint32_t start_wait_failure_code(const ServiceProgress& last, WaitVerdict verdict);

}  // namespace nativesystem::services
