#include <velmor_ops_mgmt_nativesystem_WindowsNative.h>

#include "nativesystem/registry_win.h"

using nativesystem::at_boundary;
using nativesystem::error_text;
using nativesystem::native_trace;
using nativesystem::RegistryCall;

namespace {

// The set-up traces that creating a key and probing for one share. The
// security failure has no line end here: log parsers match it as it is.
constexpr nativesystem::RegistrySetupTraces kCreateOrProbeSetup{
    "Error initializing security descriptor", "InitializeSecurity - successful\n", nullptr, nullptr};

}  // namespace

JNIEXPORT void JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegCreateKey(JNIEnv* env, jobject,
                                                                                    jstring key_name,
                                                                                    jstring sub_key_name,
                                                                                    jobject status, jstring node_name) {
    at_boundary(env, status, [&] {
        RegistryCall call(env, status);
        const char *root_name{}, *sub_key{}, *node{};
        if (!call.texts({{key_name, &root_name, "csKey = null\n"}, {sub_key_name, &sub_key, "csSubKey = null\n"}})) {
            return;
        }
        native_trace(env, status, "\n Native function: inside RegCreateKey %s %s\n", sub_key, root_name);
        if (!call.texts({{node_name, &node, "pSelectedNode = null\n"}})) return;
        if (!call.open_root(root_name, node, kCreateOrProbeSetup)) return;

        native_trace(env, status, "Creating registry key...\n");
        LONG result = call.create_key(sub_key);
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Could not create the key\n");
            call.fail_returned(result);
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
        const char *root_name{}, *sub_key{}, *delete_key{}, *node{};
        if (!call.texts({{key_name, &root_name, "csKey = null\n"},
                         {sub_key_name, &sub_key, "csSubKey = null\n"},
                         {delete_key_name, &delete_key, "csDeleteKey = null\n"},
                         {node_name, &node, "pSelectedNodes = null\n"}})) {
            return;
        }
        native_trace(env, status, "\nInside DeleteRegKey in Native: csKey = %s, csSubKey = %s, pSelectedNodes = %s \n",
                     root_name, sub_key, node);
        if (!call.open_root(root_name, node,
                            {"Error initializing security descriptor\n", "InitializeSecurity - successful\n", nullptr,
                             nullptr})) {
            return;
        }

        native_trace(env, status, "Deleting key %s\n", delete_key);
        LONG result = RegDeleteKeyA(call.handles.root.get(), delete_key);
        call.handles.wrote = result == ERROR_SUCCESS;
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
        const char *root_name{}, *sub_key{}, *node{};
        if (!call.texts({{key_name, &root_name, "csKey = null\n"}, {sub_key_name, &sub_key, "csSubKey = null\n"}})) {
            return JNI_TRUE;
        }
        native_trace(env, status, "\n Native function: inside RegKeyExists %s %s\n", sub_key, root_name);
        if (!call.texts({{node_name, &node, "pSelectedNode = null\n"}})) return JNI_TRUE;
        if (!call.open_root(root_name, node, kCreateOrProbeSetup)) return JNI_TRUE;

        native_trace(env, status, "Opening registry key...\n");
        LONG result = RegOpenKeyExA(call.handles.root.get(), sub_key, 0, KEY_READ, call.handles.key.put());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            native_trace(env, status, "Call to RegOpenKeyEx failed\n");
            call.fail_returned(result);
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
        const char *root_name{}, *sub_key{}, *value{}, *node{};
        if (!call.texts({{key_name, &root_name, "csKey = null\n"},
                         {sub_key_name, &sub_key, "csSubKey = null\n"},
                         {value_name, &value, "cvalue = null\n"},
                         {node_name, &node, "pSelectedNode = null\n"}})) {
            return;
        }
        if (!call.open_root(root_name, node,
                            {"Error initializing security descriptor\n", nullptr, "Error connecting to registry\n",
                             "Successfully connected to registry\n"})) {
            return;
        }

        LONG result = RegOpenKeyExA(call.handles.root.get(), sub_key, 0, KEY_SET_VALUE, call.handles.key.put());
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Error opening key = %s\n", sub_key);
            call.fail_returned(result);
            return;
        }
        native_trace(env, status, "Successfully opened key = %s\n", sub_key);
        result = RegDeleteValueA(call.handles.key.get(), value);
        call.handles.wrote = result == ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) {
            native_trace(env, status, "Error deleting value = %s\n", value);
            call.fail_returned(result);
            return;
        }
        native_trace(env, status, "Successfully deleted value = %s\n", value);
        call.succeed();
    });
}
