#include "nativesystem/registry_data.h"

#include <cctype>

namespace nativesystem {

namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

std::optional<RegistryRoot> registry_root_named(std::string_view name) {
    struct Entry {
        std::string_view name;
        RegistryRoot root;
    };
    static constexpr Entry roots[] = {
        {"HKEY_LOCAL_MACHINE", RegistryRoot::local_machine},
        {"HKEY_CURRENT_USER", RegistryRoot::current_user},
        {"HKEY_USERS", RegistryRoot::users},
        {"HKEY_CLASSES_ROOT", RegistryRoot::classes_root},
    };
    for (const auto& entry : roots) {
        if (same_ignoring_case(name, entry.name)) return entry.root;
    }
    return std::nullopt;
}

std::vector<char> pack_multi_string(const std::vector<std::string>& elements) {
    std::vector<char> bytes;
    for (const auto& element : elements) {
        bytes.insert(bytes.end(), element.begin(), element.end());
        bytes.push_back('\0');
    }
    bytes.push_back('\0');
    bytes.push_back('\0');
    return bytes;
}

std::int32_t decimal_text_value(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::int32_t little_endian_int32(const char* data) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[i]);
    return static_cast<std::int32_t>(value);
}

}  // namespace nativesystem
