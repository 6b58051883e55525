#include "launcher/kit/staging.h"

namespace kit {

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

}  // namespace kit
