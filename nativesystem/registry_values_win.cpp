#include <velmor_ops_mgmt_nativesystem_WindowsNative.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "nativesystem/registry_data.h"
#include "nativesystem/registry_win.h"

using nativesystem::at_boundary;
using nativesystem::error_text;
using nativesystem::fail_traced;
using nativesystem::JniAnsiString;
using nativesystem::LocalRef;
using nativesystem::native_trace;
using nativesystem::RegistryCall;

namespace {

// The kind a RegistryKeyData object asks for, and the four kinds it may ask
// for as its class numbers them.
struct DataKinds {
    jint requested = 0;
    jint string = 0;
    jint string_array = 0;
    jint integer = 0;
    jint binary = 0;
};

// Bytes sized for their registry type: integers take 8 and binaries 2 so
// that the value, traced as a text, always ends in a NUL.
constexpr std::size_t kIntegerBufferSize = 8;
constexpr std::size_t kBinaryBufferSize = 2;

// A zero-filled buffer; false when it cannot be allocated.
bool allocate_zeroed(std::vector<char>& buffer, std::size_t size) {
    try {
        buffer.assign(size, '\0');
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// How an export traces and fails the look-up of its data object.
struct DataLookup {
    const char* class_missing_trace;
    const char* class_missing_text;
    // The write path traces the kind and the constants it reads.
    bool trace_values;
};

// The data object's class, fetched after `trace`.
LocalRef<jclass> data_class_of(RegistryCall& call, jobject data, const char* trace) {
    native_trace(call.env, call.status, "%s", trace);
    return nativesystem::object_class(call.env, data);
}

// Looks up the data object's kind and the four kind constants, tracing and
// reporting what is missing, the class included.
bool read_kinds(RegistryCall& call, jclass data_class, jobject data, const DataLookup& lookup, DataKinds& kinds) {
    JNIEnv* env = call.env;
    if (!data_class) {
        native_trace(env, call.status, "%s", lookup.class_missing_trace);
        call.fail(lookup.class_missing_text);
        return false;
    }
    const bool trace_values = lookup.trace_values;
    struct Constant {
        const char* name;
        jint* value;
    } constants[] = {{"STRING_TYPE", &kinds.string},
                     {"STRING_ARRAY_TYPE", &kinds.string_array},
                     {"INTEGER_TYPE", &kinds.integer},
                     {"BINARY_TYPE", &kinds.binary}};
    native_trace(env, call.status, "Getting reference to method getDataType\n");
    jmethodID get_data_type = env->GetMethodID(data_class, "getDataType", "()I");
    if (!get_data_type) {
        fail_traced(env, call.status, "getDataType method not found\n");
        return false;
    }
    // "GetDataTpe" is the read path's text as callers' log parsers match it: not a typo to fix.
    native_trace(env, call.status, trace_values ? "Calling GetDataType()" : "Calling GetDataTpe()");
    kinds.requested = env->CallIntMethod(data, get_data_type);
    if (call.java_failed()) return false;
    if (trace_values) native_trace(env, call.status, "Data type set = %d\n", static_cast<int>(kinds.requested));
    for (const Constant& constant : constants) {
        jfieldID field = env->GetStaticFieldID(data_class, constant.name, "I");
        if (!field) {
            fail_traced(env, call.status, "%s field not found\n", constant.name);
            return false;
        }
        *constant.value = env->GetStaticIntField(data_class, field);
        if (trace_values) native_trace(env, call.status, "%s = %d\n", constant.name, static_cast<int>(*constant.value));
    }
    return true;
}

// An instance method of the data object's class; traces and reports when it is missing.
jmethodID data_method(RegistryCall& call, jclass data_class, const char* name, const char* signature,
                      const char* missing_trace) {
    jmethodID method = call.env->GetMethodID(data_class, name, signature);
    if (!method) {
        fail_traced(call.env, call.status, "%s", missing_trace);
    }
    return method;
}

// A string the VM could not give fails with an empty text, one without an
// ANSI form with its error.
void fail_without_text(RegistryCall& call, const JniAnsiString& text) {
    if (text.error()) {
        call.fail_with_code(text.error());
    } else {
        call.fail("");
    }
}

// What RegSetValueExA receives, and the kind the data object asked for.
struct ValueData {
    DWORD type = REG_NONE;
    std::vector<char> bytes;
    jint kind = 0;
};

// Traced, and reported too: a reused status object must not read as success.
void trace_allocation_failure(RegistryCall& call, std::size_t size) {
    native_trace(call.env, call.status,
                 "\n Native Function RegSetValueDataObject: Failed to allocate %d bytes of memory\n",
                 static_cast<int>(size));
    nativesystem::report_out_of_memory(call.env, call.status);
}

bool build_string(RegistryCall& call, jclass data_class, jobject data, ValueData& value) {
    JNIEnv* env = call.env;
    jmethodID get = data_method(call, data_class, "getStringData", "()Ljava/lang/String;",
                                "getStringData method not found\n");
    if (!get) return false;
    LocalRef<jstring> java_text(env, static_cast<jstring>(env->CallObjectMethod(data, get)));
    if (call.java_failed()) return false;
    std::string text;
    if (java_text) {
        JniAnsiString chars(env, java_text.get());
        if (!chars) {
            fail_without_text(call, chars);
            return false;
        }
        text = chars.get();
        native_trace(env, call.status, "strlen(cdata1)=%d\n", static_cast<int>(text.size()));
    }
    if (!allocate_zeroed(value.bytes, text.size() + 1)) {
        trace_allocation_failure(call, text.size() + 1);
        return false;
    }
    std::memcpy(value.bytes.data(), text.data(), text.size());
    native_trace(env, call.status, "cdata = %s(len=%d)\n", value.bytes.data(), static_cast<int>(text.size()));
    // The spacing differs from the other traces on purpose: log parsers match it.
    native_trace(env, call.status, "cdata(len)= <%s>(%d)\n", value.bytes.data(), static_cast<int>(value.bytes.size()));
    value.type = REG_SZ;
    return true;
}

// The texts of the string array that `get` answers, each traced as it is
// copied; the array's reference is gone when this returns.
bool copy_string_array(RegistryCall& call, jobject data, jmethodID get, std::vector<std::string>& copies) {
    JNIEnv* env = call.env;
    LocalRef<jobjectArray> array(env, static_cast<jobjectArray>(env->CallObjectMethod(data, get)));
    if (call.java_failed()) return false;
    if (!array) {
        fail_traced(env, call.status, "data for key is null\n");
        return false;
    }
    jsize count = env->GetArrayLength(array.get());
    native_trace(env, call.status, "Array size = %d\n", static_cast<int>(count));
    if (count == 0) {
        fail_traced(env, call.status, "data array size = null\n");
        return false;
    }
    native_trace(env, call.status, "considering the case when array size != 0\n");
    try {
        copies.reserve(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        trace_allocation_failure(call, static_cast<std::size_t>(count) * sizeof(std::string));
        return false;
    }
    for (jsize i = 0; i < count; ++i) {
        LocalRef<jstring> element(env, static_cast<jstring>(env->GetObjectArrayElement(array.get(), i)));
        std::string copy;
        if (!element) {
            native_trace(env, call.status, "Array[%d] = ''\n", static_cast<int>(i));
        } else {
            JniAnsiString chars(env, element.get());
            if (!chars) {
                fail_without_text(call, chars);
                return false;
            }
            std::size_t length = std::strlen(chars.get());
            native_trace(env, call.status, "strlen(cdata1) = %d\n", static_cast<int>(length));
            try {
                copy.assign(chars.get(), length);
            } catch (const std::bad_alloc&) {
                trace_allocation_failure(call, length + 1);
                return false;
            }
        }
        native_trace(env, call.status, "cDataArr[%d] = <%s>(len=%d)\n", static_cast<int>(i), copy.c_str(),
                     static_cast<int>(copy.size()));
        copies.push_back(std::move(copy));
    }
    return true;
}

bool build_string_array(RegistryCall& call, jclass data_class, jobject data, ValueData& value) {
    JNIEnv* env = call.env;
    jmethodID get = data_method(call, data_class, "getStringArrayData", "()[Ljava/lang/String;",
                                "getStringArrayData method not found\n");
    if (!get) return false;
    std::vector<std::string> copies;
    if (!copy_string_array(call, data, get, copies)) return false;
    std::size_t total = 2;
    for (const auto& copy : copies) total += copy.size() + 1;
    native_trace(env, call.status, "Total length = %d\n", static_cast<int>(total));
    try {
        value.bytes = nativesystem::pack_multi_string(copies);
    } catch (const std::bad_alloc&) {
        trace_allocation_failure(call, total);
        return false;
    }
    native_trace(env, call.status, "data = %s\n", value.bytes.data());
    native_trace(env, call.status, "Freeing cDataArr memory");
    copies.clear();
    native_trace(env, call.status, "data(len) = <%s>(%d)\n", value.bytes.data(), static_cast<int>(total));
    value.type = REG_MULTI_SZ;
    return true;
}

bool build_integer(RegistryCall& call, jclass data_class, jobject data, ValueData& value) {
    JNIEnv* env = call.env;
    jmethodID get = data_method(call, data_class, "getStringIntegerData", "()Ljava/lang/String;",
                                "getStringIntegerData method not found\n");
    if (!get) return false;
    LocalRef<jstring> java_text(env, static_cast<jstring>(env->CallObjectMethod(data, get)));
    if (call.java_failed()) return false;
    if (!java_text) {
        fail_traced(env, call.status, "data for key is null\n");
        return false;
    }
    std::int32_t number = 0;
    {
        JniAnsiString chars(env, java_text.get());
        if (!chars) {
            fail_without_text(call, chars);
            return false;
        }
        number = nativesystem::decimal_text_value(chars.get());
    }
    if (!allocate_zeroed(value.bytes, kIntegerBufferSize)) {
        trace_allocation_failure(call, kIntegerBufferSize);
        return false;
    }
    auto bits = static_cast<std::uint32_t>(number);
    for (int i = 0; i < 4; ++i) value.bytes[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i));
    native_trace(env, call.status, "(data)len = (%s)%d\n", value.bytes.data(), 4);
    value.bytes.resize(sizeof(DWORD));
    value.type = REG_DWORD;
    return true;
}

bool build_binary(RegistryCall& call, jclass data_class, jobject data, ValueData& value) {
    JNIEnv* env = call.env;
    jmethodID get = data_method(call, data_class, "getBinaryData", "()Ljava/lang/Byte;",
                                "getBinaryData method not found\n");
    if (!get) return false;
    LocalRef<jobject> boxed(env, env->CallObjectMethod(data, get));
    if (call.java_failed()) return false;
    if (!boxed) {
        fail_traced(env, call.status, "data for key is null\n");
        return false;
    }
    LocalRef<jclass> byte_class(env, env->FindClass("java/lang/Byte"));
    if (!byte_class) {
        fail_traced(env, call.status, "java.lang.Byte class not found\n");
        return false;
    }
    jmethodID byte_value = env->GetMethodID(byte_class.get(), "byteValue", "()B");
    if (!byte_value) {
        fail_traced(env, call.status, "Byte.byteValue method not found\n");
        return false;
    }
    auto byte = static_cast<unsigned char>(env->CallByteMethod(boxed.get(), byte_value));
    if (call.java_failed()) return false;
    native_trace(env, call.status, "data = %d\n", static_cast<int>(byte));
    if (!allocate_zeroed(value.bytes, kBinaryBufferSize)) {
        trace_allocation_failure(call, kBinaryBufferSize);
        return false;
    }
    value.bytes[0] = static_cast<char>(byte);
    native_trace(env, call.status, "(data)len = (%s)%d\n", value.bytes.data(), 1);
    value.bytes.resize(1);
    value.type = REG_BINARY;
    return true;
}

// The value of the data object, built as the kind it asks for says.
bool build_value(RegistryCall& call, jclass data_class, jobject data, const char* root_name, const char* sub_key,
                 ValueData& value) {
    JNIEnv* env = call.env;
    DataKinds kinds;
    if (!read_kinds(call, data_class, data, {"class not found\n", "", true}, kinds)) return false;
    const jint kind = kinds.requested;
    value.kind = kind;
    if (kind == kinds.string) {
        native_trace(env, call.status, "\nInside RegSetValue %s %s : data type is STRING\n\n", root_name, sub_key);
        return build_string(call, data_class, data, value);
    }
    if (kind == kinds.string_array) {
        native_trace(env, call.status, "\n Native Function: Inside RegSetValue %s %s : data type is STRING array\n\n",
                     root_name, sub_key);
        return build_string_array(call, data_class, data, value);
    }
    if (kind == kinds.integer) {
        native_trace(env, call.status, "\n Native Function: Inside RegSetValue %s %s : data type is INTEGER\n\n",
                     root_name, sub_key);
        return build_integer(call, data_class, data, value);
    }
    if (kind == kinds.binary) {
        native_trace(env, call.status, "\n Native Function: Inside RegSetValue %s %s : data type is BINARY\n\n",
                     root_name, sub_key);
        return build_binary(call, data_class, data, value);
    }
    fail_traced(env, call.status, "Invalid data type %d \n", static_cast<int>(kind));
    return false;
}

// Creates the key on the node and sets the value in it.
void write_value(RegistryCall& call, const char* root_name, const char* sub_key, const char* node,
                 const char* value_name, const ValueData& value) {
    JNIEnv* env = call.env;
    const jobject status = call.status;
    if (!call.secure("Error initializing security descriptor\n")) return;
    native_trace(env, status, "\n Native Function: Inside RegSetValue %s %s\n\n", root_name, sub_key);
    if (!call.connect(root_name, node, nullptr, "Successfully connected to registry\n")) return;
    native_trace(env, status, "Creating key = %s\n", sub_key);
    LONG result = call.create_key(sub_key);
    if (result != ERROR_SUCCESS) {
        native_trace(env, status, "Error creating key = %s\n", sub_key);
        call.fail_returned(result);
        return;
    }
    native_trace(env, status, "Key %s successfully created\n", sub_key);
    native_trace(env, status, "Setting value/data to key = %s\n", sub_key);
    native_trace(env, status, "Setting value(%d) to registry key\n", static_cast<int>(value.kind));
    result = RegSetValueExA(call.handles.key.get(), value_name, 0, value.type,
                            reinterpret_cast<const BYTE*>(value.bytes.data()), static_cast<DWORD>(value.bytes.size()));
    if (result != ERROR_SUCCESS) {
        native_trace(env, status, "Error setting value/data to key = %s\n", sub_key);
        call.fail_returned(result);
        return;
    }
    native_trace(env, status, "RegSetValueDataObject is executed successfully\n");
    call.succeed();
}

}  // namespace

JNIEXPORT void JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegSetValueDataObject(
    JNIEnv* env, jobject, jstring key_name, jstring sub_key_name, jstring value_name, jobject data, jobject status,
    jstring node_name) {
    at_boundary(env, status, [&] {
        RegistryCall call(env, status);
        ValueData value;
        const char *root_name{}, *sub_key{}, *value_text{}, *node{};
        if (!call.texts({{key_name, &root_name, "csKey = null\n", "csKey = %s\n"},
                         {sub_key_name, &sub_key, "csSubKey = null\n", "csSubKey = %s\n"},
                         {value_name, &value_text, "cvalue = null\n", "csValue = %s\n"},
                         {node_name, &node, "pSelectedNode = null\n", "pSelectedNode = %s\n"}})) {
            return;
        }
        auto data_class = data_class_of(call, data, "Retrieving class reference for regKeyData\n");
        if (!build_value(call, data_class.get(), data, root_name, sub_key, value)) return;
        write_value(call, root_name, sub_key, node, value_text, value);
    });
}

namespace {

// A value as RegGetDataObject read it. Texts are read in UTF-16 and reach
// Java as stored; `bytes` are what the ANSI read would have given (the string
// types in the code page, look-alikes included), for the traces and the
// integer and binary kinds, which take the bytes as they are.
struct RegistryValue {
    DWORD type = REG_NONE;
    // One byte more than the registry may fill, always NUL, so that a value
    // without its terminator still reads as a text; made by read_value().
    std::vector<char> bytes;
    DWORD size = 0;
    std::wstring text;

    bool is_text() const { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }
};

// A text of the ANSI limit's size may take two bytes a character in UTF-16.
constexpr std::size_t kWideReadBufferSize = 2 * nativesystem::kRegistryReadBufferSize;

// RegQueryValueExW into `value`, with the size limit of the ANSI read: a
// text whose code-page form would not fit fails with ERROR_MORE_DATA too.
LONG read_value(HKEY key, const char* name, RegistryValue& value) {
    value.bytes.assign(nativesystem::kRegistryReadBufferSize + 1, '\0');
    const std::wstring wide_name = nativesystem::wide_from_ansi(name);
    std::vector<BYTE> raw(kWideReadBufferSize);
    DWORD raw_size = static_cast<DWORD>(raw.size());
    const LONG result = RegQueryValueExW(key, wide_name.c_str(), nullptr, &value.type, raw.data(), &raw_size);
    if (result != ERROR_SUCCESS) return result;
    if (!value.is_text()) {
        if (raw_size > nativesystem::kRegistryReadBufferSize) return ERROR_MORE_DATA;
        std::memcpy(value.bytes.data(), raw.data(), raw_size);
        value.size = raw_size;
        return ERROR_SUCCESS;
    }
    value.text.assign(reinterpret_cast<const wchar_t*>(raw.data()), raw_size / sizeof(wchar_t));
    const int length = static_cast<int>(value.text.size());
    const int needed =
        length ? WideCharToMultiByte(CP_ACP, 0, value.text.data(), length, nullptr, 0, nullptr, nullptr) : 0;
    if (needed < 0 || static_cast<std::size_t>(needed) > nativesystem::kRegistryReadBufferSize) {
        return ERROR_MORE_DATA;
    }
    if (needed) WideCharToMultiByte(CP_ACP, 0, value.text.data(), length, value.bytes.data(), needed, nullptr, nullptr);
    value.size = static_cast<DWORD>(needed);
    return ERROR_SUCCESS;
}

// The Java string of a value: a text as stored, up to its first NUL; other
// data as ANSI text.
jstring value_string(JNIEnv* env, const RegistryValue& value) {
    if (!value.is_text()) return nativesystem::new_java_string(env, value.bytes.data());
    return nativesystem::new_java_string(env, std::wstring_view(value.text.c_str()));
}

// Hands a string value to setData(String).
bool deliver_string(RegistryCall& call, jclass data_class, jobject data, const RegistryValue& value) {
    JNIEnv* env = call.env;
    LocalRef<jstring> text(env, value_string(env, value));
    if (!text) {
        fail_traced(env, call.status, "Error creating String object\n");
        return false;
    }
    // Two blanks before "not" on the read path: log parsers match the text as it is.
    jmethodID set_data =
        data_method(call, data_class, "setData", "(Ljava/lang/String;)V", "setData method  not found\n");
    if (!set_data) return false;
    env->CallVoidMethod(data, set_data, text.get());
    return !call.java_failed();
}

// Boxes `number` in `class_name` and hands it to setData of that type.
bool deliver_boxed(RegistryCall& call, jclass data_class, jobject data, const char* class_name,
                   const char* constructor_signature, const char* setter_signature, jvalue number, int shown,
                   const char* class_missing, const char* constructor_missing) {
    JNIEnv* env = call.env;
    LocalRef<jclass> box_class(env, env->FindClass(class_name));
    if (!box_class) {
        fail_traced(env, call.status, "%s", class_missing);
        return false;
    }
    jmethodID constructor = env->GetMethodID(box_class.get(), "<init>", constructor_signature);
    if (!constructor) {
        fail_traced(env, call.status, "%s", constructor_missing);
        return false;
    }
    native_trace(env, call.status, "value=%d\n", shown);
    LocalRef<jobject> boxed(env, env->NewObjectA(box_class.get(), constructor, &number));
    if (call.java_failed()) return false;
    jmethodID set_data = data_method(call, data_class, "setData", setter_signature, "setData method not found\n");
    if (!set_data) return false;
    if (!boxed) {
        call.fail("");
        return false;
    }
    env->CallVoidMethod(data, set_data, boxed.get());
    return !call.java_failed();
}

// Hands a multi-string value to processString(text, kind).
bool deliver_string_array(RegistryCall& call, jclass data_class, jobject data, const RegistryValue& value,
                          jint kind) {
    JNIEnv* env = call.env;
    std::string text;
    std::wstring wide_text;
    try {
        text = nativesystem::multi_string_text(value.bytes.data(), value.size);
        if (value.is_text()) wide_text = nativesystem::multi_string_text(value.text.data(), value.text.size());
    } catch (const std::bad_alloc&) {
        native_trace(env, call.status, "\n Native Function RegGetDataObject: Failed to allocate %d bytes of memory\n",
                     static_cast<int>(value.size));
        nativesystem::report_out_of_memory(env, call.status);
        return false;
    }
    native_trace(env, call.status, "\n Native Function: ndata=%s\n", text.c_str());
    LocalRef<jstring> java_text(env, value.is_text() ? nativesystem::new_java_string(env, wide_text)
                                                     : nativesystem::new_java_string(env, text));
    if (!java_text) {
        fail_traced(env, call.status, "Error constructing String object\n");
        return false;
    }
    // Two blanks before "not": log parsers match the text as it is.
    jmethodID process = data_method(call, data_class, "processString", "(Ljava/lang/String;I)Z",
                                    "processString method  not found\n");
    if (!process) return false;
    const jboolean processed = env->CallBooleanMethod(data, process, java_text.get(), kind);
    if (call.java_failed()) return false;
    if (!processed) {
        native_trace(env, call.status, "processString(string, %d) failed\n", static_cast<int>(kind));
        fail_traced(env, call.status, "Error processing result data\n");
        return false;
    }
    return true;
}

// Opens the key on the node and reads the value from it.
bool read_registry_value(RegistryCall& call, const char* root_name, const char* node, const char* sub_key,
                         const char* value_name, RegistryValue& value) {
    JNIEnv* env = call.env;
    const jobject status = call.status;
    // Wording and blanks of the connection failure as log parsers match them.
    if (!call.open_root(root_name, node,
                        {"Error initializing security descriptor\n", "\nInitializeSecurity is successful\n",
                         "\n Native function Could not connect to registry \n", "Connected to registry\n"})) {
        return false;
    }
    LONG result = RegOpenKeyExA(call.handles.root.get(), sub_key, 0, KEY_QUERY_VALUE, call.handles.key.put());
    if (result != ERROR_SUCCESS) {
        native_trace(env, status, "\n Could not open the registry key 1\n");
        native_trace(env, status, "The subkey is %s\n\n", sub_key);
        native_trace(env, status, "\nError returned is %s \n", error_text(result).c_str());
        call.fail_with_code(result);
        return false;
    }
    result = read_value(call.handles.key.get(), value_name, value);
    if (result != ERROR_SUCCESS) {
        native_trace(env, status, "\n Native function registry operation failed\n");
        native_trace(env, status, "\nError returned is %s \n", error_text(result).c_str());
        call.fail_with_code(result);
        return false;
    }
    if (value.type == REG_SZ || value.type == REG_MULTI_SZ) {
        native_trace(env, status, "\nOpened registry key 2\nThe data=%s size=%d type=%d", value.bytes.data(),
                     static_cast<int>(value.size), static_cast<int>(value.type));
    }
    return true;
}

// Hands the value to the data object as the kind it asks for.
bool deliver_value(RegistryCall& call, jclass data_class, jobject data, const char* root_name, const char* sub_key,
                   const RegistryValue& value) {
    JNIEnv* env = call.env;
    DataKinds kinds;
    const DataLookup lookup{"RegistryKeyData Class not found\n",
                            "REGISTRY_NATIVE_ERROR: RegistryKeyData class not found", false};
    if (!read_kinds(call, data_class, data, lookup, kinds)) return false;
    const jint kind = kinds.requested;
    const std::vector<char>& buffer = value.bytes;
    if (kind == kinds.string) {
        native_trace(env, call.status, "\n Native Function: Inside RegGetDataObject %s %s : data type is STRING\n\n",
                     root_name, sub_key);
        return deliver_string(call, data_class, data, value);
    }
    if (kind == kinds.integer) {
        jvalue number{};
        number.i = nativesystem::little_endian_int32(buffer.data());
        return deliver_boxed(call, data_class, data, "java/lang/Integer", "(I)V", "(Ljava/lang/Integer;)V", number,
                             static_cast<int>(number.i), "java.lang.Integer class not found\n",
                             "Integer constructor not found\n");
    }
    if (kind == kinds.binary) {
        auto byte = static_cast<unsigned char>(buffer[0]);
        jvalue number{};
        number.b = static_cast<jbyte>(byte);
        return deliver_boxed(call, data_class, data, "java/lang/Byte", "(B)V", "(Ljava/lang/Byte;)V", number, byte,
                             "java.lang.Byte class not found\n", "Byte constructor not found\n");
    }
    if (kind == kinds.string_array) {
        native_trace(env, call.status, "\n Native Function: Inside RegGetDataObject %s %s %s : data type is %d\n\n",
                     root_name, sub_key, buffer.data(), static_cast<int>(kind));
        return deliver_string_array(call, data_class, data, value, kind);
    }
    fail_traced(env, call.status, "Unsupported registry data type value requested\n");
    return false;
}

}  // namespace

JNIEXPORT void JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegGetDataObject(
    JNIEnv* env, jobject, jstring key_name, jstring sub_key_name, jstring value_name, jobject data, jobject status,
    jstring node_name) {
    at_boundary(env, status, [&] {
        RegistryCall call(env, status);
        const char *root_name{}, *value_text{}, *sub_key{};
        if (!call.texts({{key_name, &root_name, "csKey = null\n"},
                         {value_name, &value_text, "cvalue = null\n"},
                         {sub_key_name, &sub_key, "csSubKey = null\n"}})) {
            return;
        }
        JniAnsiString node(env, node_name);
        // No colon after "Function" here, unlike the other traces: log parsers match it.
        native_trace(env, status, "\n Native Function Inside RegGetDataObject %s %s %s %s \n", root_name, value_text,
                     sub_key, node ? node.get() : "(null)");
        if (node.error()) {
            call.fail_with_code(node.error());
            return;
        }
        if (!node) {
            fail_traced(env, status, "pSelectedNode = null\n");
            return;
        }
        RegistryValue value;
        if (!read_registry_value(call, root_name, node.get(), sub_key, value_text, value)) return;
        auto data_class = data_class_of(call, data, "Setting data in RegistryKeyData object\n");
        if (!deliver_value(call, data_class.get(), data, root_name, sub_key, value)) return;
        native_trace(env, status, "RegGetDataObject is executed successfully\n");
        call.succeed();
    });
}
