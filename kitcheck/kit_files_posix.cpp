// The kit's files on a POSIX host: Windows paths relative to the kit are
// looked up component by component, letters compared without regard to case
// as Windows compares them; absolute Windows paths name nothing here.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>

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
    kit.size = [directory](const std::string& path) -> std::optional<unsigned long long> {
        const std::optional<std::string> host = host_path(directory, path);
        struct stat info {};
        if (!host || stat(host->c_str(), &info) != 0) return std::nullopt;
        return static_cast<unsigned long long>(info.st_size);
    };
    return kit;
}

bool is_new_directory(const std::string& directory) {
    struct stat info {};
    return stat(directory.c_str(), &info) != 0 || (S_ISDIR(info.st_mode) && entries_of(directory).empty());
}

bool write_kit_file(const std::string& directory, const std::string& path, std::string_view bytes) {
    std::string host = directory;
    mkdir(host.c_str(), 0777);
    for (std::size_t at = 0;;) {
        const std::size_t end = path.find('\\', at);
        if (end == std::string::npos) break;
        host += "/" + path.substr(at, end - at);
        mkdir(host.c_str(), 0777);
        at = end + 1;
    }
    host += "/" + path.substr(path.rfind('\\') + 1);
    vel::unique_stdio file(std::fopen(host.c_str(), "wb"));
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}

bool copy_launcher_into(const std::string&) { return false; }

std::string text_from_utf16(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = '?';  // a lone surrogate has no character
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace kitcheck
