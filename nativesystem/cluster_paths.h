// Decisions of the cluster file and node operations: which directory levels a
// path creation walks, the paths built from a caller's text, and the texts of
// the result strings that are not made from a Windows error code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nativesystem {

// Paths the operations build live in 260-byte places (259 characters and the
// terminator), those of the tree removal in 260-character ones; the volume
// root of the file-system query in a 200-byte one.
constexpr std::size_t kMaxBuiltPathLength = 259;
constexpr std::size_t kMaxVolumeRootLength = 199;

// Windows error codes the operations report for texts they refuse themselves.
constexpr unsigned long kErrorBadPathname = 161;
constexpr unsigned long kErrorFilenameExcedRange = 206;

// The file-system name of the cluster file system.
inline constexpr std::string_view kClusterFileSystemName = "VelCFS";

// The levels to create for `path`, outermost first: the root is the path up to
// its first ':' (or, without one, its first '$'), and each level appends one
// non-empty backslash-separated piece of the rest. `error` is kErrorBadPathname
// for a path without a root and kErrorFilenameExcedRange when a level would not
// fit its place; `levels` is then empty. In a double-byte code page the
// second byte of a character may be a backslash: `is_lead_byte` marks the
// bytes that begin such a character (none without it).
struct DirectoryLevels {
    unsigned long error = 0;
    std::vector<std::string> levels;
};
using LeadByteTest = bool (*)(char);
DirectoryLevels directory_levels(std::string_view path, LeadByteTest is_lead_byte = nullptr);

// directory + '\' + name, or nothing when it would not fit its place. The
// tree removal walks in UTF-16, so that every entry is named as the disk
// holds it, never by the look-alike an ANSI listing gives (a fullwidth
// reverse solidus listed as '\' would lead out of the tree).
std::optional<std::wstring> tree_entry_path(std::wstring_view directory, std::wstring_view name);

// "." and "..": the names a listing reports for the directory and its parent.
bool is_dot_name(std::wstring_view name);

// \\.\<drive>\ for the volume query, or nothing when it would not fit.
std::optional<std::string> volume_root_path(std::string_view drive);

// \\<node> for the share probes, or nothing when it would not fit.
std::optional<std::string> unc_server_name(std::string_view node);

// Free bytes counted in whole kilobytes, as a signed figure.
std::int64_t free_kilobytes(std::uint64_t free_bytes);

// "1|<kilobytes>"
std::string free_space_result(std::int64_t kilobytes);
// "1|<value>@Success" for a set variable, "0|Failure" for an unset one; in
// UTF-16, as the value is read.
std::wstring environment_result(const wchar_t* value);

}  // namespace nativesystem
