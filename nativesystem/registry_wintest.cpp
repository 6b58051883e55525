// The six registry exports of velnodm10, called through the JNI host against
// Wine's registry. The node is this computer's own name: the only one the
// remote-registry connection reaches here.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"
#include "tests/jnihost/jnihost.h"

namespace {

using nativesystem::error_text;
using Calls = std::vector<std::string>;

const char* const test_root = "Software\\VelNativeRegistryTest";

std::string computer_name() {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return {};
    return std::string(name, size);
}

std::string failure(DWORD code) { return "setOSString(" + error_text(code) + ")"; }

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
    LONG result = ERROR_SUCCESS;
};

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        node = computer_name();
        ASSERT_FALSE(node.empty());
        sub_key = std::string(test_root) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, sub_key.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, test_root); }

    void create_directly(const std::string& key) {
        SCOPED_TRACE("create_directly " + key);
        vel::unique_hkey handle;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  handle.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void write_directly(const std::string& value, DWORD type, const std::vector<unsigned char>& bytes) {
        SCOPED_TRACE("write_directly " + value);
        vel::unique_hkey handle;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  handle.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(handle.get(), value.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    RawValue read_directly(const std::string& value, const std::string& key = {}) {
        RawValue raw;
        raw.bytes.resize(20000);
        DWORD size = static_cast<DWORD>(raw.bytes.size());
        raw.result = RegGetValueA(HKEY_CURRENT_USER, (key.empty() ? sub_key : key).c_str(), value.c_str(),
                                  RRF_RT_ANY | RRF_NOEXPAND, &raw.type, raw.bytes.data(), &size);
        raw.bytes.resize(raw.result == ERROR_SUCCESS ? size : 0);
        return raw;
    }
    bool key_exists(const std::string& key) {
        HKEY handle;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
        RegCloseKey(handle);
        return true;
    }

    jnihost::Vm vm;
    jnihost::Library& lib = jnihost::library();
    std::string node;
    std::string sub_key;
    decltype(JNIHOST_EXPORT(lib, RegCreateKey)) create = JNIHOST_EXPORT(lib, RegCreateKey);
    decltype(JNIHOST_EXPORT(lib, RegDeleteKey)) delete_key = JNIHOST_EXPORT(lib, RegDeleteKey);
    decltype(JNIHOST_EXPORT(lib, RegKeyExists)) exists = JNIHOST_EXPORT(lib, RegKeyExists);
    decltype(JNIHOST_EXPORT(lib, RegDeleteValue)) delete_value = JNIHOST_EXPORT(lib, RegDeleteValue);
    decltype(JNIHOST_EXPORT(lib, RegSetValueDataObject)) set_value = JNIHOST_EXPORT(lib, RegSetValueDataObject);
    decltype(JNIHOST_EXPORT(lib, RegGetDataObject)) get_value = JNIHOST_EXPORT(lib, RegGetDataObject);
};

TEST(RegistryExports, EachUnderBothNames) {
    auto& lib = jnihost::library();
    for (auto [method, bytes] : {std::pair<const char*, int>{"RegCreateKey", 24}, {"RegDeleteKey", 28},
                                 {"RegDeleteValue", 28}, {"RegKeyExists", 24}, {"RegSetValueDataObject", 32},
                                 {"RegGetDataObject", 32}}) {
        std::string name = std::string("Java_velmor_ops_mgmt_nativesystem_WindowsNative_") + method;
#ifndef _WIN64
        name += '@';
        name += std::to_string(bytes);
#else
        (void)bytes;
#endif
        const std::string underscored = '_' + name;
        EXPECT_EQ(lib.find_exact(underscored), lib.find(method, bytes)) << name;
    }
}

TEST_F(Registry, CreateKeyMakesEveryLevelAndTracesEachStep) {
    std::string deep = sub_key + "\\one\\two";
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.call(create, vm.str("HKEY_CURRENT_USER"), vm.str(deep), status, vm.str(node));
    EXPECT_EQ(out.finish(), "\n Native function: inside RegCreateKey " + deep +
                                " HKEY_CURRENT_USER\n\n"
                                "InitializeSecurity - successful\n\n"
                                "Creating registry key...\n\n"
                                "Key '" + deep + "' created successfully\n\n"
                                "RegCreateKey executed successfully\n\n");
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"}));
    EXPECT_TRUE(key_exists(deep));
}

TEST_F(Registry, CreateExistingKeyKeepsItsValuesWithRootInAnyCase) {
    write_directly("kept", REG_SZ, {'x', 0});
    jobject status = vm.status();
    jnihost::StdoutCapture out;
    vm.call(create, vm.str("hkey_Current_user"), vm.str(sub_key), status, vm.str(node));
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"}));
    EXPECT_EQ(read_directly("kept").bytes, (std::vector<unsigned char>{'x', 0}));
}

TEST_F(Registry, UnknownRootFailsWithCode60BeforeAnyRegistryCall) {
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.call(create, vm.str("HKCU"), vm.str(sub_key), status, vm.str(node));
    EXPECT_EQ(out.finish(), "\n Native function: inside RegCreateKey " + sub_key +
                                " HKCU\n\n"
                                "InitializeSecurity - successful\n\n"
                                "Error returned = " + error_text(60) + "\n\n");
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(false)", failure(60)}));
    EXPECT_FALSE(key_exists(sub_key));
}

// What Java callers pass for this machine, and the codes a status object with
// setOSCode receives. An empty node text reaches the connection as an empty
// machine name, which Wine takes for the local machine; "localnode" names a
// machine like any other text here.
TEST_F(Registry, LocalNodeTextsAndTheCodesOfFailures) {
    struct Case {
        const char* root;
        std::optional<std::string> node;
        Calls reported;
    };
    const Case cases[] = {
        {"HKEY_CURRENT_USER", "", {"setStatus(true)"}},
        {"HKEY_CURRENT_USER", computer_name(), {"setStatus(true)"}},
        {"HKEY_CURRENT_USER", "localnode", {"setStatus(false)", failure(30), "setOSCode(30)"}},
        {"HKEY_CURRENT_USER", std::nullopt, {"setStatus(false)", "setOSString()", "setOSCode(0)"}},
        {"HKCU", "", {"setStatus(false)", failure(60), "setOSCode(60)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root + (" node " + c.node.value_or("null")));
        RegDeleteTreeA(HKEY_CURRENT_USER, sub_key.c_str());
        jobject status = vm.status(false, true);
        jnihost::StdoutCapture out;
        vm.call(create, vm.str(c.root), vm.str(sub_key), status, c.node ? vm.str(*c.node) : nullptr);
        out.finish();
        EXPECT_EQ(vm.calls(status), c.reported);
        EXPECT_EQ(key_exists(sub_key), c.reported.size() == 1);
    }
}

TEST_F(Registry, UnreachableNodeAlwaysPrintsTheConnectionMessage) {
    jobject status = vm.status(false);
    jnihost::StdoutCapture out;
    vm.call(create, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), status, vm.str("NO-SUCH-NODE-7"));
    bool answer = vm.call(exists, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), status, vm.str("NO-SUCH-NODE-7"));
    EXPECT_EQ(out.finish(), "\n Could not connect to remote registry\n\n Could not connect to remote registry\n");
    EXPECT_TRUE(answer);
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(false)", failure(30), "setStatus(false)", failure(30)}));
}

TEST_F(Registry, MissingArgumentTextsFailWithAnEmptyTextAndReleaseTheOthers) {
    jobject status = vm.status(true);
    jstring refused = vm.str(node);
    vm.fail_utf_chars(refused);
    jnihost::StdoutCapture out;
    vm.call(create, nullptr, vm.str(sub_key), status, vm.str(node));
    vm.call(create, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), status, refused);
    vm.call(delete_key, vm.str("HKEY_CURRENT_USER"), vm.str("x"), nullptr, status, vm.str(node));
    vm.call(delete_key, vm.str("HKEY_CURRENT_USER"), vm.str("x"), vm.str("y"), status, nullptr);
    vm.call(delete_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), nullptr, status, vm.str(node));
    bool answer = vm.call(exists, vm.str("HKEY_CURRENT_USER"), nullptr, status, vm.str(node));
    EXPECT_EQ(out.finish(),
              "csKey = null\n\n"
              "\n Native function: inside RegCreateKey " + sub_key + " HKEY_CURRENT_USER\n\n"
              "pSelectedNode = null\n\n"
              "csDeleteKey = null\n\n"
              "pSelectedNodes = null\n\n"
              "cvalue = null\n\n"
              "csSubKey = null\n\n");
    EXPECT_TRUE(answer);
    Calls expected;
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {"setStatus(false)", "setOSString()"});
    EXPECT_EQ(vm.calls(status), expected);
}

TEST_F(Registry, KeyExistsAnswersWithStatusFirst) {
    create_directly(sub_key);
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    bool present = vm.call(exists, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), status, vm.str(node));
    bool absent = vm.call(exists, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key + "\\none"), status, vm.str(node));
    std::string trace = out.finish();
    EXPECT_TRUE(present);
    EXPECT_FALSE(absent);
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)", "setStatus(true)"}));
    EXPECT_EQ(trace, "\n Native function: inside RegKeyExists " + sub_key +
                         " HKEY_CURRENT_USER\n\n"
                         "InitializeSecurity - successful\n\n"
                         "Opening registry key...\n\n"
                         "Key '" + sub_key + "' exists and successfully opened\n\n"
                         "RegOpenKeyEx executed successfully\n\n"
                         "\n Native function: inside RegKeyExists " + sub_key +
                         "\\none HKEY_CURRENT_USER\n\n"
                         "InitializeSecurity - successful\n\n"
                         "Opening registry key...\n\n"
                         "Key '" + sub_key + "\\none' does not exist\n\n"
                         "RegOpenKeyEx executed successfully\n\n");

    jobject unknown_root = vm.status();
    EXPECT_TRUE(vm.call(exists, vm.str("HKEY_NOWHERE"), vm.str(sub_key), unknown_root, vm.str(node)));
    EXPECT_EQ(vm.calls(unknown_root), (Calls{"setStatus(false)", failure(60)}));
}

TEST_F(Registry, DeleteKeyUsesOnlyTheKeyToDelete) {
    create_directly(sub_key + "\\leaf");
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.call(delete_key, vm.str("HKEY_CURRENT_USER"), vm.str("not used"), vm.str(sub_key + "\\leaf"), status,
            vm.str(node));
    EXPECT_EQ(out.finish(), "\nInside DeleteRegKey in Native: csKey = HKEY_CURRENT_USER, csSubKey = not used, "
                            "pSelectedNodes = " + node + " \n\n"
                            "InitializeSecurity - successful\n\n"
                            "Deleting key " + sub_key + "\\leaf\n\n"
                            "Registry key " + sub_key + "\\leaf deleted successfully\n\n"
                            "RegDeleteKey executed successfully\n\n");
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"}));
    EXPECT_FALSE(key_exists(sub_key + "\\leaf"));
    EXPECT_TRUE(key_exists(sub_key));
}

TEST_F(Registry, DeleteKeyReportsThePlatformRefusal) {
    create_directly(sub_key + "\\child");
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.call(delete_key, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str(sub_key), status, vm.str(node));
    vm.call(delete_key, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str(sub_key + "\\absent"), status,
            vm.str(node));
    std::string trace = out.finish();
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(false)", failure(ERROR_ACCESS_DENIED), "setStatus(false)",
                                       failure(ERROR_FILE_NOT_FOUND)}));
    EXPECT_THAT(trace, testing::HasSubstr("Error deleting key " + sub_key +
                                          "\n\nError message = " + error_text(ERROR_ACCESS_DENIED) + "\n\n"));
    EXPECT_TRUE(key_exists(sub_key + "\\child"));
}

TEST_F(Registry, DeleteValueRemovesItAndReportsAMissingOne) {
    write_directly("gone", REG_SZ, {'x', 0});
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.call(delete_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("gone"), status, vm.str(node));
    vm.call(delete_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("gone"), status, vm.str(node));
    vm.call(delete_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key + "\\none"), vm.str("gone"), status,
            vm.str(node));
    EXPECT_EQ(out.finish(), "Successfully connected to registry\n\n"
                            "Successfully opened key = " + sub_key + "\n\n"
                            "Successfully deleted value = gone\n\n"
                            "Successfully connected to registry\n\n"
                            "Successfully opened key = " + sub_key + "\n\n"
                            "Error deleting value = gone\n\n"
                            "Error returned = " + error_text(2) + "\n\n"
                            "Successfully connected to registry\n\n"
                            "Error opening key = " + sub_key + "\\none\n\n"
                            "Error returned = " + error_text(2) + "\n\n");
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)", "setStatus(false)", failure(2), "setStatus(false)",
                                       failure(2)}));
    EXPECT_EQ(read_directly("gone").result, ERROR_FILE_NOT_FOUND);
}

// ---- value data exchange ----

jnihost::RegistryData of_kind(int kind) {
    jnihost::RegistryData data;
    data.kind = kind;
    return data;
}

TEST_F(Registry, SetStringWritesTextAndNulAndTracesEverything) {
    auto data = of_kind(1);
    data.string_data = "hello";
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.call(set_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("text"), vm.registry_data(data), status,
            vm.str(node));
    EXPECT_EQ(out.finish(), "csKey = HKEY_CURRENT_USER\n\n"
                            "csSubKey = " + sub_key + "\n\n"
                            "csValue = text\n\n"
                            "pSelectedNode = " + node + "\n\n"
                            "Retrieving class reference for regKeyData\n\n"
                            "Getting reference to method getDataType\n\n"
                            "Calling GetDataType()\n"
                            "Data type set = 1\n\n"
                            "STRING_TYPE = 1\n\nSTRING_ARRAY_TYPE = 2\n\nINTEGER_TYPE = 3\n\nBINARY_TYPE = 4\n\n"
                            "\nInside RegSetValue HKEY_CURRENT_USER " + sub_key + " : data type is STRING\n\n\n"
                            "strlen(cdata1)=5\n\n"
                            "cdata = hello(len=5)\n\n"
                            "cdata(len)= <hello>(6)\n\n"
                            "\n Native Function: Inside RegSetValue HKEY_CURRENT_USER " + sub_key + "\n\n\n"
                            "Successfully connected to registry\n\n"
                            "Creating key = " + sub_key + "\n\n"
                            "Key " + sub_key + " successfully created\n\n"
                            "Setting value/data to key = " + sub_key + "\n\n"
                            "Setting value(1) to registry key\n\n"
                            "RegSetValueDataObject is executed successfully\n\n");
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"}));
    RawValue raw = read_directly("text");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.bytes, (std::vector<unsigned char>{'h', 'e', 'l', 'l', 'o', 0}));
}

TEST_F(Registry, SetEachKindWithItsByteLayout) {
    struct Case {
        const char* value;
        jnihost::RegistryData data;
        DWORD type;
        std::vector<unsigned char> bytes;
    };
    auto text = [](int kind, std::optional<std::string> s) {
        auto d = of_kind(kind);
        d.string_data = std::move(s);
        return d;
    };
    auto array = of_kind(2);
    array.array_data = std::vector<std::optional<std::string>>{"a", "b"};
    auto with_null = of_kind(2);
    with_null.array_data = std::vector<std::optional<std::string>>{"x", std::nullopt};
    auto binary = of_kind(4);
    binary.binary_data = static_cast<signed char>(-1);
    std::vector<Case> cases = {
        {"null string", text(1, std::nullopt), REG_SZ, {0}},
        {"empty string", text(1, ""), REG_SZ, {0}},
        {"array", array, REG_MULTI_SZ, {'a', 0, 'b', 0, 0, 0}},
        {"null element", with_null, REG_MULTI_SZ, {'x', 0, 0, 0, 0}},
        {"digits then letters", text(3, "12abc"), REG_DWORD, {12, 0, 0, 0}},
        {"letters", text(3, "abc"), REG_DWORD, {0, 0, 0, 0}},
        {"minus one", text(3, "-1"), REG_DWORD, {0xff, 0xff, 0xff, 0xff}},
        {"binary", binary, REG_BINARY, {0xff}},
    };
    std::string deeper = sub_key + "\\new\\levels";
    for (const auto& c : cases) {
        jobject status = vm.status();
        vm.call(set_value, vm.str("HKEY_CURRENT_USER"), vm.str(deeper), vm.str(c.value), vm.registry_data(c.data),
                status, vm.str(node));
        EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"})) << c.value;
        RawValue raw = read_directly(c.value, deeper);
        EXPECT_EQ(raw.type, c.type) << c.value;
        EXPECT_EQ(raw.bytes, c.bytes) << c.value;
    }
}

TEST_F(Registry, SetRefusesEmptyOrNullDataAndUnknownKindsWithoutTouchingTheRegistry) {
    auto empty = of_kind(2);
    empty.array_data = std::vector<std::optional<std::string>>{};
    auto null_array = of_kind(2);
    auto null_integer = of_kind(3);
    auto null_binary = of_kind(4);
    auto unknown = of_kind(9);
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    for (const auto& data : {empty, null_array, null_integer, null_binary, unknown}) {
        vm.call(set_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("v"), vm.registry_data(data), status,
                vm.str(node));
    }
    std::string trace = out.finish();
    for (const char* expected : {"Array size = 0\n\ndata array size = null\n\n",
                                 "STRING array\n\n\ndata for key is null\n\n", "INTEGER\n\n\ndata for key is null\n\n",
                                 "BINARY\n\n\ndata for key is null\n\n", "Invalid data type 9 \n\n"}) {
        EXPECT_THAT(trace, testing::HasSubstr(expected));
    }
    Calls calls;
    for (int i = 0; i < 5; ++i) calls.insert(calls.end(), {"setStatus(false)", "setOSString()"});
    EXPECT_EQ(vm.calls(status), calls);
    EXPECT_FALSE(key_exists(sub_key));
}

// A member the VM cannot find leaves its Java error pending: with tracing on it
// is described in place of the trace line, with tracing off it reaches the
// caller after the status calls. Either way the operation fails.
TEST_F(Registry, SetWithMissingMembersFailsWithAnEmptyText) {
    struct Case {
        int kind;
        const char* remove_from_data;
        const char* remove_from_byte;
        const char* remove_class;
        const char* error;
    };
    const Case cases[] = {
        {1, "getDataType", nullptr, nullptr, "java/lang/NoSuchMethodError: getDataType"},
        {1, "STRING_TYPE", nullptr, nullptr, "java/lang/NoSuchFieldError: STRING_TYPE"},
        {1, "BINARY_TYPE", nullptr, nullptr, "java/lang/NoSuchFieldError: BINARY_TYPE"},
        {1, "getStringData", nullptr, nullptr, "java/lang/NoSuchMethodError: getStringData"},
        {2, "getStringArrayData", nullptr, nullptr, "java/lang/NoSuchMethodError: getStringArrayData"},
        {3, "getStringIntegerData", nullptr, nullptr, "java/lang/NoSuchMethodError: getStringIntegerData"},
        {4, "getBinaryData", nullptr, nullptr, "java/lang/NoSuchMethodError: getBinaryData"},
        {4, nullptr, "byteValue", nullptr, "java/lang/NoSuchMethodError: byteValue"},
        {4, nullptr, nullptr, "java/lang/Byte", "java/lang/NoClassDefFoundError: java/lang/Byte"},
    };
    for (const Case& c : cases) {
        for (bool tracing : {true, false}) {
            jnihost::Vm local;
            auto data = of_kind(c.kind);
            data.string_data = "1";
            data.array_data = std::vector<std::optional<std::string>>{"a"};
            data.binary_data = 1;
            jobject object = local.registry_data(data);
            if (c.remove_from_data) local.remove_member(object, c.remove_from_data);
            if (c.remove_from_byte) local.remove_member("java/lang/Byte", c.remove_from_byte);
            if (c.remove_class) local.remove_class(c.remove_class);
            jobject status = local.status(tracing);
            local.call(set_value, local.str("HKEY_CURRENT_USER"), local.str(sub_key), local.str("v"), object, status,
                       local.str(node));
            EXPECT_EQ(local.described(), tracing ? 1 : 0) << c.error;
            EXPECT_EQ(local.thrown(), tracing ? std::nullopt : std::optional<std::string>(c.error)) << c.error;
            EXPECT_EQ(local.calls(status), (Calls{"setStatus(false)", "setOSString()"})) << c.error;
        }
    }
    jnihost::Vm local;
    auto data = of_kind(4);
    data.binary_data = 1;
    jobject status = local.status(true);
    jobject classless = local.registry_data(data);
    jnihost::StdoutCapture out;
    local.without_class(classless);
    local.call(set_value, local.str("HKEY_CURRENT_USER"), local.str(sub_key), local.str("v"), classless, status,
               local.str(node));
    std::string trace = out.finish();
    EXPECT_THAT(trace, testing::HasSubstr("Retrieving class reference for regKeyData\n\nclass not found\n\n"));
    EXPECT_EQ(local.calls(status), (Calls{"setStatus(false)", "setOSString()"}));
    EXPECT_FALSE(key_exists(sub_key));
}

TEST_F(Registry, GetDeliversEachKindAsTheObjectAsks) {
    write_directly("text", REG_SZ, {'1', '2', '3', '4', 0});
    write_directly("multi", REG_MULTI_SZ, {'x', 0, 'y', 0, 0});
    write_directly("number", REG_DWORD, {0xff, 0xff, 0xff, 0xff});
    write_directly("byte", REG_BINARY, {0xab, 0x01});
    struct Case {
        const char* value;
        int kind;
        std::string delivered;
    };
    const Case cases[] = {
        {"text", 1, "setData(String:1234)"},
        {"text", 3, "setData(Integer:875770417)"},
        {"number", 3, "setData(Integer:-1)"},
        {"byte", 4, "setData(Byte:-85)"},
        {"multi", 2, "processString(x\ny\n,2)"},
        {"multi", 1, "setData(String:x)"},
    };
    for (const Case& c : cases) {
        jobject status = vm.status();
        jobject data = vm.registry_data(of_kind(c.kind));
        vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str(c.value), data, status,
                vm.str(node));
        EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"})) << c.value << " " << c.kind;
        EXPECT_EQ(vm.calls(data), (Calls{c.delivered})) << c.value << " " << c.kind;
    }
}

TEST_F(Registry, GetStringTracesEveryStep) {
    write_directly("text", REG_SZ, {'a', 'b', 0});
    jobject status = vm.status(true);
    jobject data = vm.registry_data(of_kind(1));
    jnihost::StdoutCapture out;
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("text"), data, status, vm.str(node));
    EXPECT_EQ(out.finish(), "\n Native Function Inside RegGetDataObject HKEY_CURRENT_USER text " + sub_key + " " +
                                node + " \n\n"
                                "\nInitializeSecurity is successful\n\n"
                                "Connected to registry\n\n"
                                "\nOpened registry key 2\nThe data=ab size=3 type=1\n"
                                "Setting data in RegistryKeyData object\n\n"
                                "Getting reference to method getDataType\n\n"
                                "Calling GetDataTpe()\n"
                                "\n Native Function: Inside RegGetDataObject HKEY_CURRENT_USER " + sub_key +
                                " : data type is STRING\n\n\n"
                                "RegGetDataObject is executed successfully\n\n");
    EXPECT_EQ(vm.calls(data), (Calls{"setData(String:ab)"}));
}

TEST_F(Registry, GetOfShortValuesReadsZerosNeverStaleBytes) {
    write_directly("one byte", REG_BINARY, {0x07});
    write_directly("no nul", REG_BINARY, {'a', 'b', 'c'});
    write_directly("empty", REG_MULTI_SZ, {});
    write_directly("nothing", REG_BINARY, {});
    // A long value first, so that a reused buffer would show its bytes.
    write_directly("long", REG_BINARY, std::vector<unsigned char>(64, 'z'));
    struct Case {
        const char* value;
        int kind;
        std::string delivered;
    };
    const Case cases[] = {
        {"long", 1, "setData(String:" + std::string(64, 'z') + ")"},
        {"one byte", 3, "setData(Integer:7)"},
        {"no nul", 1, "setData(String:abc)"},
        {"empty", 2, "processString(,2)"},
        {"nothing", 4, "setData(Byte:0)"},
        {"nothing", 3, "setData(Integer:0)"},
    };
    for (const Case& c : cases) {
        jobject status = vm.status();
        jobject data = vm.registry_data(of_kind(c.kind));
        vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str(c.value), data, status,
                vm.str(node));
        EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"})) << c.value;
        EXPECT_EQ(vm.calls(data), (Calls{c.delivered})) << c.value;
    }
}

TEST_F(Registry, GetFailures) {
    write_directly("big", REG_BINARY, std::vector<unsigned char>(10241, 1));
    write_directly("fits", REG_BINARY, std::vector<unsigned char>(10240, 1));
    write_directly("multi", REG_MULTI_SZ, {'x', 0, 0});
    jobject status = vm.status();

    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("big"), vm.registry_data(of_kind(4)),
            status, vm.str(node));
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("fits"), vm.registry_data(of_kind(4)),
            status, vm.str(node));
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("absent"), vm.registry_data(of_kind(1)),
            status, vm.str(node));
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key + "\\none"), vm.str("x"),
            vm.registry_data(of_kind(1)), status, vm.str(node));
    auto refusing = of_kind(2);
    refusing.process_string_answer = false;
    jobject refused = vm.registry_data(refusing);
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("multi"), refused, status, vm.str(node));
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("multi"), vm.registry_data(of_kind(8)),
            status, vm.str(node));
    jobject classless = vm.registry_data(of_kind(1));
    vm.without_class(classless);
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("multi"), classless, status,
            vm.str(node));
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("multi"), vm.registry_data(of_kind(1)),
            status, nullptr);
    EXPECT_EQ(vm.calls(status),
              (Calls{"setStatus(false)", failure(ERROR_MORE_DATA), "setStatus(true)", "setStatus(false)", failure(2),
                     "setStatus(false)", failure(2), "setStatus(false)", "setOSString()", "setStatus(false)",
                     "setOSString()", "setStatus(false)",
                     "setOSString(REGISTRY_NATIVE_ERROR: RegistryKeyData class not found)", "setStatus(false)",
                     "setOSString()"}));
    EXPECT_EQ(vm.calls(refused), (Calls{"processString(x\n,2)"}));
}

TEST_F(Registry, GetWithMissingMembersFailsWithAnEmptyText) {
    write_directly("v", REG_SZ, {'1', 0});
    struct Case {
        int kind;
        const char* remove_from_data;
        const char* remove_class;
        const char* remove_constructor_of;
        const char* error;
    };
    const Case cases[] = {
        {1, "getDataType", nullptr, nullptr, "java/lang/NoSuchMethodError: getDataType"},
        {1, "INTEGER_TYPE", nullptr, nullptr, "java/lang/NoSuchFieldError: INTEGER_TYPE"},
        {1, "setData(Ljava/lang/String;)V", nullptr, nullptr, "java/lang/NoSuchMethodError: setData"},
        {3, "setData(Ljava/lang/Integer;)V", nullptr, nullptr, "java/lang/NoSuchMethodError: setData"},
        {4, "setData(Ljava/lang/Byte;)V", nullptr, nullptr, "java/lang/NoSuchMethodError: setData"},
        {2, "processString", nullptr, nullptr, "java/lang/NoSuchMethodError: processString"},
        {3, nullptr, "java/lang/Integer", nullptr, "java/lang/NoClassDefFoundError: java/lang/Integer"},
        {4, nullptr, "java/lang/Byte", nullptr, "java/lang/NoClassDefFoundError: java/lang/Byte"},
        {3, nullptr, nullptr, "java/lang/Integer", "java/lang/NoSuchMethodError: <init>"},
        {4, nullptr, nullptr, "java/lang/Byte", "java/lang/NoSuchMethodError: <init>"},
    };
    for (const Case& c : cases) {
        for (bool tracing : {true, false}) {
            jnihost::Vm local;
            jobject data = local.registry_data(of_kind(c.kind));
            if (c.remove_from_data) local.remove_member(data, c.remove_from_data);
            if (c.remove_class) local.remove_class(c.remove_class);
            if (c.remove_constructor_of) local.remove_member(c.remove_constructor_of, "<init>");
            jobject status = local.status(tracing);
            local.call(get_value, local.str("HKEY_CURRENT_USER"), local.str(sub_key), local.str("v"), data, status,
                       local.str(node));
            EXPECT_EQ(local.described(), tracing ? 1 : 0) << c.error;
            EXPECT_EQ(local.thrown(), tracing ? std::nullopt : std::optional<std::string>(c.error)) << c.error;
            EXPECT_EQ(local.calls(status), (Calls{"setStatus(false)", "setOSString()"})) << c.error;
            EXPECT_TRUE(local.calls(data).empty()) << c.error;
        }
    }
}

// Every call into the data object may throw: the operation then fails with
// the status calls, and the exception is described (tracing on) or reaches
// the caller (tracing off). No JNI call runs with it pending.
TEST_F(Registry, ThrowingCallbacksFailTheOperation) {
    write_directly("s", REG_SZ, {'1', 0});
    write_directly("m", REG_MULTI_SZ, {'a', 0, 0});
    write_directly("b", REG_BINARY, {7});
    struct Case {
        bool set;
        int kind;
        const char* value;
        const char* thrower;
    };
    const Case cases[] = {
        {true, 1, "s", "getDataType"},       {true, 1, "s", "getStringData"},
        {true, 2, "s", "getStringArrayData"}, {true, 3, "s", "getStringIntegerData"},
        {true, 4, "s", "getBinaryData"},     {true, 4, "s", "byteValue"},
        {false, 1, "s", "getDataType"},      {false, 1, "s", "setData"},
        {false, 3, "s", "setData"},          {false, 4, "b", "setData"},
        {false, 4, "b", "<init>"},           {false, 2, "m", "processString"},
    };
    for (const Case& c : cases) {
        for (bool tracing : {true, false}) {
            jnihost::Vm local;
            local.throw_from(c.thrower);
            auto kind = of_kind(c.kind);
            kind.string_data = "1";
            kind.array_data = std::vector<std::optional<std::string>>{"a"};
            kind.binary_data = 1;
            jobject data = local.registry_data(kind);
            jobject status = local.status(tracing);
            local.call(c.set ? set_value : get_value, local.str("HKEY_CURRENT_USER"), local.str(sub_key),
                       local.str(c.set ? "new" : c.value), data, status, local.str(node));
            const std::string what = std::string(c.set ? "set " : "get ") + c.thrower;
            EXPECT_EQ(local.calls(status), (Calls{"setStatus(false)", "setOSString()"})) << what;
            EXPECT_EQ(local.described(), tracing ? 1 : 0) << what;
            EXPECT_EQ(local.thrown(), tracing ? std::nullopt
                                              : std::optional<std::string>("java/lang/RuntimeException: thrown by " +
                                                                           std::string(c.thrower)))
                << what;
        }
    }
    EXPECT_EQ(read_directly("new").result, ERROR_FILE_NOT_FOUND);
}

// The status object's own exception is the last word: it reaches the caller.
TEST_F(Registry, StatusThrowingOnSuccessReachesTheCaller) {
    jnihost::Vm local;
    local.throw_from("setStatus");
    jobject status = local.status(false);
    local.call(create, local.str("HKEY_CURRENT_USER"), local.str(sub_key), status, local.str(node));
    EXPECT_TRUE(key_exists(sub_key));
    EXPECT_EQ(local.thrown(), "java/lang/RuntimeException: thrown by setStatus");
}

TEST_F(Registry, NewStringFailuresFailWithAnEmptyText) {
    write_directly("s", REG_SZ, {'a', 0});
    write_directly("m", REG_MULTI_SZ, {'a', 0, 0});
    jobject status = vm.status(true);
    jnihost::StdoutCapture out;
    vm.fail_new_string_after(0);
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("s"), vm.registry_data(of_kind(1)), status,
            vm.str(node));
    vm.fail_new_string_after(0);
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), vm.str(sub_key), vm.str("m"), vm.registry_data(of_kind(2)), status,
            vm.str(node));
    std::string trace = out.finish();
    EXPECT_THAT(trace, testing::HasSubstr("Error creating String object\n\n"));
    EXPECT_THAT(trace, testing::HasSubstr("Error constructing String object\n\n"));
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(false)", "setOSString()", "setStatus(false)", "setOSString()"}));
}

}  // namespace
