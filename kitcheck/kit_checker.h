// The kit checker: finds the mistakes of an installation kit (its parameter
// file, message catalogues and prerequisite sections) before setup.exe meets
// them, using the launcher's own readers.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kitcheck {

// A note tells what setup.exe will do where the kit relies on it; it never
// counts as an error, not even with --strict.
enum class Severity { Note, Warning, Error };

struct Finding {
    std::string file;  // kit-relative, as setup.exe names it (e.g. resource\cons.nls)
    int line = 0;      // 0: the finding concerns the whole file
    Severity severity = Severity::Error;
    std::string text;
};

// "FILE:LINE: error: TEXT" (warning:, note:; without ":LINE" when there is none), FILE placed
// under `directory` with `separator`.
std::string format_finding(const Finding& finding, std::string_view directory, char separator);
// 1 when a finding counts as an error (with `strict`, warnings count too; notes
// never), else 0.
int exit_code(const std::vector<Finding>& findings, bool strict);

enum class EntryKind { Missing, File, Directory };

// What the checker sees of a kit. Paths are Windows paths, relative to the
// kit's directory (the directory of setup.exe) or absolute.
struct KitFiles {
    // nullopt: the path cannot be looked at on this machine.
    std::function<std::optional<EntryKind>(const std::string& path)> kind;
    // The file's bytes, or nullopt when it cannot be read.
    std::function<std::optional<std::string>(const std::string& path)> read;
    // Names of the entries of a directory (none when it cannot be listed).
    std::function<std::vector<std::string>(const std::string& directory)> list;
    // A file's size in bytes, or nullopt when it cannot be looked at.
    std::function<std::optional<unsigned long long>(const std::string& path)> size;
};

std::vector<Finding> check_kit(const KitFiles& files);

// Files of a kit held in memory (for tests): path -> bytes; a directory is
// any proper prefix of a stored path up to a "\\".
KitFiles memory_kit(const std::vector<std::pair<std::string, std::string>>& files);
// The kit in a directory of this machine.
KitFiles directory_kit(const std::string& directory);
// Whether `directory` is missing or empty: a new kit goes only there.
bool is_new_directory(const std::string& directory);
// Writes a kit file (a kit-relative path), making its directories.
bool write_kit_file(const std::string& directory, const std::string& path, std::string_view bytes);
// Copies the setup.exe beside this program into `directory`; false when there
// is none (as on a POSIX host).
bool copy_launcher_into(const std::string& directory);

// Every message key the launcher looks up, taken from its sources at build time.
const std::vector<std::string_view>& launcher_message_keys();

// The name of `candidates` closest to `name` (fewest edits, letters compared
// without regard to case; the first of equally close ones), or empty when
// none is close enough to be what was meant.
std::string nearest_name(std::string_view name, const std::vector<std::string_view>& candidates);

// A new kit to start from: every file with its kit-relative path and bytes.
struct StarterFile {
    std::string path;
    std::string bytes;
};
std::vector<StarterFile> starter_kit();
// What the author still has to put into a starter kit, one line each.
const std::vector<std::string_view>& starter_kit_placeholders();

}  // namespace kitcheck
