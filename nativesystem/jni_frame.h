// The boundary every export of velnodm10 shares: error texts, result strings,
// status-object reports and the debug trace.
#pragma once

#include <windows.h>
#include <jni.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace nativesystem {

// System message for `code` in UTF-16, as the user's display language has
// it, trailing CRLF kept; for a network status (2100 to 2999) the text of
// netmsg.dll; "Unknown error <code>" when there is none.
std::wstring error_message(DWORD code);
// error_message() in the ANSI code page, for trace lines only: a character
// the code page lacks shows there as its look-alike.
std::string error_text(DWORD code);

// "1| " when outcome != 0, else "0|" + error_message(error_code).
jstring make_result_string(JNIEnv* env, int outcome, DWORD error_code);

// setStatus(true) on the status object.
void report_success(JNIEnv* env, jobject status);
// setStatus(false), then setOSString(text), an ANSI code page text, then
// setOSCode(code) where the status object's class has that method; `code` is
// the Windows error code of the failure, 0 where none describes it.
void report_failure(JNIEnv* env, jobject status, const char* text, DWORD code);
// setStatus(false), setOSString(error_message(code)), setOSCode(code).
void report_error(JNIEnv* env, jobject status, DWORD code);

// The status object's m_nativeDebugFlag, read afresh on every call.
bool is_native_debug(JNIEnv* env, jobject status);

// One trace line (printf-style) on standard output when tracing is on; a
// pending Java exception is described instead (tracing on) or left pending.
void native_trace(JNIEnv* env, jobject status, const char* format, ...)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 3, 4)));
// native_trace(), then report_failure() with an empty text and code 0: the
// step of every failure that a trace line explains and no Windows error does.
void fail_traced(JNIEnv* env, jobject status, const char* format, ...)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 3, 4)));

// The text of a Java string in the ANSI code page, as the ...A functions of
// Windows take it, owned for the length of a call. A character the code page
// cannot hold is never replaced by '?' or a look-alike, which would name
// another file, key or service: the text is then refused.
class JniAnsiString {
public:
    JniAnsiString(JNIEnv* env, jstring text) noexcept;
    JniAnsiString(const JniAnsiString&) = delete;
    JniAnsiString& operator=(const JniAnsiString&) = delete;

    // nullptr when the Java string is null, its text could not be obtained
    // or it has no ANSI form (see error()).
    const char* get() const noexcept { return present_ ? text_.c_str() : nullptr; }
    explicit operator bool() const noexcept { return present_; }
    // ERROR_NO_UNICODE_TRANSLATION for a text with a character the code page
    // lacks (or a NUL, which would cut it short), ERROR_NOT_ENOUGH_MEMORY
    // when there was no room for it; 0 otherwise, a null string included.
    DWORD error() const noexcept { return error_; }
    // Drops the text now.
    void reset() noexcept;

private:
    std::string text_;
    bool present_ = false;
    DWORD error_ = 0;
};

// The first error() among `texts`, or 0.
DWORD conversion_error(std::initializer_list<const JniAnsiString*> texts) noexcept;

// The ANSI code page form of UTF-16 text: 0, or ERROR_NO_UNICODE_TRANSLATION
// when a character has none (a NUL included), or the conversion's own error.
DWORD ansi_from_utf16(const jchar* chars, jsize length, std::string& out);

// Owns a local reference that the library created and deletes it when done.
template <typename T>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) noexcept : env_(env), ref_(ref) {}
    ~LocalRef() {
        if (ref_) env_->DeleteLocalRef(ref_);
    }
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    T get() const noexcept { return ref_; }
    explicit operator bool() const noexcept { return ref_ != nullptr; }

private:
    JNIEnv* env_;
    T ref_;
};

// Takes a pending Java exception aside so that the JNI calls of a failure
// path may run, and raises the same object again when it goes out of scope.
// Declared before the calls it guards, it makes Throw the last JNI call of
// those that an exception forbids.
class ExceptionAside {
public:
    explicit ExceptionAside(JNIEnv* env) noexcept;
    ~ExceptionAside();
    ExceptionAside(const ExceptionAside&) = delete;
    ExceptionAside& operator=(const ExceptionAside&) = delete;

    bool holds() const noexcept { return held_ != nullptr; }
    // Raises the held exception now; one raised meanwhile gives way to it.
    void restore() noexcept;

private:
    void drop() noexcept;

    JNIEnv* env_;
    jthrowable held_;
};

// True when the last JNI call left an exception pending.
inline bool java_threw(JNIEnv* env) { return env->ExceptionCheck() == JNI_TRUE; }

// GetObjectClass, or no class for a null object.
inline LocalRef<jclass> object_class(JNIEnv* env, jobject object) {
    return LocalRef<jclass>(env, object ? env->GetObjectClass(object) : nullptr);
}

// A Java string of ANSI code page text (up to its first NUL), as Windows
// hands it out; nullptr when the VM cannot make it.
jstring new_java_string(JNIEnv* env, const char* ansi_text) noexcept;
inline jstring new_java_string(JNIEnv* env, const std::string& ansi_text) noexcept {
    return new_java_string(env, ansi_text.c_str());
}
// A Java string of UTF-16 text, every character kept.
jstring new_java_string(JNIEnv* env, std::wstring_view text) noexcept;

// UTF-16 of ANSI code page text, as the ...W functions take it.
std::wstring wide_from_ansi(std::string_view ansi_text);

// The frames of the exports: each export runs its whole body inside one of
// them, so that no C++ exception (the heap running out, which is all the
// library's own code throws) reaches the VM.

// What an export that answers with a result string answers when its body
// throws.
using ResultFallback = jstring (*)(JNIEnv* env) noexcept;
// "0|" and the text of ERROR_NOT_ENOUGH_MEMORY: the fallback of most exports.
jstring out_of_memory_result(JNIEnv* env) noexcept;

// The frame of an export that answers with a result string.
template <typename Body>
jstring result_at_boundary(JNIEnv* env, Body&& body, ResultFallback fallback = out_of_memory_result) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback(env);
    }
}

// The frame of an export that reports through a status object: a C++
// exception is reported as a failure with the text of ERROR_NOT_ENOUGH_MEMORY.
void report_out_of_memory(JNIEnv* env, jobject status) noexcept;

template <typename Result, typename Body>
Result at_boundary(JNIEnv* env, jobject status, Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        report_out_of_memory(env, status);
        return fallback;
    }
}

template <typename Body>
void at_boundary(JNIEnv* env, jobject status, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        report_out_of_memory(env, status);
    }
}

// The frame of an export that answers with a plain value: `fallback` when
// the body throws.
template <typename Result, typename Body>
Result at_boundary(Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

}  // namespace nativesystem
