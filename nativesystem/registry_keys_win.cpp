#include <velmor_ops_mgmt_nativesystem_WindowsNative.h>

#include "nativesystem/registry_win.h"

using nativesystem::at_boundary;
using nativesystem::error_text;
using nativesystem::native_trace;
using nativesystem::RegistryCall;

namespace {

// Security attributes for the operation; traces and reports when they cannot be made.
bool prepare_security(RegistryCall& call, SECURITY_ATTRIBUTES& attributes, SECURITY_DESCRIPTOR& descriptor,
                      const char* failure_trace) {
    if (nativesystem::init_security_attributes(attributes, descriptor)) return true;
    DWORD code = GetLastError();
    native_trace(call.env, call.status, "%s", failure_trace);
    call.fail_with_code(code);
    return false;
}

}  // namespace

JNIEXPORT void JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegCreateKey(JNIEnv* env, jobject,
                                                                                    jstring key_name,
                                                                                    jstring sub_key_name,
                                                                                    jobject status, jstring node_name) {
    at_boundary(env, status, [&] {
        RegistryCall call(env, status);
        const char* root_name = call.text(key_name, "csKey = null\n");
        if (!root_name) return;
        const char* sub_key = call.text(sub_key_name, "csSubKey = null\n");
        if (!sub_key) return;
        native_trace(env, status, "\n Native function: inside RegCreateKey %s %s\n", sub_key, root_name);
        const char* node = call.text(node_name, "pSelectedNode = null\n");
        if (!node) return;

        SECURITY_ATTRIBUTES attributes;
        SECURITY_DESCRIPTOR descriptor;
        if (!prepare_security(call, attributes, descriptor, "Error initializing security descriptor")) return;
        native_trace(env, status, "InitializeSecurity - successful\n");

        if (DWORD code = nativesystem::open_registry_root(root_name, node, call.handles.root)) {
            native_trace(env, status, "Error returned = %s\n", error_text(code).c_str());
            call.fail_with_code(code);
            return;
        }
        native_trace(env, status, "Creating registry key...\n");
        DWORD disposition = 0;
        LONG result = RegCreateKeyExA(call.handles.root.get(), sub_key, 0,
                                      const_cast<char*>(nativesystem::created_key_class), REG_OPTION_NON_VOLATILE,
                                      nativesystem::created_key_access, &attributes, call.handles.key.put(),
                                      &disposition);
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Could not create the key\n");
            native_trace(env, status, "Error returned = %s\n", error_text(result).c_str());
            call.fail_with_code(result);
            return;
        }
        native_trace(env, status, "Key '%s' created successfully\n", sub_key);
        native_trace(env, status, "RegCreateKey executed successfully\n");
        call.succeed();
    });
}

JNIEXPORT void JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegDeleteKey(
    JNIEnv* env, jobject, jstring key_name, jstring sub_key_name, jstring delete_key_name, jobject status,
    jstring node_name) {
    at_boundary(env, status, [&] {
        RegistryCall call(env, status);
        const char* root_name = call.text(key_name, "csKey = null\n");
        if (!root_name) return;
        const char* sub_key = call.text(sub_key_name, "csSubKey = null\n");
        if (!sub_key) return;
        const char* delete_key = call.text(delete_key_name, "csDeleteKey = null\n");
        if (!delete_key) return;
        const char* node = call.text(node_name, "pSelectedNodes = null\n");
        if (!node) return;
        native_trace(env, status, "\nInside DeleteRegKey in Native: csKey = %s, csSubKey = %s, pSelectedNodes = %s \n",
                     root_name, sub_key, node);

        SECURITY_ATTRIBUTES attributes;
        SECURITY_DESCRIPTOR descriptor;
        if (!prepare_security(call, attributes, descriptor, "Error initializing security descriptor\n")) return;
        native_trace(env, status, "InitializeSecurity - successful\n");

        if (DWORD code = nativesystem::open_registry_root(root_name, node, call.handles.root)) {
            native_trace(env, status, "Error returned = %s\n", error_text(code).c_str());
            call.fail_with_code(code);
            return;
        }
        native_trace(env, status, "Deleting key %s\n", delete_key);
        LONG result = RegDeleteKeyA(call.handles.root.get(), delete_key);
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Error deleting key %s\n", delete_key);
            native_trace(env, status, "Error message = %s\n", error_text(result).c_str());
            call.fail_with_code(result);
            return;
        }
        native_trace(env, status, "Registry key %s deleted successfully\n", delete_key);
        native_trace(env, status, "RegDeleteKey executed successfully\n");
        call.succeed();
    });
}

// The answer is only meaningful when the status object reports success: every
// failure answers true.
JNIEXPORT jboolean JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegKeyExists(JNIEnv* env, jobject,
                                                                                        jstring key_name,
                                                                                        jstring sub_key_name,
                                                                                        jobject status,
                                                                                        jstring node_name) {
    return at_boundary(env, status, jboolean{JNI_TRUE}, [&]() -> jboolean {
        RegistryCall call(env, status);
        const char* root_name = call.text(key_name, "csKey = null\n");
        if (!root_name) return JNI_TRUE;
        const char* sub_key = call.text(sub_key_name, "csSubKey = null\n");
        if (!sub_key) return JNI_TRUE;
        native_trace(env, status, "\n Native function: inside RegKeyExists %s %s\n", sub_key, root_name);
        const char* node = call.text(node_name, "pSelectedNode = null\n");
        if (!node) return JNI_TRUE;

        SECURITY_ATTRIBUTES attributes;
        SECURITY_DESCRIPTOR descriptor;
        if (!prepare_security(call, attributes, descriptor, "Error initializing security descriptor")) return JNI_TRUE;
        native_trace(env, status, "InitializeSecurity - successful\n");

        if (DWORD code = nativesystem::open_registry_root(root_name, node, call.handles.root)) {
            native_trace(env, status, "Error returned = %s\n", error_text(code).c_str());
            call.fail_with_code(code);
            return JNI_TRUE;
        }
        native_trace(env, status, "Opening registry key...\n");
        LONG result = RegOpenKeyExA(call.handles.root.get(), sub_key, 0, KEY_READ, call.handles.key.put());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            native_trace(env, status, "Call to RegOpenKeyEx failed\n");
            native_trace(env, status, "Error returned = %s\n", error_text(result).c_str());
            call.fail_with_code(result);
            return JNI_TRUE;
        }
        bool exists = result == ERROR_SUCCESS;
        native_trace(env, status, exists ? "Key '%s' exists and successfully opened\n" : "Key '%s' does not exist\n",
                     sub_key);
        native_trace(env, status, "RegOpenKeyEx executed successfully\n");
        call.succeed();
        return exists ? JNI_TRUE : JNI_FALSE;
    });
}

JNIEXPORT void JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegDeleteValue(
    JNIEnv* env, jobject, jstring key_name, jstring sub_key_name, jstring value_name, jobject status,
    jstring node_name) {
    at_boundary(env, status, [&] {
        RegistryCall call(env, status);
        const char* root_name = call.text(key_name, "csKey = null\n");
        if (!root_name) return;
        const char* sub_key = call.text(sub_key_name, "csSubKey = null\n");
        if (!sub_key) return;
        const char* value = call.text(value_name, "cvalue = null\n");
        if (!value) return;
        const char* node = call.text(node_name, "pSelectedNode = null\n");
        if (!node) return;

        SECURITY_ATTRIBUTES attributes;
        SECURITY_DESCRIPTOR descriptor;
        if (!prepare_security(call, attributes, descriptor, "Error initializing security descriptor\n")) return;

        if (DWORD code = nativesystem::open_registry_root(root_name, node, call.handles.root)) {
            native_trace(env, status, "Error connecting to registry\n");
            native_trace(env, status, "Error returned = %s\n", error_text(code).c_str());
            call.fail_with_code(code);
            return;
        }
        native_trace(env, status, "Successfully connected to registry\n");
        LONG result = RegOpenKeyExA(call.handles.root.get(), sub_key, 0, KEY_SET_VALUE, call.handles.key.put());
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Error opening key = %s\n", sub_key);
            native_trace(env, status, "Error returned = %s\n", error_text(result).c_str());
            call.fail_with_code(result);
            return;
        }
        native_trace(env, status, "Successfully opened key = %s\n", sub_key);
        result = RegDeleteValueA(call.handles.key.get(), value);
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Error deleting value = %s\n", value);
            native_trace(env, status, "Error returned = %s\n", error_text(result).c_str());
            call.fail_with_code(result);
            return;
        }
        native_trace(env, status, "Successfully deleted value = %s\n", value);
        call.succeed();
    });
}
