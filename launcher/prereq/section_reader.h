// Forward-only reader of the sections and KEY=value entries of the kit's
// parameter file. Its rules are its own: names compare case-sensitively,
// headers count only from the first column, and there is no comment syntax.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "common/unique_resource.h"

namespace prereq {

// Characters a line may hold; the rest of a longer line is dropped.
constexpr std::size_t kMaxLineLength = 1023;

// Converts UTF-16 text into the ANSI code page (on Windows, vel::ansi_from_utf16).
using Utf16ToAnsi = std::string (*)(std::u16string_view);
// Without a converter: ASCII kept, every other character a "?".
std::string ascii_from_utf16(std::u16string_view text);

// The UTF-16 text of a file's bytes that start with a UTF-16 byte-order mark
// (either byte order), without the mark; nullopt for any other file.
std::optional<std::u16string> utf16_file_text(std::string_view bytes);

// The text the reader takes, a byte at a time: an open file, or a file saved
// as UTF-16 converted in full. A file saved as UTF-8 is read without its
// byte-order mark; any other file byte for byte as it stands.
class ConfigSource {
public:
    // Reads an open file from where it stands; the caller keeps it.
    explicit ConfigSource(std::FILE* file) : file_(file) {}
    static ConfigSource open(const std::string& path, Utf16ToAnsi to_ansi = ascii_from_utf16);
    bool is_open() const { return file_ != nullptr || from_text_; }
    int get();  // the next byte, or EOF

private:
    ConfigSource() = default;
    vel::unique_stdio owned_;
    std::FILE* file_ = nullptr;
    bool from_text_ = false;
    std::string text_;
    std::size_t at_ = 0;
};

bool is_blank(char c);

// Next non-empty line of `file` without its line end: 0, or -1 at end of file,
// where `line` holds an unterminated final line (else it is empty).
int read_config_line(ConfigSource& file, std::string& line);
int read_config_line(std::FILE* file, std::string& line);

// When `line` is a section header: removes its trailing blanks and returns the
// position of its "["; otherwise leaves it unchanged.
std::optional<std::size_t> section_header(std::string& line);

// The words of one text, in turn. A word ends at a blank (unless
// `rest_of_line`), at "=" or at the end; a double-quoted word runs to the
// closing quote. The splitter keeps its own copy of the text.
class TokenSplitter {
public:
    explicit TokenSplitter(std::string_view text) : text_(text) {}
    // The next word, trimmed, into `out`: 0, or -1 when there is none.
    int next(std::string& out, bool rest_of_line);

private:
    std::string text_;
    std::size_t at_ = 0;
};

// Removes leading and trailing blanks; a text of blanks only is left as it is.
void trim_blanks(std::string& text);

// Whether `line`, a header as section_header left it, is the header of
// `section`: "[" name "]" from the first column on, compared byte-wise.
bool header_matches(const std::string& line, std::string_view section);
// Key and value (empty when missing) of an entry line; false when it has no key.
bool split_entry(const std::string& line, std::string& key, std::string& value);

// With `section`: moves `file` behind the first header matching it (0), or -1
// at end of file. Without: the next entry of the current section (0), or -1
// when the section has ended.
int next_section_entry(std::optional<std::string_view> section, std::string& key_out, std::string& value_out,
                       ConfigSource& file);
int next_section_entry(std::optional<std::string_view> section, std::string& key_out, std::string& value_out,
                       std::FILE* file);

// Value of `key` in `section` (without: the entries before the first header)
// of the file at `path`, or `default_value`.
void read_key_value(std::optional<std::string_view> section, std::string_view key, std::string_view default_value,
                    std::string& out, const std::string& path, Utf16ToAnsi to_ansi = ascii_from_utf16);

}  // namespace prereq
