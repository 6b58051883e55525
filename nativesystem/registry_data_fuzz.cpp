// Registry value data of any bytes: a multi-string packed from Java's
// elements reads back as the same elements, raw value bytes of any size turn
// into text without reading past them, and the number and root readers give
// an answer for every text.
#include "nativesystem/registry_data.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    // Exactly as many bytes as the value holds, so a read past them is caught.
    std::vector<char> value(raw.begin(), raw.end());
    const std::string text = nativesystem::multi_string_text(value.data(), value.size());
    if (text.size() != (size < 2 ? 0 : size - 1)) __builtin_trap();
    if (text.find('\0') != std::string::npos) __builtin_trap();
    if (size >= 4) nativesystem::little_endian_int32(value.data());
    nativesystem::decimal_text_value(raw);
    if (const auto root = nativesystem::registry_root_named(raw)) {
        if (size < 10 || size > 18) __builtin_trap();
    }

    // Elements as Java hands them: strings without NULs.
    FuzzedDataProvider in(data, size);
    std::vector<std::string> elements;
    std::string expected;
    while (in.remaining_bytes() > 0 && elements.size() < 64) {
        std::string element = in.ConsumeRandomLengthString(256);
        std::erase(element, '\0');
        expected += element + "\n";
        elements.push_back(std::move(element));
    }
    expected += "\n";
    const std::vector<char> packed = nativesystem::pack_multi_string(elements);
    if (packed.size() < 2 || packed[packed.size() - 1] != '\0' || packed[packed.size() - 2] != '\0') __builtin_trap();
    if (nativesystem::multi_string_text(packed.data(), packed.size()) != expected) __builtin_trap();
    return 0;
}
