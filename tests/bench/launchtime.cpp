// Times whole process runs from inside Windows, so that both sides of a
// comparison pay the same process start: the command lines in VEL_BENCH_A and
// VEL_BENCH_B are run alternately, `runs` times each, in VEL_BENCH_DIR.
// Writes "a <ms> <exit code>" and "b <ms> <exit code>" per run to the file
// named second (the console belongs to the programs measured).
//   launchtime <runs> <result file>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/unique_resource.h"

namespace {

std::string environment(const char* name) {
    std::string value(32768, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    value.resize(length < value.size() ? length : 0);
    return value;
}

// Milliseconds of one run, its exit code in `code`; negative when it cannot start.
double run_once(std::string command, const std::string& directory, DWORD& code) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        code = GetLastError();
        return -1;
    }
    vel::unique_handle thread(info.hThread);
    vel::unique_handle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    QueryPerformanceCounter(&end);
    GetExitCodeProcess(process.get(), &code);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string a = environment("VEL_BENCH_A");
    const std::string b = environment("VEL_BENCH_B");
    const std::string directory = environment("VEL_BENCH_DIR");
    if (argc < 3 || a.empty() || b.empty()) return 2;
    const int runs = std::atoi(argv[1]);
    vel::unique_stdio out(std::fopen(argv[2], "w"));
    if (!out) return 3;
    for (int i = 0; i < runs; ++i) {
        // Alternate which side goes first, so neither always finds the caches warmer.
        for (int side = 0; side < 2; ++side) {
            const bool run_a = (i % 2 == 0) == (side == 0);
            DWORD code = 0;
            const double ms = run_once(run_a ? a : b, directory, code);
            std::fprintf(out.get(), "%c %.3f %lu\n", run_a ? 'a' : 'b', ms, static_cast<unsigned long>(code));
        }
    }
    return std::fclose(out.release()) == 0 ? 0 : 3;
}
