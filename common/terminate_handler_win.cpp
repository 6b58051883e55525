// The deliverables' handler of an exception that nothing catches. It replaces
// the C++ runtime's default one, which prints the same lines but demangles
// the exception's type name first: the demangler alone is about 46 KB of
// every binary. The type name is printed as the compiler records it
// ("St9bad_alloc" for std::bad_alloc).
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    static bool terminating = false;
    if (terminating) {
        std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type == nullptr) {
        std::fputs("terminate called without an active exception\n", stderr);
        std::abort();
    }
    const char* name = type->name();
    if (*name == '*') ++name;  // the runtime's mark of a type local to one file
    std::fprintf(stderr, "terminate called after throwing an instance of '%s'\n", name);
    try {
        throw;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "  what():  %s\n", error.what());
    } catch (...) {
    }
    std::abort();
}

}  // namespace __gnu_cxx
