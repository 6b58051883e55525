#include "nativesystem/jni_frame.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "common/unique_resource.h"
#include "nativesystem/result_text.h"

namespace nativesystem {

namespace {

// Without IGNORE_INSERTS the messages that hold inserts ("%1 is not a valid
// Win32 application.") cannot be fetched at all.
constexpr DWORD message_flags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD neutral_language = 0x0400;
constexpr const char* success_text = " ";

// Messages of the status helpers, printed whatever the debug flag says.
void print_unterminated(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// setStatus(value); false when the status object could not take it. A lookup
// or call that throws leaves its exception pending for the Java caller.
bool set_status(JNIEnv* env, jclass status_class, jobject status, bool value) {
    jmethodID set_status = env->GetMethodID(status_class, "setStatus", "(Z)V");
    if (!set_status) {
        print_unterminated("Error obtaining method 'setStatus'");
        return false;
    }
    env->CallVoidMethod(status, set_status, value ? JNI_TRUE : JNI_FALSE);
    return !java_threw(env);
}

}  // namespace

std::string error_text(DWORD code) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(message_flags, nullptr, code, neutral_language,
                                  reinterpret_cast<char*>(&buffer), 0, nullptr);
    vel::unique_hlocal owner(buffer);
    if (length == 0 || !buffer) return unknown_error_text(code);
    return std::string(buffer, length);
}

jstring new_java_string(JNIEnv* env, const std::string& text) {
    return env->NewStringUTF(text.c_str());
}

jstring make_result_string(JNIEnv* env, int outcome, DWORD error_code) {
    ExceptionAside aside(env);
    try {
        return new_java_string(env, result_text(outcome, outcome ? success_text : error_text(error_code)));
    } catch (const std::bad_alloc&) {
        char fallback[1024];
        std::snprintf(fallback, sizeof fallback, "%d%c%s", outcome, result_separator, allocation_failure_text);
        return env->NewStringUTF(fallback);
    }
}

void report_success(JNIEnv* env, jobject status) {
    ExceptionAside aside(env);
    auto status_class = object_class(env, status);
    if (!status_class.get()) {
        print_unterminated("Error getting the object class");
        return;
    }
    set_status(env, status_class.get(), status, true);
}

void report_failure(JNIEnv* env, jobject status, const char* text) {
    ExceptionAside aside(env);
    auto status_class = object_class(env, status);
    if (!status_class.get()) {
        print_unterminated("Error getting the object class");
        return;
    }
    if (!set_status(env, status_class.get(), status, false)) return;
    jmethodID set_os_string = env->GetMethodID(status_class.get(), "setOSString", "(Ljava/lang/String;)V");
    if (!set_os_string) {
        print_unterminated("Error obtaining method 'setOSString'");
        return;
    }
    jstring java_text = env->NewStringUTF(text);
    if (java_threw(env)) return;
    env->CallVoidMethod(status, set_os_string, java_text);
    if (java_text) env->DeleteLocalRef(java_text);
}

void report_out_of_memory(JNIEnv* env, jobject status) noexcept {
    try {
        report_failure(env, status, error_text(ERROR_NOT_ENOUGH_MEMORY).c_str());
    } catch (...) {
        report_failure(env, status, "");
    }
}

bool is_native_debug(JNIEnv* env, jobject status) {
    ExceptionAside aside(env);
    auto status_class = object_class(env, status);
    if (!status_class.get()) return false;
    jfieldID flag = env->GetFieldID(status_class.get(), "m_nativeDebugFlag", "Z");
    if (!flag) {
        // A status object without the flag simply does not trace.
        if (java_threw(env)) env->ExceptionClear();
        return false;
    }
    return env->GetBooleanField(status, flag) == JNI_TRUE;
}

void native_trace(JNIEnv* env, jobject status, const char* format, ...) {
    ExceptionAside aside(env);
    const bool tracing = is_native_debug(env, status);
    if (aside.holds()) {
        if (tracing) {
            aside.restore();
            env->ExceptionDescribe();
        }
        return;
    }
    if (!tracing) return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

ExceptionAside::ExceptionAside(JNIEnv* env) noexcept : env_(env), held_(env->ExceptionOccurred()) {
    if (held_) env_->ExceptionClear();
}

ExceptionAside::~ExceptionAside() { restore(); }

void ExceptionAside::restore() noexcept {
    if (!held_) return;
    if (java_threw(env_)) env_->ExceptionClear();
    env_->Throw(held_);
    drop();
}

void ExceptionAside::drop() noexcept {
    if (held_) env_->DeleteLocalRef(held_);
    held_ = nullptr;
}

JniUtfString::JniUtfString(JNIEnv* env, jstring text) noexcept
    : env_(env), text_(text), chars_(text ? env->GetStringUTFChars(text, nullptr) : nullptr) {}

JniUtfString::~JniUtfString() { reset(); }

void JniUtfString::reset() noexcept {
    if (chars_) env_->ReleaseStringUTFChars(text_, chars_);
    chars_ = nullptr;
}

}  // namespace nativesystem
