// Forward-only reader of the sections and KEY=value entries of the kit's
// parameter file. Its rules are its own: names compare case-sensitively,
// headers count only from the first column, and there is no comment syntax.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace prereq {

// Characters a line may hold; the rest of a longer line is dropped.
constexpr std::size_t kMaxLineLength = 1023;

bool is_blank(char c);

// Next non-empty line of `file` without its line end: 0, or -1 at end of file,
// where `line` holds an unterminated final line (else it is empty).
int read_config_line(std::FILE* file, std::string& line);

// When `line` is a section header: removes its trailing blanks and returns the
// position of its "["; otherwise leaves it unchanged.
std::optional<std::size_t> section_header(std::string& line);

// Next word of `text` (nullptr continues the text of the previous call, from
// whichever caller) into `out`: 0, or -1 when there is none. A word ends at a
// blank (unless `rest_of_line`), at "=" or at the end; a double-quoted word
// runs to the closing quote. One cursor serves the whole process.
int next_token(const char* text, std::string& out, bool rest_of_line);

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
                       std::FILE* file);

// Value of `key` in `section` (without: the entries before the first header)
// of the file at `path`, or `default_value`.
void read_key_value(std::optional<std::string_view> section, std::string_view key, std::string_view default_value,
                    std::string& out, const std::string& path);

}  // namespace prereq
