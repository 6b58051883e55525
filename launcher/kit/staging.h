// The per-run scratch directory and the staging of the kit into it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

enum StagingResult : int { kStaged = 10, kStagingFailed = 30 };
// Names tried after the base name: base_1 .. base_1023.
constexpr int kMaxScratchSuffix = 1023;
// Paths of the tree walk (counted in UTF-16 characters, as Windows counts
// them), their listing patterns included, and the unzip command line each
// live in a 260-character place: at most 259 characters.
constexpr std::size_t kTreeEntrySize = 260;
constexpr std::size_t kMaxTreeEntryLength = kTreeEntrySize - 1;
constexpr std::size_t kCommandLineSize = 260;
constexpr std::size_t kMaxCommandLineLength = kCommandLineSize - 1;
// A copy's progress is shown in the console title at most this often.
constexpr unsigned long kTitleIntervalMs = 250;

// Staging sizes accepted, in megabytes; a failed staging of size 0 reports 45.
constexpr long long kMaxBootstrapMegabytes = 2047;
constexpr long long kReportedDefaultMegabytes = 45;

// BOOTSTRAP_SIZE as a decimal number: leading blanks and one sign allowed,
// reading stops at the first non-digit, 0 without digits.
long long parse_bootstrap_size(std::string_view text);

struct CopyProgress {
    unsigned long long files = 0, bytes = 0;
    unsigned long long total_files = 0, total_bytes = 0;
};

// Whether remove_tree may take `directory`: never an empty path, nor the root
// of a drive or of a network share, however it is written.
bool is_removable_tree(std::string_view directory);
// The scratch directory name tried for a number (0: the base name itself).
std::string scratch_candidate(std::string_view base, int number);
// The command line that extracts every .jar of archive_dir into target, or
// nullopt when it does not fit its place.
std::optional<std::string> unzip_command_line(std::string_view unzip_directory, std::string_view archive_dir,
                                              std::string_view target, bool quiet);

// The console title while a tree is copied: the launcher's title, then files
// and whole megabytes copied of the totals.
std::string staging_title(std::string_view title, const CopyProgress& progress);

// A new directory for this run below the temporary directory; nullopt once
// the user has been told.
std::optional<std::string> create_scratch_directory(const std::string& run_timestamp);
StagingResult stage_bootstrap(const std::string& scratch, std::string& installer_location, std::string& core_location,
                              std::string& runtime_location, const std::string& runtime_version,
                              std::string& images_directory, std::string& prereq_location,
                              const std::string& unzip_directory, unsigned long long required_kb, bool distribution,
                              bool copy_runtime);
// 0, or -1 when an entry could not be listed, created or copied; a source
// root that does not exist copies nothing and gives 0.
int copy_tree(const std::string& source, const std::string& target);
// How many entries of the tree stayed (0: the whole tree is gone); a
// directory that only stayed because of what it holds is not counted.
std::size_t remove_tree(const std::string& directory);
int copy_single_file(const std::string& source, const std::string& target);
int expand_archives(const std::string& archive_dir, const std::string& target, const std::string& unzip_dir);
unsigned long run_and_wait(const std::string& command_line);

}  // namespace kit
