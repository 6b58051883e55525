#include "nativesystem/registry_win.h"

#include <cstdio>

#include "nativesystem/registry_data.h"

namespace nativesystem {

namespace {

HKEY predefined_key(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::local_machine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::current_user: return HKEY_CURRENT_USER;
    case RegistryRoot::users: return HKEY_USERS;
    case RegistryRoot::classes_root: return HKEY_CLASSES_ROOT;
    }
    return nullptr;
}

}  // namespace

DWORD open_registry_root(const char* root_name, const char* node, vel::unique_hkey& root) {
    auto named = registry_root_named(root_name);
    if (!named) return unknown_root_error;
    if (RegConnectRegistryA(node, predefined_key(*named), root.put()) != ERROR_SUCCESS) {
        // Printed whatever the debug flag says.
        std::fputs("\n Could not connect to remote registry\n", stdout);
        std::fflush(stdout);
        return connection_error;
    }
    return 0;
}

bool init_security_attributes(SECURITY_ATTRIBUTES& attributes, SECURITY_DESCRIPTOR& descriptor) {
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return false;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;
    return true;
}

RegistryHandles::~RegistryHandles() {
    if (key) RegFlushKey(key.get());
    if (root) RegFlushKey(root.get());
    root.reset();
    key.reset();
}

const char* RegistryCall::text(jstring argument, const char* null_trace) {
    const JniAnsiString& obtained = texts_.emplace_back(env, argument);
    if (obtained.error()) {
        fail_with_code(obtained.error());
    } else if (!obtained) {
        native_trace(env, status, "%s", null_trace);
        fail("");
    }
    return obtained.get();
}

bool RegistryCall::java_failed() {
    if (!java_threw(env)) return false;
    // With an exception pending the trace describes it instead of printing.
    native_trace(env, status, "%s", "");
    fail("");
    return true;
}

}  // namespace nativesystem
