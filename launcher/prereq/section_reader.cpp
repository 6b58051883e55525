#include "launcher/prereq/section_reader.h"

namespace prereq {

namespace {

constexpr std::size_t kReadChunk = 4096;

std::string whole_file(std::FILE* file) {
    std::string bytes;
    char chunk[kReadChunk];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    return bytes;
}

bool has_non_blank(const std::string& text) {
    for (char c : text) {
        if (!is_blank(c)) return true;
    }
    return false;
}

}  // namespace

std::string ascii_from_utf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::optional<std::u16string> utf16_file_text(std::string_view bytes) {
    if (bytes.size() < 2) return std::nullopt;
    const auto byte = [&bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const bool little_endian = byte(0) == 0xFF && byte(1) == 0xFE;
    if (!little_endian && !(byte(0) == 0xFE && byte(1) == 0xFF)) return std::nullopt;
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
        const unsigned low = little_endian ? byte(at) : byte(at + 1);
        const unsigned high = little_endian ? byte(at + 1) : byte(at);
        text.push_back(static_cast<char16_t>(high << 8 | low));
    }
    return text;
}

ConfigSource ConfigSource::open(const std::string& path, Utf16ToAnsi to_ansi) {
    ConfigSource source;
    source.owned_.reset(std::fopen(path.c_str(), "r"));
    std::FILE* file = source.owned_.get();
    if (!file) return source;
    // The marks' bytes are no line ends, so the text mode leaves them as they are.
    std::string start;
    for (int c; start.size() < 3 && (c = std::fgetc(file)) != EOF;) start.push_back(static_cast<char>(c));
    if (start.size() >= 2 && utf16_file_text(start)) {
        // Read again without the text mode: UTF-16 line ends are two bytes each.
        vel::unique_stdio binary(std::fopen(path.c_str(), "rb"));
        if (!binary) return ConfigSource();
        const std::optional<std::u16string> text = utf16_file_text(whole_file(binary.get()));
        source.owned_.reset();
        source.from_text_ = true;
        source.text_ = to_ansi(*text);
        return source;
    }
    if (start != "\xEF\xBB\xBF") std::rewind(file);
    source.file_ = file;
    return source;
}

int ConfigSource::get() {
    if (!from_text_) return std::fgetc(file_);
    if (at_ == text_.size()) return EOF;
    return static_cast<unsigned char>(text_[at_++]);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int read_config_line(ConfigSource& file, std::string& line) {
    line.clear();
    for (;;) {
        int c = file.get();
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

int read_config_line(std::FILE* file, std::string& line) {
    ConfigSource source(file);
    return read_config_line(source, line);
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

int TokenSplitter::next(std::string& out, bool rest_of_line) {
    const std::string& s = text_;
    std::size_t& pos = at_;
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
    TokenSplitter words(line);
    if (words.next(key, false) != 0) return false;
    if (words.next(value, true) != 0) value.clear();
    return true;
}

int next_section_entry(std::optional<std::string_view> section, std::string& key_out, std::string& value_out,
                       ConfigSource& file) {
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

int next_section_entry(std::optional<std::string_view> section, std::string& key_out, std::string& value_out,
                       std::FILE* file) {
    ConfigSource source(file);
    return next_section_entry(section, key_out, value_out, source);
}

void read_key_value(std::optional<std::string_view> section, std::string_view key, std::string_view default_value,
                    std::string& out, const std::string& path, Utf16ToAnsi to_ansi) {
    out.assign(default_value);
    ConfigSource file = ConfigSource::open(path, to_ansi);
    if (!file.is_open()) return;
    std::string ignored_key, ignored_value;
    if (section && next_section_entry(section, ignored_key, ignored_value, file) != 0) return;

    std::string line;
    for (;;) {
        bool at_end = read_config_line(file, line) != 0;
        if (section_header(line)) return;
        TokenSplitter words(line);
        std::string line_key;
        if (words.next(line_key, false) != 0) return;
        if (line_key == key) {
            std::string value;
            if (words.next(value, true) == 0) out = value;
            return;
        }
        if (at_end) return;
    }
}

}  // namespace prereq
