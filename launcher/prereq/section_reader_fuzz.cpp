// A parameter file of any bytes read the way the prerequisite run reads it:
// a section looked up, its entries walked to the end, and each line split
// into words. Every loop must end and every word must come from the text.
#include "launcher/prereq/section_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

void check_words(const std::string& line, bool rest_of_line) {
    std::string word;
    prereq::TokenSplitter words(line);
    int status = words.next(word, rest_of_line);
    // Each successful call consumes at least one character of the line.
    for (std::size_t calls = 0; status == 0; ++calls) {
        if (calls > line.size()) __builtin_trap();
        if (word.size() > line.size()) __builtin_trap();
        if (line.find(word) == std::string::npos) __builtin_trap();
        status = words.next(word, rest_of_line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The first line names the section to look for; the rest is the file.
    const std::size_t newline = text.find('\n');
    const std::string section = newline == std::string::npos ? text : text.substr(0, newline);

    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size() ? text.size() : 1, "r");
    if (!file) return 0;
    std::string key, value;
    if (prereq::next_section_entry(std::string_view(section), key, value, file) == 0) {
        for (std::size_t entries = 0; prereq::next_section_entry(std::nullopt, key, value, file) == 0; ++entries) {
            if (entries > size) __builtin_trap();
            // A key may be empty: a line opening with a pair of quotes names one.
            if (key.size() > prereq::kMaxLineLength || value.size() > prereq::kMaxLineLength) __builtin_trap();
            if (text.find(key) == std::string::npos || text.find(value) == std::string::npos) __builtin_trap();
        }
    }
    std::fclose(file);

    file = fmemopen(const_cast<char*>(text.data()), text.size() ? text.size() : 1, "r");
    if (!file) return 0;
    std::string line;
    for (std::size_t lines = 0;; ++lines) {
        if (lines > size + 1) __builtin_trap();
        const bool at_end = prereq::read_config_line(file, line) != 0;
        if (line.size() > prereq::kMaxLineLength) __builtin_trap();
        std::string header_line = line;
        if (const auto open = prereq::section_header(header_line)) {
            if (*open >= header_line.size() || header_line[*open] != '[') __builtin_trap();
        }
        check_words(line, false);
        check_words(line, true);
        std::string trimmed = line;
        prereq::trim_blanks(trimmed);
        if (trimmed.size() > line.size()) __builtin_trap();
        if (at_end) break;
    }
    std::fclose(file);
    return 0;
}
