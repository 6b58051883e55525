// The encoding velparam.ini was saved in. Windows' profile reading takes an
// ANSI file and a UTF-16 file with its byte-order mark; it does not know the
// UTF-8 mark, which then becomes part of the first line.
#include "kitcheck/checks.h"

namespace kitcheck {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigMark = "\xFE\xFF";

std::u16string utf16_units(std::string_view bytes, bool little_endian) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second));
    }
    return units;
}

}  // namespace

std::string decode_parameter_file(const std::string& name, std::string_view bytes, Report& report) {
    if (bytes.starts_with(kUtf8Mark)) {
        const std::string text(bytes.substr(kUtf8Mark.size()));
        const std::vector<ProfileSection> sections = read_profile(text);
        // The mark hides a header only when it stands on the first line.
        if (!sections.empty() && sections.front().line == 1) {
            report.error(name, 1,
                         "the file starts with a UTF-8 byte-order mark, which Windows does not recognise: it takes "
                         "the first line for an unknown line, so section [" +
                             sections.front().name +
                             "] is not read and its keys take their defaults (save the file as ANSI or as UTF-16)");
        } else {
            report.warning(name, 1,
                           "the file starts with a UTF-8 byte-order mark, which Windows does not recognise: it "
                           "becomes part of the first line (save the file as ANSI or as UTF-16)");
        }
        return text;
    }
    for (bool little_endian : {true, false}) {
        if (!bytes.starts_with(little_endian ? kUtf16LittleMark : kUtf16BigMark)) continue;
        report.note(name, 0,
                    std::string("saved as UTF-16 (") + (little_endian ? "little" : "big") +
                        "-endian): setup.exe reads it as it reads an ANSI file; a character the ANSI code page "
                        "lacks reads as ?");
        return text_from_utf16(utf16_units(bytes.substr(2), little_endian));
    }
    return std::string(bytes);
}

}  // namespace kitcheck
