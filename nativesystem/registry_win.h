// The frame the registry exports share: root connection, security attributes,
// argument texts and the clean-up order of the two registry handles.
#pragma once

#include <windows.h>

#include <deque>

#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"

namespace nativesystem {

// Returned for a root name that is not one of the four.
inline constexpr DWORD unknown_root_error = 60;
// Returned when the node's registry cannot be reached.
inline constexpr DWORD connection_error = 30;

// Connects to `root_name` on `node` (passed unchanged); 0 and an open root, or an error code.
DWORD open_registry_root(const char* root_name, const char* node, vel::unique_hkey& root);

// A descriptor with nothing in it, inheritable; false when it cannot be initialised.
bool init_security_attributes(SECURITY_ATTRIBUTES& attributes, SECURITY_DESCRIPTOR& descriptor);

// Creation settings shared by every operation that creates keys.
inline constexpr const char* created_key_class = "Application Global Data";
inline constexpr REGSAM created_key_access = KEY_READ | KEY_WRITE;

// The root and the key of one operation. Both are flushed, then the root and
// then the key closed.
struct RegistryHandles {
    vel::unique_hkey root;
    vel::unique_hkey key;

    RegistryHandles() = default;
    RegistryHandles(const RegistryHandles&) = delete;
    RegistryHandles& operator=(const RegistryHandles&) = delete;
    ~RegistryHandles();
};

// One registry export in progress. Members are released in reverse order:
// the argument texts first, then the handles.
class RegistryCall {
public:
    RegistryCall(JNIEnv* env, jobject status) : env(env), status(status) {}

    // The text of an argument; on a missing one traces `null_trace`, reports
    // failure with an empty text and answers nullptr. One without an ANSI form
    // fails with its error.
    const char* text(jstring argument, const char* null_trace);

    void fail(const char* text) { report_failure(env, status, text); }
    void fail_with_code(DWORD code) { report_failure(env, status, error_text(code).c_str()); }
    void succeed() { report_success(env, status); }
    // After a call into Java: true when it threw, which fails the operation.
    // The exception is described (tracing on) or kept for the Java caller.
    bool java_failed();

    JNIEnv* const env;
    const jobject status;
    RegistryHandles handles;

private:
    std::deque<JniAnsiString> texts_;
};

}  // namespace nativesystem
