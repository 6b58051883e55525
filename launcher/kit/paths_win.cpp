#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/ansi_text.h"
#include "common/checked_format.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"
#include "launcher/kit/paths.h"
#include "launcher/base/process_flags.h"

namespace kit {

namespace {

constexpr int kAccessExists = 0;
constexpr int kAccessReadWrite = 6;

bool is_char_alpha(char c) { return IsCharAlphaA(c) != FALSE; }

std::optional<std::string_view> environment_value(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string_view(value);
}

}  // namespace

bool is_valid_absolute_path(std::string_view path) { return is_valid_absolute_path(path, is_char_alpha); }

bool path_exists(const std::string& path) { return _access(path.c_str(), kAccessExists) == 0; }

bool make_directories(const std::string& path) {
    if (path.size() > kMaxPathLength) return false;
    if (!path_exists(path)) {
        const std::optional<std::string> parent = parent_directory(path);
        if (parent && !parent->empty() && *parent != path && !make_directories(*parent)) return false;
        _mkdir(path.c_str());
    }
    return _access(path.c_str(), kAccessReadWrite) == 0;
}

std::optional<std::string> program_directory() {
    const vel::AnsiProgramPath program = vel::program_path_in_ansi(kPathBufferSize - 1);
    if (program.error != ERROR_SUCCESS) {
        // The name of the step the message has always given.
        base::console_write(catalogue::format_message("S_ERGOSLST", {"GetCurrentDir()", program.error}));
        return std::nullopt;
    }
    return program_directory_of(program.path);
}

std::string temp_directory() {
    return choose_temp_directory(environment_value("TEMP"), environment_value("TMP"), is_char_alpha);
}

std::string absolute_path(const std::string& path) {
    char full[kPathBufferSize];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length != 0 && length < sizeof full) return std::string(full, length);
    if (base::debug_mode) {
        // As perror would write it, but through the console writer: the text is UTF-8.
        const std::string message = catalogue::format_message("S_ERABS_PATH", {base::utf8_from_ansi(path)});
        base::console_write(vel::format_checked(
            "%s: %s\n", {message, std::strerror(length == 0 ? EINVAL : ENAMETOOLONG)}));
    }
    return path;
}

}  // namespace kit
