// Timing of the main flow's phases, for the benchmark's build of setup only
// (tests/bench): without VEL_PHASE_TIMES, as in the released program, every
// mark and scope compiles to nothing.
#pragma once

namespace launcher {

#ifdef VEL_PHASE_TIMES
// The first phase begins here.
void phase_start();
// Ends the phase running since the previous mark and names it.
void phase_mark(const char* phase);

// Time spent inside is counted for `phase`, not for the phase around it.
class PhaseScope {
public:
    explicit PhaseScope(const char* phase);
    ~PhaseScope();
    PhaseScope(const PhaseScope&) = delete;
    PhaseScope& operator=(const PhaseScope&) = delete;

private:
    const char* phase_;
    long long start_;
};
#else
inline void phase_start() {}
inline void phase_mark(const char*) {}

class PhaseScope {
public:
    explicit PhaseScope(const char*) {}
};
#endif

}  // namespace launcher
