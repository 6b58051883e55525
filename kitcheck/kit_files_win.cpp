// The kit's files on Windows: relative paths start from the kit's directory.
#include <windows.h>

#include <cstdio>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "kitcheck/checks.h"

namespace kitcheck {

namespace {

std::string full_path(const std::string& root, const std::string& path) {
    return is_absolute(path) ? path : root + "\\" + path;
}

}  // namespace

KitFiles directory_kit(const std::string& directory) {
    KitFiles kit;
    kit.kind = [directory](const std::string& path) -> std::optional<EntryKind> {
        const DWORD attributes = GetFileAttributesA(full_path(directory, path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Directory : EntryKind::File;
    };
    kit.read = [directory](const std::string& path) -> std::optional<std::string> {
        return read_whole_file(full_path(directory, path));
    };
    kit.list = [directory](const std::string& path) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        vel::unique_find find(FindFirstFileA((full_path(directory, path) + "\\*").c_str(), &data));
        if (!find) return names;
        do {
            const std::string name = data.cFileName;
            if (name != "." && name != "..") names.push_back(name);
        } while (FindNextFileA(find.get(), &data));
        return names;
    };
    kit.size = [directory](const std::string& path) -> std::optional<unsigned long long> {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(full_path(directory, path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
        return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    };
    return kit;
}

bool is_new_directory(const std::string& directory) {
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && directory_kit(directory).list(".").empty();
}

bool write_kit_file(const std::string& directory, const std::string& path, std::string_view bytes) {
    CreateDirectoryA(directory.c_str(), nullptr);
    for (std::size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1)) {
        CreateDirectoryA(full_path(directory, path.substr(0, end)).c_str(), nullptr);
    }
    vel::unique_stdio file(std::fopen(full_path(directory, path).c_str(), "wb"));
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}

// The launcher beside this program, found by its real name: a look-alike of
// that directory's name could name another directory's setup.exe.
bool copy_launcher_into(const std::string& directory) {
    const std::wstring program_directory = vel::program_directory_wide();
    if (program_directory.empty()) return false;
    const std::wstring launcher = program_directory + L"\\setup.exe";
    const std::wstring target = vel::wide_from_ansi(full_path(directory, "setup.exe"));
    return !target.empty() && CopyFileW(launcher.c_str(), target.c_str(), TRUE) != 0;
}

std::string text_from_utf16(std::u16string_view text) { return vel::ansi_from_utf16(text); }

}  // namespace kitcheck
