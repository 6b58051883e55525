// A small Java VM stand-in for testing velnodm10 under Wine.
//
// Quick use (GoogleTest, *_wintest.cpp linking vel_jnihost):
//
//   #include "tests/jnihost/jnihost.h"
//   jnihost::Vm vm;                                   // one per test
//   auto& lib = jnihost::library();                   // velnodm10.dll beside the program
//   auto copy = JNIHOST_EXPORT(lib, copyFileCluster); // typed from the generated prototypes
//   jstring result = vm.call(copy, vm.str("a.txt"), vm.str("b.txt"));
//   EXPECT_EQ(vm.text(result), "1| ");
//
// Objects
//   vm.str("text")                 a java.lang.String (bytes taken as UTF-8, as given; GetStringChars,
//                                  GetStringRegion and GetStringCritical answer its UTF-16 form, and
//                                  NewString keeps the UTF-8 form of what it is given)
//   nullptr                        a null reference of any type
//   vm.string_array({"a", std::nullopt})   a String[] (nullopt = null element)
//   vm.status(debug)               a status object: field m_nativeDebugFlag "Z", methods
//                                  setStatus "(Z)V" and setOSString "(Ljava/lang/String;)V";
//                                  vm.calls(status) lists what was called, e.g.
//                                  {"setStatus(false)", "setOSString(The system cannot ...\r\n)"}
//   vm.status(debug, true)         the same with the optional method setOSCode "(I)V" as well,
//                                  recorded as "setOSCode(2)"
//   vm.set_debug(status, on)       changes m_nativeDebugFlag between calls
//   vm.registry_data(kind, ...)    a RegistryKeyData (see RegistryData below); vm.calls(data)
//                                  lists "setData(String:x)", "setData(Integer:5)",
//                                  "setData(Byte:-1)", "processString(a\nb\n,2)"
//   vm.text(jstring)               std::optional<std::string> of a string, nullopt for null
//   vm.int_value(obj) / byte_value(obj)   value of a java.lang.Integer / java.lang.Byte
//
// Taking members away (missing-member paths): every class is an ordinary record;
//   vm.remove_member(obj, "setOSString")            from the class of that object only
//   vm.remove_member("java/lang/Byte", "<init>")    from a named class (FindClass classes)
//   vm.remove_class("java/lang/Integer")            FindClass then answers null
//   vm.without_class(obj)                           GetObjectClass(obj) answers null
// A name removes every overload; "name(sig)" removes one ("setData(Ljava/lang/Byte;)V").
// Each vm.status()/vm.registry_data() object has a class of its own, so removal affects it alone.
//
// Faults on demand
//   vm.fail_utf_chars(jstring)     GetStringUTFChars, GetStringChars and GetStringCritical of that
//                                  string answer null
//   vm.fail_new_string_after(n)    the n-th NewStringUTF or NewString from now (0 = next) answers null
//   vm.throw_from("getDataType")   every method of that name throws a java.lang.RuntimeException
//                                  "thrown by getDataType" instead of running
//   FindClass, GetMethodID and GetFieldID (and the static forms) that find nothing leave
//   NoClassDefFoundError, NoSuchMethodError or NoSuchFieldError pending, as a VM does.
//   vm.thrown()                    the exception ("class: message") the last call left pending for
//                                  its Java caller, nullopt when none; vm.described() counts
//                                  ExceptionDescribe calls
//
// Checks: as with -Xcheck:jni, any JNI function other than ExceptionOccurred, ExceptionDescribe,
// ExceptionClear, ExceptionCheck, Release..., DeleteLocalRef, DeleteGlobalRef and PopLocalFrame
// called while an exception is pending is a test failure (ADD_FAILURE).
// vm.call(fn, args...) runs an export with the VM's JNIEnv and a receiver. After it,
// a test failure is recorded (ADD_FAILURE) for every UTF text or UTF-16 text (GetStringChars,
// GetStringCritical) obtained and not released with its own release function, and
// (unless vm.check_local_refs = false) for every local reference created during the call,
// other than the returned one, that the library did not delete. Using a deleted reference, a
// foreign UTF pointer, or any JNI function the host does not implement aborts the program with
// the function's name on stderr.
//
// Standard output: jnihost::StdoutCapture cap; ...; std::string out = cap.finish();
// redirects the C runtime's stdout (fd 1 and the Win32 standard handle) into a temporary file.
//
// System messages: jnihost::system_text(code) is the system's message for a Windows error code
// (CRLF kept) in UTF-8, as the host keeps the text of a failure result or setOSString.
//
// Exports: jnihost::library() loads velnodm10.dll from the program's directory once.
// lib.find("RegCreateKey", 24) looks up Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegCreateKey@24
// (plain name on 64-bit); lib.find_exact(name) any export by its literal name.
#pragma once

#include <windows.h>
#include <jni.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "velmor_ops_mgmt_nativesystem_WindowsNative.h"

namespace jnihost {

struct Object;
struct Class;

// A value passed to or returned from a method; `l` holds a target object (not a ref).
struct Value {
    jvalue v{};
    Object* obj = nullptr;
};

using MethodBody = std::function<Value(Object* self, const std::vector<Value>& args)>;

struct Method {
    std::string name;
    std::string signature;
    bool is_static = false;
    MethodBody body;
};

struct Field {
    std::string name;
    std::string signature;
    bool is_static = false;
    Value value;  // static fields only
};

struct Object {
    Class* cls = nullptr;
    bool class_hidden = false;          // GetObjectClass answers null
    std::optional<std::string> text;    // java.lang.String
    std::vector<Object*> elements;      // arrays
    bool is_array = false;
    std::map<std::string, Value> fields;
    std::vector<std::string> calls;     // recorded method calls
};

struct Class : Object {
    std::string name;
    std::deque<Field> fields_decl;
    std::deque<Method> methods;
    Method* find_method(const std::string& name, const std::string& sig, bool is_static);
    Field* find_field(const std::string& name, const std::string& sig, bool is_static);
    void remove(const std::string& member);
};

// What a RegistryKeyData object holds and answers.
struct RegistryData {
    int kind = 1;
    int string_type = 1, string_array_type = 2, integer_type = 3, binary_type = 4;
    std::optional<std::string> string_data;                     // getStringData / getStringIntegerData
    std::optional<std::vector<std::optional<std::string>>> array_data;  // getStringArrayData
    std::optional<signed char> binary_data;                     // getBinaryData
    bool process_string_answer = true;
};

class Vm {
public:
    Vm();
    ~Vm();
    Vm(const Vm&) = delete;
    Vm& operator=(const Vm&) = delete;

    JNIEnv* env() { return &env_; }
    jobject receiver() { return receiver_; }

    jstring str(const std::string& text);
    jobjectArray string_array(const std::vector<std::optional<std::string>>& elements);
    jobject status(bool debug = false, bool with_os_code = false);
    void set_debug(jobject status, bool on);
    jobject registry_data(const RegistryData& data);
    std::vector<std::string> calls(jobject obj) const;
    std::optional<std::string> text(jobject str) const;
    int int_value(jobject boxed) const;
    int byte_value(jobject boxed) const;

    void remove_member(jobject obj, const std::string& member);
    void remove_member(const std::string& class_name, const std::string& member);
    void remove_class(const std::string& class_name);
    void without_class(jobject obj);

    void fail_utf_chars(jstring s);
    void fail_new_string_after(int n) { fail_new_string_countdown_ = n; }
    void throw_from(const std::string& method);
    const std::optional<std::string>& thrown() const { return thrown_; }
    int described() const { return described_; }

    bool check_local_refs = true;

    template <typename R, typename... P, typename... A>
    R call(R(JNICALL* fn)(JNIEnv*, jobject, P...), A... args) {
        begin_call();
        if constexpr (std::is_void_v<R>) {
            fn(env(), receiver(), static_cast<P>(args)...);
            end_call(nullptr);
        } else {
            R result = fn(env(), receiver(), static_cast<P>(args)...);
            if constexpr (std::is_pointer_v<R>) {
                end_call(reinterpret_cast<jobject>(result));
            } else {
                end_call(nullptr);
            }
            return result;
        }
    }

    // Internals used by the function table.
    struct Ref {
        Object* target;
        bool in_call;
        bool deleted = false;
    };
    Object* deref(jobject ref, const char* where) const;
    jobject new_ref(Object* target);
    Object* new_object(Class* cls);
    Object* new_string_object(const std::string& text);
    Object* new_string_array_object(const std::vector<std::optional<std::string>>& elements);
    Class* define_class(const std::string& name);
    Class* find_class(const std::string& name) const;
    Value invoke(Object* self, Method* method, const std::vector<Value>& args);
    // Makes a new exception of `class_name` pending.
    void raise(const std::string& class_name, const std::string& message);
    void begin_call();
    void end_call(jobject returned);

    std::deque<std::unique_ptr<Object>> objects_;
    std::deque<Ref> refs_;
    std::map<std::string, Class*> classes_;
    std::map<const char*, Object*> utf_out_;   // UTF texts handed out and not yet released
    struct CharsOut {
        Object* string;
        bool critical;
    };
    std::map<const jchar*, CharsOut> chars_out_;  // UTF-16 characters handed out and not yet released
    std::vector<Object*> utf_fails_;
    int fail_new_string_countdown_ = -1;
    Object* pending_ = nullptr;
    std::optional<std::string> thrown_;
    std::set<std::string> throwing_methods_;
    int described_ = 0;
    bool in_call_ = false;

private:
    JNINativeInterface_ table_{};
    JNIEnv env_{};
    jobject receiver_ = nullptr;
};

// Redirects stdout of the C runtime into a temporary file until finish().
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string finish();

private:
    int saved_fd_ = -1;
    std::string path_;
    bool active_ = false;
};

// The system message for `code` in UTF-8; empty when there is none.
std::string system_text(DWORD code);

class Library {
public:
    explicit Library(const std::string& file_name);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE module() const { return module_; }
    // The export of `method` taking `arg_bytes` bytes of arguments on 32-bit; aborts if missing.
    FARPROC find(const std::string& method, int arg_bytes) const;
    FARPROC find_exact(const std::string& name) const;

    template <typename Fn>
    Fn typed(const std::string& method) const;

private:
    HMODULE module_ = nullptr;
};

// velnodm10.dll from the program's directory, loaded once.
Library& library();

// Bytes that a stdcall function of this type takes from the stack on 32-bit Windows.
template <typename R, typename... A>
constexpr int stack_bytes(R(JNICALL*)(A...)) {
    return static_cast<int>((0 + ... + ((sizeof(A) + 3) / 4 * 4)));
}

template <typename Fn>
Fn Library::typed(const std::string& method) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(find(method, stack_bytes(static_cast<Fn>(nullptr)))));
}

}  // namespace jnihost

#define JNIHOST_EXPORT(lib, method) \
    (lib).typed<decltype(&Java_velmor_ops_mgmt_nativesystem_WindowsNative_##method)>(#method)
