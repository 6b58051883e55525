// unzip [-q...] <dir>/<wildcard> -d <target>
// Expands the wildcard itself and extracts every .jar it names (stored and
// deflated entries, directories) into the target. Exit codes follow the usual
// unzip ones: 0 done, 3 damaged or unsupported archive, 9 no archive matched,
// 10 bad command line, 50 an entry could not be written.
#include <direct.h>
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kDone = 0, kBadArchive = 3, kNoArchive = 9, kBadCommandLine = 10, kWriteFailed = 50;

// Splits a command line the way Windows programs do: blanks separate words,
// quotation marks group and are removed, backslashes escape only quotation marks.
std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) break;
        std::string word;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                word.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    word += '"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                word.append(backslashes, '\\');
                if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) word += line[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

std::uint32_t u16(const std::vector<unsigned char>& d, std::size_t at) { return d[at] | d[at + 1] << 8; }
std::uint32_t u32(const std::vector<unsigned char>& d, std::size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

bool read_file(const std::string& path, std::vector<unsigned char>& data) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// An entry name that stays inside the target, with Windows separators.
bool safe_name(const std::string& name, std::string& out) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) return false;
    out.clear();
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part == "..") return false;
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '\\';
            out += part;
        }
        start = end + 1;
    }
    return !out.empty();
}

void make_parents(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
        _mkdir(path.substr(0, at).c_str());
    }
}

bool inflate_raw(const unsigned char* in, std::size_t in_size, std::vector<unsigned char>& out) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = const_cast<unsigned char*>(in);
    stream.avail_in = static_cast<uInt>(in_size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool ok = result == Z_STREAM_END && stream.total_out == out.size();
    inflateEnd(&stream);
    return ok;
}

int extract(const std::string& archive, const std::string& target) {
    std::vector<unsigned char> data;
    if (!read_file(archive, data) || data.size() < 22) return kBadArchive;
    std::size_t end = data.size() - 22;
    while (u32(data, end) != 0x06054b50) {
        if (end == 0 || data.size() - end > 22 + 65535) return kBadArchive;
        --end;
    }
    const std::uint32_t count = u16(data, end + 10);
    std::size_t at = u32(data, end + 16);
    if (count == 0xFFFF || at == 0xFFFFFFFF) return kBadArchive;  // zip64 is not needed for kits
    for (std::uint32_t n = 0; n < count; ++n) {
        if (at + 46 > data.size() || u32(data, at) != 0x02014b50) return kBadArchive;
        const std::uint32_t flags = u16(data, at + 8), method = u16(data, at + 10), crc = u32(data, at + 16);
        const std::size_t packed = u32(data, at + 20), size = u32(data, at + 24);
        const std::size_t name_length = u16(data, at + 28);
        const std::size_t header_extra = name_length + u16(data, at + 30) + u16(data, at + 32);
        const std::size_t local = u32(data, at + 42);
        if (at + 46 + name_length > data.size()) return kBadArchive;
        const std::string name(data.begin() + at + 46, data.begin() + at + 46 + name_length);
        at += 46 + header_extra;

        std::string relative;
        if ((flags & 1) || !safe_name(name, relative)) return kBadArchive;
        const std::string path = target + "\\" + relative;
        if (name.back() == '/' || name.back() == '\\') {
            make_parents(path + "\\");
            continue;
        }
        if (local + 30 > data.size() || u32(data, local) != 0x04034b50) return kBadArchive;
        const std::size_t start = local + 30 + u16(data, local + 26) + u16(data, local + 28);
        if (start > data.size() || packed > data.size() - start) return kBadArchive;
        std::vector<unsigned char> content(size);
        if (method == 0 && packed == size) {
            std::copy(data.begin() + start, data.begin() + start + size, content.begin());
        } else if (method != 8 || !inflate_raw(data.data() + start, packed, content)) {
            return kBadArchive;
        }
        if (crc32(0, content.data(), static_cast<uInt>(content.size())) != crc) return kBadArchive;
        make_parents(path);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) return kWriteFailed;
        const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        if (std::fclose(file) != 0 || !written) return kWriteFailed;
    }
    return kDone;
}

bool is_archive_name(std::string_view name) {
    return name.size() > 4 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data() + name.size() - 4, 4,
                                             ".jar", 4) == CSTR_EQUAL;
}

}  // namespace

int main() {
    std::vector<std::string> words = split_command_line(GetCommandLineA());
    std::string pattern, target;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "-d" && i + 1 < words.size()) {
            target = words[++i];
        } else if (words[i].size() > 1 && words[i].find_first_not_of('q', 1) == std::string::npos &&
                   words[i][0] == '-') {
            continue;
        } else if (pattern.empty()) {
            pattern = words[i];
        } else {
            return kBadCommandLine;
        }
    }
    if (pattern.empty() || target.empty()) return kBadCommandLine;

    const std::size_t cut = pattern.find_last_of("/\\");
    const std::string directory = cut == std::string::npos ? std::string(".") : pattern.substr(0, cut);
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return kNoArchive;
    std::vector<std::string> archives;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && is_archive_name(entry.cFileName)) {
            archives.push_back(directory + "\\" + entry.cFileName);
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    if (archives.empty()) return kNoArchive;

    _mkdir(target.c_str());
    for (const std::string& archive : archives) {
        if (const int result = extract(archive, target); result != kDone) {
            std::fprintf(stderr, "unzip: %s: failed (%d)\n", archive.c_str(), result);
            return result;
        }
    }
    return kDone;
}
