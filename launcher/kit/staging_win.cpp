#include <direct.h>
#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

#include "common/ansi_text.h"
#include "common/unique_resource.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/base/child_process.h"
#include "launcher/base/console.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/staging.h"
#include "launcher/base/process_flags.h"

namespace kit {

namespace {

// The walks list and name every entry with the wide functions: an ANSI listing
// hands back a look-alike for a name the code page lacks ("..\\..\\x" for
// "..＼..＼x"), which would lead the walk out of its tree.
bool fits_tree_entry(const std::wstring& path) { return path.size() <= kMaxTreeEntryLength; }

std::wstring child_path(const std::wstring& directory, std::wstring_view name) {
    std::wstring path = directory;
    path += L'\\';
    path += name;
    return path;
}

bool is_dot_entry(std::wstring_view name) { return name == L"." || name == L".."; }

// A directory's listing, or none when the directory cannot be listed; one
// whose listing pattern does not fit its place is never listed.
vel::unique_find open_listing(const std::wstring& directory, WIN32_FIND_DATAW& entry) {
    const std::wstring pattern = child_path(directory, L"*.*");
    if (!fits_tree_entry(pattern)) return vel::unique_find();
    return vel::unique_find(FindFirstFileW(pattern.c_str(), &entry));
}

bool is_missing(const std::wstring& path) { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; }

void make_writable(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
}

struct ListedFile {
    std::wstring name;
    unsigned long long bytes;
    bool read_only;
};

struct ListedDirectory {
    std::wstring source, target;
    std::vector<ListedFile> files;
};

// Everything a copy will do, found before the first file is copied so that
// its progress can be shown against the total.
struct CopyPlan {
    std::vector<ListedDirectory> directories;  // breadth-first, parents before children
    unsigned long long files = 0, bytes = 0;
    // An over-long entry or a directory that cannot be listed ends the copy
    // after the last listed directory's files: the copy is never silently incomplete.
    bool refused = false;
};

// Breadth-first listing without recursion; the list grows as directories are
// found, so no directory of a large tree is ever left out. Only a source root
// that does not exist copies nothing without failing.
CopyPlan plan_copy(const std::wstring& source, const std::wstring& target) {
    CopyPlan plan;
    std::vector<std::pair<std::wstring, std::wstring>> pending{{source, target}};
    for (std::size_t i = 0; i < pending.size(); ++i) {
        WIN32_FIND_DATAW entry;
        vel::unique_find listing = open_listing(pending[i].first, entry);
        if (!listing) {
            plan.refused = i > 0 || !is_missing(source);
            return plan;
        }
        ListedDirectory& listed = plan.directories.emplace_back();
        listed.source = pending[i].first;
        listed.target = pending[i].second;
        do {
            const std::wstring_view name = entry.cFileName;
            if (is_dot_entry(name)) continue;
            std::wstring from = child_path(listed.source, name);
            std::wstring to = child_path(listed.target, name);
            // A path too long for its place is refused, never cut into another path.
            if (!fits_tree_entry(from) || !fits_tree_entry(to)) {
                plan.refused = true;
                return plan;
            }
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                pending.emplace_back(std::move(from), std::move(to));
            } else {
                const unsigned long long bytes =
                    (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
                const bool read_only = (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
                listed.files.push_back({std::wstring(name), bytes, read_only});
                ++plan.files;
                plan.bytes += bytes;
            }
        } while (FindNextFileW(listing.get(), &entry));
    }
    return plan;
}

// Shows a copy's progress in the title of the console the launcher opened,
// a few times a second at most, and gives the title back at the end. A copy
// that ends within the first interval leaves the title alone.
class TitleProgress {
public:
    TitleProgress(unsigned long long files, unsigned long long bytes)
        : enabled_(base::console_opened()), last_shown_(GetTickCount()) {
        progress_.total_files = files;
        progress_.total_bytes = bytes;
    }
    ~TitleProgress() {
        if (changed_) base::set_console_title(base::kConsoleTitle);
    }
    TitleProgress(const TitleProgress&) = delete;
    TitleProgress& operator=(const TitleProgress&) = delete;

    void copied(unsigned long long bytes) {
        ++progress_.files;
        progress_.bytes += bytes;
        if (!enabled_) return;
        const DWORD now = GetTickCount();
        if (now - last_shown_ < kTitleIntervalMs) return;
        base::set_console_title(staging_title(base::kConsoleTitle, progress_));
        changed_ = true;
        last_shown_ = now;
    }

private:
    const bool enabled_;
    bool changed_ = false;
    CopyProgress progress_{};
    DWORD last_shown_;
};

int copy_walk(const std::wstring& source, const std::wstring& target) {
    if (source.empty() || target.empty() || !fits_tree_entry(source) || !fits_tree_entry(target)) return -1;
    const CopyPlan plan = plan_copy(source, target);
    TitleProgress progress(plan.files, plan.bytes);
    for (const ListedDirectory& directory : plan.directories) {
        // The target may exist already: the installer core is copied into the installer's tree.
        if (!CreateDirectoryW(directory.target.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return -1;
        }
        for (const ListedFile& file : directory.files) {
            // The copy takes the source's attributes: only a read-only source
            // needs its copy made writable, which spares a look at every other.
            const std::wstring to = child_path(directory.target, file.name);
            if (!CopyFileW(child_path(directory.source, file.name).c_str(), to.c_str(), FALSE)) return -1;
            if (file.read_only) make_writable(to);
            progress.copied(file.bytes);
        }
    }
    return plan.refused ? -1 : 0;
}

// Whether a removal left nothing behind: done, or already gone.
bool removed(BOOL done) {
    if (done) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Deletes a file or unlinks a linked directory; a read-only one is made
// writable first, since Windows refuses to delete it otherwise.
bool remove_entry(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return removed(RemoveDirectoryW(path.c_str()));
    return removed(DeleteFileW(path.c_str()));
}

// One pass, depth first without recursion: each entry is removed as it is
// listed and each directory right after its last entry, so nothing is listed
// twice and no removal is tried before it can succeed. A linked directory is
// unlinked, not emptied: its content lies elsewhere. Returns how many entries
// stayed, not counting a directory that only stayed because of what it holds.
std::size_t remove_walk(const std::wstring& root) {
    if (!fits_tree_entry(root)) return 1;
    struct Open {
        std::wstring path;
        vel::unique_find listing;
        bool keeps_entries = false;
    };
    std::vector<Open> open;
    std::size_t left = 0;
    WIN32_FIND_DATAW entry;
    // A directory that cannot be listed is removed if it is empty, else left whole.
    const auto enter = [&](std::wstring path) {
        vel::unique_find listing = open_listing(path, entry);
        if (!listing) {
            if (!removed(RemoveDirectoryW(path.c_str()))) {
                ++left;
                if (!open.empty()) open.back().keeps_entries = true;
            }
            return false;
        }
        open.push_back({std::move(path), std::move(listing)});
        return true;
    };
    bool have_entry = enter(root);
    while (!open.empty()) {
        if (!have_entry) {
            const std::wstring done = std::move(open.back().path);
            const bool keeps_entries = open.back().keeps_entries;
            open.pop_back();  // the listing is closed before its directory goes
            if (!removed(RemoveDirectoryW(done.c_str()))) {
                if (!keeps_entries) ++left;
                if (!open.empty()) open.back().keeps_entries = true;
            }
            have_entry = !open.empty() && FindNextFileW(open.back().listing.get(), &entry);
            continue;
        }
        const std::wstring_view name = entry.cFileName;
        if (!is_dot_entry(name)) {
            std::wstring path = child_path(open.back().path, name);
            const DWORD attributes = entry.dwFileAttributes;
            if (!fits_tree_entry(path)) {
                // An entry too long for its place stays, never cut into the name of another.
                ++left;
                open.back().keeps_entries = true;
            } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                       (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                }
                if (enter(std::move(path))) continue;  // entry now holds the new directory's first entry
            } else if (!remove_entry(path, attributes)) {
                ++left;
                open.back().keeps_entries = true;
            }
        }
        have_entry = FindNextFileW(open.back().listing.get(), &entry);
    }
    return left;
}

unsigned long long free_kilobytes(const std::string& scratch) {
    using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    if (HMODULE kernel = GetModuleHandleA("KERNEL32.DLL")) {
        if (FARPROC found = GetProcAddress(kernel, "GetDiskFreeSpaceExA")) {
            const auto free_space_ex = reinterpret_cast<FreeSpaceEx>(reinterpret_cast<void*>(found));
            ULARGE_INTEGER available, total, free;
            if (free_space_ex(scratch.c_str(), &available, &total, &free)) return available.QuadPart >> 10;
        }
    }
    const std::string root = scratch.substr(0, 3);
    DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters)) {
        return 0;
    }
    return (static_cast<unsigned long long>(sectors_per_cluster) * bytes_per_sector * free_clusters) >> 10;
}

// The first entry of scratch\\jre, whatever it is; none when its name has
// no exact ANSI form, which would name some other path.
bool first_runtime_entry(const std::string& scratch, std::string& name) {
    WIN32_FIND_DATAW entry;
    vel::unique_find listing(FindFirstFileW((vel::wide_from_ansi(scratch) + L"\\jre\\*").c_str(), &entry));
    if (!listing) return false;
    do {
        const std::wstring_view found = entry.cFileName;
        if (is_dot_entry(found)) continue;
        const std::optional<std::string> ansi = vel::exact_ansi(found);
        if (!ansi) return false;
        name = *ansi;
        return true;
    } while (FindNextFileW(listing.get(), &entry));
    return false;
}

std::string scratch_part(const std::string& scratch, std::string_view name) {
    std::string path = scratch;
    append_path_component(path, name);
    return path;
}

StagingResult stage_distribution(const std::string& scratch, std::string& installer_location,
                                 std::string& core_location, std::string& runtime_location,
                                 const std::string& runtime_version, const std::string& unzip_directory,
                                 bool copy_runtime) {
    if (copy_runtime) {
        if (expand_archives(runtime_location, scratch, unzip_directory) != 0) return kStagingFailed;
        if (runtime_version.size() > 2) {
            std::string versioned = scratch_part(scratch, "jre");
            append_path_component(versioned, runtime_version);
            std::string expanded = runtime_location;
            append_path_component(expanded, "Expanded");
            copy_tree(expanded, versioned);
        }
        std::string entry;
        if (!first_runtime_entry(scratch, entry)) {
            base::console_write(catalogue::text_or_key("S_ERJRE_MISSING"));
            return kStagingFailed;
        }
        runtime_location = scratch + "\\jre\\" + entry;
    }
    const std::string ksi = scratch_part(scratch, "ksi");
    if (expand_archives(installer_location, scratch, unzip_directory) != 0) return kStagingFailed;
    installer_location = ksi;
    if (expand_archives(core_location, scratch, unzip_directory) != 0) return kStagingFailed;
    core_location = ksi;
    return kStaged;
}

StagingResult stage_copies(const std::string& scratch, std::string& installer_location, std::string& core_location,
                           std::string& runtime_location, bool copy_runtime) {
    if (copy_runtime) {
        const std::string jre = scratch_part(scratch, "jre");
        if (copy_tree(runtime_location, jre) != 0) return kStagingFailed;
        runtime_location = jre;
    }
    const std::string ksi = scratch_part(scratch, "ksi");
    if (copy_tree(installer_location, ksi) != 0) return kStagingFailed;
    installer_location = ksi;
    if (copy_tree(core_location, ksi) != 0) return kStagingFailed;
    core_location = ksi;
    return kStaged;
}

}  // namespace

std::optional<std::string> create_scratch_directory(const std::string& run_timestamp) {
    const std::string temp = temp_directory();
    if (!make_directories(temp)) {
        base::show_error(catalogue::format_message("S_ERPERDIR", {base::utf8_from_ansi(temp)}));
        return std::nullopt;
    }
    const std::string base = temp + "\\VelInstall" + run_timestamp;
    for (int number = 0; number <= kMaxScratchSuffix; ++number) {
        const std::string candidate = scratch_candidate(base, number);
        if (candidate.size() > kMaxPathLength) break;
        if (path_exists(candidate)) continue;
        // A scratch directory that cannot be made ends the run: say which one.
        if (_mkdir(candidate.c_str()) != 0) {
            base::show_error(catalogue::format_message("S_ERPERDIR", {base::utf8_from_ansi(candidate)}));
            return std::nullopt;
        }
        return candidate;
    }
    base::show_error(catalogue::format_message("S_ERPERDIR", {base::utf8_from_ansi(base)}));
    return std::nullopt;
}

StagingResult stage_bootstrap(const std::string& scratch, std::string& installer_location, std::string& core_location,
                              std::string& runtime_location, const std::string& runtime_version,
                              std::string& images_directory, std::string& prereq_location,
                              const std::string& unzip_directory, unsigned long long required_kb, bool distribution,
                              bool copy_runtime) {
    if (free_kilobytes(scratch) < required_kb) return kStagingFailed;
    if (!images_directory.empty()) {
        const std::string images = scratch_part(scratch, "images");
        copy_tree(images_directory, images);
        images_directory = images;
    }
    const StagingResult staged =
        distribution ? stage_distribution(scratch, installer_location, core_location, runtime_location,
                                          runtime_version, unzip_directory, copy_runtime)
                     : stage_copies(scratch, installer_location, core_location, runtime_location, copy_runtime);
    if (staged != kStaged) return staged;
    if (!prereq_location.empty()) {
        const std::string prereq = scratch_part(scratch, "prereq");
        if (copy_tree(prereq_location, prereq) != 0) return kStagingFailed;
        prereq_location = prereq;
    }
    return kStaged;
}

int copy_tree(const std::string& source, const std::string& target) {
    return copy_walk(vel::wide_from_ansi(source), vel::wide_from_ansi(target));
}

std::size_t remove_tree(const std::string& directory) {
    // Refused as written, and as Windows resolves it: "C:\x\.." is the drive.
    char full[kPathBufferSize];
    const DWORD length = GetFullPathNameA(directory.c_str(), sizeof full, full, nullptr);
    if (!is_removable_tree(directory) || length == 0 || length >= sizeof full ||
        !is_removable_tree(std::string_view(full, length))) {
        return 1;
    }
    return remove_walk(vel::wide_from_ansi(directory));
}

int copy_single_file(const std::string& source, const std::string& target) {
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return -1;
    make_writable(vel::wide_from_ansi(target));
    return 0;
}

int expand_archives(const std::string& archive_dir, const std::string& target, const std::string& unzip_dir) {
    const auto command_line = unzip_command_line(unzip_dir, archive_dir, target, !base::debug_mode);
    if (!command_line) return -1;
    return run_and_wait(*command_line) == 0 ? 0 : -1;
}

unsigned long run_and_wait(const std::string& command_line) {
    return base::run_child(command_line, base::ChildWindow::Hidden, true).code;
}

}  // namespace kit
