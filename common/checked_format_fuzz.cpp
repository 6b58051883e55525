// Any format text with a mixed set of arguments: formatting must stay within
// what it was given, whatever conversions the text holds.
#include "common/checked_format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view format(reinterpret_cast<const char*>(data), size);
    std::string out = vel::format_checked(format, {"text", 42, -7LL, 3u, 2.5, std::string_view("a\0b", 3)});
    // Every byte of the output comes from the format, an argument or a padding field.
    if (out.size() > size * (vel::kMaxFieldWidth + 64) + 64) __builtin_trap();
    return 0;
}
