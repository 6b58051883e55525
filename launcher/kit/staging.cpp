#include "launcher/kit/staging.h"

#include <cctype>

#include "common/ansi_text.h"

namespace kit {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// server\share is the root of a network drive: only what lies below it may go.
bool names_below_share(std::string_view from_server) {
    const std::size_t share = from_server.find_first_of("\\/");
    if (share == std::string_view::npos) return false;
    const std::size_t share_name = from_server.find_first_not_of("\\/", share);
    return share_name != std::string_view::npos &&
           from_server.find_first_of("\\/", share_name) != std::string_view::npos;
}

}  // namespace

bool is_removable_tree(std::string_view directory) {
    // Windows drops trailing blanks and separators from a path.
    while (vel::ends_with_ansi_char(directory, '\\') || vel::ends_with_ansi_char(directory, '/') ||
           vel::ends_with_ansi_char(directory, ' ')) {
        directory.remove_suffix(1);
    }
    if (directory.size() >= 4 && is_separator(directory[0]) && is_separator(directory[1]) &&
        (directory[2] == '?' || directory[2] == '.') && is_separator(directory[3])) {
        directory.remove_prefix(4);  // \\?\C:\ and \\.\C:\ name the drive too
        if (directory.size() >= 4 && (directory[0] | 0x20) == 'u' && (directory[1] | 0x20) == 'n' &&
            (directory[2] | 0x20) == 'c' && is_separator(directory[3])) {
            return names_below_share(directory.substr(4));  // \\?\UNC\server\share is \\server\share
        }
        if (directory.find_first_of("\\/") == std::string_view::npos) {
            return false;  // a device or volume itself, such as \\?\Volume{...}
        }
    }
    if (directory.find_first_not_of(" \\/") == std::string_view::npos) return false;
    if (directory.size() == 2 && directory[1] == ':') return false;
    if (directory.size() > 2 && is_separator(directory[0]) && is_separator(directory[1])) {
        return names_below_share(directory.substr(2));
    }
    return true;
}

std::string scratch_candidate(std::string_view base, int number) {
    std::string name(base);
    if (number > 0) {
        name += '_';
        name += std::to_string(number);
    }
    return name;
}

std::optional<std::string> unzip_command_line(std::string_view unzip_directory, std::string_view archive_dir,
                                              std::string_view target, bool quiet) {
    // Program path and archive pattern are quoted so that blanks in a kit's
    // location can neither split them nor name a different program.
    std::string line = "\"";
    line += unzip_directory;
    line += "\\unzip\" ";
    if (quiet) line += "-qqq ";
    line += '"';
    line += archive_dir;
    line += "/*.jar\" -d \"";
    line += target;
    line += "\" ";
    if (line.size() > kMaxCommandLineLength) return std::nullopt;
    return line;
}

std::string staging_title(std::string_view title, const CopyProgress& progress) {
    constexpr unsigned long long kMegabyte = 1024 * 1024;
    std::string text(title);
    text += " - ";
    text += std::to_string(progress.files);
    text += " of ";
    text += std::to_string(progress.total_files);
    text += " files, ";
    text += std::to_string(progress.bytes / kMegabyte);
    text += " of ";
    text += std::to_string(progress.total_bytes / kMegabyte);
    text += " MB";
    return text;
}

long long parse_bootstrap_size(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    // Anything beyond the accepted range is refused alike, so the value saturates.
    constexpr long long kCeiling = 1LL << 40;
    long long value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        if (value < kCeiling) value = value * 10 + (text[at] - '0');
    }
    return negative ? -value : value;
}

}  // namespace kit
