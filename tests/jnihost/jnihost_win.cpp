#include "tests/jnihost/jnihost.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include <gtest/gtest.h>

#include "common/unique_resource.h"

namespace jnihost {

namespace {

const char* const slot_names[] = {
#include "jni_slot_names.inc"
};
constexpr size_t slot_count = sizeof(JNINativeInterface_) / sizeof(void*);
static_assert(sizeof(slot_names) / sizeof(slot_names[0]) == slot_count);

[[noreturn]] void fatal(const std::string& what) {
    std::fprintf(stderr, "jnihost: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

[[noreturn]] void unexpected_slot(size_t index) {
    fatal(std::string("the library called JNI function ") + slot_names[index] + ", which the host does not offer");
}

template <size_t I>
void JNICALL slot_stub() {
    unexpected_slot(I);
}

template <size_t... I>
void fill_stubs(void** slots, std::index_sequence<I...>) {
    ((slots[I] = reinterpret_cast<void*>(&slot_stub<I>)), ...);
}

// Every JNI call arrives here with the env; the host behind it is found through
// the table's first reserved slot.
Vm& vm_of(JNIEnv* env) { return *static_cast<Vm*>(env->functions->reserved0); }

// The host of a JNI function that a VM forbids while an exception is pending.
Vm& checked(JNIEnv* env, const char* function) {
    Vm& vm = vm_of(env);
    if (vm.pending_) {
        ADD_FAILURE() << "JNI call " << function << " made with exception pending ("
                      << vm.pending_->cls->name << ": " << vm.pending_->text.value_or("") << ")";
    }
    return vm;
}

std::vector<char> parameter_types(const std::string& signature) {
    std::vector<char> types;
    size_t i = 1;
    while (i < signature.size() && signature[i] != ')') {
        char c = signature[i];
        types.push_back(c == '[' ? 'L' : c);
        while (signature[i] == '[') ++i;
        if (signature[i] == 'L') i = signature.find(';', i);
        ++i;
    }
    return types;
}

std::vector<Value> read_args(Vm& vm, Method* m, va_list args) {
    std::vector<Value> values;
    for (char type : parameter_types(m->signature)) {
        Value v;
        switch (type) {
        case 'L': v.obj = vm.deref(va_arg(args, jobject), m->name.c_str()); break;
        case 'J': v.v.j = va_arg(args, jlong); break;
        case 'F':
        case 'D': v.v.d = va_arg(args, double); break;
        default: v.v.i = va_arg(args, int); break;
        }
        values.push_back(v);
    }
    return values;
}

std::vector<Value> read_args(Vm& vm, Method* m, const jvalue* args) {
    std::vector<Value> values;
    size_t i = 0;
    for (char type : parameter_types(m->signature)) {
        Value v;
        v.v = args[i++];
        if (type == 'L') v.obj = vm.deref(args[i - 1].l, m->name.c_str());
        values.push_back(v);
    }
    return values;
}

Method* method_of(jmethodID id) {
    if (!id) fatal("a JNI call with a null method ID");
    return reinterpret_cast<Method*>(id);
}

Field* field_of(jfieldID id) {
    if (!id) fatal("a JNI call with a null field ID");
    return reinterpret_cast<Field*>(id);
}

Value invoke_on(JNIEnv* env, const char* function, jobject obj, jmethodID id,
                std::vector<Value> (*read)(Vm&, Method*, va_list), va_list args) {
    Vm& vm = checked(env, function);
    Object* self = vm.deref(obj, "Call<Type>Method");
    if (!self) fatal("Call<Type>Method on a null object");
    Method* m = method_of(id);
    return vm.invoke(self, m, read(vm, m, args));
}

std::vector<Value> read_va(Vm& vm, Method* m, va_list args) { return read_args(vm, m, args); }

#define JH_CALL_FAMILY(Type, jtype, convert)                                                  \
    jtype JNICALL Call##Type##MethodV(JNIEnv* env, jobject obj, jmethodID id, va_list args) {          \
        Value r = invoke_on(env, "Call" #Type "MethodV", obj, id, read_va, args);                      \
        return convert;                                                                                \
    }                                                                                                  \
    jtype JNICALL Call##Type##Method(JNIEnv* env, jobject obj, jmethodID id, ...) {                    \
        va_list args;                                                                                  \
        va_start(args, id);                                                                            \
        Value r = invoke_on(env, "Call" #Type "Method", obj, id, read_va, args);                                              \
        va_end(args);                                                                                  \
        return convert;                                                                                \
    }                                                                                                  \
    jtype JNICALL Call##Type##MethodA(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args) {    \
        Vm& vm = checked(env, "Call" #Type "MethodA");                                                 \
        Object* self = vm.deref(obj, "Call" #Type "MethodA");                                          \
        if (!self) fatal("Call" #Type "MethodA on a null object");                                     \
        Method* m = method_of(id);                                                                     \
        Value r = vm.invoke(self, m, read_args(vm, m, args));                                          \
        return convert;                                                                                \
    }

JH_CALL_FAMILY(Object, jobject, (vm_of(env).new_ref(r.obj)))
JH_CALL_FAMILY(Boolean, jboolean, (r.v.z))
JH_CALL_FAMILY(Byte, jbyte, (r.v.b))
JH_CALL_FAMILY(Int, jint, (r.v.i))

void JNICALL CallVoidMethodV(JNIEnv* env, jobject obj, jmethodID id, va_list args) {
    invoke_on(env, "CallVoidMethodV", obj, id, read_va, args);
}
void JNICALL CallVoidMethod(JNIEnv* env, jobject obj, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    invoke_on(env, "CallVoidMethod", obj, id, read_va, args);
    va_end(args);
}
void JNICALL CallVoidMethodA(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args) {
    Vm& vm = checked(env, "CallVoidMethodA");
    Object* self = vm.deref(obj, "CallVoidMethodA");
    if (!self) fatal("CallVoidMethodA on a null object");
    Method* m = method_of(id);
    vm.invoke(self, m, read_args(vm, m, args));
}

jobject construct(Vm& vm, jclass cls, Method* ctor, const std::vector<Value>& args) {
    auto* c = static_cast<Class*>(vm.deref(cls, "NewObject"));
    if (!c) fatal("NewObject of a null class");
    if (ctor->name != "<init>") fatal("NewObject with a method that is not a constructor");
    Object* obj = vm.new_object(c);
    vm.invoke(obj, ctor, args);
    return vm.pending_ ? nullptr : vm.new_ref(obj);
}

jobject JNICALL NewObjectV(JNIEnv* env, jclass cls, jmethodID id, va_list args) {
    Vm& vm = checked(env, "NewObjectV");
    Method* m = method_of(id);
    return construct(vm, cls, m, read_args(vm, m, args));
}
jobject JNICALL NewObject(JNIEnv* env, jclass cls, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    checked(env, "NewObject");
    jobject obj = NewObjectV(env, cls, id, args);
    va_end(args);
    return obj;
}
jobject JNICALL NewObjectA(JNIEnv* env, jclass cls, jmethodID id, const jvalue* args) {
    Vm& vm = checked(env, "NewObjectA");
    Method* m = method_of(id);
    return construct(vm, cls, m, read_args(vm, m, args));
}

jint JNICALL GetVersion(JNIEnv*) { return JNI_VERSION_1_8; }

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
    Vm& vm = checked(env, "FindClass");
    Class* c = vm.find_class(name);
    if (!c) vm.raise("java/lang/NoClassDefFoundError", name);
    return c ? static_cast<jclass>(vm.new_ref(c)) : nullptr;
}

jclass JNICALL GetObjectClass(JNIEnv* env, jobject obj) {
    Vm& vm = checked(env, "GetObjectClass");
    Object* o = vm.deref(obj, "GetObjectClass");
    if (!o) fatal("GetObjectClass of a null object");
    if (o->class_hidden) return nullptr;
    return static_cast<jclass>(vm.new_ref(o->cls));
}

jboolean JNICALL IsSameObject(JNIEnv* env, jobject a, jobject b) {
    Vm& vm = checked(env, "IsSameObject");
    return vm.deref(a, "IsSameObject") == vm.deref(b, "IsSameObject") ? JNI_TRUE : JNI_FALSE;
}

void JNICALL DeleteLocalRef(JNIEnv* env, jobject obj) {
    if (!obj) return;
    Vm& vm = vm_of(env);
    vm.deref(obj, "DeleteLocalRef");
    reinterpret_cast<Vm::Ref*>(obj)->deleted = true;
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
    Vm& vm = vm_of(env);
    return vm.pending_ ? static_cast<jthrowable>(vm.new_ref(vm.pending_)) : nullptr;
}
jint JNICALL Throw(JNIEnv* env, jthrowable thrown) {
    Vm& vm = checked(env, "Throw");
    Object* o = vm.deref(thrown, "Throw");
    if (!o) fatal("Throw of a null reference");
    vm.pending_ = o;
    return 0;
}
jboolean JNICALL ExceptionCheck(JNIEnv* env) { return vm_of(env).pending_ ? JNI_TRUE : JNI_FALSE; }
void JNICALL ExceptionClear(JNIEnv* env) { vm_of(env).pending_ = nullptr; }
void JNICALL ExceptionDescribe(JNIEnv* env) {
    Vm& vm = vm_of(env);
    if (!vm.pending_) return;
    std::fprintf(stderr, "Exception in thread \"main\" %s: %s\n", vm.pending_->cls->name.c_str(),
                 vm.pending_->text.value_or("").c_str());
    vm.pending_ = nullptr;
    ++vm.described_;
}

jmethodID lookup_method(Vm& vm, jclass cls, const char* name, const char* sig, bool is_static) {
    auto* c = static_cast<Class*>(vm.deref(cls, "GetMethodID"));
    if (!c) fatal("GetMethodID on a null class");
    Method* m = c->find_method(name, sig, is_static);
    if (!m) vm.raise("java/lang/NoSuchMethodError", name);
    return reinterpret_cast<jmethodID>(m);
}
jmethodID JNICALL GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return lookup_method(checked(env, "GetMethodID"), cls, name, sig, false);
}
jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return lookup_method(checked(env, "GetStaticMethodID"), cls, name, sig, true);
}

jfieldID lookup_field(Vm& vm, jclass cls, const char* name, const char* sig, bool is_static) {
    auto* c = static_cast<Class*>(vm.deref(cls, "GetFieldID"));
    if (!c) fatal("GetFieldID on a null class");
    Field* f = c->find_field(name, sig, is_static);
    if (!f) vm.raise("java/lang/NoSuchFieldError", name);
    return reinterpret_cast<jfieldID>(f);
}
jfieldID JNICALL GetFieldID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return lookup_field(checked(env, "GetFieldID"), cls, name, sig, false);
}
jfieldID JNICALL GetStaticFieldID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return lookup_field(checked(env, "GetStaticFieldID"), cls, name, sig, true);
}

Value& instance_field(JNIEnv* env, const char* function, jobject obj, jfieldID id) {
    Object* o = checked(env, function).deref(obj, function);
    if (!o) fatal("Get<Type>Field of a null object");
    return o->fields[field_of(id)->name];
}
jboolean JNICALL GetBooleanField(JNIEnv* env, jobject obj, jfieldID id) {
    return instance_field(env, "GetBooleanField", obj, id).v.z;
}
jint JNICALL GetIntField(JNIEnv* env, jobject obj, jfieldID id) {
    return instance_field(env, "GetIntField", obj, id).v.i;
}
jobject JNICALL GetObjectField(JNIEnv* env, jobject obj, jfieldID id) {
    return vm_of(env).new_ref(instance_field(env, "GetObjectField", obj, id).obj);
}
jint JNICALL GetStaticIntField(JNIEnv* env, jclass, jfieldID id) {
    checked(env, "GetStaticIntField");
    return field_of(id)->value.v.i;
}
jobject JNICALL GetStaticObjectField(JNIEnv* env, jclass, jfieldID id) {
    return checked(env, "GetStaticObjectField").new_ref(field_of(id)->value.obj);
}

jstring JNICALL NewStringUTF(JNIEnv* env, const char* utf) {
    Vm& vm = checked(env, "NewStringUTF");
    if (vm.fail_new_string_countdown_ >= 0 && vm.fail_new_string_countdown_-- == 0) return nullptr;
    if (!utf) fatal("NewStringUTF of a null text");
    return static_cast<jstring>(vm.new_ref(vm.new_string_object(utf)));
}

Object* string_object(Vm& vm, jstring s, const char* where) {
    Object* o = vm.deref(s, where);
    if (!o || !o->text) fatal(std::string(where) + " of something that is not a string");
    return o;
}

jsize JNICALL GetStringUTFLength(JNIEnv* env, jstring s) {
    return static_cast<jsize>(string_object(checked(env, "GetStringUTFLength"), s, "GetStringUTFLength")->text->size());
}

const char* JNICALL GetStringUTFChars(JNIEnv* env, jstring s, jboolean* is_copy) {
    Vm& vm = checked(env, "GetStringUTFChars");
    Object* o = string_object(vm, s, "GetStringUTFChars");
    if (std::find(vm.utf_fails_.begin(), vm.utf_fails_.end(), o) != vm.utf_fails_.end()) return nullptr;
    char* copy = new char[o->text->size() + 1];
    std::memcpy(copy, o->text->c_str(), o->text->size() + 1);
    vm.utf_out_[copy] = o;
    if (is_copy) *is_copy = JNI_TRUE;
    return copy;
}

void JNICALL ReleaseStringUTFChars(JNIEnv* env, jstring s, const char* chars) {
    Vm& vm = vm_of(env);
    Object* o = string_object(vm, s, "ReleaseStringUTFChars");
    auto it = vm.utf_out_.find(chars);
    if (it == vm.utf_out_.end()) fatal("ReleaseStringUTFChars of a text the host did not hand out");
    if (it->second != o) fatal("ReleaseStringUTFChars with a text of another string");
    delete[] it->first;
    vm.utf_out_.erase(it);
}

// Strings are kept as UTF-8; their UTF-16 form is made when asked for.
std::u16string utf16_of(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), n);
    return wide;
}

std::string utf8_of(const jchar* chars, jsize length) {
    if (length <= 0) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(chars);
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), n, nullptr, nullptr);
    return text;
}

jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
    Vm& vm = checked(env, "NewString");
    if (vm.fail_new_string_countdown_ >= 0 && vm.fail_new_string_countdown_-- == 0) return nullptr;
    if (length < 0 || (!chars && length > 0)) fatal("NewString with a negative length or no characters");
    return static_cast<jstring>(vm.new_ref(vm.new_string_object(utf8_of(chars, length))));
}

jsize JNICALL GetStringLength(JNIEnv* env, jstring s) {
    Object* o = string_object(checked(env, "GetStringLength"), s, "GetStringLength");
    return static_cast<jsize>(utf16_of(*o->text).size());
}

const jchar* hand_out_chars(JNIEnv* env, jstring s, jboolean* is_copy, bool critical, const char* where) {
    Vm& vm = checked(env, where);
    Object* o = string_object(vm, s, where);
    if (std::find(vm.utf_fails_.begin(), vm.utf_fails_.end(), o) != vm.utf_fails_.end()) return nullptr;
    std::u16string wide = utf16_of(*o->text);
    auto* copy = new jchar[wide.size() + 1];
    std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(jchar));
    vm.chars_out_[copy] = {o, critical};
    if (is_copy) *is_copy = JNI_TRUE;
    return copy;
}

void take_back_chars(JNIEnv* env, jstring s, const jchar* chars, bool critical, const char* where) {
    Vm& vm = vm_of(env);
    Object* o = string_object(vm, s, where);
    auto it = vm.chars_out_.find(chars);
    if (it == vm.chars_out_.end()) fatal(std::string(where) + " of characters the host did not hand out");
    if (it->second.string != o) fatal(std::string(where) + " with the characters of another string");
    if (it->second.critical != critical) fatal(std::string(where) + " of characters obtained the other way");
    delete[] it->first;
    vm.chars_out_.erase(it);
}

const jchar* JNICALL GetStringChars(JNIEnv* env, jstring s, jboolean* is_copy) {
    return hand_out_chars(env, s, is_copy, false, "GetStringChars");
}

void JNICALL ReleaseStringChars(JNIEnv* env, jstring s, const jchar* chars) {
    take_back_chars(env, s, chars, false, "ReleaseStringChars");
}

const jchar* JNICALL GetStringCritical(JNIEnv* env, jstring s, jboolean* is_copy) {
    return hand_out_chars(env, s, is_copy, true, "GetStringCritical");
}

void JNICALL ReleaseStringCritical(JNIEnv* env, jstring s, const jchar* chars) {
    take_back_chars(env, s, chars, true, "ReleaseStringCritical");
}

void JNICALL GetStringRegion(JNIEnv* env, jstring s, jsize start, jsize length, jchar* buffer) {
    Vm& vm = checked(env, "GetStringRegion");
    std::u16string wide = utf16_of(*string_object(vm, s, "GetStringRegion")->text);
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > wide.size()) {
        vm.raise("java/lang/StringIndexOutOfBoundsException", "GetStringRegion");
        return;
    }
    std::memcpy(buffer, wide.data() + start, static_cast<size_t>(length) * sizeof(jchar));
}

jsize JNICALL GetArrayLength(JNIEnv* env, jarray array) {
    Object* o = checked(env, "GetArrayLength").deref(array, "GetArrayLength");
    if (!o || !o->is_array) fatal("GetArrayLength of something that is not an array");
    return static_cast<jsize>(o->elements.size());
}

jobject JNICALL GetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
    Vm& vm = checked(env, "GetObjectArrayElement");
    Object* o = vm.deref(array, "GetObjectArrayElement");
    if (!o || !o->is_array) fatal("GetObjectArrayElement of something that is not an array");
    if (index < 0 || static_cast<size_t>(index) >= o->elements.size()) fatal("GetObjectArrayElement out of bounds");
    return vm.new_ref(o->elements[static_cast<size_t>(index)]);
}

Value make_int(jint i) {
    Value v;
    v.v.i = i;
    return v;
}

std::string describe(const Value& v, const std::string& type) {
    if (type == "String") return v.obj ? v.obj->text.value_or("?") : "null";
    if (!v.obj) return "null";
    return std::to_string(v.obj->fields.at("value").v.i);
}

}  // namespace

Method* Class::find_method(const std::string& n, const std::string& sig, bool is_static) {
    for (auto& m : methods)
        if (m.name == n && m.signature == sig && m.is_static == is_static) return &m;
    return nullptr;
}

Field* Class::find_field(const std::string& n, const std::string& sig, bool is_static) {
    for (auto& f : fields_decl)
        if (f.name == n && f.signature == sig && f.is_static == is_static) return &f;
    return nullptr;
}

void Class::remove(const std::string& member) {
    auto matches = [&](const std::string& n, const std::string& sig) { return member == n || member == n + sig; };
    std::erase_if(methods, [&](const Method& m) { return matches(m.name, m.signature); });
    std::erase_if(fields_decl, [&](const Field& f) { return matches(f.name, f.signature); });
}

Vm::Vm() {
    auto** slots = reinterpret_cast<void**>(&table_);
    fill_stubs(slots, std::make_index_sequence<slot_count>{});
    table_.reserved0 = this;
    table_.reserved1 = table_.reserved2 = table_.reserved3 = nullptr;
#define JH_SLOT(name) table_.name = name
    JH_SLOT(GetVersion);
    JH_SLOT(FindClass);
    JH_SLOT(GetObjectClass);
    JH_SLOT(IsSameObject);
    JH_SLOT(DeleteLocalRef);
    JH_SLOT(Throw);
    JH_SLOT(ExceptionOccurred);
    JH_SLOT(ExceptionCheck);
    JH_SLOT(ExceptionClear);
    JH_SLOT(ExceptionDescribe);
    JH_SLOT(GetMethodID);
    JH_SLOT(GetStaticMethodID);
    JH_SLOT(GetFieldID);
    JH_SLOT(GetStaticFieldID);
    JH_SLOT(GetBooleanField);
    JH_SLOT(GetIntField);
    JH_SLOT(GetObjectField);
    JH_SLOT(GetStaticIntField);
    JH_SLOT(GetStaticObjectField);
    JH_SLOT(CallObjectMethod);
    JH_SLOT(CallObjectMethodV);
    JH_SLOT(CallObjectMethodA);
    JH_SLOT(CallBooleanMethod);
    JH_SLOT(CallBooleanMethodV);
    JH_SLOT(CallBooleanMethodA);
    JH_SLOT(CallByteMethod);
    JH_SLOT(CallByteMethodV);
    JH_SLOT(CallByteMethodA);
    JH_SLOT(CallIntMethod);
    JH_SLOT(CallIntMethodV);
    JH_SLOT(CallIntMethodA);
    JH_SLOT(CallVoidMethod);
    JH_SLOT(CallVoidMethodV);
    JH_SLOT(CallVoidMethodA);
    JH_SLOT(NewObject);
    JH_SLOT(NewObjectV);
    JH_SLOT(NewObjectA);
    JH_SLOT(NewStringUTF);
    JH_SLOT(GetStringUTFLength);
    JH_SLOT(GetStringUTFChars);
    JH_SLOT(ReleaseStringUTFChars);
    JH_SLOT(NewString);
    JH_SLOT(GetStringLength);
    JH_SLOT(GetStringChars);
    JH_SLOT(ReleaseStringChars);
    JH_SLOT(GetStringCritical);
    JH_SLOT(ReleaseStringCritical);
    JH_SLOT(GetStringRegion);
    JH_SLOT(GetArrayLength);
    JH_SLOT(GetObjectArrayElement);
#undef JH_SLOT
    env_.functions = &table_;

    define_class("java/lang/String");
    define_class("[Ljava/lang/String;");
    for (const char* boxed : {"java/lang/Byte", "java/lang/Integer"}) {
        Class* c = define_class(boxed);
        bool is_byte = std::strcmp(boxed, "java/lang/Byte") == 0;
        c->methods.push_back({"<init>", is_byte ? "(B)V" : "(I)V", false,
                              [is_byte](Object* self, const std::vector<Value>& args) {
                                  Value v;
                                  v.v.i = is_byte ? args.at(0).v.b : args.at(0).v.i;
                                  self->fields["value"] = v;
                                  return Value{};
                              }});
        c->methods.push_back({is_byte ? "byteValue" : "intValue", is_byte ? "()B" : "()I", false,
                              [](Object* self, const std::vector<Value>&) { return self->fields["value"]; }});
    }
    Class* native = define_class("velmor/ops/mgmt/nativesystem/WindowsNative");
    receiver_ = new_ref(new_object(native));
}

Vm::~Vm() {
    for (auto& [chars, obj] : utf_out_) delete[] chars;
    for (auto& [chars, out] : chars_out_) delete[] chars;
}

Object* Vm::deref(jobject ref, const char* where) const {
    if (!ref) return nullptr;
    auto* r = reinterpret_cast<const Ref*>(ref);
    bool known = std::any_of(refs_.begin(), refs_.end(), [&](const Ref& candidate) { return &candidate == r; });
    if (!known) fatal(std::string(where) + " with a reference the host never handed out");
    if (r->deleted) fatal(std::string(where) + " with a deleted local reference");
    return r->target;
}

jobject Vm::new_ref(Object* target) {
    if (!target) return nullptr;
    refs_.push_back(Ref{target, in_call_});
    return reinterpret_cast<jobject>(&refs_.back());
}

Object* Vm::new_object(Class* cls) {
    objects_.push_back(std::make_unique<Object>());
    objects_.back()->cls = cls;
    return objects_.back().get();
}

Object* Vm::new_string_object(const std::string& text) {
    Object* o = new_object(find_class("java/lang/String"));
    o->text = text;
    return o;
}

Class* Vm::define_class(const std::string& name) {
    auto owned = std::make_unique<Class>();
    Class* c = owned.get();
    c->name = name;
    objects_.push_back(std::move(owned));
    if (name.rfind("velmor/", 0) != 0) classes_[name] = c;
    return c;
}

Class* Vm::find_class(const std::string& name) const {
    auto it = classes_.find(name);
    return it == classes_.end() ? nullptr : it->second;
}

Value Vm::invoke(Object* self, Method* method, const std::vector<Value>& args) {
    if (throwing_methods_.count(method->name)) {
        raise("java/lang/RuntimeException", "thrown by " + method->name);
        return Value{};
    }
    return method->body(self, args);
}

void Vm::raise(const std::string& class_name, const std::string& message) {
    Class* c = find_class(class_name);
    if (!c) c = define_class(class_name);
    pending_ = new_object(c);
    pending_->text = message;
}

void Vm::begin_call() {
    in_call_ = true;
    thrown_.reset();
}

void Vm::end_call(jobject returned) {
    in_call_ = false;
    // What is pending now reaches the Java caller; the next call starts clean.
    if (pending_) thrown_ = pending_->cls->name + ": " + pending_->text.value_or("");
    pending_ = nullptr;
    for (auto& [chars, obj] : utf_out_) {
        ADD_FAILURE() << "UTF text of \"" << obj->text.value_or("") << "\" obtained and never released";
        delete[] chars;
    }
    utf_out_.clear();
    for (auto& [chars, out] : chars_out_) {
        ADD_FAILURE() << (out.critical ? "critical " : "") << "characters of \"" << out.string->text.value_or("")
                      << "\" obtained and never released";
        delete[] chars;
    }
    chars_out_.clear();
    for (auto& ref : refs_) {
        if (!ref.in_call) continue;
        ref.in_call = false;
        if (check_local_refs && !ref.deleted && reinterpret_cast<jobject>(&ref) != returned) {
            std::string what = ref.target->text  ? "string \"" + *ref.target->text + "\""
                               : ref.target->cls ? "object of " + ref.target->cls->name
                                                 : "class " + static_cast<Class*>(ref.target)->name;
            ADD_FAILURE() << "local reference to " << what << " created during the call and never deleted";
        }
    }
}

jstring Vm::str(const std::string& text) { return static_cast<jstring>(new_ref(new_string_object(text))); }

Object* Vm::new_string_array_object(const std::vector<std::optional<std::string>>& elements) {
    Object* array = new_object(find_class("[Ljava/lang/String;"));
    array->is_array = true;
    for (const auto& e : elements) array->elements.push_back(e ? new_string_object(*e) : nullptr);
    return array;
}

jobjectArray Vm::string_array(const std::vector<std::optional<std::string>>& elements) {
    return static_cast<jobjectArray>(new_ref(new_string_array_object(elements)));
}

jobject Vm::status(bool debug, bool with_os_code) {
    Class* c = define_class("velmor/ops/mgmt/nativesystem/NativeStatus");
    c->fields_decl.push_back({"m_nativeDebugFlag", "Z", false, {}});
    c->methods.push_back({"setStatus", "(Z)V", false, [](Object* self, const std::vector<Value>& args) {
                              self->calls.push_back(args.at(0).v.z ? "setStatus(true)" : "setStatus(false)");
                              return Value{};
                          }});
    c->methods.push_back({"setOSString", "(Ljava/lang/String;)V", false,
                          [](Object* self, const std::vector<Value>& args) {
                              self->calls.push_back("setOSString(" + describe(args.at(0), "String") + ")");
                              return Value{};
                          }});
    if (with_os_code) {
        c->methods.push_back({"setOSCode", "(I)V", false, [](Object* self, const std::vector<Value>& args) {
                                  self->calls.push_back("setOSCode(" + std::to_string(args.at(0).v.i) + ")");
                                  return Value{};
                              }});
    }
    Object* o = new_object(c);
    o->fields["m_nativeDebugFlag"].v.z = debug ? JNI_TRUE : JNI_FALSE;
    return new_ref(o);
}

void Vm::set_debug(jobject status, bool on) { deref(status, "set_debug")->fields["m_nativeDebugFlag"].v.z = on; }

jobject Vm::registry_data(const RegistryData& data) {
    Class* c = define_class("velmor/ops/mgmt/nativesystem/RegistryKeyData");
    for (auto [name, value] : {std::pair<const char*, int>{"STRING_TYPE", data.string_type},
                               {"STRING_ARRAY_TYPE", data.string_array_type},
                               {"INTEGER_TYPE", data.integer_type},
                               {"BINARY_TYPE", data.binary_type}})
        c->fields_decl.push_back({name, "I", true, make_int(value)});
    auto string_answer = [this, data](Object*, const std::vector<Value>&) {
        Value v;
        if (data.string_data) v.obj = new_string_object(*data.string_data);
        return v;
    };
    c->methods.push_back({"getDataType", "()I", false,
                          [kind = data.kind](Object*, const std::vector<Value>&) { return make_int(kind); }});
    c->methods.push_back({"getStringData", "()Ljava/lang/String;", false, string_answer});
    c->methods.push_back({"getStringIntegerData", "()Ljava/lang/String;", false, string_answer});
    c->methods.push_back({"getStringArrayData", "()[Ljava/lang/String;", false,
                          [this, data](Object*, const std::vector<Value>&) {
                              Value v;
                              if (data.array_data) v.obj = new_string_array_object(*data.array_data);
                              return v;
                          }});
    c->methods.push_back({"getBinaryData", "()Ljava/lang/Byte;", false,
                          [this, data](Object*, const std::vector<Value>&) {
                              Value v;
                              if (data.binary_data) {
                                  v.obj = new_object(find_class("java/lang/Byte"));
                                  v.obj->fields["value"].v.i = *data.binary_data;
                              }
                              return v;
                          }});
    for (const char* type : {"String", "Integer", "Byte"}) {
        c->methods.push_back({"setData", std::string("(Ljava/lang/") + type + ";)V", false,
                              [type = std::string(type)](Object* self, const std::vector<Value>& args) {
                                  self->calls.push_back("setData(" + type + ":" + describe(args.at(0), type) + ")");
                                  return Value{};
                              }});
    }
    c->methods.push_back({"processString", "(Ljava/lang/String;I)Z", false,
                          [answer = data.process_string_answer](Object* self, const std::vector<Value>& args) {
                              self->calls.push_back("processString(" + describe(args.at(0), "String") + "," +
                                                    std::to_string(args.at(1).v.i) + ")");
                              Value v;
                              v.v.z = answer ? JNI_TRUE : JNI_FALSE;
                              return v;
                          }});
    return new_ref(new_object(c));
}

std::vector<std::string> Vm::calls(jobject obj) const { return deref(obj, "calls")->calls; }

std::optional<std::string> Vm::text(jobject s) const {
    Object* o = deref(s, "text");
    if (!o) return std::nullopt;
    return o->text;
}

int Vm::int_value(jobject boxed) const { return static_cast<int>(deref(boxed, "int_value")->fields.at("value").v.i); }
int Vm::byte_value(jobject boxed) const { return static_cast<int>(deref(boxed, "byte_value")->fields.at("value").v.i); }

void Vm::remove_member(jobject obj, const std::string& member) { deref(obj, "remove_member")->cls->remove(member); }

void Vm::remove_member(const std::string& class_name, const std::string& member) {
    Class* c = find_class(class_name);
    if (!c) fatal("remove_member of an unknown class " + class_name);
    c->remove(member);
}

void Vm::remove_class(const std::string& class_name) { classes_.erase(class_name); }

void Vm::without_class(jobject obj) { deref(obj, "without_class")->class_hidden = true; }

void Vm::fail_utf_chars(jstring s) { utf_fails_.push_back(deref(s, "fail_utf_chars")); }

void Vm::throw_from(const std::string& method) { throwing_methods_.insert(method); }

StdoutCapture::StdoutCapture() {
    char dir[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    if (!GetTempPathA(sizeof dir, dir) || !GetTempFileNameA(dir, "jh", 0, name)) fatal("no temporary file for stdout");
    path_ = name;
    std::fflush(stdout);
    saved_fd_ = _dup(1);
    int fd = _open(name, _O_WRONLY | _O_TRUNC | _O_BINARY);
    if (saved_fd_ < 0 || fd < 0) fatal("cannot redirect stdout");
    _dup2(fd, 1);
    _close(fd);
    active_ = true;
}

StdoutCapture::~StdoutCapture() {
    if (active_) finish();
}

std::string StdoutCapture::finish() {
    if (!active_) return {};
    std::fflush(stdout);
    _dup2(saved_fd_, 1);
    _close(saved_fd_);
    active_ = false;
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    DeleteFileA(path_.c_str());
    return text.str();
}

std::string system_text(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
                                        0x0400, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    vel::unique_hlocal owner(buffer);
    return length ? utf8_of(reinterpret_cast<const jchar*>(buffer), static_cast<jsize>(length)) : std::string();
}

Library::Library(const std::string& file_name) {
    char exe[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) fatal("cannot find the program's directory");
    std::string path(exe, n);
    path = path.substr(0, path.find_last_of("\\/") + 1) + file_name;
    module_ = LoadLibraryA(path.c_str());
    if (!module_) fatal("LoadLibraryA(" + path + ") failed with error " + std::to_string(GetLastError()));
}

Library::~Library() {
    if (module_) FreeLibrary(module_);
}

FARPROC Library::find_exact(const std::string& name) const { return GetProcAddress(module_, name.c_str()); }

FARPROC Library::find(const std::string& method, int arg_bytes) const {
    std::string name = "Java_velmor_ops_mgmt_nativesystem_WindowsNative_" + method;
#ifndef _WIN64
    name += "@" + std::to_string(arg_bytes);
#else
    (void)arg_bytes;
#endif
    FARPROC proc = find_exact(name);
    if (!proc) fatal("velnodm10.dll does not export " + name);
    return proc;
}

Library& library() {
    static Library lib("velnodm10.dll");
    return lib;
}

}  // namespace jnihost
