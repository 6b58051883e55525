// What a staged run copies into the scratch directory, measured against
// BOOTSTRAP_SIZE, and the ADDTO_CLASSPATH archives, which setup.exe looks for
// in the scratch directory whether or not the run is staged.
#include <map>

#include "kitcheck/checks.h"
#include "launcher/kit/staging.h"

namespace kitcheck {

namespace {

// Deeper trees are taken for a loop of links.
constexpr int kMaxTreeDepth = 64;
constexpr unsigned long long kMegabyte = 1ULL << 20;
constexpr std::string_view kScratchShown = "%TEMP%\\VelInstall<timestamp>";

// Files below a directory: path below it (lower case, as Windows compares) ->
// size. False when a part cannot be looked at here.
using TreeFiles = std::map<std::string, unsigned long long>;

bool add_tree(const KitFiles& files, const std::string& directory, const std::string& below, int depth,
              TreeFiles& out) {
    if (depth > kMaxTreeDepth) return false;
    for (const std::string& name : files.list(directory)) {
        const std::string path = directory.empty() ? name : directory + "\\" + name;
        const std::string inside = below.empty() ? lowered(name) : below + "\\" + lowered(name);
        const std::optional<EntryKind> kind = files.kind(path);
        if (!kind) return false;
        if (*kind == EntryKind::Directory) {
            if (!add_tree(files, path, inside, depth + 1, out)) return false;
        } else if (*kind == EntryKind::File) {
            const std::optional<unsigned long long> size = files.size(path);
            if (!size) return false;
            out[inside] = *size;
        }
    }
    return true;
}

struct StagedPart {
    std::string_view name;  // its directory in the scratch directory
    TreeFiles files;
};

std::string size_text(unsigned long long bytes) {
    constexpr unsigned long long kKilobyte = 1024;
    if (bytes < kMegabyte) return std::to_string((bytes + kKilobyte - 1) / kKilobyte) + " KB";
    return std::to_string((bytes + kMegabyte - 1) / kMegabyte) + " MB";
}

// The scratch directory's parts of a staged copy, as the copies fill them;
// nullopt when some source cannot be looked at here.
std::optional<std::vector<StagedPart>> staged_parts(const KitFiles& files, const kit::KitSettings& settings) {
    std::vector<StagedPart> parts;
    const auto add = [&](std::string_view part, const std::string& source) {
        if (source.empty()) return true;
        const std::optional<EntryKind> kind = files.kind(source);
        if (!kind) return false;
        if (*kind != EntryKind::Directory) return true;
        if (parts.empty() || parts.back().name != part) parts.push_back({part, {}});
        return add_tree(files, normal_path(source), "", 0, parts.back().files);
    };
    // The runtime is copied when the file names it; without, the user names one, which stays where it is.
    bool known = add("jre", settings.jre_location) && add("ksi", settings.ksi_location) &&
                 add("ksi", settings.ksi_core_location);
    for (const std::string& images : kit::images_directory_candidates(".")) {
        if (files.kind(images) == EntryKind::Directory) {
            known = known && add("images", images);
            break;
        }
    }
    known = known && add("prereq", settings.prereq_config_location);
    if (!known) return std::nullopt;
    return parts;
}

std::vector<std::string> classpath_entries(std::string_view list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos) end = list.size();
        if (end > start) entries.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

// Whether the staged copy holds an archive of the class path.
bool is_staged(const std::vector<StagedPart>& parts, const std::string& entry) {
    const std::string path = lowered(normal_path(entry));
    const std::size_t slash = path.find('\\');
    if (slash == std::string::npos) return false;
    for (const StagedPart& part : parts) {
        if (path.substr(0, slash) == part.name && part.files.count(path.substr(slash + 1))) return true;
    }
    return false;
}

// A staged file of the archive's name, to name in a hint; empty when none.
std::string staged_namesake(const std::vector<StagedPart>& parts, const std::string& entry) {
    const std::string path = lowered(normal_path(entry));
    const std::string name = path.substr(path.rfind('\\') + 1);
    for (const StagedPart& part : parts) {
        for (const auto& [below, size] : part.files) {
            if (below == name || below.ends_with("\\" + name)) return std::string(part.name) + "\\" + below;
        }
    }
    return {};
}

// Where setup.exe looks for each ADDTO_CLASSPATH archive, and whether a
// staged copy (`parts`, when known) puts it there.
void check_classpath_archives(const std::string& file, const kit::KitSettings& settings,
                              const std::optional<std::vector<StagedPart>>& parts, int line, Report& report) {
    const bool bootstrap = settings.bootstrap.starts_with("T");
    for (const std::string& entry : classpath_entries(settings.addto_classpath)) {
        const std::string where = "ADDTO_CLASSPATH archive " + entry +
                                  ": setup.exe looks for it in the scratch directory, " + std::string(kScratchShown) +
                                  "\\" + entry;
        if (settings.distribution) {
            report.note(file, line,
                        where + ", into which distribution staging expands the kit's archives (not checked here)");
        } else if (!bootstrap) {
            report.warning(file, line, where + ", but a run without staging (BOOTSTRAP=FALSE) puts nothing there");
        } else if (!parts) {
            report.note(file, line, where + " (what staging puts there cannot be checked here)");
        } else if (is_staged(*parts, entry)) {
            report.note(file, line, where + ", where staging puts it");
        } else {
            std::string text = where + ", but staging does not put it there: it fills jre\\, ksi\\ (KSI_LOCATION and "
                                       "KSI_CORE_LOCATION), images\\ and prereq\\";
            const std::string namesake = staged_namesake(*parts, entry);
            if (!namesake.empty()) text += " (did you mean " + namesake + "?)";
            report.warning(file, line, text);
        }
    }
}

// What the staged copy takes against the free space BOOTSTRAP_SIZE asks for.
void check_staged_size(const std::string& file, const kit::KitSettings& settings, const std::vector<StagedPart>& parts,
                       int line, Report& report) {
    unsigned long long total = 0;
    std::string listing;
    for (const StagedPart& part : parts) {
        unsigned long long bytes = 0;
        for (const auto& [below, size] : part.files) bytes += size;
        total += bytes;
        listing += (listing.empty() ? "" : ", ") + std::string(part.name) + "\\ " + size_text(bytes);
    }
    const long long megabytes = kit::parse_bootstrap_size(settings.bootstrap_size);
    if (megabytes < 0 || megabytes > kit::kMaxBootstrapMegabytes) return;  // reported as out of range
    const std::string copied = "staging copies " + size_text(total) + " (" + listing + ")";
    const std::string setting = "BOOTSTRAP_SIZE=" + settings.bootstrap_size;
    if (megabytes == 0) {
        report.warning(file, line,
                       copied + ", but with " + setting + " setup.exe checks for no free space before the copy");
    } else if (static_cast<unsigned long long>(megabytes) * kMegabyte < total) {
        report.warning(file, line,
                       copied + ", more than " + setting + ": setup.exe checks for only " + std::to_string(megabytes) +
                           " MB free, and a copy that fills the disk fails half-way");
    } else {
        report.note(file, line, copied + "; " + setting);
    }
}

}  // namespace

void check_staging(const KitFiles& files, const std::string& file, const kit::KitSettings& settings,
                   const StagingLines& lines, Report& report) {
    std::optional<std::vector<StagedPart>> parts;
    if (settings.bootstrap.starts_with("T") && !settings.distribution) parts = staged_parts(files, settings);
    check_classpath_archives(file, settings, parts, lines.addto_classpath, report);
    if (parts) check_staged_size(file, settings, *parts, lines.bootstrap_size, report);
}

}  // namespace kitcheck
