#include "nativesystem/registry_win.h"

#include <cstdio>

#include "nativesystem/registry_data.h"

namespace nativesystem {

namespace {

// Returned for a root name that is not one of the four.
constexpr DWORD kUnknownRootError = 60;
// Returned when the node's registry cannot be reached.
constexpr DWORD kConnectionError = 30;

// Creation settings of every operation that creates keys.
constexpr const char* kCreatedKeyClass = "Application Global Data";
constexpr REGSAM kCreatedKeyAccess = KEY_READ | KEY_WRITE;

HKEY predefined_key(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::local_machine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::current_user: return HKEY_CURRENT_USER;
    case RegistryRoot::users: return HKEY_USERS;
    case RegistryRoot::classes_root: return HKEY_CLASSES_ROOT;
    }
    return nullptr;
}

// Connects to `root_name` on `node` (passed unchanged); 0 and an open root, or an error code.
DWORD open_registry_root(const char* root_name, const char* node, vel::unique_hkey& root) {
    auto named = registry_root_named(root_name);
    if (!named) return kUnknownRootError;
    if (RegConnectRegistryA(node, predefined_key(*named), root.put()) != ERROR_SUCCESS) {
        // Printed whatever the debug flag says.
        std::fputs("\n Could not connect to remote registry\n", stdout);
        std::fflush(stdout);
        return kConnectionError;
    }
    return 0;
}

// A descriptor with nothing in it; the key is not inherited, so that a child
// process the VM starts meanwhile does not hold it open. False when it
// cannot be initialised.
bool init_security_attributes(SECURITY_ATTRIBUTES& attributes, SECURITY_DESCRIPTOR& descriptor) {
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return false;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    return true;
}

}  // namespace

RegistryHandles::~RegistryHandles() {
    if (wrote && key) RegFlushKey(key.get());
    if (wrote && root) RegFlushKey(root.get());
    root.reset();
    key.reset();
}

const char* RegistryCall::text(jstring argument, const char* null_trace) {
    const JniAnsiString& obtained = texts_.emplace_back(env, argument);
    if (obtained.error()) {
        fail_with_code(obtained.error());
    } else if (!obtained) {
        fail_traced(env, status, "%s", null_trace);
    }
    return obtained.get();
}

bool RegistryCall::texts(std::initializer_list<RegistryArgument> arguments) {
    for (const RegistryArgument& argument : arguments) {
        *argument.text = text(argument.java, argument.null_trace);
        if (!*argument.text) return false;
        if (argument.read_trace) native_trace(env, status, argument.read_trace, *argument.text);
    }
    return true;
}

bool RegistryCall::secure(const char* failure_trace) {
    if (init_security_attributes(attributes_, descriptor_)) return true;
    DWORD code = GetLastError();
    native_trace(env, status, "%s", failure_trace);
    fail_with_code(code);
    return false;
}

bool RegistryCall::connect(const char* root_name, const char* node, const char* failure_trace,
                           const char* connected_trace) {
    if (DWORD code = open_registry_root(root_name, node, handles.root)) {
        trace_if(failure_trace);
        fail_returned(code);
        return false;
    }
    trace_if(connected_trace);
    return true;
}

bool RegistryCall::open_root(const char* root_name, const char* node, const RegistrySetupTraces& traces) {
    if (!secure(traces.security_failed)) return false;
    trace_if(traces.secured);
    return connect(root_name, node, traces.connect_failed, traces.connected);
}

LONG RegistryCall::create_key(const char* sub_key) {
    DWORD disposition = 0;
    const LONG result =
        RegCreateKeyExA(handles.root.get(), sub_key, 0, const_cast<char*>(kCreatedKeyClass), REG_OPTION_NON_VOLATILE,
                        kCreatedKeyAccess, &attributes_, handles.key.put(), &disposition);
    handles.wrote = result == ERROR_SUCCESS;
    return result;
}

void RegistryCall::fail_returned(DWORD code) {
    native_trace(env, status, "Error returned = %s\n", error_text(code).c_str());
    fail_with_code(code);
}

bool RegistryCall::java_failed() {
    if (!java_threw(env)) return false;
    // With an exception pending the trace describes it instead of printing.
    fail_traced(env, status, "%s", "");
    return true;
}

void RegistryCall::trace_if(const char* text) {
    if (text) native_trace(env, status, "%s", text);
}

}  // namespace nativesystem
