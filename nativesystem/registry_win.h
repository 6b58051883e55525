// The frame the registry exports share: argument texts, security attributes,
// root connection, their traces and the clean-up order of the two registry
// handles.
#pragma once

#include <windows.h>

#include <deque>
#include <initializer_list>

#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"

namespace nativesystem {

// The root and the key of one operation. After a write both are flushed
// (a flush holds up the hive's other writers, so reads never flush), then
// the root and then the key closed.
struct RegistryHandles {
    vel::unique_hkey root;
    vel::unique_hkey key;
    bool wrote = false;

    RegistryHandles() = default;
    RegistryHandles(const RegistryHandles&) = delete;
    RegistryHandles& operator=(const RegistryHandles&) = delete;
    ~RegistryHandles();
};

// An argument text of a registry export: the Java string, where its text
// goes, the trace when it is missing and, optionally, a printf format that
// traces the text once it is read.
struct RegistryArgument {
    jstring java;
    const char** text;
    const char* null_trace;
    const char* read_trace = nullptr;
};

// Traces of the set-up between the argument texts and the operation; nullptr
// where an export traces nothing at that step.
struct RegistrySetupTraces {
    const char* security_failed;
    const char* secured;
    // Ahead of "Error returned = ..." when the root cannot be opened.
    const char* connect_failed;
    const char* connected;
};

// One registry export in progress. Members are released in reverse order:
// the argument texts first, then the handles.
class RegistryCall {
public:
    RegistryCall(JNIEnv* env, jobject status) : env(env), status(status) {}
    RegistryCall(const RegistryCall&) = delete;
    RegistryCall& operator=(const RegistryCall&) = delete;

    // The texts of `arguments` in order; false at the first one missing,
    // which traces its `null_trace` and fails with an empty text, or one
    // without an ANSI form, which fails with its error.
    bool texts(std::initializer_list<RegistryArgument> arguments);

    // Fills the security attributes; on failure traces `failure_trace` and
    // fails with the last error.
    bool secure(const char* failure_trace);
    // Connects to the root on the node; on failure traces `failure_trace`
    // (when given) and the error, and fails with the error.
    bool connect(const char* root_name, const char* node, const char* failure_trace, const char* connected_trace);
    // secure(), the `secured` trace, then connect().
    bool open_root(const char* root_name, const char* node, const RegistrySetupTraces& traces);
    // Creates or opens `sub_key` below the root as the key of the call, with
    // the creation settings and what secure() filled; the registry's result.
    // A key created or opened so counts as written.
    LONG create_key(const char* sub_key);

    // A failure that no Windows error describes: code 0.
    void fail(const char* text) { report_failure(env, status, text, 0); }
    void fail_with_code(DWORD code) { report_error(env, status, code); }
    // Traces "Error returned = " and the text of `code`, then fails with it.
    void fail_returned(DWORD code);
    void succeed() { report_success(env, status); }
    // After a call into Java: true when it threw, which fails the operation.
    // The exception is described (tracing on) or kept for the Java caller.
    bool java_failed();

    JNIEnv* const env;
    const jobject status;
    RegistryHandles handles;

private:
    // The text of an argument, as texts() reads each; nullptr when missing.
    const char* text(jstring argument, const char* null_trace);
    // Traces `text` as it stands; nothing for nullptr.
    void trace_if(const char* text);

    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    std::deque<JniAnsiString> texts_;
};

}  // namespace nativesystem
