#include <windows.h>
#include <jni.h>

#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "common/checked_format.h"
#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"
#include "nativesystem/services/daemon.h"
#include "nativesystem/services/daemon_win.h"
#include "nativesystem/services/service_control.h"
#include "velmor_ops_mgmt_nativesystem_WindowsNative.h"

namespace nativesystem::services {

namespace {

// The daemon home outlives the call that set it; the lock keeps a reader from
// seeing a half-replaced text. A critical section, as the runtime of a
// library that loads on Windows XP has no std::mutex.
struct HomeLock {
    CRITICAL_SECTION section;
    HomeLock() { InitializeCriticalSection(&section); }
    ~HomeLock() { DeleteCriticalSection(&section); }
    HomeLock(const HomeLock&) = delete;
    HomeLock& operator=(const HomeLock&) = delete;
};
HomeLock daemon_home_lock;
std::string daemon_home_text;

struct HomeGuard {
    HomeGuard() { EnterCriticalSection(&daemon_home_lock.section); }
    ~HomeGuard() { LeaveCriticalSection(&daemon_home_lock.section); }
    HomeGuard(const HomeGuard&) = delete;
    HomeGuard& operator=(const HomeGuard&) = delete;
};

void set_daemon_home(const char* home) {
    std::string copy(home);
    HomeGuard guard;
    daemon_home_text.swap(copy);
}

std::string daemon_home() {
    HomeGuard guard;
    return daemon_home_text;
}

void daemon_log(std::string_view format, std::initializer_list<vel::FormatArg> args = {}) {
    append_daemon_log(daemon_home(), vel::format_checked(format, args));
}

// The daemon's node is used as given: "localnode" or a machine name. Only
// the rights the step uses are asked for.
vel::unique_schandle open_daemon_manager(const char* node, DWORD access) {
    vel::unique_schandle manager(OpenSCManagerA(is_local_node(node) ? nullptr : node, nullptr, access));
    if (!manager) daemon_log("\n Could not open a handle to Service manager for node %s", {node});
    return manager;
}

int install_daemon_service(const char* node) {
    vel::unique_schandle manager = open_daemon_manager(node, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (!manager) return 0;
    std::optional<std::string> executable = daemon_executable_path(daemon_home());
    if (!executable) {
        daemon_log("Could not create the service %d", {static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE)});
        return 0;
    }
    daemon_log("Executable path name is %s\n", {*executable});

    std::string dependencies = daemon_dependency_list();
    const std::string binary = daemon_service_binary(*executable);
    vel::unique_schandle service(CreateServiceA(manager.get(), kDaemonServiceName, kDaemonServiceName, 0,
                                                SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE,
                                                binary.c_str(), nullptr, nullptr, dependencies.c_str(), nullptr,
                                                nullptr));
    DWORD error = service ? ERROR_SUCCESS : GetLastError();
    daemon_log("Out of create service call");
    if (service) {
        service.reset();
        manager.reset();
        daemon_log("%s installed\n Executable location %s \n", {kDaemonServiceName, *executable});
        return 1;
    }
    if (error == ERROR_SERVICE_EXISTS) {
        // The blank inside the service name is part of the text log readers match.
        daemon_log("\n Velmor PXDService already exists on this node");
    } else {
        daemon_log("Could not create the service %d", {static_cast<unsigned long>(error)});
    }
    return 0;
}

int start_daemon_service(const char* node) {
    vel::unique_schandle manager = open_daemon_manager(node, SC_MANAGER_CONNECT);
    if (!manager) return 0;
    vel::unique_schandle service(OpenServiceA(manager.get(), kDaemonServiceName, SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service) {
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
            // "RemoveService" although this is the start: log readers match the text as it is.
            daemon_log("\n RemoveService: the service does not exist");
        } else {
            daemon_log("\n Could not open the service %d for starting", {static_cast<unsigned long>(error)});
        }
        return 0;
    }
    if (!StartServiceA(service.get(), 0, nullptr)) {
        // The lower-case "s" and the trailing blank are part of the text log readers match.
        daemon_log("\n Could not start the VelmorPXDservice ");
        return 0;
    }
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) {
        daemon_log("\n Failed while querying VelmorPXDService");
        return 0;
    }
    // GetTickCount wraps after 49.7 days; the unsigned difference does not mind.
    const DWORD started = GetTickCount();
    while (status.dwCurrentState != SERVICE_RUNNING) {
        std::optional<std::uint32_t> pause = daemon_wait_sleep(status.dwWaitHint, GetTickCount() - started);
        if (!pause) break;
        Sleep(*pause);
        if (!QueryServiceStatus(service.get(), &status) || status.dwCurrentState == SERVICE_STOPPED) break;
    }
    return status.dwCurrentState == SERVICE_RUNNING ? 1 : 0;
}

}  // namespace

namespace {

constexpr std::size_t kStrTimeSize = 9;
// Writers of this library take turns through a lock on a byte far beyond any
// log's end, where it holds up no reader.
constexpr DWORD kWriterLockOffsetHigh = 0x40000000;

// The log for appending only: each write lands at the end, whoever else
// writes, where a seek and a write of the C runtime's append mode let two
// writers take the same offset. Read access only so that it may be locked;
// other writers and readers share it.
vel::unique_file open_daemon_log(const DaemonLogPaths& paths) {
    const auto open = [&] {
        return vel::unique_file(CreateFileA(paths.file.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    vel::unique_file log = open();
    if (log || GetLastError() != ERROR_PATH_NOT_FOUND) return log;
    // The log directory is made on first use, below the home's nodm.
    CreateDirectoryA(paths.directory.c_str(), nullptr);
    return open();
}

}  // namespace

void append_daemon_log(std::string_view home, std::string_view message) {
    std::optional<DaemonLogPaths> paths = daemon_log_paths(home);
    if (!paths) return;
    vel::unique_file log = open_daemon_log(*paths);
    if (!log) return;
    std::string date(kStrTimeSize, '\0');
    std::string time(kStrTimeSize, '\0');
    _strdate(date.data());
    _strtime(time.data());
    date.resize(date.find('\0'));
    time.resize(time.find('\0'));
    const std::string line = daemon_log_line(date, time, GetCurrentThreadId(), message);
    // Appending alone is whole on a local NTFS volume; a share, or Wine, may
    // still let two appends meet at one offset without the turns.
    OVERLAPPED turn{};
    turn.OffsetHigh = kWriterLockOffsetHigh;
    const bool locked = LockFileEx(log.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != FALSE;
    DWORD written = 0;
    WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (locked) UnlockFileEx(log.get(), 0, 1, 0, &turn);
}

namespace {

// What ntStartDaemon answers when the heap ran out.
jstring daemon_failure_result(JNIEnv* env) noexcept { return env->NewStringUTF("0| "); }

}  // namespace

}  // namespace nativesystem::services

using namespace nativesystem;
using namespace nativesystem::services;

extern "C" {

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_ntStartDaemon(JNIEnv* env, jobject, jstring,
                                                                                       jstring node, jstring,
                                                                                       jstring home) {
    return result_at_boundary(
        env,
        [&] {
            int outcome = 0;
            {
                JniAnsiString node_text(env, node);
                JniAnsiString home_text(env, home);
                if (node_text && home_text) {
                    set_daemon_home(home_text.get());
                    install_daemon_service(node_text.get());
                    outcome = start_daemon_service(node_text.get());
                }
            }
            return new_java_string(env, daemon_result_text(outcome));
        },
        daemon_failure_result);
}

}  // extern "C"
