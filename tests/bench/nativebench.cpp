// Native call rate: RegKeyExists and getFreeSpace of velnodm10 called through
// the JNI host, against the same Windows calls made directly, in loops.
//   nativebench <calls per loop> <runs> <result file> <directory>
// Result lines: "<regkeyexists_jni|regkeyexists_direct|getfreespace_jni|
// getfreespace_direct> <calls per second>", or "missing <export>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/unique_resource.h"
#include "tests/jnihost/jnihost.h"

namespace {

using RegKeyExistsFn = decltype(&Java_velmor_ops_mgmt_nativesystem_WindowsNative_RegKeyExists);
using GetFreeSpaceFn = decltype(&Java_velmor_ops_mgmt_nativesystem_WindowsNative_getFreeSpace);

// The export under its plain or its stdcall-decorated name; nullptr when absent.
template <typename Fn>
Fn find_export(const char* method, int arg_bytes) {
    const std::string plain = std::string("Java_velmor_ops_mgmt_nativesystem_WindowsNative_") + method;
    HMODULE module = jnihost::library().module();
    FARPROC found = GetProcAddress(module, plain.c_str());
    if (!found) found = GetProcAddress(module, (plain + "@" + std::to_string(arg_bytes)).c_str());
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(found));
}

double now_seconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What RegKeyExists asks of Windows for one answer, called directly.
bool key_exists_direct(const char* node, const char* sub_key) {
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return true;
    vel::unique_hkey root;
    if (RegConnectRegistryA(node, HKEY_LOCAL_MACHINE, root.put()) != ERROR_SUCCESS) return true;
    vel::unique_hkey key;
    const LONG opened = RegOpenKeyExA(root.get(), sub_key, 0, KEY_READ, key.put());
    if (key) RegFlushKey(key.get());
    RegFlushKey(root.get());
    return opened != ERROR_FILE_NOT_FOUND;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    const int calls = std::atoi(argv[1]);
    const int runs = std::atoi(argv[2]);
    const std::string directory = argv[4];
    vel::unique_stdio out(std::fopen(argv[3], "w"));
    if (!out) return 3;

    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD computer_length = sizeof computer;
    if (!GetComputerNameA(computer, &computer_length)) return 3;
    const char* sub_key = "Software";

    const auto key_exists = find_export<RegKeyExistsFn>("RegKeyExists", 24);
    const auto free_space = find_export<GetFreeSpaceFn>("getFreeSpace", 12);
    if (!key_exists) std::fprintf(out.get(), "missing RegKeyExists\n");
    if (!free_space) std::fprintf(out.get(), "missing getFreeSpace\n");

    for (int run = 0; run < runs; ++run) {
        jnihost::Vm vm;
        // Which loop goes first alternates, so neither always meets the warmer caches.
        const bool jni_first = run % 2 == 0;
        if (key_exists) {
            jstring root = vm.str("HKEY_LOCAL_MACHINE"), key = vm.str(sub_key), node = vm.str(computer);
            jobject status = vm.status();
            double jni = 0, direct = 0;
            for (int side = 0; side < 2; ++side) {
                const double start = now_seconds();
                if ((side == 0) == jni_first) {
                    for (int i = 0; i < calls; ++i) vm.call(key_exists, root, key, status, node);
                    jni = calls / (now_seconds() - start);
                } else {
                    for (int i = 0; i < calls; ++i) key_exists_direct(computer, sub_key);
                    direct = calls / (now_seconds() - start);
                }
            }
            std::fprintf(out.get(), "regkeyexists_jni %.1f\nregkeyexists_direct %.1f\n", jni, direct);
        }
        if (free_space) {
            jstring path = vm.str(directory);
            double jni = 0, direct = 0;
            for (int side = 0; side < 2; ++side) {
                const double start = now_seconds();
                if ((side == 0) == jni_first) {
                    for (int i = 0; i < calls; ++i) vm.call(free_space, path);
                    jni = calls / (now_seconds() - start);
                } else {
                    for (int i = 0; i < calls; ++i) {
                        ULARGE_INTEGER available, total, free;
                        GetDiskFreeSpaceExA(directory.c_str(), &available, &total, &free);
                    }
                    direct = calls / (now_seconds() - start);
                }
            }
            std::fprintf(out.get(), "getfreespace_jni %.1f\ngetfreespace_direct %.1f\n", jni, direct);
        }
    }
    return std::fclose(out.release()) == 0 ? 0 : 3;
}
