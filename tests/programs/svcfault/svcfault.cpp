// The service start of velnodm10 on a service that never leaves its
// start-pending state, with the wait ceiling given in seconds (the library's
// own is minutes). The call runs on a thread of its own; this program waits
// for it at most the given seconds, then removes the service.
//   svcfault <service program> <seconds> <ceiling seconds>
// Prints "returned <outcome>|<error> <ms>" or "hung <ms>", then "removed" or "left <error>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/unique_resource.h"
#include "nativesystem/services/service_control_win.h"

namespace {

constexpr const char* kServiceName = "VelPendingFaultTest";

struct Call {
    std::uint64_t ceiling_ms = 0;
    std::string result;
};

DWORD WINAPI start_through_library(void* parameter) {
    auto* call = static_cast<Call*>(parameter);
    const nativesystem::services::OperationResult result =
        nativesystem::services::start_service_on_node(kServiceName, "localnode", call->ceiling_ms);
    call->result = std::to_string(result.outcome) + "|" + std::to_string(result.error);
    return 0;
}

// Ends the service's process and deletes the service; 0 or the Windows error.
DWORD remove_service(SC_HANDLE manager) {
    vel::unique_schandle service(OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS));
    if (!service) return GetLastError();
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                             &needed) &&
        status.dwProcessId != 0) {
        vel::unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
        if (process) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 10000);
        }
    }
    return DeleteService(service.get()) ? 0 : GetLastError();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const DWORD limit_ms = static_cast<DWORD>(std::atoi(argv[2])) * 1000;
    vel::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return 3;
    remove_service(manager.get());
    vel::unique_schandle created(CreateServiceA(manager.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                                SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                argv[1], nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!created) {
        std::printf("create failed %lu\n", GetLastError());
        return 3;
    }
    created.reset();

    Call call;
    call.ceiling_ms = static_cast<std::uint64_t>(std::atoi(argv[3])) * 1000;
    const DWORD begin = GetTickCount();
    vel::unique_handle thread(CreateThread(nullptr, 0, start_through_library, &call, 0, nullptr));
    if (!thread) return 3;
    const bool returned = WaitForSingleObject(thread.get(), limit_ms) == WAIT_OBJECT_0;
    const DWORD elapsed = GetTickCount() - begin;
    if (returned) {
        std::printf("returned %s %lu\n", call.result.c_str(), static_cast<unsigned long>(elapsed));
    } else {
        std::printf("hung %lu\n", static_cast<unsigned long>(elapsed));
    }
    const DWORD removed = remove_service(manager.get());
    if (removed == 0) {
        std::printf("removed\n");
    } else {
        std::printf("left %lu\n", static_cast<unsigned long>(removed));
    }
    std::fflush(stdout);
    // A call still blocked in the library is abandoned with the process.
    ExitProcess(returned && removed == 0 ? 0 : 1);
}
