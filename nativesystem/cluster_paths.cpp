#include "nativesystem/cluster_paths.h"

#include "nativesystem/result_text.h"

namespace nativesystem {

namespace {

// The first backslash of `text` that is a character of its own.
std::size_t find_separator(std::string_view text, LeadByteTest is_lead_byte) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') return i;
        if (is_lead_byte && is_lead_byte(text[i])) ++i;
    }
    return std::string_view::npos;
}

}  // namespace

DirectoryLevels directory_levels(std::string_view path, LeadByteTest is_lead_byte) {
    DirectoryLevels result;
    std::size_t root_end = path.find(':');
    if (root_end == std::string_view::npos) root_end = path.find('$');
    if (root_end == std::string_view::npos) {
        result.error = kErrorBadPathname;
        return result;
    }
    std::string level(path.substr(0, root_end + 1));
    std::string_view rest = path.substr(root_end + 1);
    while (!rest.empty()) {
        const std::size_t cut = find_separator(rest, is_lead_byte);
        const std::string_view piece = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (piece.empty()) continue;
        level += '\\';
        level += piece;
        if (level.size() > kMaxBuiltPathLength) {
            result.error = kErrorFilenameExcedRange;
            result.levels.clear();
            return result;
        }
        result.levels.push_back(level);
    }
    return result;
}

std::optional<std::wstring> tree_entry_path(std::wstring_view directory, std::wstring_view name) {
    if (directory.size() + 1 + name.size() > kMaxBuiltPathLength) return std::nullopt;
    std::wstring path(directory);
    path += L'\\';
    path += name;
    return path;
}

bool is_dot_name(std::wstring_view name) { return name == L"." || name == L".."; }

std::optional<std::string> volume_root_path(std::string_view drive) {
    std::string root = "\\\\.\\";
    root += drive;
    root += '\\';
    if (root.size() > kMaxVolumeRootLength) return std::nullopt;
    return root;
}

std::optional<std::string> unc_server_name(std::string_view node) {
    std::string name = "\\\\";
    name += node;
    if (name.size() > kMaxBuiltPathLength) return std::nullopt;
    return name;
}

std::int64_t free_kilobytes(std::uint64_t free_bytes) {
    return static_cast<std::int64_t>(free_bytes) / 1024;
}

std::string free_space_result(std::int64_t kilobytes) { return result_text(1, std::to_string(kilobytes)); }

std::wstring environment_result(const wchar_t* value) {
    if (!value) return L"0|Failure";
    return L"1|" + std::wstring(value) + L"@Success";
}

}  // namespace nativesystem
