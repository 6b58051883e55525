#include "common/ansi_text.h"

#include <bitset>

namespace vel {

namespace {

std::bitset<256>& lead_bytes() {
    static std::bitset<256> bytes;
    return bytes;
}

// Calls `visit(position)` for the start of every character.
template <typename Visit>
void for_each_character(std::string_view text, Visit&& visit) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        visit(at);
        if (is_ansi_lead_byte(text[at])) ++at;
    }
}

}  // namespace

void set_ansi_lead_byte_range(unsigned char first, unsigned char last) {
    for (unsigned byte = first; byte <= last; ++byte) lead_bytes().set(byte);
}

void clear_ansi_lead_bytes() { lead_bytes().reset(); }

bool is_ansi_lead_byte(char c) { return lead_bytes().test(static_cast<unsigned char>(c)); }

std::size_t find_ansi_char(std::string_view text, std::string_view set, std::size_t from) {
    for (std::size_t at = from; at < text.size(); ++at) {
        if (is_ansi_lead_byte(text[at])) {
            ++at;
        } else if (set.find(text[at]) != std::string_view::npos) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::size_t rfind_ansi_char(std::string_view text, std::string_view set) {
    std::size_t found = std::string_view::npos;
    for_each_character(text, [&](std::size_t at) {
        if (!is_ansi_lead_byte(text[at]) && set.find(text[at]) != std::string_view::npos) found = at;
    });
    return found;
}

bool ends_with_ansi_char(std::string_view text, char c) { return trailing_ansi_chars(text, c) > 0; }

std::size_t trailing_ansi_chars(std::string_view text, char c) {
    std::size_t run = 0;
    for_each_character(text, [&](std::size_t at) {
        run = !is_ansi_lead_byte(text[at]) && text[at] == c ? run + 1 : 0;
    });
    return run;
}

}  // namespace vel
