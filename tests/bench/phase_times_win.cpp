// Phase times of setup_phases.exe: each phase's milliseconds, nested scopes
// taken out of the phase around them, appended as one line per run to the
// file named by VEL_PHASE_FILE when the process ends:
//   <phase>=<ms>;<phase>=<ms>;...
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "launcher/phase_times.h"

namespace launcher {

namespace {

std::vector<std::pair<std::string, double>> phases;
long long last_mark = 0;
long long nested_since_mark = 0;

long long now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double milliseconds(long long ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

void add(const std::string& phase, double ms) {
    for (auto& [name, total] : phases) {
        if (name == phase) {
            total += ms;
            return;
        }
    }
    phases.emplace_back(phase, ms);
}

void write_phases() {
    const char* file_name = std::getenv("VEL_PHASE_FILE");
    if (!file_name) return;
    std::FILE* file = std::fopen(file_name, "a");
    if (!file) return;
    for (const auto& [name, ms] : phases) std::fprintf(file, "%s=%.3f;", name.c_str(), ms);
    std::fputc('\n', file);
    std::fclose(file);
}

void start_if_needed() {
    if (last_mark != 0) return;
    last_mark = now();
    std::atexit(write_phases);
}

}  // namespace

void phase_start() {
    start_if_needed();
    last_mark = now();
    nested_since_mark = 0;
}

void phase_mark(const char* phase) {
    start_if_needed();
    const long long at = now();
    add(phase, milliseconds(at - last_mark - nested_since_mark));
    last_mark = at;
    nested_since_mark = 0;
}

PhaseScope::PhaseScope(const char* phase) : phase_(phase), start_(now()) { start_if_needed(); }

PhaseScope::~PhaseScope() {
    const long long spent = now() - start_;
    add(phase_, milliseconds(spent));
    nested_since_mark += spent;
}

}  // namespace launcher
