#include "launcher/kit/staging.h"

#include "common/ansi_text.h"

namespace kit {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

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
    }
    if (directory.find_first_not_of(" \\/") == std::string_view::npos) return false;
    if (directory.size() == 2 && directory[1] == ':') return false;
    if (directory.size() > 2 && is_separator(directory[0]) && is_separator(directory[1])) {
        // \\server\share is the root of a network drive.
        const std::size_t share = directory.find_first_of("\\/", 2);
        if (share == std::string_view::npos) return false;
        const std::size_t below = directory.find_first_of("\\/", directory.find_first_not_of("\\/", share));
        if (below == std::string_view::npos) return false;
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

}  // namespace kit
