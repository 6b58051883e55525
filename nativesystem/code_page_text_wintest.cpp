// Text beyond ASCII through the exports: what Java passes must name the same
// file, key and value for every other program, which sees them in UTF-16, and
// what comes back from Windows must reach Java as the same characters. The
// names suit the process's ANSI code page (German or Japanese), so the test bed
// runs this file in both; a character the code page lacks must fail the call.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "nativesystem/jni_frame.h"
#include "tests/jnihost/jnihost.h"

namespace {

using Calls = std::vector<std::string>;

struct Names {
    std::wstring directory;
    std::wstring file;
    std::wstring key;
    std::wstring value;
    std::wstring data;
    std::wstring second_data;
    // A name whose best fit in the code page is "..\..\keep".
    std::wstring escaping;
    // A service name; in 932 the second byte of U+30DD is '|'.
    std::wstring dependency;
};

constexpr UINT japanese_code_page = 932;

Names names_for_code_page() {
    if (GetACP() == japanese_code_page) {
        // The second byte of U+8868 in code page 932 is a backslash.
        return {L"\u8868\u793a\u306e\u30d5\u30a9\u30eb\u30c0", L"\u8cc7\u6599.txt", L"\u8a2d\u5b9a",
                L"\u5024", L"\u3053\u3093\u306b\u3061\u306f", L"\u4e16\u754c", L"..\u00a5..\u00a5keep",
                L"\u30dd\u30fc\u30c8"};
    }
    return {L"M\u00fcller Daten", L"Gr\u00f6\u00dfe.txt", L"Einstellungen \u00c4", L"\u00d6l", L"Gr\u00fc\u00dfe",
            L"\u00e9t\u00e9 \u20ac", L"..\uff3c..\uff3ckeep", L"Gr\u00fc\u00dfe"};
}

// No ANSI code page of German or Japanese Windows holds it; 1252 would turn it into L.
const std::wstring lacking = L"\u0141\u00f3d\u017a";

std::string utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

using jnihost::system_text;

bool is_directory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void write_file(const std::wstring& path, const std::string& content) {
    SCOPED_TRACE("write_file " + utf8(path));
    vel::unique_file file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr))
        << GetLastError();
    ASSERT_EQ(written, content.size());
}

std::string read_file(const std::wstring& path) {
    vel::unique_file file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "(missing)";
    char buffer[256];
    DWORD read = 0;
    ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr);
    return std::string(buffer, read);
}

// Removes what a run left, whatever it was named.
void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    vel::unique_find listing(FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (listing) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(listing.get(), &entry));
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring query_text(const std::wstring& key, const std::wstring& value, DWORD& type) {
    std::vector<wchar_t> data(512, L'\0');
    DWORD size = static_cast<DWORD>((data.size() - 2) * sizeof(wchar_t));
    vel::unique_hkey handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, handle.put()) != ERROR_SUCCESS ||
        RegQueryValueExW(handle.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS) {
        return L"(missing)";
    }
    return std::wstring(data.data(), size / sizeof(wchar_t));
}

class CodePageText : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        ASSERT_GT(length, 0u);
        base = std::wstring(temp, length) + L"VelCodePageText";
        clear();
        ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr)) << GetLastError();
        key = L"Software\\VelCodePageTextTest\\" + names.key;
    }
    void TearDown() override {
        clear();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelCodePageTextTest");
    }
    void clear() { remove_tree(base); }
    jstring java(const std::wstring& text) { return vm.str(utf8(text)); }

    Names names = names_for_code_page();
    std::wstring base;
    std::wstring key;
    jnihost::Vm vm;
    jnihost::Library& lib = jnihost::library();
};

TEST(CodePageConversion, RefusesWhatTheCodePageLacksAndKeepsTheRest) {
    // A run in another language names the code page it must have.
    if (const char* expected = std::getenv("VEL_EXPECT_CODE_PAGE")) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
    }
    const Names names = names_for_code_page();
    std::string ansi;
    const std::wstring data = names.data;
    ASSERT_EQ(nativesystem::ansi_from_utf16(reinterpret_cast<const jchar*>(data.data()),
                                            static_cast<jsize>(data.size()), ansi),
              0u);
    std::vector<wchar_t> back(data.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), back.data(),
                        static_cast<int>(back.size()));
    EXPECT_EQ(std::wstring(back.data()), data);

    const std::wstring refused[] = {lacking, std::wstring(L"a\0b", 3), std::wstring(1, wchar_t(0xd800)) + L"x"};
    for (const std::wstring& text : refused) {
        EXPECT_EQ(nativesystem::ansi_from_utf16(reinterpret_cast<const jchar*>(text.data()),
                                                static_cast<jsize>(text.size()), ansi),
                  static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION))
            << utf8(text);
    }
}

TEST_F(CodePageText, FilesAndDirectoriesKeepTheirNames) {
    auto create_dir = JNIHOST_EXPORT(lib, createDirCluster);
    auto copy = JNIHOST_EXPORT(lib, copyFileCluster);
    auto dir_exists = JNIHOST_EXPORT(lib, dirExists);

    const std::wstring directory = base + L"\\" + names.directory;
    EXPECT_EQ(vm.text(vm.call(create_dir, java(directory))), "1| ");
    EXPECT_TRUE(is_directory(directory));
    jobject status = vm.status();
    EXPECT_TRUE(vm.call(dir_exists, java(directory), status));

    const std::wstring source = base + L"\\" + names.file;
    const std::wstring target = directory + L"\\" + names.file;
    write_file(source, "content");
    EXPECT_EQ(vm.text(vm.call(copy, java(source), java(target))), "1| ");
    EXPECT_EQ(read_file(target), "content");

    // Never a look-alike: neither the name asked for nor its best fit appears.
    EXPECT_EQ(vm.text(vm.call(create_dir, java(base + L"\\" + lacking))),
              "0|" + system_text(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_FALSE(exists(base + L"\\" + lacking));
    EXPECT_FALSE(exists(base + L"\\Lodz"));
    EXPECT_EQ(vm.text(vm.call(copy, java(source), java(base + L"\\" + lacking + L".txt"))),
              "0|" + system_text(ERROR_NO_UNICODE_TRANSLATION));
    jobject refused = vm.status();
    EXPECT_FALSE(vm.call(dir_exists, java(base + L"\\" + lacking), refused));
    EXPECT_EQ(vm.calls(refused), (Calls{"setStatus(false)", "setOSString(" +
                                                                system_text(ERROR_NO_UNICODE_TRANSLATION) + ")"}));

    // A system message on its way back: the missing file's text in the user's language.
    EXPECT_EQ(vm.text(vm.call(copy, java(base + L"\\" + names.value), java(target))),
              "0|" + system_text(ERROR_FILE_NOT_FOUND));
}

TEST_F(CodePageText, TreeRemovalActsOnTheNamesOnDisk) {
    auto remove_tree = JNIHOST_EXPORT(lib, removeDirRecurseCluster);
    // Listed through the code page, the escaping entry reads "..\..\keep":
    // the directory beside the tree's parent.
    const std::wstring outside = base + L"\\keep";
    const std::wstring tree = base + L"\\outer\\tree";
    for (const std::wstring& directory : {outside, base + L"\\outer", tree, tree + L"\\" + names.escaping}) {
        ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr)) << utf8(directory) << " " << GetLastError();
    }
    write_file(outside + L"\\precious.txt", "kept");
    write_file(tree + L"\\" + names.escaping + L"\\inner.txt", "x");
    write_file(tree + L"\\" + lacking + L".txt", "x");

    EXPECT_EQ(vm.text(vm.call(remove_tree, java(tree))), "1| ");
    EXPECT_FALSE(exists(tree));
    EXPECT_EQ(read_file(outside + L"\\precious.txt"), "kept");
}

TEST_F(CodePageText, ServiceDependencyIsSplitAtTheBarOnly) {
    auto create = JNIHOST_EXPORT(lib, ntCreateServiceAdvanced);
    auto depend = JNIHOST_EXPORT(lib, ntCreateServiceDep);
    auto remove = JNIHOST_EXPORT(lib, ntDeleteService);
    const std::wstring name = L"VelCodePageTextService";
    vm.call(remove, java(name), vm.str("localnode"));
    ASSERT_EQ(vm.text(vm.call(create, vm.str("C:\\none.exe"), java(name), 0, 0, 0, 0, nullptr, nullptr, nullptr, 0,
                              nullptr, vm.str("localnode"))),
              "1| ");
    EXPECT_EQ(vm.text(vm.call(depend, java(name), java(names.dependency + L"|other"), vm.str("localnode"))), "1| ");

    std::vector<wchar_t> list(64, L'\0');
    DWORD size = static_cast<DWORD>((list.size() - 1) * sizeof(wchar_t));
    vel::unique_hkey service;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"System\\CurrentControlSet\\Services\\" + name).c_str(), 0,
                            KEY_QUERY_VALUE, service.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(service.get(), L"DependOnService", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(list.data()), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(list.data()), names.dependency);
    EXPECT_EQ(vm.text(vm.call(remove, java(name), vm.str("localnode"))), "1| ");
}

TEST_F(CodePageText, RegistryTextReadsTheSameEverywhere) {
    auto set_value = JNIHOST_EXPORT(lib, RegSetValueDataObject);
    auto get_value = JNIHOST_EXPORT(lib, RegGetDataObject);
    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD computer_size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &computer_size));
    const std::string node(computer, computer_size);

    jnihost::RegistryData text;
    text.string_data = utf8(names.data);
    jobject status = vm.status();
    vm.call(set_value, vm.str("HKEY_CURRENT_USER"), java(key), java(names.value), vm.registry_data(text), status,
            vm.str(node));
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"}));
    DWORD type = REG_NONE;
    EXPECT_EQ(query_text(key, names.value, type), names.data + L'\0');
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    jnihost::RegistryData array;
    array.kind = 2;
    array.array_data = std::vector<std::optional<std::string>>{utf8(names.data), utf8(names.second_data)};
    status = vm.status();
    vm.call(set_value, vm.str("HKEY_CURRENT_USER"), java(key), java(names.file), vm.registry_data(array), status,
            vm.str(node));
    EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"}));
    // Each element ends in a NUL, then two more NULs follow.
    EXPECT_EQ(query_text(key, names.file, type), names.data + L'\0' + names.second_data + std::wstring(3, L'\0'));

    jobject read = vm.registry_data(jnihost::RegistryData{});
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), java(key), java(names.value), read, vm.status(), vm.str(node));
    EXPECT_EQ(vm.calls(read), (Calls{"setData(String:" + utf8(names.data) + ")"}));
    read = vm.registry_data(array);
    vm.call(get_value, vm.str("HKEY_CURRENT_USER"), java(key), java(names.file), read, vm.status(), vm.str(node));
    EXPECT_EQ(vm.calls(read),
              (Calls{"processString(" + utf8(names.data) + "\n" + utf8(names.second_data) + "\n\n,2)"}));

    // A lacking character fails in the value name, the key and the data alike, before the registry is touched.
    jnihost::RegistryData lacking_data;
    lacking_data.string_data = utf8(lacking);
    const std::string refused = "setOSString(" + system_text(ERROR_NO_UNICODE_TRANSLATION) + ")";
    const std::wstring other_key = key + L"-2";
    struct Case {
        std::wstring key;
        std::wstring value;
        jnihost::RegistryData data;
    } cases[] = {{other_key, lacking, text},
                 {other_key + L"\\" + lacking, L"v", text},
                 {other_key, L"v", lacking_data}};
    for (const Case& c : cases) {
        status = vm.status();
        vm.call(set_value, vm.str("HKEY_CURRENT_USER"), java(c.key), java(c.value), vm.registry_data(c.data), status,
                vm.str(node));
        EXPECT_EQ(vm.calls(status), (Calls{"setStatus(false)", refused})) << utf8(c.key) << " " << utf8(c.value);
    }
    vel::unique_hkey untouched;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, other_key.c_str(), 0, KEY_READ, untouched.put()), ERROR_SUCCESS);

    // Written by another program with characters the code page lacks: read
    // back as stored, never as look-alikes.
    vel::unique_hkey written;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, written.put()), ERROR_SUCCESS);
    const struct {
        const wchar_t* name;
        DWORD type;
        std::wstring stored;
        jnihost::RegistryData asked;
        std::string delivered;
    } wide_cases[] = {
        {L"wide", REG_SZ, lacking + L'\0', text, "setData(String:" + utf8(lacking) + ")"},
        {L"wide_expand", REG_EXPAND_SZ, L"%TEMP%\\" + lacking + L'\0', text,
         "setData(String:%TEMP%\\" + utf8(lacking) + ")"},
        {L"wide_multi", REG_MULTI_SZ, lacking + L'\0' + names.data + L'\0' + L'\0', array,
         "processString(" + utf8(lacking) + "\n" + utf8(names.data) + "\n,2)"},
    };
    for (const auto& c : wide_cases) {
        ASSERT_EQ(RegSetValueExW(written.get(), c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.stored.data()),
                                 static_cast<DWORD>(c.stored.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        read = vm.registry_data(c.asked);
        status = vm.status();
        vm.call(get_value, vm.str("HKEY_CURRENT_USER"), java(key), java(c.name), read, status, vm.str(node));
        EXPECT_EQ(vm.calls(status), (Calls{"setStatus(true)"})) << utf8(c.name);
        EXPECT_EQ(vm.calls(read), (Calls{c.delivered})) << utf8(c.name);
    }
}

TEST_F(CodePageText, EnvironmentValuesReachJavaAsTheirCharacters) {
    auto get_environment = JNIHOST_EXPORT(lib, getEnvironment);
    std::string ansi;
    ASSERT_EQ(nativesystem::ansi_from_utf16(reinterpret_cast<const jchar*>(names.data.data()),
                                            static_cast<jsize>(names.data.size()), ansi),
              0u);
    ASSERT_EQ(_putenv(("VEL_CODE_PAGE_TEXT=" + ansi).c_str()), 0);
    EXPECT_EQ(vm.text(vm.call(get_environment, vm.str("VEL_CODE_PAGE_TEXT"))), "1|" + utf8(names.data) + "@Success");
    EXPECT_EQ(vm.text(vm.call(get_environment, java(lacking))), "0|Failure");
    EXPECT_EQ(_putenv("VEL_CODE_PAGE_TEXT="), 0);

    // A value the code page cannot hold arrives as set, not as its look-alike.
    ASSERT_TRUE(SetEnvironmentVariableW(L"VEL_CODE_PAGE_TEXT", lacking.c_str())) << GetLastError();
    EXPECT_EQ(vm.text(vm.call(get_environment, vm.str("VEL_CODE_PAGE_TEXT"))), "1|" + utf8(lacking) + "@Success");
    // Longer than a first read takes.
    const std::wstring long_value(1000, L'\u00e9');
    ASSERT_TRUE(SetEnvironmentVariableW(L"VEL_CODE_PAGE_TEXT", long_value.c_str())) << GetLastError();
    EXPECT_EQ(vm.text(vm.call(get_environment, vm.str("VEL_CODE_PAGE_TEXT"))), "1|" + utf8(long_value) + "@Success");
    SetEnvironmentVariableW(L"VEL_CODE_PAGE_TEXT", nullptr);
}

}  // namespace
