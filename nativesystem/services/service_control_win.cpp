#include <windows.h>
#include <jni.h>

#include <optional>
#include <string>

#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"
#include "nativesystem/services/service_control.h"
#include "nativesystem/services/service_control_win.h"
#include "velmor_ops_mgmt_nativesystem_WindowsNative.h"

namespace nativesystem::services {

namespace {

constexpr OperationResult kSucceeded{1, 0};

OperationResult failed(DWORD error) {
    return {0, error};
}

// The node's service control manager with `access`; on failure `error`
// holds why. Every operation asks only for the rights it uses, so that an
// operator allowed to start and stop services, or a console that is not
// elevated, is not refused.
vel::unique_schandle open_node_manager(const char* node, DWORD access, DWORD& error) {
    const char* machine_arg = nullptr;
    std::string machine;
    if (node == nullptr || !is_local_node(node)) {
        if (!make_machine_name(node, machine, kMachineNameSize)) {
            error = ERROR_INVALID_COMPUTERNAME;
            return {};
        }
        machine_arg = machine.c_str();
    }
    vel::unique_schandle manager(OpenSCManagerA(machine_arg, nullptr, access));
    if (!manager) error = GetLastError();
    return manager;
}

// A service opened through its node's manager. The service closes first.
struct NodeService {
    vel::unique_schandle manager;
    vel::unique_schandle service;
};

// Opens the node's manager, then the service in it with `access`; when either
// fails the service handle is empty and `error` holds why.
NodeService open_node_service(const char* node, const char* service_name, DWORD access, DWORD& error) {
    NodeService opened;
    opened.manager = open_node_manager(node, SC_MANAGER_CONNECT, error);
    if (!opened.manager) return opened;
    opened.service.reset(OpenServiceA(opened.manager.get(), service_name, access));
    if (!opened.service) error = GetLastError();
    return opened;
}

ServiceProgress progress_of(const SERVICE_STATUS& status) {
    return {status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint, status.dwWin32ExitCode};
}

// CreateServiceA reads its dependencies up to two NULs; a Java text ends in one.
std::string dependency_list_of(const char* text) {
    std::string list(text);
    list.append(2, '\0');
    return list;
}

struct CreateRequest {
    const char* executable;
    const char* service_name;
    CreateSettings settings;
    const char* dependencies;
    const char* account;
    const char* load_order_group;
    DWORD tag;
    const char* password;
    const char* node;
};

OperationResult create_service_on_node(const CreateRequest& request) {
    DWORD error = 0;
    vel::unique_schandle manager =
        open_node_manager(request.node, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE, error);
    if (!manager) return failed(error);

    CreateSettings settings = apply_create_defaults(request.settings);
    DWORD tag = request.tag;
    std::optional<std::string> dependencies;
    if (request.dependencies != nullptr) dependencies = dependency_list_of(request.dependencies);

    vel::unique_schandle service(CreateServiceA(
        manager.get(), request.service_name, request.service_name, settings.desired_access, settings.service_type,
        settings.start_type, settings.error_control, request.executable, request.load_order_group,
        request.tag != 0 ? &tag : nullptr, dependencies ? dependencies->c_str() : nullptr, request.account,
        request.password));
    if (service) return kSucceeded;
    error = GetLastError();
    // An existing service counts as created; it is left as it is.
    if (error == ERROR_SERVICE_EXISTS) return kSucceeded;
    return failed(error);
}

OperationResult set_service_dependency(const char* service_name, const char* dependency_text, const char* node) {
    DWORD error = 0;
    NodeService opened = open_node_service(node, service_name, SERVICE_CHANGE_CONFIG, error);
    if (!opened.service) return failed(error);

    std::optional<std::string> list = make_dependency_list(dependency_text);
    if (!list) return failed(ERROR_INVALID_PARAMETER);
    if (!ChangeServiceConfigA(opened.service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr,
                              nullptr, nullptr, list->c_str(), nullptr, nullptr, nullptr)) {
        return failed(GetLastError());
    }
    return kSucceeded;
}

OperationResult delete_service_on_node(const char* service_name, const char* node) {
    DWORD error = 0;
    NodeService opened = open_node_service(node, service_name, DELETE, error);
    if (!opened.service) return failed(error);
    if (!DeleteService(opened.service.get())) return failed(GetLastError());
    return kSucceeded;
}

// Milliseconds since `origin` on the tick clock; the unsigned difference stays
// right across the clock's wrap.
std::uint64_t ticks_since(DWORD origin) {
    return static_cast<DWORD>(GetTickCount() - origin);
}

}  // namespace

OperationResult start_service_on_node(const char* service_name, const char* node, std::uint64_t ceiling_ms) {
    DWORD error = 0;
    NodeService opened = open_node_service(node, service_name, SERVICE_START | SERVICE_QUERY_STATUS, error);
    if (!opened.service) return failed(error);
    if (!StartServiceA(opened.service.get(), 0, nullptr)) return failed(GetLastError());

    SERVICE_STATUS status{};
    if (!QueryServiceStatus(opened.service.get(), &status)) return failed(GetLastError());
    ServiceProgress progress = progress_of(status);
    const DWORD origin = GetTickCount();
    ServiceWait wait = begin_service_wait(progress, 0);
    WaitVerdict verdict = WaitVerdict::go_on;
    while (progress.state != kStateRunning) {
        Sleep(service_poll_ms(progress.wait_hint));
        if (!QueryServiceStatus(opened.service.get(), &status)) return failed(GetLastError());
        progress = progress_of(status);
        verdict = service_wait_verdict(wait, progress, ticks_since(origin), kStateRunning, ceiling_ms);
        if (verdict != WaitVerdict::go_on) break;
    }
    if (progress.state != kStateRunning) return failed(start_wait_failure_code(progress, verdict));
    return kSucceeded;
}

namespace {

OperationResult stop_service_on_node(const char* service_name, const char* node) {
    DWORD error = 0;
    NodeService opened = open_node_service(node, service_name, SERVICE_STOP | SERVICE_QUERY_STATUS, error);
    if (!opened.service) return failed(error);

    SERVICE_STATUS status{};
    if (!ControlService(opened.service.get(), SERVICE_CONTROL_STOP, &status)) return failed(GetLastError());
    // Accepted: the outcome no longer depends on how far the stop gets.
    ServiceProgress progress = progress_of(status);
    const DWORD origin = GetTickCount();
    ServiceWait wait = begin_service_wait(progress, 0);
    while (progress.state != kStateStopped) {
        Sleep(service_poll_ms(progress.wait_hint));
        if (!QueryServiceStatus(opened.service.get(), &status)) break;
        progress = progress_of(status);
        if (service_wait_verdict(wait, progress, ticks_since(origin), kStateStopped) != WaitVerdict::go_on) break;
    }
    return kSucceeded;
}

bool all_present(std::initializer_list<const JniAnsiString*> texts) {
    for (const JniAnsiString* text : texts) {
        if (!*text) return false;
    }
    return true;
}

// The operations on one named service of a node.
using NamedServiceOperation = OperationResult (*)(const char* service_name, const char* node);

// Converts the service name and node, runs `operation` on them and makes the result.
jstring named_service_operation(JNIEnv* env, jstring service_name, jstring node, NamedServiceOperation operation) {
    OperationResult result = failed(ERROR_INVALID_PARAMETER);
    {
        JniAnsiString name_text(env, service_name);
        JniAnsiString node_text(env, node);
        if (DWORD error = conversion_error({&name_text, &node_text})) {
            result = failed(error);
        } else if (name_text) {
            result = operation(name_text.get(), node_text.get());
        }
    }
    return make_result_string(env, result.outcome, result.error);
}

OperationResult start_service_in_time(const char* service_name, const char* node) {
    return start_service_on_node(service_name, node, kServiceWaitCeilingMs);
}

}  // namespace

}  // namespace nativesystem::services

using namespace nativesystem;
using namespace nativesystem::services;

extern "C" {

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_ntCreateServiceAdvanced(
    JNIEnv* env, jobject, jstring executable, jstring service_name, jint desired_access, jint service_type,
    jint start_type, jint error_control, jstring dependencies, jstring account, jstring load_order_group, jint tag,
    jstring password, jstring node) {
    return result_at_boundary(env, [&] {
        OperationResult result = failed(ERROR_INVALID_PARAMETER);
        {
            JniAnsiString executable_text(env, executable);
            JniAnsiString name_text(env, service_name);
            JniAnsiString dependencies_text(env, dependencies);
            JniAnsiString account_text(env, account);
            JniAnsiString group_text(env, load_order_group);
            JniAnsiString password_text(env, password);
            JniAnsiString node_text(env, node);
            // An optional text that was given but could not be converted must
            // not pass as absent: a lost account would mean LocalSystem.
            const bool optional_lost = (dependencies && !dependencies_text) || (account && !account_text) ||
                                       (load_order_group && !group_text) || (password && !password_text);
            if (DWORD error = conversion_error({&executable_text, &name_text, &dependencies_text, &account_text,
                                                &group_text, &password_text, &node_text})) {
                result = failed(error);
            } else if (optional_lost) {
                result = failed(ERROR_NOT_ENOUGH_MEMORY);
            } else if (all_present({&executable_text, &name_text})) {
                CreateSettings settings{static_cast<std::uint32_t>(desired_access),
                                        static_cast<std::uint32_t>(service_type),
                                        static_cast<std::uint32_t>(start_type),
                                        static_cast<std::uint32_t>(error_control)};
                result = create_service_on_node({executable_text.get(), name_text.get(), settings,
                                                 dependencies_text.get(), account_text.get(), group_text.get(),
                                                 static_cast<DWORD>(tag), password_text.get(), node_text.get()});
            }
        }
        return make_result_string(env, result.outcome, result.error);
    });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_ntCreateServiceDep(
    JNIEnv* env, jobject, jstring service_name, jstring dependency_text, jstring node) {
    return result_at_boundary(env, [&] {
        OperationResult result = failed(ERROR_INVALID_PARAMETER);
        {
            JniAnsiString name_text(env, service_name);
            JniAnsiString dependency(env, dependency_text);
            JniAnsiString node_text(env, node);
            if (DWORD error = conversion_error({&name_text, &dependency, &node_text})) {
                result = failed(error);
            } else if (all_present({&name_text, &dependency})) {
                result = set_service_dependency(name_text.get(), dependency.get(), node_text.get());
            }
        }
        return make_result_string(env, result.outcome, result.error);
    });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_ntDeleteService(JNIEnv* env, jobject,
                                                                                         jstring service_name,
                                                                                         jstring node) {
    return result_at_boundary(env,
                              [&] { return named_service_operation(env, service_name, node, delete_service_on_node); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_ntStartService(JNIEnv* env, jobject,
                                                                                        jstring service_name,
                                                                                        jstring node) {
    return result_at_boundary(env,
                              [&] { return named_service_operation(env, service_name, node, start_service_in_time); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_ntStopService(JNIEnv* env, jobject,
                                                                                       jstring service_name,
                                                                                       jstring node) {
    return result_at_boundary(env,
                              [&] { return named_service_operation(env, service_name, node, stop_service_on_node); });
}

}  // extern "C"
