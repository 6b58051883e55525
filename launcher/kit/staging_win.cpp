#include <direct.h>
#include <windows.h>

#include <vector>

#include "common/unique_resource.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/child_process.h"
#include "launcher/console.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/staging.h"
#include "launcher/process_flags.h"

namespace kit {

namespace {

bool fits_tree_entry(const std::string& path) { return path.size() <= kMaxTreeEntryLength; }

std::string child_path(const std::string& directory, std::string_view name) {
    std::string path = directory;
    path += '\\';
    path += name;
    return path;
}

// Breadth-first walk without recursion. With a target the tree is copied
// there; without one it is removed. The lists grow as directories are found,
// so no directory of a large tree is ever left out.
int walk_tree(const std::string& source, const std::string* target) {
    if (!fits_tree_entry(source) || (target && !fits_tree_entry(*target))) return target ? -1 : 0;
    std::vector<std::string> sources{source};
    std::vector<std::string> targets;
    if (target) targets.push_back(*target);

    for (std::size_t i = 0; i < sources.size(); ++i) {
        WIN32_FIND_DATAA entry;
        vel::unique_find listing(FindFirstFileA(child_path(sources[i], "*.*").c_str(), &entry));
        if (!listing) continue;
        if (target) {
            CreateDirectoryA(targets[i].c_str(), nullptr);
        } else {
            RemoveDirectoryA(sources[i].c_str());
        }
        do {
            const std::string_view name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string from = child_path(sources[i], name);
            const std::string to = target ? child_path(targets[i], name) : std::string();
            // A path too long for its place is refused, never cut into another path.
            if (!fits_tree_entry(from) || !fits_tree_entry(to)) {
                if (target) return -1;
                continue;
            }
            const bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (directory && !target && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                // A linked directory is unlinked, not emptied: its content lies elsewhere.
                RemoveDirectoryA(from.c_str());
            } else if (directory) {
                sources.push_back(from);
                if (target) targets.push_back(to);
            } else if (target) {
                if (copy_single_file(from, to) != 0) return -1;
            } else {
                DeleteFileA(from.c_str());
            }
        } while (FindNextFileA(listing.get(), &entry));
    }
    if (!target) {
        for (auto it = sources.rbegin(); it != sources.rend(); ++it) RemoveDirectoryA(it->c_str());
    }
    return 0;
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

// The first entry of scratch\jre, whatever it is.
bool first_runtime_entry(const std::string& scratch, std::string& name) {
    WIN32_FIND_DATAA entry;
    vel::unique_find listing(FindFirstFileA((scratch + "\\jre\\*").c_str(), &entry));
    if (!listing) return false;
    do {
        const std::string_view found = entry.cFileName;
        if (found != "." && found != "..") {
            name = found;
            return true;
        }
    } while (FindNextFileA(listing.get(), &entry));
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
            console::console_write(catalogue::text_or_key("S_ERJRE_MISSING"));
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

int create_scratch_directory(std::string& out, const std::string& run_timestamp) {
    temp_directory(out);
    if (!make_directories(out)) {
        console::show_error(catalogue::format_message("S_ERPERDIR", {out}));
        return -1;
    }
    const std::string base = out + "\\VelInstall" + run_timestamp;
    for (int number = 0; number <= kMaxScratchSuffix; ++number) {
        const std::string candidate = scratch_candidate(base, number);
        if (candidate.size() > kMaxPathLength) break;
        if (path_exists(candidate)) continue;
        // A scratch directory that cannot be made ends the run: say which one.
        if (_mkdir(candidate.c_str()) != 0) {
            console::show_error(catalogue::format_message("S_ERPERDIR", {candidate}));
            return -1;
        }
        out = candidate;
        return 0;
    }
    console::show_error(catalogue::format_message("S_ERPERDIR", {base}));
    return -1;
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

int copy_tree(const std::string& source, const std::string& target) { return walk_tree(source, &target); }

void remove_tree(const std::string& directory) {
    // Refused as written, and as Windows resolves it: "C:\x\.." is the drive.
    char full[kPathBufferSize];
    const DWORD length = GetFullPathNameA(directory.c_str(), sizeof full, full, nullptr);
    if (!is_removable_tree(directory) || length == 0 || length >= sizeof full ||
        !is_removable_tree(std::string_view(full, length))) {
        return;
    }
    walk_tree(directory, nullptr);
}

int copy_single_file(const std::string& source, const std::string& target) {
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return -1;
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesA(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    return 0;
}

int expand_archives(const std::string& archive_dir, const std::string& target, const std::string& unzip_dir) {
    const auto command_line = unzip_command_line(unzip_dir, archive_dir, target, !launcher::debug_mode);
    if (!command_line) return -1;
    return run_and_wait(*command_line) == 0 ? 0 : -1;
}

unsigned long run_and_wait(const std::string& command_line) {
    return launcher::run_child(command_line, launcher::ChildWindow::Hidden, true).code;
}

}  // namespace kit
