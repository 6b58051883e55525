#include <windows.h>

#include <cstdio>
#include <optional>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/base/console.h"

namespace catalogue {

namespace {

constexpr std::size_t kLocaleNameBufferSize = 32;
constexpr std::size_t kReadChunk = 4096;

// The running program's path; a path that does not fit its buffer is refused
// rather than cut into the path of some other directory.
std::optional<std::string> program_path() {
    vel::AnsiProgramPath program = vel::program_path_in_ansi(kPathBufferSize - 1);
    if (program.error != ERROR_SUCCESS) return std::nullopt;
    return std::move(program.path);
}

std::string locale_info(LCTYPE type) {
    char buffer[kLocaleNameBufferSize];
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, static_cast<int>(sizeof buffer));
    if (length <= 0) return {};
    return std::string(buffer);  // the reported length counts the terminator
}

// Reads one catalogue file into the map; false when it cannot be opened.
bool load_file(const std::string& path) {
    if (path.size() >= kPathBufferSize) return false;
    vel::unique_stdio file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::string bytes;
    char chunk[kReadChunk];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
    std::string warnings;
    read_catalogue_file(bytes, warnings);
    std::fputs(warnings.c_str(), stderr);
    return true;
}

}  // namespace

bool load_message_catalogue() {
    if (!create_message_map()) {
        std::fputs("\nERROR: Could not allocate memory for the NLS messages map!\n", stderr);
        return false;
    }
    bool found = false;
    if (const auto program = program_path()) {
        const std::string locale = catalogue_locale(locale_info(LOCALE_SABBREVLANGNAME), locale_info(LOCALE_SABBREVCTRYNAME));
        for (const std::string& path : catalogue_file_paths(catalogue_directory(*program), locale)) {
            if (load_file(path)) found = true;
        }
    }
    if (!found) {
        free_message_catalogue();
        std::fputs("\nERROR: Could not read any NLS message catalogue!\n", stderr);
        return false;
    }
    base::refresh_console_handle();
    return true;
}

}  // namespace catalogue
