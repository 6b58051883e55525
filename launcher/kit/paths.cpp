#include "launcher/kit/paths.h"

#include "common/ansi_text.h"

namespace kit {

void append_path_component(std::string& path, std::string_view component) {
    if (!vel::ends_with_ansi_char(path, '\\')) path += '\\';
    path += component;
}

std::string path_under(std::string_view directory, std::string_view component) {
    std::string path(directory);
    if (path.empty()) return std::string(component);
    append_path_component(path, component);
    return path;
}

std::optional<std::string> parent_directory(std::string_view path) {
    if (path.empty()) return std::nullopt;
    return std::string(path.substr(0, vel::rfind_ansi_char(path, "\\")));
}

void strip_trailing_separator(std::string& path) {
    if (vel::ends_with_ansi_char(path, '\\')) path.pop_back();
}

bool is_valid_absolute_path(std::string_view path, LetterTest is_letter) {
    if (path.size() < 2) return false;
    std::string_view tested = path;
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == ':' && path[2] == '\\') {
        tested = path.substr(2);
    } else if (path[0] != '\\') {
        return false;
    }
    return vel::find_ansi_char(tested, "/*?<>:|;") == std::string_view::npos;
}

std::string choose_temp_directory(std::optional<std::string_view> temp, std::optional<std::string_view> tmp,
                                  LetterTest is_letter) {
    const std::optional<std::string_view> value = temp ? temp : tmp;
    // A value too long for its place is refused like an invalid one, never cut.
    std::string chosen = value && value->size() <= kMaxPathLength && is_valid_absolute_path(*value, is_letter)
                             ? std::string(*value)
                             : std::string(kFallbackTempDirectory);
    strip_trailing_separator(chosen);
    return chosen;
}

std::string program_directory_of(std::string_view module_path) {
    const auto last = vel::rfind_ansi_char(module_path, "\\/");
    std::string directory;
    if (last != std::string_view::npos) {
        directory = module_path.substr(0, last + 1);
    } else if (module_path.size() >= 2 && module_path[1] == ':') {
        directory = module_path.substr(0, 2);
    }
    strip_trailing_separator(directory);
    return directory;
}

}  // namespace kit
