// The kit's files on Windows: relative paths start from the kit's directory.
#include <windows.h>

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
    return kit;
}

}  // namespace kitcheck
