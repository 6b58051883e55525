// Scanning text in the ANSI code page. In the double-byte code pages (932,
// 936, 949, 950) the second byte of a character may have the value of an
// ASCII character such as '\\' or '|': a byte-wise search would find a path
// separator inside "表" (0x95 0x5C in code page 932).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

// The lead bytes of the process's ANSI code page. None until set, as in every
// single-byte code page; the Windows programs set them once at start.
void set_ansi_lead_byte_range(unsigned char first, unsigned char last);
void clear_ansi_lead_bytes();
bool is_ansi_lead_byte(char c);
// Windows: takes the lead bytes of the ANSI code page (GetCPInfo).
void load_ansi_lead_bytes();

// The first character at or after `from` (a character boundary) that is one
// of the single-byte characters of `set`; npos when there is none.
std::size_t find_ansi_char(std::string_view text, std::string_view set, std::size_t from = 0);
// The last such character; npos when there is none.
std::size_t rfind_ansi_char(std::string_view text, std::string_view set);
// Whether the last character is the single-byte character `c`.
bool ends_with_ansi_char(std::string_view text, char c);
// How many single-byte characters `c` end the text.
std::size_t trailing_ansi_chars(std::string_view text, char c);

// Windows: conversions between the ANSI code page and UTF-16. Where the code
// page lacks a character, the ANSI functions hand back a look-alike ("\" for
// U+FF3C): a name is only used in its ANSI form when that form is exact.
std::wstring wide_from_ansi(std::string_view ansi_text);
// The UTF-16 form of a text in `code_page`; empty when it has none.
std::wstring wide_from_code_page(unsigned code_page, std::string_view text);
// The running program's path in the ANSI code page, read wide so that no
// look-alike stands in for a character of its real name: the long form where
// the code page holds it, else the short (8.3) form (a kit under
// C:\Users\Дмитрий on an English system) when the volume has one and that
// form is exact. A path longer than `max_length` is refused rather than cut.
struct AnsiProgramPath {
    std::string path;
    unsigned long error = 0;  // the Windows error when there is no such path
};
AnsiProgramPath program_path_in_ansi(std::size_t max_length);
// The running program's real directory, for messages.
std::wstring program_directory_wide();
// A UTF-16 text in the ANSI code page, with the system's look-alikes where
// the code page lacks a character (as the profile functions read such a file).
std::string ansi_from_utf16(std::u16string_view text);
// The exact ANSI form of a wide text, or nullopt when the code page lacks one
// of its characters.
std::optional<std::string> exact_ansi(std::wstring_view wide_text);

}  // namespace vel
