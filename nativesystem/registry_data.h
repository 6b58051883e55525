// Registry names and value layouts, apart from the registry itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nativesystem {

enum class RegistryRoot { local_machine, current_user, users, classes_root };

// The four root-key names, compared without regard to case.
std::optional<RegistryRoot> registry_root_named(std::string_view name);

// Values are read into a buffer of this size; larger ones fail with error 234.
inline constexpr std::size_t kRegistryReadBufferSize = 10240;

// REG_MULTI_SZ bytes: each element and its NUL, then two more NULs.
std::vector<char> pack_multi_string(const std::vector<std::string>& elements);

// The multi-string handed to Java: characters 0 .. size-2 with each NUL turned
// into a line feed (the final one is dropped); empty for values of fewer than
// 2 characters. Bytes of the ANSI code page or UTF-16 units alike.
template <typename Char>
std::basic_string<Char> multi_string_text(const Char* data, std::size_t size) {
    std::basic_string<Char> text;
    if (size < 2) return text;
    text.assign(data, size - 1);
    for (Char& c : text) {
        if (c == Char('\0')) c = Char('\n');
    }
    return text;
}

// Decimal text as atoi reads it: leading white space, an optional sign, digits
// up to the first non-digit; no digits gives 0. Out-of-range values wrap
// instead of overflowing.
std::int32_t decimal_text_value(std::string_view text);

// Little-endian 32-bit value of the first four bytes.
std::int32_t little_endian_int32(const char* data);

}  // namespace nativesystem
