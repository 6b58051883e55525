// The kit's files on a POSIX host: Windows paths relative to the kit are
// looked up component by component, letters compared without regard to case
// as Windows compares them; absolute Windows paths name nothing here.
#include <dirent.h>
#include <sys/stat.h>

#include "common/unique_resource.h"
#include "kitcheck/checks.h"

namespace kitcheck {

namespace {

struct dir_traits {
    static DIR* invalid() noexcept { return nullptr; }
    static void close(DIR* d) noexcept { closedir(d); }
};

std::vector<std::string> entries_of(const std::string& directory) {
    std::vector<std::string> names;
    vel::unique_resource<DIR*, dir_traits> dir(opendir(directory.c_str()));
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    return names;
}

// The host path of a kit-relative Windows path.
std::optional<std::string> host_path(const std::string& root, const std::string& path) {
    if (is_absolute(path)) return std::nullopt;
    std::string host = root;
    const std::string normal = normal_path(path);
    std::size_t at = 0;
    while (at < normal.size()) {
        std::size_t end = normal.find('\\', at);
        if (end == std::string::npos) end = normal.size();
        std::string part = normal.substr(at, end - at);
        struct stat info {};
        if (part != ".." && stat((host + "/" + part).c_str(), &info) != 0) {
            for (const std::string& name : entries_of(host)) {
                if (same_name(name, part)) {
                    part = name;
                    break;
                }
            }
        }
        host += "/" + part;
        at = end + 1;
    }
    return host;
}

}  // namespace

KitFiles directory_kit(const std::string& directory) {
    KitFiles kit;
    kit.kind = [directory](const std::string& path) -> std::optional<EntryKind> {
        const std::optional<std::string> host = host_path(directory, path);
        if (!host) return std::nullopt;
        struct stat info {};
        if (stat(host->c_str(), &info) != 0) return EntryKind::Missing;
        return S_ISDIR(info.st_mode) ? EntryKind::Directory : EntryKind::File;
    };
    kit.read = [directory](const std::string& path) -> std::optional<std::string> {
        const std::optional<std::string> host = host_path(directory, path);
        if (!host) return std::nullopt;
        return read_whole_file(*host);
    };
    kit.list = [directory](const std::string& path) {
        const std::optional<std::string> host = host_path(directory, path);
        return host ? entries_of(*host) : std::vector<std::string>();
    };
    return kit;
}

}  // namespace kitcheck
