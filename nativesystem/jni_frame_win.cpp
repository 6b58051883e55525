#include "nativesystem/jni_frame.h"

#include <array>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "common/unique_resource.h"
#include "nativesystem/result_text.h"

namespace nativesystem {

namespace {

// Without IGNORE_INSERTS the messages that hold inserts ("%1 is not a valid
// Win32 application.") cannot be fetched at all.
constexpr DWORD kMessageFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kNeutralLanguage = 0x0400;
// Network statuses: their texts are in netmsg.dll, not in the system's table.
constexpr DWORD kFirstNetworkStatus = 2100;
constexpr DWORD kLastNetworkStatus = 2999;
constexpr const wchar_t* kNetworkMessagesFile = L"\\netmsg.dll";
constexpr const char* kSuccessText = " ";
// WC_ERR_INVALID_CHARS, which only systems whose code page may be UTF-8 know.
constexpr DWORD kRefuseInvalidChars = 0x80;
// Texts up to this many characters become Java strings without the heap.
constexpr std::size_t kShortTextChars = 1024;

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

// The message for `code` from the system (no module) or from `module`.
std::optional<std::wstring> formatted_message(DWORD source, HMODULE module, DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(kMessageFlags | source, module, code, kNeutralLanguage,
                                        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    vel::unique_hlocal owner(buffer);
    if (length == 0 || !buffer) return std::nullopt;
    return std::wstring(buffer, length);
}

// netmsg.dll of the system directory, mapped for its messages only.
vel::unique_hmodule network_messages() {
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const std::wstring path = std::wstring(directory, length) + kNetworkMessagesFile;
    return vel::unique_hmodule(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

}  // namespace

std::wstring error_message(DWORD code) {
    if (std::optional<std::wstring> text = formatted_message(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code)) {
        return *text;
    }
    if (code >= kFirstNetworkStatus && code <= kLastNetworkStatus) {
        if (vel::unique_hmodule module = network_messages()) {
            if (std::optional<std::wstring> text = formatted_message(FORMAT_MESSAGE_FROM_HMODULE, module.get(), code)) {
                return *text;
            }
        }
    }
    return wide_from_ansi(unknown_error_text(code));
}

std::string error_text(DWORD code) {
    const std::wstring message = error_message(code);
    const int length = static_cast<int>(message.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, message.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return unknown_error_text(code);
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, message.data(), length, text.data(), needed, nullptr, nullptr);
    return text;
}

std::wstring wide_from_ansi(std::string_view ansi_text) {
    if (ansi_text.empty() || ansi_text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(ansi_text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansi_text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi_text.data(), length, wide.data(), needed);
    return wide;
}

DWORD ansi_from_utf16(const jchar* chars, jsize length, std::string& out) {
    out.clear();
    if (length <= 0) return 0;
    const auto* wide = reinterpret_cast<const wchar_t*>(chars);
    for (jsize i = 0; i < length; ++i) {
        if (wide[i] == L'\0') return ERROR_NO_UNICODE_TRANSLATION;
    }
    // Without best fit a character the code page lacks becomes the default
    // character, and the flag says so. A UTF-8 code page takes neither the
    // flag nor the pointer; it refuses unpaired surrogates instead, with
    // WC_ERR_INVALID_CHARS, which is defined for CP_UTF8 named as such.
    const bool utf8 = GetACP() == CP_UTF8;
    const UINT code_page = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = utf8 ? kRefuseInvalidChars : WC_NO_BEST_FIT_CHARS;
    BOOL used_default = FALSE;
    BOOL* const used = utf8 ? nullptr : &used_default;
    const int needed = WideCharToMultiByte(code_page, flags, wide, length, nullptr, 0, nullptr, used);
    if (needed <= 0) return GetLastError();
    if (used_default) return ERROR_NO_UNICODE_TRANSLATION;
    out.resize(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(code_page, flags, wide, length, out.data(), needed, nullptr, nullptr) != needed) {
        const DWORD error = GetLastError();
        out.clear();
        return error ? error : ERROR_NO_UNICODE_TRANSLATION;
    }
    return 0;
}

jstring new_java_string(JNIEnv* env, const char* ansi_text) noexcept {
    const std::size_t length = std::strlen(ansi_text);
    if (length == 0) {
        const jchar none = 0;
        return env->NewString(&none, 0);
    }
    if (length > static_cast<std::size_t>(INT_MAX)) return nullptr;
    const int source_length = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansi_text, source_length, nullptr, 0);
    if (needed <= 0) return nullptr;
    // Short texts convert on the stack, so that the fallback results made
    // when the heap is exhausted still reach Java.
    std::array<wchar_t, kShortTextChars> local;
    std::unique_ptr<wchar_t[]> heap;
    wchar_t* wide = local.data();
    if (static_cast<std::size_t>(needed) > local.size()) {
        heap.reset(new (std::nothrow) wchar_t[static_cast<std::size_t>(needed)]);
        if (!heap) return nullptr;
        wide = heap.get();
    }
    if (MultiByteToWideChar(CP_ACP, 0, ansi_text, source_length, wide, needed) != needed) return nullptr;
    return env->NewString(reinterpret_cast<const jchar*>(wide), needed);
}

jstring new_java_string(JNIEnv* env, std::wstring_view text) noexcept {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
    const jchar none = 0;
    const jchar* chars = text.empty() ? &none : reinterpret_cast<const jchar*>(text.data());
    return env->NewString(chars, static_cast<jsize>(text.size()));
}

jstring make_result_string(JNIEnv* env, int outcome, DWORD error_code) {
    ExceptionAside aside(env);
    try {
        if (outcome) return new_java_string(env, result_text(outcome, kSuccessText));
        return new_java_string(env, wide_from_ansi(result_text(outcome, "")) + error_message(error_code));
    } catch (const std::bad_alloc&) {
        char fallback[1024];
        std::snprintf(fallback, sizeof fallback, "%d%c%s", outcome, kResultSeparator, kAllocationFailureText);
        return new_java_string(env, fallback);
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

namespace {

// setStatus(false), setOSString with the string `make_text` makes, then
// setOSCode(code) where the status object's class has that method.
template <typename MakeText>
void report_failure_with(JNIEnv* env, jobject status, MakeText make_text, DWORD code) {
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
    jstring java_text = make_text();
    if (java_threw(env)) return;
    env->CallVoidMethod(status, set_os_string, java_text);
    if (java_text) env->DeleteLocalRef(java_text);
    if (java_threw(env)) return;
    // Optional: a status class of the caller's own may lack it.
    jmethodID set_os_code = env->GetMethodID(status_class.get(), "setOSCode", "(I)V");
    if (!set_os_code) {
        if (java_threw(env)) env->ExceptionClear();
        return;
    }
    env->CallVoidMethod(status, set_os_code, static_cast<jint>(code));
}

}  // namespace

void report_failure(JNIEnv* env, jobject status, const char* text, DWORD code) {
    report_failure_with(env, status, [&] { return new_java_string(env, text); }, code);
}

void report_error(JNIEnv* env, jobject status, DWORD code) {
    const std::wstring text = error_message(code);
    report_failure_with(env, status, [&] { return new_java_string(env, text); }, code);
}

jstring out_of_memory_result(JNIEnv* env) noexcept { return make_result_string(env, 0, ERROR_NOT_ENOUGH_MEMORY); }

void report_out_of_memory(JNIEnv* env, jobject status) noexcept {
    try {
        report_error(env, status, ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        report_failure(env, status, "", ERROR_NOT_ENOUGH_MEMORY);
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

namespace {

__attribute__((format(__MINGW_PRINTF_FORMAT, 3, 0)))
void trace_line(JNIEnv* env, jobject status, const char* format, va_list args) {
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
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

void native_trace(JNIEnv* env, jobject status, const char* format, ...) {
    va_list args;
    va_start(args, format);
    trace_line(env, status, format, args);
    va_end(args);
}

void fail_traced(JNIEnv* env, jobject status, const char* format, ...) {
    va_list args;
    va_start(args, format);
    trace_line(env, status, format, args);
    va_end(args);
    report_failure(env, status, "", 0);
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

JniAnsiString::JniAnsiString(JNIEnv* env, jstring text) noexcept {
    if (!text) return;
    const jsize length = env->GetStringLength(text);
    const jchar* chars = env->GetStringChars(text, nullptr);
    if (!chars) return;
    try {
        error_ = ansi_from_utf16(chars, length, text_);
    } catch (const std::bad_alloc&) {
        error_ = ERROR_NOT_ENOUGH_MEMORY;
    }
    env->ReleaseStringChars(text, chars);
    present_ = error_ == 0;
}

void JniAnsiString::reset() noexcept {
    present_ = false;
    std::string().swap(text_);
}

DWORD conversion_error(std::initializer_list<const JniAnsiString*> texts) noexcept {
    for (const JniAnsiString* text : texts) {
        if (text->error()) return text->error();
    }
    return 0;
}

}  // namespace nativesystem
