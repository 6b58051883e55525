#include "launcher/prereq/section_reader.h"

#include "common/unique_resource.h"

namespace prereq {

namespace {

// The splitter's cursor: a copy of the text being split, so that a caller's
// buffer may go away between calls.
std::string g_split_text;
std::size_t g_split_pos = 0;

bool has_non_blank(const std::string& text) {
    for (char c : text) {
        if (!is_blank(c)) return true;
    }
    return false;
}

}  // namespace

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int read_config_line(std::FILE* file, std::string& line) {
    line.clear();
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF) return -1;
        if (c == '\n') {
            if (has_non_blank(line)) return 0;
            line.clear();
            continue;
        }
        // An over-long line is cut: its first characters are kept, the rest up
        // to the line end is read and dropped.
        if (line.size() < kMaxLineLength) line.push_back(static_cast<char>(c));
    }
}

std::optional<std::size_t> section_header(std::string& line) {
    std::size_t open = 0;
    while (open < line.size() && is_blank(line[open])) ++open;
    if (open == line.size() || line[open] != '[') return std::nullopt;
    if (line.find(']', open + 1) == std::string::npos) return std::nullopt;
    std::size_t end = line.size();
    while (end > 0 && is_blank(line[end - 1])) --end;
    line.resize(end);
    return open;
}

void trim_blanks(std::string& text) {
    std::size_t first = 0;
    while (first < text.size() && is_blank(text[first])) ++first;
    if (first == text.size()) return;
    std::size_t end = text.size();
    while (is_blank(text[end - 1])) --end;
    text = text.substr(first, end - first);
}

int next_token(const char* text, std::string& out, bool rest_of_line) {
    if (text) {
        g_split_text = text;
        g_split_pos = 0;
    }
    const std::string& s = g_split_text;
    std::size_t& pos = g_split_pos;
    out.clear();
    while (pos < s.size() && is_blank(s[pos])) ++pos;
    if (pos >= s.size()) return -1;

    int result;
    if (s[pos] == '"') {
        std::size_t close = s.find('"', pos + 1);
        if (close == std::string::npos) {
            out = s.substr(pos + 1);
            pos = s.size();
            result = -1;
        } else {
            out = s.substr(pos + 1, close - pos - 1);
            pos = close + 1;
            result = 0;
        }
    } else {
        std::size_t start = pos;
        while (pos < s.size() && s[pos] != '=' && (rest_of_line || !is_blank(s[pos]))) ++pos;
        out = s.substr(start, pos - start);
        result = out.empty() ? -1 : 0;
        if (pos < s.size()) ++pos;
    }
    trim_blanks(out);
    return result;
}

bool header_matches(const std::string& line, std::string_view section) {
    return line.size() == section.size() + 2 && line.front() == '[' && line.back() == ']' &&
           std::string_view(line).substr(1, section.size()) == section;
}

bool split_entry(const std::string& line, std::string& key, std::string& value) {
    if (next_token(line.c_str(), key, false) != 0) return false;
    if (next_token(nullptr, value, true) != 0) value.clear();
    return true;
}

int next_section_entry(std::optional<std::string_view> section, std::string& key_out, std::string& value_out,
                       std::FILE* file) {
    std::string line;
    if (section) {
        while (read_config_line(file, line) == 0) {
            if (section_header(line) && header_matches(line, *section)) return 0;
        }
        return -1;
    }

    read_config_line(file, line);
    if (section_header(line)) return -1;
    std::string key, value;
    if (!split_entry(line, key, value)) return -1;
    key_out = key;
    value_out = value;
    return 0;
}

void read_key_value(std::optional<std::string_view> section, std::string_view key, std::string_view default_value,
                    std::string& out, const std::string& path) {
    out.assign(default_value);
    vel::unique_stdio file(std::fopen(path.c_str(), "r"));
    if (!file) return;
    std::string ignored_key, ignored_value;
    if (section && next_section_entry(section, ignored_key, ignored_value, file.get()) != 0) return;

    std::string line;
    for (;;) {
        bool at_end = read_config_line(file.get(), line) != 0;
        if (section_header(line)) return;
        std::string line_key;
        if (next_token(line.c_str(), line_key, false) != 0) return;
        if (line_key == key) {
            std::string value;
            if (next_token(nullptr, value, true) == 0) out = value;
            return;
        }
        if (at_end) return;
    }
}

}  // namespace prereq
